// The liquid examples of IEC 60534-8-4:2015 and the valve and pipe they
// run through, shared by the tests of the method and of its module.
#pragma once

#include "noise/noise_iec2003.h"

namespace torvacalc::test {

// IEC 60534-8-4:2015, examples 1 to 3 (inputs as quoted in the tests of
// python3-fluids): water, 997 kg/m3, cL 1400 m/s, pv 0.0232 bar,
// p1 = 10 bar, globe valve Kv 77.85 DN 100 with FL 0.92, Fd 0.42, pipe
// 107.1 mm inside, 3.6 mm steel wall (7800 kg/m3, 5000 m/s); xFz 0.2543
// (examples 1, 2) and 0.3543 (example 3). With the 2005 equations (rw
// 0.25, FF from pc 220.64 bar, d0 = DN) the cavitating efficiency, the
// external level and the sound power level, worked by hand from that
// edition's equations: example 2 cavitates only just (xFz/xF)^5 = 0.2, so
// its etaCav is 1.5 % of etaTurb.
struct LiquidExample {
  const char* source;
  Extended Qm, p2, xFz;
  Extended xF, uVC, Wm;  // by hand from the example's data
  bool cavitating;
  Extended etaCav, LpAa, LwAa;  // 2005 equations, by hand
};
const LiquidExample kLiquidExamples[] = {
    {"IEC 60534-8-4:2015 example 1", 30 * 3600, 8, 0.254340899267L, 0.20047L, 21.773L, 6.019L,
     false, 0, 46.9142L, 59.8938L},
    {"IEC 60534-8-4:2015 example 2", 40 * 3600, 6.5L, 0.254340899267L, 0.35081L, 28.803L,
     14.043L, true, 2.99511E-8L, 55.5160L, 68.4956L},
    {"IEC 60534-8-4:2015 example 3", 40 * 3600, 6.5L, 0.354340899267L, 0.35081L, 28.803L,
     14.043L, false, 0, 48.9751L, 61.9547L},
};

inline void Water(tIEC2003& n, const LiquidExample& c) {
  n.SetPhase(phLiquid);
  n.SetQm(c.Qm);
  n.SetP1(10);
  n.SetP2(c.p2);
  n.SetPv1(0.0232L);
  n.SetPcrit(220.64L);
  n.SetRho1(997);
  n.SetCf1(1400);
  n.SetKv(77.85L);
  n.SetDNV(100);
  n.SetDiP(107.1L);
  n.SetFl2(0.92L * 0.92L);
  n.SetFd(0.42L);
  n.SetTP(3.6L);
  n.SetRhoP(7800);
  n.SetCPipe(5000);
  n.SetRw(0.25L);
  n.SetZy(c.xFz);
}

}  // namespace torvacalc::test
