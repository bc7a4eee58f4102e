// Mixtures: the Sheldon-Schuder factor across its two branches, the void
// fraction and the densities at the single-phase limits, Wood's sound
// speed, the combined flow coefficient, the level blend, and the modules
// with missing and out-of-range input.
#include "media/cm_mixed_phase.h"
#include "module_under_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace torvacalc {
namespace {

TEST(SheldonSchuder, BranchesAndLimits) {
  using C = TCustomMixedPhaseCorr;
  // x = 0.903 takes the cubic, 0.9029 the ninth-degree fit.
  const Extended x = 0.903L;
  const Extended cubic = 1 + 962.45347L - 3172.7349L * x + 3490.2773L * x * x - 1279.997L * x * x * x;
  EXPECT_NEAR(C::SheldonShuder(x), std::clamp<Extended>(cubic, 1, 2), 1e-15);
  // The two branches meet at 0.903 within the precision of the published
  // coefficients (the gap is 1.6e-6, eight significant digits of terms up
  // to 3500 give no better).
  const Extended below = C::SheldonShuder(std::nextafter(0.903L, 0.0L));
  EXPECT_NEAR(C::SheldonShuder(0.903L), below, 1e-5);
  EXPECT_NEAR(C::SheldonShuder(0.9029L), below, 1e-3);
  // Limited to [1, 2]; outside [0, 1] not defined.
  for (Extended xi = 0; xi <= 1.0000001L; xi += 0.001L) {
    const Extended f = C::SheldonShuder(std::min<Extended>(xi, 1));
    EXPECT_GE(f, 1) << xi;
    EXPECT_LE(f, 2) << xi;
  }
  EXPECT_EQ(C::SheldonShuder(0), 1);  // -0.00024226 below 1: limited
  EXPECT_TRUE(IsNoValue(C::SheldonShuder(-0.01L)));
  EXPECT_TRUE(IsNoValue(C::SheldonShuder(1.01L)));
  EXPECT_TRUE(IsNoValue(C::Calculatefmss(NoValue)));
  EXPECT_EQ(C::Calculatefmss(50), C::SheldonShuder(0.5L));
}

TEST(MixtureDensities, SinglePhaseLimits) {
  using C = TCustomMixedPhaseCorr;
  struct Case { const char* what; Extended rhoG, rhoL; };
  const Case cases[] = {{"steam and water at 10 bar", 5.145L, 887.1L},
                        {"air and water", 1.2L, 998.2L},
                        {"equal densities", 500, 500}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(C::CalculateEHuq(0, c.rhoG, c.rhoL), 0);
    EXPECT_EQ(C::CalculateEHuq(1, c.rhoG, c.rhoL), 1);
    EXPECT_EQ(C::CalculateRhoImpuls(0, c.rhoG, c.rhoL), c.rhoL);
    EXPECT_EQ(C::CalculateRhoImpuls(1, c.rhoG, c.rhoL), c.rhoG);
    EXPECT_NEAR(C::CalculateRhoHomogen(0, c.rhoG, c.rhoL), c.rhoL, 1e-12 * c.rhoL);
    EXPECT_NEAR(C::CalculateRhoHomogen(1, c.rhoG, c.rhoL), c.rhoG, 1e-12 * c.rhoG);
    // Near the limits the functions approach the single phases.
    EXPECT_NEAR(C::CalculateRhoImpuls(1e-9L, c.rhoG, c.rhoL), c.rhoL, 1e-5 * c.rhoL);
    EXPECT_NEAR(C::CalculateRhoImpuls(1 - 1e-9L, c.rhoG, c.rhoL), c.rhoG, 1e-5 * c.rhoG);
    // In between the void fraction grows with x and the momentum density
    // lies between the phases.
    Extended last = 0;
    for (Extended x = 0.05L; x < 1; x += 0.05L) {
      const Extended eps = C::CalculateEHuq(x, c.rhoG, c.rhoL);
      EXPECT_GE(eps, last);
      last = eps;
      const Extended r = C::CalculateRhoImpuls(x, c.rhoG, c.rhoL);
      EXPECT_GE(r, std::min(c.rhoG, c.rhoL) * (1 - 1e-12L));
      EXPECT_LE(r, std::max(c.rhoG, c.rhoL) * (1 + 1e-12L));
    }
  }
  // Equal densities: no slip, the void fraction equals the mass fraction.
  EXPECT_NEAR(C::CalculateEHuq(0.3L, 500, 500), 0.3L, 1e-15);
  EXPECT_TRUE(IsNoValue(C::CalculateEHuq(0.5L, 0, 1000)));
  EXPECT_TRUE(IsNoValue(C::CalculateRhoImpuls(1.5L, 1, 1000)));
}

TEST(MixtureSoundSpeed, WoodsEquation) {
  // Single phases.
  EXPECT_EQ(TMixedDensity::WoodSoundSpeed(1.2, 998, 0, 1, 1.4, 343, 1482), 1482);
  EXPECT_EQ(TMixedDensity::WoodSoundSpeed(1.2, 998, 100, 1, 1.4, 343, 1482), 343);
  // A few per cent of air by volume in water at 1 bar: the mixture is far
  // slower than either phase (the minimum of Wood's curve, about 20 m/s).
  const Extended rhoG = 1.2L, rhoL = 998, eps = 0.5L;
  const Extended x = eps * rhoG / (eps * rhoG + (1 - eps) * rhoL) * 100;
  const Extended c = TMixedDensity::WoodSoundSpeed(rhoG, rhoL, x, 1, 1.4L, NoValue, 1482);
  const Extended rho = eps * rhoG + (1 - eps) * rhoL;
  const Extended expected =
      1 / std::sqrt(rho * (eps / (1.4L * 1E5L) + (1 - eps) / (rhoL * 1482 * 1482)));
  EXPECT_NEAR(c, expected, 1e-9);
  EXPECT_LT(c, 30);
  EXPECT_TRUE(IsNoValue(TMixedDensity::WoodSoundSpeed(1.2, 998, 120, 1, 1.4, 343, 1482)));
}

TEST(MixedPhaseCorrection, FlowCoefficientAndLevels) {
  TMixedPhaseCorr c;
  c.kvl = 10;
  c.kvv = 30;
  c.kvs = 63;
  c.phi0 = 0.04L;
  struct Case { Extended xFG, kv; };
  const Case cases[] = {{0, 10}, {100, 30}, {50, TCustomMixedPhaseCorr::SheldonShuder(0.5L) * 40}};
  for (const auto& k : cases) {
    SCOPED_TRACE(static_cast<double>(k.xFG));
    c.xFG1 = k.xFG;
    EXPECT_NEAR(c.Getkv(), k.kv, 1e-12);
    EXPECT_NEAR(c.Getkvkvs(), k.kv / 63 * 100, 1e-12);
  }
  // The travel of an equal-percentage characteristic back to kv/kvs.
  c.xFG1 = 50;
  const Extended h = c.Geth();
  EXPECT_NEAR(0.04L * std::exp(h / 100 * std::log(25.0L)) * 100, c.Getkvkvs(), 1e-9);
  // Characteristic types without a combined coefficient.
  for (teMixCharacteristic t : {mcNone, mcOnOff, mcMeasured}) {
    c.Characteristic = t;
    EXPECT_TRUE(IsNoValue(c.Getkv()));
  }
  c.Characteristic = mcLinear;
  c.kvv = NoValue;
  EXPECT_EQ(c.Getkv(), 10);  // the side that is there

  // Levels: the sides at 0 and 100 %, continuous at 5 %, between the
  // energetic sum and the louder side.
  using C = TCustomMixedPhaseCorr;
  EXPECT_EQ(C::CalculateLpAa(0, 80, 90), 80);
  EXPECT_EQ(C::CalculateLpAa(100, 80, 90), 90);
  const Extended A = C::LevelSum(80, 90);
  EXPECT_NEAR(A, 90.4139, 1e-4);
  EXPECT_NEAR(C::CalculateLpAa(5, 80, 90), A, 1e-12);
  EXPECT_NEAR(C::CalculateLpAa(5 + 1e-9L, 80, 90), A, 1e-6);
  EXPECT_NEAR(C::CalculateLpAa(1e-9L, 80, 90), 90, 1e-6);
  EXPECT_TRUE(IsNoValue(C::CalculateLpAa(50, NoValue, 90)));
}

TEST(MixedPhaseCorrection, OutletState) {
  TMixedPhaseCorr c;
  c.xFG1 = 20;
  c.xFG2l = 10;
  // 20 % vapour in, and a tenth of the 80 % liquid flashes.
  EXPECT_NEAR(c.GetxFG2(), 28, 1e-12);
  c.xFG2Given = 35;
  EXPECT_EQ(c.GetxFG2(), 35);
  c.t2LP = 99.6L;
  c.t2VP = 120;
  EXPECT_EQ(c.Gett2(), 99.6L);
  c.xFG2Given = 100;
  EXPECT_EQ(c.Gett2(), 120);
}

using Density = test::ModuleUnderTest<TCMMixedDensity>;

TEST(MixedDensityModule, MixtureAndSinglePhases) {
  struct Case { const char* what; int phase, flowState; const char* xFG; Extended rho, cf; };
  const Case cases[] = {
      {"mixture at 0 %", 4, 1, "0", 887.1L, 1400},
      {"mixture at 100 %", 4, 1, "100", 5.145L, 500},
      {"mixture at 10 %", 4, 1, "10", 1 / (0.1L / 5.145L + 0.9L / 887.1L), NoValue},
      {"flashing: the vapour", 4, 5, "10", 5.145L, 500},
      {"liquid phase: the gas density when known", 0, 1, "10", 5.145L, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Density x;
    x.m.Phase->SetSwitchIndex(c.phase);
    x.m.FlowState->SetSwitchIndex(c.flowState);
    x.Set({{"RhoF", "887.1"}, {"RhoG", "5.145"}, {"cfF", "1400"}, {"cfG", "500"}, {"p2", "10"}, {"kappaG", "1.3"},
           {"xFG", c.xFG}});
    x.m.SetActive(true);
    EXPECT_NEAR(x.Value("Rho"), c.rho, 1e-9 * c.rho);
    if (HasValue(c.cf)) {
      EXPECT_NEAR(x.Value("cf"), c.cf, 1e-9);
    }
    EXPECT_TRUE(HasValue(x.Value("cf")));
  }
  {
    SCOPED_TRACE("vapour fraction above 100 %");
    Density x;
    x.Set({{"RhoF", "887.1"}, {"RhoG", "5.145"}, {"xFG", "120"}});
    x.m.SetActive(true);
    EXPECT_TRUE(IsNoValue(x.Value("Rho")));
    EXPECT_TRUE(x.Has(120));
  }
  {
    SCOPED_TRACE("missing gas density");
    Density x;
    x.Set("RhoF", "887.1");
    x.Set("xFG", "10");
    x.m.SetActive(true);
    EXPECT_TRUE(IsNoValue(x.Value("Rho")));
    EXPECT_TRUE(x.Has(101));
  }
}

TEST(MixedPhaseCorrModule, CombinesTheTwoSides) {
  test::ModuleUnderTest<TCMMixedPhaseCorr> x;
  TCMMixedPhaseCorr& m = x.m;
  x.Set({{"qm", "10000"}, {"xFG1", "20"}, {"kvl", "12"}, {"kvv", "25"}, {"kvs", "63"}, {"phi0", "0.04"},
         {"rho1v", "5.145"}, {"rho1l", "887.1"}, {"LpAal", "78"}, {"LpAav", "85"}, {"PVerl", "3"}, {"PVerv", "7"}});
  m.SetActive(true);
  const Extended f = TCustomMixedPhaseCorr::SheldonShuder(0.2L);
  EXPECT_NEAR(m.fmss->GetValue(), f, 1e-15);
  EXPECT_NEAR(m.kv->GetValue(), f * 37, 1e-12);
  EXPECT_NEAR(m.qml->GetValue(), 8000, 1e-9);
  EXPECT_NEAR(m.qmv->GetValue(), 2000, 1e-9);
  EXPECT_NEAR(m.PVer->GetValue(), 10, 1e-12);
  EXPECT_NEAR(m.rho1->GetValue(), TCustomMixedPhaseCorr::CalculateRhoImpuls(0.2L, 5.145L, 887.1L), 1e-9);
  EXPECT_TRUE(HasValue(m.h->GetValue()));
  // The user's correction factor replaces the published one.
  m.fmss->OverruleValue(false, 1.5L);
  m.Calculate();
  EXPECT_NEAR(m.kv->GetValue(), 1.5L * 37, 1e-12);
  // No mass flow: a message, and no flows.
  m.qm->SetText("");
  EXPECT_TRUE(x.Has(101));
  EXPECT_TRUE(IsNoValue(m.qml->GetValue()));
}

}  // namespace
}  // namespace torvacalc
