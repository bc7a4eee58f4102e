#include "media/natural_gas.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "media/providers/natural_gas_abi.h"

namespace torvacalc {
namespace {

using namespace natgas;

// The 21-component example mixture of the published reference programs of
// AGA Report No. 8 (2017), mole fractions in the order of the libraries.
const double kExampleX[NGComponents] = {0.77824, 0.02,    0.06,    0.08,    0.03,   0.0015,
                                        0.003,   0.0005,  0.00165, 0.00215, 0.00088, 0.00024,
                                        0.00015, 0.00009, 0.004,   0.005,   0.002,  0.0001,
                                        0.0025,  0.007,   0.001};

// The same mixture in mol % by the numbers of tAGAConcentration.
void SetExample(tAGAConcentration& c) {
  for (int i = 1; i <= 21; ++i) c.SetC(i, kExampleX[NaturalGasLibraryIndex(i)] * 100);
}

struct TLibraryFunctions {
  double (*setx)(double*, int*);
  double (*state)(double*, double*, double*, double*, int*);
  double (*propsotd)(double*, double*, double*, int*);
};

TLibraryFunctions Functions(TNaturalGasMethod method) {
  tDLLEntry* e = DLLList().GetHandle(tNaturalGasSubstance::LibraryFile(method));
  if (!e) return {nullptr, nullptr, nullptr};
  return {std::bit_cast<double (*)(double*, int*)>(e->GetFunction("NGSETX")),
          std::bit_cast<double (*)(double*, double*, double*, double*, int*)>(
              e->GetFunction("NGSTATE")),
          std::bit_cast<double (*)(double*, double*, double*, int*)>(e->GetFunction("NGPROPSOTD"))};
}

// Published results of the reference programs for the example mixture at
// 400 K and 50 000 kPa (AGA Report No. 8 Part 1 and Part 2, 2017).
struct TReference {
  const char* name;
  int index;  // TNGOut
  double gerg, aga8;
};
const TReference kReference[] = {
    {"molar mass g/mol", ngM, 20.5427445016, 20.54333051},
    {"density mol/l", ngD, 12.79828626082062, 12.80792403648801},
    {"Z", ngZ, 1.174690666383717, 1.173801364147326},
    {"dp/drho kPa/(mol/l)", ngdPdD, 7000.694030193327, 6971.387690924090},
    {"dp/dT kPa/K", ngdPdT, 235.9832292593096, 235.6641493068212},
    {"u J/mol", ngU, -2746.492901212530, -2739.134175817231},
    {"h J/mol", ngH, 1160.280160510973, 1164.699096269404},
    {"s J/(mol K)", ngS, -38.57590392409089, -38.54882684677111},
    {"cv J/(mol K)", ngCv, 39.02948218156372, 39.12076154430332},
    {"cp J/(mol K)", ngCp, 58.45522051000366, 58.54617672380667},
    {"w m/s", ngW, 714.4248840596024, 712.6393684057903},
    {"g J/mol", ngG, 16590.64173014733, 16584.22983497785},
    {"Joule-Thomson K/kPa", ngJT, 7.155629581480913E-05, 7.432969304794577E-05},
    {"isentropic exponent", ngKappa, 2.683820255058032, 2.672509225184606},
    {"pressure kPa", ngP, 50000, 50000}};

TEST(NaturalGasLibrary, ReproducesTheReferenceProgramsForTheExampleMixture) {
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    SCOPED_TRACE(tNaturalGasSubstance::MethodName(method));
    const TLibraryFunctions f = Functions(method);
    ASSERT_TRUE(f.setx && f.state && f.propsotd);
    double x[NGComponents];
    std::copy(std::begin(kExampleX), std::end(kExampleX), x);
    int slot = 63;
    ASSERT_GT(f.setx(x, &slot), 0);
    double T = 400, P = 50000, wish = 0, out[ngCount];
    ASSERT_EQ(f.state(&T, &P, &wish, out, &slot), 1);  // one root
    for (const TReference& r : kReference) {
      SCOPED_TRACE(r.name);
      const double expected = method == ngmGERG2008 ? r.gerg : r.aga8;
      EXPECT_NEAR(out[r.index], expected, 1E-10 * std::fabs(expected));
    }
    // The second derivative is published for AGA8 only.
    if (method == ngmAGA8Detail) {
      EXPECT_NEAR(out[ngd2PdD2], 1118.803636639520, 1.2E-7);
    }
  }
}

// Thermodynamic consistency: the derivatives of the pressure agree with
// difference quotients of the equation itself, and h, g follow from u, s.
TEST(NaturalGasLibrary, DerivativesAgreeWithDifferenceQuotients) {
  const double states[][2] = {{400, 12.8}, {250, 5}, {300, 0.4}, {200, 18}};
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    const TLibraryFunctions f = Functions(method);
    ASSERT_TRUE(f.propsotd);
    double x[NGComponents];
    std::copy(std::begin(kExampleX), std::end(kExampleX), x);
    int slot = 62;
    ASSERT_GT(f.setx(x, &slot), 0);
    for (const auto& st : states) {
      SCOPED_TRACE(std::string(tNaturalGasSubstance::MethodName(method)) + " T=" +
                   std::to_string(st[0]) + " D=" + std::to_string(st[1]));
      double T = st[0], D = st[1], o[ngCount], up[ngCount], dn[ngCount];
      ASSERT_EQ(f.propsotd(&T, &D, o, &slot), 0);
      const double hD = D * 1E-5, hT = T * 1E-6;
      double Dp = D + hD, Dm = D - hD;
      f.propsotd(&T, &Dp, up, &slot);
      f.propsotd(&T, &Dm, dn, &slot);
      EXPECT_NEAR((up[ngP] - dn[ngP]) / (2 * hD), o[ngdPdD], 1E-6 * std::fabs(o[ngdPdD]));
      EXPECT_NEAR((up[ngdPdD] - dn[ngdPdD]) / (2 * hD), o[ngd2PdD2], 1E-5 * std::fabs(o[ngd2PdD2]) + 1E-6);
      double Tp = T + hT, Tm = T - hT;
      f.propsotd(&Tp, &D, up, &slot);
      f.propsotd(&Tm, &D, dn, &slot);
      EXPECT_NEAR((up[ngP] - dn[ngP]) / (2 * hT), o[ngdPdT], 1E-6 * std::fabs(o[ngdPdT]));
      EXPECT_NEAR((up[ngU] - dn[ngU]) / (2 * hT), o[ngCv], 1E-5 * std::fabs(o[ngCv]));
      EXPECT_NEAR(o[ngH], o[ngU] + o[ngP] / D, 1E-9 * std::fabs(o[ngH]) + 1E-9);
      EXPECT_NEAR(o[ngG], o[ngH] - T * o[ngS], 1E-9 * std::fabs(o[ngG]) + 1E-9);
    }
  }
}

