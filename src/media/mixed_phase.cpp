#include "media/mixed_phase.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace torvacalc {

// ---------------------------------------------------------- TMixedDensity

Extended TMixedDensity::WoodSoundSpeed(Extended rhoG, Extended rhoL, Extended xFG, Extended p, Extended kappa,
                                       Extended cG, Extended cL) {
  if (!Available(rhoG, rhoL, xFG) || rhoG <= 0 || rhoL <= 0 || xFG < 0 || xFG > 100) return NoValue;
  const Extended x = xFG / 100;
  if (IsNoValue(cG) && Available(kappa, p) && kappa > 0 && p > 0) cG = std::sqrt(kappa * p * 1E5L / rhoG);
  if (x == 0) return cL;
  if (IsNoValue(cG) || cG <= 0) return NoValue;
  if (x == 1) return cG;
  const Extended rho = 1 / (x / rhoG + (1 - x) / rhoL);
  const Extended eps = x * rho / rhoG;
  const Extended liquid = HasValue(cL) && cL > 0 ? (1 - eps) / (rhoL * cL * cL) : 0;
  const Extended s = eps / (rhoG * cG * cG) + liquid;
  return s > 0 ? 1 / std::sqrt(rho * s) : NoValue;
}

Extended TMixedDensity::GetRho() const {
  if (HasValue(FRho)) return FRho;
  if (Flashing && Available(RhoV, xFG))
    return RhoV > 0 && xFG >= 0 && xFG <= 100 && Available(RhoG) && RhoG > 0
               ? TCustomMixedPhaseCorr::CalculateRhoHomogen(xFG / 100, RhoV, RhoG)
               : NoValue;
  if (!Mixture || Flashing) return HasValue(RhoG) ? RhoG : RhoF;
  if (!Available(xFG, RhoG, RhoF) || xFG < 0 || xFG > 100 || RhoG <= 0 || RhoF <= 0) return NoValue;
  return TCustomMixedPhaseCorr::CalculateRhoHomogen(xFG / 100, RhoG, RhoF);
}

Extended TMixedDensity::Getcf() const {
  if (HasValue(Fcf)) return Fcf;
  if (Flashing && Available(RhoV, xFG)) return WoodSoundSpeed(RhoV, RhoG, xFG, pv, 1, NoValue, cfG);
  if (!Mixture || Flashing) return HasValue(cfG) ? cfG : cfF;
  return MixSoundSpeed ? MixSoundSpeed(RhoG, RhoF, xFG, pv, kappaG, cfG, cfF) : NoValue;
}

void TMixedDensity::SetRho(Extended v) {
  FRho = v;
  Changed();
}

void TMixedDensity::Setcf(Extended v) {
  Fcf = v;
  Changed();
}

// ------------------------------------------------- TCustomMixedPhaseCorr

Extended TCustomMixedPhaseCorr::SheldonShuder(Extended x) {
  if (IsNoValue(x) || x < 0 || x > 1) return NoValue;
  Extended f;
  if (x >= 0.903L) {
    f = 1 + (962.45347L + x * (-3172.7349L + x * (3490.2773L + x * -1279.997L)));
  } else {
    static constexpr std::array<Extended, 10> c = {-0.00024226L, 1.028531L,   -0.19496892L, -3.9487545L,
                                                   33.390082L,   -153.76722L, 431.87603L,   -684.47976L,
                                                   557.62967L,   -181.13573L};
    Extended p = 0;
    for (size_t i = c.size(); i-- > 0;) p = p * x + c[i];
    f = 1 + p + 0.002500295L * x / 0.903L;
  }
  return std::clamp<Extended>(f, 1, 2);
}

Extended TCustomMixedPhaseCorr::CalculateEHuq(Extended x, Extended rhoG, Extended rhoL) {
  if (!Available(x, rhoG, rhoL) || x < 0 || x > 1 || rhoG <= 0 || rhoL <= 0) return NoValue;
  if (x == 1) return 1;  // 0/0 in the formula; all vapour
  const Extended root = std::sqrt(1 + 4 * x * (1 - x) * (rhoL / rhoG - 1));
  const Extended d = 1 - 2 * x + root;
  if (d <= 0) return NoValue;
  return std::clamp<Extended>(1 - 2 * (1 - x) * (1 - x) / d, 0, 1);
}

Extended TCustomMixedPhaseCorr::CalculateRhoImpuls(Extended x, Extended rhoG, Extended rhoL) {
  if (!Available(x, rhoG, rhoL) || x < 0 || x > 1 || rhoG <= 0 || rhoL <= 0) return NoValue;
  // The single phases directly: the quotients x^2/eps and (1 - x)^2/(1 - eps)
  // are 0/0 there.
  if (x == 0) return rhoL;
  if (x == 1) return rhoG;
  const Extended eps = CalculateEHuq(x, rhoG, rhoL);
  if (IsNoValue(eps) || eps <= 0 || eps >= 1) return CalculateRhoHomogen(x, rhoG, rhoL);
  return 1 / (x * x / (eps * rhoG) + (1 - x) * (1 - x) / ((1 - eps) * rhoL));
}

Extended TCustomMixedPhaseCorr::CalculateRhoHomogen(Extended x, Extended rhoG, Extended rhoL) {
  if (!Available(x, rhoG, rhoL) || x < 0 || x > 1 || rhoG <= 0 || rhoL <= 0) return NoValue;
  return 1 / (x / rhoG + (1 - x) / rhoL);
}

