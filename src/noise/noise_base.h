// Valve noise prediction: the octave spectrum, the shared routines and the
// computational base class of every noise method, tVDMA79, which is at the
// same time the method of VDMA 24422 (1979).
//
// Units of every value handed in or read out: pressures in bar (absolute),
// Qm in kg/h, densities in kg/m3, Kv and Kvs in m3/h, diameters and wall
// thicknesses in mm, temperatures in degC, velocities and speeds of sound in
// m/s, powers in kW, levels and corrections in dB, frequencies in Hz,
// the pulp consistency xPulp in percent.
//
// The class keeps its results lazily in a TCalcSet: every input lives in a
// numbered input slot, every result in a numbered result slot, and a rule
// makes each result depend on every input slot (a noise level depends on
// nearly every input, and finer rules would buy little: a whole
// prediction with its spectrum costs about ten microseconds). Setting an input to a different
// value invalidates the results; a getter computes its slot once and serves
// it from the cache until then. Undefined results are NoValue; no routine
// throws and none returns NaN or infinity.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "framework/basics.h"
#include "framework/calc_set.h"
#include "valves/valve_types.h"

namespace torvacalc {

// The aerodynamic method's editions and the user's own coefficients.
enum teNoiseStandard { nsIEC2000, nsIEC2010, nsUserDefined };

// Five octave bands with the centre frequencies 500 ... 8000 Hz.
class tSpectrum {
 public:
  static constexpr int Count = 5;
  static constexpr std::array<Extended, Count> Frequencies = {500, 1000, 2000, 4000, 8000};
  // The A-weighting of the band centre frequencies (IEC 61672-1, Table 2).
  static constexpr std::array<Extended, Count> AWeighting = {-3.2L, 0, 1.2L, 1.0L, -1.1L};

  tSpectrum() { Clear(); }
  void Clear() { FValues.fill(NoValue); }
  Extended GetValues(int band) const;
  void SetValues(int band, Extended value);
  // The energetic sum 10 lg sum 10^(L/10) of the defined bands; NoValue
  // when no band is defined.
  Extended GetSum() const;
  bool operator==(const tSpectrum& o) const { return FValues == o.FValues; }

 private:
  std::array<Extended, Count> FValues;
};

// Nine octave bands with the centre frequencies 63 Hz ... 16 kHz: the
// A-weighted external level 1 m from the pipe wall of every method whose
// overall level is the sum of a spectrum; the bands of a point add up to
// its level (only the third-octave bands below 50 Hz, A-weighted by -30 dB
// and more, lie outside them).
struct tOctaves {
  static constexpr int Count = 9;
  static constexpr std::array<Extended, Count> Frequencies = {63,   125,  250,  500,  1000,
                                                              2000, 4000, 8000, 16000};
  // Names of the band items: LpAe63 ... LpAe16k.
  static constexpr std::array<const char*, Count> Names = {"63", "125", "250", "500", "1k",
                                                           "2k", "4k",  "8k",  "16k"};
  tOctaves() { Values.fill(NoValue); }
  std::array<Extended, Count> Values;
  Extended GetSum() const;
};

// ----- shared routines -----
// Mean velocity in m/s of Qm (kg/h) of density rho (kg/m3) in a bore of
// diameter d (mm): Qm / 3600 / rho / (pi d^2 / 4 10^-6).
Extended FlowVelocityNoise(Extended Qm, Extended rho, Extended d);
// Ideal-gas scaling of a density from the state (pa, ta) to (px, tx); the
// temperatures may be missing, then only the pressures scale.
Extended ApproxDensityOfGas(Extended rhoA, Extended pa, Extended ta, Extended px, Extended tx);
// 10 lg v for v > 0, else NoValue.
Extended Dezibel(Extended v);
// The energetic sum of the available levels; NoValue when none is.
Extended SumNoise(const std::vector<Extended>& levels);
// NoValue for NaN, infinities and values beyond the range of a result.
Extended Finite(Extended v);

class tVDMA79 {
 public:
  // Input slots (1..79) and result slots (80..255); derived classes use
  // the input slots from 50 and the result slots from 140.
  enum Slot {
    iX = 1, iQm, iKv, iKvs, iP1, iP2, iT1, iT2, iDiP, iDiP1, iRho1, iRho2Input, iRhoNInput,
    iPv1, iXPulp, iKappa1, iDLaCo, iLaRes, iZy, iFl2, iDNV, iDNV1, iSugMa, iCf1, iCF2,
    iPhase, iPipeClass, iDNUnit, iNoiseStandard, iSubstanceType, iLowNoiseDesign, iLowNoise,
    iResistorType, iUseResistors, iUseMaCorrection, iLowNoiseSeries,
    // Inputs of the derived methods.
    iFd = 50, iRw, iPcrit, iD0, iRhoP, iCPipe, iTP, iRe, iXCr, iKvKvs, iF1, iF2, iG1, iG2, iS1,
    iStp, iAeta, iValveStyle, iDLGas0 = 70, iDLLiq0 = 74, iLiquidEdition = 78, LastInput = 79,
    rX = 80, rRho2v, rRho2r, rRhoN, rU, rU2v, rU2r, rUDiP1, rUDiP2, rMaDN, rDLaMa, rDLaPulp,
    rDLaRed, rDLaLN, rDLaRes, rPVer, rLa1, rLa2, rLa2Raw, rLpAa, rLaTot, rCF2, rCf1,
    rDNSug10, rDNSug07, rDNSug03, rDNSugX, rDNSug100,
    FirstDerivedResult = 140,
  };