// Compression factors and densities of pure gases at 0 degC and
// 101.325 kPa as published with ISO 6976 (methane 0.7175 kg/m3, nitrogen
// 1.2504 kg/m3, both given to four digits): the pure-substance equations of
// GERG-2008 and the detail method must give them.
TEST(NaturalGasSubstance, NormalDensitiesOfMethaneAndNitrogen) {
  struct Case { int component; double rhoN; } cases[] = {{1, 0.7175}, {2, 1.2504}};
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(tNaturalGasSubstance::MethodName(method)) + " " +
                   tAGAConcentration::ComponentName(c.component));
      tNaturalGasSubstance gas(method);
      ASSERT_TRUE(gas.GetActive()) << gas.GetLoadError();
      gas.GetAGAConcentration().SetC(c.component, 100);
      gas.SetTN0(0);
      gas.SetPN0(1.01325);
      gas.SetT(0);
      gas.SetP(1.01325);
      EXPECT_NEAR(static_cast<double>(gas.GetRhoN()), c.rhoN, 0.6E-4);
      EXPECT_NEAR(static_cast<double>(gas.GetRho()), c.rhoN, 0.6E-4);
    }
  }
}

// The pure components as library substances, against the reference
// equations' published values: nitrogen (Span et al. 2000, NIST tables),
// methane (Setzmann and Wagner 1991), carbon dioxide (Span and Wagner
// 1996), water (IAPWS-95). GERG-2008's pure-substance equations are the
// shorter forms of these: gas densities within 0.1 %, speeds of sound and
// heat capacities within 0.3 %, vapour pressures within 0.5 % (water 1 %),
// boiling temperatures within 0.2 K.
TEST(NaturalGasSubstance, PureFluidsReproducePublishedReferenceValues) {
  struct Case { const char* what; int component; Extended t, p; TExtProperty prop; double value, tolerance; };
  const Case cases[] = {
      {"N2 300 K 0.1 MPa density", 2, 26.85, 1, epRho, 1.1233, 1E-3},
      {"N2 300 K 1 atm speed of sound", 2, 26.85, 1.01325, epcf, 353.1, 3E-3},
      {"N2 300 K 1 atm cp", 2, 26.85, 1.01325, epcp, 1.0414, 3E-3},
      {"CH4 300 K 1 atm speed of sound", 1, 26.85, 1.01325, epcf, 450.1, 3E-3},
      {"CO2 vapour pressure at 0 degC", 3, 0, 1, epPv, 34.851, 5E-3},
      {"CO2 critical pressure", 3, 0, 1, epPc, 73.773, 5E-3},
      {"CO2 critical temperature", 3, 0, 1, epTc, 30.9782, 1E-4},
      {"CH4 normal boiling point (K)", 1, 0, 1.01325, epTv, 111.667 - 273.15, 0.2 / 161.5},
      {"N2 normal boiling point (K)", 2, 0, 1.01325, epTv, 77.355 - 273.15, 0.2 / 195.8},
      {"H2O vapour pressure at 100 degC", 6, 100, 1, epPv, 1.01418, 1E-2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tGERGPureFluid fluid(c.component);
    ASSERT_TRUE(fluid.GetActive()) << fluid.GetLoadError();
    fluid.SetT(c.t);
    fluid.SetP(c.p);
    EXPECT_NEAR(static_cast<double>(fluid.GetValue(c.prop)), c.value, std::fabs(c.value) * c.tolerance);
  }
  // Above the critical temperature there is no saturation.
  tGERGPureFluid methane(1);
  methane.SetT(0);
  EXPECT_TRUE(IsNoValue(methane.GetValue(epPv)));
}

// The provider gives the reference mixture in the engine's units.
double Reference(int index, bool gerg) {
  for (const TReference& r : kReference)
    if (r.index == index) return gerg ? r.gerg : r.aga8;
  return NAN;
}

TEST(NaturalGasSubstance, ConvertsTheReferenceStateIntoEngineUnits) {
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    SCOPED_TRACE(tNaturalGasSubstance::MethodName(method));
    const bool gerg = method == ngmGERG2008;
    tNaturalGasSubstance gas(method);
    SetExample(gas.GetAGAConcentration());
    gas.SetT(400 - 273.15);
    gas.SetP(500);
    const double M = Reference(ngM, gerg), D = Reference(ngD, gerg);
    const struct { const char* what; Extended value; double expected; } converted[] = {
        {"M", gas.GetM(), M}, {"rho kg/m3", gas.GetRho(), D * M}, {"molar density", gas.GetMolarDensity(), D},
        {"h kJ/kg", gas.GetH(), Reference(ngH, gerg) / M},
        {"Joule-Thomson K/bar", gas.GetJouleThomson(), Reference(ngJT, gerg) * 100},
        {"speed of sound", gas.Getcf(), Reference(ngW, gerg)}};
    for (const auto& c : converted) {
      SCOPED_TRACE(c.what);
      EXPECT_NEAR(static_cast<double>(c.value), c.expected, 1E-10 * c.expected);
    }
    EXPECT_EQ(gas.GetPhase(), cpSuperCritical);  // denser than the pseudo-critical point
    EXPECT_EQ(gas.GetRootKind(), 1);
    // An overruled density carries every other property with it.
    const Extended kappa = gas.GetKappa();
    gas.SetRho(D * M);
    EXPECT_NEAR(static_cast<double>(gas.GetKappa()), static_cast<double>(kappa), 1E-9);
  }
}

