#include "noise/noise_isa89.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "valves/flow_equations.h"
#include "noise/noise_iec2003.h"

namespace torvacalc {

namespace {
constexpr Extended kPi = 3.14159265358979323846L;
constexpr Extended kAirSound = 343;  // speed of sound in air at the reference state, m/s
// IEC 60534-8-3:2010, Clause 7: the contraction at the valve outlet of a
// straight-pattern globe valve, and the expander's own row of Table 4.
constexpr Extended kBeta = 0.93L;
constexpr Extended kAetaExpander = -3.0L;
constexpr Extended kStpExpander = 0.2L;
// The outlet Mach number above which the valve outlet jet is a source of
// its own (NOTE 1 to eq. 15), and the pipe Mach number at which eq. 16
// stops rising (NOTE 2 to eq. 16).
constexpr Extended kMachOutlet = 0.3L;
constexpr Extended kMachPipe2010 = 0.3L;
}  // namespace

// IEC 60534-8-3:2010, Table 4 (typical values; a manufacturer's own pair
// goes into Aeta and Stp). One row per style of the valve database; the
// styles without a row of their own (others, diaphragm, pinch) take the
// globe valve's.
tISA89::tAcousticStyle tISA89::StyleDefaults(int valveStyle) {
  switch (valveStyle) {
    case 1: return {-3.6L, 0.3L, "Table 4, eccentric rotary plug"};
    case 2: return {-4.2L, 0.3L, "Table 4, butterfly valves"};
    case 3: return {-3.6L, 0.3L, "Table 4, segmented ball 90 degrees"};
    default: return {-4.2L, 0.19L, "Table 4, globe valve, parabolic plug"};
  }
}

// Eq. 20b: the damping that the transmission loss of small valves loses,
// by the valve outlet diameter in m.
Extended tISA89::SmallValveDamping(Extended d) {
  if (!HasValue(d) || d <= 0) return NoValue;
  const Extended D = d * 0.001L;
  if (D > 0.15L) return 0;
  if (D < 0.05L) return 9;
  return ((-16660 * D + 6370) * D - 813) * D + 35.8L;
}

namespace {

// The frequency factors Gx and Gy of the transmission loss: below the
// first coincidence frequency fo = fr/4 (c2/343) the wall follows the
// fourth power of the frequency, above it Gx rises to 1 at the ring
// frequency fr and Gy to 1 at the second coincidence frequency
// fg = sqrt3 343^2/(pi ts cs) (Table 6, the same in both editions).
void FrequencyFactors(Extended f, Extended fr, Extended cPipe, Extended tP, Extended c2, Extended& Gx,
                      Extended& Gy) {
  const Extended ts = tP * 0.001L;
  const Extended fo = fr / 4 * (c2 / kAirSound);
  const Extended fg = std::sqrt(3.0L) * kAirSound * kAirSound / (kPi * ts * cPipe);
  if (f < fo) {
    Gx = std::pow(fo / fr, 2.0L / 3) * std::pow(f / fo, 4.0L);
    Gy = fo < fg ? fo / fg : 1;
  } else {
    Gx = f < fr ? std::sqrt(f / fr) : 1;
    Gy = f < fg ? f / fg : 1;
  }
}

}  // namespace

// Eq. 20a with the structural loss factor etas = sqrt(0.01 Hz / f) of the
// pipe wall (eq. 20c) and the frequency factors of Table 6; the ambient
// pressure is taken as the standard atmosphere (pa/ps = 1).
Extended tISA89::TransmissionLoss2010(Extended f, Extended fr, Extended cPipe, Extended rhoP,
                                      Extended tP, Extended rho2, Extended c2, Extended d) {
  const Extended dTL = SmallValveDamping(d);
  if (!Available(f, fr, cPipe, rhoP, tP, rho2, c2, dTL) || f <= 0 || fr <= 0 || cPipe <= 0 ||
      rhoP <= 0 || tP <= 0 || rho2 <= 0 || c2 <= 0)
    return NoValue;
  const Extended ts = tP * 0.001L;
  Extended Gx, Gy;
  FrequencyFactors(f, fr, cPipe, tP, c2, Gx, Gy);
  const Extended etas = std::sqrt(0.01L / f);
  const Extended q = c2 / (ts * f);
  const Extended wall = (rho2 * c2 + 2 * kPi * ts * f * rhoP * etas) / (415 * Gy) + 1;
  return 10 * std::log10(8.25E-7L * q * q * Gx / wall) - dTL;
}

// Eq. 19 without Lpi: the share of the third-octave band at f of a jet
// whose spectrum peaks at fp.
Extended tISA89::BandShape2010(Extended f, Extended fp) {
  if (!Available(f, fp) || f <= 0 || fp <= 0) return NoValue;
  return -8 - 10 * std::log10((1 + std::pow(f / (2 * fp), 2.5L)) *
                              (1 + std::pow(fp / (2 * f), 1.7L)));
}

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
  Extended Gx, Gy;
  FrequencyFactors(f, fr, cPipe, tP, c2, Gx, Gy);
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
    if (Edition2000()) return 0.2L;
    if (HasValue(In(iStp))) return In(iStp);
    return StyleDefaults(HasValue(In(iValveStyle)) ? static_cast<int>(In(iValveStyle)) : 0).Stp;
  });
}

