// A small calculation written the way calculation items write themselves
// into a file: the item attributes in their order, with the parameter,
// text and switch additions.
#pragma once

#include <string>
#include <vector>

#include "files/hx_file.h"

namespace torvacalc::test {

struct SampleItem {
  std::string Name;
  std::string ClassName;
  std::string Caption;
  std::string ShortCaption;
  std::string DisplayText;
  bool Utilized = true;
  enum Kind { Text, Parameter, Switch } ItemKind = Text;
  Extended Value = NoValue;  // parameters: basic unit
  int CalcUnitNo = 0;
  int Quantity = 0;
  int SwitchIndex = 0;
};

inline void WriteItem(THXFile& f, TBixBinaryTag& items, const SampleItem& item) {
  TBixBinaryTag& t = *items.FindFirstTag(item.Name, 0, true, true);
  f.AddStrAttr(t, "ClassName", item.ClassName);
  f.AddBooleanAttr(t, "_ItemIsValid", true);
  f.AddStrAttr(t, "NotesList", "");
  f.AddStrAttr(t, "CommentsList", "");
  f.AddStrAttr(t, "DisplayText", item.DisplayText);
  f.AddLongIntAttr(t, "InputState", item.ItemKind == SampleItem::Parameter ? 2 : 0);
  f.AddLongIntAttr(t, "DisplayState", 0);
  f.AddBooleanAttr(t, "OverRuled", false);
  f.AddBooleanAttr(t, "CanBeOverRuled", false);
  f.AddBooleanAttr(t, "ReadOnly", false);
  f.AddBooleanAttr(t, "Enabled", true);
  f.AddBooleanAttr(t, "Utilized", item.Utilized);
  f.AddBooleanAttr(t, "Modified", false);
  f.AddBooleanAttr(t, "CanBeModified", true);
  f.AddBooleanAttr(t, "IsUsed", item.Utilized);
  f.AddBooleanAttr(t, "OutDated", false);
  f.AddBooleanAttr(t, "DoNotCalculate", false);
  f.AddBooleanAttr(t, "TroubleMaker", false);
  f.AddLongIntAttr(t, "TroubleType", 0);
  f.AddBooleanAttr(t, "CanModify", true);
  f.AddLongIntAttr(t, "CalcMessage", 0);
  f.AddLongIntAttr(t, "DetailLevel", 1);
  f.AddBooleanAttr(t, "ShowAlways", false);
  f.AddBooleanAttr(t, "Important", false);
  f.AddStrAttr(t, "Name", item.Name);
  f.AddStrAttr(t, "Caption", item.Caption);
  f.AddStrAttr(t, "ShortCaption", item.ShortCaption);
  f.AddBooleanAttr(t, "UseInGraphics", false);
  f.AddLongIntAttr(t, "xTimesInUse", 1);
  switch (item.ItemKind) {
    case SampleItem::Text:
      f.AddStrAttr(t, "Text", item.DisplayText);
      break;
    case SampleItem::Parameter:
      f.AddExtendedAttr(t, "Value", item.Value);
      f.AddLongIntAttr(t, "CalcUnitNo", item.CalcUnitNo);
      f.AddLongIntAttr(t, "ValueState", IsNoValue(item.Value) ? 1 : 0);
      f.AddBooleanAttr(t, "IsApproximated", false);
      f.AddLongIntAttr(t, "CalcQuantity", item.Quantity);
      break;
    case SampleItem::Switch:
      f.AddLongIntAttr(t, "SwitchStatus", 1);
      f.AddLongIntAttr(t, "SwitchIndex", item.SwitchIndex);
      break;
  }
}

// A control valve calculation in miniature.
inline std::vector<SampleItem> SampleItems() {
  using K = SampleItem;
  return {
      {"Identifier", "TCalcText", "Kennzeichen", "Kennz.", "FV-101", true},
      {"DeviceType", "TCalcText", "Gerät", "", "Stellventil", true},
      {"VManufacturer", "TCalcText", "Hersteller", "", "Torva", true},
      {"VSeries", "TCalcText", "Baureihe", "", "TV 200", true},
      {"DNV", "TCalcText", "Nennweite", "DN", "DN 80", true},
      {"kvs", "TCalcParameter", "Kvs-Wert", "Kvs", "63", true, K::Parameter, 63, 0, 12},
      {"Fluidname", "TCalcText", "Medium", "", "Wasser", true},
      {"CalculatedPhase", "TCalcText", "Phase", "", "fl\xC3\xBCssig", true},
      {"Author", "TCalcText", "Bearbeiter", "", "M. Muster", true},
      {"p1", "TCalcParameter", "Eingangsdruck", "p1", "10", true, K::Parameter, 11.01325L, 1, 2},
      {"qv", "TCalcParameter", "Volumenstrom", "qv", "", false, K::Parameter, NoValue, 0, 10},
      {"CharacteristicType", "TCalcListSwitch", "Kennlinie", "", "gleichprozentig", true, K::Switch,
       NoValue, 0, 0, 2},
  };
}

inline void WriteSampleCalculation(THXFile& f) {
  f.SCMToFile(f.GetGUID(), "", [](THXFile& file, TBixBinaryTag& calc) {
    TBixBinaryTag& info = *calc.FindFirstTag("Infos", 0, true, true);
    file.AddStrAttr(info, "ClassName", "TSCMTorva");
    file.AddStrAttr(info, "Name", "Stellventil");
    TBixBinaryTag& items = *calc.FindFirstTag("Items", 0, true, true);
    for (const auto& item : SampleItems()) WriteItem(file, items, item);
  });
}

}  // namespace torvacalc::test
