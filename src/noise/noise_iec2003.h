// Hydrodynamic (liquid) valve noise after IEC 60534-8-4 in two editions,
// chosen by SetEdition:
//
// leIEC2005 (the class's default): the equations of the 2005 edition
// (voted 2003): turbulent and cavitating acoustical efficiency with the
// acoustical power ratio rw, internal sound pressure level, peak
// frequencies, pipe transmission loss around the ring frequency falling off
// as -20 lg((fr/f)^1.5 + f/fr), the external level 1 m from the pipe wall
// evaluated at the turbulent peak frequency with a cavitation correction of
// the transmission loss, the sound power level and octave spectra.
// Deliberate choices of this edition:
//  - The Strouhal number of the turbulent peak frequency takes Kv itself
//    (no constant N34) and the product DNV d0 in place of d^2; with d0
//    missing the smaller of DNV and DNV1 stands for it.
//  - La1 is the level of the turbulent share of the sound power, La2 the
//    rise that cavitation adds (Lpi - La1), so La1 + La2 = Lpi.
//  - The single-value level uses the transmission loss at the turbulent
//    peak frequency with the standard's cavitation correction; the spectra
//    are computed band by band and their energetic sum is reported beside
//    it (it is not the same number: the standard defines the single value
//    at the peak).
//
// leIEC2015: the third edition (2015). What changes:
//  - xF and the effective differential pressure use p1 - pv (no FF);
//    dpc = min(p1 - p2, FL^2 (p1 - pv)).
//  - eta,turb = 10^AetaL Uvc/cL with the valve-specific exponent AetaL
//    (-4.6 when none is given); no acoustical power ratio rw.
//  - eta,cav carries (xF/xFz)^5 (the 2005 equations used xFz/xF).
//  - The turbulent peak frequency uses the Strouhal number
//    0.036 FL^2 (C/N34) Fd^0.75 / (xFz^1.5 d^2) (1/(p1 - pv))^0.57 with d
//    the valve outlet size DNV and p1 - pv in Pa, and the jet diameter
//    N14 Fd sqrt(C FL). The standard's worked examples are computed in Cv
//    with N14 = 4.6E-3 and N34 = 1.17: Kv is converted (Cv = 1.156 Kv) and
//    that pair is used, so the same valve has the examples' peak frequency
//    (constants rounded 1 % differently would move fp by 2 % and the level
//    by about 0.2 dB).
//  - Without a given xFz the standard's estimate
//    0.9 / sqrt(1 + 3 Fd sqrt(C/(N34 FL))), corrected to p1, is used.
//  - The transmission loss falls off as -20 lg(fr/f + (f/fr)^1.5).
//  - The external level is the energetic sum over the 33 third-octave
//    bands 12.5 Hz ... 20 kHz of Lpi + dLF(f) + TL(f) + distance term + the
//    A-weighting (IEC 61672-1), where dLF is the frequency distribution
//    -8 - 10 lg(0.25 (f/fp,turb)^3 + (f/fp,turb)^-1) of turbulence and
//    -9 - 10 lg(0.25 (f/fp,cav)^1.5 + (f/fp,cav)^-1.5) of cavitation, mixed
//    by the shares of the efficiency. There is no separate cavitation
//    correction of the transmission loss. The octave bands 500 ... 8000 Hz
//    are the energetic sums of their three third-octave bands (the
//    transmission loss is given at the octave centre), so their sum misses
//    the bands below 355 Hz and above 11.2 kHz; the third-octave spectrum
//    sums exactly to LpAa.
//
// Units as in tVDMA79 (bar, kg/h, kg/m3, m3/h, mm, m/s, kW, dB, Hz).
#pragma once

#include <array>

#include "noise/noise_base.h"