Extended tISA89::GetAeta() {
  return Cached(rAeta, [&]() -> Extended {
    if (GetNoiseStandard() == nsUserDefined) return In(iAeta);
    if (Edition2000()) return -4.6L;
    if (HasValue(In(iAeta))) return In(iAeta);
    return StyleDefaults(HasValue(In(iValveStyle)) ? static_cast<int>(In(iValveStyle)) : 0).Aeta;
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
  // The 2010 edition's examples are worked in Cv with N14 = 4.6E-3.
  return Cached(rDJet, [&] {
    return Edition2000() ? tIEC2003::JetDiameter(In(iFd), In(iKv), Fl2())
                         : tIEC2003::JetDiameter2015(In(iFd), In(iKv), Fl2());
  });
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
    if (!Edition2000())
      return TransmissionLoss2010(GetFp(), GetFr(), In(iCPipe), In(iRhoP), In(iTP), GetRho2v(),
                                  GetCF2(), In(iDNV));
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
    Extended m = GetMa2();
    if (!HasValue(m) || m < 0) return NoValue;
    if (!Edition2000()) m = std::min(m, kMachPipe2010);
    if (m >= 1) return NoValue;
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
    if (!Edition2000()) {
      // The band sum without the distance term.
      const Extended L = GetLpAe(), d = tIEC2003::DistanceTerm(In(iTP), In(iDiP));
      return Available(L, d) ? L - d : NoValue;
    }
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
  return Cached(rLpAe, [&]() -> Extended {
    if (Edition2000()) return Level1m(GetLpAa0m());
    Spectra();
    return FLpAe2010;
  });
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

// 2010: the pipe velocity held at Mach 0.8 and the velocity at the valve
// outlet vena contracta, UR = Up Di^2/(beta d^2), held at Mach 1.
Extended tISA89::GetUP() {
  return Cached(rUP, [&]() -> Extended {
    const Extended u = GetUDiP2();
    if (Edition2000()) return u;
    const Extended c = GetCF2();
    return Available(u, c) ? std::min(u, 0.8L * c) : NoValue;
  });
}

Extended tISA89::GetUR() {
  return Cached(rUR, [&]() -> Extended {
    if (Edition2000()) return GetU2v();
    const Extended u = GetUP(), c = GetCF2(), D = In(iDiP), d = In(iDNV);
    if (!Available(u, c, D, d) || d <= 0) return NoValue;
    return std::min(u * D * D / (kBeta * d * d), c);
  });
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
    if (!Edition2000()) {
      const Extended u = GetUR(), c = GetCF2();
      if (!Available(u, c) || c <= 0) return NoValue;
      const Extended m = u / c;
      return std::pow(10.0L, kAetaExpander) * m * m * m;
    }
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
    const Extended u = GetUR(), s = Edition2000() ? GetStp() : kStpExpander, d = In(iDNV);
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
    if (!Edition2000())
      return TransmissionLoss2010(GetFpR(), GetFr(), In(iCPipe), In(iRhoP), In(iTP), GetRho2v(),
                                  GetCF2(), In(iDNV));
    return TransmissionLoss(Edition2000(), GetFpR(), GetFr(), In(iCPipe), In(iTP), GetRho2v(),
                            GetCF2());
  });
}

Extended tISA89::GetLpeR() {
  return Cached(rLpeR, [&]() -> Extended {
    if (!Edition2000()) {
      Spectra();
      return FLpeR2010;
    }
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
    if (!HasValue(L) || !Edition2000()) return L;
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
  FLpi3 = tThirdOctaves();
  FLpAe3 = tThirdOctaves();
  FOct = tOctaves();
  FLpAe2010 = FLpeR2010 = NoValue;
  if (!Edition2000()) {
    Spectra2010();
    Cache.SetValid(rSpectra);
    return;
  }
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

const tOctaves& tISA89::GetLpAeOctaves() {
  Spectra();
  return FOct;
}

// IEC 60534-8-3:2010 by third-octave band (eqs. 19, 20, 24, 25, 43): the
// valve's internal spectrum around fp, with the expander's around fpR
// added where the valve outlet runs above Mach 0.3, through the wall with
// TL(f), out to 1 m and A-weighted. The corrections of plant and
// manufacturer shift every band alike. An octave band is the energetic
// sum of its three third-octave bands, the 5-band items the octaves
// 500 Hz ... 8 kHz of it; the transmission-loss items are TL at the band
// centre.
void tISA89::Spectra2010() {
  const Extended Lpi = GetLpi(), fp = GetFp(), fr = GetFr(), rho2 = GetRho2v(), c2 = GetCF2();
  const Extended dist = tIEC2003::DistanceTerm(In(iTP), In(iDiP));
  const Extended pw = tIEC2003::PowerTerm(In(iDiP));
  const bool outlet = GetHighVelocity();
  const Extended LpiR = outlet ? GetLpiR() : NoValue, fpR = outlet ? GetFpR() : NoValue;
  if (!Available(Lpi, fp, dist)) return;
  std::array<Extended, tThirdOctaves::Count> out{}, outR{};
  Extended sum = 0, sumR = 0;
  bool any = false, anyR = false;
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = outR[i] = NoValue;
    const Extended f = tThirdOctaves::Frequencies[i];
    const Extended shape = BandShape2010(f, fp);
    if (!HasValue(shape)) continue;
    Extended inside = std::pow(10.0L, (Lpi + shape) / 10);
    Extended insideR = NoValue;
    if (Available(LpiR, fpR)) {
      const Extended shapeR = BandShape2010(f, fpR);
      if (HasValue(shapeR)) {
        insideR = std::pow(10.0L, (LpiR + shapeR) / 10);
        inside += insideR;
      }
    }
    FLpi3.Values[i] = Dezibel(inside);
    const Extended TL = TransmissionLoss2010(f, fr, In(iCPipe), In(iRhoP), In(iTP), rho2, c2,
                                             In(iDNV));
    if (!HasValue(TL)) continue;
    const Extended k = std::pow(10.0L, (TL + dist + tThirdOctaves::AWeighting[i]) / 10);
    out[i] = inside * k;
    sum += out[i];
    any = true;
    if (HasValue(insideR)) {
      outR[i] = insideR * k;
      sumR += outR[i];
      anyR = true;
    }
  }
  const std::vector<Extended> corr = Corrections();
  Extended shift = 0;
  for (Extended c : corr)
    if (HasValue(c)) shift += c;
  if (!any) return;
  for (size_t i = 0; i < out.size(); ++i)
    if (HasValue(out[i])) FLpAe3.Values[i] = Finite(Dezibel(out[i]) + shift);
  FLpAe2010 = Finite(Dezibel(sum) + shift);
  if (anyR) FLpeR2010 = Finite(Dezibel(sumR) + shift);
  // Octaves 63 Hz ... 16 kHz: the third-octave bands 7 + 3k and their
  // neighbours.
  for (int o = 0; o < tOctaves::Count; ++o) {
    const size_t c = static_cast<size_t>(7 + 3 * o);
    Extended e = 0, ei = 0;
    bool ok = true;
    for (size_t j = c - 1; j <= c + 1; ++j) {
      if (!HasValue(out[j])) { ok = false; break; }
      e += out[j];
      ei += std::pow(10.0L, FLpi3.Values[j] / 10);
    }
    if (!ok) continue;
    FOct.Values[static_cast<size_t>(o)] = Finite(Dezibel(e) + shift);
    // The 5-band items: the octaves 500 Hz ... 8 kHz (o = 3 ... 7).
    const int b = o - 3;
    if (b >= 0 && b < tSpectrum::Count) {
      const Extended f = tSpectrum::Frequencies[static_cast<size_t>(b)];
      FLpi.SetValues(b, Dezibel(ei));
      FTL.SetValues(b, TransmissionLoss2010(f, fr, In(iCPipe), In(iRhoP), In(iTP), rho2, c2,
                                            In(iDNV)));
      const Extended La = FOct.Values[static_cast<size_t>(o)];
      FLpAa.SetValues(b, La);
      if (Available(La, pw)) FLwAa.SetValues(b, La + pw);
    }
  }
}

// The corrections of the 2010 edition's level: a downstream silencer or
// plate, a low-noise series' data and the user's own; the VDMA Mach and
// reducer corrections belong to the older methods.
std::vector<Extended> tISA89::Corrections() {
  return {GetDLaRes(), In(iDLaCo), GetDLaLN()};
}

}  // namespace torvacalc
