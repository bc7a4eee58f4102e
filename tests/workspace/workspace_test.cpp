// One open calculation as every front end uses it: the one entry rule, the
// same whether a value is typed into a cell (Enter) or comes from a case
// file or command line (EnterAll), and the point each message concerns.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cmath>
#include <cctype>
#include <functional>
#include <map>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "framework/calc_switch.h"
#include "framework/options.h"
#include "framework/super_module.h"
#include "framework/translation.h"
#include "media/substance_database.h"
#include "workspace/catalogue_choice.h"
#include "workspace/entries.h"
#include "workspace/json_items.h"
#include "workspace/module_kinds.h"
#include "workspace/points_layout.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {
namespace {

// Entries into the inlet pressure of point 2, as a user writes them, and
// into the switches of the calculation.
struct EntryCase {
  const char* text;
  bool taken;
  Extended bar;            // the value taken, bar(a); NoValue for none
  const char* refusedFor;  // a word the refusal names
  const char* item = nullptr;   // a switch of all points instead of P1 at point 2
  const char* chosen = "";      // the switch's entry then
};
const EntryCase kEntries[] = {
    {"6.8 bar(a)", true, 6.8L, ""},
    {"6,8 bar(a)", true, 6.8L, ""},  // either decimal mark
    {"5.8 bar(g)", true, 5.8L + 1.01325L, ""},
    {"", true, NoValue, ""},  // the entry handed back to the calculation
    // A number outside the bounds is kept and reported, not lost.
    {"-5 bar(a)", true, -5, ""},
    // Ambiguous by a whole atmosphere: which one is meant must be said.
    {"5.5 bar", false, NoValue, "bar(g)"},
    {"sixty bar(a)", false, NoValue, "sixty"},
    {"7 kg/h", false, NoValue, "kg/h"},
    // A switch's entry by its text, by #N, or by words of one entry only.
    {"PN 25", true, NoValue, "", "PN", "PN 25"},
    {"#1", true, NoValue, "", "PN", "PN 16"},
    {"16", true, NoValue, "", "PN", "PN 16"},
    {"pn 40", true, NoValue, "", "PN", "PN 40"},
    {"Parabolkegel schließend", true, NoValue, "", "GlobeType", "Parabolkegel, schließend"},
    // An unknown one lists the entries, an ambiguous one those it fits.
    {"17", false, NoValue, "items: PN 10, PN 16, PN 25,", "PN"},
    {"1", false, NoValue, "PN 160", "PN"},  // no entry has the word "1"
    {"Parabolkegel", false, NoValue, "fits several items: Parabolkegel, öffnend; Parabolkegel, schließend",
     "GlobeType"},
};

TEST(WorkspaceEntry, CellsAndCaseFilesTakeAndRefuseTheSameEntries) {
  for (const EntryCase& c : kEntries) {
    SCOPED_TRACE(c.text);
    TTorvaWorkspace typed, batch;
    const std::string name = c.item ? c.item : "P1", batchName = c.item ? c.item : "P1Ap2";
    const int point = c.item ? 0 : 1;
    const std::string before = c.item ? "#0" : "4 bar(a)";
    ASSERT_TRUE(typed.Enter(name, point, before).Applied);
    const std::string beforeText = ItemValueText(*typed.Item(name, point));
    const size_t history = typed.Super().GetHistoryCount();
    const TInputResult r = typed.Enter(name, point, c.text);
    EXPECT_EQ(r.Applied, c.taken) << r.Error;
    std::string refused;
    try {
      batch.EnterAll({batchName + " = " + before, batchName + " = " + c.text});
    } catch (const ECalcEntry& e) {
      refused = e.what();
    }
    EXPECT_EQ(refused.empty(), c.taken) << refused;
    if (!c.taken) {
      // Refused: why, naming what was wrong; nothing changed, no undo step.
      EXPECT_NE(r.Error.find(c.refusedFor), std::string::npos) << r.Error;
      EXPECT_EQ(refused.rfind(batchName + ":", 0), 0u) << refused;
      EXPECT_EQ(refused.find('\n'), std::string::npos) << refused;
      EXPECT_EQ(typed.Super().GetHistoryCount(), history);
      EXPECT_EQ(ItemValueText(*typed.Item(name, point)), beforeText);
      EXPECT_EQ(ItemValueText(*batch.Item(name, point)), beforeText);
      continue;
    }
    if (c.item) {
      EXPECT_EQ(ItemValueText(*typed.Item(name, 0)), c.chosen);
      EXPECT_EQ(ItemValueText(*batch.Item(name, 0)), c.chosen);
      continue;
    }
    for (TWorkspace* w : {static_cast<TWorkspace*>(&typed), static_cast<TWorkspace*>(&batch)}) {
      const Extended v = w->Item("P1", 1)->AsParameter()->GetValue();
      if (IsNoValue(c.bar))
        EXPECT_TRUE(IsNoValue(v));
      else
        EXPECT_NEAR(static_cast<double>(v), static_cast<double>(c.bar), 1e-12);
    }
    // Point 1 keeps its own value.
    EXPECT_EQ(typed.Item("P1", 0)->GetDisplayText(), batch.Item("P1", 0)->GetDisplayText());
  }
}

TEST(WorkspaceEntry, UnitTypedWithTheNumberBecomesTheUnitOfTheRow) {
  TTorvaWorkspace w;
  ASSERT_TRUE(w.Enter("T1", 2, "350 K").Applied);
  // The results of the quantity are shown in it as well; a unit chosen for
  // a cell of the desktop does the same.
  for (int point = 0; point < w.OperatingPointCount(); ++point)
    for (const char* n : {"T1", "T2Medium"})
      EXPECT_EQ(ShownParameter(*w.Item(n, point)->AsParameter()).GetCalcUnitName(), "K") << n << point;
  ASSERT_TRUE(EnterParameter(w, *w.Item("Qm", 0)->AsParameter(), "30 t/h").Applied);
  EXPECT_EQ(ShownParameter(*w.Item("QmValve", 3)->AsParameter()).GetCalcUnitName(), "t/h");
  EXPECT_FALSE(w.Enter("NoSuchItem", 0, "1").Applied);
}

// The water duty of examples/valve_water.case, four points.
const std::vector<std::string> kWaterDuty = {
    "FluidName = Wasser", "Phase = Flüssig", "UseXthOp = ja", "NoiseNormLiquid = IEC 60534-8-4", "PipeClass = EN 10220 Reihe 1, P235GH",
    "DN = 80", "DN1 = 80", "CheckP1 = ja", "EN13480Name = P235GH", "ValveType = Durchgangsventil", "DNV = 50",
    "kvs = 40", "Seat = 40", "fl2_75 = 0.81", "fd_75 = 0.46", "rw = 0.25", "T1 = 80", "P1 = 10", "Qm = 8000",
    "p2 = 7", "T1Ap2 = 80", "P1Ap2 = 9.5", "QmAp2 = 16000", "p2Ap2 = 6", "T1Ap3 = 80", "P1Ap3 = 9",
    "QmAp3 = 24000", "p2Ap3 = 2", "T1ApX = 20", "P1ApX = 10", "QmApX = 12000", "p2ApX = 8"};

// An edit typed into one cell of a row, with or without a unit (a unit
// becomes the unit of the whole row), against a fresh calculation of the
// same entries: every value of every point is the same, to the last bit,
// and an edit at a further point leaves the other further points' values
// where they were. Water through cavitation down to flashing, steam, and
// condensate flashing.
TEST(WorkspaceEntry, PointsAreIndependentOfTheOrderOfEdits) {
  struct Edit { const char* name; int point; const char* text; };
  struct Case { const char* example; std::vector<Edit> edits; };
  const Case cases[] = {
      {"valve_water.case",
       {{"p2", 1, "5"}, {"p2", 1, "4.5 bar(g)"}, {"p2", 1, "612 kPa(a)"}, {"p2", 1, "1"}, {"p2", 3, "7.9"},
        {"P1", 1, "9.4 bar(a)"}, {"p2", 1, "6 bar(a)"}, {"Qm", 2, "50000"}, {"Qm", 0, "9000"}, {"T1", 0, "120"},
        {"fl2_75", 0, "0.7"}}},
      {"valve_steam_noise.case", {{"p2", 1, "14"}, {"T1", 0, "212.4"}, {"p2", 2, "6"}}},
      {"valve_flashing.case", {{"p2", 1, "6"}, {"T1", 2, "170"}}},
  };
  const char* suffix[] = {"", "Ap2", "Ap3", "ApX"};
  for (const Case& c : cases) {
    std::vector<std::string> entries = ReadCaseFile(std::string(TORVACALC_SOURCE_DIR) + "/examples/" + c.example);
    TTorvaWorkspace edited;
    edited.EnterAll(entries);
    for (const Edit& e : c.edits) {
      SCOPED_TRACE(std::string(c.example) + ": " + e.name + " at point " + std::to_string(e.point) + " = " + e.text);
      std::vector<Extended> before;
      for (const TCalcParameter* p : edited.Parameters()) before.push_back(p->GetValue());
      ASSERT_TRUE(edited.Enter(e.name, e.point, e.text).Applied);
      entries.push_back(std::string(e.name) + suffix[e.point] + " = " + e.text);
      TTorvaWorkspace fresh;
      fresh.EnterAll(entries);
      const auto a = edited.Parameters(), b = fresh.Parameters();
      ASSERT_EQ(a.size(), b.size());
      for (size_t i = 0; i < a.size(); ++i) {
        const std::string& name = a[i]->GetName();
        if (name.rfind("When", 0) == 0) continue;  // each calculation its own moment
        const Extended va = a[i]->GetValue(), vb = b[i]->GetValue(), v0 = before[i];
        EXPECT_TRUE((IsNoValue(va) && IsNoValue(vb)) || va == vb)
            << name << ": " << static_cast<double>(va) << " vs " << static_cast<double>(vb);
        const int point = PointOfItemName(name);
        if (e.point > 0 && point > 0 && point != e.point) {
          EXPECT_TRUE((IsNoValue(va) && IsNoValue(v0)) || va == v0) << name << " moved";
        }
      }
      const auto& ia = edited.Super().GetMainCalcModule()->GetCalcItems();
      const auto& ib = fresh.Super().GetMainCalcModule()->GetCalcItems();
      for (size_t i = 0; i < ia.size(); ++i) {
        if (!ia[i]->AsParameter()) {
          EXPECT_EQ(ia[i]->GetText(), ib[i]->GetText()) << ia[i]->GetName();
        }
      }
    }
  }
  // A name the calculation looks up (the wanted actuator) takes effect when
  // typed, as in a fresh calculation.
  TTorvaWorkspace edited;
  edited.EnterAll(kWaterDuty);
  ASSERT_TRUE(edited.Enter("WantedActuator", 0, "SD 700/30 0.4-2.0 FC").Applied);
  EXPECT_EQ(edited.Item("ActuatorName", 0)->GetText(), "SD 700/30 0.4-2.0 FC");
  EXPECT_NEAR(edited.Item("ActuatorThrust", 0)->AsParameter()->GetValue(), 2800, 1e-9L);
}

// A calculation's results follow from its entries alone: computed first
// with the defaults and then with the entries (a new calculation in the
// window, typed into), or with the entries at once (the command line, a
// file opened), every value is the same to the last bit and the same
// messages stand at the same points.
TEST(WorkspaceEntry, ResultsDoNotDependOnTheDefaultsComputedBefore) {
  for (const char* example : {"valve_water.case", "valve_flashing.case", "valve_natural_gas.case",
                              "valve_steam_noise.case", "points.case", "actuator.case", "valve_wet_steam.case"}) {
    SCOPED_TRACE(example);
    const auto entries = ReadCaseFile(std::string(TORVACALC_SOURCE_DIR) + "/examples/" + example);
    TTorvaWorkspace typed, given{TTorvaWorkspace::TValuesFollow{}};
    typed.EnterAll(entries);
    given.EnterAll(entries);
    const auto a = typed.Parameters(), b = given.Parameters();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      if (a[i]->GetName().rfind("When", 0) == 0) continue;  // each calculation its own moment
      const Extended va = a[i]->GetValue(), vb = b[i]->GetValue();
      EXPECT_TRUE((IsNoValue(va) && IsNoValue(vb)) || va == vb)
          << a[i]->GetName() << ": " << static_cast<double>(va) << " vs " << static_cast<double>(vb);
    }
    const auto said = [](const TTorvaWorkspace& w) {
      std::vector<std::string> m;
      for (const TPointMessage& p : w.ReadMessages()) m.push_back(std::to_string(p.point) + " " + std::to_string(p.no) + " " + p.text);
      std::sort(m.begin(), m.end());
      return m;
    };
    EXPECT_EQ(said(typed), said(given));
  }
}

