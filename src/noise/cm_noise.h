// The calculation modules of valve noise: one base with the parameters
// every method needs (operating point, medium, pipe, valve size, velocity
// limits, level corrections, suggested sizes) and the logic they share
// (velocities, recommended maximum velocities, relevance of the outputs,
// the messages about velocities and levels), and one module per method:
// VDMA 24422 (1979), VDMA 24422 (1989), IEC 60534-8-4 (liquids) and
// IEC 60534-8-3 (gases and vapours). Each module owns its computational
// object, copies its parameters into it on every calculation and reads the
// results back, octave bands as items of their own (Lpi0500 ... LpAa8000).
#pragma once

#include <array>
#include <memory>
#include <string>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "noise/noise_iec2003.h"
#include "noise/noise_isa89.h"
#include "noise/noise_vdma89.h"
#include "valves/valve_styles.h"

namespace torvacalc {

// The five band items of a spectrum.
using TBandParameters = std::array<TCalcParameter*, tSpectrum::Count>;

class TCMCustomNoisePrediction : public TCalcModule {
 public:
  TCMCustomNoisePrediction(TCalcComponent* owner, std::string name,
                           std::unique_ptr<tVDMA79> method);
  ~TCMCustomNoisePrediction() override;
  const char* ClassName() const override { return "TCMCustomNoisePrediction"; }
  // Noise reads the settled flow of its point and feeds nothing back.
  int SettleStage() const override { return 1; }
  tVDMA79& Method() { return *FMethod; }
  void Reset() { FMethod->Reset(); }

  // The recommended maximum velocity for the declared phase (0 liquid ...
  // 6 undefined), the calculated phase and the flow state; NoValue for no
  // limit. The given limits are NoValue when not entered.
  static Extended GetMaxU(TEPhase phase, teCalculatedPhase calculated, TECVFlowState state,
                          Extended gasLimit, Extended gasSuggested, Extended noCav,
                          Extended cav, Extended partCav, Extended flashing);

  // The valve styles of the valve database, as the sizing module has them.
  TDataCalcListSwitch* ValveType;
  TCalcListSwitch *Phase, *CalculatedPhase, *NoiseNormLiquid, *NoiseNormGas, *SubstanceType, *GasMedium, *LowNoiseDesign, *ResistorType, *FlowState;
  TPipeClassSwitch* PipeClass;
  TDataListSwitch* LowNoise;
  TCalcSwitch *UseMaCorrection, *UseResistors, *MechDamage;
  TInputParameter *x, *qm, *kv, *kvs, *p1, *p2, *t1, *t2, *xPulp, *DiP, *DiP1, *rho2v, *rho2r,
      *rho1, *pv1, *pv2, *pl1, *rhoN, *kappa1, *dLaCo, *LaRes, *zy, *fl2, *ValveDN, *ValveDN1,
      *SugMa, *Cf2, *uMaxNoCav, *uMaxCav, *uMaxPartCav, *uMaxFlashing;
  TOutputParameter *u, *u2, *uDiP1, *uDiP2, *PVer, *La1, *la2, *MaDN, *LpAa, *LaTot, *DLaMa,
      *DLaLN, *dLaRed, *dLaRes, *dLaPulp, *DNSug10, *DNSug07, *DNSug03, *DNSugX, *DNSug100,
      *u1Max, *u2Max;
  // The A-weighted level 1 m from the pipe by octave band, 63 Hz ... 16 kHz
  // (LpAe63 ... LpAe16k), and the peak frequency fPeak, of every method
  // whose level is the sum of a spectrum (empty for the others).
  std::array<TOutputParameter*, tOctaves::Count> LpAeOctaves;
  TOutputParameter* fPeak;

 protected:
  void DoCalculate() override;
  // What the method module adds to the common steps.
  virtual bool AppliesTo(bool liquid) const { (void)liquid; return true; }
  virtual void CopyMethodInputs() {}
  virtual std::vector<TCalcItem*> RequiredInputs(bool liquid) = 0;
  virtual void MethodRelevance(bool liquid) { (void)liquid; }
  virtual void ReadMethodResults() {}
  virtual void MethodMessages(bool liquid) { (void)liquid; }
  // The level is the sum of the third-octave spectrum 12.5 Hz ... 20 kHz
  // (IEC 60534-8-3:2010, IEC 60534-8-4:2015): a peak frequency outside
  // it is extrapolated. The earlier editions evaluate the peak alone and
  // have no band range.
  virtual bool SumsThirdOctaves() const { return false; }
  // A hint where the outlet pipe is narrower than the valve (IEC methods).
  void PipeSizeHint();
  // Every output of the method module, emptied when the method does not
  // apply.
  virtual std::vector<TCalcParameter*> MethodOutputs() { return {}; }

  TBandParameters AddBands(const char* prefix, TQuantity q, const char* caption, bool output);
  // The band corrections of the VDMA 24422 spectrum, for gases and for
  // liquids, as inputs (band by band, the gas one first).
  using TBandCorrections = std::array<TInputParameter*, tVDMA89::ShortBands>;
  void AddBandCorrections(TBandCorrections& gas, TBandCorrections& liquid);
  static void PutBands(const TBandParameters& items, const tSpectrum& s);
  template <class P>
  P* Param(const char* name, TQuantity q, const char* caption) {
    auto* p = AddItem<P>(name, q);
    p->SetCaption(caption);
    return p;
  }
  static Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }
  static void Put(TCalcParameter* p, Extended v) { p->AssignValue(0, v); }
  bool DeclaredLiquid() const;
  std::unique_ptr<tVDMA79> FMethod;
  std::shared_ptr<const TValveStyles> FStyles;

