// Valve noise after VDMA 24422 (1989): acoustical efficiency from the valve
// coefficients f1, f2 (liquid) and g1, g2 (gas), the internal sound power
// level, the cavitation term, the pipe transmission loss by octave band and
// the external A-weighted level as the energetic sum of its bands.
//
// Units as in tVDMA79. Choices of this implementation (the sheet leaves
// the spectral shape to the manufacturer's band data):
//  - The internal power spectrum is the level Lwi plus the band corrections
//    dLGas/dLLiq of the four bands 500 ... 4000 Hz (the short spectrum of
//    the sheet). Without band data a liquid's power is spread as IEC
//    60534-8-4:2015 spreads it: the turbulent spectrum around its peak
//    frequency (which needs Fd and xFz) and, above incipient cavitation,
//    the cavitation spectrum around its own, weighted by the power of La1
//    and the rise La2; a band takes the share of its three third-octave
//    bands, the power outside 355 Hz ... 2.8 kHz lies outside the short
//    spectrum. A gas's bands, and a liquid's without Fd, share the power
//    equally (-6.02 dB each, so the four bands sum to Lwi). The 8000 Hz
//    band carries no data and stays empty.
//  - cfc, the speed of sound of the flow in the outlet pipe that sets its
//    wave impedance rho2 cfc: cF2 for gases, cF1 for a liquid without
//    cavitation; cavitation bubbles lower it linearly to one half of cF1
//    when the pressure ratio reaches FL2, and from there (choked,
//    flashing) cF2 is used when given, else 0.5 cF1.
//  - Internal sound pressure by band: Lpi(f) = Lwi(f) + 10 lg(rho2 cfc/A
//    W0/p0^2), A the bore of the outlet pipe (the plane-wave relation that
//    IEC 60534-8-3 and -8-4 write as 3.2E9 Wa rho c/Di^2).
//  - Transmission loss by band, the loss from the internal to the external
//    sound pressure at the wall: gases the IEC 60534-8-3 (2000) form with
//    cfc and the outlet density, liquids the IEC 60534-8-4 (2015) form
//    around the ring frequency.
//  - External level 1 m from the wall: LpAa(f) = Lpi(f) + Rr(f) + A(f) -
//    10 lg((Do + 2 m)/Do), Do the outer diameter, LpAa the sum of the
//    bands; LwAa(f) = LpAa(f) + 10 lg(3 pi (Di + 2 m)), the power radiated
//    by 3 m of pipe, as the IEC methods give it.
#pragma once

#include "noise/noise_base.h"

namespace torvacalc {

class tVDMA89 : public tVDMA79 {
 public:
  enum VDMA89Slot {
    rMaVC = FirstDerivedResult, rEta, rWmIEC, rWm, rLwi, rDLaCF, rFr, rCfc, rF1, rF2, rG1, rG2,
    rSpectra, rLpi,
  };
  static constexpr int ShortBands = 4;

  void SetXCr(Extended v) { SetIn(iXCr, v); }
  void SetFd(Extended v) { SetIn(iFd, v); }
  void SetCPipe(Extended v) { SetIn(iCPipe, v); }
  void SetRhoP(Extended v) { SetIn(iRhoP, v); }
  void SetTp(Extended v) { SetIn(iTP, v); }
  void SetKvKvs(Extended v) { SetIn(iKvKvs, v); }
  void SetF1(Extended v) { SetIn(iF1, v); }
  void SetF2(Extended v) { SetIn(iF2, v); }
  void SetG1(Extended v) { SetIn(iG1, v); }
  void SetG2(Extended v) { SetIn(iG2, v); }
  // Band corrections of the bands 500, 1000, 2000, 4000 Hz.
  void SetDLGas(int band, Extended v) { if (band >= 0 && band < ShortBands) SetIn(iDLGas0 + band, v); }
  void SetDLLiq(int band, Extended v) { if (band >= 0 && band < ShortBands) SetIn(iDLLiq0 + band, v); }

  Extended GetMaVC();
  Extended GetEta();
  Extended GetWmIEC();
  Extended GetWm();
  Extended GetLwi();
  Extended GetDLaCF();
  Extended GetFr();
  Extended GetCfc();
  // The internal sound pressure level that Lwi sets up in the outlet pipe.
  Extended GetLpi();
  Extended GetLa1() override;
  Extended GetLpAa() override;
  const tSpectrum& GetLwiSpectrum() { Spectra(); return FLwi; }
  const tSpectrum& GetRrSpectrum() { Spectra(); return FRr; }
  const tSpectrum& GetLwAaSpectrum() { Spectra(); return FLwAa; }
  const tSpectrum& GetLpAaSpectrum() { Spectra(); return FLpAa; }
  // The octaves 500 Hz ... 8 kHz are the bands of the sheet's spectrum,
  // whose sum is the level; the others stay empty.
  const tOctaves& GetLpAeOctaves() override {
    Spectra();
    FOct = tOctaves();
    for (int b = 0; b < tSpectrum::Count; ++b)
      FOct.Values[static_cast<size_t>(b + 3)] = FLpAa.GetValues(b);
    return FOct;
  }

  static Extended CalculateMaVC(Extended x, Extended xCr, Extended kappa);
  static Extended CalculateWmIEC(Extended Qm, Extended p1, Extended p2, Extended pv1,
                                 Extended fl2, Extended rho1);
  static Extended CalculateLwiOfGas(Extended eta, Extended kappa, Extended p1, Extended Qm,
                                    Extended MaVC, Extended rho1);
  // La1 and La2 of a liquid; La2 only above incipient cavitation.
  static void CalculateLa1La2(Extended eta, Extended WmIEC, Extended z, Extended x, Extended& La1,
                              Extended& La2);
  static Extended PowerToPressure(Extended rho, Extended c, Extended DiP);
  static Extended CalculateCfc(Extended x, Extended cF1, Extended cF2, Extended z, Extended fl2,
                               bool liquid);
  // The shares of the four bands in a liquid's internal power when the
  // valve has no band data (power ratios; NoValue where they cannot be
  // told).
  std::array<Extended, ShortBands> LiquidBandShares();

 protected:
  Extended GetLa2Raw() override;

 private:
  void Spectra();
  tSpectrum FLwi, FRr, FLwAa, FLpAa;
  tOctaves FOct;
};

}  // namespace torvacalc
