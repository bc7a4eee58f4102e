// The valve Reynolds number and the Reynolds number factor FR of
// non-turbulent flow, shared by control valves and restriction orifices.
#pragma once

#include "framework/basics.h"
#include "valves/valve_types.h"

namespace torvacalc {

class TValveReynolds {
 public:
  // The valve Reynolds number (DNV in mm, Eta1 in Pa s, Qm in kg/h, rho1 in
  // kg/m3, dp in bar, Kv in m3/h; FL2 is FL squared):
  //  vnIEC89         Re = 0.396 Fd rho1/Eta1 sqrt((Qm/rho1) sqrt(dp/(rho1 FL2)))
  //                  (IEC 534-2-2:1980, orifice-velocity form)
  //  vnIEC94         Re = N4 Fd Qm / (Eta1 sqrt(FL Kv)), N4 = 0.0707
  //  vnEN60534_2000  the same times (FL2 Kv^2/(N2 DNV^4) + 1)^(1/4), N2 = 0.0016
  //                  (EN 60534-2-1:2000 eq. (23))
  // Qm/Eta1 equals the Q/nu of the standard. Undefined when an input is
  // missing or the result is not positive.
  static Extended CalculateRe(Extended DNV, Extended Eta1, Extended Qm, Extended Fd, Extended FL2,
                              Extended rho1, Extended dp, Extended Kv, teCvViscosityNorm norm);

  // The Reynolds number factor FR and the flow type it belongs to. The minor
  // phase of a mixed-phase calculation, and a missing Re, give FR = 1.
  static Extended CalculatefrQm(Extended Re, Extended Kv, Extended DNV, Extended FL2,
                                teCvViscosityNorm norm, bool isPhaseCM, bool isMinorPhase,
                                TECVFlowType& flowType);

  // FR of the IEC 534-2:1980 chart between the laminar line and Re = 1E5.
  static Extended FrFromCurve(Extended Re);
};

}  // namespace torvacalc