  tVDMA79();
  virtual ~tVDMA79() = default;
  tVDMA79(const tVDMA79&) = delete;
  tVDMA79& operator=(const tVDMA79&) = delete;

  bool Active = true;
  // Fired after every accepted input change.
  std::function<void()> OnResultsChange;

  // ----- inputs -----
  void SetX(Extended v) { SetIn(iX, v); }
  void SetQm(Extended v) { SetIn(iQm, v); }
  void SetKv(Extended v) { SetIn(iKv, v); }
  void SetKvs(Extended v) { SetIn(iKvs, v); }
  void SetP1(Extended v) { SetIn(iP1, v); }
  void SetP2(Extended v) { SetIn(iP2, v); }
  void SetT1(Extended v) { SetIn(iT1, v); }
  void SetT2(Extended v) { SetIn(iT2, v); }
  void SetDiP(Extended v) { SetIn(iDiP, v); }
  void SetDiP1(Extended v) { SetIn(iDiP1, v); }
  void SetRho1(Extended v) { SetIn(iRho1, v); }
  void SetRho2Input(Extended v) { SetIn(iRho2Input, v); }
  void SetRhoNInput(Extended v) { SetIn(iRhoNInput, v); }
  void SetPv1(Extended v) { SetIn(iPv1, v); }
  void SetXPulp(Extended v) { SetIn(iXPulp, v); }
  void SetKappa1(Extended v) { SetIn(iKappa1, v); }
  void SetDLaCo(Extended v) { SetIn(iDLaCo, v); }
  void SetLaRes(Extended v) { SetIn(iLaRes, v); }
  void SetZy(Extended v) { SetIn(iZy, v); }
  void SetFl2(Extended v) { SetIn(iFl2, v); }
  void SetDNV(Extended v) { SetIn(iDNV, v); }
  void SetDNV1(Extended v) { SetIn(iDNV1, v); }
  void SetSugMa(Extended v) { SetIn(iSugMa, v); }
  void SetCf1(Extended v) { SetIn(iCf1, v); }
  void SetCF2(Extended v) { SetIn(iCF2, v); }
  void SetPhase(TEPhase v) { SetIn(iPhase, v); }
  void SetPipeClass(int v) { SetIn(iPipeClass, v); }
  void SetDNUnit(int v) { SetIn(iDNUnit, v); }
  void SetNoiseStandard(teNoiseStandard v) { SetIn(iNoiseStandard, v); }
  void SetSubstanceType(teSubstanceType v) { SetIn(iSubstanceType, v); }
  void SetLowNoiseDesign(teLowNoiseDesign v) { SetIn(iLowNoiseDesign, v); }
  void SetLOwNoise(int v) { SetIn(iLowNoise, v); }
  void SetResistorType(teResistorType v) { SetIn(iResistorType, v); }
  void SetUseResistors(bool v) { SetIn(iUseResistors, v ? 1 : 0); }
  void SetUseMaCorrection(bool v) { SetIn(iUseMaCorrection, v ? 1 : 0); }
  // The sound data of a low-noise series: the correction in dB as a
  // polynomial c0 + c1 r + ... + c6 r^6 of the opening r = Kv/Kvs (0..1),
  // valid from rMin to rMax. An empty coefficient list removes the data.
  void SetLowNoiseSeries(const std::vector<Extended>& coefficients, Extended rMin, Extended rMax);

