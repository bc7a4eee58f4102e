// The calculation module of control valve sizing: the parameters and
// switches a user edits (or a super module connects to the medium, pipe and
// flow modules), one sizing core tControlValve that does the engineering,
// the read-back of its results, the relevance of each parameter for the
// phase of the medium, and the messages about flow state, valve size and
// input data.
#pragma once

#include <memory>
#include <string>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "valves/control_valve.h"
#include "valves/valve_styles.h"

namespace torvacalc {

class TCMControlValves : public TCalcModule {
 public:
  explicit TCMControlValves(TCalcComponent* owner = nullptr, std::string name = "CMControlValves");
  ~TCMControlValves() override;
  const char* ClassName() const override { return "TCMControlValves"; }
  std::string ModuleCaption() const override { return "Stellventilauslegung"; }

  // Clears the result cache of the sizing core.
  void Reset() { FValve->Reset(); }
  tControlValve& Valve() { return *FValve; }

  // One phase of a mixed-phase calculation, and whether it is the minor
  // phase; set by the owning super module (false for a single phase).
  bool GetIsPhaseCM() const { return FIsPhaseCM; }
  bool GetIsMinorPhase() const { return FIsMinorPhase; }
  void SetPhaseCM(bool isPhaseCM, bool isMinorPhase) {
    FIsPhaseCM = isPhaseCM;
    FIsMinorPhase = isMinorPhase;
  }

  // The parameter of the unknown chosen by WhatToCalculate.
  TCalcParameter* TargetParameter() const;

  // The valve styles and trims the style switches offer, with their typical
  // factors; TValveStyles::Default() unless set otherwise. Setting others
  // refills the switches, keeping each choice whose text they still have.
  const TValveStyles& ValveStyles() const { return *FStyles; }
  void SetValveStyles(std::shared_ptr<const TValveStyles> styles);

  // In/out: the four quantities of the sizing relation.
  TInOutParameter *kv, *qm, *p1, *p2;
  // Results.
  TOutputParameter *dp, *dpc, *dpXc, *dpLimit, *x, *xc, *fk, *KcStar, *FlStar, *h, *fp, *fr,
      *flp2, *RE, *KvRed, *KvNC, *QmNC, *P1NC, *P2NC, *kvsSuggMin, *kvsSuggMax, *KvKvs, *fPulp,
      *SigmaP, *SigmaV, *SigmaMr, *SigmaCh, *SigmaI, *SigmaId, *Sigma;
  // xT with fittings (xTP), the value the gas sizing uses; the partner of
  // flp2, while xt shows the valve's own factor.
  TOutputParameter* xtp = nullptr;
  // Valve data (from the database or the user).
  TModifyParameter *fl2_75, *Kc_75, *zy_75, *xt_75, *fd_75, *fd_75c, *dH, *f1, *f2, *g1, *g2,
      *Seat, *DNV, *DNV1, *kvs;
  // Effective factors at the operating point; a user value overrules.
  TOverruleParameter *fl2, *Kc, *zy, *xt, *fd;
  // Medium, pipe and cavitation data.
  TInputParameter *phi0, *t1, *tv1, *tc, *pv1, *pv2, *pl1, *pc, *rho1, *rho2, *cf2, *eta1, *kappa1,
      *z1, *DN1, *DN2, *cvr, *pr, *dr, *aPSE, *bSSE, *xPulp, *xFG1;

  TDNVDataListSwitch* ValveType;
  // The trims of globe, rotary plug, butterfly and ball valves.
  TDataCalcListSwitch *GlobeType, *RotaryType, *ButterflyType, *BallValveType;
  TCalcListSwitch *CharacteristicType, *Phase, *CalculatedPhase, *PulpeType, *SubstanceType, *FlowState, *FlowType, *InwardFlow,
      *ViscosityNorm, *WhatToCalculate, *LowNoiseDesign, *ResistorType;
  TCalcSwitch *LineSize, *UseResistors, *HasSigmaData, *fl2func, *Kcfunc, *zyfunc, *xtfunc,
      *fdfunc;
  // A given Kv above the Kvs is taken as the Kvs (the valve fully open)
  // when the flow or a pressure is calculated for it.
  TCalcSwitch* UsekvLimit;
  // The equations of a compressible or an incompressible fluid by choice
  // (teCompressible), instead of those of the medium's phase.
  TCalcListSwitch* Compressible;
  TPipeClassSwitch* PipeClass;
  TDataMultiSwitch *ListDN, *ListDN1;
  // The measured Kv/Kvs over the travel ("h:Kv/Kvs; ..." in percent), for
  // the measured-values characteristics.
  TCalcRelevantString* KvCurve;

 protected:
  void DoCalculate() override;

 private:
  void ApplyTypicalFactors();
  void CopyInputs();
  void SetRelevance(bool liquid, TECVFlowState state);
  void ReadBack();
  void CheckInputs(bool liquid);
  // Inputs that are within their bounds but leave no meaningful sizing (a
  // valve factor of zero, a liquid boiling before the valve): raises their
  // errors and returns false. Entered values the sizing leaves aside get a
  // hint saying that the result holds without them.
  bool CheckMeaningfulInputs(bool liquid);
  // Clears the results that an invalid input would make meaningless.
  void WithdrawResults();
  void RaiseMessages(bool liquid, bool meaningful);
  void RaiseFlowStateMessages(bool liquid, TECVFlowState state);
  int TrimType() const;
  // The phase the valve is sized as: the declared one, or the one the
  // choice of equations (Compressible) sets.
  TEPhase DeclaredPhase() const;
  // A gas or vapour sized by the liquid equations on the user's choice:
  // it has no vapour pressure to cavitate against.
  bool GasSizedAsLiquid() const;
  teCVCanCalcRest Unknown() const;

  std::shared_ptr<const TValveStyles> FStyles;
  std::unique_ptr<tControlValve> FValve;
  bool FIsPhaseCM = false, FIsMinorPhase = false;
  teCalculatedPhase FFoundPhase = cpUndef;
  std::vector<TCalcItem*> FCheckedInputs;  // the list CheckInputs builds, kept between calculations
  // Inputs other than the unknown with a text but no usable value (out of
  // bounds, unreadable), found once a calculation by CheckInputs for both
  // input checks.
  std::vector<TCalcParameter*> FUnusableInputs;
};

}  // namespace torvacalc
