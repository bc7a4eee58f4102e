// The state of the plant between the operating points of a valve.
//
// A valve sits between a supply (pump, header) and a consumer (pipe,
// heat exchanger, vessel). Both sides lose pressure with the square of the
// flow, so every state quantity of the plant is described as
//     y(q) = A + B q^2
// through the operating points: inlet and outlet pressure, the pressure
// behind a resistor, temperatures, vapour pressures, two-phase fractions
// and the relative opening. From these curves tCharacteristics evaluates
// the plant at any flow qmx between (and beyond) the points and derives the
// largest flows the plant can pass.
//
// Units: mass flows in kg/h, pressures in bar (absolute), temperatures in
// degC, fractions and the relative opening in percent.
//
// Operating points are numbered 1..3 (index 0..2). Two points give one
// segment; three give two segments that meet at point 2: the first from
// point 1 to point 2, the second from point 2 to point 3. A flow belongs
// to the second segment when it lies on the side of point 2 towards
// point 3; the points may come in any order of flow.
//
// Decisions (see docs/characteristics.md):
//  - One point: every quantity is constant, except the outlet pressure,
//    which rises from the reference pressure pr1 at zero flow through
//    (qm1, p21): p2(q) = pr1 + (p21 - pr1) (q/qm1)^2, the pipe or resistor
//    behind the valve losing pressure quadratically into a vessel at pr1.
//    Without a usable pr1 (missing, or above p21) p2 is constant too.
//  - Two-phase fractions are interpolated as mass portions: the curve runs
//    through the mass flows of the portion, x_i qm_i, and the fraction at q
//    is that mass flow over q, limited to 0..100 %.
//  - The plant limits ax and a1 (largest flow over qm1) take the smallest
//    positive flow of: inlet and outlet pressure meet (no drop left for the
//    valve); the inlet pressure falls to the vapour pressure (a liquid
//    supply flashes); the inlet pressure falls to zero. ax uses the segment
//    beyond the largest operating flow, a1 the first segment.
//  - dpMax and dpMin are the largest and smallest drop p1 - p2 over the
//    flows from zero to qmax (the largest operating flow when qmax is
//    missing), stopped at the flow limit; the drop is monotonic in q^2 on
//    each segment, so the ends and point 2 decide.
#pragma once

#include <array>

#include "framework/basics.h"
#include "framework/calc_set.h"
#include "plant/smooth_curve.h"

namespace torvacalc {

// Twelve curves y = A + B q^2 of one segment.
class tQuadCurves {
 public:
  enum Curve {
    cvP1 = 0, cvP2 = 1, cvPr = 2, cvT1 = 3, cvT2 = 4, cvPv1 = 5, cvXFG1 = 6, cvXFG2 = 7,
    cvXFG2L = 8, cvPhiRel = 9, cvFmss = 10, cvPv2 = 11
  };
  static constexpr int CurveCount = 12;

  struct TQuadCurve {
    Extended A = NoValue, B = NoValue;
    Extended qa = NoValue, qb = NoValue;  // base flows
    Extended ya = NoValue, yb = NoValue;  // values at the base flows
    bool Valid = false;
    // A fraction interpolated as a mass portion: A + B q is the mass flow
    // of the portion and the value is (A + B q)/q, limited to 0..100 %.
    bool MassPortion = false;
  };

  // The curve through (qa, ya) and (qb, yb): B = (ya - yb)/(qa^2 - qb^2),
  // B = 0 when ya = yb (also when qa = qb), A = ya - B qa^2. Invalid when a
  // value is missing, or when the values differ at equal flows.
  void SetCurveValues(int curve, Extended qa, Extended qb, Extended ya, Extended yb);
  // A constant curve y = value (invalid when value is missing).
  void SetConstant(int curve, Extended q, Extended value);
  // The mass-portion curve of a fraction through (qa, xa) and (qb, xb);
  // equal fractions (or flows) give the constant curve.
  void SetMassPortion(int curve, Extended qa, Extended qb, Extended xa, Extended xb);
  // A + B q^2 (a mass portion: (A + B q)/q); undefined when the curve is
  // invalid, q is missing or negative, or a portion is asked at zero flow.
  Extended GetCurveValue(int curve, Extended q) const;
  const TQuadCurve& Get(int curve) const { return FCurves.at(curve); }
  void Clear() { FCurves = {}; }

 private:
  std::array<TQuadCurve, CurveCount> FCurves{};
};

class tCharacteristics {
 public:
  static constexpr int PointCount = 3;

  tCharacteristics();

  // ----- inputs (index 0..2 for the points 1..3) -----
  void SetQm(int i, Extended v) { SetIn(FQm[i], v); }
  void SetP1(int i, Extended v) { SetIn(FP1[i], v); }
  void SetP2(int i, Extended v) { SetIn(FP2[i], v); }
  void SetPr(int i, Extended v) { SetIn(FPr[i], v); }
  void SetPv1(int i, Extended v) { SetIn(FPv1[i], v); }
  void SetPv2(int i, Extended v) { SetIn(FPv2[i], v); }
  void SetT1(int i, Extended v) { SetIn(FT1[i], v); }
  void SetT2(int i, Extended v) { SetIn(FT2[i], v); }
  void SetPhiRel(int i, Extended v) { SetIn(FPhiRel[i], v); }
  void SetFmss(int i, Extended v) { SetIn(FFmss[i], v); }
  void SetXFG1(int i, Extended v) { SetIn(FXFG1[i], v); }
  void SetXFG2(int i, Extended v) { SetIn(FXFG2[i], v); }
  void SetXFG2L(int i, Extended v) { SetIn(FXFG2L[i], v); }
  // Number of operating points to use, 1..3; other values leave none.
  void SetNoOfValidOps(int n);
  void SetQmax(Extended v);
  void SetUseResistors(bool v);
  void SetUseSmoothCurves(bool v);
  int GetNoOfValidOps() const { return FNoOfValidOps; }
  bool GetUseResistors() const { return FUseResistors; }