// The example gases of AGA Report No. 8 (compositions of the report's
// table of test gases, mol %): GERG-2008 and the detail method were both
// fitted to pipeline gases and agree there within their stated density
// uncertainty of 0.1 %.
struct TExampleGas {
  const char* name;
  Extended c[22];  // by tAGAConcentration number
};
const TExampleGas kExampleGases[] = {
    {"Gulf Coast", {0, 96.5222, 0.2595, 0.5956, 1.8186, 0.4596, 0, 0, 0, 0, 0, 0.0977, 0.1007, 0.0473,
                    0.0324, 0.0664}},
    {"Amarillo", {0, 90.6724, 3.1284, 0.4676, 4.5279, 0.828, 0, 0, 0, 0, 0, 0.1037, 0.1563, 0.0321,
                  0.0443, 0.0393}},
    {"Ekofisk", {0, 85.9063, 1.0068, 1.4954, 8.4919, 2.3015, 0, 0, 0, 0, 0, 0.3486, 0.3506, 0.0509,
                 0.048}},
    {"High N2", {0, 81.441, 13.465, 0.985, 3.3, 0.605, 0, 0, 0, 0, 0, 0.1, 0.104}},
    {"High CO2-N2", {0, 81.212, 5.702, 7.585, 4.303, 0.895, 0, 0, 0, 0, 0, 0.151, 0.152}}};

