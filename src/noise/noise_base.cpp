#include "noise/noise_base.h"

#include <algorithm>
#include <cmath>

#include "valves/flow_equations.h"

namespace torvacalc {

// ----- tSpectrum -----

Extended tSpectrum::GetValues(int band) const {
  return band >= 0 && band < Count ? FValues[static_cast<size_t>(band)] : NoValue;
}

void tSpectrum::SetValues(int band, Extended value) {
  if (band >= 0 && band < Count) FValues[static_cast<size_t>(band)] = Finite(value);
}

Extended tSpectrum::GetSum() const {
  return SumNoise(std::vector<Extended>(FValues.begin(), FValues.end()));
}

Extended tOctaves::GetSum() const {
  return SumNoise(std::vector<Extended>(Values.begin(), Values.end()));
}

// ----- shared routines -----

Extended Finite(Extended v) {
  if (IsNoValue(v) || !std::isfinite(v) || std::fabs(v) > 1E300L) return NoValue;
  return v;
}

Extended FlowVelocityNoise(Extended Qm, Extended rho, Extended d) {
  if (!Available(Qm, rho, d) || rho <= 0 || d <= 0) return NoValue;
  return 353.67765612L * Qm / (rho * d * d);
}

Extended ApproxDensityOfGas(Extended rhoA, Extended pa, Extended ta, Extended px, Extended tx) {
  if (!Available(rhoA, pa, px) || pa <= 0 || px <= 0) return NoValue;
  if (Available(ta, tx) && tx + ZeroCelsius > 0)
    return Finite(rhoA * (px / pa) * (ta + ZeroCelsius) / (tx + ZeroCelsius));
  return Finite(rhoA * px / pa);
}

Extended Dezibel(Extended v) {
  if (!HasValue(v) || !(v > 0)) return NoValue;
  return Finite(10 * std::log10(v));
}

Extended SumNoise(const std::vector<Extended>& levels) {
  Extended sum = 0;
  bool any = false;
  for (Extended L : levels) {
    if (!HasValue(L)) continue;
    sum += std::pow(10.0L, L / 10);
    any = true;
  }
  return any ? Dezibel(sum) : NoValue;
}

// ----- tVDMA79 -----

tVDMA79::tVDMA79() {
  FIn.fill(NoValue);
  FRes.fill(NoValue);
  // Switches start at their first item, two-state switches off.
  for (int s : {iPhase, iPipeClass, iDNUnit, iNoiseStandard, iLowNoise, iUseResistors,
                iUseMaCorrection})
    FIn[static_cast<size_t>(s)] = 0;
  FIn[iSubstanceType] = stOthers;
  FIn[iLowNoiseDesign] = lnNone;
  FIn[iResistorType] = rtUnknown;
  FIn[iLowNoiseSeries] = 0;
  // Every result depends on every input.
  static const auto rules = [] {
    std::pair<TCalcSet::Slots, std::vector<int>> r;
    for (int s = rX; s < TCalcSet::SlotCount; ++s) r.first.set(static_cast<size_t>(s));
    for (int s = 1; s <= LastInput; ++s) r.second.push_back(s);
    return r;
  }();
  Cache.AddRules(rules.first, rules.second);
}

void tVDMA79::SetIn(int slot, Extended v) {
  Extended& field = FIn[static_cast<size_t>(slot)];
  const bool same = (IsNoValue(field) && IsNoValue(v)) || field == v;
  if (same) return;
  field = IsNoValue(v) ? NoValue : v;
  Cache.HasChanged(slot);
  if (Active && OnResultsChange && !FInEvent) {
    FInEvent = true;
    OnResultsChange();
    FInEvent = false;
  }
}

void tVDMA79::SetLowNoiseSeries(const std::vector<Extended>& coefficients, Extended rMin,
                                Extended rMax) {
  FSeries = coefficients;
  if (FSeries.size() > 7) FSeries.resize(7);
  FSeriesMin = rMin;
  FSeriesMax = rMax;
  // A change of the data is an input change of its own slot.
  SetIn(iLowNoiseSeries, In(iLowNoiseSeries) + 1);
}

TEPhase tVDMA79::GetPhase() const {
  const int p = static_cast<int>(In(iPhase));
  return p >= phLiquid && p <= phUndef ? static_cast<TEPhase>(p) : phUndef;
}

teNoiseStandard tVDMA79::GetNoiseStandard() const {
  const int n = static_cast<int>(In(iNoiseStandard));
  return n >= nsIEC2000 && n <= nsUserDefined ? static_cast<teNoiseStandard>(n) : nsIEC2000;
}

Extended tVDMA79::GetX() {
  return Cached(rX, [&]() -> Extended {
    if (HasValue(In(iX))) return In(iX);
    return PressureDropRate(GetPhase(), false, In(iP1), In(iP2), In(iPv1));
  });
}

Extended tVDMA79::GetRho2v() {
  return Cached(rRho2v, [&]() -> Extended {
    if (HasValue(In(iRho2Input))) return In(iRho2Input);
    // A liquid leaves the valve with its inlet density.
    if (IsLiquid()) return In(iRho1);
    return ApproxDensityOfGas(In(iRho1), In(iP1), In(iT1), In(iP2),
                              HasValue(In(iT2)) ? In(iT2) : In(iT1));
  });
}

Extended tVDMA79::GetRho2r() {
  return Cached(rRho2r, [&]() -> Extended {
    return HasValue(In(iRho2Input)) ? In(iRho2Input) : GetRho2v();
  });
}

Extended tVDMA79::GetRhoN() {
  return Cached(rRhoN, [&]() -> Extended {
    if (HasValue(In(iRhoNInput))) return In(iRhoNInput);
    if (IsLiquid()) return In(iRho1);
    // The normal state of the VDMA sheets: 1.013 bar and 0 degC.
    return ApproxDensityOfGas(In(iRho1), In(iP1), In(iT1), 1.013L, 0);
  });
}

Extended tVDMA79::GetU() {
  return Cached(rU, [&]() -> Extended {
    const Extended d = HasValue(In(iDNV1)) ? In(iDNV1) : In(iDNV);
    return FlowVelocityNoise(In(iQm), In(iRho1), d);
  });
}

Extended tVDMA79::GetU2v() {
  return Cached(rU2v, [&] { return FlowVelocityNoise(In(iQm), GetRho2v(), In(iDNV)); });
}

Extended tVDMA79::GetU2r() {
  return Cached(rU2r, [&] { return FlowVelocityNoise(In(iQm), GetRho2r(), In(iDNV)); });
}

Extended tVDMA79::GetUDiP1() {
  return Cached(rUDiP1, [&]() -> Extended {
    Extended d = In(iDiP1);
    if (!HasValue(d)) d = HasValue(In(iDNV1)) ? In(iDNV1) : In(iDNV);
    return FlowVelocityNoise(In(iQm), In(iRho1), d);
  });
}

Extended tVDMA79::GetUDiP2() {
  return Cached(rUDiP2, [&]() -> Extended {
    const Extended d = HasValue(In(iDiP)) ? In(iDiP) : In(iDNV);
    return FlowVelocityNoise(In(iQm), GetRho2r(), d);
  });
}

Extended tVDMA79::GetCf1() {
  return Cached(rCf1, [&]() -> Extended {
    if (HasValue(In(iCf1))) return In(iCf1);
    if (IsLiquid()) return NoValue;  // the speed of sound of a liquid is data
    const Extended k = CheckKappa(In(iKappa1)), p1 = In(iP1), rho = In(iRho1);
    if (!Available(k, p1, rho) || p1 <= 0 || rho <= 0) return NoValue;
    return std::sqrt(k * p1 * 1E5L / rho);
  });
}

Extended tVDMA79::GetCF2() {
  return Cached(rCF2, [&]() -> Extended {
    if (HasValue(In(iCF2))) return In(iCF2);
    if (IsLiquid()) return GetCf1();
    // Ideal gas: sqrt(kappa p / rho) at the outlet state.
    const Extended k = CheckKappa(In(iKappa1)), p2 = In(iP2), rho = GetRho2v();
    if (!Available(k, p2, rho) || p2 <= 0 || rho <= 0) return NoValue;
    return std::sqrt(k * p2 * 1E5L / rho);
  });
}

Extended tVDMA79::GetMaDN() {
  return Cached(rMaDN, [&]() -> Extended {
    const Extended u = GetU2v(), c = GetCF2();
    if (!Available(u, c) || c <= 0) return NoValue;
    return u / c;
  });
}

// VDMA 24422 (1989), the level correction for the Mach number of the
// outlet flow: a polynomial fitted to the sheet's curve from -13.6 dB at
// Ma 0.02 to +6.6 dB at Ma 1, held constant outside.
Extended tVDMA79::CalculateDLaMa(Extended Ma) {
  if (!HasValue(Ma) || Ma < 0) return NoValue;
  if (Ma > 1) return 6.6L;
  if (Ma < 0.02L) return -13.6L;
  return -17.557L + Ma * (217.333L + Ma * (-1016.157L + Ma * (2189.57L + Ma * (-2113.927L +
                                                                               Ma * 747.339L))));
}

Extended tVDMA79::GetDLaMa() {
  return Cached(rDLaMa, [&]() -> Extended {
    if (IsLiquid() || In(iUseMaCorrection) == 0) return NoValue;
    return CalculateDLaMa(GetMaDN());
  });
}

// Pulp suspensions damp cavitation noise: -1.5 dB per percent of
// consistency up to 2 %, then -1/7 dB per percent, at most -5 dB (the
// correction of the VDMA sheet for paper stock).
Extended tVDMA79::CalculateDLaPulp(Extended cp) {
  if (!HasValue(cp) || cp < 0) return NoValue;
  if (cp < 2) return -1.5L * cp;
  return -3 - std::min<Extended>(2, (cp - 2) / 7);
}

Extended tVDMA79::GetDLaPulp() {
  return Cached(rDLaPulp, [&]() -> Extended {
    if (static_cast<int>(In(iSubstanceType)) != stPulpe) return NoValue;
    return CalculateDLaPulp(In(iXPulp));
  });
}

// Reducer correction: once the pressure ratio reaches FL2 the valve chokes
// and the jet leaves the trim at full speed into the expander, whose
// turbulence adds 10 lg(1/FL2) dB (the pressure recovery that the
// recovery factor describes is then dissipated in the fitting).
Extended tVDMA79::GetDLaRed() {
  return Cached(rDLaRed, [&]() -> Extended {
    const Extended x = GetX(), fl2 = In(iFl2);
    if (!Available(x, fl2) || fl2 <= 0 || fl2 > 1) return NoValue;
    if (x < fl2) return NoValue;
    return 10 * std::log10(1 / fl2);
  });
}

Extended tVDMA79::GetDLaLN() {
  return Cached(rDLaLN, [&]() -> Extended {
    const int design = static_cast<int>(In(iLowNoiseDesign));
    if (design == lnNone || FSeries.empty()) return NoValue;
    const Extended Kv = In(iKv), Kvs = In(iKvs);
    if (!Available(Kv, Kvs) || Kvs <= 0) return NoValue;
    Extended r = Kv / Kvs;
    // Outside the measured range the nearest measured opening stands.
    if (HasValue(FSeriesMin)) r = std::max(r, FSeriesMin);
    if (HasValue(FSeriesMax)) r = std::min(r, FSeriesMax);
    Extended v = 0;
    for (size_t i = FSeries.size(); i-- > 0;) v = v * r + FSeries[i];
    return v;
  });
}

// Insertion loss of a restriction downstream of the valve for the valve's
// own noise. Planning values: an absorptive silencer right behind the
// valve 10 dB, one further down 6 dB (the pipe between radiates), a
// perforated plate or plug 5 dB (it splits the jet and moves the spectrum
// up, where the pipe wall insulates better); a second valve, a single-hole
// orifice or an injection nozzle attenuate nothing, they add noise of
// their own (LaRes). A manufacturer's figure goes into dLaCo instead.
Extended tVDMA79::CalculateDLaRes(teResistorType type, bool useResistors) {
  if (!useResistors) return NoValue;
  switch (type) {
    case rtSilencerDirect: return -10;
    case rtSilencerIndirect: return -6;
    case rtPerforatedPlug: return -5;
    case rtValve:
    case rtSingleHole:
    case rtInjectionNozzle: return 0;
    default: return NoValue;
  }
}

Extended tVDMA79::GetDLaRes() {
  return Cached(rDLaRes, [&] {
    return CalculateDLaRes(static_cast<teResistorType>(static_cast<int>(In(iResistorType))),
                           In(iUseResistors) != 0);
  });
}

// The power the valve dissipates, kW. Liquid: Qm/rho (p1 - p2). Gas: the
// isothermal expansion work Qm p1/rho1 ln(p1/p2), with the pressure ratio
// limited to the one at which the vena contracta becomes critical
// (p2c = p1 (1 - FL2 xvcc)): below p2c the further expansion happens in
// shocks downstream of the trim and is not dissipated in the valve body.
Extended tVDMA79::CalculatePowerLoss(Extended Qm, Extended rho1, Extended p1, Extended p2,
                                     Extended kappa, Extended fl2, bool liquid) {
  if (!Available(Qm, rho1, p1, p2) || rho1 <= 0 || p1 <= 0 || p2 < 0 || p2 > p1) return NoValue;
  if (liquid) return Qm / 3600 * (p1 - p2) * 1E5L / rho1 / 1000;
  if (p2 <= 0) return NoValue;
  Extended ratio = p1 / p2;
  const Extended k = CheckKappa(kappa);
  if (Available(k, fl2) && fl2 > 0 && fl2 <= 1) {
    const Extended xvcc = 1 - std::pow(2 / (k + 1), k / (k - 1));
    ratio = std::min(ratio, 1 / (1 - fl2 * xvcc));
  }
  return Qm / 3600 * p1 * 1E5L / rho1 * std::log(ratio) / 1000;
}

Extended tVDMA79::GetPVer() {
  return Cached(rPVer, [&] {
    return CalculatePowerLoss(In(iQm), In(iRho1), In(iP1), In(iP2), In(iKappa1), In(iFl2),
                              IsLiquid());
  });
}

// VDMA 24422 (1979).
//  Liquid: La1 = 10 lg Kv + 18 lg(p1 - pv) - 5 lg rho + 40 with p1 - pv at
//  least 1 bar. La2 is the pressure-ratio term: below incipient cavitation
//  (x <= z) 18 lg(x/z), the turbulent noise falling with the pressure
//  ratio; above it the cavitation rise 292 d^0.75 - (268 + 38 z) d^0.935
//  with d = x - min(0.95, z). Both branches give 0 dB at x = z, so the
//  level is continuous at the onset of cavitation.
//  Gas: La1 = 14 lg Kv + 18 lg p1 + 5 lg T1 - 5 lg rhoN + 52 - 20 lg(1/lg 2)
//  and La2 = 20 lg(lg(p1/p2)/lg 2), 0 dB at the pressure ratio 2.
void tVDMA79::CalculateLa1La2(Extended x, Extended z, Extended p1, Extended p2, Extended t1,
                              Extended pv1, Extended Kv, Extended rho1, Extended rhoN,
                              bool liquid, Extended& La1, Extended& La2) {
  La1 = NoValue;
  La2 = NoValue;
  constexpr Extended kLg2 = 10.4278045530865L;
  if (liquid) {
    if (Available(p1, pv1, Kv, rho1) && Kv > 0 && rho1 > 0)
      La1 = 10 * std::log10(Kv) + 18 * std::log10(std::max<Extended>(1, p1 - pv1)) -
            5 * std::log10(rho1) + 40;
    if (Available(x, z) && x > 0 && z > 0 && z < 1) {
      if (x <= z) {
        La2 = 18 * std::log10(x / z);
      } else {
        const Extended d = x - std::min<Extended>(0.95L, z);
        const Extended A = -(268 + 38 * z);
        La2 = d > 0 ? 292 * std::pow(d, 0.75L) + A * std::pow(d, 0.935L) : 0;
      }
    }
  } else {
    if (Available(p1, p2) && p2 > 0 && p2 < p1)
      La2 = 20 * std::log10(std::log10(p1 / p2)) + kLg2;
    if (Available(p1, Kv, t1, rhoN) && p1 > 0 && Kv > 0 && rhoN > 0 && t1 + ZeroCelsius > 0)
      La1 = 14 * std::log10(Kv) + 18 * std::log10(p1) + 5 * std::log10(t1 + ZeroCelsius) -
            5 * std::log10(rhoN) + 52 - kLg2;
  }
  La1 = Finite(La1);
  La2 = Finite(La2);
}

Extended tVDMA79::GetLa1() {
  return Cached(rLa1, [&] {
    Extended La1, La2;
    CalculateLa1La2(GetX(), In(iZy), In(iP1), In(iP2), In(iT1), In(iPv1), In(iKv), In(iRho1),
                    GetRhoN(), IsLiquid(), La1, La2);
    return La1;
  });
}

Extended tVDMA79::GetLa2Raw() {
  return Cached(rLa2Raw, [&] {
    Extended La1, La2;
    CalculateLa1La2(GetX(), In(iZy), In(iP1), In(iP2), In(iT1), In(iPv1), In(iKv), In(iRho1),
                    GetRhoN(), IsLiquid(), La1, La2);
    return La2;
  });
}

// A term of less than 0.05 dB is shown as empty: it does not change the
// level at the precision of the method.
Extended tVDMA79::GetLa2() {
  return Cached(rLa2, [&]() -> Extended {
    const Extended v = GetLa2Raw();
    return HasValue(v) && std::fabs(v) < 0.05L ? NoValue : v;
  });
}

Extended tVDMA79::AddCorrections(Extended level, std::initializer_list<Extended> corrections) {
  if (!HasValue(level)) return NoValue;
  for (Extended c : corrections)
    if (HasValue(c)) level += c;
  return Finite(level);
}

Extended tVDMA79::GetLpAa() {
  return Cached(rLpAa, [&]() -> Extended {
    const Extended La1 = GetLa1(), La2 = GetLa2Raw();
    if (!Available(La1, La2)) return NoValue;
    return AddCorrections(La1 + La2,
                          {GetDLaMa(), GetDLaLN(), GetDLaRes(), GetDLaPulp(), In(iDLaCo)});
  });
}

Extended tVDMA79::GetLaTot() {
  return Cached(rLaTot, [&]() -> Extended {
    const Extended L = GetLpAa();
    if (!HasValue(L)) return NoValue;
    return SumNoise({L, In(iLaRes)});
  });
}

const std::vector<Extended>& tVDMA79::NominalSizes() {
  static const std::vector<Extended> sizes = {15,  20,  25,  32,  40,  50,  65,  80,
                                              100, 125, 150, 200, 250, 300, 350, 400,
                                              450, 500, 600, 700, 800, 900, 1000};
  return sizes;
}

Extended tVDMA79::DNforU(Extended Qm, Extended rho, Extended u) {
  if (!Available(Qm, rho, u) || u <= 0 || rho <= 0 || Qm < 0) return NoValue;
  for (Extended dn : NominalSizes())
    if (FlowVelocityNoise(Qm, rho, dn) <= u) return dn;
  return NoValue;
}

Extended tVDMA79::Sug(int slot, Extended factor) {
  return Cached(slot, [&]() -> Extended {
    const Extended c = GetCF2();
    if (!Available(c, factor) || factor <= 0) return NoValue;
    return DNforU(In(iQm), GetRho2r(), factor * c);
  });
}

Extended tVDMA79::GetDNSug100() {
  return Cached(rDNSug100, [&] { return DNforU(In(iQm), GetRho2r(), 100); });
}

}  // namespace torvacalc
