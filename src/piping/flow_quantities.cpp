#include "piping/flow_quantities.h"

namespace torvacalc {

Extended TQmQnQv::Times(Extended a, Extended b) {
  if (!Available(a, b)) return NoValue;
  return a * b;
}

Extended TQmQnQv::Over(Extended a, Extended b) {
  if (!Available(a, b) || b <= 0) return NoValue;
  return a / b;
}

Extended TQmQnQv::DryShare(Extended PhiRel, Extended pvw, Extended p1) {
  if (!HasHumidity(PhiRel, pvw)) return 1;
  if (IsNoValue(p1) || p1 <= 0) return NoValue;
  return 1 - PhiRel / 100 * pvw / p1;
}

Extended TQmQnQv::DryGasDensity(Extended Rho, Extended RhoN, Extended PhiRel, Extended pvw, Extended p1,
                                Extended zn, Extended TN0, Extended PN0) {
  if (IsNoValue(Rho)) return NoValue;
  if (!HasHumidity(PhiRel, pvw)) return Rho;
  if (!Available(RhoN, p1, TN0, PN0) || RhoN <= 0 || p1 <= 0 || TN0 <= 0 || PN0 <= 0) return NoValue;
  // zn only scales the gas constant back and forth; a missing one is 1.
  const Extended z = HasValue(zn) && zn > 0 ? zn : 1;
  const Extended Ri = PN0 * 1E5L / (z * TN0 * RhoN);
  const Extended share = (1 - z * Ri * ZeroCelsius * RhoNWater / (StandardPressure * 1E5L)) * PhiRel * pvw / (p1 * 100);
  const Extended divisor = 1 - share;
  return divisor > 0 ? Rho / divisor : NoValue;
}

Extended TQmQnQv::OperatingToNormal(Extended Rho, Extended RhoN, Extended PhiRel, Extended pvw, Extended p1,
                                    Extended zn, Extended TN0, Extended PN0) {
  return Over(DryGasDensity(Rho, RhoN, PhiRel, pvw, p1, zn, TN0, PN0), RhoN);
}

Extended TQmQnQv::GetQm() const {
  if (Moist) {
    switch (QmOrQvMoist) {
      case qqmQm: return FQm;
      case qqmQnTr: {
        const Extended f = Times(GetfTr(), GetfF());
        return HasValue(f) && f > 0 ? Over(Times(Rho, FQnTr), f) : NoValue;
      }
      case qqmQnF: return Over(Times(Rho, FQnF), GetfF());
    }
    return NoValue;
  }
  if (Gas) return QmOrQv == qoqQm ? FQm : Times(RhoN, FQn);
  return QmOrQv == qoqQm ? FQm : Times(Rho, FQv);
}

Extended TQmQnQv::GetQn() const {
  if (Gas && !Moist && QmOrQv == qoqQv) return FQn;
  return Over(GetQm(), RhoN);
}

Extended TQmQnQv::GetQv() const {
  if (!Gas && !Moist && QmOrQv == qoqQv) return FQv;
  return Over(GetQm(), Rho);
}

Extended TQmQnQv::GetQnTr() const {
  if (Moist && QmOrQvMoist == qqmQnTr) return FQnTr;
  return Over(Times(Times(GetQm(), GetfTr()), GetfF()), Rho);
}

Extended TQmQnQv::GetQnF() const {
  if (Moist && QmOrQvMoist == qqmQnF) return FQnF;
  return Over(Times(GetQm(), GetfF()), Rho);
}

}  // namespace torvacalc