namespace torvacalc {

// The editions of IEC 60534-8-4 that tIEC2003 follows.
enum teLiquidNoiseEdition { leIEC2005, leIEC2015 };

// The 33 third-octave bands of IEC 60534-8-4:2015, 12.5 Hz ... 20 kHz.
struct tThirdOctaves {
  static constexpr int Count = 33;
  // Nominal centre frequencies (IEC 61260-1), Hz.
  static constexpr std::array<Extended, Count> Frequencies = {
      12.5L, 16,   20,   25,   31.5L, 40,   50,   63,   80,    100,   125,
      160,   200,  250,  315,  400,   500,  630,  800,  1000,  1250,  1600,
      2000,  2500, 3150, 4000, 5000,  6300, 8000, 10000, 12500, 16000, 20000};
  // A-weighting at the nominal frequencies (IEC 61672-1, Table 3), dB.
  static constexpr std::array<Extended, Count> AWeighting = {
      -63.4L, -56.7L, -50.5L, -44.7L, -39.4L, -34.6L, -30.2L, -26.2L, -22.5L, -19.1L, -16.1L,
      -13.4L, -10.9L, -8.6L,  -6.6L,  -4.8L,  -3.2L,  -1.9L,  -0.8L,  0,      0.6L,   1.0L,
      1.2L,   1.3L,   1.2L,   1.0L,   0.5L,   -0.1L,  -1.1L,  -2.5L,  -4.3L,  -6.6L,  -9.3L};
  // The third-octave band of the octave band's centre (500 Hz: 16); the
  // octave holds this band and its two neighbours.
  static constexpr int OctaveCentre(int octave) { return 16 + 3 * octave; }
  tThirdOctaves() { Values.fill(NoValue); }
  std::array<Extended, Count> Values;
  // The energetic sum of the defined bands; NoValue when none is.
  Extended GetSum() const;
};

class tIEC2003 : public tVDMA79 {
 public:
  enum IECSlot {
    rXFz = FirstDerivedResult, rDJet, rDpc, rP1pv, rUVC, rWm, rEtaTurb, rEtaCav, rEtaL, rWa,
    rLpi, rFpTurb, rFpCav, rFp, rFr, rTLfr, rTLfp, rTLfpTurb, rTLSingle, rLwAa, rSpectra,
    rAetaL,
  };

  // The edition; a value outside the list counts as the 2005 edition.
  void SetEdition(teLiquidNoiseEdition v) { SetIn(iLiquidEdition, v); }
  teLiquidNoiseEdition GetEdition() const;
  // The exponent AetaL of the turbulent efficiency (2015 edition); NoValue
  // gives the standard's -4.6.
  void SetAetaL(Extended v) { SetIn(iAeta, v); }

  void SetFd(Extended v) { SetIn(iFd, v); }
  void SetRw(Extended v) { SetIn(iRw, v); }
  void SetPcrit(Extended v) { SetIn(iPcrit, v); }
  void SetD0(Extended v) { SetIn(iD0, v); }
  void SetRhoP(Extended v) { SetIn(iRhoP, v); }
  void SetCPipe(Extended v) { SetIn(iCPipe, v); }
  void SetTP(Extended v) { SetIn(iTP, v); }
  void SetRe(Extended v) { SetIn(iRe, v); }

  Extended GetXFz();
  Extended GetDJet();
  Extended GetDpc();
  Extended GetP1pv();
  Extended GetUVC();
  Extended GetWm();
  Extended GetEtaTurb();
  Extended GetEtaCav();
  Extended GetEtal();
  Extended GetWa();
  Extended GetLpi();
  Extended GetFpTurb();
  Extended GetFpCav();
  Extended GetFp();
  Extended GetFr();
  Extended GetTLfr();
  Extended GetTLfp();
  Extended GetLwAa();
  // The exponent in use: the given one or -4.6 (2015 edition only).
  Extended GetAetaL();
  Extended GetLa1() override;
  Extended GetLa2() override;
  Extended GetLpAa() override;
  const tSpectrum& GetLpiSpectrum() { Spectra(); return FLpi; }
  const tSpectrum& GetRrSpectrum() { Spectra(); return FRr; }
  const tSpectrum& GetLpAaSpectrum() { Spectra(); return FLpAa; }
  const tSpectrum& GetLwaaSpectrum() { Spectra(); return FLwAa; }
  // The 2015 edition's third-octave spectra: the internal level and the
  // A-weighted external level 1 m from the pipe with the corrections (its
  // sum is LpAa). Undefined bands with the 2005 edition.
  const tThirdOctaves& GetLpiThirdOctaves() { Spectra(); return FLpi3; }
  const tThirdOctaves& GetLpAeThirdOctaves() { Spectra(); return FLpAe3; }
  // 2015 edition: the octaves 63 Hz ... 16 kHz of the third-octave sum
  // (the 2005 equations give the level at the peak frequency, no sum).
  const tOctaves& GetLpAeOctaves() override;
  Extended GetPeakFrequency() override { return GetFp(); }

