// The flow layer: a flow given at one point is converted with that point's
// state only, the numbers are the stand-alone flow module's, and the flow
// modules of points that are off do not calculate.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "assembly/main_items.h"
#include "assembly/scm_flow.h"

namespace torvacalc {
namespace {

using TCalc = TCustomSCM3SubstancesMaterialPipe3Flow;

struct TPointState {
  const char *T, *P;
};

std::unique_ptr<TCalc> Calculation(const char* fluid, const TPointState (&points)[4]) {
  auto calc = CreateCalculation<TCalc>();
  calc->BeginSetValues();
  calc->Enter("UseXthOp", "ja");
  calc->Enter("FluidName", fluid);
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    calc->Enter("T1" + k, points[point - 1].T);
    calc->Enter("P1" + k, points[point - 1].P);
  }
  calc->EndSetValues();
  return calc;
}

// The stand-alone flow module fed with what the assembly shows at a point.
struct TAloneFlow {
  TCalcMessageContainer messages;
  TCMAllFlow m;
  TAloneFlow(TCalc& calc, int point, const std::string& given, Extended value) {
    const std::string k = OpSuffix(point);
    m.SetCalcMessageContainer(&messages);
    for (const char* s : {"QmOrQv", "QmOrQvMoist", "Phase", "GasMedium", "StandardConditions"})
      m.CalcItemByName(s)->SetText(calc.GetText(s));
    const std::pair<const char*, std::string> values[] = {
        {"Rho", "Rho1" + k}, {"RhoN", "RhoN"}, {"p1", "P1" + k},         {"t1", "T1" + k},
        {"z1", "Z1" + k},    {"zn", "Zn"},     {"PhiRel", "PhiRel" + k}, {"pvw1", "PvW1" + k}};
    for (const auto& [mine, theirs] : values) m.CalcItemByName(mine)->AsParameter()->SetValue(calc.GetValue(theirs));
    m.CalcItemByName(given)->AsParameter()->SetValue(value);
    m.SetActive(true);
  }
  ~TAloneFlow() {
    messages.RemoveAllMessages();
    m.SetCalcMessageContainer(nullptr);
  }
  Extended Get(const std::string& n) const { return m.CalcItemByName(n)->AsParameter()->GetValue(); }
};

TEST(FlowLayer, FlowAtOnePointIsConvertedThereOnly) {
  struct Case {
    const char* source;
    const char* fluid;
    TPointState points[4];
    int givenAs;  // QmOrQv: 0 mass flow, 1 volume flow
    const char *given, *converted;
  };
  const Case cases[] = {
      {"water, mass flow", "Wasser", {{"20", "6"}, {"80", "5"}, {"150", "10"}, {"60", "3"}}, 0, "Qm", "Qv"},
      {"water, volume flow", "Wasser", {{"20", "6"}, {"80", "5"}, {"150", "10"}, {"60", "3"}}, 1, "Qv", "Qm"},
      {"nitrogen, mass flow", "Stickstoff", {{"20", "6"}, {"80", "5"}, {"150", "10"}, {"60", "3"}}, 0, "Qm", "Qn"},
  };
  for (const Case& c : cases) {
    for (int point : {1, 2, 3, 4}) {
      SCOPED_TRACE(std::string(c.source) + ", point " + std::to_string(point));
      auto calc = Calculation(c.fluid, c.points);
      static_cast<TCustomCalcMultiSwitch*>(calc->Item("QmOrQv"))->SetSwitchStatus(c.givenAs);
      const std::string k = OpSuffix(point);
      calc->SetValue(c.given + k, 12.5L);
      TAloneFlow alone(*calc, point, c.given, 12.5L);
      EXPECT_TRUE(HasValue(alone.Get(c.converted)));
      EXPECT_EQ(calc->GetValue(c.converted + k), alone.Get(c.converted));
      for (int other : {1, 2, 3, 4})
        if (other != point) {
          SCOPED_TRACE(other);
          EXPECT_FALSE(HasValue(calc->GetValue(std::string(c.converted) + OpSuffix(other))));
        }
    }
  }
}

TEST(FlowLayer, FlowModulesOfPointsThatAreOffDoNotCalculate) {
  const TPointState points[4] = {{"20", "6"}, {"80", "5"}, {"150", "10"}, {"60", "3"}};
  auto calc = Calculation("Wasser", points);
  calc->SetValue("NoOfEnteredOps", 1);
  static_cast<TCalcSwitch*>(calc->Item("UseXthOp"))->SetChecked(false);
  int passes[5] = {};
  for (int point : {1, 2, 3, 4})
    calc->Flow(point)->Module().AfterCalculate = [&passes, point](TCalcModule&) { ++passes[point]; };
  for (int point : {1, 2, 3, 4}) calc->SetValue(std::string("Qm") + OpSuffix(point), 10);
  EXPECT_GE(passes[1], 1);
  EXPECT_EQ(passes[2] + passes[3] + passes[4], 0);
  EXPECT_TRUE(HasValue(calc->GetValue("Qv")));
  for (const char* k : {"Ap2", "Ap3", "ApX"}) EXPECT_FALSE(HasValue(calc->GetValue(std::string("Qv") + k)));
  // Switched on again, the points convert what was entered meanwhile.
  calc->SetValue("NoOfEnteredOps", 3);
  static_cast<TCalcSwitch*>(calc->Item("UseXthOp"))->SetChecked(true);
  for (const char* k : {"Ap2", "Ap3", "ApX"}) {
    SCOPED_TRACE(k);
    EXPECT_EQ(calc->GetValue(std::string("Qv") + k), 10 / calc->GetValue(std::string("Rho1") + k));
  }
}

// Every item of the main module: text and, for parameters, the exact value.
std::map<std::string, std::pair<std::string, Extended>> AllValues(const TSuperCalcModule& calc) {
  std::map<std::string, std::pair<std::string, Extended>> s;
  for (const TCalcItem* i : calc.GetMainCalcModule()->GetCalcItems()) {
    const TCalcParameter* p = i->AsParameter();
    s[i->GetName()] = {i->GetText(), p ? p->GetValue() : NoValue};
  }
  return s;
}

// Undo through edits of every layer (medium, pipe, material, points,
// flows), then the same edits again: each state comes back bit for bit.
// The layer holds the operating points' layer, so this covers its edits.
TEST(FlowLayer, UndoAndRedoOfEditsOfEveryLayerReturnEveryValue) {
  const TPointState points[4] = {{"20", "6"}, {"80", "5"}, {"150", "10"}, {"60", "3"}};
  auto calc = Calculation("Wasser", points);
  using TEdit = std::function<void(TCalc&)>;
  const std::vector<std::pair<const char*, TEdit>> edits = {
      {"mass flow at point 1", [](TCalc& c) { c.Enter("Qm", "25000"); }},
      {"mass flow at point 3", [](TCalc& c) { c.Enter("QmAp3", "41000"); }},
      {"temperature at point 2", [](TCalc& c) { c.Enter("T1Ap2", "95,5"); }},
      {"pipe class", [](TCalc& c) { c.Enter("PipeClass", "ASME B36.10M"); }},
      {"nominal size", [](TCalc& c) { c.Enter("DN", "150"); }},
      {"material", [](TCalc& c) { c.Enter("EN13480Name", "13CrMo4-5"); }},
      {"volume flow given", [](TCalc& c) { c.Enter("QmOrQv", "Volumenstrom"); }},
      {"volume flow at point X", [](TCalc& c) { c.Enter("QvApX", "30"); }},
      {"pressure at point 3 as text", [](TCalc& c) { c.SetText("P1Ap3", "12,5"); }},
      {"two points", [](TCalc& c) { c.Enter("NoOfEnteredOps", "2"); }},
      {"density overruled at point 1", [](TCalc& c) { c.Enter("Rho1", "990"); }},
      {"substance constant", [](TCalc& c) { c.Enter("Tc", "371"); }},
      {"another medium", [](TCalc& c) { c.Enter("FluidName", "Ethanol"); }},
      {"point X off", [](TCalc& c) { static_cast<TCalcSwitch*>(c.Item("UseXthOp"))->SetChecked(false); }},
  };
  std::vector<std::map<std::string, std::pair<std::string, Extended>>> states{AllValues(*calc)};
  for (const auto& [what, edit] : edits) {
    edit(*calc);
    states.push_back(AllValues(*calc));
    EXPECT_NE(states.back(), states[states.size() - 2]) << what << " changed nothing";
  }
  auto same = [](const auto& a, const auto& b) {
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, v] : a) {
      SCOPED_TRACE(name);
      const auto& w = b.at(name);
      EXPECT_EQ(v.first, w.first);
      if (HasValue(v.second) || HasValue(w.second)) {
        EXPECT_EQ(v.second, w.second);
      }
    }
  };
  for (size_t i = edits.size(); i > 0; --i) {
    SCOPED_TRACE(std::string("undo of ") + edits[i - 1].first);
    ASSERT_TRUE(calc->UnDo());
    same(AllValues(*calc), states[i - 1]);
  }
  EXPECT_EQ(calc->GetNoOfOps(), 3);
  EXPECT_TRUE(calc->GetOpXEnabled());
  for (size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE(std::string("redo of ") + edits[i].first);
    edits[i].second(*calc);
    same(AllValues(*calc), states[i + 1]);
  }
}

