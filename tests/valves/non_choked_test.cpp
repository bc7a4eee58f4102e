// The inlet pressure at which a gas flow would pass if the valve did not
// choke: its bisection leaves out the evaluations whose outcome is certain
// and must still end on the very bits of the plain bisection, over the
// whole range of duties, including those where the drop over p1 is not
// monotonic and no shortcut may be taken. (The outlet pressure's is held
// to its plain bisection in valve_results_test.cpp.)
#include "valves/control_valve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "valves/flow_equations.h"
#include "plain_bisection.h"

namespace torvacalc {
namespace {

using plain::PlainP1;

// Bitwise equality, NoValue matching NoValue.
bool Same(Extended a, Extended b) { return a == b || (IsNoValue(a) && IsNoValue(b)); }

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