// What a calculation holds, to the last bit: every item of every module
// (exact value, text, unit, input state, flags, notes) and the JSON the
// command line prints (the points, what applies, the messages at their
// points); the moment of creation aside.
std::vector<std::string> Holdings(TTorvaWorkspace& w) {
  std::vector<std::string> lines;
  for (const TCalcState::Item& i : w.Super().SaveState().Items) {
    if (i.Name.rfind("When", 0) == 0) continue;
    std::ostringstream s;
    s << i.Module << ' ' << i.Name << '=' << NumberToText(i.Value) << " '" << i.Text << "' " << i.CalcUnitNo << ' '
      << int(i.InputState) << i.Overruled << i.Modified << i.SetByProgram << i.IsApproximated << i.Utilized;
    for (const std::string& n : i.Notes) s << " note " << n;
    lines.push_back(s.str());
  }
  std::ostringstream json;
  PrintPointsJson(w.Calculation(), json);
  std::string text = json.str();
  // Without <regex>: GCC 12 warns falsely inside it under the sanitizers.
  for (size_t at; (at = text.find("\"WhenCreated\":{")) != std::string::npos;)
    text.erase(at, text.find('}', at) + 1 - at);
  for (size_t at = 0; at < text.size();) {  // one line per item, for a readable difference
    const size_t end = std::min(text.find("},\"", at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// A batch builds one calculation and starts it again for each case: every
// example, run one after the other in either order (each after another
// medium, valve, noise method, points on or off, a case that stopped at an
// entry it could not take), holds what a calculation built for it holds.
TEST(WorkspaceEntry, ACalculationStartedAgainHoldsWhatANewOneHolds) {
  std::vector<std::string> cases;
  for (const auto& e : std::filesystem::directory_iterator(std::string(TORVACALC_SOURCE_DIR) + "/examples"))
    if (e.path().extension() == ".case") cases.push_back(e.path().string());
  std::sort(cases.begin(), cases.end());
  ASSERT_GE(cases.size(), 10u);
  const auto run = [](TTorvaWorkspace& w, const std::string& file) {
    try {
      w.EnterAll(ReadCaseFile(file));
    } catch (const ECalcEntry&) {
      // a module's case names items the whole calculation lacks: what
      // was entered before stays, in both calculations alike
    }
    return Holdings(w);
  };
  std::map<std::string, std::vector<std::string>> fresh;
  for (const std::string& c : cases) {
    TTorvaWorkspace w{TTorvaWorkspace::TValuesFollow{}};
    fresh[c] = run(w, c);
  }
  for (const bool reversed : {false, true}) {
    if (reversed) std::reverse(cases.begin(), cases.end());
    TTorvaWorkspace reused{TTorvaWorkspace::TReusable{}};
    for (size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE(cases[i] + (reversed ? " (backwards)" : ""));
      if (i > 0) reused.StartAgain();
      const std::vector<std::string> got = run(reused, cases[i]), want = fresh[cases[i]];
      ASSERT_EQ(got.size(), want.size());
      const auto differ = std::mismatch(got.begin(), got.end(), want.begin());
      EXPECT_TRUE(differ.first == got.end()) << *differ.first << "\n  new: " << *differ.second;
    }
  }
}

// Each open calculation converges to its own significant digits: neither
// the program's option nor another calculation changes its results.
TEST(WorkspaceEntry, EachCalculationKeepsItsOwnDigits) {
  const int program = HXOptions().SignificantDigits;
  TTorvaWorkspace fine;
  HXOptions().SignificantDigits = 3;  // the start of calculations made from now on
  TTorvaWorkspace coarse;
  HXOptions().SignificantDigits = program;
  ASSERT_EQ(coarse.Super().Numerics.SignificantDigits, 3);
  coarse.EnterAll(kWaterDuty);
  fine.EnterAll(kWaterDuty);
  TTorvaWorkspace fresh;
  fresh.EnterAll(kWaterDuty);
  for (int point = 0; point < 4; ++point) {
    const Extended a = fine.Item("kv", point)->AsParameter()->GetValue();
    const Extended b = coarse.Item("kv", point)->AsParameter()->GetValue();
    EXPECT_EQ(a, fresh.Item("kv", point)->AsParameter()->GetValue()) << point;
    EXPECT_NEAR(static_cast<double>(b / a), 1, 1e-3) << point;
  }
}

// The water duty written in US customary units (psi = 6894.757293168 Pa,
// lb = 0.45359237 kg, degF, Cv = US gpm at 1 psi, in = 25.4 mm; P1 of
// point X as gauge pressure, one standard atmosphere below).
const std::vector<std::pair<std::string, std::string>> kWaterDutyUs = {
    {"kvs", "46.24396913414505 GPM(US)"}, {"Seat", "1.5748031496062993 in"},
    {"T1", "176 °F"},        {"P1", "145.03773773021683 psi(a)"},    {"Qm", "17636.980974790207 lb/h"},
    {"p2", "101.52641641115177 psi(a)"}, {"T1Ap2", "176 °F"},      {"P1Ap2", "137.785850843706 psi(a)"},
    {"QmAp2", "35273.961949580415 lb/h"}, {"p2Ap2", "87.0226426381301 psi(a)"}, {"T1Ap3", "176 °F"},
    {"P1Ap3", "130.53396395719514 psi(a)"}, {"QmAp3", "52910.94292437062 lb/h"}, {"p2Ap3", "2 bar(a)"},
    {"T1ApX", "68 °F"},      {"P1ApX", "130.34178895470262 psi(g)"}, {"QmApX", "26455.47146218531 lb/h"},
    {"p2ApX", "116.03019018417346 psi(a)"}};

TEST(WorkspaceUnits, TheDutyInUsUnitsIsTheSameDuty) {
  std::vector<std::string> us = kWaterDuty;
  for (std::string& e : us)
    for (const auto& [name, text] : kWaterDutyUs)
      if (e.rfind(name + " = ", 0) == 0) e = name + " = " + text;
  TTorvaWorkspace si, entered;
  si.EnterAll(kWaterDuty);
  entered.EnterAll(us);
  // Every value of every point is the same; the results are shown in the
  // units the entries of their quantity were given in.
  const auto params = si.Parameters(), usParams = entered.Parameters();
  ASSERT_EQ(params.size(), usParams.size());
  for (size_t i = 0; i < params.size(); ++i) {
    const Extended a = params[i]->GetValue(), b = usParams[i]->GetValue();
    EXPECT_TRUE((IsNoValue(a) && IsNoValue(b)) || std::fabs(a - b) <= 1e-9L * std::max(1.0L, std::fabs(a)))
        << params[i]->GetName() << ": " << static_cast<double>(a) << " vs " << static_cast<double>(b);
  }
  const std::pair<const char*, const char*> shown[] = {
      {"QmValve", "lb/h"}, {"T2Medium", "°F"}, {"kv", "Cv"}, {"p1Max", "psi(a)"}, {"QmDN", "lb/h"}};
  for (const auto& [name, unit] : shown)
    EXPECT_EQ(ShownParameter(*entered.Item(name, 0)->AsParameter()).GetCalcUnitName(), unit) << name;

  // The preset shows the SI duty in US units: the same numbers as the duty
  // entered in them, saved and opened again in those units.
  si.ApplyUnitPreset(TUnitPreset::US);
  const Extended bore = si.Item("DiP", 0)->AsParameter()->GetValue();  // mm
  const std::pair<const char*, Extended> preset[] = {
      {"P1", 145.03773773021683L}, {"T1", 176},   {"Qm", 17636.980974790207L},
      {"kvs", 46.24396913414505L}, {"DiP", bore / 25.4L}, {"p2", 101.52641641115177L}};
  for (const auto& [name, value] : preset)
    EXPECT_NEAR(ShownParameter(*si.Item(name, 0)->AsParameter()).GetDisplayValue(), value, 1e-9L * value) << name;
  const std::string file = std::filesystem::temp_directory_path() / ("torvacalc-us-" + std::to_string(::getpid()) + ".cvc");
  si.Save(file);
  TTorvaWorkspace opened;
  opened.Load(file);
  std::filesystem::remove(file);
  const auto openedParams = opened.Parameters();
  for (size_t i = 0; i < params.size(); ++i)
    EXPECT_EQ(ShownParameter(*openedParams[i]).GetCalcUnitName(), ShownParameter(*params[i]).GetCalcUnitName())
        << params[i]->GetName();
  si.ApplyUnitPreset(TUnitPreset::SI);
  EXPECT_EQ(FieldText(*si.Item("P1", 0)), "10");
  EXPECT_EQ(ShownParameter(*si.Item("kv", 2)->AsParameter()).GetCalcUnitName(), "m³/h");
}

// The rows that apply to a duty, and those that do not.
struct RelevanceCase {
  const char* duty;
  std::vector<std::string> entries, relevant, irrelevant;
};
const RelevanceCase kRelevanceCases[] = {
    {"water, globe valve",
     {},
     {"SigmaP", "SaturatedPhase", "PvW1", "GlobeType", "Kc", "pv2"},
     {"Kappa1", "fk", "CStar", "tStar", "pStar", "xt", "PulpeType", "HumidityType", "RotaryType", "BallValveType",
      "ButterflyType", "DNSug07", "DNSug100", "ResistorType", "dRes", "NoiseNormGas", "qmCalc", "p1Calc", "xMv1",
      "EnterXorH"}},
    {"flow from the Kv", {"WhatToCalculate = Massenstrom", "kv = 5"}, {"qmCalc", "QvCalc"}, {"p1Calc"}},
    // The level terms of the VDMA guideline belong to its methods only.
    {"noise by IEC 60534-8-4", {"NoiseNormLiquid = IEC 60534-8-4"}, {"Lpi"}, {"La1", "La2"}},
    {"noise by VDMA 24422 (1979)", {"NoiseNormLiquid = VDMA 24422 (1979)"}, {"La1", "La2"}, {}},
    {"air",
     {"FluidName = Luft", "Phase = Gas"},
     {"Kappa1", "fk", "CStar", "xt", "DNSug07", "GlobeType"},
     {"SigmaP", "SigmaId", "SaturatedPhase", "PvW1", "Kc", "uMaxCav", "HumidityType", "PulpeType"}},
    {"moist air, ball valve, orifice",
     {"FluidName = Luft", "Phase = Gas", "GasMedium = #1", "ValveType = Kugelhahn", "UseResistors = ja"},
     {"HumidityType", "PhiRel", "PvW1", "BallValveType", "ResistorType", "dRes"},
     {"GlobeType", "SigmaP"}},
    // What the user typed is shown back, meaning or not.
    {"an exponent typed for water", {"Kappa1 = 1.3"}, {"Kappa1"}, {"fk"}},
    // Wet steam: its vapour fraction and how it is given; the injection
    // nozzle behind a spray-water valve is a resistor.
    {"wet steam", {"Phase = Zweiphasig (Flüssig/Dampf)", "T1 = 179.89"}, {"xMv1", "EnterXorH", "Kappa1", "xFG"},
     {"HumidityType", "xMv2", "xOutletMedium", "SigmaI", "Sigma"}},
    {"spray-water valve", {"InjectionValve = ja"}, {"ResistorType", "dRes"}, {"Kappa1"}},
    // Each point by what it is: point 3 is superheated steam (250 degC at
    // 9 bar, 2 t/h: superheated still at 2 bar behind the valve), the
    // liquid points beside it neither expand nor flash.
    {"water, point 3 steam",
     {"T1Ap3 = 250", "QmAp3 = 2000"},
     {"Kappa1Ap3", "fkAp3", "xtAp3", "SigmaP", "Kc", "pv2"},
     {"Kappa1", "fk", "SigmaPAp3", "KcAp3", "pv2Ap3", "PvW1Ap3", "rhoV2", "dhv2", "rhoV2Ap3", "dhv2Ap3"}},
    // Steam that stays superheated behind the valve: no saturated vapour,
    // no heat of vaporization, no vapour pressure at the outlet.
    {"superheated steam",
     {"Phase = Dampfförmig", "T1 = 300", "T1Ap2 = 300", "T1Ap3 = 300", "T1ApX = 300"},
     {"Kappa1", "xt"},
     {"rhoV2", "dhv2", "pv2", "PvW1", "SigmaP", "RhoL", "RhoV", "Dhv", "dHvT"}},
    // Hot water flashing at point 1 (170 degC: 7.9 bar vapour pressure,
    // 4 bar behind the valve): the vapour leaving with the liquid counts
    // there, not at point 2 (80 degC).
    // The cavitation indices mean nothing there (no bubble collapses
    // below the vapour pressure), at point 2 they do.
    {"flashing at point 1",
     {"T1 = 170", "p2 = 4"},
     {"rhoV2", "dhv2", "SigmaPAp2", "SigmaAp2", "Kc", "dpLimit"},
     {"rhoV2Ap2", "dhv2Ap2", "Kappa1", "SigmaP", "Sigma", "SigmaCh"}},
};

TEST(WorkspaceRelevance, OnlyTheRowsThatApply) {
  for (const RelevanceCase& c : kRelevanceCases) {
    SCOPED_TRACE(c.duty);
    TTorvaWorkspace w;
    std::vector<std::string> entries = kWaterDuty;
    entries.insert(entries.end(), c.entries.begin(), c.entries.end());
    w.EnterAll(entries);
    for (const std::string& n : c.relevant) EXPECT_TRUE(w.Relevant(n, 0)) << n;
    for (const std::string& n : c.irrelevant) EXPECT_FALSE(w.Relevant(n, 0)) << n;
  }
}

// Whether an item reads as used is the word of the modules that use it,
// the same at every point whichever module calculated last: a module that
// only carries an item along (the flow conversions, the spray water) has
// no say, nor has the characteristic that reads the points' states. Once
// the inlet temperature of a gas and the isentropic exponent of steam read
// as not used, the humidity of water as used at points 2 and 3 only, and
// the entries missing at points 2 and 3 of a medium as not used.
TEST(WorkspaceLook, ItemsReadAsUsedByTheModulesThatUseThem) {
  struct Case {
    const char* example;
    std::vector<std::string> used, unused;
  };
  const Case cases[] = {
      {"valve_natural_gas.case", {"T1", "Z1", "Kappa1", "P1"}, {}},
      {"valve_steam_noise.case", {"T1", "Kappa1"}, {"Pv1"}},
      {"valve_water.case", {"T1", "Pv1"}, {"Kappa1", "PhiRel"}},
      {"substance_gas.case", {"T1", "P1", "Z1"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.example);
    TTorvaWorkspace w{TTorvaWorkspace::TValuesFollow{}};
    w.EnterAll(ReadCaseFile(std::string(TORVACALC_SOURCE_DIR) + "/examples/" + c.example));
    for (int op = 0; op < 3; ++op) {
      for (const std::string& n : c.used) EXPECT_TRUE(w.Item(n, op)->GetUtilized()) << n << " at " << op;
      for (const std::string& n : c.unused) EXPECT_FALSE(w.Item(n, op)->GetUtilized()) << n << " at " << op;
    }
  }
}

// Cooling water through a globe valve DN 65, Kvs 63, at three duties, no
// pipe material: what the engineer reads, each fact once under its point
// ("A" for all points), for the duty and the entries of each row.
const std::vector<std::string> kThreeDuties = {
    "FluidName = Wasser", "Phase = Flüssig", "ValveType = Durchgangsventil", "DNV = 65", "kvs = 63",
    "NoOfEnteredOps = 3", "T1 = 25", "P1 = 8", "Qm = 20000", "p2 = 6", "T1Ap2 = 25", "P1Ap2 = 8",
    "QmAp2 = 40000", "p2Ap2 = 5.5", "T1Ap3 = 25", "P1Ap3 = 8", "QmAp3 = 60000", "p2Ap3 = 5"};
struct MessagesCase {
  const char* duty;
  std::vector<std::string> entries;
  std::vector<std::string> read;    // "POINT:NO" read (once each)
  std::vector<std::string> absent;  // "POINT:NO" not read
  bool onlyThese = false;           // nothing is read but `read`
};
const MessagesCase kMessageCases[] = {
    // Without the pipe material the noise lacks the speed of sound in the
    // wall: asked for once (101), not again as a failure at every point
    // (103), nor as a hint that the density of steel standing in for it is
    // approximate (102); the flow state once per point; the velocity of the
    // largest duty above the limit for DN 65 (1710).
    {"three duties", {}, {"A:101", "A:1710", "A:1805", "1:973", "2:920", "3:920", "3:1501"}, {"A:102"}, true},
    // Swapped pressures at point 3, seen by the sizing and the actuator: one
    // 903 there.
    {"p2 above p1 at point 3", {"p2Ap3 = 9"}, {"3:903"}, {"1:903", "2:903"}},
    // Flashing at point 1 (170 °C: 7.9 bar vapour pressure, 4 bar behind
    // the valve): no cavitation hint beside it.
    {"flashing at point 1", {"T1 = 170", "p2 = 4"}, {"1:917"}, {"1:974", "1:920"}},
    // Choked by cavitation at point 3: the alarm, not the hint that
    // cavitation merely sets in.
    {"choked at point 3", {"p2Ap3 = 1"}, {"3:918"}, {"3:974", "3:920"}},
    // Kvs too small: the main module's 1901 names the point; the valve
    // module's 935 is not read beside it.
    {"Kvs below Kv", {"kvs = 10"}, {"3:1901"}, {"3:935"}},
    // Kvs 250: point 3 needs Kv 34.8 (14 %), the valve is oversized; the
    // opening warning at point 3 gives way to it, point 1 (6 %) keeps its own.
    {"oversized", {"kvs = 250"}, {"3:1908", "1:1902"}, {"3:1902", "2:1902"}},
    // Water at 300 °C and 90 bar(a) at point 3: no rating of the catalogue
    // holds it there; the PN 100 valve picked by hand (cast carbon steel,
    // group 3E0) holds 69 bar(g) at 300 °C, though 100 at room temperature.
    {"body rating at the temperature of point 3",
     {"ValveFromDatabase = ja", "T1Ap3 = 300", "P1Ap3 = 90", "p2Ap3 = 87", "AllValves = DN 65, Kvs 63, PN 100"},
     {"3:1909"}, {"1:1909", "2:1909", "A:1702"}},
    // Air at 274 m/s in the outlet pipe of point 3 (the inlet pipe's size
    // unknown): the noise module's Mach 0.3 warning, not the pipe velocity
    // warning beside it.
    {"gas above Mach 0.3 in the outlet pipe",
     {"FluidName = Luft", "Phase = Gasförmig", "Qm = 2000", "QmAp2 = 3000", "QmAp3 = 9000", "p2Ap3 = 2"},
     {"3:1513"}, {"3:909"}},
    // Point 3 hot enough to be steam though a liquid is declared: one
    // message says so; the liquid's speed limits and the valve's boiling
    // check do not judge it again.
    {"point 3 steam though liquid is declared", {"T1Ap3 = 250"}, {"3:111"}, {"3:110", "3:981", "3:909", "3:1501"}},
    // Heavy fuel oil, whose library gives no vapour pressure: the noise
    // cannot be computed, said once by the message that names what is
    // missing, not again as a point outside the noise method (1505).
    {"heavy fuel oil without a vapour pressure",
     {"FluidName = Heizöl schwer (RMG 380)", "T1 = 100", "T1Ap2 = 100", "T1Ap3 = 100", "EN13480Name = P235GH",
      "PipeClass = EN 10220 Reihe 1, P235GH", "DN = 80", "DN1 = 80"},
     {"1:1907", "2:1907", "3:1907"}, {"1:1505", "2:1505", "3:1505"}},
    // Liquid nitrogen at -185 °C, whose library gives no viscosity: the
    // Reynolds number factor taken as 1 is said at every point alike (the
    // first point's viscosity row, shown only with a value, hid it there).
    {"liquid nitrogen without a viscosity",
     {"FluidName = Stickstoff", "T1 = -185", "T1Ap2 = -185", "T1Ap3 = -185", "Qm = 2000", "QmAp2 = 3000",
      "QmAp3 = 4000"},
     {"1:966", "2:966", "3:966"}, {"A:966"}},
    // A negative flow: it must be greater than zero, not "outside the
    // range from 1E-23 t/h"; refused, it is not passed on through the
    // valve to be compared with the other points' flows (1905).
    {"negative flow at point 2", {"QmAp2 = -3 t/h"}, {"2:119"}, {"2:120", "2:1905", "1:1905", "3:1905"}},
    // Wet steam of 10 bar(a), 5 % moisture, let down to 6 bar(a): the
    // medium behind the valve takes the vapour fraction the throttling
    // leaves (nothing missing at the point), and the outlet velocity is
    // judged (DN 65 at 76 m/s); the mixture has a viscosity; the flow,
    // sized as the vapour it mostly is, is judged not choked (x 0.4).
    {"wet steam let down",
     {"Phase = Zweiphasig (Flüssig/Dampf)", "NoOfEnteredOps = 1", "P1 = 10", "T1 = 179.89", "xMv1 = 95",
      "Qm = 3000", "p2 = 6"},
     {"1:1501", "1:976"}, {"1:101", "1:966"}},
    // Point X switched on without its duty: its inputs are missing there.
    {"point X on, empty", {"UseXthOp = ja"}, {"X:101"}, {}},
    // Point X off: what was entered for it raises nothing.
    {"point X off", {"UseXthOp = nein", "T1ApX = 25", "P1ApX = 1", "QmApX = 90000", "p2ApX = 3"}, {}, {"X:101"}},
};

TEST(WorkspaceMessages, EachFactOnceUnderThePointItConcerns) {
  const char* keys = "123X";
  for (const MessagesCase& c : kMessageCases) {
    SCOPED_TRACE(c.duty);
    TTorvaWorkspace w;
    std::vector<std::string> entries = kThreeDuties;
    entries.insert(entries.end(), c.entries.begin(), c.entries.end());
    w.EnterAll(entries);
    const auto facts = PointMessages(w.Calculation(), LayoutOfCalculation(w.Calculation()));
    std::vector<std::string> read;
    for (const TPointMessage& f : facts) {
      const std::string key = std::string(1, f.point == kAllPoints ? 'A' : keys[f.point]) + ":" + std::to_string(f.no);
      EXPECT_EQ(std::count(read.begin(), read.end(), key), 0) << key << " twice";
      read.push_back(key);
      EXPECT_EQ(std::set<std::string>(f.items.begin(), f.items.end()).size(), f.items.size()) << key;
    }
    std::string all;
    for (const std::string& r : read) all += r + " ";
    for (const std::string& r : c.read) EXPECT_EQ(std::count(read.begin(), read.end(), r), 1) << r << " in " << all;
    for (const std::string& a : c.absent) EXPECT_EQ(std::count(read.begin(), read.end(), a), 0) << a << " in " << all;
    if (c.onlyThese) {
      EXPECT_EQ(read.size(), c.read.size()) << all;
    }
    EXPECT_LE(std::count_if(read.begin(), read.end(), [](const std::string& r) { return r.ends_with(":102"); }), 1);
  }
  // A new calculation asks for entries and says nothing else (no bounds
  // of a count not yet made, no hint about a stand-in value); the size of
  // the pipe is asked for, not the diameter that follows from it.
  TTorvaWorkspace fresh;
  const auto facts = fresh.ReadMessages();
  EXPECT_FALSE(facts.empty());
  for (const TPointMessage& f : facts) {
    EXPECT_EQ(f.type, cmMissingParameter) << f.no << " " << f.text;
    EXPECT_EQ(std::count(f.items.begin(), f.items.end(), "DaP"), 0);
  }
}

// Every text a person reads of the whole calculation and of the modules
// on their own (captions, choices, the message catalogue): German with its
// umlauts, English without German.
// A calculation open while the language changes: the medium's name from
// the database follows, the medium and the results stay.
// What a JSON reader gets: escapes wherever one is due (also past the
// first eight bytes, which are tested a word at a time), and numbers as the
// shortest text of the nearest double, or the long double's own text
// outside a double's range.
TEST(WorkspaceJson, StringsEscapedAndNumbersReadBackAsDoubles) {
  const std::pair<std::string, std::string> strings[] = {
      {"m³/h Dämpfung", "\"m³/h Dämpfung\""}, {"1234567\"quote", "\"1234567\\\"quote\""},
      {"back\\slash", "\"back\\\\slash\""}, {"abcdefghij\tklmnopq", "\"abcdefghij\\tklmnopq\""},
      {std::string("nul\0", 4), "\"nul\\u0000\""}, {"\x1f", "\"\\u001f\""}};
  const std::pair<Extended, std::string> numbers[] = {
      {0.1L, "0.1"}, {46364.499836274801055L, "46364.4998362748"}, {-0.0L, "-0"}, {1E-320L, "1e-320"},
      {1E400L, "1e+400"}, {-1E-400L, "-1e-400"}, {NoValue, "null"}};
  std::ostringstream out;
  {
    TJsonWriter w(out);
    w.BeginArray();
    for (const auto& [text, json] : strings) w.String(text);
    for (const auto& [v, json] : numbers) w.Number(v);
    w.EndArray();
  }
  std::string expected = "[";
  for (const auto& [text, json] : strings) expected += json + ",";
  for (const auto& [v, json] : numbers) expected += json + ",";
  expected.back() = ']';
  EXPECT_EQ(out.str(), expected);
}

TEST(WorkspaceTexts, AnOpenCalculationFollowsTheLanguage) {
  {  // made while the program speaks English, shown in German
    ASSERT_TRUE(SetLanguage("en"));
    TTorvaWorkspace english;
    ASSERT_TRUE(SetLanguage("de"));
    EXPECT_EQ(english.Item("UseExtFluid", 0)->GetCaption(), "Stoffbibliothek verwenden");
  }
  ASSERT_TRUE(SetLanguage("de"));
  TTorvaWorkspace w;
  w.EnterAll(ReadCaseFile(std::string(TORVACALC_SOURCE_DIR) + "/examples/valve_natural_gas.case"));
  EXPECT_EQ(ItemValueText(*w.Item("FluidName", 0)).rfind("Erdgas", 0), 0u) << ItemValueText(*w.Item("FluidName", 0));
  const Extended kv = w.Item("kv", 0)->AsParameter()->GetValue();
  ASSERT_TRUE(SetLanguage("en"));
  w.LanguageChanged();
  EXPECT_EQ(ItemValueText(*w.Item("FluidName", 0)).rfind("Natural gas", 0), 0u)
      << ItemValueText(*w.Item("FluidName", 0));
  EXPECT_EQ(w.Item("kv", 0)->AsParameter()->GetValue(), kv);
  ASSERT_TRUE(SetLanguage("de"));
  w.LanguageChanged();
  EXPECT_EQ(ItemValueText(*w.Item("FluidName", 0)).rfind("Erdgas", 0), 0u);
}

TEST(WorkspaceTexts, GermanWithUmlautsEnglishWithoutGerman) {
  // Stems that German writes with an umlaut or a sharp s.
  const char* transliterated[] = {"ueber", "fluessig", "stroem", "groess", "schliess", "ausserhalb", "zulaessig",
                                  "fuer", "gueltig", "waerme", "oeffn", "geraeusch", "verhaeltnis", "pruef",
                                  "moeglich", "koennen", "muessen", "hoechst", "laenge", "flaeche", "viskositaet",
                                  "foermig", "aender", "gewaehl", "naeher", "schaed", "daempf"};
  const char* german[] = {"und", "nicht", "der", "die", "das", "mit", "für", "ist", "oder", "wasser", "erdgas",
                          "luft", "druck", "ventil", "betriebspunkt", "eingabe", "ammoniak", "schwefeldioxid",
                          "pseudokomponente", "schließend", "öffnend", "membranantrieb", "kolbenantrieb"};
  const char* english[] = {"the", "sample", "natural", "actuators", "flow to close", "flow to open"};
  auto lower = [](std::string t) {
    for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const auto& [from, to] : {std::pair{"Ä", "ä"}, {"Ö", "ö"}, {"Ü", "ü"}})
      for (size_t at = t.find(from); at != std::string::npos; at = t.find(from)) t.replace(at, 2, to);
    return t;
  };
  auto words = [&](const std::string& text) {
    std::vector<std::string> w;
    std::string cur;
    for (char ch : lower(text) + " ") {
      if (std::isalpha(static_cast<unsigned char>(ch)) || (ch & 0x80)) {
        cur += ch;
      } else if (!cur.empty()) {
        w.push_back(cur);
        cur.clear();
      }
    }
    return w;
  };
  for (const char* language : {"de", "en"}) {
    SCOPED_TRACE(language);
    ASSERT_TRUE(SetLanguage(language));
    std::vector<std::pair<std::string, std::string>> texts;  // where, text
    auto walkModule = [&](const TCalcModule& m) {
      for (const TCalcItem* item : m.GetCalcItems()) {
        texts.emplace_back(item->GetName(), item->GetCaption());
        // The media's names stay in the language the process first made
        // their list in: they are read from the database below.
        if (const auto* s = dynamic_cast<const TCustomCalcMultiSwitch*>(item);
            s && item->GetName() != "FluidName")
          for (const std::string& v : s->GetTranslatedValueList()) texts.emplace_back(item->GetName(), v);
      }
    };
    TTorvaWorkspace w;
    std::function<void(const TCalcComponent&)> walk = [&](const TCalcComponent& c) {
      if (const auto* m = dynamic_cast<const TCalcModule*>(&c)) walkModule(*m);
      for (const TCalcComponent* child : c.Children()) walk(*child);
    };
    walk(w.Super());
    // Texts the calculation words itself (an actuator's type, a maker's
    // name), on every example.
    for (const auto& example : std::filesystem::directory_iterator(std::string(TORVACALC_SOURCE_DIR) + "/examples")) {
      if (example.path().extension() != ".case" || example.path().stem().string().rfind("valve_", 0) != 0) continue;
      TTorvaWorkspace x;
      try {
        x.EnterAll(ReadCaseFile(example.path().string()));
      } catch (const std::exception&) {
        continue;  // a case of a single module (`torvacalc module`)
      }
      std::function<void(const TCalcComponent&)> strings = [&](const TCalcComponent& c) {
        if (const auto* m = dynamic_cast<const TCalcModule*>(&c))
          for (const TCalcItem* item : m->GetCalcItems())
            if (dynamic_cast<const tCalcString*>(item) && item->GetInputState() == isDatabase)
              texts.emplace_back(item->GetName(), item->GetText());
        for (const TCalcComponent* child : c.Children()) strings(*child);
      };
      strings(x.Super());
    }
    for (const TModuleKind& kind : ModuleKinds()) {
      const TStandaloneModule alone(kind);
      walkModule(alone.Module());
    }
    const TDataModuleCDSSubstance& media = TDataModuleCDSSubstance::Default();
    for (int i = 0; i < media.Count(); ++i) {
      texts.emplace_back("medium", media.Name(i, language));
      if (const auto d = media.Describe(i)) texts.emplace_back("medium", d->Fields.at("Description"));
    }
    for (int no = 1; no < 3000; ++no)
      if (const auto row = TDataModuleMessages::Instance().Find(no, language); row && row->LanguageNo == language)
        texts.emplace_back("message " + std::to_string(no), row->Text);
    ASSERT_GT(texts.size(), 2000u);
    std::set<std::string> flagged;
    for (const auto& [where, text] : texts) {
      const std::string low = lower(text);
      if (std::string(language) == "de") {
        for (const std::string& word : words(text))
          for (const char* stem : transliterated)
            if (word.find(stem) != std::string::npos) flagged.insert(where + ": " + text);
        for (const char* e : english)
          if ((" " + low + " ").find(std::string(" ") + e + " ") != std::string::npos) flagged.insert(where + ": " + text);
      } else {
        for (const std::string& word : words(text))
          for (const char* g : german)
            if (word == g) flagged.insert(where + ": " + text);
      }
    }
    std::string list;
    for (const std::string& f : flagged) list += "\n  " + f;
    EXPECT_TRUE(flagged.empty()) << flagged.size() << " texts:" << list;
  }
  SetLanguage("de");
}

// The catalogue's candidates for the duty of examples/valve_from_catalogue.case
// (largest Kv 9.283 m³/h, so Kvs >= 1.1 * 9.283 = 10.21; smallest size
// DN 50 by the outlet velocity; 10 bar(a) at 80 °C, PN 16 holds it). The
// travel at point 1 (Kv 4.687 m³/h) by hand: equal percentage with
// rangeability 50, h = ln(Kv/Kvs / 0.02) / ln 50; linear,
// h = (Kv/Kvs - 0.02) / 0.98.
TEST(CatalogueChoice, CandidatesForTheDutyAndOneUndoStepToTakeOneOver) {
  TTorvaWorkspace ws;
  ws.EnterAll(ReadCaseFile(TORVACALC_SOURCE_DIR "/examples/valve_from_catalogue.case"));
  const std::vector<TValveCandidate> valves = ValveCandidates(ws);
  ASSERT_FALSE(valves.empty());
  int current = 0;
  for (const TValveCandidate& c : valves) {
    EXPECT_GE(c.Kvs, 1.1 * 9.283) << c.Series << " DN " << c.DN;
    EXPECT_GE(c.DN, 50);
    EXPECT_EQ(c.Rating, c.Series == "Series G2 globe, drilled cage" ? "PN 40" : "PN 16");  // its lowest rating
    current += c.Current;
  }
  EXPECT_EQ(current, 1);  // the catalogue's own choice, DN 50, Kvs 25
  const struct {
    const char* series;
    int dn;
    double kvs, travel1;
  } rows[] = {
      {"Series G1 globe", 50, 25, 100 * std::log(4.687 / 25 / 0.02) / std::log(50.0)},   // 57.21 %
      {"Series G1 globe", 50, 16, 100 * std::log(4.687 / 16 / 0.02) / std::log(50.0)},   // 68.62 %
      {"Series G1L globe", 50, 16, 100 * (4.687 / 16 - 0.02) / 0.98},                      // 27.85 %
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.series) + " Kvs " + std::to_string(row.kvs));
    const auto it = std::find_if(valves.begin(), valves.end(), [&](const TValveCandidate& c) {
      return c.Series == row.series && c.DN == row.dn && c.Kvs == row.kvs;
    });
    ASSERT_NE(it, valves.end());
    EXPECT_NEAR(static_cast<double>(it->Opening[0]), row.travel1, 0.3);
    EXPECT_TRUE(HasValue(it->LpAa[2]));  // noise of the cavitating point 3
  }
  // A valve entered by hand (valve_water.case): the same duty gets
  // candidates, none of them the valve it holds, each with its travel.
  {
    TTorvaWorkspace byHand;
    byHand.EnterAll(kWaterDuty);
    const std::vector<TValveCandidate> offered = ValveCandidates(byHand);
    ASSERT_FALSE(offered.empty());
    for (const TValveCandidate& c : offered) {
      EXPECT_FALSE(c.Current);
      EXPECT_TRUE(HasValue(c.Opening[0]) && HasValue(c.Opening[3])) << c.Series << " DN " << c.DN;
    }
  }
  // Taking one over: the calculation holds it, and one undo brings the
  // catalogue's choice back.
  const auto g1l = std::find_if(valves.begin(), valves.end(),
                                [](const TValveCandidate& c) { return c.Series == "Series G1L globe" && c.DN == 65; });
  ASSERT_NE(g1l, valves.end());
  ASSERT_TRUE(ws.EnterSteps(g1l->Entries).Applied);
  EXPECT_EQ(ws.Item("VSeries", 0)->GetText(), "Series G1L globe");
  EXPECT_DOUBLE_EQ(static_cast<double>(ws.Item("DNV", 0)->AsParameter()->GetCalcValue()), 65);
  EXPECT_NEAR(static_cast<double>(ws.Item("h", 0)->AsParameter()->GetCalcValue()), static_cast<double>(g1l->Opening[0]), 1e-6);
  ASSERT_TRUE(ws.Undo());
  EXPECT_EQ(ws.Item("VSeries", 0)->GetText(), "Series G1 globe");
  EXPECT_DOUBLE_EQ(static_cast<double>(ws.Item("kvs", 0)->AsParameter()->GetCalcValue()), 25);

  // Actuators: the margin is the thrust less the required one, and the
  // first that fits (by thrust) is the one the catalogue module chose.
  const std::vector<TActuatorCandidate> actuators = ActuatorCandidates(ws);
  ASSERT_FALSE(actuators.empty());
  const std::string chosen = ws.Item("ActuatorName", 0)->GetText();
  const auto first = std::find_if(actuators.begin(), actuators.end(), [](const TActuatorCandidate& a) { return a.Fits; });
  ASSERT_NE(first, actuators.end());
  EXPECT_EQ(first->Name, chosen);
  EXPECT_TRUE(first->Current);
  ASSERT_TRUE(ws.EnterSteps(actuators.back().Entries).Applied);
  EXPECT_EQ(ws.Item("ActuatorName", 0)->GetText(), actuators.back().Name);
  for (const TActuatorCandidate& a : actuators)
    if (HasValue(a.Thrust)) {
      EXPECT_NEAR(static_cast<double>(a.Margin), static_cast<double>(a.Thrust - a.Required), 1e-9);
      if (a.Fits) {
        EXPECT_GE(a.MarginPercent, 10.0) << a.Name;
      }
    }
}

}  // namespace
}  // namespace torvacalc
