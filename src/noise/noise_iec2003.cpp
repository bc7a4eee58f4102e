#include "noise/noise_iec2003.h"

#include <algorithm>
#include <cmath>

#include "framework/units.h"
#include "valves/control_valve.h"

namespace torvacalc {

namespace {
constexpr Extended kPi = 3.14159265358979323846L;
// Characteristic impedance of air at the reference state, rho c = 1.293 kg/m3
// times 343 m/s (IEC 60534-8-4, the radiation side of the pipe wall).
constexpr Extended kAirImpedance = 443.499L;
// IEC 60534-8-4:2015, numerical constants for Cv: the jet diameter N14 and
// the Strouhal number and xFz estimate N34.
constexpr Extended kN14Cv = 4.6E-3L;
constexpr Extended kN34Cv = 1.17L;
// The 2015 edition's default exponent of the turbulent efficiency.
constexpr Extended kAetaL = -4.6L;
}  // namespace

Extended tThirdOctaves::GetSum() const {
  return SumNoise(std::vector<Extended>(Values.begin(), Values.end()));
}

teLiquidNoiseEdition tIEC2003::GetEdition() const {
  return In(iLiquidEdition) == static_cast<Extended>(leIEC2015) ? leIEC2015 : leIEC2005;
}

// IEC 60534-8-4, eqs. for FF and the effective differential pressure: the
// critical pressure ratio factor FF = 0.96 - 0.28 sqrt(pv/pc); without a
// critical pressure the factor 0.88 of water-like liquids, valid while the
// vapour pressure stays below a third of the inlet pressure.
void tIEC2003::Calculatepc(Extended p1, Extended pv1, Extended pcrit, Extended x, Extended fl2,
                           Extended& p1pv, Extended& dpc) {
  p1pv = NoValue;
  dpc = NoValue;
  if (!Available(p1, pv1) || pv1 < 0 || p1 <= 0) return;
  if (HasValue(pcrit) && pcrit > 0) {
    p1pv = p1 - (0.96L - 0.28L * std::sqrt(pv1 / pcrit)) * pv1;
  } else if (pv1 < p1 / 3) {
    p1pv = p1 - 0.88L * pv1;
  }
  if (!HasValue(p1pv) || p1pv <= 0) {
    p1pv = NoValue;
    return;
  }
  if (Available(x, fl2) && x >= 0 && fl2 > 0) dpc = std::min(x * p1pv, fl2 * p1pv);
}

// Jet diameter Dj = N14 Fd sqrt(C FL), N14 = 4.9E-3 for Kv (m).
Extended tIEC2003::JetDiameter(Extended Fd, Extended Kv, Extended fl2) {
  if (!Available(Fd, Kv, fl2) || Fd <= 0 || Kv <= 0 || fl2 <= 0) return NoValue;
  return 0.0049L * Fd * std::sqrt(Kv * std::sqrt(fl2));
}

// Uvc = (1/FL) sqrt(2 dpc / rho).
Extended tIEC2003::VenaContractaVelocity(Extended dpc, Extended rho1, Extended fl2) {
  if (!Available(dpc, rho1, fl2) || dpc < 0 || rho1 <= 0 || fl2 <= 0) return NoValue;
  return std::sqrt(2 * dpc * 1E5L / (rho1 * fl2));
}

// Wm = m Uvc^2 FL^2 / 2, kW.
Extended tIEC2003::StreamPower(Extended Qm, Extended uVC, Extended fl2) {
  if (!Available(Qm, uVC, fl2) || Qm < 0) return NoValue;
  return Qm / 3600 * uVC * uVC * fl2 / 2 * 0.001L;
}

Extended tIEC2003::EtaTurb(Extended uVC, Extended cL) {
  if (!Available(uVC, cL) || cL <= 0) return NoValue;
  return 1E-4L * uVC / cL;
}

// The cavitating efficiency, only above incipient cavitation (xFz <= xF).
Extended tIEC2003::EtaCav(Extended etaTurb, Extended xFz, Extended x, Extended p1, Extended p2,
                          Extended dpc) {
  if (!Available(etaTurb, xFz, x, p1, p2, dpc)) return NoValue;
  if (!(xFz <= x) || xFz <= 0 || x >= 1 || dpc <= 0 || p2 > p1) return NoValue;
  return 0.32L * etaTurb * std::sqrt((p1 - p2) / (dpc * xFz)) * std::exp(5 * xFz) *
         std::sqrt((1 - xFz) / (1 - x)) * std::pow(xFz / x, 5.0L) * std::pow(x - xFz, 1.5L);
}

// Lpi = 10 lg(3.2E9 Wa rho c / Di^2) with Wa in W and Di in m.
Extended tIEC2003::InternalLevel(Extended Wa, Extended rho, Extended c, Extended DiP) {
  if (!Available(Wa, rho, c, DiP) || DiP <= 0 || rho <= 0 || c <= 0) return NoValue;
  const Extended d = DiP * 0.001L;
  return Dezibel(3.2E9L * 1000 * Wa * rho * c / (d * d));
}

Extended tIEC2003::PeakFrequencyTurb(Extended uVC, Extended dJet, Extended fl2, Extended Fd,
                                     Extended Kv, Extended xFz, Extended DNV, Extended d0,
                                     Extended p1pv) {
  if (!Available(uVC, dJet, fl2, Fd, Kv, xFz, DNV, d0, p1pv)) return NoValue;
  if (dJet <= 0 || xFz <= 0 || DNV <= 0 || d0 <= 0 || p1pv <= 0 || Fd <= 0) return NoValue;
  const Extended strp = 0.036L * fl2 * Kv * std::pow(Fd, 0.75L) /
                        (std::pow(xFz, 1.5L) * (DNV * 0.001L) * (d0 * 0.001L)) *
                        std::pow(1E-5L / p1pv, 0.57L);
  return strp * uVC / dJet;
}

Extended tIEC2003::PeakFrequencyCav(Extended fpTurb, Extended x, Extended xFz) {
  if (!Available(fpTurb, x, xFz) || !(xFz <= x) || x <= 0 || x >= 1 || xFz >= 1)
    return NoValue;
  const Extended a = (1 - x) / (1 - xFz);
  return 6 * fpTurb * a * a * std::pow(xFz / x, 2.5L);
}

Extended tIEC2003::RingFrequency(Extended cPipe, Extended DiP) {
  if (!Available(cPipe, DiP) || cPipe <= 0 || DiP <= 0) return NoValue;
  return cPipe / (kPi * DiP * 0.001L);
}

Extended tIEC2003::TLAtRing(Extended cPipe, Extended rhoP, Extended tP, Extended DiP) {
  if (!Available(cPipe, rhoP, tP, DiP) || cPipe <= 0 || rhoP <= 0 || tP <= 0 || DiP <= 0)
    return NoValue;
  return -10 - 10 * std::log10(cPipe * rhoP * tP / (kAirImpedance * DiP));
}

Extended tIEC2003::DeltaTL(Extended f, Extended fr) {
  if (!Available(f, fr) || f <= 0 || fr <= 0) return NoValue;
  return -20 * std::log10(std::pow(fr / f, 1.5L) + f / fr);
}

Extended tIEC2003::DistanceTerm(Extended tP, Extended DiP) {
  if (!Available(tP, DiP) || tP < 0 || DiP <= 0) return NoValue;
  const Extended outer = 2 * tP + DiP;
  return -10 * std::log10((outer + 2000) / outer);
}

Extended tIEC2003::PowerTerm(Extended DiP) {
  if (!HasValue(DiP) || DiP <= 0) return NoValue;
  return 10 * std::log10(3 * kPi * (DiP / 1000 + 2));
}

// ----- the 2015 edition -----

// IEC 60534-8-4:2015: xF = dp/(p1 - pv) and dpc = min(dp, FL^2 (p1 - pv));
// with xF given, dp = xF (p1 - pv).
void tIEC2003::Calculatepc2015(Extended p1, Extended pv1, Extended x, Extended fl2,
                               Extended& p1pv, Extended& dpc) {
  p1pv = NoValue;
  dpc = NoValue;
  if (!Available(p1, pv1) || pv1 < 0 || p1 <= 0 || pv1 >= p1) return;
  p1pv = p1 - pv1;
  if (Available(x, fl2) && x >= 0 && fl2 > 0) dpc = std::min(x, fl2) * p1pv;
}

Extended tIEC2003::JetDiameter2015(Extended Fd, Extended Kv, Extended fl2) {
  if (!Available(Fd, Kv, fl2) || Fd <= 0 || Kv <= 0 || fl2 <= 0) return NoValue;
  return kN14Cv * Fd * std::sqrt(kCvPerKv * Kv * std::sqrt(fl2));
}

// eta,turb = 10^AetaL Uvc/cL; AetaL is a property of the valve style
// (-4.6 for the usual globe valve when no value is known).
Extended tIEC2003::EtaTurb2015(Extended uVC, Extended cL, Extended AetaL) {
  if (!Available(uVC, cL) || cL <= 0) return NoValue;
  const Extended a = HasValue(AetaL) ? AetaL : kAetaL;
  return std::pow(10.0L, a) * uVC / cL;
}

// eta,cav = 0.32 eta,turb sqrt((p1 - p2)/(dpc xFz)) e^(5 xFz)
// sqrt((1 - xFz)/(1 - xF)) (xF/xFz)^5 (xF - xFz)^1.5 above incipient
// cavitation (xFz <= xF < 1).
Extended tIEC2003::EtaCav2015(Extended etaTurb, Extended xFz, Extended x, Extended p1,
                              Extended p2, Extended dpc) {
  if (!Available(etaTurb, xFz, x, p1, p2, dpc)) return NoValue;
  if (!(xFz <= x) || xFz <= 0 || x >= 1 || dpc <= 0 || p2 > p1) return NoValue;
  return 0.32L * etaTurb * std::sqrt((p1 - p2) / (dpc * xFz)) * std::exp(5 * xFz) *
         std::sqrt((1 - xFz) / (1 - x)) * std::pow(x / xFz, 5.0L) * std::pow(x - xFz, 1.5L);
}

// xFz = 0.90 / sqrt(1 + 3 Fd sqrt(C/(N34 FL))), the estimate for valves
// without a measured value (at 6 bar inlet pressure).
Extended tIEC2003::EstimatedXFz(Extended Fd, Extended Kv, Extended fl2) {
  if (!Available(Fd, Kv, fl2) || Fd <= 0 || Kv <= 0 || fl2 <= 0) return NoValue;
  return 0.9L / std::sqrt(1 + 3 * Fd * std::sqrt(kCvPerKv * Kv / (kN34Cv * std::sqrt(fl2))));
}

// fp,turb = Strp Uvc / Dj with Strp = 0.036 FL^2 (C/N34) Fd^0.75 /
// (xFz^1.5 d^2) (1/(p1 - pv))^0.57, d in m and p1 - pv in Pa.
Extended tIEC2003::PeakFrequencyTurb2015(Extended uVC, Extended Fd, Extended Kv, Extended fl2,
                                         Extended xFz, Extended DNV, Extended p1pv) {
  if (!Available(uVC, Fd, Kv, fl2, xFz, DNV, p1pv)) return NoValue;
  if (Fd <= 0 || Kv <= 0 || fl2 <= 0 || xFz <= 0 || DNV <= 0 || p1pv <= 0) return NoValue;
  const Extended d = DNV * 0.001L;
  const Extended strp = 0.036L * fl2 * (kCvPerKv * Kv / kN34Cv) * std::pow(Fd, 0.75L) /
                        (std::pow(xFz, 1.5L) * d * d) * std::pow(1 / (p1pv * 1E5L), 0.57L);
  return strp * uVC / JetDiameter2015(Fd, Kv, fl2);
}

// Below the ring frequency the pipe wall's transmission loss falls with the
// frequency, above it the loss rises again: -20 lg(fr/f + (f/fr)^1.5). As
// a power ratio: 1/(fr/f + (f/fr)^1.5)^2.
Extended tIEC2003::TransmissionFactor2015(Extended f, Extended fr) {
  if (!Available(f, fr) || f <= 0 || fr <= 0) return NoValue;
  const Extended r = f / fr, s = 1 / r + r * std::sqrt(r);
  return 1 / (s * s);
}

Extended tIEC2003::DeltaTL2015(Extended f, Extended fr) {
  return Dezibel(TransmissionFactor2015(f, fr));
}

// The third-octave distributions of the internal level: turbulence
// -8 - 10 lg(0.25 (f/fp,turb)^3 + (f/fp,turb)^-1), cavitation
// -9 - 10 lg(0.25 (f/fp,cav)^1.5 + (f/fp,cav)^-1.5), mixed energetically by
// the shares eta,turb/eta and eta,cav/eta. As a power ratio.
Extended tIEC2003::DistributionFactor2015(Extended f, Extended fpTurb, Extended fpCav,
                                          Extended etaTurb, Extended etaCav) {
  static const Extended kTurb = std::pow(10.0L, -0.8L), kCav = std::pow(10.0L, -0.9L);
  if (!Available(f, fpTurb) || f <= 0 || fpTurb <= 0) return NoValue;
  const Extended rt = f / fpTurb;
  const Extended turb = kTurb / (0.25L * rt * rt * rt + 1 / rt);
  if (!Available(fpCav, etaTurb, etaCav) || fpCav <= 0 || etaCav <= 0 || etaTurb <= 0)
    return turb;
  const Extended rc = f / fpCav, rc15 = rc * std::sqrt(rc);
  const Extended cav = kCav / (0.25L * rc15 + 1 / rc15);
  const Extended eta = etaTurb + etaCav;
  return etaTurb / eta * turb + etaCav / eta * cav;
}

Extended tIEC2003::FrequencyDistribution2015(Extended f, Extended fpTurb, Extended fpCav,
                                             Extended etaTurb, Extended etaCav) {
  return Dezibel(DistributionFactor2015(f, fpTurb, fpCav, etaTurb, etaCav));
}

// ----- lazy results -----

// The valve's xFz at the inlet pressure, as the sizing core delivers it.
Extended tIEC2003::GetXFz() {
  return Cached(rXFz, [&]() -> Extended {
    const Extended z = In(iZy);
    if (HasValue(z)) return z > 0 && z < 1 ? z : NoValue;
    // The 2015 edition estimates xFz from the valve's coefficients.
    if (!Is2015()) return NoValue;
    const Extended est = tControlValve::xFzAtP1(EstimatedXFz(In(iFd), In(iKv), In(iFl2)), In(iP1));
    return HasValue(est) && est > 0 && est < 1 ? est : NoValue;
  });
}

Extended tIEC2003::GetDJet() {
  return Cached(rDJet, [&] {
    return Is2015() ? JetDiameter2015(In(iFd), In(iKv), In(iFl2))
                    : JetDiameter(In(iFd), In(iKv), In(iFl2));
  });
}

Extended tIEC2003::GetP1pv() {
  return Cached(rP1pv, [&] {
    Extended p1pv, dpc;
    if (Is2015())
      Calculatepc2015(In(iP1), In(iPv1), GetX(), In(iFl2), p1pv, dpc);
    else
      Calculatepc(In(iP1), In(iPv1), In(iPcrit), GetX(), In(iFl2), p1pv, dpc);
    return p1pv;
  });
}

Extended tIEC2003::GetDpc() {
  return Cached(rDpc, [&] {
    Extended p1pv, dpc;
    if (Is2015())
      Calculatepc2015(In(iP1), In(iPv1), GetX(), In(iFl2), p1pv, dpc);
    else
      Calculatepc(In(iP1), In(iPv1), In(iPcrit), GetX(), In(iFl2), p1pv, dpc);
    return dpc;
  });
}

Extended tIEC2003::GetUVC() {
  return Cached(rUVC, [&] { return VenaContractaVelocity(GetDpc(), In(iRho1), In(iFl2)); });
}

Extended tIEC2003::GetWm() {
  return Cached(rWm, [&] { return StreamPower(In(iQm), GetUVC(), In(iFl2)); });
}

Extended tIEC2003::GetEtaTurb() {
  return Cached(rEtaTurb, [&] {
    return Is2015() ? EtaTurb2015(GetUVC(), GetCf1(), GetAetaL()) : EtaTurb(GetUVC(), GetCf1());
  });
}

Extended tIEC2003::GetAetaL() {
  return Cached(rAetaL, [&]() -> Extended {
    if (!Is2015()) return NoValue;
    return HasValue(In(iAeta)) ? In(iAeta) : kAetaL;
  });
}

Extended tIEC2003::GetEtaCav() {
  return Cached(rEtaCav, [&] {
    return Is2015() ? EtaCav2015(GetEtaTurb(), GetXFz(), GetX(), In(iP1), In(iP2), GetDpc())
                    : EtaCav(GetEtaTurb(), GetXFz(), GetX(), In(iP1), In(iP2), GetDpc());
  });
}

Extended tIEC2003::GetEtal() {
  return Cached(rEtaL, [&]() -> Extended {
    const Extended t = GetEtaTurb(), c = GetEtaCav();
    return HasValue(c) ? t + c : t;
  });
}

Extended tIEC2003::GetWa() {
  return Cached(rWa, [&]() -> Extended {
    const Extended eta = GetEtal(), Wm = GetWm(), rw = In(iRw);
    // The 2015 edition's efficiency already is that of the sound power in
    // the pipe: no acoustical power ratio.
    if (Is2015()) return Available(eta, Wm) ? eta * Wm : NoValue;
    if (!Available(eta, Wm, rw) || rw <= 0) return NoValue;
    return eta * Wm * rw;
  });
}

Extended tIEC2003::GetLpi() {
  return Cached(rLpi, [&] { return InternalLevel(GetWa(), In(iRho1), GetCf1(), In(iDiP)); });
}

Extended tIEC2003::GetLa1() {
  return Cached(rLa1, [&]() -> Extended {
    const Extended Wa = GetWa(), t = GetEtaTurb(), eta = GetEtal();
    if (!Available(Wa, t, eta) || eta <= 0) return NoValue;
    return InternalLevel(Wa * t / eta, In(iRho1), GetCf1(), In(iDiP));
  });
}

Extended tIEC2003::GetLa2() {
  return Cached(rLa2, [&]() -> Extended {
    const Extended Lpi = GetLpi(), La1 = GetLa1();
    if (!Available(Lpi, La1) || !HasValue(GetEtaCav())) return NoValue;
    return Lpi - La1;
  });
}

Extended tIEC2003::D0() {
  if (HasValue(In(iD0))) return In(iD0);
  const Extended a = In(iDNV), b = In(iDNV1);
  if (Available(a, b)) return std::min(a, b);
  return HasValue(a) ? a : b;
}

Extended tIEC2003::GetFpTurb() {
  return Cached(rFpTurb, [&] {
    if (Is2015())
      return PeakFrequencyTurb2015(GetUVC(), In(iFd), In(iKv), In(iFl2), GetXFz(), In(iDNV),
                                   GetP1pv());
    return PeakFrequencyTurb(GetUVC(), GetDJet(), In(iFl2), In(iFd), In(iKv), GetXFz(),
                             In(iDNV), D0(), GetP1pv());
  });
}

Extended tIEC2003::GetFpCav() {
  return Cached(rFpCav, [&] { return PeakFrequencyCav(GetFpTurb(), GetX(), GetXFz()); });
}

Extended tIEC2003::GetFp() {
  return Cached(rFp, [&] {
    const Extended c = GetFpCav();
    return HasValue(c) ? c : GetFpTurb();
  });
}

Extended tIEC2003::GetFr() {
  return Cached(rFr, [&] { return RingFrequency(In(iCPipe), In(iDiP)); });
}

Extended tIEC2003::GetTLfr() {
  return Cached(rTLfr, [&] { return TLAtRing(In(iCPipe), In(iRhoP), In(iTP), In(iDiP)); });
}

Extended tIEC2003::GetTLfp() {
  return Cached(rTLfp, [&]() -> Extended {
    const Extended tl = GetTLfr();
    const Extended d = Is2015() ? DeltaTL2015(GetFp(), GetFr()) : DeltaTL(GetFp(), GetFr());
    return Available(tl, d) ? tl + d : NoValue;
  });
}

Extended tIEC2003::GetLpAa() {
  return Cached(rLpAa, [&]() -> Extended {
    // The 2015 edition: the energetic sum of the A-weighted third-octave
    // bands, corrections included.
    if (Is2015()) {
      Spectra();
      return F2015LpAa;
    }
    const Extended tlr = GetTLfr(), dTurb = DeltaTL(GetFpTurb(), GetFr());
    const Extended Lpi = GetLpi(), dist = DistanceTerm(In(iTP), In(iDiP));
    if (!Available(tlr, dTurb, Lpi, dist)) return NoValue;
    Extended TL = tlr + dTurb;
    // Cavitation moves sound power to higher frequencies, which the pipe
    // wall passes more easily: TL + 10 lg(a b) with a = 250 fp,cav^1.5 /
    // fp,turb^2 and b the cavitating share of the efficiency, applied when
    // that share dominates (b > 1/a) or cavitation is well developed
    // (xF more than 0.1 above xFz).
    const Extended x = GetX(), xFz = GetXFz(), fc = GetFpCav(), ft = GetFpTurb();
    const Extended ec = GetEtaCav(), el = GetEtal();
    if (Available(x, xFz, fc, ft, ec, el) && xFz <= x && el > 0 && ft > 0) {
      const Extended a = 250 * std::pow(fc, 1.5L) / (ft * ft), b = ec / el;
      if ((a > 0 && b > 1 / a) || x > xFz + 0.1L) {
        if (a * b > 0) TL += 10 * std::log10(a * b);
      }
    }
    return AddCorrections(Lpi + TL + dist,
                          {In(iDLaCo), GetDLaLN(), GetDLaRes(), GetDLaPulp()});
  });
}

Extended tIEC2003::GetLwAa() {
  return Cached(rLwAa, [&]() -> Extended {
    const Extended L = GetLpAa(), p = PowerTerm(In(iDiP));
    return Available(L, p) ? L + p : NoValue;
  });
}

// IEC 60534-8-4 spectra by octave band: the turbulent shape
// -3.1 - 10 lg(0.25 (f/fp,turb)^3 + (f/fp,turb)^-1), the cavitating shape
// -3.5 - 10 lg(0.25 (f/fp,cav)^1.5 + (f/fp,cav)^-1.5), mixed by the shares
// of the efficiency; the transmission loss TL(fr) + dTL(f); the external
// level with the distance term and the corrections.
void tIEC2003::Spectra() {
  if (!Cache.GetShouldBecalculated(rSpectra)) return;
  FLpi.Clear();
  FRr.Clear();
  FLpAa.Clear();
  FLwAa.Clear();
  FLpi3 = tThirdOctaves();
  FLpAe3 = tThirdOctaves();
  if (Is2015()) {
    Spectra2015();
    Cache.SetValid(rSpectra);
    return;
  }
  const Extended Lpi = GetLpi(), ft = GetFpTurb(), fc = GetFpCav(), fr = GetFr();
  const Extended et = GetEtaTurb(), ec = GetEtaCav(), el = GetEtal(), tlr = GetTLfr();
  const Extended dist = DistanceTerm(In(iTP), In(iDiP)), pw = PowerTerm(In(iDiP));
  for (int i = 0; i < tSpectrum::Count; ++i) {
    const Extended f = tSpectrum::Frequencies[static_cast<size_t>(i)];
    Extended L = NoValue;
    if (Available(Lpi, ft) && ft > 0) {
      const Extended rt = f / ft;
      const Extended dLt = -3.1L - 10 * std::log10(0.25L * rt * rt * rt + 1 / rt);
      if (Available(fc, ec, et, el) && fc > 0 && el > 0) {
        const Extended rc = f / fc;
        const Extended dLc = -3.5L - 10 * std::log10(0.25L * std::pow(rc, 1.5L) +
                                                     std::pow(rc, -1.5L));
        L = Lpi + 10 * std::log10(et / el * std::pow(10.0L, dLt / 10) +
                                  ec / el * std::pow(10.0L, dLc / 10));
      } else {
        L = Lpi + dLt;
      }
    }
    FLpi.SetValues(i, L);
    const Extended d = DeltaTL(f, fr);
    const Extended Rr = Available(tlr, d) ? tlr + d : NoValue;
    FRr.SetValues(i, Rr);
    if (Available(L, Rr, dist)) {
      const Extended La = AddCorrections(L + Rr + dist,
                                         {In(iDLaCo), GetDLaLN(), GetDLaRes(), GetDLaPulp()});
      FLpAa.SetValues(i, La);
      if (Available(La, pw)) FLwAa.SetValues(i, La + pw);
    }
  }
  Cache.SetValid(rSpectra);
}

// IEC 60534-8-4:2015 by third-octave band: the internal level Lpi + dLF(f),
// the transmission loss TL(fr) + dTL(f), the distance term to 1 m from the
// pipe wall and the A-weighting; the corrections of the base shift every
// band alike. An octave band is the energetic sum of its three third-octave
// bands; its transmission loss is the value at the centre frequency.
void tIEC2003::Spectra2015() {
  F2015LpAa = NoValue;
  const Extended Lpi = GetLpi(), ft = GetFpTurb(), fc = GetFpCav(), fr = GetFr();
  const Extended et = GetEtaTurb(), ec = GetEtaCav(), tlr = GetTLfr();
  const Extended dist = DistanceTerm(In(iTP), In(iDiP)), pw = PowerTerm(In(iDiP));
  // The band levels are reckoned as power ratios to two reference levels:
  // Lpi inside, and outside Lpi + TL(fr) + distance term + corrections.
  static const std::array<Extended, tThirdOctaves::Count> kA = [] {
    std::array<Extended, tThirdOctaves::Count> a{};
    for (size_t i = 0; i < a.size(); ++i)
      a[i] = std::pow(10.0L, tThirdOctaves::AWeighting[i] / 10);
    return a;
  }();
  if (!HasValue(Lpi)) return;
  const Extended Lout = Available(tlr, dist)
                            ? AddCorrections(Lpi + tlr + dist, {In(iDLaCo), GetDLaLN(),
                                                                GetDLaRes(), GetDLaPulp()})
                            : NoValue;
  std::array<Extended, tThirdOctaves::Count> in{}, out{};
  Extended sum = 0;
  bool any = false;
  for (size_t i = 0; i < in.size(); ++i) {
    const Extended f = tThirdOctaves::Frequencies[i];
    in[i] = DistributionFactor2015(f, ft, fc, et, ec);
    out[i] = NoValue;
    if (!HasValue(in[i]) || !(in[i] > 0)) continue;
    FLpi3.Values[i] = Finite(Lpi + 10 * std::log10(in[i]));
    const Extended t = TransmissionFactor2015(f, fr);
    if (!Available(Lout, t) || !(t > 0)) continue;
    out[i] = in[i] * t * kA[i];
    FLpAe3.Values[i] = Finite(Lout + 10 * std::log10(out[i]));
    sum += out[i];
    any = true;
  }
  if (any) F2015LpAa = Finite(Lout + 10 * std::log10(sum));
  // An octave band: the three third-octave bands around its centre.
  auto octave = [](const std::array<Extended, tThirdOctaves::Count>& v, size_t c) {
    return Available(v[c - 1], v[c], v[c + 1]) ? Dezibel(v[c - 1] + v[c] + v[c + 1]) : NoValue;
  };
  for (int o = 0; o < tSpectrum::Count; ++o) {
    const size_t c = static_cast<size_t>(tThirdOctaves::OctaveCentre(o));
    const Extended Li = octave(in, c), Lo = octave(out, c);
    if (HasValue(Li)) FLpi.SetValues(o, Lpi + Li);
    const Extended d = DeltaTL2015(tSpectrum::Frequencies[static_cast<size_t>(o)], fr);
    FRr.SetValues(o, Available(tlr, d) ? tlr + d : NoValue);
    if (HasValue(Lo)) {
      const Extended La = Lout + Lo;
      FLpAa.SetValues(o, La);
      if (Available(La, pw)) FLwAa.SetValues(o, La + pw);
    }
  }
}

const tOctaves& tIEC2003::GetLpAeOctaves() {
  Spectra();
  FOct = tOctaves();
  if (!Is2015()) return FOct;
  // The third-octave bands 7 + 3k (63 Hz ... 16 kHz) and their neighbours.
  for (size_t o = 0; o < FOct.Values.size(); ++o) {
    const size_t c = 7 + 3 * o;
    FOct.Values[o] = SumNoise({FLpAe3.Values[c - 1], FLpAe3.Values[c], FLpAe3.Values[c + 1]});
  }
  return FOct;
}

}  // namespace torvacalc
