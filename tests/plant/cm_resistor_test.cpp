// The modules of the plant characteristic and of the resistors: results
// through the parameters, the messages of bad input, and that no output
// ever holds NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "plant/cm_characteristics.h"
#include "plant/cm_resistor.h"
#include "module_under_test.h"

namespace torvacalc {
namespace {

template <class M>
using Module = test::ModuleUnderTest<M>;

// The pump-and-pipe plant of the characteristics test (see there).
void PumpAndPipe(Module<TCMCharacteristics>& x) {
  x.Set({{"NoOfValidOps", "2"}, {"qm1", "5000"}, {"p11", "9"}, {"p21", "2.5"}, {"qm2", "10000"},
         {"p12", "6"}, {"p22", "4"}, {"qmx", "8000"}, {"qmax", "10000"}});
}

TEST(CharacteristicsModule, PumpAndPipeThroughTheParameters) {
  Module<TCMCharacteristics> x;
  PumpAndPipe(x);
  x.m.SetActive(true);
  EXPECT_NEAR(x.Value("p1x"), 7.44L, 1e-12L);
  EXPECT_NEAR(x.Value("p2x"), 3.28L, 1e-12L);
  EXPECT_NEAR(x.Value("VDynX"), 0.52L, 1e-12L);
  EXPECT_NEAR(x.Value("ax"), 2.3094010767585L, 1e-10L);
  EXPECT_NEAR(x.Value("dpMax"), 8, 1e-12L);
  EXPECT_NEAR(x.Value("dpMin"), 2, 1e-12L);
  EXPECT_FALSE(x.m.BadPressureCurves->GetChecked());
  EXPECT_TRUE(x.m.Optimization->GetChecked());
  EXPECT_TRUE(x.Numbers().empty());
  // A new evaluation flow through the setter.
  x.m.SetQmx(5000);
  EXPECT_NEAR(x.Value("p1x"), 9, 1e-12L);
  EXPECT_NEAR(x.Value("VDynX"), 6.5L / 8, 1e-12L);
}

TEST(CharacteristicsModule, BadInputGivesMessages) {
  struct Case { const char* what; const char* name; const char* text; int message; };
  const Case cases[] = {
      {"four points", "NoOfValidOps", "4", 120},
      {"negative evaluation flow", "qmx", "-100", 119},
      {"outlet above inlet", "p21", "9.5", 1601},
      {"missing pressure", "p12", "", 101},
      {"equal flows", "qm2", "5000", 1601},
      {"zero flow", "qm1", "0", 1601},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Module<TCMCharacteristics> x;
    PumpAndPipe(x);
    x.Set(c.name, c.text);
    x.m.SetActive(true);
    EXPECT_TRUE(x.Has(c.message));
    x.ExpectNoNaN();
  }
  // No valid point (a new calculation) leaves the results empty, without
  // a message.
  Module<TCMCharacteristics> x;
  PumpAndPipe(x);
  x.Set("NoOfValidOps", "0");
  x.m.SetActive(true);
  EXPECT_TRUE(x.Numbers().empty());
  EXPECT_TRUE(IsNoValue(x.Value("p1x")));
  EXPECT_TRUE(IsNoValue(x.Value("ax")));
  EXPECT_TRUE(x.m.BadPressureCurves->GetChecked());
}

// Water through a single-hole orifice in a DN 100 pipe.
void Water(Module<TCMResistor>& x) {
  x.Set({{"qm", "60000"}, {"p1", "10"}, {"p2", "7"}, {"rho1", "998.2"}, {"pv1", "0.0234"},
         {"pc", "220.64"}, {"eta1", "1.002E-3"}, {"DN2", "107.1"}, {"NRes", "1"}});
}

TEST(ResistorModule, SizedBoreRecalculatedAsFixedGeometry) {
  Module<TCMResistor> sized;
  Water(sized);
  sized.m.SetActive(true);
  const Extended d = sized.Value("dRes");
  ASSERT_TRUE(HasValue(d));
  EXPECT_TRUE(sized.Numbers().empty());
  Module<TCMResistor> fixed;
  Water(fixed);
  fixed.m.FixedResistor->SetChecked(true);
  fixed.m.dRes->SetValue(d);
  fixed.m.dRes->SetInputState(isUser);
  fixed.m.SetActive(true);
  EXPECT_NEAR(fixed.Value("qmRes"), 60000, 60000 * 1e-6L);
  EXPECT_EQ(fixed.Value("dRes"), d);
}

TEST(ResistorModule, StagesAndChokedGas) {
  Module<TCMResistor> x;
  x.m.Phase->SetSwitchStatus(phGas);
  x.Set({{"qm", "5000"}, {"p1", "40"}, {"p2", "4"}, {"rho1", "46"}, {"kappa1", "1.4"}, {"DN2", "82.5"}});
  struct Case { const char* N; int choked; };
  // x per stage: 0.9, 0.684, 0.536 against Fgamma xT = 0.72.
  for (const Case c : {Case{"1", 1}, Case{"2", 0}, Case{"3", 0}}) {
    SCOPED_TRACE(c.N);
    x.m.SetActive(false);
    x.Set("NRes", c.N);
    x.m.SetActive(true);
    EXPECT_EQ(x.Value("ChokedStages"), c.choked);
    EXPECT_EQ(x.Has(1614), c.choked > 0);
    const int N = std::atoi(c.N);
    EXPECT_NEAR(std::pow(1 - x.Value("xRes"), N), 0.1L, 1e-12L);
    ASSERT_NE(x.m.Stage(N - 1), nullptr);
    // The state at each stage: pressures 40 bar * 0.1^(i/N), a gas's
    // density in proportion; nothing beyond the last stage.
    for (int i = 1; i <= N; ++i) {
      const auto at = [&](const char* name) { return x.Value((name + std::to_string(i)).c_str()); };
      EXPECT_NEAR(at("P1Res"), 40 * std::pow(0.1L, Extended(i - 1) / N), 1e-9L);
      EXPECT_NEAR(at("P2Res"), 40 * std::pow(0.1L, Extended(i) / N), 1e-9L);
      EXPECT_NEAR(at("Rho1Res"), 46 * at("P1Res") / 40, 1e-9L);
    }
    EXPECT_FALSE(HasValue(x.Value(("P1Res" + std::to_string(N + 1)).c_str())));
    x.ExpectNoNaN();
  }
}

TEST(ResistorModule, BadInputGivesMessages) {
  struct Case { const char* what; const char* name; const char* text; int message; };
  const Case cases[] = {
      {"zero stages", "NRes", "0", 1613},
      {"outlet above inlet", "p2", "12", 1618},
      {"pipe too small for the flow", "DN2", "10", 1612},
      {"perforation bore beyond the data", "ResistorType", "Lochkegel", 1615},
      {"missing flow", "qm", "", 101},
      {"no pipe size", "DN2", "", 1611},
      {"liquid ends close to the vapour pressure", "p2", "0.1", 1616},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Module<TCMResistor> x;
    Water(x);
    x.Set(c.name, c.text);
    if (c.message == 1615) x.Set("dRes", "30");
    x.m.SetActive(true);
    EXPECT_TRUE(x.Has(c.message));
    x.ExpectNoNaN();
  }
  // A given bore larger than the pipe.
  Module<TCMResistor> x;
  Water(x);
  x.m.FixedResistor->SetChecked(true);
  x.Set("dRes", "150");
  x.m.SetActive(true);
  EXPECT_TRUE(x.Has(1612));
  x.ExpectNoNaN();
}

TEST(P2ResistorModule, CarriesTheResistorToAnotherPoint) {
  // Liquid: dp scales with the square of the flow. Sized at 60 t/h over
  // 10 -> 7 bar; at 30 t/h behind it 6 bar: in front 6 + 3/4 = 6.75 bar.
  Module<TCMp2Resistor> x;
  x.Set({{"qm", "60000"}, {"P1", "16"}, {"P2", "10"}, {"P2Res", "7"}, {"rho1", "998.2"},
         {"qmX", "30000"}, {"P1X", "14"}, {"P2ResX", "6"}});
  x.m.SetActive(true);
  EXPECT_NEAR(x.Value("P2X"), 6.75L, 1e-9L);
  EXPECT_TRUE(x.Numbers().empty());
  // And back: from 6.75 bar in front the pressure behind is 6 bar.
  x.m.SetActive(false);
  x.m.WhatToCalculate->SetSwitchStatus(1);
  x.Set("P2X", "6.75");
  x.m.SetActive(true);
  EXPECT_NEAR(x.Value("P2ResX"), 6, 1e-9L);
  // A valve inlet below the pressure the resistor needs.
  Module<TCMp2Resistor> y;
  y.Set({{"qm", "60000"}, {"P2", "10"}, {"P2Res", "7"}, {"rho1", "998.2"}, {"qmX", "120000"},
         {"P1X", "12"}, {"P2ResX", "6"}});
  y.m.SetActive(true);
  EXPECT_NEAR(y.Value("P2X"), 18, 1e-9L);
  EXPECT_TRUE(y.Has(1622));
  y.ExpectNoNaN();
}

TEST(P2ResistorModule, GasDensityFollowsThePressure) {
  // Unchoked ideal gas: with the density proportional to the inlet
  // pressure, qm^2 ~ x p1 rho1 Y^2. Carrying the reference point to itself
  // returns its own pressure.
  Module<TCMp2Resistor> x;
  x.m.Phase->SetSwitchStatus(phGas);
  x.Set({{"qm", "3000"}, {"P2", "10"}, {"P2Res", "8"}, {"rho1", "11.6"}, {"kappa1", "1.4"},
         {"qmX", "3000"}, {"P2ResX", "8"}});
  x.m.SetActive(true);
  EXPECT_NEAR(x.Value("P2X"), 10, 1e-7L);
  EXPECT_NEAR(x.Value("rho1X"), 11.6L, 1e-6L);
  x.ExpectNoNaN();
}

}  // namespace
}  // namespace torvacalc