 private:
  void CopyCommon();
  void ReadCommon();
  void CommonMessages(bool liquid);
  TEPhase DeclaredPhase() const;
};

class TCMVDMA79 : public TCMCustomNoisePrediction {
 public:
  explicit TCMVDMA79(TCalcComponent* owner = nullptr, std::string name = "CMVDMA79");
  const char* ClassName() const override { return "TCMVDMA79"; }

 protected:
  std::vector<TCalcItem*> RequiredInputs(bool liquid) override;
};

class TCMVDMA89 : public TCMCustomNoisePrediction {
 public:
  explicit TCMVDMA89(TCalcComponent* owner = nullptr, std::string name = "CMVDMA89");
  const char* ClassName() const override { return "TCMVDMA89"; }
  tVDMA89& Noise() { return static_cast<tVDMA89&>(*FMethod); }

  TInputParameter *xCr, *cPipe, *rhoP, *tP, *KvKvs, *f1, *f2, *g1, *g2, *fd;
  TBandCorrections dLGas, dLLiq;
  TOutputParameter *MaVC, *etaL, *Wm, *Lwi, *dLaCF, *fr, *cfc;
  TBandParameters LwiBands, RrBands, LwAaBands, LpAaBands;

 protected:
  void CopyMethodInputs() override;
  std::vector<TCalcItem*> RequiredInputs(bool liquid) override;
  void MethodRelevance(bool liquid) override;
  void ReadMethodResults() override;
};

class tCMIEC2003 : public TCMCustomNoisePrediction {
 public:
  explicit tCMIEC2003(TCalcComponent* owner = nullptr, std::string name = "CMIEC2003");
  const char* ClassName() const override { return "tCMIEC2003"; }
  tIEC2003& Noise() { return static_cast<tIEC2003&>(*FMethod); }

  // The edition of IEC 60534-8-4 (teLiquidNoiseEdition), 2015 by default.
  TCalcListSwitch* NoiseStandardLiquid;
  // Calculations saved before the edition could be chosen were computed
  // with the 2005 edition; opened, they keep it.
  static constexpr teLiquidNoiseEdition EditionOfOlderFiles = leIEC2005;
  void BringUpToDate(int fileVersion, const std::vector<TCalcItem*>& absent) override;
  // The exponent AetaL of the turbulent efficiency (2015 edition), shown as
  // -4.6 when not given.
  TModifyParameter* AetaL;
  TModifyParameter* cf1;
  TInputParameter *fd, *cPipe, *tP, *rhoP, *d0, *Re, *rw, *xCr, *pc, *f1, *f2, *g1, *g2;
  TBandCorrections dLGas, dLLiq;
  TOutputParameter *etaL, *Lpi, *Wm, *fr, *fp, *Rr, *LwAa, *MaVC, *Lwi, *dLaCF;
  TBandParameters LpiBands, RrBands, LpAaBands, LwAaBands;

 protected:
  bool AppliesTo(bool liquid) const override { return liquid; }
  bool SumsThirdOctaves() const override;
  void CopyMethodInputs() override;
  std::vector<TCalcItem*> RequiredInputs(bool liquid) override;
  void MethodRelevance(bool liquid) override;
  void ReadMethodResults() override;
  void MethodMessages(bool liquid) override;
  std::vector<TCalcParameter*> MethodOutputs() override;
};

class TCMIsa89 : public TCMCustomNoisePrediction {
 public:
  explicit TCMIsa89(TCalcComponent* owner = nullptr, std::string name = "CMIsa89");
  const char* ClassName() const override { return "TCMIsa89"; }
  tISA89& Noise() { return static_cast<tISA89&>(*FMethod); }

  TCalcListSwitch* NoiseStandard;
  TCalcSwitch* HighVelocity;
  TInputParameter *cPipe, *rhoP, *tP, *s1, *fd, *rw;
  TModifyParameter *Stp, *Aeta;
  TOutputParameter *Regime, *etaL, *fr, *fp, *Lpi, *Lwi, *tvc, *Wm, *TL, *LpAa0m, *MaVC, *Ma2,
      *uP, *uR, *WmR, *fpR, *etaR, *WaR, *LpiR, *TLR, *LpeR, *LpAe;
  TBandParameters LpiBands, TLBands, LwAaBands, LpAaBands;

 protected:
  bool AppliesTo(bool liquid) const override { return !liquid; }
  bool SumsThirdOctaves() const override;
  // Switched off (another method chosen, a liquid): the Strouhal number
  // and efficiency exponent it showed go with it.
  void SetEnabled(bool enabled) override;
  void ForgetPast() override { FShownStp = FShownAeta = NoValue; }
  // The Table 4 values shown by the 2010 edition when none was given; a
  // value still equal to the one shown is not the user's and follows the
  // valve style.
  Extended FShownAeta = NoValue, FShownStp = NoValue;
  void CopyMethodInputs() override;
  std::vector<TCalcItem*> RequiredInputs(bool liquid) override;
  void MethodRelevance(bool liquid) override;
  void ReadMethodResults() override;
  void MethodMessages(bool liquid) override;
  std::vector<TCalcParameter*> MethodOutputs() override;
};

}  // namespace torvacalc