TEST(NaturalGasSubstance, BothMethodsAgreeForTheExampleGasesOfTheReport) {
  const double states[][2] = {{0, 20}, {15, 60}, {40, 120}, {-10, 80}};  // degC, bar
  for (const TExampleGas& g : kExampleGases) {
    for (const auto& s : states) {
      SCOPED_TRACE(std::string(g.name) + " " + std::to_string(s[0]) + " degC " +
                   std::to_string(s[1]) + " bar");
      tAGA8Substance aga;
      tGERGSubstance gerg;
      for (int i = 1; i <= 21; ++i) {
        aga.GetAGAConcentration().SetC(i, g.c[i]);
        gerg.GetAGAConcentration().SetC(i, g.c[i]);
      }
      EXPECT_NEAR(static_cast<double>(aga.GetAGAConcentration().CalculateCSum()), 100, 1E-9);
      for (tNaturalGasSubstance* p : {static_cast<tNaturalGasSubstance*>(&aga),
                                      static_cast<tNaturalGasSubstance*>(&gerg)}) {
        p->SetT(s[0]);
        p->SetP(s[1]);
      }
      const double za = static_cast<double>(aga.GetZ()), zg = static_cast<double>(gerg.GetZ());
      EXPECT_NEAR(za, zg, 1E-3 * zg);
      EXPECT_LT(za, 1);
      EXPECT_GT(za, 0.6);
    }
  }
}

