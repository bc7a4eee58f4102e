// Aerodynamic valve noise after IEC 60534-8-3, in the 2000 edition and in
// the edition of 2010 (NoiseStandard nsIEC2000, nsIEC2010; nsUserDefined
// uses the 2010 equations with the entered Aeta and Stp): the five flow
// regimes, stream power, acoustical efficiency, peak frequency, internal
// sound pressure and power levels, pipe transmission loss and the level
// 1 m from the pipe wall.
//
// Units as in tVDMA79 (bar, kg/h, kg/m3, m3/h, mm, degC, m/s, kW, dB, Hz).
// The outlet state (rho2v, cF2) comes from the base class; FL2 is the
// valve's (or with fittings (FLP/FP)^2) at the operating point.
//
// The 2000 edition gives one number: Lpi + TL(fp) at the peak frequency,
// the 5 dB A-weighting allowance and the distance term. Choices made there:
//  - Efficiency of regime IV: 1E-4 (Mj^2/2) sqrt2^(6.6 FL2), which meets
//    regime III at Mj = sqrt 2 and regime V at Mj5 (continuous level).
//  - Peak frequency: Stp Uvc/Dj (I), Stp Mj cvc/Dj (II, III), the
//    shock-cell form 1.4 Stp cvc/(Dj sqrt(Mj^2 - 1)) (IV, V with Mj5).
//  - Outlet Mach number above 0.3: the outlet jet of the valve body as a
//    second source, the louder of the two counts; the base corrections
//    (dLaMa, dLaRed, ...) are added as before.
//
// The 2010 edition works in the 33 third-octave bands 12.5 Hz ... 20 kHz:
//  - internal spectrum Lpi(f) = Lpi - 8 - 10 lg((1 + (f/2fp)^2.5)
//    (1 + (fp/2f)^1.7)) (eq. 19); Lpi with Lg = 16 lg(1/(1 - M2)), M2
//    held at 0.3 (eq. 16, NOTE 2);
//  - transmission loss by band (eq. 20a) TL(f) = 10 lg(8.25E-7 (c2/(ts
//    f))^2 Gx/((rho2 c2 + 2 pi ts f rhos etas)/(415 Gy) + 1)) - dTL with
//    the structural loss factor etas = sqrt(0.01/f) (eq. 20c), the
//    frequency factors Gx, Gy of the ring frequency fr and the coincidence
//    frequencies fo, fg (eqs. 21 to 23, Table 6), and the damping of small
//    valves dTL (eq. 20b, by the valve outlet diameter: 0 above 150 mm,
//    9 dB below 50 mm, a cubic between);
//  - LpAe,1m: the energetic sum of Lpi(f) + TL(f) - distance term + A(f)
//    with the A-weighting of Table 7 (eqs. 24, 25);
//  - valve outlet Mach number above 0.3: the expander source of Clause 7
//    (Up held at Mach 0.8, UR = Up Di^2/(beta d^2) held at Mach 1, beta
//    0.93, WmR = m UR^2/2 ((1 - d^2/Di^2)^2 + 0.2), etaR = 10^-3.0 MR^3,
//    fpR = 0.2 UR/d, the Table 4 row of the expander), added band by band
//    to the valve's internal spectrum (eq. 43);
//  - Aeta and Stp: the given values, else the Table 4 row of the valve
//    style (StyleDefaults);
//  - the base's VDMA corrections dLaMa and dLaRed are not part of this
//    edition and are not added; dLaRes, dLaLN and dLaCo (plant and
//    manufacturer data) shift every band alike.
#pragma once

#include <vector>

#include "noise/noise_iec2003.h"

namespace torvacalc {

class tISA89 : public tVDMA79 {
 public:
  enum ISASlot {
    rRegime = FirstDerivedResult, rPvc, rPvcc, rP2c, rP2b, rP2ce, rDJet, rCvc, rUVC, rMaVC,
    rMj, rWm, rEta, rWa, rFp, rFr, rTL, rLg, rMa2, rLpi, rLwi, rLpAa0m, rLpAe, rTvc, rUP, rUR,
    rWmR, rFpR, rEtaR, rWaR, rLpiR, rTLR, rLpeR, rHighVelocity, rStp, rAeta, rSpectra,
  };

  void SetFd(Extended v) { SetIn(iFd, v); }
  void SetRw(Extended v) { SetIn(iRw, v); }
  void SetRhoP(Extended v) { SetIn(iRhoP, v); }
  void SetCPipe(Extended v) { SetIn(iCPipe, v); }
  void SetTP(Extended v) { SetIn(iTP, v); }
  void SetS1(Extended v) { SetIn(iS1, v); }
  void SetStp(Extended v) { SetIn(iStp, v); }
  void SetAeta(Extended v) { SetIn(iAeta, v); }
  // The valve style (index of the ValveType switch) whose Table 4 row
  // gives Aeta and Stp of the 2010 edition when none is given.
  void SetValveStyle(int v) { SetIn(iValveStyle, v); }

