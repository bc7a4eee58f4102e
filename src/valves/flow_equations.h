// The flow equations shared by the valve classes: the IEC 60534-2-1 flow
// coefficient relation written in engineering units (Kv in m3/h, Qm in kg/h,
// rho in kg/m3, pressures and pressure drops in bar), and its inversions.
#pragma once

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
