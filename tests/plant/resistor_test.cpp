// Restriction orifices: the ISO 5167-2 relations against published values,
// the sizing round trip of a single-hole orifice, perforated plates, the
// size-class table of xFz, the distribution over N stages, choked stages,
// and hostile input.
#include "plant/resistor.h"

#include <gtest/gtest.h>

#include <cmath>

#include "plant/orifice_plate.h"

namespace torvacalc {
namespace {

TEST(OrificeRelations, PublishedValues) {
  // Reader-Harris/Gallagher, flange tappings, D = 73.91 mm, d = 22.2 mm,
  // 0.12 kg/s of air (rho 1.165 kg/m3, mu 1.85E-5 Pa s): C = 0.59903263
  // (the ASME MFC-3M / ISO 5167-2 example used by the tests of the
  // python-fluids package).
  const Extended Re = tOrificePlate::PipeReynolds(0.12L * 3600, 73.91L, 1.85e-5L);
  EXPECT_NEAR(tOrificePlate::DischargeCoefficient(22.2L / 73.91L, 73.91L, Re),
              0.5990326277163659L, 1e-12L);
  // Same plate, 0.124431876 kg/s, mu 1.85861753095E-5: C = 0.59900425.
  const Extended Re2 = tOrificePlate::PipeReynolds(0.124431876L * 3600, 73.91L, 1.85861753095e-5L);
  EXPECT_NEAR(tOrificePlate::DischargeCoefficient(22.2L / 73.91L, 73.91L, Re2),
              0.5990042535666878L, 1e-12L);
  // Permanent pressure loss of ISO 5167-2 5.4: D = 73.66 mm, d = 50 mm,
  // C = 0.61512, 17 kPa over the tappings leave 9069.4747 Pa lost.
  EXPECT_NEAR(tOrificePlate::PressureLossRatio(50 / 73.66L, 0.61512L) * 17000,
              9069.474705745388L, 1e-8L);
  // The same plate as a loss coefficient K = 5.2314292 on the pipe
  // velocity: Kv = 3600 A sqrt(200/K) = 94.855089 m3/h.
  EXPECT_NEAR(tOrificePlate::KvOfSingleHoleC(50, 73.66L, 0.61512L), 94.85508860634589L, 1e-9L);
  // A jet into a large space recovers nothing.
  EXPECT_NEAR(tOrificePlate::Fl2OfOrifice(0), 1, 1e-15L);
  // The perforation bore polynomial inside and outside its range.
  EXPECT_NEAR(tOrificePlate::KvOfOrifice(10), 0.005567103L - 0.02539255L + 3.2810268L, 1e-15L);
  EXPECT_TRUE(IsNoValue(tOrificePlate::KvOfOrifice(0.5L)));
  EXPECT_TRUE(IsNoValue(tOrificePlate::KvOfOrifice(25)));
}

TEST(OrificeRelations, XFzTableOfPerforatedPlates) {
  struct Case { Extended DN, d, xFz6; };
  const Case cases[] = {
      {600, 10, 0.2L},        // k = 5, e = 15: max(0.05, 0.6 - 0.25 - 0.15)
      {25, 2, 0.6L},          // k = 0, e = 0
      {50, 4, 0.6L - 0.05L - 0.05L},   // k = 1, e = 5
      {300, 6, 0.6L - 0.15L - 0.15L},  // k = 3, e = 15
      {1000, 20, 0.2L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.DN));
    EXPECT_NEAR(tOrificePlate::GetxFzAt6bar(c.DN, c.d), c.xFz6, 1e-15L);
    EXPECT_NEAR(tOrificePlate::xFzOfOrifice(c.DN, c.d, 6), c.xFz6, 1e-15L);
    EXPECT_NEAR(tOrificePlate::xFzOfOrifice(c.DN, c.d, 24), c.xFz6 * std::pow(0.25L, 0.125L), 1e-15L);
    EXPECT_NEAR(tOrificePlate::xFzOfOrifice(c.DN, c.d, NoValue), c.xFz6, 1e-15L);
  }
}

// Water at 20 degC through a single-hole orifice in a DN 100 pipe.
void WaterDuty(tResistor& r, Extended qm, Extended p1, Extended p2) {
  r.SetResistorTypeRes(rtSingleHole);
  r.SetPhase(phLiquid);
  r.SetCalculatedPhase(cpLiquid);
  r.SetQm(qm);
  r.SetP1(p1);
  r.SetP2(p2);
  r.SetRho1(998.2L);
  r.SetPv1(0.0234L);
  r.SetPv2(0.0234L);
  r.SetPc(220.64L);
  r.SetEta1(1.002e-3L);
  r.SetDNRes(107.1L);
}

TEST(Resistor, SingleHoleSizedThenRecalculatedReturnsTheDuty) {
  struct Case { const char* what; Extended qm, p1, p2; };
  const Case cases[] = {
      {"moderate drop", 60000, 10, 7},
      {"small drop, large bore", 150000, 5, 4.6L},
      {"cavitating, choked by FL2", 30000, 20, 1.2L},
      {"small flow", 2000, 16, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tResistor sized;
    WaterDuty(sized, c.qm, c.p1, c.p2);
    const Extended d = sized.GetdRes();
    ASSERT_TRUE(HasValue(d));
    EXPECT_FALSE(sized.GetSizingFailed());
    EXPECT_GT(d, 0);
    EXPECT_LT(d, 107.1L);
    tResistor fixed;
    WaterDuty(fixed, NoValue, c.p1, c.p2);
    fixed.SetFixed(true);
    fixed.SetdRes(d);
    EXPECT_NEAR(fixed.GetQmRes(), c.qm, 1e-6L * c.qm);
    EXPECT_NEAR(fixed.GetKvRes(), sized.GetKvRes(), 1e-6L * sized.GetKvRes());
  }
}

TEST(Resistor, GasOrificeChokesAtTheOrificeLimit) {
  tResistor r;
  r.SetResistorTypeRes(rtSingleHole);
  r.SetPhase(phGas);
  r.SetCalculatedPhase(cpGas);
  r.SetQm(5000);
  r.SetP1(20);
  r.SetRho1(23.2L);
  r.SetKappa1(1.4L);
  r.SetDNRes(82.5L);
  struct Case { Extended p2; TECVFlowState state; };
  // Choked from x = Fgamma xT = 0.72 on. A new outlet pressure sizes a
  // new bore (a larger drop needs a smaller one).
  Extended previous = NoValue;
  for (const Case c : {Case{12, fsNormal}, Case{5, fsChokedFlow}}) {
    r.SetP2(c.p2);
    EXPECT_TRUE(HasValue(r.GetdRes()));
    if (HasValue(previous)) {
      EXPECT_LT(r.GetdRes(), previous);
    }
    previous = r.GetdRes();
    EXPECT_EQ(r.GetFlowState(), c.state) << static_cast<double>(c.p2);
    EXPECT_NEAR(r.GetXtRes(), 0.72L, 1e-18L);
    EXPECT_TRUE(HasValue(r.GetMaRes()));
    EXPECT_TRUE(HasValue(r.GetLARes()));
    // Suggestions grow as the allowed Mach number falls.
    EXPECT_LE(r.GetDNSug10(), r.GetDNSug07());
    EXPECT_LE(r.GetDNSug07(), r.GetDNSug03());
  }
}

TEST(Resistor, PerforatedPlateBoresPitchAndSize) {
  tResistor r;
  WaterDuty(r, 80000, 12, 8);
  r.SetResistorTypeRes(rtSilencerDirect);
  r.SetDNRes(NoValue);
  const Extended n = r.GetNBores(), d = r.GetdRes(), a = r.GetARes(), DN = r.GetDNRes();
  ASSERT_TRUE(Available(n, d, a, DN));
  EXPECT_EQ(d, 5);
  EXPECT_EQ(a, 10);
  // Enough bores for the required Kv, and one fewer would not do.
  const Extended kvBore = tOrificePlate::KvOfOrifice(5);
  EXPECT_GE(n * kvBore, r.GetKvRes());
  EXPECT_LT((n - 1) * kvBore, r.GetKvRes());
  // The plate holds them.
  EXPECT_GE(tResistor::CalculateNBores(DN, d, a), n);
  // Recalculated with this geometry the plate passes at least the duty.
  tResistor f;
  WaterDuty(f, NoValue, 12, 8);
  f.SetResistorTypeRes(rtSilencerDirect);
  f.SetFixed(true);
  f.SetdRes(d);
  f.SetNBores(n);
  f.SetDNRes(DN);
  EXPECT_GE(f.GetQmRes(), 80000 * (1 - 1e-9L));
  EXPECT_LT(f.GetQmRes(), 80000 * n / (n - 1));
  // Bore-count rule: trunc(0.91 ((DN - d)/a)^2), at least 1.
  EXPECT_EQ(tResistor::CalculateNBores(100, 5, 10), std::trunc(0.91L * 9.5L * 9.5L));
  EXPECT_EQ(tResistor::CalculateNBores(12, 5, 10), 1);
}

TEST(ResistorStructure, StagePressuresMultiplyToTheTotalRatio) {
  for (int N : {1, 2, 3, 5}) {
    SCOPED_TRACE(N);
    tResistorStructure s;
    s.SetPhase(phGas);
    s.SetNRes(N);
    s.SetP1(40);
    s.SetP2(4);
    s.SetT1(200);
    s.SetRho1(30);
    Extended product = 1;
    for (int i = 0; i < N; ++i) {
      s.SetNoRes(i);
      product *= s.GetP2Res() / s.GetP1Res();
      if (i > 0) {
        tResistorStructure prev = s;
        prev.SetNoRes(i - 1);
        EXPECT_NEAR(prev.GetP2Res(), s.GetP1Res(), 1e-13L);
      }
      EXPECT_NEAR(1 - s.GetP2Res() / s.GetP1Res(), s.GetXRes(), 1e-15L);
    }
    EXPECT_NEAR(product, 0.1L, 1e-15L);
    EXPECT_NEAR(1 - std::pow(1 - s.GetXRes(), N), s.GetxTotal(), 1e-15L);
    if (N == 1) {
      EXPECT_NEAR(s.GetXRes(), s.GetxTotal(), 1e-18L);
    }
    // Gas density with the pressure.
    s.SetNoRes(N - 1);
    EXPECT_NEAR(s.Getrho2Res(), 3, 1e-13L);
  }
}

TEST(ResistorStructure, LiquidStagesStayAboveTheVapourPressure) {
  struct Case { const char* what; Extended p2, p2Last; };
  const Case cases[] = {
      {"outlet well above pv", 5, 5},
      {"outlet less than 0.2 bar above pv", 0.6L, 0.7L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tResistorStructure s;
    s.SetPhase(phLiquid);
    s.SetNRes(4);
    s.SetP1(60);
    s.SetP2(c.p2);
    s.SetPv(0.5L);
    s.SetT1(150);
    s.Sett2(150.4L);
    s.SetRho1(917);
    EXPECT_NEAR(s.GetP2Last(), c.p2Last, 1e-15L);
    EXPECT_NEAR(s.GetxTotal(), (60 - c.p2Last) / (60 - 0.5L), 1e-15L);
    Extended last = 60;
    for (int i = 0; i < 4; ++i) {
      s.SetNoRes(i);
      EXPECT_NEAR(s.GetP1Res(), last, 1e-12L);
      EXPECT_LT(s.GetP2Res(), s.GetP1Res());
      EXPECT_GE(s.GetP2Res(), 0.7L - 1e-12L);
      last = s.GetP2Res();
    }
    EXPECT_NEAR(last, c.p2Last, 1e-15L);
    s.SetNoRes(3);
    EXPECT_NEAR(s.GetT2Res(), 150.4L, 1e-12L);
  }
}

TEST(ResistorStructure, ChokedGasStagesAreDetected) {
  struct Case { int N; Extended p2; int choked; };
  // Fgamma xT = 1.3/1.4 0.72 = 0.6686: one stage from 40 to 4 bar (x 0.9)
  // chokes; two stages of x = 0.684 each still choke; three of 0.536 do not.
  const Case cases[] = {{1, 4, 1}, {2, 4, 2}, {3, 4, 0}, {2, 30, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.N);
    tResistorStructure s;
    s.SetPhase(phGas);
    s.SetNRes(c.N);
    s.SetP1(40);
    s.SetP2(c.p2);
    s.SetKappa(1.3L);
    s.SetXt(0.72L);
    EXPECT_EQ(s.GetChokedStages(), c.choked);
  }
}

TEST(ResistorStructure, BadInputGivesNoValue) {
  struct Case { const char* what; Extended N, p1, p2, pv; };
  const Case cases[] = {
      {"zero stages", 0, 10, 5, 0.1L},
      {"negative stages", -2, 10, 5, 0.1L},
      {"no stage count", NoValue, 10, 5, 0.1L},
      {"outlet above inlet", 3, 5, 10, 0.1L},
      {"no inlet", 3, NoValue, 5, 0.1L},
      {"vapour pressure above inlet", 3, 10, 5, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tResistorStructure s;
    s.SetPhase(phLiquid);
    s.SetNRes(c.N);
    s.SetP1(c.p1);
    s.SetP2(c.p2);
    s.SetPv(c.pv);
    EXPECT_TRUE(IsNoValue(s.GetXRes()));
    EXPECT_TRUE(IsNoValue(s.GetP1Res()));
    EXPECT_TRUE(IsNoValue(s.GetP2Res()));
    EXPECT_EQ(s.GetChokedStages(), 0);
  }
}

}  // namespace
}  // namespace torvacalc
