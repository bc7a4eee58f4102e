#include "valves/noise_isa89.h"

#include <algorithm>
#include <cmath>

#include "valves/flow_equations.h"
#include "valves/noise_iec2003.h"

namespace torvacalc {

namespace {
constexpr Extended kPi = 3.14159265358979323846L;
constexpr Extended kAirSound = 343;  // speed of sound in air at the reference state, m/s
}  // namespace

// IEC 60534-8-3, the pressures that bound the regimes: vena contracta
// pressure, its critical value, the critical outlet pressure, the break
// point and the start of regime V (constant acoustical efficiency).
tISA89::Pressures tISA89::CharacteristicPressures(Extended p1, Extended p2, Extended fl2,
                                                  Extended kappa) {
  Pressures r;
  const Extended k = CheckKappa(kappa);
  if (!Available(p1, p2, fl2, k) || p1 <= 0 || fl2 <= 0 || fl2 > 1) return r;
  const Extended e = k / (k - 1);
  r.pvc = p1 - (p1 - p2) / fl2;
  r.pvcc = p1 * std::pow(2 / (k + 1), e);
  r.p2c = p1 - fl2 * (p1 - r.pvcc);
  r.p2b = (p1 * r.p2c / r.pvcc) * std::pow(1 / k, e);
  r.p2ce = p1 / (22 * r.pvcc / r.p2c);
  return r;
}

int tISA89::Regime(Extended p1, Extended p2, const Pressures& p) {
  if (!Available(p1, p2, p.p2c, p.pvcc, p.p2b, p.p2ce)) return 0;
  if (p1 <= p2) return 0;
  if (p2 >= p.p2c) return 1;
  if (p2 >= p.pvcc) return 2;
  if (p2 >= p.p2b) return 3;
  if (p2 >= p.p2ce) return 4;
  if (p2 > 0) return 5;
  return 0;
}

// Jet Mach number of the regimes II to V; regime V holds it at Mj5, the
// value at p2ce. The 2010 edition limits every regime to Mj5.
Extended tISA89::JetMach(Extended p1, Extended p2, Extended kappa, const Pressures& p,
                         int regime, bool limitToMj5) {
  const Extended k = CheckKappa(kappa);
  if (regime < 2 || !Available(p1, p2, k, p.pvcc, p.p2c) || p2 <= 0) return NoValue;
  const Extended e = (k - 1) / k;
  const Extended mj5 = std::sqrt(2 / (k - 1) * (std::pow(22.0L, e) - 1));
  if (regime == 5) return mj5;
  const Extended alpha = p.pvcc / p.p2c;
  const Extended mj = std::sqrt(2 / (k - 1) * (std::pow(p1 / (alpha * p2), e) - 1));
  return limitToMj5 ? std::min(mj, mj5) : mj;
}

// Acoustical efficiency.
//  2000: I 1E-4 MaVC^3.6; II, III 1E-4 Mj^(6.6 FL2); IV, V 1E-4 (Mj^2/2)
//  sqrt2^(6.6 FL2).
//  2010: I 10^A FL2 MaVC^3; II 10^A (x/xvcc) Mj^(6.6 FL2); III 10^A
//  Mj^(6.6 FL2); IV, V 0.5 10^A Mj^2 sqrt2^(6.6 FL2).
Extended tISA89::Efficiency(bool edition2000, int regime, Extended aeta, Extended fl2,
                            Extended MaVC, Extended Mj, Extended x, Extended kappa) {
  if (!HasValue(fl2) || regime < 1 || regime > 5) return NoValue;
  const Extended s = std::pow(std::sqrt(2.0L), 6.6L * fl2);
  if (edition2000) {
    switch (regime) {
      case 1: return HasValue(MaVC) ? 1E-4L * std::pow(MaVC, 3.6L) : NoValue;
      case 2:
      case 3: return HasValue(Mj) ? 1E-4L * std::pow(Mj, 6.6L * fl2) : NoValue;
      default: return HasValue(Mj) ? 1E-4L * Mj * Mj / 2 * s : NoValue;
    }
  }
  if (!HasValue(aeta)) return NoValue;
  const Extended a = std::pow(10.0L, aeta);
  switch (regime) {
    case 1: return HasValue(MaVC) ? a * fl2 * MaVC * MaVC * MaVC : NoValue;
    case 2: {
      const Extended k = CheckKappa(kappa);
      if (!Available(Mj, x, k)) return NoValue;
      const Extended xvcc = 1 - std::pow(2 / (k + 1), k / (k - 1));
      return a * (x / xvcc) * std::pow(Mj, 6.6L * fl2);
    }
    case 3: return HasValue(Mj) ? a * std::pow(Mj, 6.6L * fl2) : NoValue;
    default: return HasValue(Mj) ? 0.5L * a * Mj * Mj * s : NoValue;
  }
}

// Transmission loss of the pipe wall at the frequency f:
// TL = 10 lg(K (c2/(ts f))^2 Gx / (rho2 c2/(415 Gy) + 1)) with the
// coincidence frequencies fo = fr/4 (c2/343) and fg = sqrt3 343^2/(pi ts cs).
Extended tISA89::TransmissionLoss(bool edition2000, Extended f, Extended fr, Extended cPipe,
                                  Extended tP, Extended rho2, Extended c2) {
  if (!Available(f, fr, cPipe, tP, rho2, c2) || f <= 0 || fr <= 0 || cPipe <= 0 || tP <= 0 ||
      rho2 <= 0 || c2 <= 0)
    return NoValue;
  const Extended ts = tP * 0.001L;
  const Extended fo = fr / 4 * (c2 / kAirSound);
  const Extended fg = std::sqrt(3.0L) * kAirSound * kAirSound / (kPi * ts * cPipe);
  Extended Gx, Gy;
  if (f < fo) {
    Gx = std::pow(fo / fr, 2.0L / 3) * std::pow(f / fo, 4.0L);
    Gy = fo < fg ? fo / fg : 1;
  } else {
    Gx = f < fr ? std::sqrt(f / fr) : 1;
    Gy = f < fg ? f / fg : 1;
  }
  const Extended K = edition2000 ? 7.6E-7L : 8.25E-7L;
  const Extended q = c2 / (ts * f);
  return 10 * std::log10(K * q * q * Gx / (rho2 * c2 / (415 * Gy) + 1));
}

Extended tISA89::PeakFrequency(int regime, Extended stp, Extended uVC, Extended Mj,
                               Extended cvc, Extended dJet) {
  if (!Available(stp, dJet) || dJet <= 0) return NoValue;
  switch (regime) {
    case 1: return HasValue(uVC) ? stp * uVC / dJet : NoValue;
    case 2:
    case 3: return Available(Mj, cvc) ? stp * Mj * cvc / dJet : NoValue;
    case 4:
    case 5:
      if (!Available(Mj, cvc) || !(Mj * Mj > 1)) return NoValue;
      return 1.4L * stp * cvc / (dJet * std::sqrt(Mj * Mj - 1));
    default: return NoValue;
  }
}

// ----- lazy results -----

Extended tISA89::Kappa() { return CheckKappa(In(iKappa1)); }
Extended tISA89::Fl2() {
  const Extended f = In(iFl2);
  return HasValue(f) && f > 0 && f <= 1 ? f : NoValue;
}

Extended tISA89::GetStp() {
  return Cached(rStp, [&]() -> Extended {
    if (GetNoiseStandard() == nsUserDefined) return In(iStp);
    return 0.2L;
  });
}

Extended tISA89::GetAeta() {
  return Cached(rAeta, [&]() -> Extended {
    if (GetNoiseStandard() == nsUserDefined) return In(iAeta);
    return -4.6L;
  });
}

#define ISA_PRESSURE(Getter, slot, member)                                                   \
  Extended tISA89::Getter() {                                                                \
    return Cached(slot, [&] {                                                                \
      return CharacteristicPressures(In(iP1), In(iP2), Fl2(), In(iKappa1)).member;           \
    });                                                                                      \
  }
ISA_PRESSURE(GetPvc, rPvc, pvc)
ISA_PRESSURE(GetPvcc, rPvcc, pvcc)
ISA_PRESSURE(GetP2c, rP2c, p2c)
ISA_PRESSURE(GetP2b, rP2b, p2b)
ISA_PRESSURE(GetP2ce, rP2ce, p2ce)
#undef ISA_PRESSURE

int tISA89::GetRegime() {
  return static_cast<int>(Cached(rRegime, [&]() -> Extended {
    return Regime(In(iP1), In(iP2), CharacteristicPressures(In(iP1), In(iP2), Fl2(), In(iKappa1)));
  }));
}

Extended tISA89::GetDJet() {
  return Cached(rDJet, [&] { return tIEC2003::JetDiameter(In(iFd), In(iKv), Fl2()); });
}

Extended tISA89::GetCvc() {
  return Cached(rCvc, [&]() -> Extended {
    const int regime = GetRegime();
    const Extended k = Kappa(), p1 = In(iP1), rho = In(iRho1), fl2 = Fl2();
    if (regime == 0 || !Available(k, p1, rho, fl2) || rho <= 0) return NoValue;
    if (regime == 1) {
      const Extended x = (p1 - In(iP2)) / p1;
      return std::sqrt(k * p1 * 1E5L / rho * std::pow(1 - x / fl2, (k - 1) / k));
    }
    return std::sqrt(2 * k / (k + 1) * p1 * 1E5L / rho);
  });
}

// Regime I: the isentropic velocity of the expansion to pvc; from regime II
// on the vena contracta is sonic.
Extended tISA89::GetUVC() {
  return Cached(rUVC, [&]() -> Extended {
    const int regime = GetRegime();
    if (regime != 1) return regime == 0 ? NoValue : GetCvc();
    const Extended k = Kappa(), p1 = In(iP1), rho = In(iRho1), pvc = GetPvc();
    if (!Available(k, p1, rho, pvc) || rho <= 0 || pvc <= 0) return NoValue;
    return std::sqrt(2 * k / (k - 1) * (1 - std::pow(pvc / p1, (k - 1) / k)) * p1 * 1E5L / rho);
  });
}

Extended tISA89::GetMj() {
  return Cached(rMj, [&] {
    const Pressures p = CharacteristicPressures(In(iP1), In(iP2), Fl2(), In(iKappa1));
    return JetMach(In(iP1), In(iP2), In(iKappa1), p, GetRegime(), !Edition2000());
  });
}

Extended tISA89::GetMaVC() {
  return Cached(rMaVC, [&]() -> Extended {
    if (GetRegime() != 1) return GetMj();
    const Extended u = GetUVC(), c = GetCvc();
    return Available(u, c) && c > 0 ? u / c : NoValue;
  });
}

Extended tISA89::GetWm() {
  return Cached(rWm, [&]() -> Extended {
    const Extended v = GetUVC(), Qm = In(iQm);
    if (!Available(v, Qm) || Qm < 0) return NoValue;
    return Qm / 3600 * v * v / 2 / 1000;
  });
}

Extended tISA89::GetEtaL() {
  return Cached(rEta, [&]() -> Extended {
    const Extended p1 = In(iP1), p2 = In(iP2);
    const Extended x = Available(p1, p2) && p1 > 0 ? (p1 - p2) / p1 : NoValue;
    const int regime = GetRegime();
    return Efficiency(Edition2000(), regime, GetAeta(), Fl2(),
                      regime == 1 ? GetMaVC() : NoValue, GetMj(), x, In(iKappa1));
  });
}

Extended tISA89::GetWa() {
  return Cached(rWa, [&]() -> Extended {
    const Extended eta = GetEtaL(), Wm = GetWm();
    if (!Available(eta, Wm)) return NoValue;
    if (!Edition2000()) return eta * Wm;
    const Extended rw = In(iRw), fl2 = Fl2();
    if (!Available(rw, fl2) || rw <= 0) return NoValue;
    switch (GetRegime()) {
      case 1: return eta * rw * Wm * fl2;
      case 2: {
        const Extended p1 = In(iP1), p2 = In(iP2), pvcc = GetPvcc();
        return eta * rw * Wm * (p1 - p2) / (p1 - pvcc);
      }
      default: return eta * rw * Wm;
    }
  });
}

Extended tISA89::GetFp() {
  return Cached(rFp, [&] {
    return PeakFrequency(GetRegime(), GetStp(), GetUVC(), GetMj(), GetCvc(), GetDJet());
  });
}

Extended tISA89::GetFr() {
  return Cached(rFr, [&] { return tIEC2003::RingFrequency(In(iCPipe), In(iDiP)); });
}

Extended tISA89::GetTL() {
  return Cached(rTL, [&] {
    return TransmissionLoss(Edition2000(), GetFp(), GetFr(), In(iCPipe), In(iTP), GetRho2v(),
                            GetCF2());
  });
}

// Mach number of the outlet pipe and its correction of the internal level,
// Lg = 16 lg(1/(1 - M2)); undefined from Mach 1 on.
Extended tISA89::GetMa2() {
  return Cached(rMa2, [&]() -> Extended {
    const Extended u = GetUDiP2(), c = GetCF2();
    return Available(u, c) && c > 0 ? u / c : NoValue;
  });
}

Extended tISA89::GetLg() {
  return Cached(rLg, [&]() -> Extended {
    const Extended m = GetMa2();
    if (!HasValue(m) || m < 0 || m >= 1) return NoValue;
    return 16 * std::log10(1 / (1 - m));
  });
}

Extended tISA89::GetLpi() {
  return Cached(rLpi, [&]() -> Extended {
    const Extended L = tIEC2003::InternalLevel(GetWa(), GetRho2v(), GetCF2(), In(iDiP));
    return AddCorrections(L, {GetLg()});
  });
}

Extended tISA89::GetLwi() {
  return Cached(rLwi, [&] { return Dezibel(1000 * GetWa() / 1E-12L); });
}

Extended tISA89::GetLpAa0m() {
  return Cached(rLpAa0m, [&]() -> Extended {
    const Extended Lpi = GetLpi(), TL = GetTL();
    if (!Available(Lpi, TL)) return NoValue;
    return AddCorrections(Lpi + TL, {GetDLaMa(), GetDLaRed(), GetDLaRes(), In(iDLaCo),
                                     GetDLaLN(), GetDLaPulp()});
  });
}

Extended tISA89::Level1m(Extended atWall) {
  const Extended d = tIEC2003::DistanceTerm(In(iTP), In(iDiP));
  return Available(atWall, d) ? atWall + 5 + d : NoValue;
}

Extended tISA89::GetLpAe() {
  return Cached(rLpAe, [&] { return Level1m(GetLpAa0m()); });
}

// Vena contracta temperature of the isentropic expansion of an ideal gas to
// pvc (regime I) or to the critical pressure, degC.
Extended tISA89::GetTvc() {
  return Cached(rTvc, [&]() -> Extended {
    const int regime = GetRegime();
    const Extended t1 = In(iT1), p1 = In(iP1), k = Kappa();
    const Extended p = regime == 1 ? GetPvc() : GetPvcc();
    if (regime == 0 || !Available(t1, p1, k, p) || p <= 0) return NoValue;
    return (t1 + ZeroCelsius) * std::pow(p / p1, (k - 1) / k) - ZeroCelsius;
  });
}

Extended tISA89::GetUP() {
  return Cached(rUP, [&] { return GetUDiP2(); });
}

Extended tISA89::GetUR() {
  return Cached(rUR, [&] { return GetU2v(); });
}

bool tISA89::GetHighVelocity() {
  return Cached(rHighVelocity, [&]() -> Extended {
    const Extended m = GetMaDN();
    return HasValue(m) && m > 0.3L ? 1 : 0;
  }) > 0;
}

Extended tISA89::GetWmR() {
  return Cached(rWmR, [&]() -> Extended {
    const Extended u = GetUR(), Qm = In(iQm), d = In(iDNV), D = In(iDiP);
    if (!Available(u, Qm, d, D) || D <= 0) return NoValue;
    const Extended r = 1 - (d * d) / (D * D);
    return Qm / 3600 * u * u / 2 * (r * r + 0.2L) / 1000;
  });
}

Extended tISA89::GetEtaR() {
  return Cached(rEtaR, [&]() -> Extended {
    const Extended m = GetMaDN(), a = GetAeta();
    if (!Available(m, a)) return NoValue;
    return std::pow(10.0L, a) * m * m * m;
  });
}

Extended tISA89::GetWaR() {
  return Cached(rWaR, [&]() -> Extended {
    const Extended e = GetEtaR(), W = GetWmR();
    return Available(e, W) ? e * W : NoValue;
  });
}

Extended tISA89::GetFpR() {
  return Cached(rFpR, [&]() -> Extended {
    const Extended u = GetUR(), s = GetStp(), d = In(iDNV);
    if (!Available(u, s, d) || d <= 0) return NoValue;
    return s * u / (d * 0.001L);
  });
}

Extended tISA89::GetLpiR() {
  return Cached(rLpiR, [&] {
    return AddCorrections(tIEC2003::InternalLevel(GetWaR(), GetRho2v(), GetCF2(), In(iDiP)),
                          {GetLg()});
  });
}

Extended tISA89::GetTLR() {
  return Cached(rTLR, [&] {
    return TransmissionLoss(Edition2000(), GetFpR(), GetFr(), In(iCPipe), In(iTP), GetRho2v(),
                            GetCF2());
  });
}

Extended tISA89::GetLpeR() {
  return Cached(rLpeR, [&]() -> Extended {
    const Extended L = GetLpiR(), TL = GetTLR();
    if (!Available(L, TL)) return NoValue;
    return Level1m(AddCorrections(L + TL, {GetDLaRes(), In(iDLaCo), GetDLaLN()}));
  });
}

Extended tISA89::GetLa1() {
  return Cached(rLa1, [&] { return GetLpi(); });
}

Extended tISA89::GetLa2() {
  return Cached(rLa2, [&] { return GetTL(); });
}

Extended tISA89::GetLpAa() {
  return Cached(rLpAa, [&]() -> Extended {
    const Extended L = GetLpAe();
    if (!HasValue(L)) return NoValue;
    const Extended R = GetLpeR();
    return GetHighVelocity() && HasValue(R) ? std::max(L, R) : L;
  });
}

// Octave spectra: the internal level distributed with the octave-band
// shape -3.1 - 10 lg(0.25 (f/fp)^3 + (f/fp)^-1) around the peak frequency,
// the transmission loss at each band, the A-weighting of the band and the
// distance term.
void tISA89::Spectra() {
  if (!Cache.GetShouldBecalculated(rSpectra)) return;
  FLpi.Clear();
  FTL.Clear();
  FLwAa.Clear();
  FLpAa.Clear();
  const Extended Lpi = GetLpi(), fp = GetFp(), fr = GetFr(), rho2 = GetRho2v(), c2 = GetCF2();
  const Extended dist = tIEC2003::DistanceTerm(In(iTP), In(iDiP));
  const Extended pw = tIEC2003::PowerTerm(In(iDiP));
  for (int i = 0; i < tSpectrum::Count; ++i) {
    const Extended f = tSpectrum::Frequencies[static_cast<size_t>(i)];
    Extended L = NoValue;
    if (Available(Lpi, fp) && fp > 0) {
      const Extended r = f / fp;
      L = Lpi - 3.1L - 10 * std::log10(0.25L * r * r * r + 1 / r);
    }
    FLpi.SetValues(i, L);
    const Extended TL = TransmissionLoss(Edition2000(), f, fr, In(iCPipe), In(iTP), rho2, c2);
    FTL.SetValues(i, TL);
    if (Available(L, TL, dist)) {
      const Extended La = AddCorrections(
          L + TL + tSpectrum::AWeighting[static_cast<size_t>(i)] + dist,
          {GetDLaMa(), GetDLaRed(), GetDLaRes(), In(iDLaCo), GetDLaLN(), GetDLaPulp()});
      FLpAa.SetValues(i, La);
      if (Available(La, pw)) FLwAa.SetValues(i, La + pw);
    }
  }
  Cache.SetValid(rSpectra);
}

}  // namespace torvacalc
