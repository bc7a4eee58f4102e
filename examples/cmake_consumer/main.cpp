// Sizes the control valve of IEC 60534-2-1 Annex E example 1 with the
// computational class of the installed library: water at 90 degC,
// 360 m3/h, 680 -> 220 kPa, globe valve DN 150 with FL = 0.90, Fd = 0.46.
#include <cstdio>

#include "valves/control_valve.h"

int main() {
  using namespace torvacalc;
  tControlValve valve;
  valve.SetCanCalc(ccKv);
  valve.SetPhase(phLiquid);
  valve.SetCalculatedPhase(cpLiquid);
  valve.SetP1(6.8);  // bar absolute
  valve.SetP2(2.2);
  valve.SetRho1(965.4);  // kg/m3
  valve.SetRho2(965.4);
  valve.SetPv1(0.701);
  valve.SetPv2(0.701);
  valve.SetPc(221.2);
  valve.SetEta1(3.26e-7L * 965.4L);  // Pa s
  valve.SetFl2_75(0.81);
  valve.SetFd_75(0.46);
  valve.SetDNV(150);  // mm
  valve.SetDN1(150);
  valve.SetDN2(150);
  valve.SetQm(360 * 965.4L);  // kg/h
  const Extended kv = valve.GetKv();
  if (!HasValue(kv)) {
    std::puts("no Kv");
    return 1;
  }
  std::printf("Kv = %.2f m3/h\n", static_cast<double>(kv));
  return 0;
}
