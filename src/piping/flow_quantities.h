// Flow quantities of one operating point: mass flow, operating volume flow
// and volume flow at normal conditions, for moist gases the latter
// referred to the dry gas (QnTr) or to the whole moist gas (QnF). One of
// them is given, the others follow from the operating and normal
// densities.
//
// Units: the flows in any one time base (the calculation module uses kg/h
// and m3/h), densities in kg/m3, pressures in bar abs, p1 and pvw alike,
// the normal temperature TN0 in K, the relative humidity PhiRel in %.
//
// Moist gas. A gas that carries water vapour of the partial pressure
// PhiRel/100 * pvw (pvw the saturation pressure of water at the gas
// temperature) holds the dry gas in the volume share
//   fTr = 1 - PhiRel/100 * pvw / p1.
// Its operating density Rho is that of the dry gas at p1 with that share
// replaced by water vapour (density of water vapour at normal conditions
// 0.8038 kg/m3):
//   Rho = rho_d * (1 - (1 - 0.8038 / rhoN_d) * PhiRel/100 * pvw / p1),
// rhoN_d the normal density of the dry gas referred to 0 degC and
// 1.01325 bar, zn*Ri*273.15/1.01325E5 = 1/rhoN_d. Inverted, rho_d gives
// fF = rho_d / RhoN, the ratio of operating to normal volume of the gas
// mixture, and
//   QnF  = Qm * fF / Rho         (normal volume of the moist gas)
//   QnTr = Qm * fTr * fF / Rho   (normal volume of its dry part).
// Without humidity (PhiRel or pvw not given) the gas is dry: fTr = 1,
// rho_d = Rho.
#pragma once

#include <cstdint>

#include "framework/basics.h"

namespace torvacalc {

enum TEQmOrQv : std::uint8_t { qoqQm, qoqQv };
enum TEQmOrQvMoist : std::uint8_t { qqmQm, qqmQnTr, qqmQnF };

// Density of water vapour at 0 degC and 1.01325 bar, kg/m3.
inline constexpr Extended RhoNWater = 0.8038L;

class TQmQnQv {
 public:
  // The given flows; only the one the selectors name is used.
  void SetQm(Extended v) { FQm = v; }
  void SetQn(Extended v) { FQn = v; }
  void SetQnF(Extended v) { FQnF = v; }
  void SetQnTr(Extended v) { FQnTr = v; }
  void SetQv(Extended v) { FQv = v; }

  Extended Rho = NoValue;   // operating density
  Extended RhoN = NoValue;  // density at normal conditions
  TEQmOrQv QmOrQv = qoqQm;
  TEQmOrQvMoist QmOrQvMoist = qqmQm;
  bool Gas = false;    // normal-volume flows apply
  bool Moist = false;  // a moist gas: QnTr and QnF apply
  Extended p1 = NoValue, t1 = NoValue, z1 = NoValue, zn = NoValue;
  Extended PhiRel = NoValue, pvw = NoValue;
  Extended TN0 = ZeroCelsius, PN0 = StandardPressure;

  // The flows: the given one, or computed from the given one.
  Extended GetQm() const;
  Extended GetQn() const;
  Extended GetQv() const;
  Extended GetQnTr() const;
  Extended GetQnF() const;
  // The two moist-gas factors.
  Extended GetfTr() const { return DryShare(PhiRel, pvw, p1); }
  Extended GetfF() const { return OperatingToNormal(Rho, RhoN, PhiRel, pvw, p1, zn, TN0, PN0); }

  // Class routines with every input as argument.
  static Extended DryShare(Extended PhiRel, Extended pvw, Extended p1);
  static Extended DryGasDensity(Extended Rho, Extended RhoN, Extended PhiRel, Extended pvw, Extended p1,
                                Extended zn, Extended TN0, Extended PN0);
  static Extended OperatingToNormal(Extended Rho, Extended RhoN, Extended PhiRel, Extended pvw, Extended p1,
                                    Extended zn, Extended TN0, Extended PN0);
  // a * b / c and a / b with the guards of a flow: NoValue for a missing
  // input or a divisor that is not positive.
  static Extended Times(Extended a, Extended b);
  static Extended Over(Extended a, Extended b);

 private:
  static bool HasHumidity(Extended PhiRel, Extended pvw) { return Available(PhiRel, pvw); }
  Extended FQm = NoValue, FQn = NoValue, FQnF = NoValue, FQnTr = NoValue, FQv = NoValue;
};

}  // namespace torvacalc
