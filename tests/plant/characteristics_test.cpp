// The plant between the operating points: curves y = A + B q^2 through
// the points, the one-point rule, mass portions, the smooth curve through
// three points, the plant limit ax and the relative drop vDynX on a
// pump-and-pipe plant worked by hand, and unusable input.
#include "plant/characteristics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvacalc {
namespace {

using C = tQuadCurves;

TEST(QuadCurves, TwoPointsAreReproducedAndEqualValuesAreConstant) {
  struct Case { const char* what; Extended qa, qb, ya, yb, B; };
  const Case cases[] = {
      {"falling pressure", 5000, 10000, 9, 6, -4e-8L},
      {"rising pressure", 5000, 10000, 2.5L, 4, 2e-8L},
      {"equal values", 5000, 10000, 7.25L, 7.25L, 0},
      {"equal values at equal flows", 300, 300, 1, 1, 0},
      {"points in falling flow order", 10000, 5000, 6, 9, -4e-8L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tQuadCurves q;
    q.SetCurveValues(C::cvP1, c.qa, c.qb, c.ya, c.yb);
    ASSERT_TRUE(q.Get(C::cvP1).Valid);
    EXPECT_NEAR(q.Get(C::cvP1).B, c.B, 1e-20L);
    EXPECT_EQ(q.GetCurveValue(C::cvP1, c.qa), c.ya);
    EXPECT_NEAR(q.GetCurveValue(C::cvP1, c.qb), c.yb, 1e-15L);
  }
  tQuadCurves q;
  q.SetCurveValues(C::cvP2, 300, 300, 1, 2);  // two values at one flow
  EXPECT_FALSE(q.Get(C::cvP2).Valid);
  EXPECT_TRUE(IsNoValue(q.GetCurveValue(C::cvP2, 100)));
  q.SetCurveValues(C::cvP2, 100, 200, NoValue, 2);
  EXPECT_TRUE(IsNoValue(q.GetCurveValue(C::cvP2, 100)));
}

// A centrifugal pump and a pipe into a vessel, worked by hand (q in kg/h):
//   pump head     p1(q) = 10 - 4E-8 q^2 bar
//   pipe + vessel p2(q) = 2 + 2E-8 q^2 bar (static head 2 bar)
// Points: q = 5000 (p1 9, p2 2.5) and q = 10000 (p1 6, p2 4).
// The valve has no drop left where p1 = p2: 8 = 6E-8 q^2,
// Qax = sqrt(8/6E-8) = 11547.005 kg/h, ax = Qax/qm1 = 2.3094011.
// At qmx = 8000: drop 7.44 - 3.28 = 4.16 bar, at zero flow 8 bar,
// vDynX = 4.16/8 = 0.52 = 1 + 8000^2 (-4E-8 - 2E-8)/8.
void PumpAndPipe(tCharacteristics& c) {
  c.SetNoOfValidOps(2);
  c.SetQm(0, 5000);
  c.SetP1(0, 9);
  c.SetP2(0, 2.5L);
  c.SetQm(1, 10000);
  c.SetP1(1, 6);
  c.SetP2(1, 4);
}

TEST(Characteristics, PumpAndPipeWorkedByHand) {
  tCharacteristics c;
  PumpAndPipe(c);
  const auto& seg = c.Segment(0);
  EXPECT_NEAR(seg.Get(C::cvP1).A, 10, 1e-15L);
  EXPECT_NEAR(seg.Get(C::cvP2).A, 2, 1e-15L);
  EXPECT_NEAR(c.GetQax(), std::sqrt(8 / 6e-8L), 1e-9L);
  EXPECT_NEAR(c.GetAx(), 2.3094010767585L, 1e-12L);
  EXPECT_NEAR(c.GetA1(), 2.3094010767585L, 1e-12L);
  c.SetQmx(8000);
  EXPECT_NEAR(c.GetP1x(), 7.44L, 1e-14L);
  EXPECT_NEAR(c.GetP2x(), 3.28L, 1e-14L);
  EXPECT_NEAR(c.GetVDynX(), 0.52L, 1e-15L);
  // Over 0..qmax the drop falls from 8 bar (closed valve) to its value at
  // qmax; beyond the flow limit nothing is left.
  c.SetQmax(10000);
  EXPECT_NEAR(c.GetDpMax(), 8, 1e-14L);
  EXPECT_NEAR(c.GetDpMin(), 2, 1e-14L);
  c.SetQmax(20000);
  EXPECT_NEAR(c.GetDpMin(), 0, 1e-12L);
  EXPECT_FALSE(c.BadCurve());
  EXPECT_TRUE(c.GetOptimizationPosible());
}

TEST(Characteristics, VapourPressureAndZeroPressureLimitTheFlow) {
  struct Case { const char* what; Extended pv, Qax; };
  const Case cases[] = {
      // p1 = pv at 10 - 4E-8 q^2 = 5: q = sqrt(5/4E-8) = 11180.34 < 11547
      {"supply reaches the vapour pressure first", 5, std::sqrt(5 / 4e-8L)},
      {"vapour pressure low: the drop limits", 0.5L, std::sqrt(8 / 6e-8L)},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    tCharacteristics c;
    PumpAndPipe(c);
    c.SetPv1(0, k.pv);
    c.SetPv1(1, k.pv);
    EXPECT_NEAR(c.GetQax(), k.Qax, 1e-8L);
  }
  // An outlet that falls with the flow faster than the inlet: only the
  // inlet reaching zero bounds the plant.
  tCharacteristics c;
  c.SetQm(0, 100);
  c.SetP1(0, 9.99L);  // 10 - 1E-6 q^2
  c.SetP2(0, 4.98L);  // 5 - 2E-6 q^2
  c.SetQm(1, 200);
  c.SetP1(1, 9.96L);
  c.SetP2(1, 4.92L);
  EXPECT_NEAR(c.GetQax(), std::sqrt(10 / 1e-6L), 1e-6L);
}

TEST(Characteristics, OnePointIsConstantButTheOutlet) {
  tCharacteristics c;
  c.SetNoOfValidOps(1);
  c.SetQm(0, 4000);
  c.SetP1(0, 12);
  c.SetP2(0, 5);
  c.SetPr(0, 1);  // vessel behind the resistor
  c.SetT1(0, 80);
  c.SetPv1(0, 0.47L);
  c.SetPhiRel(0, 60);
  for (Extended q : {Extended(0), Extended(2000), Extended(4000), Extended(7000)}) {
    SCOPED_TRACE(static_cast<double>(q));
    c.SetQmx(q);
    EXPECT_EQ(c.GetP1x(), 12);
    EXPECT_EQ(c.GetT1x(), 80);
    EXPECT_EQ(c.GetPv1x(), 0.47L);
    EXPECT_EQ(c.GetPhiRelx(), 60);
    // p2 = 1 + 4 (q/4000)^2
    EXPECT_NEAR(c.GetP2x(), 1 + 4 * (q / 4000) * (q / 4000), 1e-14L);
  }
  // p1 = p2 at 11 = 4 (q/4000)^2: q = 4000 sqrt(11/4)
  EXPECT_NEAR(c.GetAx(), std::sqrt(11 / 4.0L), 1e-12L);
  // Without a usable reference pressure the outlet is constant too.
  for (Extended pr : {NoValue, Extended(6), Extended(-1)}) {
    c.SetPr(0, pr);
    c.SetQmx(8000);
    EXPECT_EQ(c.GetP2x(), 5);
    EXPECT_TRUE(IsNoValue(c.GetAx()));
  }
}

TEST(Characteristics, ThreePointsMeetAtPointTwoAndSmoothStaysMonotonic) {
  tCharacteristics c;
  c.SetNoOfValidOps(3);
  const Extended q[3] = {5000, 10000, 11000}, p1[3] = {9, 6, 5}, p2[3] = {2.5L, 4, 4.6L};
  for (int i = 0; i < 3; ++i) {
    c.SetQm(i, q[i]);
    c.SetP1(i, p1[i]);
    c.SetP2(i, p2[i]);
  }
  for (int curve : {C::cvP1, C::cvP2}) {
    const Extended at2a = c.Segment(0).GetCurveValue(curve, q[1]);
    const Extended at2b = c.Segment(1).GetCurveValue(curve, q[1]);
    EXPECT_NEAR(at2a, at2b, 1e-14L);
    // The segments differ in slope: a kink at point 2.
    EXPECT_NE(c.Segment(0).Get(curve).B, c.Segment(1).Get(curve).B);
  }
  for (bool smooth : {false, true}) {
    SCOPED_TRACE(smooth ? "smooth" : "segments");
    c.SetUseSmoothCurves(smooth);
    for (int i = 0; i < 3; ++i) {
      c.SetQmx(q[i]);
      EXPECT_NEAR(c.GetP1x(), p1[i], 1e-13L);
      EXPECT_NEAR(c.GetP2x(), p2[i], 1e-13L);
    }
    // Inlet falling and outlet rising over the whole range.
    Extended last1 = 1e9, last2 = -1e9;
    for (Extended x = 0; x <= 12000; x += 50) {
      c.SetQmx(x);
      EXPECT_LE(c.GetP1x(), last1 + 1e-12L) << static_cast<double>(x);
      EXPECT_GE(c.GetP2x(), last2 - 1e-12L) << static_cast<double>(x);
      last1 = c.GetP1x();
      last2 = c.GetP2x();
    }
  }
  // The smooth curve has no kink at point 2: slopes from both sides agree.
  c.SetUseSmoothCurves(true);
  const Extended h = 1e-3L;
  c.SetQmx(q[1] - h);
  const Extended left = c.GetP1x();
  c.SetQmx(q[1] + h);
  const Extended right = c.GetP1x();
  c.SetQmx(q[1]);
  const Extended mid = c.GetP1x();
  EXPECT_NEAR((mid - left) / h, (right - mid) / h, 1e-6L);
}

TEST(Characteristics, FractionsAreInterpolatedAsMassPortions) {
  tCharacteristics c;
  c.SetQm(0, 1000);
  c.SetQm(1, 3000);
  c.SetXFG1(0, 10);  // 100 kg/h vapour
  c.SetXFG1(1, 30);  // 900 kg/h vapour
  c.SetXFG2(0, 20);
  c.SetXFG2(1, 20);
  // Vapour mass flow linear in q: 100 + 0.4 (q - 1000); at 2000: 500 kg/h.
  c.SetQmx(2000);
  EXPECT_NEAR(c.GetXFG1x(), 25, 1e-14L);
  EXPECT_EQ(c.GetXFG2x(), 20);  // equal fractions stay
  c.SetQmx(1000);
  EXPECT_NEAR(c.GetXFG1x(), 10, 1e-14L);
  c.SetQmx(3000);
  EXPECT_NEAR(c.GetXFG1x(), 30, 1e-14L);
  c.SetQmx(100000);  // the fraction stays a fraction
  EXPECT_LE(c.GetXFG1x(), 100);
  c.SetQmx(0);
  EXPECT_TRUE(IsNoValue(c.GetXFG1x()));
}

TEST(SmoothCurve, ThroughThePointsWithoutOffsetOutside) {
  tSmoothCurve s;
  s.CalculateKoefficients(10, 5, 20, 3, 30, 2.5L);
  ASSERT_TRUE(s.GetValid());
  EXPECT_NEAR(s.GetValue(10), 5, 1e-15L);
  EXPECT_NEAR(s.GetValue(20), 3, 1e-15L);
  EXPECT_NEAR(s.GetValue(30), 2.5L, 1e-15L);
  EXPECT_EQ(s.GetOffset(5), 0);
  EXPECT_EQ(s.GetOffset(40), 0);
  EXPECT_NE(s.GetOffset(15), 0);
  // Slopes of different sign give a flat middle node.
  EXPECT_EQ(tSmoothCurve::MiddleSlope(-1, 2), 0);
  EXPECT_NEAR(tSmoothCurve::MiddleSlope(1, 3), 1.5L, 1e-18L);
  tSmoothCurve bad;
  bad.CalculateKoefficients(10, 5, 10, 3, 30, NoValue);
  EXPECT_FALSE(bad.GetValid());
  EXPECT_EQ(bad.GetOffset(15), 0);
}

}  // namespace
}  // namespace torvacalc
