#include "valves/control_valve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>

#include "framework/options.h"
#include "framework/units.h"
#include "valves/flow_equations.h"
#include "valves/reynolds.h"
#include "valves/sizing_kernel.h"

namespace torvacalc {

namespace {

Extended Checked(Extended v) { return std::isfinite(v) ? v : NoValue; }

bool IsTwoPhase(teCalculatedPhase p) { return p == cpZweiPhasig; }

// The bit fields of an 80-bit extended number: the 64-bit significand with
// its explicit leading bit, and sign and exponent.
struct TExtendedBits {
  uint64_t significand;
  uint16_t signExponent;
};
TExtendedBits BitsOf(Extended x) {
  static_assert(std::numeric_limits<Extended>::digits == 64 && sizeof(Extended) >= 10);
  TExtendedBits b;
  std::memcpy(&b.significand, &x, sizeof b.significand);
  std::memcpy(&b.signExponent, reinterpret_cast<const char*>(&x) + 8, sizeof b.signExponent);
  return b;
}

// Rounds to `digits` significant digits: v / 10^e rounded to an integer,
// times 10^e, with e = floor(log10 |v|) + 1 - digits.
Extended RoundSignificantSlow(Extended v, int digits) {
  const Extended e = std::floor(std::log10(std::fabs(v))) + 1 - digits;
  const Extended scale = std::pow(10.0L, e);
  return std::round(v / scale) * scale;
}

// The powers 10^k of RoundSignificant, k = -kPowerSpan .. kPowerSpan, made
// by the same powl call as RoundSignificantSlow makes them, so that a value
// read from the table is that call's result to the bit.
constexpr int kPowerSpan = 60;
struct TPowersOfTen {
  Extended p[2 * kPowerSpan + 1];
  TPowersOfTen() {
    for (int k = -kPowerSpan; k <= kPowerSpan; ++k) p[k + kPowerSpan] = std::pow(10.0L, Extended(k));
  }
  Extended operator[](int k) const { return p[k + kPowerSpan]; }
};
const TPowersOfTen kPowersOfTen;

// The same rounding without log10l and powl, which took most of the time
// of the suggested Kvs: the decade of |v| by comparison with the table, the
// scale from it. Within 1E-15 of a power of ten, where log10l may round
// onto the integer, the decade is left to log10l as before.
Extended RoundSignificant(Extended v, int digits) {
  if (IsNoValue(v) || v == 0) return v;
  const Extended a = std::fabs(v);
  // floor(log10 a) from the binary exponent b: log10(2) b is within one
  // of it.
  const uint16_t field = BitsOf(a).signExponent;
  if (field == 0 || field >= 0x7fff) return RoundSignificantSlow(v, digits);
  const int b = field - 16383;
  int k = b >= 0 ? b * 30103 / 100000 : -((-b * 30103 + 99999) / 100000);
  if (k < -kPowerSpan + 2 || k > kPowerSpan - 3 || digits < 0 || digits > kPowerSpan)
    return RoundSignificantSlow(v, digits);
  if (a >= kPowersOfTen[k + 1]) ++k;
  else if (a < kPowersOfTen[k]) --k;
  const int e = k + 1 - digits;
  if (!(a >= kPowersOfTen[k] * (1 + 1E-15L) && a <= kPowersOfTen[k + 1] * (1 - 1E-15L)) || e < -kPowerSpan)
    return RoundSignificantSlow(v, digits);
  const Extended scale = kPowersOfTen[e];
  // std::round of the quotient without a change of the x87 rounding mode
  // (which a conversion to an integer needs): below 2^62, adding and
  // subtracting 2^63 rounds to the nearest integer, ties to even; a tie is
  // then moved away from zero, and a zero keeps the sign of the quotient.
  const Extended x = v / scale;
  if (!(std::fabs(x) < 0x1p62L)) return std::round(x) * scale;
  constexpr Extended kBig = 0x1p63L;
  Extended r = x >= 0 ? (x + kBig) - kBig : (x - kBig) + kBig;
  if (std::fabs(x - r) == 0.5L) r = x + std::copysign(0.5L, x);
  if (r == 0) r = std::copysign(Extended(0), x);
  return r * scale;
}

// The opening Kv/Kvs as a ratio, at most 1; `fallback` when Kv or Kvs is
// missing or zero.
Extended Opening(Extended Kv, Extended Kvs, Extended fallback) {
  if (!Available(Kv, Kvs) || Kv * Kvs == 0) return fallback;
  return std::min(Kv / Kvs, Extended(1));
}

// The ratio factor FF of the vena-contracta pressure of a liquid,
// IEC 60534-2-1:2011 eq. (6).
Extended FFactor(Extended pv, Extended pc) {
  if (!Available(pv, pc) || pc <= 0 || pv < 0) return NoValue;
  return 0.96L - 0.28L * std::sqrt(pv / pc);
}

// The effective pressure drop p1 * x * Y^2 of a gas for the drop p1 - p2,
// without the limit of x at choked flow (the non-choked model).
// Inline: the searches below evaluate it a dozen times a pass, and a call
// copies every 80-bit argument to the stack.
[[gnu::always_inline]] inline Extended GasDropUnlimited(const Extended& p1, const Extended& delta,
                                                        const Extended& xcrit) {
  if (!Available(p1, delta, xcrit) || p1 <= 0 || xcrit <= 0 || delta <= 0) return NoValue;
  const Extended y = 1 - delta / (3 * xcrit * p1);
  return y > 0 ? delta * y * y : NoValue;
}

// True when lo and hi are positive normal numbers of one binade
// [2^q, 2^(q+1)): then lo = ml u and hi = mh u with integer significands
// ml, mh in [2^63, 2^64) and the unit u = 2^(q-63), itself normal (the
// exponent field above 64), so that m u is exact.
bool OneBinade(Extended lo, Extended hi) {
  const TExtendedBits a = BitsOf(lo), b = BitsOf(hi);
  return a.signExponent == b.signExponent && a.signExponent > 64 && a.signExponent < 0x7fff &&
         (a.significand >> 63) != 0 && (b.significand >> 63) != 0;
}

// Bisection of [lo, hi] down to 1E-15 of hi; `below(mid)` tells whether
// the root lies above mid. Every halving of the plain bisection is made,
// mid for mid, so the result is the same to the last bit; what is left out
// are the evaluations whose outcome is certain: at or below `safeLo` the
// answer is known to be "below", at or above `safeHi` known to be "not
// below" (the caller proves both; +-infinity when it cannot). With guards
// 1E-16 to 1E-14 around the root, of the fifty or so evaluations a few
// remain.
//
// The halvings themselves were then most of the cost: fifty dependent
// additions, halvings and comparisons in the x87 unit. Once lo and hi lie
// in one binade (after a few halvings, unless the root sits on a power of
// two), every number between them is an integer multiple of their unit u,
// and the halving is integer arithmetic: lo + hi = (ml + mh) u is rounded
// to 64 bits, which drops the last bit of ml + mh to the nearest, ties to
// even, and the halving is exact, so mid = RNE((ml + mh)/2) u. The end
// test hi - lo > 1E-15 hi scales by u on both sides (hi - lo is exact,
// the product rounds alike), and the guards become integer bounds. The
// numbers are those of the extended bisection, to the bit; only the way of
// getting them differs.
template <class Below>
Extended BisectInBinade(Extended lo, Extended hi, Extended safeLo, Extended safeHi, int i, Below below) {
  uint64_t ml = BitsOf(lo).significand, mh = BitsOf(hi).significand;
  const Extended u = hi / static_cast<Extended>(mh);  // 2^(q-63), exact
  constexpr uint64_t kTop = std::numeric_limits<uint64_t>::max();
  constexpr Extended kTwo64 = 18446744073709551616.0L;
  // mid <= safeLo: m <= floor(safeLo/u); a bound of 0 is never reached
  // (m >= 2^63), kTop always. mid >= safeHi: m >= ceil(safeHi/u); kTop is
  // never reached (m < mh), 0 always.
  const Extended sLo = safeLo / u, sHi = safeHi / u;
  uint64_t loBound = sLo >= kTwo64 ? kTop : sLo >= 0 ? static_cast<uint64_t>(sLo) : 0;  // floor
  uint64_t hiBound = !(sHi < kTwo64) ? kTop : sHi > 0 ? static_cast<uint64_t>(sHi) : 0;
  if (hiBound != kTop && static_cast<Extended>(hiBound) < sHi) ++hiBound;  // ceil
  for (; i < 200; ++i) {
    const uint64_t w = mh - ml;
    // 1E-15 mh is below 2^64 1E-15 < 2^15: a wider interval goes on
    // without the comparison in extended precision.
    if (w < (uint64_t{1} << 16) && !(static_cast<Extended>(w) > 1E-15L * static_cast<Extended>(mh))) break;
    uint64_t m = ml + (w >> 1);
    m += w & m & 1;  // a tie (odd sum) rounds to the even neighbour
    const bool inside = m > loBound && m < hiBound;
    const bool under = __builtin_expect(inside, 0) ? below(static_cast<Extended>(m) * u) : m <= loBound;
    ml = under ? m : ml;
    mh = under ? mh : m;
  }
  return (static_cast<Extended>(ml) * u + static_cast<Extended>(mh) * u) / 2;
}

template <class Below>
Extended Bisect(Extended lo, Extended hi, Extended safeLo, Extended safeHi, Below below) {
  for (int i = 0; i < 200 && hi - lo > 1E-15L * hi; ++i) {
    if (hi < 2 * lo && OneBinade(lo, hi)) return BisectInBinade(lo, hi, safeLo, safeHi, i, below);
    const Extended mid = (lo + hi) / 2;
    const bool under = mid <= safeLo ? true : mid >= safeHi ? false : below(mid);
    (under ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

constexpr Extended kNoGuard = std::numeric_limits<Extended>::infinity();

// Guards [a, b] around the root estimate `root` of a rising function `f`
// (NoValue where undefined) that must reach `needed`, both inside (lo, hi);
// (-inf, +inf) when the estimate does not bracket the root. `margin` is the
// relative amount by which f must miss the target at the guards: it exceeds
// twice the rounding error of f, so that every point beyond a guard is
// judged as the guard is. The band is first made as narrow as the slope
// allows (`elasticity` = f' root / f: f moves by elasticity * band at the
// guards, eight times the margin), then, should that fail, 1E-12.
template <class F>
std::pair<Extended, Extended> Guards(Extended root, double elasticity, Extended lo, Extended hi, Extended needed,
                                     Extended margin, F f) {
  if (!std::isfinite(root)) return {-kNoGuard, kNoGuard};
  const Extended wide = 1E-12L;
  const Extended narrow =
      elasticity > 0 ? std::clamp(8 * margin / static_cast<Extended>(elasticity), Extended(1E-18L), wide) : wide;
  for (const Extended band : {narrow, wide}) {
    const Extended a = root * (1 - band), b = root * (1 + band);
    if (!(lo < a && a < b && b < hi)) continue;
    const Extended fa = f(a), fb = f(b);
    if (Available(fa, fb) && fa < needed * (1 - margin) && fb > needed * (1 + margin)) return {a, b};
    if (band == wide) break;
  }
  return {-kNoGuard, kNoGuard};
}

// Newton's method in double ends when a step falls below 1E-16 of the
// iterate. Next to the root it often alternates between two neighbouring
// doubles instead (half the duties of a sweep of gas flows did), and then
// ran its whole budget of passes. A pass is a function of the iterate
// alone, so once an iterate equals the one two passes before, every further
// pair of passes restores the same state: those pairs are skipped, and the
// pass left over, if any, is made. The result is that of every pass made,
// to the bit.
class TPassSkipper {
 public:
  // Called at the start of pass i of `passes` with the iterate x; true
  // when no pass is left. May advance i by whole pairs of passes.
  bool Repeats(double x, int& i, int passes) {
    if (x == back2_) {
      i += (passes - i) / 2 * 2;
      if (i >= passes) return true;
    }
    back2_ = back1_;
    back1_ = x;
    return false;
  }

 private:
  double back1_ = std::numeric_limits<double>::quiet_NaN();
  double back2_ = std::numeric_limits<double>::quiet_NaN();
};

// The rounding error of GasDropUnlimited relative to its value: some ten
// roundings of 2^-64 (5.4E-20), the factor y's own error divided by y.
Extended GasDropMargin(Extended yMin) { return 1E-17L / std::min(yMin, Extended(1)); }

// The drop p1 - p2 at which GasDropUnlimited gives `needed`, on the rising
// branch up to its peak at delta = xcrit * p1; NoValue beyond the peak.
Extended GasDeltaFor(Extended p1, Extended needed, Extended xcrit, Extended guess = NoValue) {
  if (!Available(p1, needed, xcrit) || p1 <= 0 || xcrit <= 0 || needed <= 0) return NoValue;
  const Extended lo = 0, hi = xcrit * p1;
  if (GasDropUnlimited(p1, hi, xcrit) < needed) return NoValue;
  // The root estimated by Newton's method in double: f(d) = d (1 - d/c)^2,
  // c = 3 xcrit p1, rises and is concave up to its peak d = c/3, so steps
  // from d = needed (where f < needed) approach the root from below. One
  // step in long double then brings the estimate to the accuracy of f.
  // A guess close to the root (the drop of the operating point, which is
  // the root unless the flow chokes) starts the steps instead: the root
  // estimate only places the guards, which are checked, so the result is
  // the same from any start.
  const double c = 3 * static_cast<double>(xcrit) * static_cast<double>(p1), n = static_cast<double>(needed);
  double d = n, slope = 0;
  if (HasValue(guess) && guess > 0 && guess < hi) {
    const double g = static_cast<double>(guess), u = g / c;
    if (std::fabs(g * (1 - u) * (1 - u) - n) <= 1E-3 * n) d = g;
  }
  TPassSkipper skip;
  for (int i = 0; i < 30; ++i) {
    if (skip.Repeats(d, i, 30)) break;
    const double u = d / c;
    slope = (1 - u) * (1 - 3 * u);
    if (!(slope > 0)) break;
    const double step = (n - d * (1 - u) * (1 - u)) / slope;
    d += step;
    if (std::fabs(step) <= 1E-16 * d) break;
  }
  const auto f = [&](Extended delta) { return GasDropUnlimited(p1, delta, xcrit); };
  Extended root = d;
  if (slope > 0 && d > 0 && d < hi) {
    const Extended u = root / (3 * xcrit * p1), fr = f(root);
    if (HasValue(fr)) root += (needed - fr) / ((1 - u) * (1 - 3 * u));
  }
  // f rises on the whole bracket, and y = 1 - d/c stays at least 2/3.
  const auto [safeLo, safeHi] = Guards(root, slope * d / n, lo, hi, needed, GasDropMargin(2 / 3.0L), f);
  return Bisect(lo, hi, safeLo, safeHi, [&](Extended mid) { return f(mid) < needed; });
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction, setters, rules

tControlValve::tControlValve() {
  FRulesKey = RulesKey();
  AddRules();
  Active = true;
}

// The rules of the result cache. Some results depend on Kv only under
// conditions of the inputs: the factors FL2, xT, Kc, z and Fd only when they
// follow the opening (a function switch, a measured curve, the xFz rule of
// the valve database) or the fittings; FP only with reducers; the sigma
// values only with cavitation data. Where the condition does not hold, Kv
// is left out of the rule, so that a new Kv in the sizing iteration does
// not invalidate (and recompute) results that cannot change.
unsigned tControlValve::RulesKey() const {
  unsigned key = 0;
  const bool desc = FDescription != nullptr;
  bool reducers = false;
  if (!FLineSize && HasValue(FDNV) && FDNV > 0) {
    Extended zeta1, kvRed1, ezeta, ekvRed;
    Calculatezeta1(FDNV, FDNV1, FDN1, FLineSize, zeta1, kvRed1);
    CalculateEzeta(zeta1, FDNV, FDN2, FKv, FLineSize, FUseResistors, ezeta, ekvRed);
    reducers = HasValue(ezeta) && ezeta != 0;
  }
  if (reducers) key |= 1u;
  if (Ffl2func || (desc && (FDescription->Fl.IsValid() || FDescription->Fl2Poly.Valid)) || reducers)
    key |= 2u;
  if (Fxtfunc || (desc && FDescription->Xt.IsValid()) || reducers) key |= 4u;
  if ((desc && FDescription->Zy.IsValid()) || !(HasValue(Fzy_75) && !Fzyfunc)) key |= 8u;
  if (FKcfunc) key |= 16u;
  if (Ffdfunc) key |= 32u;
  if (IsLiquid() && Available(Fcvr, Fpr, Fdr)) key |= 64u;
  return key;
}

void tControlValve::AddRules() {
  const unsigned key = FRulesKey;
  const auto rule = [&](int target, std::vector<int> sources, bool kv) {
    if (kv) sources.push_back(slotKv);
    Cache.AddRule(target, sources);
  };
  const bool reducers = key & 1u, sigma = key & 64u;
  Cache.AddRule(slotFk, {slotXt, slotKappa1, slotCritical});
  Cache.AddRule(slotKcStar, {slotKc, slotP1, slotPv1, slotPvl1, slotPc});
  Cache.AddRule(slotFlStar, {slotFl2, slotP1, slotPv1, slotPvl1, slotPc});
  rule(slotXt, {slotPhase, slotXt_75, slotKvs, slotFP, slotDNV, slotDN1}, key & 4u);
  rule(slotZy, {slotPhase, slotZy_75, slotDH, slotKvs, slotLowNoise, slotFd, slotFd_75c, slotFl2, slotFl2_75},
       key & 8u);
  rule(slotFl2,
       {slotPhase, slotFl2_75, slotKvs, slotFP, slotDNV, slotZeta1, slotValveType, slotTrimType,
        slotInwardFlow},
       key & 2u);
  // Kc reads FL2 (its 0.7 FL2 estimate) but not xFz.
  rule(slotKc, {slotPhase, slotKc_75, slotKvs, slotFl2, slotFl2_75}, key & 16u);
  rule(slotFd, {slotPhase, slotFd_75, slotKvs, slotValveType, slotTrimType}, key & 32u);
  // The pressure drop is p1 - p2, or for a gas the expansion-factor drop
  // from p1, p2, Fgamma and xT; it does not read the flow state, so that a
  // new Kv (whose xFz moves the state's rule) leaves it valid.
  Cache.AddRule(slotDp, {slotPhase, slotCalculatedPhase, slotP1, slotP2, slotKappa1, slotXt, slotCritical,
                         slotXFG1, slotFk});
  Cache.AddRule(slotCritical, {slotPhase, slotCalculatedPhase, slotFl2, slotKc, slotSigma, slotXt, slotP1,
                               slotP2, slotPv1, slotPvl1, slotPc, slotKappa1, slotZ1});
  // The real-gas critical ratio is worked out only when it is read.
  Cache.AddRule(slotXcr, {slotCritical});
  Cache.AddRule(slotX, {slotPhase, slotP1, slotPv1, slotPv2, slotP2, slotCalculatedPhase});
  Cache.AddRule(slotFlowState,
                {slotPhase, slotCalculatedPhase, slotX, slotP1, slotP2, slotCritical, slotPv1, slotPv2,
                 slotFl2, slotSigma, slotZy, slotKc, slotXt, slotKappa1, slotValveType, slotTrimType});
  Cache.AddRule(slotFlowType,
                {slotCalculatedPhase, slotRe, slotKv, slotDNV, slotViscosityNorm, slotXPulp, slotPhase,
                 slotDp, slotSubstanceType, slotPulpType, slotIsPhaseCM, slotIsMinorPhase});
  Cache.AddRule(slotH, {slotCharacteristic, slotKv, slotKvs, slotPhi0});
  Cache.AddRule(slotSuggKvs, {slotCharacteristic, slotKv});
  Cache.AddRule(slotKvKvs, {slotKv, slotKvs});
  Cache.AddRule(slotZeta1, {slotDNV, slotDNV1, slotDN1, slotLineSize});
  // The resistance of the reducers is fixed by the diameters; FP follows
  // Kv.
  Cache.AddRule(slotEzeta, {slotDNV, slotDN2, slotUseResistors, slotZeta1, slotLineSize});
  rule(slotFP, {slotDNV, slotEzeta, slotLineSize}, reducers);
  Cache.AddRule(slotFPulp, {slotXPulp, slotPhase, slotDp, slotSubstanceType, slotPulpType, slotIsPhaseCM,
                            slotIsMinorPhase});
  Cache.AddRule(slotRe,
                {slotDNV, slotEta1, slotQm, slotFd, slotFl2, slotRho1, slotDp, slotKv, slotViscosityNorm});
  Cache.AddRule(slotFR,
                {slotRe, slotKv, slotDNV, slotViscosityNorm, slotFl2, slotIsPhaseCM, slotIsMinorPhase});
  Cache.AddRule(slotPSE, {slotP1, slotPv1, slotPr, slotAPSE});
  rule(slotSSE, {slotDNV, slotSeat, slotDr, slotBSSE}, sigma);
  rule(slotSigma,
       {slotPhase, slotKvs, slotSSE, slotPSE, slotValveType, slotDNV, slotDN1, slotDN2, slotUseResistors,
        slotLineSize},
       sigma);
  // Inputs that the factor functions and the cavitation model of this
  // implementation read beyond the rules above: Fd of the closing direction,
  // the inward flow for Fd and xFz, the 75 % value of Kc and the reference
  // flow coefficient for the sigma values, the outlet pressure of the
  // non-choked case.
  Cache.AddRule(slotFd, {slotFd_75c, slotInwardFlow});
  Cache.AddRule(slotZy, {slotInwardFlow, slotP1});
  Cache.AddRule(slotSigma, {slotKc_75, slotCvr, slotPhase});
  Cache.AddRule(slotP2nc,
                {slotKv, slotQm, slotP1, slotRho1, slotFP, slotFR, slotFPulp, slotPhase, slotFk, slotXt});
  if (FCanCalcSet) {
    switch (FCanCalc) {
      case ccKv:
        Cache.AddRule(slotKv, {slotQm, slotRho1, slotDp, slotFP, slotFR, slotFPulp, slotFlowState});
        break;
      case ccQm:
        Cache.AddRule(slotQm, {slotKv, slotRho1, slotDp, slotFP, slotFR, slotFPulp, slotFlowState});
        break;
      case ccP1:
        Cache.AddRule(slotP1,
                      {slotKv, slotQm, slotRho1, slotRho2, slotP2, slotFP, slotFR, slotFPulp, slotFlowState});
        break;
      case ccP2:
        Cache.AddRule(slotP2, {slotKv, slotQm, slotRho1, slotP1, slotFP, slotFR, slotFPulp, slotFlowState});
        break;
    }
  }
}

// Inputs that decide which results depend on Kv (see RulesKey).
bool tControlValve::AffectsRules(int slot) {
  switch (slot) {
    case slotFl2_75: case slotZy_75: case slotXt_75: case slotFd_75: case slotKc_75:
    case slotPhase: case slotDNV: case slotDN1: case slotDN2: case slotLineSize: case slotDNV1:
    case slotUseResistors: case slotCvr: case slotPr: case slotDr:
      return true;
    default:
      return false;
  }
}

void tControlValve::SetCanCalc(teCVCanCalcRest value) {
  if (FCanCalcSet && value == FCanCalc) return;
  FCanCalcSet = true;
  FCanCalc = value;
  Cache.ClearRules();
  AddRules();
  const int target = value == ccKv ? slotKv : value == ccQm ? slotQm : value == ccP1 ? slotP1 : slotP2;
  Cache.SetValid(target, false);
  Invalidate(target);
  Changed(slotCanCalc);
}

// Invalidates every result that depends on `slot`, directly or through
// other results: one mask operation of the cache, which works out the
// transitive dependants of a slot once per set of rules (the sizing
// iteration changes Kv on every pass).
void tControlValve::Invalidate(int slot) { Cache.HasChanged(slot); }

void tControlValve::Changed(int slot) {
  Invalidate(slot);
  if (slot != slotQm && slot != slotKv) FDutyStale = true;
  if (AffectsRules(slot)) {
    const unsigned key = RulesKey();
    if (key != FRulesKey) {
      // Other dependencies on Kv: every result is computed afresh.
      FRulesKey = key;
      Cache.ClearRules();
      AddRules();
      Cache.InvalidateAll();
    }
  }
  if (FInEvent || !OnResultsChange) return;
  FInEvent = true;
  try {
    OnResultsChange();
  } catch (...) {
    FInEvent = false;
    throw;
  }
  FInEvent = false;
}

void tControlValve::Set(Extended& field, Extended v, int slot) {
  // Most inputs are copied in unchanged on every recalculation of a module.
  if (SameInput(field, v)) return;
  field = IsNoValue(v) ? NoValue : v;
  Changed(slot);
}

void tControlValve::SetFlag(bool& field, bool v, int slot) {
  if (field == v) return;
  field = v;
  Changed(slot);
}

void tControlValve::SetOverrulable(Extended& field, bool overruled, Extended v, int slot) {
  const bool was = Cache.GetIsOverruled(slot);
  Cache.SetIsOverruled(slot, overruled);
  if (!overruled) {
    // Back to the computed value: everything that used the user value is
    // stale.
    if (was) {
      Cache.SetValid(slot, false);
      Changed(slot);
    }
    return;
  }
  if (!was || !SameInput(field, v)) {
    field = IsNoValue(v) ? NoValue : v;
    Changed(slot);
  }
}

void tControlValve::SetKv(Extended v) { Set(FKv, v, slotKv); }
void tControlValve::SetSignificantDigits(int digits) {
  if (digits == FDigits) return;
  FDigits = digits;
  // Every iterated result was found to the old digits.
  FDutyStale = true;
  Cache.InvalidateAll();
}

void tControlValve::SetQm(Extended v) { Set(FQm, v, slotQm); }
void tControlValve::SetP1(Extended v) { Set(FP1, v, slotP1); }
void tControlValve::SetP2(Extended v) { Set(FP2, v, slotP2); }

void tControlValve::SetValveDescription(std::shared_ptr<const tValveDescription> d) {
  if (d == FDescription) return;
  FDescription = std::move(d);
  // The description feeds the factor functions of FL2, xT, zy and Kc.
  Changed(slotFl2_75);
  Changed(slotXt_75);
  Changed(slotZy_75);
  Changed(slotKc_75);
}

void tControlValve::ResetCalcTarget() {
  for (int s = slotKv; s <= slotP2; ++s) Cache.SetValid(s, false);
}

int tControlValve::EquivalentValveType() const {
  return TStandardValveData::EquivalentValveTypeID(FValveType + 1);
}

// ---------------------------------------------------------------------------
// The unknown

Extended tControlValve::OtherUnknownNow() {
  GetQm(), GetP1(), GetP2();
  return FKv;
}

Extended tControlValve::SolveKv() { return KernelApplies() ? SolveKvKernel() : IterateKv(); }

bool tControlValve::KernelApplies() const {
  if (!FUseKernel || FViscosityNorm == vnIEC89 || FLowNoiseDesign == lnPerforatedPlug) return false;
  if (FDescription && (FDescription->HasMeasuredData() || FDescription->PerforatedPlug)) return false;
  return !(IsLiquid() && Available(Fcvr, Fpr, Fdr));
}

namespace {
TKernelFactor KernelFactor(const TCalcSet& cache, int slot, Extended value75, bool func, Extended user) {
  TKernelFactor f;
  f.value75 = ToKernel(value75);
  f.func = func;
  f.overruled = cache.GetIsOverruled(slot);
  f.user = ToKernel(user);
  return f;
}
}  // namespace

// The flow coefficient through the double-precision kernel: the inputs are
// handed over once, the fixed point is solved without the cache, and only
// Kv comes back. The results that follow Kv (FP, FR, the factors, the flow
// state) are left to their getters, which work them out in extended
// precision from the Kv found when they are read.
Extended tControlValve::SolveKvKernel() {
  TSizingDuty& d = FDuty;
  if (FDutyStale) {
    if (!Cache.GetValid(slotEzeta)) CalculateReducers();
    d.phase = FPhase;
    d.calculatedPhase = FCalculatedPhase;
    d.equivalentValveType = EquivalentValveType();
    d.p1 = ToKernel(FP1);
    d.p2 = ToKernel(FP2);
    d.rho1 = ToKernel(Frho1);
    d.rho2 = ToKernel(Frho2);
    d.pv1 = ToKernel(Fpv1);
    d.pv2 = ToKernel(Fpv2);
    d.pvl1 = ToKernel(FPvl1);
    d.pc = ToKernel(Fpc);
    d.xFG1 = ToKernel(FxFG1);
    d.kappa1 = ToKernel(Fkappa1);
    d.eta1 = ToKernel(FEta1);
    d.Kvs = ToKernel(FKvs);
    d.DNV = ToKernel(FDNV);
    d.zeta1 = ToKernel(Fzeta1);
    d.Ezeta = ToKernel(FEzeta);
    d.EKvRed = ToKernel(FEKvRed);
    d.lineSize = FLineSize;
    d.fl2 = KernelFactor(Cache, slotFl2, Ffl2_75, Ffl2func, Ffl2);
    d.xt = KernelFactor(Cache, slotXt, Fxt_75, Fxtfunc, Fxt);
    d.kc = KernelFactor(Cache, slotKc, FKc_75, FKcfunc, FKc);
    d.fd = KernelFactor(Cache, slotFd, Ffd_75, Ffdfunc, Ffd);
    d.zy = KernelFactor(Cache, slotZy, Fzy_75, Fzyfunc, Fzy);
    d.fd75c = ToKernel(Ffd_75c);
    d.inwardFlow = FInwardFlow;
    d.fPulp = ToKernel(CalculatefPulpQm(FSubstanceType, FPulpeType, FxPulp, FIsPhaseCM, FIsMinorPhase));
    d.viscosityNorm = FViscosityNorm;
    d.minorPhase = FIsPhaseCM && FIsMinorPhase;
    FDutyStale = false;
    FKernel.reset();
  }
  d.Qm = ToKernel(FQm);
  d.digits = FDigits;
  if (FKernel && FKernel->Refers(d)) FKernel->FlowChanged();
  else FKernel.emplace(d);
  // From the same start whatever was sized before: the Kv the iteration
  // ends at is a function of the duty alone, not of the last duty's Kv.
  const Extended kv = FromKernel(FKernel->SolveKv(kKernelNone));
  FKvFailure = FKernel->Failure();
  if (!SameInput(FKv, kv)) {
    FKv = kv;
    Changed(slotKv);
  }
  Cache.SetValid(slotKv);
  return FKv;
}

Extended tControlValve::GetQm() {
  if (!FCanCalcSet || FCanCalc != ccQm || FIterating == slotQm || Cache.GetValid(slotQm)) return FQm;
  return IterateQm();
}

Extended tControlValve::GetP1() {
  if (!FCanCalcSet || FCanCalc != ccP1 || FIterating == slotP1 || Cache.GetValid(slotP1)) return FP1;
  return IterateP1();
}

Extended tControlValve::GetP2() {
  if (!FCanCalcSet || FCanCalc != ccP2 || FIterating == slotP2 || Cache.GetValid(slotP2)) return FP2;
  return IterateP2();
}

// The flow coefficient for the given flow. FP and FR depend on Kv, so Kv is
// iterated to its fixed point; a Kv beyond the bore of the valve ends the
// iteration at that bound. A flow that needs without FP at least the Kv of
// the reducers passes no valve between them (Kv FP stays below KvRed): no
// Kv. Where the flow at the fixed point is not turbulent, the Kv is the one
// of the non-turbulent procedure (NonTurbulentKv).
//
// The plain iteration Kv <- F(Kv) converges linearly, and slowly where FP
// and xTP of reducers follow Kv (a contraction near 0.3 for example 3 of
// IEC 60534-2-1, ten passes to 11 digits). Once two passes are known, the
// next Kv is the secant root of F(Kv) - Kv through them, which converges
// superlinearly to the same fixed point. The secant step is taken only when
// it stays within twice the plain step of F(Kv), so that a jump of F (the
// flow turning choked, a Reynolds regime changing) falls back to the plain
// iteration; the end test is the plain one, F(Kv) equal to Kv.
Extended tControlValve::IterateKv() {
  const int saved = FIterating;
  FIterating = slotKv;
  FKvFailure = kfNone;
  std::vector<std::string> history;
  int counter = 0;
  Extended lastKv = NoValue, lastStep = NoValue;  // the previous pass: Kv and F(Kv) - Kv
  Extended need = NoValue;  // the Kv without FR of the last non-turbulent pass
  bool viscous = false;     // the last pass was not turbulent
  // F(Kv) at the Kv set, with the flow type it was worked out for.
  const auto pass = [this](TECVFlowType& type) {
    Cache.SetValid(slotKv);
    const Extended dpX = GetDpX(), fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
    const TECVFlowState state = GetFlowState();
    type = GetFlowType();
    if (!Available(FQm, Frho1, dpX, fp, fr, fpulp)) return NoValue;
    return CalculateKv(FQm, Frho1, Frho2, FP1, FP2, dpX, fp, fr, fpulp, state, type);
  };
  for (;;) {
    TECVFlowType type;
    Extended kv = pass(type);
    viscous = type == ftTransient || type == ftLaminar;
    if (viscous && HasValue(kv)) {
      need = kv * GetFrQm();
    } else if (HasValue(FKv) && HasValue(kv)) {
      // Reducers that resist (sum zeta > 0); without them KvRed is the
      // bore of the outlet pipe, which the bound of the valve covers.
      const Extended kvRed = GetEKvRed();
      if (!FLineSize && HasValue(FEzeta) && FEzeta > 0 && HasValue(kvRed) && FKv >= kvRed &&
          kv * FlowFp(GetFpQm(), type) >= kvRed) {
        FKvFailure = kfReducers;
        SetKv(NoValue);
        Cache.SetValid(slotKv);
        break;
      }
    }
    const bool stop = CheckIteration(counter, kv, history, false, FKv);
    if (!stop && Available(kv, FKv) && !EqualDigits(kv, FKv, FDigits)) {
      const Extended step = kv - FKv;
      if (Available(lastKv, lastStep) && step != lastStep) {
        const Extended secant = FKv - step * (FKv - lastKv) / (step - lastStep);
        lastKv = FKv;
        lastStep = step;
        if (std::isfinite(secant) && secant > 0 && std::fabs(secant - kv) <= 2 * std::fabs(step))
          kv = secant;
      } else {
        lastKv = FKv;
        lastStep = step;
      }
    }
    SetKv(kv);
    if (stop) Cache.SetValid(slotKv);
    if (stop || Cache.GetValid(slotKv)) break;
    Extended k = FKv;
    if (GetKvTooBigDNV(k, FDNV)) {
      SetKv(k);
      Cache.SetValid(slotKv);
      break;
    }
  }
  if (FKvFailure == kfNone && (viscous || (IsNoValue(FKv) && HasValue(need)))) {
    const Extended bore = Available(FDNV) && FDNV > 0 ? 0.25L * FDNV * FDNV : NoValue;
    const auto excess = [&](Extended k) {
      // Every trial taken, also one within the significant digits of the
      // last (which SetKv would skip).
      FKv = k;
      Changed(slotKv);
      TECVFlowType type;
      const Extended f = pass(type);
      return HasValue(f) ? f - k : NoValue;
    };
    Extended kv = NoValue;
    if (!HasValue(need) || !HasValue(bore) || !NonTurbulentKv(need, bore, Extended(kNonTurbulentTolerance), excess, kv)) {
      FKvFailure = kfNonTurbulent;
      kv = NoValue;
    }
    FKv = kv;
    Changed(slotKv);
    Cache.SetValid(slotKv);
  }
  FIterating = saved;
  return FKv;
}

Extended tControlValve::IterateQm() {
  const int saved = FIterating;
  FIterating = slotQm;
  std::vector<std::string> history;
  int counter = 0;
  for (;;) {
    Cache.SetValid(slotQm);
    const Extended dpX = GetDpX(), fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
    const TECVFlowState state = GetFlowState();
    const TECVFlowType type = GetFlowType();
    Extended qm = NoValue;
    if (Available(FKv, Frho1, dpX, fp, fr, fpulp))
      qm = CalculateQm(FKv, Frho1, Frho2, FP1, FP2, dpX, fp, fr, fpulp, state, type);
    const bool stop = CheckIteration(counter, qm, history, false, FQm);
    SetQm(qm);
    if (stop) Cache.SetValid(slotQm);
    if (stop || Cache.GetValid(slotQm)) break;
  }
  FIterating = saved;
  return FQm;
}

// The inlet pressure for a given Kv: the p1 at which the flow needs exactly
// that Kv. The Kv the flow needs falls as p1 rises, in every flow state: the
// drop that drives it (p1 - p2, the choked FL^2 (p1 - FF pv), the gas's
// Y^2 x p1) grows with p1 and meets the states' borders continuously. So
// the root is bracketed, from p2 + 1 bar upwards by doubling the drop, and
// closed in by regula falsi (Illinois), each trial sized through the
// getters as at that p1. (Updating p1 by the ratio of the drop needed to the
// drop at hand converges only while the drop grows more slowly than p1 - p2;
// in choked liquid flow with p2 well below FF pv it grows faster, and the
// update oscillates away from the root.)
Extended tControlValve::IterateP1() {
  const int saved = FIterating;
  FIterating = slotP1;
  // The Kv the flow needs minus the given one; NoValue where no flow passes
  // (below the outlet pressure, or below FF pv for a choked liquid).
  const auto excess = [&](Extended p1) -> Extended {
    SetP1(p1);
    Cache.SetValid(slotP1);
    const Extended dpX = GetDpX(), fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
    const Extended kv = CalculateKv(FQm, Frho1, Frho2, FP1, FP2, dpX, fp, fr, fpulp, GetFlowState(), GetFlowType());
    return HasValue(kv) ? kv - FKv : NoValue;
  };
  Extended root = NoValue;
  const Extended p2 = FP2, kvGiven = FKv;
  if (Available(kvGiven, FQm, p2) && kvGiven > 0 && FQm > 0) {
    // Too little pressure: the flow needs more Kv, or cannot pass at all.
    const auto shortOf = [](Extended r) { return IsNoValue(r) || r > 0; };
    Extended lo = p2, hi = p2 + 1, rHi = excess(hi), rLo = NoValue;
    for (int i = 0; i < 64 && shortOf(rHi); ++i) {
      lo = hi;
      rLo = rHi;
      hi = p2 + 2 * (hi - p2);
      rHi = excess(hi);
    }
    if (!shortOf(rHi)) {
      root = hi;
      int side = 0;  // which end stayed put last (Illinois halving)
      for (int i = 0; i < 200 && rHi != 0; ++i) {
        Extended trial;
        if (HasValue(rLo)) trial = hi - rHi * (hi - lo) / (rHi - rLo);
        else trial = (lo + hi) / 2;  // no value at the low end: bisect
        if (!(trial > lo && trial < hi)) trial = (lo + hi) / 2;
        if (!(trial > lo && trial < hi)) break;  // the bracket is as narrow as it gets
        const Extended r = excess(trial);
        if (shortOf(r)) {
          lo = trial;
          rLo = r;
          if (side == -1 && HasValue(rHi)) rHi /= 2;
          side = -1;
        } else {
          hi = trial;
          rHi = r;
          if (side == 1 && HasValue(rLo)) rLo /= 2;
          side = 1;
        }
        root = hi;
        if (hi - lo <= 1E-15L * hi) break;
      }
    }
  }
  SetP1(root);
  Cache.SetValid(slotP1);
  FIterating = saved;
  return FP1;
}

// The outlet pressure for a given Kv. The Kv at which the flow chokes is
// found first (Kv for p2 = p1/100); a Kv not above it means choked flow and
// p2 = p1 - dpc. Otherwise p2 follows from the flow equation, for gases
// refined until the expansion factor belongs to the p2 found.
Extended tControlValve::IterateP2() {
  const int saved = FIterating;
  FIterating = slotP2;
  const Extended kvGiven = FKv, p2Given = FP2;
  Extended kvCrit = NoValue;
  {
    struct Restore {
      tControlValve& v;
      Extended kv;
      ~Restore() {
        v.SetCanCalc(ccP2);
        v.SetKv(kv);
      }
    } restore{*this, kvGiven};
    SetCanCalc(ccKv);
    SetP2(HasValue(FP1) ? FP1 / 100 : NoValue);
    FIterating = 0;
    kvCrit = GetKv();
    FIterating = slotP2;
  }
  SetP2(p2Given);
  std::vector<std::string> history;
  int counter = 0;
  for (;;) {
    Cache.SetValid(slotP2);
    Extended p2 = NoValue;
    const Extended fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
    if (Available(FKv, FQm, FP1, Frho1, fp, fr, fpulp) && fp * fr * fpulp != 0) {
      if (HasValue(kvCrit) && SmallerEqualDigits(FKv, kvCrit, 8)) {
        // Choked: the valve passes the flow only at its critical drop.
        const Extended dpc = GetDpc();
        p2 = HasValue(dpc) ? FP1 - dpc : NoValue;
      } else {
        const Extended rho = RhoForPCalculation(Frho1, Frho2, GetFlowState(), GetFlowType());
        p2 = FlowP2(FQm / (FlowFp(fp, GetFlowType()) * fr * fpulp), rho, FP1, FKv);
        if (!IsLiquid() && HasValue(p2)) {
          // The flow equation gave the effective drop dp0 = eps^2 p1; the p2
          // it belongs to lies on the rising branch of eps^2 p1 over
          // p1 - p2, below the choking point x = xcrit, and is found there
          // by bisection (a fixed-point update of p2 converges slowly near
          // choking).
          const Extended dp0 = FP1 - p2;
          const Extended xcrit = GetFk() * GetXt();
          p2 = NoValue;
          if (HasValue(xcrit) && xcrit > 0) {
            const Extended delta = GasDeltaFor(FP1, dp0, xcrit, HasValue(FP2) ? FP1 - FP2 : NoValue);
            if (HasValue(delta)) p2 = FP1 - delta;
          }
        }
        if (HasValue(p2) && p2 <= 0) p2 = NoValue;
      }
    }
    const bool stop = CheckIteration(counter, p2, history, false, FP2);
    SetP2(p2);
    if (stop) Cache.SetValid(slotP2);
    if (stop || Cache.GetValid(slotP2) || IsNoValue(FP2)) break;
  }
  Cache.SetValid(slotP2);
  FIterating = saved;
  return FP2;
}

// ---------------------------------------------------------------------------
// Class routines of the flow equations

Extended tControlValve::RhoForPCalculation(Extended rho1, Extended rho2, TECVFlowState flowState,
                                           TECVFlowType flowType) {
  const bool viscous = flowType == ftTransient || flowType == ftLaminar;
  if (viscous && Available(rho1, rho2) && flowState != fsFlashing) return (rho1 + rho2) / 2;
  return HasValue(rho1) ? rho1 : rho2;
}

// The piping geometry factor the flow equation takes: at most 1 (an
// expander alone does not credit its pressure recovery), and none in
// transitional and laminar flow, whose equations carry FR alone.
Extended tControlValve::FlowFp(Extended FP, TECVFlowType flowType) {
  if (flowType == ftTransient || flowType == ftLaminar) return 1;
  return std::min(FP, Extended(1));
}

// Transitional and laminar flow follow the pressure drop itself with the
// mean density (IEC 60534-2-1:2011 eqs. (4) and (13)); turbulent flow the
// effective drop dpX with the inlet density (eqs. (1), (3), (7), (8)).
Extended tControlValve::CalculateKv(Extended Qm, Extended rho1, Extended rho2, Extended p1,
                                    Extended p2, Extended dpX, Extended FP, Extended FR,
                                    Extended fPulp, TECVFlowState flowState,
                                    TECVFlowType flowType) {
  if (!Available(Qm, rho1, dpX, FP, FR, fPulp) || FP == 0 || FR == 0 || fPulp == 0) return NoValue;
  FP = FlowFp(FP, flowType);
  const Extended q = Qm / (FP * FR * fPulp);
  const bool viscous = flowType == ftTransient || flowType == ftLaminar;
  if (viscous && Available(p1, p2, rho2) && flowState != fsFlashing)
    return FlowKv(q, (rho1 + rho2) / 2, p1 - p2);
  return FlowKv(q, rho1, dpX);
}

Extended tControlValve::CalculateQm(Extended Kv, Extended rho1, Extended rho2, Extended p1,
                                    Extended p2, Extended dpX, Extended FP, Extended FR,
                                    Extended fPulp, TECVFlowState flowState,
                                    TECVFlowType flowType) {
  if (!Available(Kv, rho1, dpX, FP, FR, fPulp)) return NoValue;
  FP = FlowFp(FP, flowType);
  const bool viscous = flowType == ftTransient || flowType == ftLaminar;
  Extended q;
  if (viscous && Available(p1, p2, rho2) && flowState != fsFlashing)
    q = FlowQm(Kv, (rho1 + rho2) / 2, p1 - p2);
  else
    q = FlowQm(Kv, rho1, dpX);
  return HasValue(q) ? q * FP * FR * fPulp : NoValue;
}

Extended tControlValve::CalculateP1(Extended Kv, Extended Qm, Extended rho1, Extended rho2,
                                    Extended p1, Extended p2, Extended dpX, Extended FP,
                                    Extended FR, Extended fPulp, TECVFlowState flowState,
                                    TECVFlowType flowType) {
  if (!Available(Kv, Qm, p2, dpX, FP, FR, fPulp) || FP * FR * fPulp == 0) return NoValue;
  FP = FlowFp(FP, flowType);
  const Extended rho = RhoForPCalculation(rho1, rho2, flowState, flowType);
  const Extended needed = FlowDp(Qm / (FP * FR * fPulp), rho, Kv);
  if (IsNoValue(needed)) return NoValue;
  // The same case split as CalculateKv: the drop itself with the mean
  // density for viscous flow when the outlet density is known.
  const bool viscous = flowType == ftTransient || flowType == ftLaminar;
  if (IsNoValue(p1) || p1 <= p2 || dpX <= 0 || (viscous && HasValue(rho2) && flowState != fsFlashing))
    return p2 + needed;
  return Checked(p2 + (p1 - p2) * needed / dpX);
}

// The expansion factor times sqrt(x): Y = 1 - x/(3 Fgamma xT) with x limited
// to Fgamma xT (IEC 60534-2-1:2011 eqs. (11), (12)); eps^2 p1 is the drop
// that makes FlowKv the gas equation (eq. (8)).
Extended tControlValve::CalculateEpsilon(Extended p1, Extended p2, Extended xcrit) {
  if (!Available(p1, p2, xcrit) || p2 >= p1 || p1 <= 0 || xcrit <= 0) return NoValue;
  const Extended x = std::min((p1 - p2) / p1, xcrit);
  const Extended y = 1 - x / (3 * xcrit);
  return y * std::sqrt(x);
}

Extended tControlValve::PressureDrop(TEPhase phase, Extended p1, Extended p2, Extended fk,
                                     Extended xT) {
  if (!Available(p1, p2) || p2 >= p1 || p1 <= 0) return NoValue;
  if (phase == phLiquid) return p1 - p2;
  if (!Available(fk, xT)) return NoValue;
  const Extended eps = CalculateEpsilon(p1, p2, fk * xT);
  return HasValue(eps) ? eps * eps * p1 : NoValue;
}

// The choked drop of a liquid, FL2 (p1 - FF pv) (IEC 60534-2-1:2011 eq. (3)),
// or of a liquid entering saturated or with vapour: interpolated over the
// square of the vapour fraction between the saturated liquid and the
// two-phase limit 0.3 FL2 p1.
Extended tControlValve::CriticalPressureDropLiquid(Extended F, Extended p1, Extended pv1,
                                                   Extended pc, Extended pvl1, Extended p2,
                                                   Extended xFG1,
                                                   teCalculatedPhase calculatedPhase) {
  if (!Available(p1, F)) return NoValue;
  const bool twoPhase = IsTwoPhase(calculatedPhase);
  const bool ordinary = !twoPhase && HasValue(pv1) && (pv1 < p1 || EqualDigits(p1, pv1, 3));
  if (ordinary) {
    const Extended ff = FFactor(pv1, pc);
    if (HasValue(ff)) return F * (p1 - ff * pv1);
    if (pv1 < p1 / 3) return F * (p1 - 0.88L * pv1);
    return NoValue;
  }
  if (!twoPhase && !(HasValue(pv1) && pv1 > p1)) return NoValue;
  Extended d1 = 0.3L * F * p1;
  if (HasValue(p2) && F * (p1 - p2) < d1) d1 = F * (p1 - p2);
  if (IsNoValue(xFG1)) return d1;
  Extended d2 = 0.94L * F * p1;
  const Extended ffSat = FFactor(p1, pc);
  if (Available(pvl1, pv1, ffSat)) d2 = F * (p1 - ffSat * p1);
  const Extended f = xFG1 / 100;
  return d2 + f * f * (d1 - d2);
}

void tControlValve::CriticalPressureDrop(TEPhase phase, teCalculatedPhase calculatedPhase,
                                         Extended fl2, Extended Kc, Extended xT, Extended p1,
                                         Extended p2, Extended pv1, Extended pvl1, Extended pc,
                                         Extended kappa1, Extended xFG1, Extended z1,
                                         Extended& dpc, Extended& dpcKc, Extended& dpXc,
                                         Extended& Xc) {
  dpc = dpcKc = dpXc = Xc = NoValue;
  if (phase == phLiquid) {
    dpc = CriticalPressureDropLiquid(fl2, p1, pv1, pc, pvl1, p2, xFG1, calculatedPhase);
    dpcKc = CriticalPressureDropLiquid(Kc, p1, pv1, pc, pvl1, p2, xFG1, calculatedPhase);
    return;
  }
  if (!Available(p1, xT, kappa1)) return;
  CalculateXcr(kappa1, xT, p1, Xc, dpXc);
  // IEC 60534-2-1 treats the gas as ideal: x at choking is Fgamma xT.
  if (IsIdealGas(kappa1, z1)) dpc = p1 * xT * kappa1 / 1.4L;
  else dpc = dpXc;
}

Extended tControlValve::DamageLimit(int equivalentValveType) {
  switch (equivalentValveType) {
    case 1: return 20;
    case 2: return 10;
    case 3: return 5;
    case 4: return 5;
    default: return 10;
  }
}

// Flattened: out of line, each of its helpers (the NoValue tests,
// IsTwoPhase, DamageLimit) would copy 80-bit values to the stack. They are
// leaves, so the flattened body stays small; a function that calls the
// valve's getters must not be flattened, as it would take in the whole
// class (a sanitized build without -fPIC then takes gigabytes and hours).
[[gnu::flatten]] void tControlValve::CalculateFlowState(TEPhase phase, teCalculatedPhase calculatedPhase,
                                       int equivalentValveType, int trimType, const Extended& p1,
                                       const Extended& p2, const Extended& dpc,
                                       const Extended& dpcKc, const Extended& pv2,
                                       const Extended& fl2, const Extended& sigma,
                                       const Extended& sigmaP, const Extended& zyGiven,
                                       const Extended& KcGiven, const Extended& xT,
                                       const Extended& kappa1, TECVFlowState& state,
                                       Extended& dpLimit) {
  (void)trimType, (void)xT, (void)kappa1;
  Extended zy = zyGiven, Kc = KcGiven;
  state = fsUndefined;
  dpLimit = NoValue;
  if (calculatedPhase == cpSolid) return;
  // Wet steam declared as such is judged by the gas rule, as it is sized.
  const bool liquidFound =
      calculatedPhase == cpLiquid || (calculatedPhase == cpZweiPhasig && phase != phMixPhaseV);
  if (liquidFound != (phase == phLiquid)) return;
  bool forceUndefined = false;
  Extended p2eff = p2;
  if (IsNoValue(p2) || p2 == 0) {
    p2eff = HasValue(p1) ? p1 / 100 : NoValue;
    forceUndefined = true;
  }
  if (phase == phLiquid) {
    const Extended damageLimit = DamageLimit(equivalentValveType);
    if (Available(Kc, fl2)) Kc = std::min(Kc, fl2);
    if (Available(zy, Kc)) zy = std::min(zy, Kc);
    if (Available(p1, pv2, p2eff) && p1 > p2eff) {
      const Extended dp = p1 - p2eff;
      const bool flashing = dp >= p1 - 1.001L * pv2 || IsTwoPhase(calculatedPhase);
      const bool sigmaFlag = Available(sigma, sigmaP) && sigmaP > sigma;
      if (flashing) {
        state = fsFlashing;
        dpLimit = p1 - pv2;
      } else if (Available(dpc, dpcKc, zy, fl2)) {
        state = fsNormal;
        dpLimit = 1.005L * zy * (p1 - pv2);
        const bool partial = dp >= zy * (p1 - pv2);
        const bool strong = dp >= dpcKc;
        const bool damage = strong && dp > damageLimit;
        const bool maximum = dp >= dpc;
        if (damage) state = fsMechDamage;
        else if (maximum) state = fsMaximumCavitation;
        else if (strong) state = sigmaFlag ? fsMaxCavSigmaMr : fsStrongCavitation;
        else if (partial) state = sigmaFlag ? fsPartCavSigmaMr : fsPartialCavitation;
        if (maximum) dpLimit = dpc;
        else if (strong) dpLimit = dpcKc;
        if (damage) dpLimit = std::min(dpLimit, damageLimit);
      }
    } else if (IsTwoPhase(calculatedPhase)) {
      state = fsFlashing;
    }
  } else if (Available(p1, p2eff, dpc) && p1 > p2eff && p1 != 0) {
    dpLimit = std::min(dpc, p1 / 2);
    // Choked from x = Fgamma xT on (IEC 60534-2-1:2011: x >= Fgamma xT),
    // the limit included, so that the outlet pressure found for a Kv on the
    // choked plateau (p2 = p1 - dpc) is reported as choked; a relative
    // 1E-12 absorbs the rounding of p1 - (p1 - dpc).
    state = p1 - p2eff >= dpc * (1 - 1E-12L) ? fsChokedFlow : fsNormal;
  }
  if (forceUndefined) state = fsUndefined;
}

// ---------------------------------------------------------------------------
// Valve factors over the opening

// Moves a factor given at 75 % opening to the opening r: the factor tends to
// 1 as the valve closes, FL and xT rising towards small openings.
// The power is taken in double: the curve's constants carry four to five
// digits, the double power differs from the extended one by 2E-16 relative
// at most, and it costs a fraction of powl, which ran on every pass of the
// sizing iteration where a factor follows the opening.
Extended tControlValve::CorrectedModifier(Extended value75, Extended Kv, Extended Kvs) {
  if (IsNoValue(value75)) return NoValue;
  const Extended r = Opening(Kv, Kvs, 0.75L);
  if (r < 0) return NoValue;
  return 1 + (value75 - 1) * std::pow(static_cast<double>(1.2933L * r + 0.03L), 0.3);
}

Extended tControlValve::CorrectedModifier7FL2(Extended value, Extended Kv, Extended Kvs,
                                              const TFactorPolynomial& p) {
  if (IsNoValue(value) || !p.Valid) return NoValue;
  const Extended e = p.At(Opening(Kv, Kvs, 1));
  if (IsNoValue(e)) return NoValue;
  return std::clamp(Checked(value * std::pow(2.0L, e)), Extended(0), Extended(1));
}

Extended tControlValve::CorrectedModifier7xFz(Extended value, Extended Kv, Extended Kvs,
                                              const TFactorPolynomial& p) {
  return CorrectedModifier7FL2(value, Kv, Kvs, p);
}

Extended tControlValve::Calculatefl2(Extended fl2_75, bool func, Extended Kv, Extended Kvs,
                                     const tValveDescription* description) {
  if (description && description->Fl.IsValid()) {
    const Extended fl = description->Fl.At(Opening(Kv, Kvs, 1));
    return HasValue(fl) ? fl * fl : NoValue;
  }
  if (func) {
    if (description && description->Fl2Poly.Valid)
      return CorrectedModifier7FL2(fl2_75, Kv, Kvs, description->Fl2Poly);
    return std::min(CorrectedModifier(fl2_75, Kv, Kvs), Extended(1));
  }
  return fl2_75;
}

Extended tControlValve::Calculatext(Extended xt75, bool func, Extended Kv, Extended Kvs,
                                    const tValveDescription* description) {
  if (description && description->Xt.IsValid()) {
    const Extended xt = description->Xt.At(Opening(Kv, Kvs, 1));
    return HasValue(xt) ? std::min(xt, Extended(1)) : NoValue;
  }
  if (func) {
    const Extended xt = CorrectedModifier(xt75, Kv, Kvs);
    return HasValue(xt) ? std::max(xt, Extended(1) / 6) : NoValue;
  }
  return xt75;
}

// Kc of the opening; without a given value, 0.7 FL2, the estimate of the
// onset of cavitation damage commonly used for want of test data.
Extended tControlValve::CalculateKc(Extended Kc75, bool func, Extended Kv, Extended Kvs,
                                    Extended fl2, Extended zy) {
  (void)zy;
  if (IsNoValue(Kc75)) return HasValue(fl2) ? 0.7L * fl2 : NoValue;
  return func ? CorrectedModifier(Kc75, Kv, Kvs) : Kc75;
}

// Fd is the ratio of the hydraulic diameter of one flow passage to the
// diameter of a circle of the whole passage area (IEC 60534-2-1:2011,
// Annex A); for a given trim the passage grows with the opening, and Fd
// with the square root of the flow area, i.e. of Kv.
Extended tControlValve::Calculatefd(Extended fd75, Extended fd75c, bool func,
                                    teCvInwardFlow inward, Extended Kv, Extended Kvs) {
  const Extended base = inward == ifClosing && HasValue(fd75c) ? fd75c : fd75;
  if (IsNoValue(base)) return NoValue;
  if (!func) return base;
  const Extended r = Opening(Kv, Kvs, 0.75L);
  return std::clamp(base * std::sqrt(r / 0.75L), Extended(0.01), Extended(1));
}

// xFz referred to the inlet pressure: xFz(p1) = xFz (6 bar / p1)^0.125
// (IEC 60534-8-4:2015; xFz is measured at 6 bar inlet pressure).
Extended tControlValve::xFzAtP1(Extended xFz, Extended p1) {
  if (!Available(xFz, p1) || p1 <= 0) return NoValue;
  // (6/p1)^(1/8), kept from the last call: p1 rarely changes between calls.
  thread_local Extended lastP1 = NoValue, lastFactor = NoValue;
  if (p1 != lastP1) lastP1 = p1, lastFactor = std::sqrt(std::sqrt(std::sqrt(6 / p1)));
  return xFz * lastFactor;
}

Extended tControlValve::CalculatexFz(Extended zy75, bool func, Extended Kv, Extended Kvs,
                                     Extended Fd, Extended fd75c, Extended fl2, Extended fl2_75,
                                     Extended p1, Extended dH, int trimType,
                                     teLowNoiseDesign lowNoise,
                                     const tValveDescription* description) {
  (void)dH, (void)trimType;
  Extended z = NoValue;
  if (description && description->Zy.IsValid()) {
    z = description->Zy.At(Opening(Kv, Kvs, 1));
  } else if (HasValue(zy75) && !func) {
    return zy75;  // a given constant coefficient
  } else if (description && description->XfzPoly.Valid && HasValue(zy75)) {
    z = CorrectedModifier7xFz(zy75, Kv, Kvs, description->XfzPoly);
  } else if (lowNoise == lnPerforatedPlug || (description && description->PerforatedPlug)) {
    z = TXfzRules::CalculateXfZPerforatedPlug(Kv, fl2);
  } else {
    if (HasValue(fd75c) && IsNoValue(Fd)) Fd = fd75c;
    z = TXfzRules::CalculateXfZ(Fd, fl2, Kv);
    if (HasValue(zy75) && HasValue(z) && Available(Kvs, fl2_75)) {
      // The given 75 % value fixes the level, the rule the course.
      const Extended rule75 = TXfzRules::CalculateXfZ(Fd, fl2_75, 0.75L * Kvs);
      z = TXfzRules::ShiftModifier(z, rule75, zy75);
    }
  }
  z = xFzAtP1(z, p1);
  return TXfzRules::CheckZyFL2(z, fl2);
}

// FLP^2 / FP^2 with FLP = FL / sqrt(1 + FL^2 zeta_i (Kv/d^2)^2 / N2)
// (IEC 60534-2-1:2011 eq. (5)).
Extended tControlValve::FittingsFl2(Extended fl2, Extended FP, Extended zeta1, Extended Kv,
                                    Extended DNV) {
  if (!Available(fl2, FP, zeta1, Kv, DNV) || !(FP < 1) || DNV <= 0 || fl2 <= 0 || FP <= 0)
    return fl2;
  const Extended k = Kv / (DNV * DNV);
  const Extended flp2 = 1 / (1 / fl2 + zeta1 * k * k / 0.0016L);
  return Checked(flp2 / (FP * FP));
}

// xTP = (xT/FP^2) / (1 + xT zeta_i (Kv/d^2)^2 / N5) (IEC 60534-2-1:2011
// eq. (18)).
Extended tControlValve::FittingsXt(Extended xT, Extended FP, Extended zeta1, Extended Kv,
                                   Extended DNV) {
  if (!Available(xT, FP, zeta1, Kv, DNV) || !(FP < 1) || DNV <= 0 || FP <= 0) return xT;
  const Extended k = Kv / (DNV * DNV);
  return Checked((xT / (FP * FP)) / (1 + xT * zeta1 * k * k / 0.0018L));
}

// ---------------------------------------------------------------------------
// Reducers and piping geometry factor (IEC 60534-2-1:2011 eqs. (15)-(17))

namespace {
Extended PipeDiameter(Extended D, Extended DNV, bool lineSize) {
  if (lineSize || IsNoValue(D) || D < DNV || D > 10 * DNV) return DNV;
  return D;
}
}  // namespace

void tControlValve::Calculatezeta1(Extended DNV, Extended DNV1, Extended DN1, bool lineSize,
                                   Extended& zeta1, Extended& KvRed1) {
  zeta1 = KvRed1 = NoValue;
  if (IsNoValue(DNV) || DNV <= 0) return;
  const Extended d = HasValue(DNV1) && DNV1 > 0 ? DNV1 : DNV;
  const Extended D1 = PipeDiameter(DN1, DNV, lineSize);
  const Extended r = (d / D1) * (d / D1);
  zeta1 = 1.5L - r - 0.5L * r * r;  // zeta1 + zetaB1 = 0.5 (1 - r)^2 + (1 - r^2)
  if (zeta1 > 0) KvRed1 = 0.04L * d * d / std::sqrt(zeta1);
}

void tControlValve::CalculateEzeta(Extended zeta1, Extended DNV, Extended DN2, Extended Kv,
                                   bool lineSize, bool useResistors, Extended& Ezeta,
                                   Extended& EKvRed) {
  (void)Kv;
  Ezeta = EKvRed = NoValue;
  if (IsNoValue(DNV) || DNV <= 0) return;
  const Extended D2 = PipeDiameter(DN2, DNV, lineSize);
  Extended outlet = NoValue;
  if (!useResistors) {
    const Extended r2 = (DNV / D2) * (DNV / D2);
    outlet = 2 * r2 * (r2 - 1);  // zeta2 - zetaB2 = (1 - r2)^2 - (1 - r2^2)
  }
  if (HasValue(zeta1) || HasValue(outlet))
    Ezeta = (HasValue(zeta1) ? zeta1 : 0) + (HasValue(outlet) ? outlet : 0);
  if (HasValue(Ezeta) && Ezeta > 0) EKvRed = 0.04L * DNV * DNV / std::sqrt(Ezeta);
  else EKvRed = HasValue(D2) ? 0.25L * D2 * D2 : NoValue;
}

Extended tControlValve::CalculatefpQm(Extended DNV, Extended Ezeta, Extended Kv, Extended EKvRed,
                                      bool lineSize) {
  (void)EKvRed;
  if (lineSize || !Available(Ezeta, Kv, DNV) || Ezeta == 0) return 1;
  if (Kv <= 0 || DNV <= 0) return 1;
  const Extended k = Kv / (DNV * DNV);
  const Extended s = 1 + Ezeta / 0.0016L * k * k;
  return s > 0 ? 1 / std::sqrt(s) : NoValue;
}

bool tControlValve::GetKvTooBigDNV(Extended& Kv, Extended DNV) {
  if (!Available(Kv, DNV) || DNV <= 0) return false;
  if (Kv < 0.25L * DNV * DNV) return false;
  Kv = 0.25L * DNV * DNV * 1.000001L;
  return true;
}

Extended tControlValve::FlowVelocity(Extended Qm, Extended rho, Extended D) {
  if (!Available(Qm, rho, D) || rho <= 0 || D <= 0 || Qm < 0) return NoValue;
  const Extended area = std::acos(-1.0L) / 4 * (D / 1000) * (D / 1000);
  return Checked(Qm / 3600 / rho / area);
}

// The isentropic speed of sound of a gas, c = sqrt(kappa p / rho); with the
// isentropic exponent of the real gas it holds for real gases as well.
Extended tControlValve::SoundSpeed(Extended kappa, Extended p, Extended rho) {
  if (!Available(kappa, p, rho) || kappa <= 0 || p <= 0 || rho <= 0) return NoValue;
  return Checked(std::sqrt(kappa * p * 1E5L / rho));
}

// ---------------------------------------------------------------------------
// Iteration control

bool tControlValve::CheckIteration(int& counter, Extended& value, std::vector<std::string>& history,
                                   bool minimum, Extended previous) {
  ++counter;
  if (counter <= 25) return false;
  if (counter > 500) {
    value = NoValue;
    return true;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.15Lg", value);
  if (std::find(history.begin(), history.end(), text) == history.end()) {
    history.emplace_back(text);
    return false;
  }
  // The sequence cycles: take the mean (or the minimum) of the last values
  // when they lie close together, else give up.
  bool close = false;
  if (Available(value, previous) && value != 0 && previous != 0) {
    const Extended lo = std::min(value, previous), hi = std::max(value, previous);
    close = value == previous || std::fabs(1 - lo / hi) < std::pow(10.0L, -0.1L);
  }
  if (!close) {
    value = NoValue;
    return true;
  }
  const size_t n = std::min<size_t>(history.size() / 2, 20);
  if (n == 0) return true;
  Extended acc = minimum ? NoValue : 0;
  for (size_t i = history.size() - n; i < history.size(); ++i) {
    const Extended v = std::strtold(history[i].c_str(), nullptr);
    if (minimum) acc = IsNoValue(acc) ? v : std::min(acc, v);
    else acc += v;
  }
  value = minimum ? acc : acc / static_cast<Extended>(n);
  if (!std::isfinite(value)) value = NoValue;
  return true;
}

// ---------------------------------------------------------------------------
// Travel, suggested Kvs, non-choked case, cavitation, pulp

Extended tControlValve::CalculateKvKvs(Extended Kv, Extended Kvs) {
  if (!Available(Kv, Kvs) || Kvs <= 0 || Kv < 0) return NoValue;
  return 100 * Kv / Kvs;
}

// Travel in percent of the rated travel from the inherent characteristic
// (VDI/VDE 2173): phi0 is the theoretical Kv0/Kvs at zero travel in percent.
//   equal percentage  Kv/Kvs = phi0 exp(h ln(1/phi0))
//   linear            Kv/Kvs = phi0 + (1 - phi0) h
//   modified equal %  Kv/Kvs = phi0 + (1 - phi0) h^2 (parabolic)
//   on/off            Kv/Kvs = phi0 + (1 - phi0) (1 - (1 - h)^2) (quick opening)
// The measured characteristics read the travel from the measured Kv/Kvs
// over the travel when the valve has one (linear between its rows); without
// it the four with a basic shape take the travel of that shape, and the
// free measured characteristic gives none.
Extended tControlValve::CalculateStroke(teCharacteristicType type, Extended KvKvs, Extended phi0,
                                        const TTravelCurve* measured) {
  if (IsNoValue(KvKvs) || KvKvs < 0) return NoValue;
  if (type >= ctMeasuredValues && measured && measured->IsValid()) return measured->TravelAt(KvKvs);
  const Extended r = std::min(KvKvs / 100, Extended(1));
  switch (type) {
    case ctMVEQ: type = ctEqualPercentage; break;
    case ctMVLin: type = ctLinear; break;
    case ctMVOO: type = ctOnOff; break;
    case ctMVMODEQ: type = ctModified_eq; break;
    case ctMeasuredValues: return NoValue;
    default: break;
  }
  Extended p0 = HasValue(phi0) ? phi0 / 100 : NoValue;
  Extended h = NoValue;
  if (type == ctEqualPercentage) {
    if (IsNoValue(p0)) p0 = 0.02L;  // rangeability 50
    if (p0 <= 0 || p0 >= 1) return NoValue;
    if (r <= 0) return 0;
    // ln(1/phi0) changes only with phi0: kept from the last call.
    thread_local Extended lastP0 = NoValue, lastLog = NoValue;
    if (p0 != lastP0) lastP0 = p0, lastLog = std::log(1 / p0);
    h = std::log(r / p0) / lastLog;
  } else {
    if (IsNoValue(p0)) p0 = 0;
    if (p0 < 0 || p0 >= 1) return NoValue;
    const Extended lin = (r - p0) / (1 - p0);
    if (lin <= 0) return 0;
    if (type == ctLinear) h = lin;
    else if (type == ctModified_eq) h = std::sqrt(lin);
    else h = 1 - std::sqrt(std::max(Extended(0), 1 - lin));
  }
  return 100 * std::clamp(h, Extended(0), Extended(1));
}

// The factor scaled from the drop p1 - FF pv to the drop p1 - pv, so that
// its inverse is a cavitation index (p1 - pv)/dp: K* = K (p1 - FF pv)/(p1 - pv)
// with FF of IEC 60534-2-1:2011 eq. (6); pv is the vapour pressure of the
// liquid phase when given. Close to the boiling point K (p1 - FF pv) exceeds
// p1 - pv: the outlet reaches the vapour pressure before the limit, the
// liquid flashes instead of cavitating, and on the cavitation scale the
// limit is sigma = 1, the outlet at the vapour pressure. A recovery factor
// above 1 would put the vena contracta above the outlet pressure.
void tControlValve::CalculateModValveFactor(Extended factor, Extended p1, Extended pv1,
                                            Extended pvl1, Extended pc, Extended& corrected) {
  corrected = NoValue;
  const Extended pv = HasValue(pvl1) ? pvl1 : pv1;
  if (!Available(factor, p1, pv) || pv >= p1) return;
  Extended ff = FFactor(pv, pc);
  if (IsNoValue(ff)) ff = 0.88L;
  corrected = Checked(std::min(factor * (p1 - ff * pv) / (p1 - pv), Extended(1)));
}

void tControlValve::CalculateSuggestedKvs(Extended Kv, Extended& kvsMin, Extended& kvsMax) {
  kvsMin = kvsMax = NoValue;
  if (IsNoValue(Kv) || Kv <= 0) return;
  kvsMax = RoundSignificant(2 * Kv, 2);
  kvsMin = RoundSignificant(1.1L * Kv, 2);
}

// The outlet pressure at which the valve would pass the flow if it did not
// choke: the turbulent flow equation with the pressure drop itself (liquid)
// or with the expansion factor without the limit of x (gas).
Extended tControlValve::CalculateP2nc(Extended Kv, Extended Qm, Extended rho, Extended p1,
                                      Extended FP, Extended FR, Extended fPulp, TEPhase phase,
                                      Extended fk, Extended xT, Extended guessDrop) {
  if (!Available(Kv, Qm, rho, p1, FP, FR, fPulp) || FP * FR * fPulp == 0) return NoValue;
  const Extended needed = FlowDp(Qm / (std::min(FP, Extended(1)) * FR * fPulp), rho, Kv);
  if (IsNoValue(needed)) return NoValue;
  if (phase == phLiquid) return p1 - needed;
  if (!Available(fk, xT)) return NoValue;
  const Extended delta = GasDeltaFor(p1, needed, fk * xT, guessDrop);
  return HasValue(delta) ? p1 - delta : NoValue;
}

// Pressure scale effect PSE = ((p1 - pv)/(pr - pvr))^a (ISA-RP75.23-1995),
// pvr = 0.0317 bar the vapour pressure of the test water at 25 degC
// (IAPWS-IF97).
Extended tControlValve::CalculatePSE(Extended p1, Extended pv1, Extended pr, Extended aPSE) {
  if (!Available(p1, pr)) return NoValue;
  const Extended pv = HasValue(pv1) ? pv1 : 0;
  const Extended a = HasValue(aPSE) ? aPSE : 0;
  const Extended ref = pr - 0.0317L;
  if (p1 - pv <= 0 || ref <= 0) return NoValue;
  return Checked(std::pow((p1 - pv) / ref, a));
}

// Size scale effect SSE = (d/dr)^b (ISA-RP75.23-1995) with the exponent
// b = 0.068 (Cv/d^2)^(1/4), Cv/d^2 in US units: Cv = kCvPerKv Kv and
// d^2 in square inches = 0.00155 d^2 in mm2. The flow passage d of the
// exponent is the seat when given, else the valve size; a given bSSE
// replaces the exponent.
Extended tControlValve::CalculateSSE(Extended Kv, Extended DNV, Extended seat, Extended dr,
                                     Extended bSSE) {
  if (!Available(DNV, dr) || DNV <= 0 || dr <= 0) return NoValue;
  Extended b = bSSE;
  if (IsNoValue(b)) {
    const Extended d = HasValue(seat) && seat > 0 ? seat : DNV;
    if (IsNoValue(Kv) || Kv < 0) return NoValue;
    b = 0.068L * std::sqrt(std::sqrt(kCvPerKv * Kv / (0.00155L * d * d)));
  }
  return Checked(std::pow(DNV / dr, b));
}

// The cavitation indices of the manufacturer's data: sigma_mr, the
// recommended limit at the opening (1/Kc of the opening, Kc given at 75 %
// and moved by CorrectedModifier); sigma_v, scaled to the valve size and the
// inlet pressure, sigma_v = (sigma_mr SSE - 1) PSE + 1 (ISA-RP75.23-1995);
// sigma_p, the limit of the plant index (p1 - pv)/(p1 - p2): with fittings
// the valve takes the share FP^2 of the drop, so sigma_p = sigma_v FP^2.
void tControlValve::CalculateSigmaMRs(Extended Kc75, Extended Kv, Extended Kvs, Extended SSE,
                                      Extended PSE, Extended FP, Extended& sigmaMr,
                                      Extended& sigmaV, Extended& sigmaP) {
  sigmaMr = sigmaV = sigmaP = NoValue;
  const Extended kc = CorrectedModifier(Kc75, Kv, Kvs);
  if (IsNoValue(kc) || kc <= 0) return;
  sigmaMr = 1 / kc;
  if (!Available(SSE, PSE)) return;
  sigmaV = (sigmaMr * SSE - 1) * PSE + 1;
  const Extended fp = HasValue(FP) ? std::min(FP, Extended(1)) : 1;
  sigmaP = sigmaV * fp * fp;
}

// The pulp factor. Other media flow as water (1). For pulp stock the
// factor comes from measured curves by pulp type and consistency; until
// they are at hand, a stand-in keeps water behaviour up to 3 % consistency
// and lowers the factor linearly above it (by 0.02, 0.025 and 0.03 per
// percent for kraft, mechanical and recycled pulp), never below 0.5.
Extended tControlValve::CalculatefPulpQm(teSubstanceType substance, TEPulpeType pulp,
                                         Extended xPulp, bool isPhaseCM, bool isMinorPhase) {
  if (substance != stPulpe || (isPhaseCM && isMinorPhase)) return 1;
  if (IsNoValue(xPulp)) return NoValue;
  const Extended slope = pulp == ptKraft ? 0.02L : pulp == ptMechanical ? 0.025L : 0.03L;
  return std::max(Extended(0.5), 1 - slope * std::max(Extended(0), xPulp - 3));
}

// ---------------------------------------------------------------------------
// Getters

Extended tControlValve::CalculateZeta1Now() {
  Cache.SetValid(slotZeta1);
  Calculatezeta1(FDNV, FDNV1, FDN1, FLineSize, Fzeta1, FKvRed1);
  return Fzeta1;
}

void tControlValve::CalculateReducers() {
  const Extended zeta1 = GetZeta1();
  Cache.SetValid(slotEzeta);
  CalculateEzeta(zeta1, FDNV, FDN2, FKv, FLineSize, FUseResistors, FEzeta, FEKvRed);
}


Extended tControlValve::CalculateFpNow(Extended kv) {
  const Extended ez = GetEzeta(), red = GetEKvRed();
  Cache.SetValid(slotFP);
  FfpQm = CalculatefpQm(FDNV, ez, kv, red, FLineSize);
  return FfpQm;
}


Extended tControlValve::CalculateFl2Now(Extended kv) {
  Cache.SetValid(slotFl2);
  Ffl2Valve = Calculatefl2(Ffl2_75, Ffl2func, kv, FKvs, FDescription.get());
  Ffl2 = FittingsFl2(Ffl2Valve, GetFpQm(), GetZeta1(), kv, FDNV);
  return Ffl2;
}

Extended tControlValve::GetFlp2() { return GetFl2(); }


Extended tControlValve::CalculateXtNow(Extended kv) {
  Cache.SetValid(slotXt);
  FxtValve = Calculatext(Fxt_75, Fxtfunc, kv, FKvs, FDescription.get());
  Fxt = FittingsXt(FxtValve, GetFpQm(), GetZeta1(), kv, FDNV);
  return Fxt;
}

Extended tControlValve::GetXtp() { return GetXt(); }

Extended tControlValve::CalculateFdNow(Extended kv) {
  Cache.SetValid(slotFd);
  Ffd = Calculatefd(Ffd_75, Ffd_75c, Ffdfunc, FInwardFlow, kv, FKvs);
  return Ffd;
}

Extended tControlValve::CalculateZyNow(Extended kv) {
  const Extended fd = GetFd(), fl2 = GetFl2Valve(), p1 = P1Now();
  Cache.SetValid(slotZy);
  const Extended fdc = FInwardFlow == ifClosing ? Ffd_75c : NoValue;
  Fzy = CalculatexFz(Fzy_75, Fzyfunc, kv, FKvs, HasValue(fdc) ? fdc : fd, fdc, fl2, Ffl2_75, p1,
                     FdH, FTrimType, FLowNoiseDesign, FDescription.get());
  return Fzy;
}

Extended tControlValve::CalculateKcNow(Extended kv) {
  const Extended fl2 = GetFl2Valve();
  Cache.SetValid(slotKc);
  FKc = CalculateKc(FKc_75, FKcfunc, kv, FKvs, fl2, NoValue);
  return FKc;
}

Extended tControlValve::CalculateFkNow() {
  Cache.SetValid(slotFk);
  Ffk = HasValue(Fkappa1) ? Fkappa1 / 1.4L : NoValue;
  return Ffk;
}

Extended tControlValve::CalculateKcStarNow(Extended kc, Extended p1) {
  Cache.SetValid(slotKcStar);
  CalculateModValveFactor(kc, p1, Fpv1, FPvl1, Fpc, FKcStar);
  return FKcStar;
}

Extended tControlValve::CalculateFlStarNow(Extended fl2, Extended p1) {
  Cache.SetValid(slotFlStar);
  Extended corrected;
  CalculateModValveFactor(fl2, p1, Fpv1, FPvl1, Fpc, corrected);
  FFlStar = HasValue(corrected) && corrected >= 0 ? std::sqrt(corrected) : NoValue;
  return FFlStar;
}

void tControlValve::CalculateCritical() {
  const Extended fl2 = GetFl2(), kc = GetKc(), xt = GetXt(), p1 = P1Now(), p2 = P2Now();
  Cache.SetValid(slotCritical);
  // An ideal gas chokes at x = Fgamma xT; the real-gas ratio (a power of
  // kappa) is then only a reported value, left to GetXc / GetDpXc, so that
  // the fixed point of Kv, FP and the factors does not pay for it each pass.
  if (FPhase != phLiquid && IsIdealGas(Fkappa1, Fz1)) {
    Fdpc = FdpcKc = FdpXc = FXc = NoValue;
    if (Available(p1, xt, Fkappa1)) Fdpc = p1 * xt * Fkappa1 / 1.4L;
    Cache.SetValid(slotXcr, false);
    return;
  }
  CriticalPressureDrop(FPhase, FCalculatedPhase, fl2, kc, xt, p1, p2, Fpv1, FPvl1, Fpc, Fkappa1,
                       FxFG1, Fz1, Fdpc, FdpcKc, FdpXc, FXc);
  Cache.SetValid(slotXcr);
}

void tControlValve::CalculateRealGasCritical() {
  if (!Cache.GetValid(slotCritical)) CalculateCritical();
  if (Cache.GetValid(slotXcr)) return;
  const Extended xt = GetXt(), p1 = P1Now();
  Cache.SetValid(slotXcr);
  FXc = FdpXc = NoValue;
  if (FPhase != phLiquid && Available(p1, xt, Fkappa1)) CalculateXcr(Fkappa1, xt, p1, FXc, FdpXc);
}


Extended tControlValve::GetDpXc() {
  KvNow();
  CalculateRealGasCritical();
  return FdpXc;
}
Extended tControlValve::GetXc() {
  KvNow();
  CalculateRealGasCritical();
  return FXc;
}

Extended tControlValve::CalculateXNow(Extended p1, Extended p2) {
  Cache.SetValid(slotX);
  const Extended pv = HasValue(Fpv1) ? Fpv1 : Fpv2;
  FX = PressureDropRate(FPhase, IsTwoPhase(FCalculatedPhase), p1, p2, pv);
  return FX;
}


Extended tControlValve::GetSigmaI() {
  const Extended kc = GetKc();
  return HasValue(kc) && kc > 0 ? 1 / kc : NoValue;
}

Extended tControlValve::GetSigmaId() {
  const Extended kc = GetKcStar();
  return HasValue(kc) && kc > 0 ? 1 / kc : NoValue;
}

Extended tControlValve::GetSigmaCh() {
  const Extended fl = GetFlStar();
  return HasValue(fl) && fl > 0 ? 1 / (fl * fl) : NoValue;
}

Extended tControlValve::GetPSE() {
  const Extended p1 = P1Now();
  if (Cache.GetValid(slotPSE)) return FPSE;
  Cache.SetValid(slotPSE);
  FPSE = CalculatePSE(p1, Fpv1, Fpr, FaPSE);
  return FPSE;
}

Extended tControlValve::GetSSE() {
  const Extended kv = KvNow();
  if (Cache.GetValid(slotSSE)) return FSSE;
  Cache.SetValid(slotSSE);
  FSSE = CalculateSSE(kv, FDNV, FSeat, Fdr, FbSSE);
  return FSSE;
}

void tControlValve::CalculateSigmas() {
  const Extended kv = KvNow();
  const Extended sse = GetSSE(), pse = GetPSE(), fp = GetFpQm();
  Cache.SetValid(slotSigma);
  FSigmaMr = FSigmaV = FSigmaP = NoValue;
  // Only liquids cavitate, and only valves with cavitation test data carry
  // these indices.
  if (!IsLiquid() || !Available(Fcvr, Fpr, Fdr)) return;
  CalculateSigmaMRs(FKc_75, kv, FKvs, sse, pse, fp, FSigmaMr, FSigmaV, FSigmaP);
}

Extended tControlValve::GetSigmaMr() {
  KvNow();
  if (!Cache.GetValid(slotSigma)) CalculateSigmas();
  return FSigmaMr;
}
Extended tControlValve::GetSigmaV() {
  KvNow();
  if (!Cache.GetValid(slotSigma)) CalculateSigmas();
  return FSigmaV;
}
Extended tControlValve::GetSigmaP() {
  KvNow();
  if (!Cache.GetValid(slotSigma)) CalculateSigmas();
  return FSigmaP;
}

void tControlValve::CalculateState() {
  const Extended p1 = P1Now(), p2 = P2Now();
  const Extended dpc = GetDpc(), dpcKc = GetDpcKc(), fl2 = GetFl2(), sigma = GetSigma();
  const Extended sigmaP = GetSigmaP(), zy = GetZy(), kc = GetKc(), xt = GetXt();
  Cache.SetValid(slotFlowState);
  CalculateFlowState(FPhase, FCalculatedPhase, EquivalentValveType(), FTrimType, p1, p2, dpc,
                     dpcKc, Fpv2, fl2, sigma, sigmaP, zy, kc, xt, Fkappa1, FFlowState, FdpLimit);
}



Extended tControlValve::CalculateDpNow(Extended p1, Extended p2) {
  const Extended fk = IsLiquid() ? NoValue : GetFk();
  const Extended xt = IsLiquid() ? NoValue : GetXt();
  Cache.SetValid(slotDp);
  Fdp = PressureDrop(FPhase, p1, p2, fk, xt);
  return Fdp;
}

// The drop that drives the flow: the pressure drop, for a liquid at choked
// (maximum cavitation, flashing) flow at most the critical drop.
Extended tControlValve::GetDpX() {
  const Extended dp = GetDp();
  if (!IsLiquid()) return dp;
  const TECVFlowState state = GetFlowState();
  const Extended dpc = GetDpc();
  if (state == fsMaximumCavitation || state == fsFlashing || state == fsChokedFlow) {
    if (!Available(dp, dpc)) return NoValue;
    return std::min(dp, dpc);
  }
  // Damage is judged before choking; the flow is limited all the same.
  if (state == fsMechDamage && Available(dp, dpc)) return std::min(dp, dpc);
  return dp;
}

Extended tControlValve::CalculateReNow(Extended kv, Extended qm) {
  const Extended fd = GetFd(), fl2 = GetFl2Valve();
  const Extended dp = FViscosityNorm == vnIEC89 ? GetDp() : NoValue;
  Cache.SetValid(slotRe);
  FRe = TValveReynolds::CalculateRe(FDNV, FEta1, qm, fd, fl2, Frho1, dp, kv, FViscosityNorm);
  return FRe;
}

Extended tControlValve::CalculateFrNow(Extended kv) {
  const Extended re = GetRe(), fl2 = GetFl2Valve();
  Cache.SetValid(slotFR);
  Cache.SetValid(slotFlowType);
  FfrQm = TValveReynolds::CalculatefrQm(re, kv, FDNV, fl2, FViscosityNorm, FIsPhaseCM,
                                       FIsMinorPhase, FFlowType);
  return FfrQm;
}


Extended tControlValve::CalculateFPulpNow() {
  Cache.SetValid(slotFPulp);
  FfPulp = CalculatefPulpQm(FSubstanceType, FPulpeType, FxPulp, FIsPhaseCM, FIsMinorPhase);
  return FfPulp;
}

Extended tControlValve::CalculateKvKvsNow(Extended kv) {
  Cache.SetValid(slotKvKvs);
  FKvKvs = CalculateKvKvs(kv, FKvs);
  return FKvKvs;
}

void tControlValve::SetTravelCurve(const TTravelCurve& c) {
  const auto same = [](const TTravelCurve& a, const TTravelCurve& b) {
    if (a.Rows.size() != b.Rows.size()) return false;
    for (size_t i = 0; i < a.Rows.size(); ++i)
      if (a.Rows[i].Travel != b.Rows[i].Travel || a.Rows[i].KvKvs != b.Rows[i].KvKvs) return false;
    return true;
  };
  if (same(c, FTravelCurve)) return;
  FTravelCurve = c;
  Changed(slotCharacteristic);
}

Extended tControlValve::GetH() {
  const Extended r = GetKvKvs();
  if (Cache.GetValid(slotH)) return FH;
  Cache.SetValid(slotH);
  FH = CalculateStroke(FCharacteristicType, r, Fphi0, &FTravelCurve);
  return FH;
}

Extended tControlValve::GetKvsSuggMax() {
  const Extended kv = KvNow();
  if (!Cache.GetValid(slotSuggKvs)) {
    Cache.SetValid(slotSuggKvs);
    CalculateSuggestedKvs(kv, FKvsSuggMin, FKvsSuggMax);
  }
  return FKvsSuggMax;
}

Extended tControlValve::GetKvsSuggMin() {
  GetKvsSuggMax();
  return FKvsSuggMin;
}

Extended tControlValve::GetP2nc() {
  const Extended kv = KvNow(), qm = QmNow(), p1 = P1Now();
  if (Cache.GetValid(slotP2nc)) return Fp2nc;
  const Extended fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
  const Extended fk = IsLiquid() ? NoValue : GetFk(), xt = IsLiquid() ? NoValue : GetXt();
  const Extended rho = RhoForPCalculation(Frho1, Frho2, GetFlowState(), GetFlowType());
  Cache.SetValid(slotP2nc);
  const Extended p2 = P2Now();
  Fp2nc = CalculateP2nc(kv, qm, rho, p1, fp, fr, fpulp, FPhase, fk, xt,
                        Available(p1, p2) ? p1 - p2 : NoValue);
  return Fp2nc;
}

// The non-choked drop of the operating point: p1 - p2 for a liquid, the
// expansion-factor drop without the limit of x for a gas.
namespace {
[[gnu::always_inline]] inline Extended NonChokedDrop(bool liquid, const Extended& p1, const Extended& p2,
                                                     const Extended& fk, const Extended& xt) {
  if (!Available(p1, p2) || p2 >= p1) return NoValue;
  if (liquid) return p1 - p2;
  if (!Available(fk, xt)) return NoValue;
  return GasDropUnlimited(p1, p1 - p2, fk * xt);
}
}  // namespace

Extended tControlValve::GetKvNC() {
  const Extended qm = QmNow(), p1 = P1Now(), p2 = P2Now();
  const Extended fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
  const Extended drop = NonChokedDrop(IsLiquid(), p1, p2, GetFk(), GetXt());
  if (!Available(qm, fp, fr, fpulp, drop) || fp * fr * fpulp == 0) return NoValue;
  return FlowKv(qm / (std::min(fp, Extended(1)) * fr * fpulp), Frho1, drop);
}

Extended tControlValve::GetQmNC() {
  const Extended kv = KvNow(), p1 = P1Now(), p2 = P2Now();
  const Extended fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
  const Extended drop = NonChokedDrop(IsLiquid(), p1, p2, GetFk(), GetXt());
  const Extended q = FlowQm(kv, Frho1, drop);
  if (!Available(q, fp, fr, fpulp)) return NoValue;
  return q * std::min(fp, Extended(1)) * fr * fpulp;
}

Extended tControlValve::GetP1NC() {
  const Extended kv = KvNow(), qm = QmNow(), p2 = P2Now();
  const Extended fp = GetFpQm(), fr = GetFrQm(), fpulp = GetFPulpQm();
  if (!Available(kv, qm, p2, fp, fr, fpulp) || fp * fr * fpulp == 0) return NoValue;
  const Extended needed = FlowDp(qm / (std::min(fp, Extended(1)) * fr * fpulp), Frho1, kv);
  if (IsNoValue(needed)) return NoValue;
  if (IsLiquid()) {
    // The inlet pressure that passes the flow with the drop it needs at the
    // outlet pressure of the point, provided the valve does not choke there
    // itself. The critical drop grows with the inlet pressure, so below the
    // inlet pressure of a choked point it is always smaller than the drop
    // the flow needs (and near the boiling point the inlet would even lie
    // below the vapour pressure): with this Kv and outlet pressure no inlet
    // pressure passes the flow unchoked.
    const Extended p1nc = p2 + needed;
    const Extended dpc = CriticalPressureDropLiquid(GetFl2(), p1nc, Fpv1, Fpc, FPvl1, p2, FxFG1,
                                                    FCalculatedPhase);
    return HasValue(dpc) && needed <= dpc * (1 + 1E-9L) ? p1nc : NoValue;
  }
  const Extended xcrit = GetFk() * GetXt();
  if (!Available(xcrit)) return NoValue;
  // The inlet pressure is raised until the expansion-factor drop passes the
  // flow; it grows without bound with p1, so a bracket always exists.
  const Extended lo = p2;
  Extended hi = p2 + needed;
  for (int i = 0; i < 200 && GasDropUnlimited(hi, hi - p2, xcrit) < needed; ++i) hi = p2 + 2 * (hi - p2);
  const auto g = [&](Extended p) { return GasDropUnlimited(p, p - p2, xcrit); };
  // Guards around the root need g to rise over the whole bracket. With
  // s = p2/p and y = 1 - (1 - s)/(3 xcrit) (falling with p), g = p (1 - s) y^2
  // rises where 3 xcrit > (1 - s)(1 + 2 s); the right side peaks at 9/8 for
  // s = 1/4. y at least 0.01 at the top keeps the evaluation accurate.
  Extended safeLo = -kNoGuard, safeHi = kNoGuard;
  const Extended sTop = p2 / hi, yTop = 1 - (1 - sTop) / (3 * xcrit);
  const Extended hMax = sTop <= 0.25L ? 9 / 8.0L : (1 - sTop) * (1 + 2 * sTop);
  if (p2 > 0 && yTop >= 0.01L && 3 * xcrit > hMax * (1 + 1E-6L)) {
    // The root by Newton's method in double from p2 + needed, where g is
    // below the target (g <= p - p2 with y <= 1), then one step in long
    // double.
    // The inlet pressure of the operating point, the root unless the flow
    // chokes, starts them when it lies close (see GasDeltaFor).
    const double x3 = 3 * static_cast<double>(xcrit), q2 = static_cast<double>(p2), n = static_cast<double>(needed);
    double p = q2 + n, slope = 0;
    if (const Extended op = P1Now(); HasValue(op) && op > p2 && op < hi) {
      const double g = static_cast<double>(op), delta = g - q2, y = 1 - delta / (x3 * g);
      if (y > 0 && std::fabs(delta * y * y - n) <= 1E-3 * n) p = g;
    }
    TPassSkipper skip;
    for (int i = 0; i < 30; ++i) {
      if (skip.Repeats(p, i, 30)) break;
      const double delta = p - q2, y = 1 - delta / (x3 * p);
      slope = y * y - 2 * delta * y * q2 / (x3 * p * p);
      if (!(slope > 0) || !(y > 0)) break;
      const double step = (n - delta * y * y) / slope;
      p = std::max(p + step, q2 + 0.5 * (p - q2));
      if (std::fabs(step) <= 1E-16 * p) break;
    }
    Extended root = p;
    if (slope > 0 && root > p2 && root < hi) {
      const Extended delta = root - p2, y = 1 - delta / (3 * xcrit * root), gr = g(root);
      const Extended dg = y * y - 2 * delta * y * p2 / (3 * xcrit * root * root);
      if (HasValue(gr) && dg > 0) root += (needed - gr) / dg;
    }
    std::tie(safeLo, safeHi) = Guards(root, slope * p / n, lo, hi, needed, GasDropMargin(yTop), g);
  }
  const Extended p1 = Bisect(lo, hi, safeLo, safeHi, [&](Extended mid) {
    const Extended d = g(mid);
    return HasValue(d) && d < needed;
  });
  const Extended check = GasDropUnlimited(p1, p1 - p2, xcrit);
  return HasValue(check) && EqualDigits(check, needed, 6) ? p1 : NoValue;
}

}  // namespace torvacalc
