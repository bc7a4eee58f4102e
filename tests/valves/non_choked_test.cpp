// The values without choking of a gas (outlet and inlet pressure at which
// the flow would pass if the valve did not choke): their bisections leave
// out the evaluations whose outcome is certain and must still end on the
// very bits of the plain bisection, over the whole range of duties,
// including those near the choking peak and those where the drop over p1
// is not monotonic and no shortcut may be taken.
#include "valves/control_valve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "valves/flow_equations.h"
#include "plain_bisection.h"

namespace torvacalc {
namespace {

using plain::Drop;
using plain::PlainP1;
using plain::PlainP2;

// Bitwise equality, NoValue matching NoValue.
bool Same(Extended a, Extended b) { return a == b || (IsNoValue(a) && IsNoValue(b)); }

TEST(NonChokedGas, OutletPressureEndsOnThePlainBisection) {
  // p2nc from Kv, flow and p1: the needed drop runs from almost nothing to
  // just below and beyond the peak xcrit p1 (4/9 of it is the largest drop
  // the expansion factor passes).
  int compared = 0, found = 0;
  for (const Extended xcrit : {0.05L, 0.2L, 0.45L, 0.557142857142857L, 0.72L, 0.95L})
    for (const Extended p1 : {0.3L, 6.8L, 150.0L})
      for (const Extended share : {1E-9L, 1E-4L, 0.1L, 0.3L, 0.44L, 0.444444L, 0.4444444444444L, 0.45L}) {
        const Extended needed = share * xcrit * p1;
        const Extended rho = 8.4136L, kv = 50;
        // The flow that makes FlowDp give `needed` (FP = FR = 1).
        const Extended qm = FlowQm(kv, rho, needed);
        const Extended want = FlowDp(qm, rho, kv);
        const Extended got = tControlValve::CalculateP2nc(kv, qm, rho, p1, 1, 1, 1, phGas, 1, xcrit);
        const Extended expected = PlainP2(p1, want, xcrit);
        SCOPED_TRACE("xcrit " + std::to_string(static_cast<double>(xcrit)) + ", p1 " +
                     std::to_string(static_cast<double>(p1)) + ", share " +
                     std::to_string(static_cast<double>(share)));
        EXPECT_TRUE(Same(got, expected)) << static_cast<double>(got) << " vs " << static_cast<double>(expected);
        ++compared;
        if (HasValue(expected)) ++found;
      }
  EXPECT_GT(found, compared / 2);  // most duties have an answer
}

// A gas valve sized for the flow; P1NC follows from Kv, flow, p2 and the
// factors of the sizing.
Extended SizedP1NC(Extended qm, Extended p2, Extended kappa, Extended xt, Extended& expected) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  v.SetPhase(phGas);
  v.SetCalculatedPhase(cpGas);
  v.SetP1(6.8);
  v.SetP2(p2);
  v.SetRho1(8.4136L);
  v.SetKappa1(kappa);
  v.SetEta1(1.4665e-4L);
  v.SetFl2_75(0.7225L);
  v.SetFd_75(0.42L);
  v.SetXt_75(xt);
  v.SetKvs(100);
  v.SetDNV(50);
  v.SetLineSize(true);
  v.SetQm(qm);
  const Extended kv = v.GetKv();
  const Extended f = std::min(v.GetFpQm(), Extended(1)) * v.GetFrQm() * v.GetFPulpQm();
  expected = Available(kv, f) ? PlainP1(p2, FlowDp(qm / f, 8.4136L, kv), v.GetFk() * v.GetXt()) : NoValue;
  return v.GetP1NC();
}

TEST(NonChokedGas, InletPressureEndsOnThePlainBisection) {
  // Non-choked and choked duties; xT down to 0.1, where the drop over p1
  // first rises and then falls again and every point is evaluated.
  int found = 0;
  for (const Extended xt : {0.1L, 0.3L, 0.6L, 0.85L})
    for (const Extended p2 : {0.5L, 3.1L, 6.0L})
      for (const Extended qm : {100.0L, 2000.0L, 7000.0L, 15000.0L}) {
        Extended expected;
        const Extended got = SizedP1NC(qm, p2, 1.3L, xt, expected);
        SCOPED_TRACE("xT " + std::to_string(static_cast<double>(xt)) + ", p2 " +
                     std::to_string(static_cast<double>(p2)) + ", qm " + std::to_string(static_cast<double>(qm)));
        EXPECT_TRUE(Same(got, expected)) << static_cast<double>(got) << " vs " << static_cast<double>(expected);
        if (HasValue(expected)) ++found;
      }
  EXPECT_GT(found, 20);
}

}  // namespace
}  // namespace torvacalc