// Pure propane at 300 K has its vapour pressure near 998 kPa and the
// vapour spinodal near 1.6 MPa: below 998 kPa the vapour root is the stable
// one of two, between the two the liquid root; above the spinodal only the
// liquid root exists. A wish for one branch gives that branch's root.
TEST(NaturalGasLibrary, ChoosesTheStableOfTwoRoots) {
  const TLibraryFunctions f = Functions(ngmGERG2008);
  double x[NGComponents] = {};
  x[4] = 1;  // propane
  int slot = 61;
  ASSERT_GT(f.setx(x, &slot), 0);
  struct Case {
    double P, wish;
    int kind;  // TRootKind
    double Dmin, Dmax;
  } cases[] = {{500, 0, 2, 0.1, 0.3},   {1200, 0, 3, 10, 12}, {2000, 0, 1, 10, 12},
               {1200, 1, 1, 0.5, 1.2},  {500, 2, 1, 10, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE("P=" + std::to_string(c.P) + " wish=" + std::to_string(c.wish));
    double T = 300, P = c.P, w = c.wish, out[ngCount];
    ASSERT_EQ(f.state(&T, &P, &w, out, &slot), c.kind);
    EXPECT_GT(out[ngD], c.Dmin);
    EXPECT_LT(out[ngD], c.Dmax);
    EXPECT_NEAR(out[ngP], P, 1E-9 * P);
  }
  // A vapour above the spinodal does not exist.
  double T = 300, P = 2000, w = 1, out[ngCount];
  EXPECT_EQ(f.state(&T, &P, &w, out, &slot), -9999);
}

TEST(NaturalGasSubstance, HostileCompositionsGiveMessagesAndNoValue) {
  struct Case { const char* what; int component[2]; Extended value[2]; int message; bool values; } cases[] = {
      {"negative fraction", {1, 2}, {110, -10}, gmNegative, false},
      {"all zero", {1, 2}, {0, 0}, gmEmpty, false},
      {"sum 0.5 %", {1, 4}, {0.45, 0.05}, gmNormalised, true},
      {"sum 200 %", {1, 4}, {180, 20}, gmNormalised, true},
      {"unknown component 25", {1, 25}, {99, 1}, gmUnknownComponent, false},
  };
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(tNaturalGasSubstance::MethodName(method)) + ": " + c.what);
      tNaturalGasSubstance gas(method);
      for (int k = 0; k < 2; ++k) gas.GetAGAConcentration().SetC(c.component[k], c.value[k]);
      gas.SetT(15);
      gas.SetP(50);
      bool found = false;
      for (const TGasMessage& m : gas.CheckComposition()) found |= m.No == c.message;
      EXPECT_TRUE(found);
      EXPECT_EQ(!IsNoValue(gas.GetRho()), c.values);
      if (c.values) {
        // Normalised: the same as 90 % methane and 10 % ethane.
        tNaturalGasSubstance ref(method);
        ref.GetAGAConcentration().SetC(1, 90);
        ref.GetAGAConcentration().SetC(4, 10);
        ref.SetT(15);
        ref.SetP(50);
        EXPECT_NEAR(static_cast<double>(gas.GetRho()), static_cast<double>(ref.GetRho()), 1E-10);
      }
    }
  }
}

TEST(NaturalGasSubstance, HostileStatesEndQuicklyWithNoValueOrRangeMessages) {
  struct Case {
    const char* what;
    Extended T, P;  // degC, bar
    bool values;
    int message;
  } cases[] = {
      {"T = 0 K", -273.15L, 50, false, gmStateExtended},
      {"p = 0", 15, 0, false, 0},
      {"negative pressure", 15, -5, false, 0},
      {"far too hot", 5000, 50, true, gmStateExtended},
      {"far too much pressure", 15, 1E6L, true, gmStateExtended},
      {"NoValue temperature", NoValue, 50, false, 0},
      {"infinite pressure", 15, INFINITY, false, 0},
  };
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    // Inside the extended range but below the normal range of each method.
    const Case belowNormal = {"below the normal range", method == ngmGERG2008 ? -190.0L : -20.0L, 50,
                              true, gmStateNormal};
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back(belowNormal);
    for (const Case& c : all) {
      SCOPED_TRACE(std::string(tNaturalGasSubstance::MethodName(method)) + ": " + c.what);
      tNaturalGasSubstance gas(method);
      SetExample(gas.GetAGAConcentration());
      gas.SetT(c.T);
      gas.SetP(c.P);
      const auto start = std::chrono::steady_clock::now();
      const Extended rho = gas.GetRho();
      std::vector<TGasMessage> msgs = gas.CheckState();
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
      if (!c.values) {
        EXPECT_TRUE(IsNoValue(rho));
      } else if (!IsNoValue(rho)) {
        EXPECT_GT(rho, 0);
      }
      if (c.message) {
        bool found = false;
        for (const TGasMessage& m : msgs) found |= m.No == c.message;
        EXPECT_TRUE(found);
      }
    }
  }
}

TEST(NaturalGasSubstance, Message131AndTheCompositionRangesOfTheDetailMethod) {
  tGERGSubstance gerg;
  gerg.GetAGAConcentration().SetC(1, 99.5);
  gerg.GetAGAConcentration().SetC(17, 0.5);  // n-octane
  bool has131 = false;
  for (const TGasMessage& m : gerg.CheckComposition()) has131 |= m.No == gmComponent17;
  EXPECT_TRUE(has131);
  tAGA8Substance aga;
  aga.GetAGAConcentration().SetC(1, 99.5);
  aga.GetAGAConcentration().SetC(17, 0.5);
  std::vector<int> numbers;
  for (const TGasMessage& m : aga.CheckComposition()) numbers.push_back(m.No);
  EXPECT_EQ(numbers, std::vector<int>{gmCompositionNormal});  // hexanes plus above 0.2 %
  aga.GetAGAConcentration().SetC(17, 0);
  aga.GetAGAConcentration().SetC(1, 80);
  aga.GetAGAConcentration().SetC(9, 20);  // carbon monoxide, expanded range ends at 3 %
  numbers.clear();
  for (const TGasMessage& m : aga.CheckComposition()) numbers.push_back(m.No);
  EXPECT_EQ(numbers, std::vector<int>{gmCompositionExtended});
}

