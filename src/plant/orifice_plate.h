// Restriction orifices (fixed throttling plates): discharge coefficient,
// pressure recovery, Kv of bores and perforated plates, onset of cavitation.
#pragma once

#include "framework/basics.h"
#include "valves/valve_types.h"

namespace torvacalc {

class tOrificePlate {
 public:
  // Discharge coefficient of a sharp square-edged orifice with flange
  // tappings, Reader-Harris/Gallagher equation of ISO 5167-2:2003 eq. (4)
  // (with the term for pipes below 71.12 mm). beta = d/D, D in mm, ReD the
  // pipe Reynolds number; a missing ReD takes the limit of very large
  // Reynolds numbers. Undefined outside 0 <= beta < 1 or without D.
  static Extended DischargeCoefficient(Extended beta, Extended D, Extended ReD);
  // Pressure loss over the pressure difference of the tappings,
  // ISO 5167-2:2003 eq. (5.4.1): (sqrt(1 - b^4 (1 - C^2)) - C b^2) /
  // (sqrt(1 - b^4 (1 - C^2)) + C b^2). It is the share of the drop to the
  // vena contracta that is not recovered: the FL2 of the orifice.
  static Extended PressureLossRatio(Extended beta, Extended C);
  // FL2 of an orifice of open-area ratio beta^2 (all bores over the pipe
  // area): the pressure loss ratio with the coefficient at very large
  // Reynolds numbers. beta = 0 (a jet into a large space) gives 1.
  static Extended Fl2OfOrifice(Extended beta, Extended D = NoValue, Extended ReD = NoValue);
  // Kv in m3/h of one sharp-edged bore of d mm in a pipe of D mm, on the
  // permanent pressure loss: Kv = N C/sqrt(1 - b^4) d^2 / sqrt(loss ratio),
  // N = 3600 sqrt(2E5/1000) pi/4 1E-6 = 0.03999 (from the ISO 5167-1 flow
  // equation qm = C/sqrt(1 - b^4) pi/4 d^2 sqrt(2 rho dp)).
  static Extended KvOfSingleHole(Extended d, Extended D, Extended ReD);
  // The same for a given discharge coefficient C.
  static Extended KvOfSingleHoleC(Extended d, Extended D, Extended C);
  // Kv in m3/h of one bore of d mm of a drilled perforated plate (plate
  // thickness of the order of the bore, so the jet reattaches and C is
  // near 0.8): 0.005567103 - 0.002539255 d + 0.032810268 d^2, fitted for
  // 1 <= d <= 20 mm; undefined outside that range.
  static Extended KvOfOrifice(Extended d);
  // The pipe Reynolds number 4 qm/(pi D eta), Qm in kg/h, D in mm, Eta in
  // Pa s; undefined without Eta.
  static Extended PipeReynolds(Extended Qm, Extended D, Extended Eta);
  // xFz (onset of cavitation) of a perforation at 6 bar: the value of the
  // size-class table of perforated plates, max(0.05, 0.6 - 0.05 k - e/100)
  // with k the size class of the nominal size DN and e by the bore d; see
  // resistor.h for the table. xFzOfOrifice corrects it to p1 with
  // (6/p1)^(1/8); one single bore counts as a bore beyond the largest limit
  // of its row (e = 15).
  static Extended GetxFzAt6bar(Extended DN, Extended d);
  static Extended xFzOfOrifice(Extended DN, Extended d, Extended p1);
};

}  // namespace torvacalc
