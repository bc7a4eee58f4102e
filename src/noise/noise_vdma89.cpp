#include "noise/noise_vdma89.h"

#include <algorithm>
#include <cmath>

#include "valves/flow_equations.h"
#include "noise/noise_iec2003.h"
#include "noise/noise_isa89.h"

namespace torvacalc {

namespace {
constexpr Extended kPi = 3.14159265358979323846L;
// Reference sound power and sound pressure of the decibel scales.
constexpr Extended kW0 = 1E-12L, kP0 = 2E-5L;
}

// Mach number at the vena contracta from the pressure ratio and the valve's
// critical pressure ratio xCr, limited to the largest Mach number an
// isentropic expansion can reach, sqrt((k + 1)/(k - 1)).
Extended tVDMA89::CalculateMaVC(Extended x, Extended xCr, Extended kappa) {
  const Extended k = CheckKappa(kappa);
  if (!Available(x, xCr, k) || x <= 0 || x >= 1 || xCr <= 0 || xCr >= 1) return NoValue;
  return std::min(std::sqrt(std::log10(1 - x) / std::log10(1 - xCr)),
                  std::sqrt((k + 1) / (k - 1)));
}

// Stream power of a liquid (kW): Qm/rho times the smaller of the pressure
// drop and the choked drop FL2 (p1 - 0.95 pv).
Extended tVDMA89::CalculateWmIEC(Extended Qm, Extended p1, Extended p2, Extended pv1,
                                 Extended fl2, Extended rho1) {
  if (!Available(Qm, p1, p2, pv1, fl2, rho1) || rho1 <= 0 || p2 > p1) return NoValue;
  const Extended dp = std::min(p1 - p2, fl2 * (p1 - 0.95L * pv1));
  if (dp < 0) return NoValue;
  return Qm / 3600 * dp * 1E5L / rho1 / 1000;
}

// Lwi = 10 lg(eta k p1 Qm Ma^2 / ((k + 1) rho1)) + 134.4 (p1 bar, Qm kg/h):
// the gas stream power m Ma^2 p1 k/((k + 1) rho1) over 1E-12 W.
Extended tVDMA89::CalculateLwiOfGas(Extended eta, Extended kappa, Extended p1, Extended Qm,
                                    Extended MaVC, Extended rho1) {
  const Extended k = CheckKappa(kappa);
  if (!Available(eta, k, p1, Qm, MaVC, rho1) || rho1 <= 0) return NoValue;
  return Finite(Dezibel(eta * k * p1 * Qm * MaVC * MaVC / ((k + 1) * rho1)) + 134.4L);
}

void tVDMA89::CalculateLa1La2(Extended eta, Extended WmIEC, Extended z, Extended x,
                              Extended& La1, Extended& La2) {
  La1 = Available(eta, WmIEC) ? Dezibel(eta * WmIEC * 1000 / 1E-12L) : NoValue;
  La2 = NoValue;
  if (Available(z, x) && x > z && x < 1 && z > 0 && z < 1)
    La2 = Finite(180 * std::pow(z, 0.0625L) * std::pow(1 - x, 0.8L) / std::pow(x, z) *
                 std::log10((1 - z) / (1 - x)));
}

Extended tVDMA89::CalculateCfc(Extended x, Extended cF1, Extended cF2, Extended z, Extended fl2,
                               bool liquid) {
  if (!liquid) return HasValue(cF2) ? cF2 : NoValue;
  if (!HasValue(cF1)) return NoValue;
  if (!Available(x, z) || x <= z) return cF1;
  if (HasValue(fl2) && fl2 > z && x < fl2) return cF1 * (1 - 0.5L * (x - z) / (fl2 - z));
  return HasValue(cF2) && cF2 < cF1 ? cF2 : 0.5L * cF1;
}

// A plane wave of power W in a pipe of cross-section A carries the mean
// square pressure p^2 = W rho c/A, so Lp = Lw + 10 lg(rho c/A W0/p0^2)
// (DiP mm, rho kg/m3, c m/s). The same relation with 4/(pi p0^2) rounded
// to 3.2E9 links the internal power and level of IEC 60534-8-3 and -8-4.
Extended tVDMA89::PowerToPressure(Extended rho, Extended c, Extended DiP) {
  if (!Available(rho, c, DiP) || rho <= 0 || c <= 0 || DiP <= 0) return NoValue;
  const Extended d = DiP * 0.001L;
  return 10 * std::log10(rho * c / (kPi / 4 * d * d) * kW0 / (kP0 * kP0));
}

Extended tVDMA89::GetMaVC() {
  return Cached(rMaVC, [&]() -> Extended {
    if (IsLiquid()) return NoValue;
    return CalculateMaVC(GetX(), In(iXCr), In(iKappa1));
  });
}

Extended tVDMA89::GetEta() {
  return Cached(rEta, [&]() -> Extended {
    if (IsLiquid()) {
      const Extended f1 = In(iF1), f2 = In(iF2), x = GetX();
      if (!Available(f1, f2, x) || x <= 0) return NoValue;
      return std::pow(10.0L, f1) * std::pow(x, f2);
    }
    const Extended g1 = In(iG1), g2 = In(iG2), m = GetMaVC();
    if (!Available(g1, g2, m) || m <= 0) return NoValue;
    return std::pow(10.0L, g1) * std::pow(m * m, g2);
  });
}

Extended tVDMA89::GetWmIEC() {
  return Cached(rWmIEC, [&] {
    return CalculateWmIEC(In(iQm), In(iP1), In(iP2), In(iPv1), In(iFl2), In(iRho1));
  });
}

Extended tVDMA89::GetWm() {
  return Cached(rWm, [&]() -> Extended {
    if (IsLiquid()) {
      const Extended w = GetWmIEC(), fl2 = In(iFl2);
      return Available(w, fl2) && fl2 > 0 ? w / fl2 : NoValue;
    }
    const Extended k = CheckKappa(In(iKappa1)), Qm = In(iQm), p1 = In(iP1), rho = In(iRho1);
    const Extended ma = GetMaVC();
    if (!Available(k, Qm, p1, rho, ma) || rho <= 0) return NoValue;
    const Extended m = std::min<Extended>(ma, 1);
    return m * m * (Qm / 3600) * p1 * 1E5L * k * 0.001L / ((k + 1) * rho);
  });
}

Extended tVDMA89::GetLa1() {
  return Cached(rLa1, [&]() -> Extended {
    if (!IsLiquid()) return GetLwi();
    Extended La1, La2;
    CalculateLa1La2(GetEta(), GetWmIEC(), In(iZy), GetX(), La1, La2);
    return La1;
  });
}

Extended tVDMA89::GetLa2Raw() {
  return Cached(rLa2Raw, [&]() -> Extended {
    if (!IsLiquid()) return NoValue;
    Extended La1, La2;
    CalculateLa1La2(GetEta(), GetWmIEC(), In(iZy), GetX(), La1, La2);
    return La2;
  });
}

Extended tVDMA89::GetLwi() {
  return Cached(rLwi, [&]() -> Extended {
    Extended L;
    if (IsLiquid()) {
      Extended La1, La2;
      CalculateLa1La2(GetEta(), GetWmIEC(), In(iZy), GetX(), La1, La2);
      L = HasValue(La1) && HasValue(La2) ? La1 + La2 : La1;
    } else {
      L = CalculateLwiOfGas(GetEta(), In(iKappa1), In(iP1), In(iQm), GetMaVC(), In(iRho1));
    }
    return AddCorrections(L, {GetDLaMa(), GetDLaLN(), In(iDLaCo), GetDLaRes(), GetDLaPulp()});
  });
}

Extended tVDMA89::GetDLaCF() {
  return Cached(rDLaCF, [&]() -> Extended {
    const Extended f = In(iFl2);
    return HasValue(f) && f > 0 ? 10 * std::log10(1 / f) : NoValue;
  });
}

Extended tVDMA89::GetFr() {
  return Cached(rFr, [&] { return tIEC2003::RingFrequency(In(iCPipe), In(iDiP)); });
}

// A liquid's own speed of sound is cF1; where only the outlet's is known
// (the valve calculation hands over cF2), that one stands for it.
Extended tVDMA89::GetCfc() {
  return Cached(rCfc, [&] {
    const bool liquid = IsLiquid();
    if (!liquid) return CalculateCfc(GetX(), GetCf1(), GetCF2(), In(iZy), In(iFl2), false);
    const Extended c1 = HasValue(GetCf1()) ? GetCf1() : In(iCF2);
    return CalculateCfc(GetX(), c1, In(iCF2), In(iZy), In(iFl2), true);
  });
}

Extended tVDMA89::GetLpi() {
  return Cached(rLpi, [&]() -> Extended {
    const Extended Lwi = GetLwi(), k = PowerToPressure(GetRho2v(), GetCfc(), In(iDiP));
    return Available(Lwi, k) ? Lwi + k : NoValue;
  });
}

Extended tVDMA89::GetLpAa() {
  return Cached(rLpAa, [&] {
    Spectra();
    return FLpAa.GetSum();
  });
}

std::array<Extended, tVDMA89::ShortBands> tVDMA89::LiquidBandShares() {
  std::array<Extended, ShortBands> shares;
  shares.fill(NoValue);
  const Extended x = GetX(), fl2 = In(iFl2), z = In(iZy);
  Extended p1pv, dpc;
  tIEC2003::Calculatepc2015(In(iP1), In(iPv1), x, fl2, p1pv, dpc);
  const Extended uVC = tIEC2003::VenaContractaVelocity(dpc, In(iRho1), fl2);
  const Extended ft =
      tIEC2003::PeakFrequencyTurb2015(uVC, In(iFd), In(iKv), fl2, z, In(iDNV), p1pv);
  if (!HasValue(ft) || !(ft > 0)) return shares;
  // Above incipient cavitation La2 is the rise of the power by the
  // cavitation: turbulent and cavitating power stand as 1 : 10^(La2/10) - 1.
  Extended La1, La2, fc = NoValue, wc = NoValue;
  CalculateLa1La2(GetEta(), GetWmIEC(), z, x, La1, La2);
  if (HasValue(La2) && La2 > 0) {
    fc = tIEC2003::PeakFrequencyCav(ft, x, z);
    wc = std::pow(10.0L, La2 / 10) - 1;
  }
  for (int b = 0; b < ShortBands; ++b) {
    const size_t c = static_cast<size_t>(tThirdOctaves::OctaveCentre(b));
    Extended sum = 0;
    for (size_t j = c - 1; j <= c + 1; ++j) {
      const Extended d =
          tIEC2003::DistributionFactor2015(tThirdOctaves::Frequencies[j], ft, fc, 1, wc);
      if (!HasValue(d)) return shares;
      sum += d;
    }
    shares[static_cast<size_t>(b)] = sum;
  }
  return shares;
}

void tVDMA89::Spectra() {
  if (!Cache.GetShouldBecalculated(rSpectra)) return;
  FLwi.Clear();
  FRr.Clear();
  FLwAa.Clear();
  FLpAa.Clear();
  const bool liquid = IsLiquid();
  const Extended Lwi = GetLwi(), fr = GetFr(), cfc = GetCfc(), DiP = In(iDiP), rho2 = GetRho2v();
  const Extended toLp = PowerToPressure(rho2, cfc, DiP);
  const Extended tlr = tIEC2003::TLAtRing(In(iCPipe), In(iRhoP), In(iTP), DiP);
  const Extended dist = tIEC2003::DistanceTerm(In(iTP), DiP);
  const Extended pw = tIEC2003::PowerTerm(DiP);
  std::array<Extended, ShortBands> shares;
  shares.fill(NoValue);
  if (liquid) shares = LiquidBandShares();
  for (int i = 0; i < ShortBands; ++i) {
    const Extended f = tSpectrum::Frequencies[static_cast<size_t>(i)];
    Extended dL = In((liquid ? iDLLiq0 : iDLGas0) + i);
    if (!HasValue(dL)) dL = Dezibel(shares[static_cast<size_t>(i)]);
    if (!HasValue(dL)) dL = -10 * std::log10(static_cast<Extended>(ShortBands));
    const Extended L = HasValue(Lwi) ? Lwi + dL : NoValue;
    FLwi.SetValues(i, L);
    Extended Rr;
    if (liquid) {
      const Extended d = tIEC2003::DeltaTL2015(f, fr);
      Rr = Available(tlr, d) ? tlr + d : NoValue;
    } else {
      Rr = tISA89::TransmissionLoss(true, f, fr, In(iCPipe), In(iTP), rho2, cfc);
    }
    FRr.SetValues(i, Rr);
    if (Available(L, toLp, Rr, dist)) {
      const Extended Lp = L + toLp + Rr + tSpectrum::AWeighting[static_cast<size_t>(i)] + dist;
      FLpAa.SetValues(i, Lp);
      if (HasValue(pw)) FLwAa.SetValues(i, Lp + pw);
    }
  }
  Cache.SetValid(rSpectra);
}

}  // namespace torvacalc