  // ----- class routines (IEC 60534-8-4) -----
  // p1 - FF pv1 and the effective differential pressure dpc.
  static void Calculatepc(Extended p1, Extended pv1, Extended pcrit, Extended x, Extended fl2,
                          Extended& p1pv, Extended& dpc);
  static Extended JetDiameter(Extended Fd, Extended Kv, Extended fl2);
  static Extended VenaContractaVelocity(Extended dpc, Extended rho1, Extended fl2);
  static Extended StreamPower(Extended Qm, Extended uVC, Extended fl2);
  static Extended EtaTurb(Extended uVC, Extended cL);
  static Extended EtaCav(Extended etaTurb, Extended xFz, Extended x, Extended p1, Extended p2,
                         Extended dpc);
  static Extended InternalLevel(Extended Wa, Extended rho, Extended c, Extended DiP);
  static Extended PeakFrequencyTurb(Extended uVC, Extended dJet, Extended fl2, Extended Fd,
                                    Extended Kv, Extended xFz, Extended DNV, Extended d0,
                                    Extended p1pv);
  static Extended PeakFrequencyCav(Extended fpTurb, Extended x, Extended xFz);
  static Extended RingFrequency(Extended cPipe, Extended DiP);
  static Extended TLAtRing(Extended cPipe, Extended rhoP, Extended tP, Extended DiP);
  static Extended DeltaTL(Extended f, Extended fr);
  // The term from the pipe wall to 1 m off it, dB (negative).
  static Extended DistanceTerm(Extended tP, Extended DiP);
  // From the sound pressure level at 1 m to the sound power level radiated
  // by 3 m of pipe.
  static Extended PowerTerm(Extended DiP);

  // ----- class routines of the 2015 edition -----
  // p1 - pv and dpc = min(x, FL^2) (p1 - pv).
  static void Calculatepc2015(Extended p1, Extended pv1, Extended x, Extended fl2,
                              Extended& p1pv, Extended& dpc);
  // Dj = N14 Fd sqrt(Cv FL) with N14 = 4.6E-3 for Cv, m.
  static Extended JetDiameter2015(Extended Fd, Extended Kv, Extended fl2);
  static Extended EtaTurb2015(Extended uVC, Extended cL, Extended AetaL);
  static Extended EtaCav2015(Extended etaTurb, Extended xFz, Extended x, Extended p1,
                             Extended p2, Extended dpc);
  // xFz of a valve without the manufacturer's value, at 6 bar.
  static Extended EstimatedXFz(Extended Fd, Extended Kv, Extended fl2);
  static Extended PeakFrequencyTurb2015(Extended uVC, Extended Fd, Extended Kv, Extended fl2,
                                        Extended xFz, Extended DNV, Extended p1pv);
  // The frequency dependence of the transmission loss, dB, and as the
  // ratio of the powers.
  static Extended DeltaTL2015(Extended f, Extended fr);
  static Extended TransmissionFactor2015(Extended f, Extended fr);
  // The internal level's frequency distribution dLF(f), dB, and as the
  // ratio of the powers; without cavitation (etaCav NoValue) the turbulent
  // term alone.
  static Extended FrequencyDistribution2015(Extended f, Extended fpTurb, Extended fpCav,
                                            Extended etaTurb, Extended etaCav);
  static Extended DistributionFactor2015(Extended f, Extended fpTurb, Extended fpCav,
                                         Extended etaTurb, Extended etaCav);

 private:
  Extended D0();
  bool Is2015() const { return GetEdition() == leIEC2015; }
  void Spectra();
  void Spectra2015();
  tSpectrum FLpi, FRr, FLpAa, FLwAa;
  tThirdOctaves FLpi3, FLpAe3;
  tOctaves FOct;
  Extended F2015LpAa = NoValue;
};

}  // namespace torvacalc
