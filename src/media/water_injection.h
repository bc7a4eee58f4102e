// The state of steam and water downstream of a control valve, and the
// cooling water that brings superheated steam down to a wanted temperature
// (desuperheating, in an injection cooler behind the valve or in the outlet
// of a steam converting valve).
//
// Model. The valve and the resistors behind it throttle adiabatically: the
// total enthalpy h + u^2/2 stays constant from the inlet (h1, u1) to the
// outlet (h2, u2). Water and steam properties are those of IAPWS-IF97
// (media/if97.h): enthalpies h(p, t), the saturation line Tv(p), Pv(t),
// h'(p) and h''(p).
//
// Injection. Cooling water of temperature twi (its enthalpy hwi taken at
// the water pressure pwi) mixes with the steam at the outlet pressure p2;
// the energy balance without heat loss, with the water fully evaporated,
//
//   qm (h1 + u1^2/2) + qmwi hwi = (qm + qmwi) (h2(p2, t2) + u2^2/2)
//
// gives the water flow
//
//   qmwi = qm (h1 + u1^2/2 - h2 - u2^2/2) / (h2 + u2^2/2 - hwi).
//
// The wanted outlet temperature t2 is either given or follows from a
// superheat margin dt above the saturation temperature at p2. Spray water
// evaporates completely only while the steam stays superheated; close to
// saturation droplets survive into the pipe (erosion, wet steam, a wrong
// temperature reading). The margin to saturation is checked (see
// TWaterInjectionResult::TooCloseToSaturation).
//
// Units: pressures bar absolute, temperatures degC, temperature differences
// K, enthalpies kJ/kg, velocities m/s, mass flows kg/h, densities kg/m3,
// vapour fractions in % (0 to 100). Missing values are NoValue; no routine
// throws.
#pragma once

#include "framework/basics.h"

namespace torvacalc {

// Where the cooling water enters.
enum TEWaterInjection { wiNone, wiDesuperheater, wiSteamConverter };

// How the wanted outlet state is given.
enum TET2orDtv { tdT2, tdSuperheat };

struct TDownstreamState {
  Extended t2 = NoValue;    // temperature at the outlet pressure
  Extended h2 = NoValue;    // static enthalpy there
  Extended rho2 = NoValue;  // density (two-phase: homogeneous mixture)
  Extended xFG = NoValue;   // vapour fraction, %
};

struct TWaterInjectionResult {
  Extended qmwi = NoValue;  // cooling water flow, kg/h
  Extended t2 = NoValue;    // outlet temperature after injection
  Extended rho2 = NoValue;  // density after injection
  Extended h2 = NoValue;    // enthalpy after injection
  Extended hwi = NoValue;   // enthalpy of the cooling water
  Extended tv2 = NoValue;   // saturation temperature at the outlet pressure
  Extended pvwi = NoValue;  // vapour pressure of the cooling water at twi
  Extended tvwi = NoValue;  // saturation temperature at the water pressure
  // The wanted temperature lies below saturation + margin at p2: the water
  // would not evaporate completely.
  bool TooCloseToSaturation = false;
  // The steam is already at or below the wanted temperature.
  bool NotNeeded = false;
  // The cooling water boils at its own pressure (twi >= tvwi).
  bool WaterBoils = false;
  // The water pressure is not above the steam pressure plus the pressure
  // difference the nozzle needs.
  bool WaterPressureTooLow = false;
};

class tWaterInjection {
 public:
  // Smallest superheat above saturation that an injection may aim for when
  // the user gives none: 5 K, the usual minimum approach to saturation of
  // spray desuperheaters (below it the spray no longer evaporates within a
  // reasonable pipe length).
  static constexpr Extended DefaultSuperheatMargin = 5;

  // Enthalpy of water or steam at (P, t); `liquid` chooses the side on the
  // saturation line.
  static Extended Enthalpy(Extended P, Extended t, bool liquid);
  // Static enthalpy at the outlet from the total enthalpy balance
  // h1 + u1^2/2 = h2 + u2^2/2 (missing velocities count as 0).
  static Extended OutletEnthalpy(Extended h1, Extended u1, Extended u2);
  // The state at P of a given enthalpy h: temperature, density and vapour
  // fraction (two-phase between h' and h'', 0 % for liquid, 100 % for
  // steam). Above the critical pressure the fraction is NoValue.
  static TDownstreamState StateFromEnthalpy(Extended P, Extended h);
  // Water flow of the energy balance above, kg/h; NoValue when the mixed
  // enthalpy does not lie between the water's and the steam's.
  static Extended InjectionFlow(Extended qm, Extended h1Total, Extended h2Total, Extended hwi);
  // Flashing of a liquid other than water: vapour fraction in % from the
  // heat balance cp (t1 - tv2) = x dhv; 0 while t1 does not exceed tv2.
  static Extended FlashFraction(Extended cp, Extended t1, Extended tv2, Extended dhv);

  // The whole injection: steam of enthalpy h1 (kJ/kg) and flow qm at the
  // valve inlet, outlet pressure p2, wanted outlet temperature t2Wanted,
  // margin above saturation `margin` (K), water at twi and pwi with the
  // nozzle's pressure difference dpowi (NoValue: not checked).
  static TWaterInjectionResult Inject(Extended qm, Extended h1, Extended u1, Extended u2,
                                      Extended p2, Extended t2Wanted, Extended margin,
                                      Extended twi, Extended pwi, Extended dpowi);
};

}  // namespace torvacalc
