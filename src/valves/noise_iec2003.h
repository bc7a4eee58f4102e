// Hydrodynamic (liquid) valve noise after IEC 60534-8-4 (the equations of
// the 2005 edition, voted 2003): turbulent and cavitating acoustical
// efficiency, internal sound pressure level, peak frequencies, pipe
// transmission loss around the ring frequency, the external A-weighted
// level 1 m from the pipe wall, the sound power level and octave spectra.
//
// Units as in tVDMA79 (bar, kg/h, kg/m3, m3/h, mm, m/s, kW, dB, Hz).
// Deliberate choices:
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
#pragma once

#include "valves/noise_base.h"

namespace torvacalc {

class tIEC2003 : public tVDMA79 {
 public:
  enum IECSlot {
    rXFz = FirstDerivedResult, rDJet, rDpc, rP1pv, rUVC, rWm, rEtaTurb, rEtaCav, rEtaL, rWa,
    rLpi, rFpTurb, rFpCav, rFp, rFr, rTLfr, rTLfp, rTLfpTurb, rTLSingle, rLwAa, rSpectra,
  };

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
  Extended GetLa1() override;
  Extended GetLa2() override;
  Extended GetLpAa() override;
  const tSpectrum& GetLpiSpectrum() { Spectra(); return FLpi; }
  const tSpectrum& GetRrSpectrum() { Spectra(); return FRr; }
  const tSpectrum& GetLpAaSpectrum() { Spectra(); return FLpAa; }
  const tSpectrum& GetLwaaSpectrum() { Spectra(); return FLwAa; }

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

 private:
  Extended D0();
  void Spectra();
  tSpectrum FLpi, FRr, FLpAa, FLwAa;
};

}  // namespace torvacalc