  // The outlet temperatures of the points.
  Extended Gett21() const { return FT2[0]; }
  Extended Gett22() const { return FT2[1]; }
  Extended Gett23() const { return FT2[2]; }

  // ----- curves -----
  // Builds both segment sets from the inputs (done on demand by every
  // result; public for tests and charts).
  void ActualizeQuadCurves();
  const tQuadCurves& Segment(int k) { ActualizeQuadCurves(); return FSeg[k]; }
  // 0 for the first segment, 1 for the second one at flow q.
  int SegmentAt(Extended q);
  // The value of curve `curve` at flow q from the segment that contains q,
  // with the smoothing offset for the pressures when it is switched on.
  Extended GetValue(int curve, Extended q);
  // The points are usable: at least one, every used point with a positive
  // flow and inlet above outlet pressure, distinct flows, and no flow limit
  // inside the range of the points.
  bool BadCurve();
  // Pressure curves and their flow limit good enough to move the operating
  // point (the flag the optimisation of the valve size reads).
  bool GetOptimizationPosible() { return !BadCurve() && HasValue(GetAx()); }

  // ----- results at the evaluation flow -----
  void SetQmx(Extended v) { FQmx = v; }
  Extended GetQmx() const { return FQmx; }
  Extended GetP1x() { return GetValue(tQuadCurves::cvP1, FQmx); }
  Extended GetP2x() { return GetValue(tQuadCurves::cvP2, FQmx); }
  Extended GetPrx() { return GetValue(tQuadCurves::cvPr, FQmx); }
  Extended GetPv1x() { return GetValue(tQuadCurves::cvPv1, FQmx); }
  Extended GetPv2x() { return GetValue(tQuadCurves::cvPv2, FQmx); }
  Extended GetT1x() { return GetValue(tQuadCurves::cvT1, FQmx); }
  Extended GetT2x() { return GetValue(tQuadCurves::cvT2, FQmx); }
  Extended GetPhiRelx() { return GetValue(tQuadCurves::cvPhiRel, FQmx); }
  Extended GetXFG1x() { return GetValue(tQuadCurves::cvXFG1, FQmx); }
  Extended GetXFG2x() { return GetValue(tQuadCurves::cvXFG2, FQmx); }
  Extended GetXFG2Lx() { return GetValue(tQuadCurves::cvXFG2L, FQmx); }
  Extended GetFmssx() { return GetValue(tQuadCurves::cvFmss, FQmx); }
  // Drop over the valve at qmx relative to the drop at zero flow of the
  // same segment: (p1x - p2x)/(A_p1 - A_p2), which without smoothing is
  // 1 + qmx^2 (B_p1 - B_p2)/(A_p1 - A_p2).
  Extended GetVDynX();

  // ----- plant limits -----
  Extended GetQax();  // largest flow of the plant, kg/h
  Extended GetQa1();  // the same from the first segment alone
  Extended GetAx();   // Qax / qm1
  Extended GetA1();   // Qa1 / qm1
  Extended GetDpMin();
  Extended GetDpMax();

  // ----- class routines -----
  // The smallest positive flow at which the curves a and b meet, or at
  // which a falls to zero; undefined when neither happens.
  static Extended CrossingFlow(const tQuadCurves::TQuadCurve& a, const tQuadCurves::TQuadCurve& b);
  static Extended ZeroFlow(const tQuadCurves::TQuadCurve& a);
  // The flow limit of one segment set (see the header comment).
  static Extended FlowLimit(const tQuadCurves& seg);
  // Mass-portion curve: the portion's mass flows x qm at both points.
  static void CalculateMassPortion(tQuadCurves& seg, int curve, Extended qa, Extended qb,
                                   Extended xa, Extended xb);

 private:
  enum { slotInputs = 1, slotCurves = 2, slotLimits = 3, slotQmax = 4, slotDp = 5 };
  void SetIn(Extended& field, Extended v);
  void Changed(int slot) { Cache.HasChanged(slot); }
  int UpperSegment();
  Extended Point(int curve, int i) const;
  void BuildSegment(tQuadCurves& seg, int a, int b);
  void CalculateLimits();
  void CalculateDp();

  TCalcSet Cache;
  std::array<Extended, PointCount> FQm, FP1, FP2, FPr, FPv1, FPv2, FT1, FT2, FPhiRel, FFmss,
      FXFG1, FXFG2, FXFG2L;
  int FNoOfValidOps = 2;
  Extended FQmax = NoValue, FQmx = NoValue;
  bool FUseResistors = false, FUseSmoothCurves = false;

  tQuadCurves FSeg[2];
  tSmoothCurve FSmooth[3];  // p1, p2, pr
  Extended FQax = NoValue, FQa1 = NoValue, FDpMin = NoValue, FDpMax = NoValue;
};

}  // namespace torvacalc