  Extended In(int slot) const { return FIn[static_cast<size_t>(slot)]; }
  TEPhase GetPhase() const;
  bool IsLiquid() const { return GetPhase() == phLiquid; }
  teNoiseStandard GetNoiseStandard() const;

  // ----- results -----
  Extended GetX();
  Extended GetRho2v();
  Extended GetRho2r();
  Extended GetRhoN();
  Extended GetU();
  Extended GetU2v();
  Extended GetU2r();
  Extended GetUDiP1();
  Extended GetUDiP2();
  Extended GetMaDN();
  Extended GetCf1();
  Extended GetCF2();
  Extended GetDLaMa();
  Extended GetDLaPulp();
  Extended GetDLaRed();
  Extended GetDLaLN();
  Extended GetDLaRes();
  Extended GetPVer();
  Extended GetDNSug10() { return Sug(rDNSug10, 1.0L); }
  Extended GetDNSug07() { return Sug(rDNSug07, 0.7L); }
  Extended GetDNSug03() { return Sug(rDNSug03, 0.3L); }
  Extended GetDNSugX() { return Sug(rDNSugX, In(iSugMa)); }
  Extended GetDNSug100();
  // The two level terms of the method, the A-weighted level and the total
  // level with a downstream resistor.
  virtual Extended GetLa1();
  virtual Extended GetLa2();
  virtual Extended GetLpAa();
  Extended GetLaTot();
  // The A-weighted external level by octave band and the peak frequency of
  // the methods that define a spectrum; empty and NoValue otherwise.
  virtual const tOctaves& GetLpAeOctaves() { return FNoOctaves; }
  virtual Extended GetPeakFrequency() { return NoValue; }

  void Reset() { Cache.ResetAll(); }
  const TCalcSet& GetCache() const { return Cache; }

  // ----- class routines -----
  // Mach number correction of the VDMA sheets, dB.
  static Extended CalculateDLaMa(Extended Ma);
  // Pulp correction from the consistency cp in percent, dB.
  static Extended CalculateDLaPulp(Extended cp);
  // Attenuation of the valve noise by a downstream restriction, dB.
  static Extended CalculateDLaRes(teResistorType type, bool useResistors);
  // Power dissipated in the valve, kW.
  static Extended CalculatePowerLoss(Extended Qm, Extended rho1, Extended p1, Extended p2,
                                     Extended kappa, Extended fl2, bool liquid);
  // VDMA 24422 (1979) La1 and La2; both NoValue on failure.
  static void CalculateLa1La2(Extended x, Extended z, Extended p1, Extended p2, Extended t1,
                              Extended pv1, Extended Kv, Extended rho1, Extended rhoN,
                              bool liquid, Extended& La1, Extended& La2);
  // The smallest nominal size of the standard series (EN 1092-1, DN 15 to
  // DN 1000) whose outlet velocity of Qm at rho does not exceed u; NoValue
  // when even the largest is too small.
  static Extended DNforU(Extended Qm, Extended rho, Extended u);
  static const std::vector<Extended>& NominalSizes();

 protected:
  void SetIn(int slot, Extended v);
  // The cached value of a result slot, computed by f when invalid.
  template <class F>
  Extended Cached(int slot, F&& f) {
    if (!Cache.GetShouldBecalculated(slot)) return FRes[static_cast<size_t>(slot)];
    Extended v = NoValue;
    try {
      v = Finite(f());
    } catch (...) {
      v = NoValue;
    }
    FRes[static_cast<size_t>(slot)] = v;
    Cache.SetValid(slot);
    return v;
  }
  // The sum of LpAa-like levels: base plus each available correction.
  static Extended AddCorrections(Extended level, std::initializer_list<Extended> corrections);
  // La2 before the removal of values of magnitude below 0.05 dB.
  virtual Extended GetLa2Raw();
  Extended Sug(int slot, Extended factor);
  TCalcSet Cache;

 private:
  std::array<Extended, TCalcSet::SlotCount> FIn;
  std::array<Extended, TCalcSet::SlotCount> FRes;
  tOctaves FNoOctaves;
  std::vector<Extended> FSeries;
  Extended FSeriesMin = NoValue, FSeriesMax = NoValue;
  bool FInEvent = false;
};

}  // namespace torvacalc