TEST(NaturalGasSubstance, ComponentNamesInGermanEnglishAndFormula) {
  const struct {
    const char* name;
    int component;
  } cases[] = {{"Methan", 1},       {"methane", 1},  {"CH4", 1},        {"n-Butan", 12},
               {"nbutane", 12},     {"i-Butan", 11}, {"isobutane", 11}, {"Kohlendioxid", 3},
               {"carbon dioxide", 3}, {"CO2", 3},    {"H2S", 7},        {"Wasserstoff", 8},
               {"hydrogen", 8},     {"Argon", 21},   {"kryptonite", 0}, {"", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(NaturalGasComponentByName(c.name), c.component);
  }
}

// The libraries serve a plain library provider too: density from the
// inverted T(D, p) (TODPZ), heat capacity and isentropic exponent from the
// functions of (T, D), in the units of the substance library convention.
TEST(NaturalGasLibrary, ServesAPlainLibraryProviderThroughTheStandardFunctions) {
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    SCOPED_TRACE(tNaturalGasSubstance::MethodName(method));
    const TLibraryFunctions f = Functions(method);
    double x[NGComponents];
    std::copy(std::begin(kExampleX), std::end(kExampleX), x);
    int slot = 60;
    ASSERT_GT(f.setx(x, &slot), 0);
    tRUBDLLInterface plain(tNaturalGasSubstance::LibraryFile(method), slot);
    ASSERT_TRUE(plain.GetActive()) << plain.GetLoadError();
    tNaturalGasSubstance gas(method);
    SetExample(gas.GetAGAConcentration());
    for (tExtSubstances* p : {static_cast<tExtSubstances*>(&plain), static_cast<tExtSubstances*>(&gas)}) {
      p->SetT(20);
      p->SetP(70);
    }
    EXPECT_NEAR(static_cast<double>(plain.GetM()), static_cast<double>(gas.GetM()), 1E-12);
    EXPECT_NEAR(static_cast<double>(plain.GetRho()), static_cast<double>(gas.GetRho()),
                1E-9 * static_cast<double>(gas.GetRho()));
    EXPECT_NEAR(static_cast<double>(plain.Getcp()), static_cast<double>(gas.Getcp()), 1E-9);
    EXPECT_NEAR(static_cast<double>(plain.GetKappa()), static_cast<double>(gas.GetKappa()), 1E-9);
    EXPECT_TRUE(IsNoValue(plain.GetEta()));  // not part of the equations
  }
}

