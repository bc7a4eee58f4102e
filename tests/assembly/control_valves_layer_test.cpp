// The valve layer: an entry at one point reaches that point's modules
// only, constants reach every point, points that are off do not
// calculate, the noise method follows the phase and the chosen standard,
// the cross-point checks fire, and every module of the assembly computes
// exactly what the same module computes on its own with the same inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "assembly/main_items.h"
#include "assembly/scm_control_valves.h"
#include "catalogue/cm_suggest_dn.h"
#include "files/calculation_file.h"
#include "files/hx_file.h"
#include "framework/options.h"
#include "case_entries.h"
#include "temp_folder.h"

namespace torvacalc {
namespace {

using TEntries = std::vector<std::pair<std::string, std::string>>;

// Water at three points with cavitation at the largest pressure drop, and
// a point X; a globe valve DN 50, Kvs 40, noise after IEC 60534-8-4.
const TEntries kWater = {
    {"FluidName", "Wasser"}, {"Phase", "Flüssig"}, {"NoiseNormLiquid", "IEC 60534-8-4"}, {"kvs", "40"}, {"DNV", "50"},
    {"PipeClass", "EN 10220 Reihe 1, P235GH"}, {"DN", "80"}, {"CheckP1", "ja"}, {"EN13480Name", "P235GH"},
    {"fl2_75", "0.81"}, {"fd_75", "0.46"}, {"rw", "0.25"}, {"Seat", "40"},
    {"T1", "20"},    {"P1", "10"},    {"Qm", "10000"},    {"p2", "8"},
    {"T1Ap2", "40"}, {"P1Ap2", "10"}, {"QmAp2", "20000"}, {"p2Ap2", "6"},
    {"T1Ap3", "60"}, {"P1Ap3", "10"}, {"QmAp3", "30000"}, {"p2Ap3", "3"},
    {"T1ApX", "30"}, {"P1ApX", "9"},  {"QmApX", "15000"}, {"p2ApX", "7"},
};

// Superheated steam, noise after IEC 60534-8-3.
const TEntries kSteam = {
    {"FluidName", "Wasser"}, {"Phase", "Dampfförmig"}, {"NoiseNormGas", "IEC 60534-8-3"}, {"kvs", "63"}, {"DNV", "80"},
    {"PipeClass", "EN 10220 Reihe 1, P235GH"}, {"DN", "80"}, {"CheckP1", "ja"}, {"EN13480Name", "P235GH"},
    {"fl2_75", "0.81"}, {"xt_75", "0.7"}, {"fd_75", "0.46"}, {"rw", "0.25"}, {"Seat", "60"},
    {"T1", "300"},    {"P1", "20"},    {"Qm", "5000"},     {"p2", "12"},
    {"T1Ap2", "300"}, {"P1Ap2", "20"}, {"QmAp2", "10000"}, {"p2Ap2", "10"},
    {"T1Ap3", "300"}, {"P1Ap3", "20"}, {"QmAp3", "15000"}, {"p2Ap3", "8"},
    {"T1ApX", "280"}, {"P1ApX", "18"}, {"QmApX", "8000"},  {"p2ApX", "11"},
};

// A calculation of the entries, and then of `more`, entered in one go.
std::unique_ptr<TSCMTorva> Calculation(const TEntries& entries, const TEntries& more = {}) {
  auto calc = CreateCalculation<TSCMTorva>();
  calc->BeginSetValues();
  calc->Enter("UseXthOp", "ja");  // the tests look at all four points
  for (const TEntries* list : {&entries, &more})
    for (const auto& [name, text] : *list) calc->Enter(name, text);
  calc->EndSetValues();
  return calc;
}

std::string Suffix(int point) { return OpSuffix(point); }

// The parts of one noise method, by its kind.
const TCustomSCM3ControlValves::TNoiseParts& Noise(const TCustomSCM3ControlValves& c, const char* kind) {
  return c.FNoise.at(NoiseMethodIndex(kind));
}

// The modules of one point, as the assembly owns them.
std::vector<TCalcModule*> ModulesOf(TCustomSCM3ControlValves& c, int k) {
  return {&c.FCMSubstances2[k]->CalcModule(), c.fCMMixedDensity[k], c.FCMControlValves[k], c.FCMResistor[k],
          Noise(c, "vdma79").Module[k], Noise(c, "vdma89").Module[k], Noise(c, "iec2003").Module[k],
          Noise(c, "isa89").Module[k]};
}

// Records which per-point modules calculate during an edit.
struct TCalculated {
  std::set<const TCalcModule*> modules;
  explicit TCalculated(TCustomSCM3ControlValves& c) {
    for (int k : {1, 2, 3, 4})
      for (TCalcModule* m : ModulesOf(c, k)) {
        m->BeforeCalculate = [this](TCalcModule& mod) { modules.insert(&mod); };
        FWatched.push_back(m);
      }
  }
  ~TCalculated() {
    for (TCalcModule* m : FWatched) m->BeforeCalculate = nullptr;
  }
  std::vector<TCalcModule*> FWatched;
};

TEST(ValveLayer, AnEntryAtOnePointReachesOnlyThatPointsModules) {
  auto calc = Calculation(kWater);
  const std::tuple<const char*, int, const char*> edits[] = {
      {"p2", 1, "4.5"}, {"p2Ap2", 2, "4.5"}, {"QmAp3", 3, "12345"}, {"T1ApX", 4, "35"}, {"P1Ap2", 2, "4.5"}};
  for (const auto& [name, point, text] : edits) {
    SCOPED_TRACE(name);
    TCalculated seen(*calc);
    const Extended before = calc->GetValue(std::string("kv") + Suffix(point));
    calc->Enter(name, text);
    EXPECT_NE(calc->GetValue(std::string("kv") + Suffix(point)), before);
    EXPECT_TRUE(seen.modules.count(calc->FCMControlValves[point]));
    for (int other : {1, 2, 3, 4})
      if (other != point)
        for (TCalcModule* m : ModulesOf(*calc, other)) {
          SCOPED_TRACE(m->GetName());
          EXPECT_FALSE(seen.modules.count(m));
        }
  }
}

TEST(ValveLayer, ConstantsEnteredOnceReachEveryPoint) {
  auto calc = Calculation(kWater);
  const std::pair<const char*, const char*> constants[] = {
      {"kvs", "63"}, {"fl2_75", "0.7"}, {"DNV", "65"}, {"Pc", "200"}, {"ValveType", "Eckventil"}};
  for (const auto& [name, text] : constants) {
    SCOPED_TRACE(name);
    TCalculated seen(*calc);
    calc->Enter(name, text);
    for (int k : {1, 2, 3, 4}) {
      SCOPED_TRACE(k);
      EXPECT_TRUE(seen.modules.count(calc->FCMControlValves[k]));
      TCalcItem* item = calc->FCMControlValves[k]->CalcItemByName(name == std::string("Pc") ? "pc" : name);
      EXPECT_EQ(item->GetText(), calc->GetText(name));
    }
  }
}

TEST(ValveLayer, PointsThatAreOffDoNotCalculate) {
  auto calc = Calculation(kWater);
  calc->Enter("NoOfEnteredOps", "1");
  calc->Enter("UseXthOp", "nein");
  {
    TCalculated seen(*calc);
    calc->Enter("kvs", "25");
    calc->Enter("Qm", "11000");
    for (int k : {2, 3, 4})
      for (TCalcModule* m : ModulesOf(*calc, k)) {
        SCOPED_TRACE(m->GetName());
        EXPECT_FALSE(seen.modules.count(m));
        EXPECT_FALSE(m->GetEnabled());
      }
    EXPECT_TRUE(seen.modules.count(calc->FCMControlValves[1]));
  }
  // Switched on again, the points calculate with what they hold.
  calc->Enter("NoOfEnteredOps", "3");
  EXPECT_TRUE(calc->FCMControlValves[3]->GetEnabled());
  EXPECT_TRUE(HasValue(calc->GetValue("kvAp3")));
}

TEST(ValveLayer, NoiseMethodFollowsPhaseAndStandard) {
  // method: 0 VDMA 1979, 1 VDMA 1989, 2 IEC 60534-8-4, 3 IEC 60534-8-3.
  struct Case { const char* what; const TEntries* base; const char *switchName, *choice; int method; };
  const Case cases[] = {
      {"liquid, VDMA 1979", &kWater, "NoiseNormLiquid", "VDMA 24422 (1979)", 0},
      {"liquid, VDMA 1989", &kWater, "NoiseNormLiquid", "VDMA 24422 (1989)", 1},
      {"liquid, IEC 60534-8-4", &kWater, "NoiseNormLiquid", "IEC 60534-8-4", 2},
      {"liquid: the gas method is not used", &kWater, "NoiseNormGas", "VDMA 24422 (1989)", 2},
      {"steam, VDMA 1979", &kSteam, "NoiseNormGas", "VDMA 24422 (1979)", 0},
      {"steam, VDMA 1989", &kSteam, "NoiseNormGas", "VDMA 24422 (1989)", 1},
      {"steam, IEC 60534-8-3", &kSteam, "NoiseNormGas", "IEC 60534-8-3", 3},
      {"steam: the liquid method is not used", &kSteam, "NoiseNormLiquid", "VDMA 24422 (1979)", 3},
      {"two phases: VDMA 1979 whatever is chosen", &kSteam, "Phase", "Zweiphasig (Flüssig/Dampf)", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto calc = Calculation(*c.base);
    calc->Enter(c.switchName, c.choice);
    for (int k : {1, 2, 3, 4}) {
      SCOPED_TRACE(k);
      const TCalcConnector* connectors[] = {Noise(*calc, "vdma79").Connector[k], Noise(*calc, "vdma89").Connector[k],
                                            Noise(*calc, "iec2003").Connector[k], Noise(*calc, "isa89").Connector[k]};
      for (int m = 0; m < 4; ++m) EXPECT_EQ(connectors[m]->GetEnabled(), m == c.method);
    }
    if (c.method == 3 || c.method == 2) {
      EXPECT_TRUE(HasValue(calc->GetValue("LpAa")));
      EXPECT_TRUE(HasValue(calc->GetValue("LpAaAp3")));
    }
  }
}

TEST(ValveLayer, WhatToCalculateChoosesOneSolveConnectorPerPoint) {
  auto calc = Calculation(kWater);
  const Extended kv2 = calc->GetValue("kvAp2");
  ASSERT_TRUE(HasValue(kv2));
  // Solving for the outlet pressure with the Kv just found returns the
  // outlet pressure that was given.
  calc->Enter("WhatToCalculate", "Austrittsdruck");
  for (int k : {1, 2, 3, 4}) {
    EXPECT_TRUE(calc->FCalcConnectorCalcp2[k]->GetEnabled());
    EXPECT_FALSE(calc->FCalcConnectorCalcKv[k]->GetEnabled());
  }
  calc->Enter("kvAp2", std::to_string(static_cast<double>(kv2)));
  EXPECT_NEAR(calc->GetValue("p2Ap2"), 6, 1e-6);
  // And for the flow.
  calc->Enter("WhatToCalculate", "Massenstrom");
  calc->Enter("p2Ap2", "6");
  EXPECT_NEAR(calc->GetValue("qmCalcAp2"), 20000, 0.01);
  // A larger Kv passes more than the entered flow: what lies behind the
  // valve (its outlet state, the noise) sees the flow the valve passes.
  calc->Enter("kvAp2", std::to_string(static_cast<double>(2 * kv2)));
  const Extended qm = calc->GetValue("qmCalcAp2");
  EXPECT_GT(qm, 30000);
  EXPECT_EQ(calc->GetValue("QmValveAp2"), qm);
  EXPECT_EQ(Noise(*calc, "iec2003").Module[2]->qm->GetValue(), qm);
  EXPECT_EQ(calc->fCMWaterInjection[2]->qm->GetValue(), qm);
  EXPECT_EQ(calc->GetValue("QmValve"), calc->GetValue("qmCalc"));
  // Back to sizing, the entered flows count again.
  calc->Enter("WhatToCalculate", "Kv");
  EXPECT_EQ(calc->GetValue("QmValveAp2"), 20000);
}

// A resistor whose geometry is fixed at point 1 passes the flow of a
// further point with the Kv it has at point 1: with a liquid and no choked
// flow in the resistor, dp = dp1 (Qm/Qm1)^2, and the valve of the point
// sees the pressure in front of the resistor as its outlet pressure.
TEST(ValveLayer, ResistorFixedAtPointOneSetsTheFurtherOutletPressures) {
  auto calc = Calculation(kWater, {{"UseResistors", "ja"}, {"FixedResistor", "ja"}, {"p2Res", "7.5"},
                                   {"p2ResAp2", "3"}, {"p2ResAp3", "3"}, {"p2ResApX", "5"}});
  const Extended dp1 = calc->GetValue("p2") - calc->GetValue("p2Res");
  ASSERT_NEAR(dp1, 0.5, 1e-12);
  for (int k : {2, 3, 4}) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(calc->FCalcConnectorP2Res[k]->GetEnabled());
    const Extended p2 = calc->GetValue("p2" + Suffix(k));
    EXPECT_EQ(calc->fCMP2Resistor[k]->P2X->GetValue(), p2);
    EXPECT_EQ(calc->FCMControlValves[k]->p2->GetValue(), p2);
  }
  for (int k : {2, 4}) {
    SCOPED_TRACE(k);
    const Extended ratio = calc->GetValue("Qm" + Suffix(k)) / calc->GetValue("Qm");
    EXPECT_NEAR(calc->GetValue("p2" + Suffix(k)), calc->GetValue("p2Res" + Suffix(k)) + dp1 * ratio * ratio, 1e-9);
  }
  // Without the fixed geometry the outlet pressures entered count again.
  calc->Enter("FixedResistor", "nein");
  EXPECT_EQ(calc->GetValue("p2Ap2"), 6);
  EXPECT_EQ(calc->FCMControlValves[2]->p2->GetValue(), 6);
  EXPECT_FALSE(calc->FCalcConnectorP2Res[2]->GetEnabled());
}

// The flow the sizing finds shows as volume flow at the point's state
// while it solves for the flow; the density in the outlet pipe is the one
// behind the resistors while they are used; the sizing reads the medium's
// vapour fraction at the inlet.
TEST(ValveLayer, SolvedFlowOutletDensityAndInletVapourFraction) {
  auto calc = Calculation(
      kWater, {{"WhatToCalculate", "Massenstrom"}, {"kv", "10"}, {"kvAp2", "15"}, {"kvAp3", "20"}, {"kvApX", "10"}});
  for (int k : {1, 2, 3, 4}) {
    SCOPED_TRACE(k);
    const std::string s = Suffix(k);
    EXPECT_NEAR(calc->GetValue("QvCalc" + s), calc->GetValue("qmCalc" + s) / calc->GetValue("Rho1" + s),
                1e-12 * calc->GetValue("QvCalc" + s));
    EXPECT_EQ(calc->GetValue("rho2" + s), calc->GetValue("rho2v" + s));
  }
  calc->SetNoOfOps(1);
  EXPECT_FALSE(calc->FCMFlowOnly[2]->Module().GetEnabled());
  EXPECT_TRUE(calc->FCMFlowOnly[1]->Module().GetEnabled());
  calc->Enter("WhatToCalculate", "Kv");
  EXPECT_FALSE(calc->FCMFlowOnly[1]->Module().GetEnabled());
  EXPECT_FALSE(HasValue(calc->GetValue("QvCalc")));

  calc->Enter("UseResistors", "ja");
  calc->Enter("p2Res", "7");
  EXPECT_EQ(calc->GetValue("rho2"), calc->GetValue("rho2r"));
  EXPECT_NE(calc->GetValue("rho2r"), calc->GetValue("rho2v"));

  // Wet steam at the inlet: the vapour fraction given to the medium is the
  // one the sizing and the mixture behind the valve work with.
  auto wet = Calculation(kSteam);
  wet->Enter("Phase", "Zweiphasig (Flüssig/Dampf)");
  wet->Enter("xMv1", "90");
  EXPECT_EQ(wet->GetValue("xFG1"), 90);
  EXPECT_EQ(wet->FCMControlValves[1]->xFG1->GetValue(), 90);
}

// The entries of an example case file.
TEntries ReadExample(const std::string& name) {
  TEntries entries = ReadCaseEntries(std::string(TORVACALC_SOURCE_DIR) + "/examples/" + name);
  EXPECT_FALSE(entries.empty()) << name;
  return entries;
}

// The state behind the valve is the isenthalpic one at the outlet
// pressure, by the medium's own method, in the outlet pipe: the kinetic
// energy of the pipe velocities (a few hundredths of a kelvin here) rather
// than of the jet in the valve outlet (steam at 156 m/s: 6 K colder).
// References by IAPWS-IF97 (python3-iapws): saturated steam at 40 bar
// throttled to 5 bar is superheated at 174.785 degC; water at 12 bar and
// 180 degC flashing to 4 bar boils at 143.6125 degC with 7.4327 % vapour,
// a homogeneous mixture of 28.272 kg/m3; steam at 20 bar and 300 degC at
// 8 bar is at 284.541 degC. Natural gas by its GERG-2008 provider.
TEST(ValveLayer, OutletStateIsTheIsenthalpicStateInTheOutletPipe) {
  struct Case {
    const char* what;
    const char* file;
    TEntries more;
    int point;
    Extended t2, xFG, rho2, tolerance;  // tolerance of t2, K
  };
  const Case cases[] = {
      {"saturated steam 40 to 5 bar", "valve_steam_noise.case", {{"T1", "250.36"}, {"P1", "40"}, {"p2", "5"}},
       1, 174.785L, 100, NoValue, 0.1L},
      {"superheated steam 20 to 8 bar", "valve_steam_noise.case", {}, 3, 284.541L, 100, 3.1779L, 0.4L},
      {"flashing condensate 12 to 4 bar", "valve_flashing.case", {}, 1, 143.6125L, 7.4327L, 28.272L, 0.001L},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto calc = Calculation(ReadExample(c.file), c.more);
    const std::string s = Suffix(c.point);
    EXPECT_NEAR(calc->GetValue("t2" + s), c.t2, c.tolerance);
    EXPECT_EQ(calc->GetValue("T2Medium" + s), calc->GetValue("t2v" + s));
    EXPECT_NEAR(calc->GetValue("xFG" + s), c.xFG, 2e-3L);
    if (HasValue(c.rho2)) {
      EXPECT_NEAR(calc->GetValue("rho2" + s), c.rho2, 3e-3L * c.rho2);
    }
  }
  // A flashing point: the vapour pressure behind the valve is the one at
  // the outlet temperature, the sound speed the mixture's (far below the
  // vapour's 500 m/s).
  auto flash = Calculation(ReadExample("valve_flashing.case"));
  EXPECT_NEAR(flash->GetValue("pv2"), 4, 1e-6L);
  EXPECT_LT(flash->GetValue("cf2"), 200);
  // Natural gas cools by its Joule-Thomson effect, about 0.5 K per bar.
  auto gas = Calculation(ReadExample("valve_natural_gas.case"));
  for (int k : {1, 2, 3}) {
    SCOPED_TRACE(k);
    const std::string s = Suffix(k);
    const Extended T1 = gas->GetValue("T1" + s), P1 = gas->GetValue("P1" + s), p2 = gas->GetValue("p2" + s);
    const Extended own = gas->Substances(k)->CalcModule().CalculateT2(T1, P1, p2);
    EXPECT_NEAR(own, T1 - 0.5L * (P1 - p2), 1.5L);
    EXPECT_NEAR(gas->GetValue("t2" + s), own, 0.05L);
  }
}

// Solving for the inlet pressure of a gas: the medium's state is taken at
// the pressure found (the density follows the pressure), so that the
// pressure found, sized for Kv again, gives back the Kv it was found for.
TEST(ValveLayer, SolvedInletPressureSetsTheStateItIsFoundWith) {
  auto calc = Calculation(ReadExample("valve_natural_gas.case"),
                          {{"WhatToCalculate", "Eintrittsdruck"}, {"kv", "8"}, {"kvAp2", "15"}, {"kvAp3", "25"}});
  const Extended kv[] = {0, 8, 15, 25};
  for (int k : {1, 2, 3}) {
    SCOPED_TRACE(k);
    const Extended p1 = calc->GetValue("p1Calc" + Suffix(k));
    EXPECT_NEAR(calc->GetValue("P1" + Suffix(k)), p1, 1e-9 * p1);
    EXPECT_LT(p1, 50);  // below the entered 50, 49, 48 bar: less flow resistance needed
  }
  calc->Enter("WhatToCalculate", "Kv");
  for (int k : {1, 2, 3}) EXPECT_NEAR(calc->GetValue("kv" + Suffix(k)), kv[k], 1e-8 * kv[k]) << k;
}

// The switches of the main module, each with the effect it has on the
// calculation of the water duty.
TEST(ValveLayer, MainModuleSwitchesAct) {
  // A valve as the resistor behind the valve: 8 -> 1 bar at point 1, a
  // drop that is strong cavitation for it. Whether it damages the valve is
  // the style's limit: 20 bar for a globe valve, 5 bar for a butterfly.
  const TEntries kValveResistor = {{"UseResistors", "ja"}, {"ResistorType", "Ventil"}, {"p2Res", "1"},
                                   {"Fl2Res", "0.81"}, {"zyRes", "0.4"}};
  const auto with = [&](TEntries more) {
    TEntries all = kValveResistor;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  struct Case { const char* what; TEntries edits; const char* item; const char* expected; };
  const Case cases[] = {
      {"ValveTypeRes globe: within its damage limit", with({{"ValveTypeRes", "Durchgangsventil"}}), "FlowStateRes",
       "maximale Kavitation"},
      {"ValveTypeRes butterfly: beyond its damage limit", with({{"ValveTypeRes", "Klappe"}}), "FlowStateRes",
       "Kavitationsschäden"},
      {"MechDamageAp3: 7 bar at point 3", {}, "MechDamageAp3", "nein"},
      {"MechDamageAp3: 30 bar at point 3", {{"P1Ap3", "40"}, {"p2Ap3", "10"}}, "MechDamageAp3", "ja"},
      {"MechDamageAp2 stays with its point", {{"P1Ap3", "40"}, {"p2Ap3", "10"}}, "MechDamageAp2", "nein"},
      {"SuggestedDN: the standard size at or above MinDN", {}, "SuggestedDN", "DN 65"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto calc = Calculation(kWater, c.edits);
    EXPECT_EQ(calc->GetText(c.item), c.expected);
  }
  // The flow direction of the valve as resistor reaches its sizing.
  auto calc = Calculation(kWater, with({{"InwardFlowRes", "schließend"}}));
  EXPECT_GT(calc->GetValue("MinDN"), 50);  // DN 50 would be too small
  EXPECT_LE(calc->GetValue("MinDN"), 65);
  // UsekvLimit: the flow through a given Kv of 50 with Kvs 40 is the flow
  // of the fully open valve, Kv 40.
  const auto flow = [&](const char* kv, const char* limit) {
    return Calculation(kWater, {{"WhatToCalculate", "Massenstrom"}, {"kv", kv}, {"UsekvLimit", limit}})
        ->GetValue("qmCalc");
  };
  EXPECT_EQ(flow("50", "ja"), flow("40", "nein"));
  EXPECT_GT(flow("50", "nein"), 1.2 * flow("40", "nein"));
  EXPECT_EQ(calc->FCMResistor[1]->InwardFlow->GetSwitchIndex(), ifClosing);

  // InjectionValve: the nozzle is the resistor while it is on, whatever
  // the user had; switched off, the user's resistor is back.
  for (const TEntries& before : {TEntries{}, TEntries{{"UseResistors", "ja"}, {"ResistorType", "Einlochblende"}}}) {
    auto injection = Calculation(kWater, before);
    const std::string use = injection->GetText("UseResistors"), type = injection->GetText("ResistorType");
    injection->Enter("InjectionValve", "ja");
    EXPECT_EQ(injection->GetText("UseResistors"), "ja");
    EXPECT_EQ(injection->GetText("ResistorType"), "Einspritzdüse");
    EXPECT_TRUE(injection->Item("ResistorType")->GetReadOnly());
    for (int k : {1, 4}) EXPECT_EQ(injection->FCMResistor[k]->ResistorType->GetSwitchIndex(), rtInjectionNozzle);
    injection->Enter("InjectionValve", "nein");
    EXPECT_EQ(injection->GetText("UseResistors"), use);
    EXPECT_EQ(injection->GetText("ResistorType"), type);
    EXPECT_FALSE(injection->Item("ResistorType")->GetReadOnly());
  }
}

// Which equations of IEC 60534-2-1 size the valve, checked at point 1
// against the standard's equations with the point's own density and
// isentropic exponent: the liquid equation Kv = W / sqrt(rho0 rho1 dp)
// (rho0 = 1000 kg/m3, Kv in m3/h, W in kg/h, dp in bar) and the gas
// equation Kv = W / (N6 Y sqrt(x p1 rho1)), N6 = 31.6, Y = 1 - x/(3 Fgamma
// xT), Fgamma = kappa/1.4. Carbon dioxide at 100 bar(a) and 40 degC lies
// above its critical point (31.0 degC, 73.8 bar): declared liquid, it is
// sized without expansion unless compressible equations are chosen.
TEST(ValveLayer, EquationsOfTheMediumByChoice) {
  const TEntries kCO2 = {{"FluidName", "Kohlendioxid"}, {"Phase", "Flüssig"}, {"ChangePhase", "nein"},
                         {"P1", "100"}, {"T1", "40"}, {"p2", "80"}, {"Qm", "20000"}, {"kvs", "100"},
                         {"DNV", "80"}, {"DN", "80"}, {"DN1", "80"}, {"xt_75", "0.7"}};
  enum TEquation { eLiquid, eGas };
  struct Case { const char* what; const TEntries* base; TEntries edits; TEquation equation; bool warned; };
  const Case cases[] = {
      {"CO2 declared liquid, by phase", &kCO2, {}, eLiquid, false},
      {"CO2 declared liquid, compressible", &kCO2, {{"Compressible", "kompressibel"}}, eGas, false},
      {"CO2, incompressible: 10 % too small", &kCO2, {{"Compressible", "inkompressibel"}}, eLiquid, true},
      {"steam, by phase", &kSteam, {}, eGas, false},
      {"steam, compressible", &kSteam, {{"Compressible", "kompressibel"}}, eGas, false},
      {"steam, incompressible at x = 0.4", &kSteam, {{"Compressible", "inkompressibel"}}, eLiquid, true},
      {"steam, incompressible at x = 0.01: within 1 %", &kSteam,
       {{"Compressible", "inkompressibel"}, {"p2", "19.8"}, {"p2Ap2", "19.8"}, {"p2Ap3", "19.8"}, {"p2ApX", "17.82"}},
       eLiquid, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto calc = Calculation(*c.base, c.edits);
    const Extended W = calc->GetValue("Qm"), p1 = calc->GetValue("P1"), p2 = calc->GetValue("p2");
    const Extended rho = calc->GetValue("Rho1"), kappa = calc->GetValue("Kappa1"), xT = calc->GetValue("xt_75");
    const Extended x = (p1 - p2) / p1, Y = 1 - x / (3 * kappa / 1.4L * xT);
    const Extended expected =
        c.equation == eLiquid ? W / std::sqrt(1000 * rho * (p1 - p2)) : W / (31.6L * Y * std::sqrt(x * p1 * rho));
    EXPECT_NEAR(calc->GetValue("kv"), expected, 1e-3 * expected);
    bool warned = false;
    for (const auto& m : calc->GetCalcMessageContainer()->Messages()) warned |= m->MsgNo == 985;
    EXPECT_EQ(warned, c.warned);
  }
}

// Wet steam of 10 bar(a) through a globe valve DN 50, Kvs 25, in pipes
// DN 150. IAPWS-IF97 (python3-iapws) gives h' = 762.683 and h'' = 2777.120
// kJ/kg at 1 MPa, so x = 95 % is h = 2676.398 kJ/kg, and that enthalpy
// sizes the valve as x = 95 % does. The throttling keeps the enthalpy with
// the kinetic energy of the pipe flow, h2 = h1 + (u1^2 - u2^2)/2. At
// 6 bar(a) (h' = 670.38, h'' = 2756.14 kJ/kg; u1 = 5.15, u2 = 8.46 m/s)
// x2 = 96.1756 % (96.1767 % with h2 = h1 alone), the homogeneous density
// 1/(x2 v'' + (1 - x2) v') = 3.29437 kg/m3 and the sound speed of the
// mixture, sqrt(kappa'' p / (alpha rho)) with the exponent w^2 rho / p =
// 1.2987 of saturated steam and the vapour's share alpha of the volume,
// 486.37 m/s. With 1 % moisture, 2400 kg/h and 1.5 bar(a) the steam leaves
// superheated (u2 = 42.1 m/s): 141.738 degC, 0.794326 kg/m3, w = 498.17 m/s
// (142.163 degC with h2 = h1).
TEST(ValveLayer, WetSteamByVapourFractionOrEnthalpy) {
  const TEntries kWet = {{"FluidName", "Wasser"}, {"Phase", "Zweiphasig (Flüssig/Dampf)"}, {"P1", "10"},
                         {"T1", "179.89"}, {"p2", "6"}, {"Qm", "2000"}, {"kvs", "25"}, {"DNV", "50"},
                         {"Seat", "40"}, {"PipeClass", "EN 10220 Reihe 1, P235GH"}, {"EN13480Name", "P235GH"},
                         {"DN", "150"}, {"DN1", "150"}};
  struct Case { const char* what; TEntries edits; Extended x1, x2, T2, rho2, cf2; };
  const Case cases[] = {
      {"x = 95 %, wet behind the valve", {{"xMv1", "95"}}, 95, 96.17557L, 158.8324L, 3.294368L, 486.371L},
      {"h of x = 95 %, the same", {{"EnterXorH", "Enthalpie h"}, {"H1", "2676.397703"}}, 95, 96.17557L, 158.8324L,
       3.294368L, 486.371L},
      {"x = 99 % to 1.5 bar, superheated behind the valve", {{"xMv1", "99"}, {"p2", "1.5"}, {"Qm", "2400"}}, 99, 100,
       141.7375L, 0.794326L, 498.166L},
      {"h of x = 50 %", {{"EnterXorH", "Enthalpie h"}, {"H1", "1769.901191"}}, 50, NoValue, NoValue, NoValue, NoValue},
      {"h of x = 5 %", {{"EnterXorH", "Enthalpie h"}, {"H1", "863.404679"}}, 5, NoValue, NoValue, NoValue, NoValue},
  };
  auto byX = Calculation(kWet, {{"xMv1", "95"}});
  EXPECT_NEAR(byX->GetValue("H1"), 2676.397703L, 1e-5);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto calc = Calculation(kWet, c.edits);
    EXPECT_NEAR(calc->GetValue("xMv1"), c.x1, 1e-5);
    EXPECT_EQ(calc->Item("xMv1")->GetReadOnly(), c.edits[0].first == "EnterXorH");
    if (IsNoValue(c.x2)) continue;
    EXPECT_NEAR(calc->GetValue("xFG"), c.x2, 1e-4);
    EXPECT_NEAR(calc->GetValue("T2Medium"), c.T2, 1e-3);
    EXPECT_NEAR(calc->GetValue("rho2"), c.rho2, 2e-5 * c.rho2);
    EXPECT_NEAR(calc->GetValue("cf2"), c.cf2, 2e-5 * c.cf2);
    // What follows from the state behind the valve.
    for (const char* n : {"u2", "MaDN", "LpAa"}) EXPECT_TRUE(HasValue(calc->GetValue(n))) << n;
    if (c.edits[0].first != "EnterXorH") continue;
    // The same state either way; back to the vapour fraction, the one the
    // enthalpy gave is the entry.
    for (const char* n : {"kv", "t2", "xFG", "rho2", "cf2"})
      EXPECT_NEAR(calc->GetValue(n), byX->GetValue(n), 1e-8 * byX->GetValue(n)) << n;
    calc->Enter("EnterXorH", "Dampfanteil x");
    EXPECT_FALSE(calc->Item("xMv1")->GetReadOnly());
    EXPECT_NEAR(calc->GetValue("xMv1"), 95, 1e-5);
  }
}

TEST(ValveLayer, ChecksAcrossThePoints) {
  const TEntries kOil = {{"FluidName", "Heizoel schwer (RMG 380)"}, {"T1", "80"}, {"T1Ap2", "80"}, {"T1Ap3", "80"},
                         {"T1ApX", "80"}};
  const TEntries kLNG = {{"FluidName", "Methan"}, {"T1", "-160"}, {"T1Ap2", "-160"}, {"T1Ap3", "-160"},
                         {"T1ApX", "-160"}};
  struct Case { const char* what; TEntries edits; int msgNo; bool expected; };
  const Case cases[] = {
      {"Kvs covers every point", {}, 1901, false},
      {"Kvs below the largest Kv", {{"kvs", "10"}}, 1901, true},
      {"nearly closed at point 1", {{"kvs", "160"}}, 1902, true},
      {"nearly open at point 3", {{"kvs", "12"}}, 1903, true},
      {"points in order", {}, 1905, false},
      {"points out of order", {{"QmAp2", "5000"}}, 1905, true},
      {"rangeability exceeded", {{"Qm", "100"}, {"kvs", "100"}}, 1904, true},
      {"water has a flow state and noise", {}, 1906, false},
      {"an oil without a vapour pressure: no flow state", kOil, 1906, true},
      {"an oil without a vapour pressure: no noise", kOil, 1907, true},
      {"liquid methane (LNG) has a noise level", kLNG, 1907, false},
      // The characteristic the control task asks for (drop at point 3, the
      // largest flow, 7 bar against 2 bar at point 1, the smallest).
      {"no recommendation unless asked", {{"Control", "Temperatur"}}, 1930, false},
      {"level, drop rising above 200 %", {{"RecommendChar", "ja"}, {"Control", "Füllstand"}}, 1923, true},
      {"level, drop falling below 20 %", {{"RecommendChar", "ja"}, {"Control", "Füllstand"}, {"p2", "2"},
                                          {"p2Ap3", "8.5"}}, 1922, true},
      {"level, drop stated constant", {{"RecommendChar", "ja"}, {"Control", "Füllstand"}, {"CiBase", "Angabe"},
                                       {"ControlRange", "nahezu konstant"}}, 1921, true},
      {"liquid pressure", {{"RecommendChar", "ja"}, {"Control", "Druck"}}, 1924, true},
      {"gas of large volume, drop rising", {{"RecommendChar", "ja"}, {"Control", "Druck"},
                                            {"PressureControl", "Gas, großes Volumen"}}, 1926, true},
      {"flow, wide range", {{"RecommendChar", "ja"}}, 1927, true},
      {"flow by differential pressure, bypass", {{"RecommendChar", "ja"}, {"Measurement", "Wirkdruck (quadratisch)"},
                                                 {"ApplicationOf", "im Bypass"}}, 1929, true},
      {"temperature", {{"RecommendChar", "ja"}, {"Control", "Temperatur"}}, 1930, true},
      {"injection valve with water", {{"InjectionValve", "ja"}}, 1913, false},
      {"injection valve with a vapour", {{"Phase", "Dampfförmig"}, {"InjectionValve", "ja"}}, 1913, true},
      {"wet steam by an enthalpy of the wet region", {{"Phase", "Zweiphasig (Flüssig/Dampf)"}, {"T1", "179.89"},
       {"EnterXorH", "Enthalpie h"}, {"H1", "2000"}}, 1911, false},
      {"wet steam by an enthalpy below h'", {{"Phase", "Zweiphasig (Flüssig/Dampf)"}, {"T1", "179.89"},
       {"EnterXorH", "Enthalpie h"}, {"H1", "700"}}, 1911, true},
      {"wet steam by an enthalpy above h''", {{"Phase", "Zweiphasig (Flüssig/Dampf)"}, {"T1", "179.89"},
       {"EnterXorH", "Enthalpie h"}, {"H1", "2800"}}, 1911, true},
      {"an enthalpy of a medium without saturation enthalpies", {{"FluidName", "Ammoniak"},
       {"Phase", "Zweiphasig (Flüssig/Dampf)"}, {"EnterXorH", "Enthalpie h"}, {"H1", "1000"}}, 1912, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto calc = Calculation(kWater);
    for (const auto& [n, t] : c.edits) calc->Enter(n, t);
    bool found = false;
    for (const auto& m : calc->GetCalcMessageContainer()->Messages()) found |= m->MsgNo == c.msgNo;
    EXPECT_EQ(found, c.expected);
  }
  auto calc = Calculation(kWater);
  for (int k : {1, 2, 3, 4}) EXPECT_EQ(calc->GetValue("StrokePosition" + Suffix(k)), calc->GetValue("h" + Suffix(k)));
}

// A module of the same class, on its own.
std::unique_ptr<TCalcModule> Alone(const TCalcModule& m) {
  const std::string c = m.ClassName();
  if (c == "TCMControlValves") return std::make_unique<TCMControlValves>();
  if (c == "TCMResistor") return std::make_unique<TCMResistor>();
  if (c == "TCMMixedDensity") return std::make_unique<TCMMixedDensity>();
  if (c == "TCMVDMA79") return std::make_unique<TCMVDMA79>();
  if (c == "TCMVDMA89") return std::make_unique<TCMVDMA89>();
  if (c == "tCMIEC2003") return std::make_unique<tCMIEC2003>();
  if (c == "TCMIsa89") return std::make_unique<TCMIsa89>();
  return nullptr;
}

// Runs a test at a number of significant digits and puts the option back.
struct TDigits {
  const int FSaved = HXOptions().SignificantDigits;
  explicit TDigits(int digits) { HXOptions().SignificantDigits = digits; }
  ~TDigits() { HXOptions().SignificantDigits = FSaved; }
};

// How closely a calculation pins its values: it has settled when no value
// changes by more than its significant digits less one (the option, 11 by
// default), so a value may stand that far from where a calculation with
// another history put it. At 20 digits that is the last bit of the 64-bit
// mantissa.
Extended Settled() {
  int digits = HXOptions().SignificantDigits;
  if (digits >= 4) --digits;
  return std::pow(10.0L, -static_cast<Extended>(digits));
}

// Feeds a stand-alone module every value the assembly's module reads from
// elsewhere or was given, computes it and compares every item.
void ExpectSameAsAlone(TCalcModule& inAssembly, Extended tolerance) {
  SCOPED_TRACE(inAssembly.GetName());
  auto alone = Alone(inAssembly);
  ASSERT_TRUE(alone);
  TCalcMessageContainer messages;
  alone->SetCalcMessageContainer(&messages);
  for (TCalcItem* i : inAssembly.GetCalcItems()) {
    if (!i->GetIsTarget() && i->GetInputState() != isUser) continue;
    TCalcItem* j = alone->CalcItemByName(i->GetName());
    if (const TCalcParameter* p = i->AsParameter()) j->AsParameter()->SetValue(p->GetValue());
    else if (auto* s = dynamic_cast<TCalcSwitch*>(i)) static_cast<TCalcSwitch*>(j)->SetChecked(s->GetChecked());
    else if (auto* m = dynamic_cast<TCustomCalcMultiSwitch*>(i)) {
      auto* n = static_cast<TCustomCalcMultiSwitch*>(j);
      if (n->GetValueList().empty()) n->SetValueList(m->GetValueList());  // lists filled from a database
      n->SetSwitchStatus(m->GetSwitchStatus());
    }
  }
  alone->SetActive(true);
  alone->Calculate();
  for (TCalcItem* i : inAssembly.GetCalcItems()) {
    if (i->GetIsTarget() || i->GetInputState() == isUser) continue;  // given to both
    SCOPED_TRACE(i->GetName());
    const TCalcItem* j = alone->CalcItemByName(i->GetName());
    if (const TCalcParameter* p = i->AsParameter()) {
      const Extended a = p->GetValue(), b = j->AsParameter()->GetValue();
      if (HasValue(a) || HasValue(b)) {
        ASSERT_TRUE(HasValue(a) && HasValue(b)) << a << " " << b;
        EXPECT_NEAR(a, b, tolerance * std::max(std::fabs(a), std::fabs(b)));
      }
    } else if (auto* m = dynamic_cast<TCustomCalcMultiSwitch*>(i)) {
      EXPECT_EQ(m->GetSwitchStatus(), static_cast<const TCustomCalcMultiSwitch*>(j)->GetSwitchStatus());
    } else if (auto* s = dynamic_cast<TCalcSwitch*>(i)) {
      EXPECT_EQ(s->GetChecked(), static_cast<const TCalcSwitch*>(j)->GetChecked());
    }
  }
  messages.RemoveAllMessages();
  alone->SetCalcMessageContainer(nullptr);
}

// The physical meaning of the wiring: the medium behind the valve is at
// the valve's outlet pressure and the temperature the medium reaches
// there; a resistor behind the valve starts at the valve's outlet
// pressure; the actuator closes against the largest inlet and the smallest
// outlet pressure of the points.
TEST(ValveLayer, ModulesReadTheStateTheyStandFor) {
  auto calc = Calculation(ReadExample("valve_steam_noise.case"), {{"UseResistors", "ja"}, {"p2Res", "5"},
                                                                  {"p2ResAp2", "4"}, {"p2ResAp3", "3"},
                                                                  {"p2ResApX", "5"}});
  Extended p1Max = NoValue, p2Min = NoValue;
  for (int k : {1, 2, 3, 4}) {
    SCOPED_TRACE(k);
    const std::string s = Suffix(k);
    TCMSubstances& behind = calc->FCMSubstances2[k]->CalcModule();
    EXPECT_EQ(behind.p1->GetValue(), calc->GetValue("p2" + s));
    EXPECT_EQ(behind.T1->GetValue(), calc->GetValue("t2v" + s));
    EXPECT_LT(behind.T1->GetValue(), calc->GetValue("T1" + s) - 5);  // steam cools by throttling
    EXPECT_EQ(calc->FCMResistor[k]->p1->GetValue(), calc->GetValue("p2" + s));
    EXPECT_EQ(calc->FCMResistor[k]->p2->GetValue(), calc->GetValue("p2Res" + s));
    p1Max = HasValue(p1Max) ? std::max(p1Max, calc->GetValue("P1" + s)) : calc->GetValue("P1" + s);
    p2Min = HasValue(p2Min) ? std::min(p2Min, calc->GetValue("p2" + s)) : calc->GetValue("p2" + s);
  }
  EXPECT_EQ(calc->FCMActuator->p1->GetValue(), p1Max);
  EXPECT_EQ(calc->FCMActuator->p2->GetValue(), p2Min);
  EXPECT_EQ(p2Min, 8);  // point 3 of the example
}

// At full precision (20 significant digits) the examples settle to exactly
// what each module alone computes: the assembly adds wiring, never
// different numbers.
TEST(ValveLayer, ExamplesComputeWhatTheModulesComputeAlone) {
  const TDigits full(20);
  // flowState3: the flow state the example shows at point 3.
  struct Example { const char* file; std::vector<int> points; const char* flowState3; };
  const Example examples[] = {
      {"valve_water.case", {1, 2, 3, 4}, "maximale Kavitation"},
      {"valve_steam_noise.case", {1, 2, 3, 4}, "normal"},
      {"valve_natural_gas.case", {1, 2, 3}, "normal"},
      {"valve_flashing.case", {1, 2, 3}, "Verdampfung"},
      {"valve_from_catalogue.case", {1, 2, 3, 4}, "maximale Kavitation"},
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(e.file);
    auto calc = Calculation(ReadExample(e.file));
    for (const auto& m : calc->GetCalcMessageContainer()->Messages()) {
      SCOPED_TRACE(m->Text);
      EXPECT_NE(m->MessageType, cmCalculationError);  // no internal faults
    }
    EXPECT_EQ(calc->GetText("FlowStateAp3"), e.flowState3);
    size_t compared = 0;
    for (int k : e.points) {
      SCOPED_TRACE(k);
      EXPECT_TRUE(HasValue(calc->GetValue("kv" + Suffix(k))));
      EXPECT_TRUE(HasValue(calc->GetValue("LpAa" + Suffix(k))));
      for (TCalcModule* m : ModulesOf(*calc, k))
        if (m->GetEnabled() && Alone(*m)) ExpectSameAsAlone(*m, 0), ++compared;
    }
    // At least the mixture behind the valve, the sizing and one noise
    // method per point: a module switched off by mistake cannot pass
    // unchecked.
    EXPECT_GE(compared, 3 * e.points.size());
  }
}

// The state of the main module: texts of switches and strings, values of
// parameters.
struct TMainState {
  std::map<std::string, std::string> texts;
  std::map<std::string, Extended> values;
};

TMainState MainState(TSuperCalcModule& c) {
  TMainState s;
  for (TCalcItem* i : c.GetMainCalcModule()->GetCalcItems()) {
    if (i->GetName().rfind("When", 0) == 0) continue;  // dates of the file
    if (const TCalcParameter* p = i->AsParameter()) s.values[i->GetName()] = p->GetValue();
    else s.texts[i->GetName()] = i->GetText();
  }
  return s;
}

// The same state, to `tolerance` relative.
void ExpectSameState(const TMainState& a, const TMainState& b, Extended tolerance) {
  for (const auto& [name, text] : a.texts) EXPECT_EQ(b.texts.at(name), text) << name;
  for (const auto& [name, v] : a.values) {
    const Extended w = b.values.at(name);
    EXPECT_EQ(HasValue(v), HasValue(w)) << name;
    if (HasValue(v) && HasValue(w)) {
      EXPECT_NEAR(v, w, tolerance * std::max(std::fabs(v), std::fabs(w))) << name;
    }
  }
}

// Undo puts every entry back and recalculates. Redoing an edit calculates
// it again and agrees with the first time to the settled precision.
TEST(ValveLayer, UndoReturnsEveryValue) {
  auto calc = Calculation(kWater);
  const std::vector<std::pair<std::string, std::string>> edits = {
      {"kvs", "63"}, {"p2Ap2", "4"}, {"NoiseNormLiquid", "VDMA 24422 (1989)"}, {"WhatToCalculate", "Austrittsdruck"},
      {"T1ApX", "70"}};
  std::vector<TMainState> states{MainState(*calc)};
  for (const auto& [n, t] : edits) {
    calc->Enter(n, t);
    states.push_back(MainState(*calc));
  }
  for (size_t i = edits.size(); i > 0; --i) {
    SCOPED_TRACE("undo of " + edits[i - 1].first);
    ASSERT_TRUE(calc->UnDo());
    // Undo recalculates the state it puts back: the results of the
    // entries afresh, which the step-by-step results before meet to the
    // last digits of a double (the sizing kernel computes in double).
    ExpectSameState(MainState(*calc), states[i - 1], 1E-15L);
  }
  for (size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE("redo of " + edits[i].first);
    calc->Enter(edits[i].first, edits[i].second);
    ExpectSameState(MainState(*calc), states[i + 1], Settled());
  }
}

// The smallest recommended size carries every point: it is the largest
// of the sizes each point needs alone (a feedwater duty at its largest
// load, a flashing point's mixture), not point 1's.
TEST(ValveLayer, SmallestSizeCarriesEveryPoint) {
  for (const char* file : {"valve_water.case", "valve_flashing.case", "valve_steam_noise.case", "valve_natural_gas.case"}) {
    SCOPED_TRACE(file);
    auto calc = Calculation(ReadExample(file));
    Extended largest = NoValue;
    int counted = 0;
    for (int k : {1, 2, 3, 4}) {
      if (!calc->PointOn(k)) continue;
      const std::string s = Suffix(k);
      // The module alone, given what the assembly's module is given, with
      // the point's duty.
      auto alone = std::make_unique<TCMSuggestDN>();
      for (TCalcItem* i : calc->fCMSuggestDN->GetCalcItems()) {
        TCalcItem* j = alone->CalcItemByName(i->GetName());
        if (const TCalcParameter* p = i->AsParameter()) j->AsParameter()->SetValue(p->GetValue());
        else if (auto* m = dynamic_cast<TCustomCalcMultiSwitch*>(i)) {
          auto* n = static_cast<TCustomCalcMultiSwitch*>(j);
          if (n->GetValueList().empty()) n->SetValueList(m->GetValueList());
          n->SetSwitchStatus(m->GetSwitchStatus());
        }
      }
      const auto status = [&](const std::string& n) {
        return static_cast<TCustomCalcMultiSwitch*>(calc->GetMainCalcModule()->CalcItemByName(n))->GetSwitchStatus();
      };
      auto& a = static_cast<TCMSuggestDN&>(*alone);
      a.CalculatedPhase->SetSwitchStatus(status("CalculatedPhase" + s));
      a.FlowState->SetSwitchStatus(status("FlowState" + s));
      a.qm->SetValue(calc->GetValue("QmValve" + s));
      a.rho1->SetValue(calc->GetValue("Rho1" + s));
      a.rho2->SetValue(calc->GetValue("rho2" + s));
      a.cf2->SetValue(calc->GetValue("cf2" + s));
      a.SetActive(true);
      a.Calculate();
      const Extended dn = a.MinDN->GetValue();
      ASSERT_TRUE(HasValue(dn)) << k;
      largest = HasValue(largest) ? std::max(largest, dn) : dn;
      ++counted;
    }
    EXPECT_GE(counted, 3);
    EXPECT_EQ(calc->GetValue("MinDN"), largest);
  }
}

// The flow state of a liquid is read off the cavitation indices shown:
// normal above sigma i, incipient cavitation down to sigma id, strong
// cavitation down to sigma ch, maximum cavitation below.
TEST(ValveLayer, FlowStateIsReadOffTheShownIndices) {
  for (const char* p2 : {"9", "7", "6", "5.5", "5", "4", "3", "2"}) {
    SCOPED_TRACE(p2);
    auto calc = Calculation(ReadExample("valve_water.case"), {{"p2Ap2", p2}});
    const Extended sigma = calc->GetValue("SigmaAp2"), sigmaI = calc->GetValue("SigmaIAp2");
    const Extended sigmaId = calc->GetValue("SigmaIdAp2"), sigmaCh = calc->GetValue("SigmaChAp2");
    const std::string state = calc->GetText("FlowStateAp2");
    const std::string byIndices = sigma > sigmaI    ? "normal"
                                  : sigma > sigmaId ? "beginnende Kavitation"
                                  : sigma > sigmaCh ? "starke Kavitation"
                                                    : "maximale Kavitation";
    EXPECT_EQ(state, byIndices) << sigma << " " << sigmaI << " " << sigmaId << " " << sigmaCh;
  }
}

// Calculations written to and read from files of a folder of the test's own.
class ValveLayerFile : public TempFolderTest {
 protected:
  void SetUp() override { TempFolderTest::SetUp(), RegisterCalculationFiles(); }
  std::unique_ptr<TSCMTorva> Opened(const std::string& file) {
    auto calc = CreateCalculation<TSCMTorva>();
    calc->ReadFromFile(Path(file));
    return calc;
  }
};

TEST_F(ValveLayerFile, SavedAndOpenedCalculationShowsTheSameValues) {
  auto a = Calculation(ReadExample("valve_water.case"));
  a->Enter("WhatToCalculate", "Austrittsdruck");
  a->Enter("kv", "5");  // kv now an entry at every point
  for (const auto& [n, t] : TEntries{{"Compressible", "inkompressibel"}, {"EnterXorH", "Enthalpie h"}, {"InjectionValve", "ja"}})
    a->Enter(n, t);
  a->SaveToFile(Path("water.cvc"));
  auto b = Opened("water.cvc");
  ExpectSameState(MainState(*b), MainState(*a), Settled());
  for (int k : {1, 2, 3, 4}) EXPECT_TRUE(b->FCalcConnectorCalcp2[k]->GetEnabled());

  // A file written before the liquid noise edition could be chosen holds
  // no entry for it: it opens with the 2005 edition it was computed with,
  // and shows the numbers of a calculation that chose that edition.
  THXFile older;
  older.Load(Path("water.cvc"));
  TBixBinaryTag* items = older.GetCalculationTag().FindFirstTag("Items", 0, true, false);
  ASSERT_NE(items, nullptr);
  for (std::size_t i = 0; i < items->TagCount(); ++i)
    if (items->Tag(i).TagName == "NoiseStandardLiquid") items->DeleteTag(i--);
  older.SaveToFile(Path("water.cvc"));
  auto c = Opened("water.cvc");
  EXPECT_EQ(c->Item("NoiseStandardLiquid")->GetText(), "IEC 60534-8-4 (2005)");
  a->Enter("NoiseStandardLiquid", "IEC 60534-8-4 (2005)");
  ExpectSameState(MainState(*c), MainState(*a), Settled());
  EXPECT_NE(a->Param("LpAa")->GetValue(), b->Param("LpAa")->GetValue());
}

// While the valve comes from the catalogue, the catalogue's data stand
// where the user's entries stood, at every point; switched off, the
// entries are back. A saved calculation opens to the same valve.
TEST_F(ValveLayerFile, ValveFromTheCatalogueStandsForTheEntries) {
  auto calc = Calculation(kWater);
  calc->Enter("ValveFromDatabase", "ja");
  const TCMValveDatabase& db = *calc->fCMValveDatabase;
  ASSERT_TRUE(db.ChosenOffer().has_value());
  const Extended kvs = db.ChosenOffer()->Size.Kvs;
  EXPECT_TRUE(calc->FCalcConnectorValveDatabaseLN->GetEnabled());  // the trim's FL^2 and zy
  EXPECT_NE(kvs, 40);
  EXPECT_EQ(calc->Param("kvs")->GetValue(), kvs);
  EXPECT_EQ(calc->Param("DNV")->GetValue(), db.ChosenOffer()->Size.DN);
  EXPECT_FALSE(calc->Item("VSeries")->GetText().empty());
  for (int k : {1, 2, 3, 4}) {
    SCOPED_TRACE(k);
    EXPECT_EQ(calc->FCMControlValves[k]->kvs->GetValue(), kvs);
    EXPECT_EQ(calc->FCMControlValves[k]->fl2_75->GetValue(), db.fl2_75->GetValue());
    EXPECT_NEAR(calc->Param("KvKvs" + Suffix(k))->GetValue(), 100 * calc->Param("kv" + Suffix(k))->GetValue() / kvs,
                1e-10);
  }

  calc->SaveToFile(Path("catalogue.cvc"));
  ExpectSameState(MainState(*Opened("catalogue.cvc")), MainState(*calc), Settled());

  // The catalogue's VDMA 24422 (1989) coefficients give that method a
  // level, its internal sound power within 1.5 dB of IEC 60534-8-4:2015's.
  const Extended lwiIec = calc->GetValue("Lwi");
  calc->Enter("NoiseNormLiquid", "VDMA 24422 (1989)");
  EXPECT_TRUE(HasValue(calc->GetValue("LpAa")));
  EXPECT_NEAR(calc->GetValue("Lwi"), lwiIec, 1.5);
  // A measured characteristic: the travel from the series' table.
  calc->Enter("CharacteristicType", "Messwerte gleichprozentig");
  const TTravelCurve curve = TTravelCurve::FromText(calc->GetText("KvCurve"));
  ASSERT_TRUE(curve.IsValid());
  EXPECT_NEAR(calc->GetValue("h"), curve.TravelAt(calc->GetValue("KvKvs")), 1e-9);

  calc->Enter("ValveFromDatabase", "nein");
  EXPECT_FALSE(calc->FCalcConnectorValveDatabaseLN->GetEnabled());
  EXPECT_EQ(calc->Param("kvs")->GetValue(), 40);
  EXPECT_EQ(calc->Param("DNV")->GetValue(), 50);
  EXPECT_EQ(calc->Param("fl2_75")->GetValue(), 0.81L);
  for (int k : {1, 2, 3, 4}) EXPECT_EQ(calc->FCMControlValves[k]->kvs->GetValue(), 40) << k;
}

}  // namespace
}  // namespace torvacalc
