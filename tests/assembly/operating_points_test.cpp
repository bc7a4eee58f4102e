// The further operating points of a valve calculation: the medium entered
// once serves all points, the number of points switches modules off, and
// the values at each point are those the substances module gives alone.
// That an entry reaches only its point's modules, and undo, are tested on
// the flow layer, which holds this one.
#include <gtest/gtest.h>

#include "assembly/main_items.h"
#include "assembly/scm_operating_points.h"

namespace torvacalc {
namespace {

using TCalc = TCustomSCM3SubstancesMaterialPipe;

struct TPointState {
  Extended T, P;
};

// Water, liquid at every point (points 1, 2, 3, X).
const TPointState kWaterPoints[4] = {{20, 6}, {80, 5}, {150, 10}, {60, 3}};

std::unique_ptr<TCalc> WaterCalculation() {
  auto calc = CreateCalculation<TCalc>();
  calc->BeginSetValues();
  calc->Enter("UseXthOp", "ja");
  calc->SetText("FluidName", "Wasser");
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    calc->SetValue("T1" + k, kWaterPoints[point - 1].T);
    calc->SetValue("P1" + k, kWaterPoints[point - 1].P);
  }
  calc->EndSetValues();
  return calc;
}

// Counts the passes of each point's substances module.
struct TPassCounter {
  int passes[5] = {};
  explicit TPassCounter(TCalc& calc) {
    for (int point : {1, 2, 3, 4})
      calc.Substances(point)->CalcModule().AfterCalculate = [this, point](TCalcModule&) { ++passes[point]; };
  }
};

TEST(OperatingPoints, EachPointEqualsTheStandAloneModule) {
  auto calc = WaterCalculation();
  for (int point : {1, 2, 3, 4}) {
    SCOPED_TRACE(point);
    const std::string k = OpSuffix(point);
    TCalcMessageContainer messages;
    TCMSubstances alone;
    alone.SetCalcMessageContainer(&messages);
    alone.FluidName->SetText("Wasser");
    alone.T1->SetValue(kWaterPoints[point - 1].T);
    alone.p1->SetValue(kWaterPoints[point - 1].P);
    alone.SetActive(true);
    const std::pair<const char*, TCalcParameter*> values[] = {
        {"Rho1", alone.rho1}, {"Kappa1", alone.kappa1}, {"Pv1", alone.pv1}, {"Tv1", alone.tv1},
        {"Eta1", alone.eta1}, {"Ny1", alone.Ny1},       {"V1", alone.v1},   {"Cf", alone.cf}};
    for (const auto& [name, p] : values) {
      SCOPED_TRACE(name);
      EXPECT_TRUE(HasValue(p->GetValue()));
      EXPECT_EQ(calc->GetValue(name + k), p->GetValue());
    }
    EXPECT_EQ(calc->GetText("CalculatedPhase" + k), alone.CalculatedPhase->GetText());
    messages.RemoveAllMessages();
    alone.SetCalcMessageContainer(nullptr);
  }
  EXPECT_EQ(calc->GetValue("NoOfValidOps"), 4);
}

TEST(OperatingPoints, TheMediumEnteredOnceServesEveryPoint) {
  auto calc = WaterCalculation();
  // A substance constant the user changes, and another medium.
  calc->Enter("Tc", "380");
  for (int point : {1, 2, 3, 4}) {
    SCOPED_TRACE(point);
    EXPECT_EQ(calc->Substances(point)->CalcModule().Tc->GetValue(), 380);
  }
  calc->SetText("FluidName", "Ethanol");
  for (int point : {1, 2, 3, 4}) {
    SCOPED_TRACE(point);
    TCMSubstances& m = calc->Substances(point)->CalcModule();
    EXPECT_EQ(m.FluidName->GetText(), calc->GetText("FluidName"));
    EXPECT_EQ(m.Phase->GetText(), calc->GetText("Phase"));
    EXPECT_EQ(m.Tc->GetValue(), calc->GetValue("Tc"));
    EXPECT_EQ(m.M->GetValue(), calc->GetValue("M"));
    EXPECT_TRUE(HasValue(calc->GetValue(std::string("Rho1") + OpSuffix(point))));
  }
  // A density overruled at point 1 stays there.
  const Extended rho2 = calc->GetValue("Rho1Ap2");
  calc->Enter("Rho1", "700");
  EXPECT_EQ(calc->GetValue("Rho1"), 700);
  EXPECT_EQ(calc->GetValue("Rho1Ap2"), rho2);
}

TEST(OperatingPoints, NumberOfPointsSwitchesModulesOff) {
  struct Case {
    Extended entered;
    int ops;
  };
  for (const Case& c : {Case{1, 1}, Case{0, 1}, Case{-4, 1}, Case{2.7L, 2}, Case{3, 3}}) {
    SCOPED_TRACE(static_cast<double>(c.entered));
    auto calc = WaterCalculation();
    calc->SetValue("NoOfEnteredOps", c.entered);
    EXPECT_EQ(calc->GetNoOfOps(), c.ops);
    EXPECT_EQ(calc->FCCMSubstances2->CalcModule().GetEnabled(), c.ops >= 2);
    EXPECT_EQ(calc->FCCMSubstances3->CalcModule().GetEnabled(), c.ops >= 3);
    EXPECT_EQ(static_cast<TCalcSwitch*>(calc->Item("Use2ndOp"))->GetChecked(), c.ops >= 2);
    EXPECT_EQ(static_cast<TCalcSwitch*>(calc->Item("Use3rdOp"))->GetChecked(), c.ops >= 3);
    // Entries at a point that is off start no calculation there.
    TPassCounter count(*calc);
    calc->SetValue("T1Ap2", 70);
    calc->SetValue("T1Ap3", 70);
    EXPECT_EQ(count.passes[2] > 0, c.ops >= 2);
    EXPECT_EQ(count.passes[3] > 0, c.ops >= 3);
    EXPECT_EQ(count.passes[1] + count.passes[4], 0);
  }
}

TEST(OperatingPoints, SameNumberAgainCausesNoRecalculation) {
  auto calc = WaterCalculation();
  calc->SetValue("NoOfEnteredOps", 1);
  TPassCounter count(*calc);
  const size_t history = calc->GetHistoryCount();
  calc->SetNoOfOps(1);
  calc->SetNoOfOps(0);
  EXPECT_EQ(calc->GetHistoryCount(), history);
  for (int point : {1, 2, 3, 4}) EXPECT_EQ(count.passes[point], 0);
  // Back to three points: 2 and 3 calculate again and give what they gave.
  auto fresh = WaterCalculation();
  calc->SetNoOfOps(3);
  EXPECT_EQ(calc->GetValue("Rho1Ap2"), fresh->GetValue("Rho1Ap2"));
  EXPECT_EQ(calc->GetValue("Rho1Ap3"), fresh->GetValue("Rho1Ap3"));
}

TEST(OperatingPoints, PointXFollowsItsSwitch) {
  auto calc = WaterCalculation();
  static_cast<TCalcSwitch*>(calc->Item("UseXthOp"))->SetChecked(false);
  EXPECT_FALSE(calc->GetOpXEnabled());
  EXPECT_FALSE(calc->FCCMSubstancesX->CalcModule().GetEnabled());
  EXPECT_EQ(calc->GetValue("NoOfValidOps"), 3);
  static_cast<TCalcSwitch*>(calc->Item("UseXthOp"))->SetChecked(true);
  EXPECT_TRUE(calc->GetOpXEnabled());
  EXPECT_TRUE(calc->FCCMSubstancesX->CalcModule().GetEnabled());

  // Not ready yet (built but not wired): point X cannot be switched on.
  TCalc unwired;
  unwired.SetOpXEnabled(false);
  unwired.SetOpXEnabled(true);
  EXPECT_FALSE(unwired.GetOpXEnabled());
}

// A gas whose standard density the user gives at point 1: every point
// works with the gas data that follow from it.
TEST(OperatingPoints, GasDataGivenAtPointOneServeEveryPoint) {
  // The gas data switch: 0 standard density, 1 gas constant, 2 molar mass, 3 specific gravity.
  const std::pair<const char*, int> cases[] = {{"RhoN", 0}, {"Ri", 1}, {"Sg", 3}, {"M", 2}};
  for (const auto& [given, index] : cases) {
    SCOPED_TRACE(given);
    auto calc = CreateCalculation<TCalc>();
    calc->BeginSetValues();
    calc->Enter("UseXthOp", "ja");
    calc->Enter("FluidName", "Stickstoff");
    for (int point : {1, 2, 3, 4}) {
      const std::string k = OpSuffix(point);
      calc->Enter("T1" + k, "40");
      calc->Enter("P1" + k, point == 1 ? "6" : "4");
    }
    calc->EndSetValues();
    static_cast<TCustomCalcMultiSwitch*>(calc->Item("RhoNRiM"))->SetSwitchStatus(index);
    // 5 % above the database's value.
    calc->Enter(given, std::to_string(static_cast<double>(calc->GetValue(given) * 1.05L)));
    for (int point : {2, 3, 4}) {
      SCOPED_TRACE(point);
      TCMSubstances& m = calc->Substances(point)->CalcModule();
      for (const char* n : {"M", "RhoN", "Ri", "Sg"}) {
        SCOPED_TRACE(n);
        EXPECT_NEAR(m.CalcItemByName(n)->AsParameter()->GetValue(), calc->GetValue(n), 1e-12L * calc->GetValue(n));
      }
    }
    // Same temperature and pressure at points 2, 3 and X: the same density.
    EXPECT_EQ(calc->GetValue("Rho1Ap2"), calc->GetValue("Rho1Ap3"));
  }
}

}  // namespace
}  // namespace torvacalc