Extended TCustomMixedPhaseCorr::AssignOnXFG1(Extended xFG, Extended liquid, Extended vapour) {
  if (IsNoValue(xFG)) return NoValue;
  if (xFG <= 0) return liquid;
  if (xFG >= 100) return vapour;
  return NoValue;
}

Extended TCustomMixedPhaseCorr::LevelSum(Extended a, Extended b) {
  if (IsNoValue(a)) return b;
  if (IsNoValue(b)) return a;
  return 10 * std::log10(std::pow(10.0L, a / 10) + std::pow(10.0L, b / 10));
}

Extended TCustomMixedPhaseCorr::CalculateLpAa(Extended xFG, Extended LpAal, Extended LpAav) {
  const Extended single = AssignOnXFG1(xFG, LpAal, LpAav);
  if (HasValue(single) || IsNoValue(xFG) || xFG <= 0 || xFG >= 100) return single;
  if (!Available(LpAal, LpAav)) return NoValue;
  const Extended A = LevelSum(LpAal, LpAav);
  const Extended B = std::max(LpAal, LpAav), C = B;
  if (xFG <= 5) return A + (B - A) * std::pow(1 - xFG / 5, 5);
  const Extended y5 = std::pow(xFG / 100, 5);
  return A * (1 - y5) + C * y5;
}

Extended TCustomMixedPhaseCorr::TravelEqualPercentage(Extended kvkvs, Extended phi0) {
  if (!Available(kvkvs, phi0) || kvkvs <= 0 || phi0 <= 0 || phi0 >= 1) return NoValue;
  return 100 * std::log(kvkvs / 100 / phi0) / std::log(1 / phi0);
}

Extended TCustomMixedPhaseCorr::TravelLinear(Extended kvkvs, Extended phi0) {
  if (!Available(kvkvs, phi0) || phi0 < 0 || phi0 >= 1) return NoValue;
  return 100 * (kvkvs / 100 - phi0) / (1 - phi0);
}

// -------------------------------------------------------- TMixedPhaseCorr

Extended TMixedPhaseCorr::Getqml() const {
  if (!Available(qm, xFG1) || xFG1 < 0 || xFG1 > 100) return NoValue;
  return qm * (1 - xFG1 / 100);
}

Extended TMixedPhaseCorr::Getqmv() const {
  if (!Available(qm, xFG1) || xFG1 < 0 || xFG1 > 100) return NoValue;
  return qm * xFG1 / 100;
}

Extended TMixedPhaseCorr::Getkv() const {
  if (Characteristic == mcNone || Characteristic == mcOnOff || Characteristic == mcMeasured) return NoValue;
  const Extended single = AssignOnXFG1(xFG1, kvl, kvv);
  if (HasValue(single)) return single;
  const Extended f = Getfmss();
  if (Available(f, kvl, kvv)) return f * (kvl + kvv);
  return HasValue(kvl) ? kvl : kvv;
}

Extended TMixedPhaseCorr::Getkvkvs() const {
  const Extended kv = Getkv();
  if (!Available(kv, kvs) || kvs <= 0) return NoValue;
  return kv / kvs * 100;
}

Extended TMixedPhaseCorr::Geth() const {
  switch (Characteristic) {
    case mcEqualPercentage: return TravelEqualPercentage(Getkvkvs(), phi0);
    case mcLinear: return TravelLinear(Getkvkvs(), phi0);
    default: return NoValue;
  }
}

Extended TMixedPhaseCorr::GetPVer() const {
  if (!Available(PVerl, PVerv)) return HasValue(PVerl) ? PVerl : PVerv;
  return PVerl + PVerv;
}

Extended TMixedPhaseCorr::GetLpAa() const { return CalculateLpAa(xFG1, LpAal, LpAav); }

Extended TMixedPhaseCorr::Getrho1() const {
  return HasValue(xFG1) ? CalculateRhoImpuls(xFG1 / 100, rho1v, rho1l) : NoValue;
}

Extended TMixedPhaseCorr::GetxFG2() const {
  if (HasValue(xFG2Given)) return xFG2Given;
  if (IsNoValue(xFG1) || xFG1 < 0 || xFG1 > 100) return NoValue;
  if (IsNoValue(xFG2l)) return xFG1;
  if (xFG2l < 0 || xFG2l > 100) return NoValue;
  return xFG1 + (100 - xFG1) * xFG2l / 100;
}

Extended TMixedPhaseCorr::Getrho2() const {
  const Extended x2 = GetxFG2();
  return HasValue(x2) ? CalculateRhoImpuls(x2 / 100, rho2v, rho2l) : NoValue;
}

Extended TMixedPhaseCorr::Getcf2() const {
  return TMixedDensity::WoodSoundSpeed(rho2v, rho2l, GetxFG2(), NoValue, NoValue, cf2v, cf2l);
}

Extended TMixedPhaseCorr::Gett2() const {
  const Extended x2 = GetxFG2();
  if (IsNoValue(x2)) return NoValue;
  return x2 < 100 && HasValue(t2LP) ? t2LP : t2VP;
}

Extended TMixedPhaseCorr::Getxv1() const {
  const Extended eps = HasValue(xFG1) ? CalculateEHuq(xFG1 / 100, rho1v, rho1l) : NoValue;
  return HasValue(eps) ? eps * 100 : NoValue;
}

}  // namespace torvacalc