// An entry of a point's state or flow starts calculations at that point
// only: its substances and flow modules; nothing at the other points, and
// at a further point neither the pipe nor the material (which work with
// point 1, so that an entry there may move them).
TEST(FlowLayer, AnEntryAtAPointReachesOnlyThatPointsModules) {
  const TPointState points[4] = {{"20", "6"}, {"80", "5"}, {"150", "10"}, {"60", "3"}};
  for (const char* entry : {"T1", "P1", "Qm"}) {
    for (int point : {1, 2, 3, 4}) {
      SCOPED_TRACE(std::string(entry) + OpSuffix(point));
      auto calc = Calculation("Wasser", points);
      std::map<std::string, int> passes;
      auto count = [&passes](TCalcModule& m, const std::string& name) {
        m.AfterCalculate = [&passes, name](TCalcModule&) { ++passes[name]; };
      };
      for (int p : {1, 2, 3, 4}) {
        count(calc->Substances(p)->CalcModule(), std::string("substances") + OpSuffix(p));
        count(calc->Flow(p)->Module(), std::string("flow") + OpSuffix(p));
      }
      count(calc->FCCMNormPipeThickness1->Module(), "pipe");
      count(calc->FCCMMaterialData1->Module(), "material");
      calc->Enter(entry + std::string(OpSuffix(point)), "70");
      for (const auto& [name, n] : passes) {
        SCOPED_TRACE(name);
        if (point == 1 && (name == "pipe" || name == "material")) continue;
        const bool here = name == std::string("flow") + OpSuffix(point) ||
                          (std::string(entry) != "Qm" && name == std::string("substances") + OpSuffix(point));
        EXPECT_EQ(n > 0, here);
      }
      EXPECT_GE(passes[std::string("flow") + OpSuffix(point)], 1);
      if (std::string(entry) != "Qm") {
        EXPECT_GE(passes[std::string("substances") + OpSuffix(point)], 1);
      }
    }
  }
}

}  // namespace
}  // namespace torvacalc
