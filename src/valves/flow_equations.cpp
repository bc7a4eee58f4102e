#include "valves/flow_equations.h"

#include <algorithm>
#include <cmath>

namespace torvacalc {

namespace {
// Arithmetic that overflows or leaves the real numbers yields NoValue.
Extended Checked(Extended v) { return std::isfinite(v) ? v : NoValue; }
}  // namespace

Extended FlowP1(Extended Qm, Extended rho, Extended p2, Extended Kv) {
  const Extended dp = FlowDp(Qm, rho, Kv);
  if (!Available(dp, p2)) return NoValue;
  return p2 + dp;
}

Extended FlowP2(Extended Qm, Extended rho, Extended p1, Extended Kv) {
  const Extended dp = FlowDp(Qm, rho, Kv);
  if (!Available(dp, p1)) return NoValue;
  return p1 - dp;
}

Extended PressureDropRate(TEPhase phase, bool twoPhase, Extended p1, Extended p2, Extended pv) {
  if (!Available(p1, p2) || p2 > p1 || p1 <= 0) return NoValue;
  if (phase != phLiquid) return (p1 - p2) / p1;
  if (HasValue(pv)) {
    if (pv < p1) return std::min((p1 - p2) / (p1 - pv), Extended(1));
    return 1;
  }
  if (twoPhase) return std::min((p1 - p2) / p1, Extended(1));
  return NoValue;
}

Extended CheckKappa(Extended kappa) {
  if (IsNoValue(kappa)) return NoValue;
  return kappa <= 1.0001L ? 1.0001L : kappa;
}

void CalculateXcr(Extended kappa, Extended xT, Extended p1, Extended& xc, Extended& dpXc) {
  xc = dpXc = NoValue;
  kappa = CheckKappa(kappa);
  if (!Available(kappa, xT, p1)) return;
  const Extended d = 0.122L * kappa + 0.31L;
  const Extended e = kappa / (kappa - 1) * (0.442L * xT * kappa / 1.4L) / (d * d);
  xc = Checked(1 - std::pow(2 / (kappa + 1), e));
  if (HasValue(xc)) dpXc = xc * p1;
}

}  // namespace torvacalc
