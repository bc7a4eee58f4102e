// The results a calculation module reads from the valve after a sizing: the
// shortcuts that make them cheap (the decade of a rounding found by
// comparison, integer halvings of the non-choked bisections, a start of
// Newton's method at the operating point, values kept from the last call,
// results kept valid over a new flow state) must give the numbers of the
// plain formulas to the bit, and a valve used pass after pass must read
// what a fresh valve reads.
#include "valves/control_valve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "valves/flow_equations.h"
#include "plain_bisection.h"

namespace torvacalc {
namespace {

bool Same(Extended a, Extended b) { return a == b || (IsNoValue(a) && IsNoValue(b)); }

std::string Text(Extended v) {
  char s[64];
  std::snprintf(s, sizeof s, "%.21Lg", v);
  return s;
}

// Rounding to two significant digits as the formula reads.
Extended PlainRound(Extended v, int digits) {
  if (IsNoValue(v) || v == 0) return v;
  const Extended e = std::floor(std::log10(std::fabs(v))) + 1 - digits;
  const Extended scale = std::pow(10.0L, e);
  return std::round(v / scale) * scale;
}

TEST(ValveResults, SuggestedKvsRoundAsThePlainFormula) {
  // Kv at and next to the powers of ten (where the decade changes), at
  // the halves of the last kept digit (where the rounding turns), tiny and
  // huge values beyond the table of powers, and a sweep over the decades.
  std::vector<Extended> kvs;
  for (int k = -70; k <= 70; ++k) {
    const Extended p = std::pow(10.0L, Extended(k));
    for (const Extended f : {1.0L, 1 + 1E-16L, 1 - 1E-16L, 1 + 1E-15L, 1 - 1E-15L, 1 + 1E-13L, 1 - 1E-13L})
      for (const Extended scale : {1.0L, 0.5L, 1 / 1.1L}) kvs.push_back(p * f * scale);
    kvs.push_back(std::nextafter(p / 2, Extended(0)));
    kvs.push_back(std::nextafter(p / 2, Extended(1E300L)));
    for (const Extended tie : {0.125L, 0.0625L, 0.3125L, 0.4375L}) kvs.push_back(p * tie);
  }
  for (Extended kv = 1E-6L; kv < 1E7L; kv *= 1.0137L) kvs.push_back(kv);
  for (const Extended kv : kvs) {
    Extended lo, hi;
    tControlValve::CalculateSuggestedKvs(kv, lo, hi);
    SCOPED_TRACE("Kv " + Text(kv));
    EXPECT_TRUE(Same(lo, PlainRound(1.1L * kv, 2))) << Text(lo) << " vs " << Text(PlainRound(1.1L * kv, 2));
    EXPECT_TRUE(Same(hi, PlainRound(2 * kv, 2))) << Text(hi) << " vs " << Text(PlainRound(2 * kv, 2));
  }
}

using plain::Drop;
using plain::PlainP2;

TEST(ValveResults, NonChokedOutletPressureIgnoresTheGuessAndTheBinades) {
  // The bisection leaves out the evaluations whose outcome is certain and
  // must end on the bits of the plain one: over a grid of duties whose
  // needed drop runs from almost nothing to just below and beyond the peak
  // xcrit p1 (4/9 of it is the largest drop the expansion factor passes),
  // and at roots on and next to powers of two (the halvings in integers
  // need both bounds in one binade and must fall back where the root sits
  // on the border), with guesses exact, close, far, beyond the peak and
  // nonsensical.
  struct Case { std::string what; Extended p1, needed, xcrit; };
  std::vector<Case> cases = {
      {"root at 2", 8, Drop(8, 2, 0.5L), 0.5L},
      {"root just below 2", 8, Drop(8, 2 * (1 - 1E-15L), 0.5L), 0.5L},
      {"root just above 2", 8, Drop(8, 2 * (1 + 1E-15L), 0.5L), 0.5L},
      {"root at 1, p1 a power of two", 4, Drop(4, 1, 0.72L), 0.72L},
      {"root at 0.5 next to the peak", 1, Drop(1, 0.5L, 0.5L / 0.98L), 0.5L / 0.98L},
      {"example 3 of IEC 60534-2-1", 6.8L, Drop(6.8L, 3.7L, 0.557142857142857L), 0.557142857142857L},
      {"small drop", 150, Drop(150, 1E-6L, 0.3L), 0.3L},
      {"near the peak", 6.8L, Drop(6.8L, 0.999999L * 0.45L * 6.8L, 0.45L), 0.45L},
  };
  for (const Extended xcrit : {0.05L, 0.2L, 0.45L, 0.557142857142857L, 0.72L, 0.95L})
    for (const Extended p1 : {0.3L, 6.8L, 150.0L})
      for (const Extended share : {1E-9L, 1E-4L, 0.1L, 0.3L, 0.44L, 0.444444L, 0.4444444444444L, 0.45L})
        cases.push_back({"xcrit " + Text(xcrit) + ", p1 " + Text(p1) + ", share " + Text(share), p1,
                         share * xcrit * p1, xcrit});
  int found = 0;
  for (const Case& c : cases) {
    const Extended rho = 8.4136L, kv = 50;
    const Extended qm = FlowQm(kv, rho, c.needed);  // FP = FR = 1
    const Extended expected = PlainP2(c.p1, FlowDp(qm, rho, kv), c.xcrit);
    found += HasValue(expected);
    const Extended root = HasValue(expected) ? c.p1 - expected : c.needed;
    for (const Extended guess : {NoValue, root, root * (1 + 1E-9L), root * 0.9L, root * 0.1L,
                                 c.xcrit * c.p1 * 1.5L, -root, Extended(0)}) {
      SCOPED_TRACE(c.what + ", guess " + Text(guess));
      const Extended got = tControlValve::CalculateP2nc(kv, qm, rho, c.p1, 1, 1, 1, phGas, 1, c.xcrit, guess);
      EXPECT_TRUE(Same(got, expected)) << Text(got) << " vs " << Text(expected);
    }
  }
  EXPECT_GT(found, static_cast<int>(cases.size()) / 2);  // most duties have an answer
}

// The equal-percentage travel and xFz at p1, as the formulas read, for the
// values the class keeps from its last call.
TEST(ValveResults, KeptValuesFollowTheirArguments) {
  const Extended phis[] = {2, 4, 2, 3.3L, 3.3L, 10, 2};
  const Extended ratios[] = {5, 50, 80, 100, 5};
  for (const Extended phi : phis)
    for (const Extended r : ratios) {
      const Extended p0 = phi / 100, rr = r / 100;
      const Extended expected = 100 * std::clamp(std::log(rr / p0) / std::log(1 / p0), Extended(0), Extended(1));
      SCOPED_TRACE("phi0 " + Text(phi) + ", Kv/Kvs " + Text(r));
      EXPECT_TRUE(Same(tControlValve::CalculateStroke(ctEqualPercentage, r, phi), expected));
    }
  const Extended pressures[] = {6, 10, 10, 0.5L, 150, 6.8L, 10};
  for (const Extended p1 : pressures) {
    SCOPED_TRACE("p1 " + Text(p1));
    EXPECT_TRUE(Same(tControlValve::xFzAtP1(0.3L, p1), 0.3L * std::sqrt(std::sqrt(std::sqrt(6 / p1)))));
  }
}

// Every result a module reads after a sizing.
using TGetter = Extended (tControlValve::*)();
const TGetter kResults[] = {
    &tControlValve::GetKv,       &tControlValve::GetQm,       &tControlValve::GetP1,
    &tControlValve::GetP2,       &tControlValve::GetP2NC,     &tControlValve::GetKvNC,
    &tControlValve::GetQmNC,     &tControlValve::GetP1NC,     &tControlValve::GetKvsSuggMin,
    &tControlValve::GetKvsSuggMax, &tControlValve::GetKvKvs,  &tControlValve::GetFpQm,
    &tControlValve::GetFrQm,     &tControlValve::GetRe,       &tControlValve::GetFl2Valve,
    &tControlValve::GetKc,       &tControlValve::GetZy,       &tControlValve::GetXtValve,
    &tControlValve::GetFd,       &tControlValve::GetFlp2,     &tControlValve::GetXtp,
    &tControlValve::GetKcStar,   &tControlValve::GetFlStar,   &tControlValve::GetH,
    &tControlValve::GetDp,       &tControlValve::GetDpc,      &tControlValve::GetDpXc,
    &tControlValve::GetDpLimit,  &tControlValve::GetX,        &tControlValve::GetXc,
    &tControlValve::GetSigmaCh,  &tControlValve::GetSigmaI,   &tControlValve::GetSigmaId,
    &tControlValve::GetSigma};

struct Duty {
  const char* what;
  bool liquid;
  Extended p1, p2, DN1, phi0;
  bool zyByRule;
  teCVCanCalcRest unknown;
  Extended lo, hi;  // the flow (Kv unknown) or Kv (otherwise)
};

void SetUpValve(tControlValve& v, const Duty& d) {
  v.SetCanCalc(d.unknown);
  v.SetPhase(d.liquid ? phLiquid : phGas);
  v.SetCalculatedPhase(d.liquid ? cpLiquid : cpGas);
  v.SetP1(d.p1);
  v.SetP2(d.p2);
  v.SetEta1(d.liquid ? 3.1472e-4L : 1.4665e-4L);
  v.SetFd_75(0.46L);
  v.SetPhi0(d.phi0);
  if (d.liquid) {
    v.SetRho1(965.4L);
    v.SetPv1(0.701L);
    v.SetPv2(0.701L);
    v.SetPc(221.2L);
    v.SetFl2_75(0.81L);
    if (!d.zyByRule) v.SetZy_75(0.35L);
    v.SetKvs(250);
    v.SetDNV(80);
  } else {
    v.SetRho1(8.4136L);
    v.SetKappa1(1.3L);
    v.SetFl2_75(0.7225L);
    v.SetXt_75(0.6L);
    v.SetXtfunc(true);
    v.SetKvs(100);
    v.SetDNV(50);
  }
  v.SetDN1(d.DN1);
  v.SetDN2(d.DN1);
}

// One pass as a module makes it: the unknown cleared, the given flow or
// Kv set, the results read, the unknown marked for the next point.
std::vector<Extended> Pass(tControlValve& v, const Duty& d, Extended x) {
  const Extended qm = d.liquid ? 300000 : 7000;
  switch (d.unknown) {
    case ccKv: v.SetKv(NoValue), v.SetQm(x); break;
    case ccQm: v.SetQm(NoValue), v.SetKv(x); break;
    case ccP1: v.SetP1(NoValue), v.SetKv(x), v.SetQm(qm); break;
    case ccP2: v.SetP2(NoValue), v.SetKv(x), v.SetQm(qm); break;
  }
  std::vector<Extended> r = {Extended(v.GetFlowState())};
  for (const TGetter get : kResults) r.push_back((v.*get)());
  r.push_back(v.GetFlowType());
  v.ResetCalcTarget();
  return r;
}

TEST(ValveResults, PassAfterPassReadsAsAFreshValve) {
  // The flow swept up and down through one valve, and every point again on
  // a valve set up afresh: the values kept between passes (pressure drop,
  // critical drops, factors, the logarithm of the travel) must never be
  // stale. Liquid from no cavitation to choked, gas from plain to choked,
  // the four unknowns.
  const Duty duties[] = {
      {"liquid, xFz by rule, cavitation to choking", true, 6.8L, 2.2L, 100, NoValue, true, ccKv, 50000, 900000},
      {"liquid, constant xFz, reducers", true, 6.8L, 0.9L, 100, 4, false, ccKv, 50000, 900000},
      {"gas with reducers, xT over the opening", false, 6.8L, 3.1L, 80, NoValue, false, ccKv, 500, 20000},
      {"gas choked", false, 6.8L, 1.2L, 50, 3, false, ccKv, 500, 20000},
      {"liquid, flow unknown", true, 6.8L, 2.2L, 100, NoValue, true, ccQm, 20, 400},
      {"gas, outlet pressure unknown", false, 6.8L, 3.1L, 50, NoValue, false, ccP2, 40, 90},
      {"gas, inlet pressure unknown", false, 6.8L, 3.1L, 50, NoValue, false, ccP1, 40, 90},
  };
  for (const Duty& d : duties) {
    tControlValve kept;
    SetUpValve(kept, d);
    std::vector<Extended> xs;
    for (int i = 0; i <= 12; ++i) xs.push_back(d.lo * std::pow(d.hi / d.lo, i / 12.0L));
    for (int i = 11; i >= 0; i -= 3) xs.push_back(xs[i]);
    for (const Extended x : xs) {
      tControlValve fresh;
      SetUpValve(fresh, d);
      const std::vector<Extended> a = Pass(kept, d, x), b = Pass(fresh, d, x);
      for (size_t k = 0; k < a.size(); ++k) {
        SCOPED_TRACE(std::string(d.what) + ", at " + Text(x) + ", result " + std::to_string(k));
        EXPECT_TRUE(Same(a[k], b[k])) << Text(a[k]) << " vs " << Text(b[k]);
      }
    }
  }
}

TEST(ValveResults, ACopiedValveSizesItsOwnDuty) {
  // The sizing kernel a valve keeps refers to the valve's own inputs; a
  // copy must size from the copy's, before and after the original changes.
  const Duty d = {"liquid", true, 6.8L, 2.2L, 100, NoValue, true, ccKv, 50000, 900000};
  tControlValve original;
  SetUpValve(original, d);
  Pass(original, d, 300000);
  tControlValve copy(original);
  original.SetP2(1.5L);
  Pass(original, d, 310000);
  tControlValve fresh;
  SetUpValve(fresh, d);
  const std::vector<Extended> a = Pass(copy, d, 320000), b = Pass(fresh, d, 320000);
  for (size_t k = 0; k < a.size(); ++k) {
    SCOPED_TRACE("result " + std::to_string(k));
    EXPECT_TRUE(Same(a[k], b[k])) << Text(a[k]) << " vs " << Text(b[k]);
  }
}

}  // namespace
}  // namespace torvacalc