  // 0 no flow, 1 to 5 the regimes I to V.
  int GetRegime();
  Extended GetPvc();
  Extended GetPvcc();
  Extended GetP2c();
  Extended GetP2b();
  Extended GetP2ce();
  Extended GetDJet();
  Extended GetCvc();
  Extended GetUVC();
  Extended GetMaVC();
  Extended GetMj();
  Extended GetWm();
  Extended GetEtaL();
  Extended GetWa();
  Extended GetFp();
  Extended GetFr();
  Extended GetTL();
  Extended GetLg();
  Extended GetMa2();
  Extended GetLpi();
  Extended GetLwi();
  Extended GetLpAa0m();
  Extended GetLpAe();
  Extended GetTvc();
  Extended GetUP();
  Extended GetUR();
  Extended GetWmR();
  Extended GetFpR();
  Extended GetEtaR();
  Extended GetWaR();
  Extended GetLpiR();
  Extended GetTLR();
  Extended GetLpeR();
  bool GetHighVelocity();
  Extended GetStp();
  Extended GetAeta();
  Extended GetLa1() override;
  Extended GetLa2() override;
  Extended GetLpAa() override;
  const tSpectrum& GetLpiSpectrum() { Spectra(); return FLpi; }
  const tSpectrum& GetTLSpectrum() { Spectra(); return FTL; }
  const tSpectrum& GetLwAaSpectrum() { Spectra(); return FLwAa; }
  const tSpectrum& GetLpAaSpectrum() { Spectra(); return FLpAa; }
  // 2010 edition: the third-octave spectra inside the pipe (valve and
  // expander together) and outside, A-weighted 1 m from the wall.
  const tThirdOctaves& GetLpiThirdOctaves() { Spectra(); return FLpi3; }
  const tThirdOctaves& GetLpAeThirdOctaves() { Spectra(); return FLpAe3; }
  const tOctaves& GetLpAeOctaves() override;
  Extended GetPeakFrequency() override { return GetFp(); }

  // ----- class routines (IEC 60534-8-3) -----
  struct Pressures {
    Extended pvc = NoValue, pvcc = NoValue, p2c = NoValue, p2b = NoValue, p2ce = NoValue;
  };
  static Pressures CharacteristicPressures(Extended p1, Extended p2, Extended fl2, Extended kappa);
  static int Regime(Extended p1, Extended p2, const Pressures& p);
  static Extended JetMach(Extended p1, Extended p2, Extended kappa, const Pressures& p, int regime,
                          bool limitToMj5);
  static Extended Efficiency(bool edition2000, int regime, Extended aeta, Extended fl2,
                             Extended MaVC, Extended Mj, Extended x, Extended kappa);
  // Transmission loss at frequency f (2000: 7.6E-7, 2010: 8.25E-7).
  static Extended TransmissionLoss(bool edition2000, Extended f, Extended fr, Extended cPipe,
                                   Extended tP, Extended rho2, Extended c2);
  static Extended PeakFrequency(int regime, Extended stp, Extended uVC, Extended Mj,
                                Extended cvc, Extended dJet);
  // ----- class routines of the 2010 edition -----
  // IEC 60534-8-3:2010 Table 4, typical Aeta and Stp of a valve style.
  struct tAcousticStyle {
    Extended Aeta, Stp;
    const char* row;
  };
  static tAcousticStyle StyleDefaults(int valveStyle);
  // Damping of small valves dTL by the valve outlet diameter d (mm), dB.
  static Extended SmallValveDamping(Extended d);
  // TL(f) of eq. 20a with etas and dTL (pa = ps).
  static Extended TransmissionLoss2010(Extended f, Extended fr, Extended cPipe, Extended rhoP,
                                       Extended tP, Extended rho2, Extended c2, Extended d);
  // Lpi(f) - Lpi of eq. 19, the share of a third-octave band.
  static Extended BandShape2010(Extended f, Extended fp);

 private:
  bool Edition2000() { return GetNoiseStandard() == nsIEC2000; }
  Extended Kappa();
  Extended Fl2();
  Extended Level1m(Extended atWall);
  void Spectra();
  void Spectra2010();
  std::vector<Extended> Corrections();
  tSpectrum FLpi, FTL, FLwAa, FLpAa;
  tThirdOctaves FLpi3, FLpAe3;
  tOctaves FOct;
  Extended FLpAe2010 = NoValue, FLpeR2010 = NoValue;
};

}  // namespace torvacalc
