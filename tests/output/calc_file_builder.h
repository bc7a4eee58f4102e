// Calculation files built in memory with the attributes items write, for
// tests of the readers of calculation files.
#pragma once

#include <string>

#include "files/hx_file.h"
#include "framework/units.h"

struct ItemRow {
  const char* name;
  const char* caption;
  torvacalc::Extended value;  // basic unit; NoValue for none
  int quantity;               // -1: an item without a quantity
  int unitNo;
  int inputState;             // 0 user, 1 database, 2 calculated
  const char* displayText;
  bool utilized = true;
  int displayState = 0;
};

inline torvacalc::TBixBinaryTag& AddItem(torvacalc::THXFile& f, const ItemRow& s,
                                         const char* className = "TInOutParameter") {
  using namespace torvacalc;
  TBixBinaryTag& t = f.AddTag(f.GetItemsTag(), s.name);
  f.AddStrAttr(t, "ClassName", className);
  f.AddBooleanAttr(t, "_ItemIsValid", true);
  f.AddStrAttr(t, "NotesList", "");
  f.AddStrAttr(t, "CommentsList", "");
  f.AddStrAttr(t, "DisplayText", s.displayText);
  f.AddLongIntAttr(t, "InputState", s.inputState);
  f.AddLongIntAttr(t, "DisplayState", s.displayState);
  f.AddBooleanAttr(t, "OverRuled", false);
  f.AddBooleanAttr(t, "CanBeOverRuled", false);
  f.AddBooleanAttr(t, "Enabled", true);
  f.AddBooleanAttr(t, "Utilized", s.utilized);
  f.AddLongIntAttr(t, "TroubleType", 8);
  f.AddStrAttr(t, "CalcMessage", "");
  f.AddLongIntAttr(t, "DetailLevel", 2);
  f.AddStrAttr(t, "Name", s.name);
  f.AddStrAttr(t, "Caption", s.caption);
  f.AddStrAttr(t, "ShortCaption", "");
  if (s.quantity >= 0) {
    f.AddExtendedAttr(t, "Value", s.value);
    f.AddLongIntAttr(t, "CalcUnitNo", s.unitNo);
    f.AddLongIntAttr(t, "ValueState", HasValue(s.value) ? 0 : 1);
    f.AddLongIntAttr(t, "CalcQuantity", s.quantity);
  }
  return t;
}

// An additional parameter under "AdditionalDatas.Items".
inline torvacalc::TBixBinaryTag& AddAddParam(torvacalc::THXFile& f, const char* name, const char* className,
                                             const char* caption, const char* text) {
  torvacalc::TBixBinaryTag& t = f.AddTag(f.GetAddParameterListTag(), name);
  f.AddStrAttr(t, "ClassName", className);
  f.AddStrAttr(t, "Name", name);
  f.AddStrAttr(t, "Caption", caption);
  f.AddStrAttr(t, "Text", text);
  return t;
}

// A small valve calculation: qm 347.544 t/h (user), p1 6.8 bar(a), t1 90 degC,
// kv 164.92 m3/h (calculated, with a note and a warning), an unused and an
// invisible parameter, and three switches.
inline void FillValveCalculation(torvacalc::THXFile& f, const std::string& fileName,
                                 torvacalc::Extended kv = 164.9214832948513L) {
  using namespace torvacalc;
  f.SetFileName(fileName);
  TBixBinaryTag& infos = *f.FindFirstTag(f.GetCalculationTag(), "Infos", true);
  f.AddStrAttr(infos, "ClassName", "TCMControlValves");
  f.AddStrAttr(infos, "Name", "CMControlValves");
  AddItem(f, {"qm", "Massenstrom", 347544, qMassFlowrate, 2, 0, "347.5"});
  AddItem(f, {"p1", "Eintrittsdruck", 6.8L, qPressureBar, 0, 0, "6.8"});
  AddItem(f, {"t1", "Eintrittstemperatur", 90, qTemperature, 0, 1, "90"});
  TBixBinaryTag& k = AddItem(f, {"kv", "Durchflusskoeffizient Kv", kv, qKvCv, 0, 2, "164.9"});
  f.AddStrAttr(k, "NotesList", "Kavitation prüfen\r\nHersteller fragen\r\n");
  f.AddBooleanAttr(k, "CanBeOverRuled", true);
  f.AddLongIntAttr(k, "TroubleType", 4);
  f.AddStrAttr(k, "CalcMessage", "Starke Kavitation: Verschleiß und Geräusch sind zu erwarten.");
  AddItem(f, {"xt", "xT im Betriebspunkt", NoValue, qFixedPortion, 0, 2, "", false, 2});
  AddItem(f, {"secret", "Verborgen", 1, qFixedPortion, 0, 2, "1", true, 2});
  TBixBinaryTag& list = AddItem(f, {"Phase", "Phase", 0, -1, 0, 0, "Gas"}, "TCalcListSwitch");
  f.AddLongIntAttr(list, "SwitchIndex", 2);
  TBixBinaryTag& first = AddItem(f, {"ViscosityNorm", "Viskositätskorrektur", 0, -1, 0, 0, "EN 60534-2-1 (2000)"},
                                 "TCalcListSwitch");
  f.AddLongIntAttr(first, "SwitchIndex", 0);
  TBixBinaryTag& two = AddItem(f, {"LineSize", "Nennweite gleich Rohrnennweite", 0, -1, 0, 0, "ja"}, "TCalcSwitch");
  f.AddLongIntAttr(two, "SwitchStatus", 1);
}
