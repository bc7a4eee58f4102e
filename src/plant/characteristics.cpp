#include "plant/characteristics.h"

#include <algorithm>
#include <cmath>

namespace torvacalc {

// ---------------------------------------------------------------- tQuadCurves

void tQuadCurves::SetCurveValues(int curve, Extended qa, Extended qb, Extended ya, Extended yb) {
  TQuadCurve& c = FCurves.at(curve);
  c = TQuadCurve{};
  if (!Available(qa, qb, ya, yb)) return;
  c.qa = qa;
  c.qb = qb;
  c.ya = ya;
  c.yb = yb;
  const Extended d = qa * qa - qb * qb;
  if (ya == yb) {
    c.B = 0;  // a constant quantity, whatever the flows
  } else if (d == 0) {
    return;  // two values at one flow: no curve through both
  } else {
    c.B = (ya - yb) / d;
  }
  c.A = ya - c.B * qa * qa;
  c.Valid = std::isfinite(static_cast<double>(c.A)) && std::isfinite(static_cast<double>(c.B));
}

void tQuadCurves::SetConstant(int curve, Extended q, Extended value) {
  SetCurveValues(curve, q, q, value, value);
}

// The mass flow of a portion (vapour, gas, second substance) changes in
// proportion with the total flow when the operating state moves from one
// point to the other: the state between them behaves like a blend of the
// two points' streams. So the portion's mass flow x q runs linearly in q
// through both points, and the fraction at q is that mass flow over q.
// Equal fractions stay constant.
void tQuadCurves::SetMassPortion(int curve, Extended qa, Extended qb, Extended xa, Extended xb) {
  if (!Available(qa, qb, xa, xb) || qa <= 0 || qb <= 0 || xa == xb || EqualDigits(qa, qb, 10)) {
    SetCurveValues(curve, qa, qb, xa, xb);
    return;
  }
  TQuadCurve& c = FCurves.at(curve);
  c = TQuadCurve{};
  c.qa = qa;
  c.qb = qb;
  c.ya = xa;
  c.yb = xb;
  const Extended ma = xa * qa, mb = xb * qb;
  c.B = (mb - ma) / (qb - qa);
  c.A = ma - c.B * qa;
  c.Valid = c.MassPortion = true;
}

Extended tQuadCurves::GetCurveValue(int curve, Extended q) const {
  const TQuadCurve& c = FCurves.at(curve);
  if (!c.Valid || IsNoValue(q) || q < 0) return NoValue;
  if (!c.MassPortion) return c.A + c.B * q * q;
  if (q == 0) return NoValue;  // no flow, no portion
  return std::clamp<Extended>((c.A + c.B * q) / q, 0, 100);
}

// ----------------------------------------------------------- tCharacteristics

tCharacteristics::tCharacteristics() {
  for (auto* a : {&FQm, &FP1, &FP2, &FPr, &FPv1, &FPv2, &FT1, &FT2, &FPhiRel, &FFmss, &FXFG1,
                  &FXFG2, &FXFG2L})
    a->fill(NoValue);
  Cache.AddRule(slotCurves, {slotInputs});
  Cache.AddRule(slotLimits, {slotCurves});
  Cache.AddRule(slotDp, {slotLimits, slotQmax});
}

void tCharacteristics::SetIn(Extended& field, Extended v) {
  if (field == v || (IsNoValue(field) && IsNoValue(v))) return;
  field = v;
  Changed(slotInputs);
}

void tCharacteristics::SetNoOfValidOps(int n) {
  if (n == FNoOfValidOps) return;
  FNoOfValidOps = n;
  Changed(slotInputs);
}

void tCharacteristics::SetQmax(Extended v) {
  if (FQmax == v) return;
  FQmax = v;
  Changed(slotQmax);
}

void tCharacteristics::SetUseResistors(bool v) {
  if (FUseResistors == v) return;
  FUseResistors = v;
  Changed(slotInputs);
}

void tCharacteristics::SetUseSmoothCurves(bool v) {
  if (FUseSmoothCurves == v) return;
  FUseSmoothCurves = v;
  Changed(slotInputs);
}

Extended tCharacteristics::Point(int curve, int i) const {
  switch (curve) {
    case tQuadCurves::cvP1: return FP1[i];
    case tQuadCurves::cvP2: return FP2[i];
    case tQuadCurves::cvPr: return FPr[i];
    case tQuadCurves::cvT1: return FT1[i];
    case tQuadCurves::cvT2: return FT2[i];
    case tQuadCurves::cvPv1: return FPv1[i];
    case tQuadCurves::cvXFG1: return FXFG1[i];
    case tQuadCurves::cvXFG2: return FXFG2[i];
    case tQuadCurves::cvXFG2L: return FXFG2L[i];
    case tQuadCurves::cvPhiRel: return FPhiRel[i];
    case tQuadCurves::cvFmss: return FFmss[i];
    case tQuadCurves::cvPv2: return FPv2[i];
    default: return NoValue;
  }
}

static bool IsPortion(int curve) {
  return curve == tQuadCurves::cvXFG1 || curve == tQuadCurves::cvXFG2 ||
         curve == tQuadCurves::cvXFG2L || curve == tQuadCurves::cvFmss;
}

// The fraction of a two-phase or mixed stream at q, interpolated as a mass
// portion between two points.
void tCharacteristics::CalculateMassPortion(tQuadCurves& seg, int curve, Extended qa, Extended qb,
                                            Extended xa, Extended xb) {
  seg.SetMassPortion(curve, qa, qb, xa, xb);
}

void tCharacteristics::BuildSegment(tQuadCurves& seg, int a, int b) {
  for (int c = 0; c < tQuadCurves::CurveCount; ++c) {
    const Extended ya = Point(c, a), yb = Point(c, b);
    if (HasValue(ya) && HasValue(yb)) {
      if (IsPortion(c))
        CalculateMassPortion(seg, c, FQm[a], FQm[b], ya, yb);
      else
        seg.SetCurveValues(c, FQm[a], FQm[b], ya, yb);
    } else if (HasValue(ya) || HasValue(yb)) {
      // Known at one point only: the best estimate is that value.
      const int i = HasValue(ya) ? a : b;
      seg.SetConstant(c, FQm[i], Point(c, i));
    }
  }
}

void tCharacteristics::ActualizeQuadCurves() {
  if (Cache.GetValid(slotCurves)) return;
  Cache.SetValid(slotCurves);
  FSeg[0].Clear();
  FSeg[1].Clear();
  for (auto& s : FSmooth) s = tSmoothCurve{};
  const int n = FNoOfValidOps;
  if (n < 1 || n > PointCount) return;
  if (n == 1) {
    for (int c = 0; c < tQuadCurves::CurveCount; ++c) FSeg[0].SetConstant(c, FQm[0], Point(c, 0));
    // The outlet side: from the reference pressure at zero flow through the
    // point, the quadratic loss of what lies behind the valve.
    const Extended q = FQm[0], p2 = FP2[0], pr = FPr[0];
    if (Available(q, p2, pr) && q > 0 && pr >= 0 && pr <= p2)
      FSeg[0].SetCurveValues(tQuadCurves::cvP2, 0, q, pr, p2);
    FSeg[1] = FSeg[0];
    return;
  }
  BuildSegment(FSeg[0], 0, 1);
  if (n == 2) {
    FSeg[1] = FSeg[0];
    return;
  }
  BuildSegment(FSeg[1], 1, 2);
  const int smoothed[3] = {tQuadCurves::cvP1, tQuadCurves::cvP2, tQuadCurves::cvPr};
  for (int k = 0; k < 3; ++k) {
    const int c = smoothed[k];
    FSmooth[k].CalculateKoefficients(FQm[0], Point(c, 0), FQm[1], Point(c, 1), FQm[2],
                                     Point(c, 2));
  }
}

int tCharacteristics::SegmentAt(Extended q) {
  if (FNoOfValidOps != 3 || !Available(q, FQm[1], FQm[2])) return 0;
  return (q - FQm[1]) * (FQm[2] - FQm[1]) > 0 ? 1 : 0;
}

Extended tCharacteristics::GetValue(int curve, Extended q) {
  ActualizeQuadCurves();
  if (IsNoValue(q) || q < 0) return NoValue;
  const int k = SegmentAt(q);
  Extended v = FSeg[k].GetCurveValue(curve, q);
  if (FUseSmoothCurves && FNoOfValidOps == 3 && HasValue(v)) {
    const int s = curve == tQuadCurves::cvP1 ? 0 : curve == tQuadCurves::cvP2 ? 1
                : curve == tQuadCurves::cvPr ? 2 : -1;
    if (s >= 0) v += FSmooth[s].GetOffset(q);
  }
  return v;
}

Extended tCharacteristics::GetVDynX() {
  ActualizeQuadCurves();
  if (IsNoValue(FQmx) || FQmx < 0) return NoValue;
  const tQuadCurves& seg = FSeg[SegmentAt(FQmx)];
  const auto &c1 = seg.Get(tQuadCurves::cvP1), &c2 = seg.Get(tQuadCurves::cvP2);
  if (!c1.Valid || !c2.Valid) return NoValue;
  const Extended dp0 = c1.A - c2.A;
  const Extended p1 = GetP1x(), p2 = GetP2x();
  if (dp0 <= 0 || !Available(p1, p2)) return NoValue;
  return (p1 - p2) / dp0;
}

// ------------------------------------------------------------- plant limits

Extended tCharacteristics::CrossingFlow(const tQuadCurves::TQuadCurve& a,
                                        const tQuadCurves::TQuadCurve& b) {
  if (!a.Valid || !b.Valid || a.MassPortion || b.MassPortion) return NoValue;
  // a lies above b at zero flow and b gains on a with the flow.
  const Extended dA = a.A - b.A, dB = b.B - a.B;
  if (!(dA > 0 && dB > 0)) return NoValue;
  return std::sqrt(dA / dB);
}

Extended tCharacteristics::ZeroFlow(const tQuadCurves::TQuadCurve& a) {
  if (!a.Valid || !(a.A > 0 && a.B < 0)) return NoValue;
  return std::sqrt(-a.A / a.B);
}

Extended tCharacteristics::FlowLimit(const tQuadCurves& seg) {
  const Extended candidates[] = {
      CrossingFlow(seg.Get(tQuadCurves::cvP1), seg.Get(tQuadCurves::cvP2)),
      CrossingFlow(seg.Get(tQuadCurves::cvP1), seg.Get(tQuadCurves::cvPv1)),
      ZeroFlow(seg.Get(tQuadCurves::cvP1))};
  Extended q = NoValue;
  for (Extended c : candidates)
    if (HasValue(c) && c > 0 && (IsNoValue(q) || c < q)) q = c;
  return q;
}

int tCharacteristics::UpperSegment() {
  Extended top = NoValue;
  for (int i = 0; i < std::clamp(FNoOfValidOps, 0, PointCount); ++i)
    if (HasValue(FQm[i]) && (IsNoValue(top) || FQm[i] > top)) top = FQm[i];
  return HasValue(top) ? SegmentAt(top * (1 + 1e-9L)) : 0;
}

void tCharacteristics::CalculateLimits() {
  if (Cache.GetValid(slotLimits)) return;
  ActualizeQuadCurves();
  Cache.SetValid(slotLimits);
  FQax = FNoOfValidOps >= 1 && FNoOfValidOps <= 3 ? FlowLimit(FSeg[UpperSegment()]) : NoValue;
  FQa1 = FNoOfValidOps >= 1 && FNoOfValidOps <= 3 ? FlowLimit(FSeg[0]) : NoValue;
}

Extended tCharacteristics::GetQax() { CalculateLimits(); return FQax; }
Extended tCharacteristics::GetQa1() { CalculateLimits(); return FQa1; }

Extended tCharacteristics::GetAx() {
  const Extended q = GetQax();
  return Available(q, FQm[0]) && FQm[0] > 0 ? q / FQm[0] : NoValue;
}

Extended tCharacteristics::GetA1() {
  const Extended q = GetQa1();
  return Available(q, FQm[0]) && FQm[0] > 0 ? q / FQm[0] : NoValue;
}

bool tCharacteristics::BadCurve() {
  const int n = FNoOfValidOps;
  if (n < 1 || n > PointCount) return true;
  Extended top = 0;
  for (int i = 0; i < n; ++i) {
    if (!Available(FQm[i], FP1[i], FP2[i]) || FQm[i] <= 0 || FP1[i] <= FP2[i]) return true;
    for (int j = 0; j < i; ++j)
      if (EqualDigits(FQm[i], FQm[j], 10)) return true;
    top = std::max(top, FQm[i]);
  }
  // Two segments that leave point 2 to the same side would give two
  // values at one flow.
  if (n == 3 && (FQm[0] - FQm[1]) * (FQm[2] - FQm[1]) > 0) return true;
  // A flow limit below the largest operating flow: the curves say that
  // the plant cannot reach its own operating point.
  const Extended q = GetQax();
  return HasValue(q) && q < top * (1 - 1e-9L);
}

void tCharacteristics::CalculateDp() {
  if (Cache.GetValid(slotDp)) return;
  CalculateLimits();
  Cache.SetValid(slotDp);
  FDpMin = FDpMax = NoValue;
  const int n = FNoOfValidOps;
  if (n < 1 || n > PointCount) return;
  Extended top = NoValue;
  for (int i = 0; i < n; ++i)
    if (HasValue(FQm[i]) && FQm[i] > 0 && (IsNoValue(top) || FQm[i] > top)) top = FQm[i];
  if (HasValue(FQmax) && FQmax > 0) top = FQmax;
  if (IsNoValue(top)) return;
  if (HasValue(FQax) && FQax < top) top = FQax;
  std::vector<Extended> flows = {0, top};
  for (int i = 0; i < n; ++i)
    if (HasValue(FQm[i]) && FQm[i] > 0 && FQm[i] < top) flows.push_back(FQm[i]);
  for (Extended q : flows) {
    const Extended p1 = GetValue(tQuadCurves::cvP1, q), p2 = GetValue(tQuadCurves::cvP2, q);
    if (!Available(p1, p2)) continue;
    const Extended dp = std::max<Extended>(p1 - p2, 0);
    if (IsNoValue(FDpMin) || dp < FDpMin) FDpMin = dp;
    if (IsNoValue(FDpMax) || dp > FDpMax) FDpMax = dp;
  }
}

Extended tCharacteristics::GetDpMin() { CalculateDp(); return FDpMin; }
Extended tCharacteristics::GetDpMax() { CalculateDp(); return FDpMax; }

}  // namespace torvacalc