// Throttling keeps the enthalpy, an isentropic change the entropy; for a
// small pressure step the temperature change is the Joule-Thomson
// coefficient times the step.
TEST(NaturalGasSubstance, ThrottlingAndIsentropicChangesOfState) {
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    SCOPED_TRACE(tNaturalGasSubstance::MethodName(method));
    tNaturalGasSubstance gas(method);
    SetExample(gas.GetAGAConcentration());
    gas.SetT(15);
    gas.SetP(60);
    const Extended h1 = gas.GetH(), s1 = gas.GetS(), jt = gas.GetJouleThomson();
    const Extended T2 = gas.CalculateT2(15, 60, 20);
    ASSERT_FALSE(IsNoValue(T2));
    EXPECT_LT(T2, 15 - 5);  // natural gas cools when throttled
    tNaturalGasSubstance after(method);
    SetExample(after.GetAGAConcentration());
    after.SetT(T2);
    after.SetP(20);
    EXPECT_NEAR(static_cast<double>(after.GetH()), static_cast<double>(h1), 1E-9);
    const Extended small = gas.CalculateT2(15, 60, 59.99);
    EXPECT_NEAR(static_cast<double>((small - 15) / -0.01), static_cast<double>(jt), 1E-3 * jt);

    Extended rho2, T2s;
    gas.CalculateRhoIsentrop(rho2, T2s, 15, 60, 20);
    ASSERT_FALSE(IsNoValue(rho2));
    after.SetT(T2s);
    EXPECT_NEAR(static_cast<double>(after.GetS()), static_cast<double>(s1), 1E-11);
    EXPECT_NEAR(static_cast<double>(after.GetRho()), static_cast<double>(rho2), 1E-9 * rho2);
    EXPECT_LT(T2s, T2);  // expansion with work cools more than throttling
    // Unavailable inputs give NoValue.
    EXPECT_TRUE(IsNoValue(gas.CalculateT2(15, 60, 0)));
    EXPECT_TRUE(IsNoValue(gas.CalculateT2(NoValue, 60, 20)));
    // Another mixture at the same T1, P1, P2 throttles to its own t2 (the
    // last change of state is kept for the same inputs only): nitrogen
    // cools far less than the natural gas of the example.
    gas.CalculateT2(15, 60, 20);
    tAGAConcentration nitrogen;
    nitrogen.SetC(2, 100);
    gas.GetAGAConcentration().Assign(nitrogen);
    tNaturalGasSubstance fresh(method);
    fresh.GetAGAConcentration().Assign(nitrogen);
    const Extended T2N2 = gas.CalculateT2(15, 60, 20);
    EXPECT_EQ(T2N2, fresh.CalculateT2(15, 60, 20));
    EXPECT_GT(T2N2, T2 + 5);
  }
}

// Pure-component limit at low density: second virial coefficients of
// methane and nitrogen (recommended values of the compilation of Dymond and
// Smith, The Virial Coefficients of Pure Gases and Mixtures, 1980, in
// cm3/mol, uncertainty about 1 cm3/mol), from B = (Z - 1) / D as D -> 0.
TEST(NaturalGasLibrary, SecondVirialCoefficientsOfMethaneAndNitrogen) {
  struct Case {
    int index;  // library order
    double T, B;
  } cases[] = {{0, 273.15, -53.4}, {0, 298.15, -42.8}, {1, 273.15, -10.5}, {1, 298.15, -4.7}};
  for (TNaturalGasMethod method : {ngmGERG2008, ngmAGA8Detail}) {
    const TLibraryFunctions f = Functions(method);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(tNaturalGasSubstance::MethodName(method)) + " component " +
                   std::to_string(c.index) + " T=" + std::to_string(c.T));
      double x[NGComponents] = {};
      x[c.index] = 1;
      int slot = 59;
      ASSERT_GT(f.setx(x, &slot), 0);
      double T = c.T, D = 1E-6, out[ngCount];
      ASSERT_EQ(f.propsotd(&T, &D, out, &slot), 0);
      EXPECT_NEAR((out[ngZ] - 1) / D * 1000, c.B, 1.0);
    }
  }
}

TEST(NaturalGasSubstance, PhaseOfTheState) {
  struct Case {
    int component;
    Extended T, P;  // degC, bar
    teCalculatedPhase phase;
    bool twoRoots;
  } cases[] = {
      {5, 26.85L, 5, cpVapour, true},    // propane below its vapour pressure
      {5, 26.85L, 12, cpLiquid, true},   // above it, below the vapour spinodal
      {5, 26.85L, 20, cpLiquid, false},  // only the liquid root
      {5, 150, 50, cpGas, false},        // above the critical temperature, gas-like
      {1, 15, 60, cpGas, false},         // methane
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.component) + " " + std::to_string(static_cast<double>(c.P)) + " bar");
    tGERGSubstance gas;
    gas.GetAGAConcentration().SetC(c.component, 100);
    gas.SetT(c.T);
    gas.SetP(c.P);
    EXPECT_EQ(gas.GetPhase(), c.phase);
    bool two = false;
    for (const TGasMessage& m : gas.CheckState()) two |= m.No == gmTwoRoots;
    EXPECT_EQ(two, c.twoRoots);
  }
}

}  // namespace
}  // namespace torvacalc
