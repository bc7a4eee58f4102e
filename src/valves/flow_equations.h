// The flow equations shared by the valve classes: the IEC 60534-2-1 flow
// coefficient relation written in engineering units (Kv in m3/h, Qm in kg/h,
// rho in kg/m3, pressures and pressure drops in bar), and its inversions.
#pragma once

#include <algorithm>
#include <cmath>

#include "framework/basics.h"
#include "valves/valve_types.h"

namespace torvacalc {

// Inline and by reference: a sizing and the results read after it use
// these a dozen times a pass, and a call copies every 80-bit argument.

// Arithmetic that overflows or leaves the real numbers yields NoValue.
inline Extended FlowChecked(Extended v) { return std::isfinite(v) ? v : NoValue; }

// Kv = Qm / sqrt(1000 * rho * dp); IEC 60534-2-1:2011 eq. (1) with N1 = 1
// in these units. Undefined unless rho > 0 and dp > 0.
inline Extended FlowKv(const Extended& Qm, const Extended& rho, const Extended& dp) {
  if (!Available(Qm, rho, dp) || rho <= 0 || dp <= 0) return NoValue;
  return FlowChecked(Qm / std::sqrt(1000 * rho * dp));
}
// Qm = Kv * sqrt(1000 * rho * dp).
inline Extended FlowQm(const Extended& Kv, const Extended& rho, const Extended& dp) {
  if (!Available(Kv, rho, dp) || rho <= 0 || dp < 0) return NoValue;
  return FlowChecked(Kv * std::sqrt(1000 * rho * dp));
}
// The pressure drop that passes Qm through Kv: (Qm / Kv)^2 / (1000 rho).
inline Extended FlowDp(const Extended& Qm, const Extended& rho, const Extended& Kv) {
  if (!Available(Qm, rho, Kv) || rho <= 0 || Kv <= 0) return NoValue;
  const Extended q = Qm / Kv;
  return FlowChecked(q * q / (1000 * rho));
}
// The flow coefficient of non-turbulent flow by the procedure of
// IEC 60534-2-1 for it: the Kv at which FR(Kv) Kv covers `need`, the Kv the
// flow needs without the Reynolds number factor. FR Kv need not grow with Kv
// (for a full-size trim in laminar flow it falls while C/d^2 <= 0.04), so
// the fixed point Kv = need / FR(Kv) may have no attracting root or
// several. The standard's procedure starts from the turbulent Kv and
// raises it in steps of 30 % until the valve at that Kv passes the flow;
// here the step where it first does is closed in by bisection to the
// relative width `tol`, so the result is the smallest Kv of that bracket
// which passes the flow, consistent with its own FR. `excess(K)` is the Kv
// the flow needs at the trial K minus K (a missing value or NaN counts as
// not passing). False, and `kv` untouched, when up to `bound` (the bore of
// the valve) no Kv passes the flow.
// The relative width to which NonTurbulentKv closes in on the Kv: well
// below the significant digits, so that the double and the extended
// solution agree to 1E-13.
inline constexpr double kNonTurbulentTolerance = 1E-14;
template <class T, class Excess>
bool NonTurbulentKv(T need, T bound, T tol, Excess excess, T& kv) {
  const auto passes = [&](T k) { return excess(k) <= 0; };
  if (!(need > 0) || !(bound > 0)) return false;
  T lo = need, hi = need;
  if (need < bound && passes(need)) {
    // Passing already without FR (the edge of turbulent flow): find where
    // it stops passing below.
    int i = 0;
    for (lo = need / T(1.3); passes(lo); lo /= T(1.3))
      if (++i > 60) {
        kv = lo;
        return true;
      }
    hi = lo * T(1.3);
  } else {
    for (;;) {
      if (hi >= bound) return false;
      lo = hi;
      hi = std::min(hi * T(1.3), bound);
      if (passes(hi)) break;
    }
  }
  for (int i = 0; i < 200 && hi - lo > tol * hi; ++i) {
    const T mid = (lo + hi) / 2;
    if (passes(mid)) hi = mid;
    else lo = mid;
  }
  kv = hi;
  return true;
}

// p1 = p2 + dp and p2 = p1 - dp with the pressure drop of FlowDp.
Extended FlowP1(Extended Qm, Extended rho, Extended p2, Extended Kv);
Extended FlowP2(Extended Qm, Extended rho, Extended p1, Extended Kv);

// The pressure differential ratio x. Gas: (p1 - p2)/p1. Liquid with a vapour
// pressure: (p1 - p2)/(p1 - pv), at most 1, and 1 when pv is not below p1
// (the xF of IEC 60534-8-4). Liquid without pv in a two-phase calculation:
// (p1 - p2)/p1, at most 1. Undefined when p2 > p1.
Extended PressureDropRate(TEPhase phase, bool twoPhase, Extended p1, Extended p2, Extended pv);

// The isentropic exponent kept above 1, where the real-gas critical ratio
// has its pole.
Extended CheckKappa(Extended kappa);

// The critical pressure ratio of a real gas from the isentropic exponent and
// xT: xc = 1 - (2/(kappa+1))^e with
// e = kappa/(kappa-1) * (0.442 xT kappa/1.4) / (0.122 kappa + 0.31)^2,
// which reduces to the nozzle ratio for xT = 0.72. dpXc = xc * p1.
void CalculateXcr(Extended kappa, Extended xT, Extended p1, Extended& xc, Extended& dpXc);

}  // namespace torvacalc
