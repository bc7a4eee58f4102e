// Control valve sizing after IEC 60534-2-1 for one operating point of one
// valve: the flow coefficient for a given flow, or the flow, inlet or outlet
// pressure for a given flow coefficient, with piping geometry, Reynolds
// number and pressure recovery factors, the critical (choked) pressure drops,
// the flow state, the cavitation indices and the travel.
//
// Units of every value handed in or read out: pressures and pressure drops
// in bar (absolute), Qm in kg/h, densities in kg/m3, Kv and Kvs in m3/h,
// diameters in mm, dynamic viscosity in Pa s, factors dimensionless; the
// portions xFG1, xPulp, phi0, H and KvKvs in percent.
//
// The IEC numerical constants in these units: N1 = 1 in the form
// Kv = Qm / sqrt(1000 rho dp), N2 = 0.0016, N4 = 0.0707, N5 = 0.0018,
// N6 = sqrt(1000).
#pragma once

#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/basics.h"
#include "framework/calc_set.h"
#include "valves/sizing_kernel.h"
#include "valves/valve_description.h"
#include "valves/valve_types.h"

namespace torvacalc {

class tControlValve {
 public:
  // Slots of the result cache.
  enum Slot {
    slotKv = 1, slotQm = 2, slotP1 = 3, slotP2 = 4, slotDp = 5, slotCritical = 7, slotX = 8,
    slotFl2_75 = 10, slotZy_75 = 11, slotXt_75 = 12, slotPv1 = 13, slotRho1 = 14,
    slotKappa1 = 15, slotPc = 16, slotPhase = 17, slotFlowState = 18, slotCanCalc = 19,
    slotFd_75 = 21, slotFd = 22, slotFl2 = 23, slotZy = 24, slotXt = 25, slotKvs = 26,
    slotCharacteristic = 27, slotH = 28, slotPhi0 = 29, slotSuggKvs = 30, slotDNV = 31,
    slotDN1 = 32, slotDN2 = 33, slotFP = 34, slotZeta1 = 35, slotEzeta = 36, slotFR = 38,
    slotRe = 39, slotViscosityNorm = 40, slotEta1 = 41, slotP2nc = 43, slotKvKvs = 44,
    slotXPulp = 45, slotFPulp = 46, slotPulpType = 47, slotSubstanceType = 48,
    slotFlowType = 49, slotFk = 50, slotRho2 = 51, slotLowNoise = 52, slotValveType = 53,
    slotLineSize = 54, slotCalculatedPhase = 55, slotInwardFlow = 56, slotKc_75 = 57,
    slotKc = 58, slotTrimType = 59, slotDNV1 = 60, slotKcStar = 61, slotFlStar = 62,
    slotCvr = 63, slotPr = 64, slotDr = 65, slotAPSE = 66, slotBSSE = 67, slotSSE = 68,
    slotPSE = 69, slotSigma = 70, slotSeat = 71, slotFd_75c = 72, slotPvl1 = 73,
    slotXFG1 = 74, slotPv2 = 75, slotIsPhaseCM = 76, slotDH = 77, slotUseResistors = 78,
    slotResistorType = 79, slotIsMinorPhase = 80, slotZ1 = 81, slotXcr = 82,
  };

  tControlValve();
  virtual ~tControlValve() = default;

  bool Active = true;
  // Fired after every accepted input change; a change made while the event
  // runs does not fire it again.
  std::function<void()> OnResultsChange;

  // ----- inputs -----
  teCVCanCalcRest GetCanCalc() const { return FCanCalc; }
  void SetCanCalc(teCVCanCalcRest value);

  void SetKv(Extended v);
  // The significant digits to which the Kv iterations converge: the
  // calculation's own (its module hands them over), 11 by default.
  void SetSignificantDigits(int digits);
  int GetSignificantDigits() const { return FDigits; }
  void SetQm(Extended v);
  void SetP1(Extended v);
  void SetP2(Extended v);
  void SetKvs(Extended v) { Set(FKvs, v, slotKvs); }
  void SetFl2_75(Extended v) { Set(Ffl2_75, v, slotFl2_75); }
  void SetKc_75(Extended v) { Set(FKc_75, v, slotKc_75); }
  void SetZy_75(Extended v) { Set(Fzy_75, v, slotZy_75); }
  void SetXt_75(Extended v) { Set(Fxt_75, v, slotXt_75); }
  void SetFd_75(Extended v) { Set(Ffd_75, v, slotFd_75); }
  void SetFd_75c(Extended v) { Set(Ffd_75c, v, slotFd_75c); }
  void SetDH(Extended v) { Set(FdH, v, slotDH); }
  void SetFl2func(bool v) { SetFlag(Ffl2func, v, slotFl2_75); }
  void SetKcfunc(bool v) { SetFlag(FKcfunc, v, slotKc_75); }
  void SetZyfunc(bool v) { SetFlag(Fzyfunc, v, slotZy_75); }
  void SetXtfunc(bool v) { SetFlag(Fxtfunc, v, slotXt_75); }
  void SetFdfunc(bool v) { SetFlag(Ffdfunc, v, slotFd_75); }
  void SetLineSize(bool v) { SetFlag(FLineSize, v, slotLineSize); }
  // The effective factors at the operating point; `overruled` marks a user
  // value, which is then never recomputed.
  void SetFl2(bool overruled, Extended v) { SetOverrulable(Ffl2, overruled, v, slotFl2); }
  void SetKc(bool overruled, Extended v) { SetOverrulable(FKc, overruled, v, slotKc); }
  void SetZy(bool overruled, Extended v) { SetOverrulable(Fzy, overruled, v, slotZy); }
  void SetXT(bool overruled, Extended v) { SetOverrulable(Fxt, overruled, v, slotXt); }
  void SetFd(bool overruled, Extended v) { SetOverrulable(Ffd, overruled, v, slotFd); }
  void SetPhi0(Extended v) { Set(Fphi0, v, slotPhi0); }
  void SetPv1(Extended v) { Set(Fpv1, v, slotPv1); }
  void SetPv2(Extended v) { Set(Fpv2, v, slotPv2); }
  void SetXFG1(Extended v) { Set(FxFG1, v, slotXFG1); }
  void SetPvl1(Extended v) { Set(FPvl1, v, slotPvl1); }
  void SetRho1(Extended v) { Set(Frho1, v, slotRho1); }
  void SetRho2(Extended v) { Set(Frho2, v, slotRho2); }
  void SetEta1(Extended v) { Set(FEta1, v, slotEta1); }
  void SetKappa1(Extended v) { Set(Fkappa1, v, slotKappa1); }
  void SetZ1(Extended v) { Set(Fz1, v, slotZ1); }
  void SetPc(Extended v) { Set(Fpc, v, slotPc); }
  void SetDNV(Extended v) { Set(FDNV, v, slotDNV); }
  void SetDNV1(Extended v) { Set(FDNV1, v, slotDNV1); }
  void SetSeat(Extended v) { Set(FSeat, v, slotSeat); }
  void SetDN1(Extended v) { Set(FDN1, v, slotDN1); }
  void SetDN2(Extended v) { Set(FDN2, v, slotDN2); }
  void SetXPulp(Extended v) { Set(FxPulp, v, slotXPulp); }
  void SetCvr(Extended v) { Set(Fcvr, v, slotCvr); }
  void SetPr(Extended v) { Set(Fpr, v, slotPr); }
  void SetDr(Extended v) { Set(Fdr, v, slotDr); }
  void SetAPSE(Extended v) { Set(FaPSE, v, slotAPSE); }
  void SetBSSE(Extended v) { Set(FbSSE, v, slotBSSE); }
  void SetIsPhaseCM(bool v) { SetFlag(FIsPhaseCM, v, slotIsPhaseCM); }
  void SetIsMinorPhase(bool v) { SetFlag(FIsMinorPhase, v, slotIsMinorPhase); }
  void SetUseResistors(bool v) { SetFlag(FUseResistors, v, slotUseResistors); }
  void SetPhase(TEPhase v) { SetEnum(FPhase, v, slotPhase); }
  void SetCalculatedPhase(teCalculatedPhase v) { SetEnum(FCalculatedPhase, v, slotCalculatedPhase); }
  void SetPulpeType(TEPulpeType v) { SetEnum(FPulpeType, v, slotPulpType); }
  void SetSubstanceType(teSubstanceType v) { SetEnum(FSubstanceType, v, slotSubstanceType); }
  void SetInwardFlow(teCvInwardFlow v) { SetEnum(FInwardFlow, v, slotInwardFlow); }
  void SetCharacteristicType(teCharacteristicType v) { SetEnum(FCharacteristicType, v, slotCharacteristic); }
  void SetViscosityNorm(teCvViscosityNorm v) { SetEnum(FViscosityNorm, v, slotViscosityNorm); }
  void SetLowNoiseDesign(teLowNoiseDesign v) { SetEnum(FLowNoiseDesign, v, slotLowNoise); }
  void SetResistorType(teResistorType v) { SetEnum(FResistorType, v, slotResistorType); }
  // Valve style (0-based, as the ValveType switch) and its sub-style.
  void SetValveType(int v) { SetEnum(FValveType, v, slotValveType); }
  void SetTrimType(int v) { SetEnum(FTrimType, v, slotTrimType); }
  // The description of the selected valve (measured curves, polynomials);
  // empty for none.
  void SetValveDescription(std::shared_ptr<const tValveDescription> d);
  const tValveDescription* GetValveDescription() const { return FDescription.get(); }
  // The measured Kv/Kvs over the travel of the chosen valve (the
  // catalogue's table or the user's); empty for none. The measured-values
  // characteristics take the travel from it.
  void SetTravelCurve(const TTravelCurve& c);
  const TTravelCurve& GetTravelCurve() const { return FTravelCurve; }

  // Input values as stored.
  Extended GetKvs() const { return FKvs; }
  Extended GetPv1() const { return Fpv1; }
  Extended GetRho1() const { return Frho1; }
  Extended GetRho2() const { return Frho2; }
  Extended GetPv2() const { return Fpv2; }
  Extended GetEta1() const { return FEta1; }
  Extended GetKappa1() const { return Fkappa1; }
  Extended GetDNV() const { return FDNV; }
  TEPhase GetPhase() const { return FPhase; }
  int GetValveType() const { return FValveType; }
  int GetTrimType() const { return FTrimType; }
  // The equivalent standard style (1 globe, 2 rotary plug, 3 butterfly,
  // 4 ball, 5 other).
  int EquivalentValveType() const;

  // ----- results (in/out values: the unknown is computed when read) -----
  // Inline: every result asks for the unknown first, and once it is solved
  // the answer is the stored value.
  Extended GetKv() {
    if (!FCanCalcSet || FCanCalc != ccKv || FIterating == slotKv || Cache.GetValid(slotKv)) return FKv;
    return SolveKv();
  }
  // Where the unknown Kv has no value: why (no consistent Kv in
  // non-turbulent flow, or more flow than the reducers pass).
  teKvFailure GetKvFailure() {
    GetKv();
    return FCanCalcSet && FCanCalc == ccKv ? FKvFailure : kfNone;
  }
  Extended GetQm();
  Extended GetP1();
  Extended GetP2();
  // The results most read, by the other results too, have their valid
  // test inline; the work is done out of line when it is not valid.
  Extended GetDp() {
    const Extended p1 = P1Now(), p2 = P2Now();
    return Cache.GetValid(slotDp) ? Fdp : CalculateDpNow(p1, p2);
  }
  Extended GetDpX();
  Extended GetDpc() {
    KvNow();
    if (!Cache.GetValid(slotCritical)) CalculateCritical();
    return Fdpc;
  }
  Extended GetDpcKc() {
    KvNow();
    if (!Cache.GetValid(slotCritical)) CalculateCritical();
    return FdpcKc;
  }
  Extended GetDpXc();
  Extended GetXc();
  Extended GetX() {
    const Extended p1 = P1Now(), p2 = P2Now();
    return Cache.GetValid(slotX) ? FX : CalculateXNow(p1, p2);
  }
  Extended GetDpLimit() {
    KvNow();
    if (!Cache.GetValid(slotFlowState)) CalculateState();
    return FdpLimit;
  }
  TECVFlowState GetFlowState() {
    KvNow();
    if (!Cache.GetValid(slotFlowState)) CalculateState();
    return FFlowState;
  }
  TECVFlowType GetFlowType() {
    GetFrQm();
    return FFlowType;
  }
  Extended GetFl2() {
    const Extended kv = KvNow();
    return Cache.GetShouldBecalculated(slotFl2) ? CalculateFl2Now(kv) : Ffl2;
  }
  Extended GetKc() {
    const Extended kv = KvNow();
    return Cache.GetShouldBecalculated(slotKc) ? CalculateKcNow(kv) : FKc;
  }
  Extended GetZy() {
    const Extended kv = KvNow();
    return Cache.GetShouldBecalculated(slotZy) ? CalculateZyNow(kv) : Fzy;
  }
  Extended GetXt() {
    const Extended kv = KvNow();
    return Cache.GetShouldBecalculated(slotXt) ? CalculateXtNow(kv) : Fxt;
  }
  Extended GetFd() {
    const Extended kv = KvNow();
    return Cache.GetShouldBecalculated(slotFd) ? CalculateFdNow(kv) : Ffd;
  }
  Extended GetFlp2();
  Extended GetXtp();
  Extended GetFk() {
    KvNow();
    return Cache.GetValid(slotFk) ? Ffk : CalculateFkNow();
  }
  Extended GetKcStar() {
    const Extended kc = GetKc(), p1 = P1Now();
    return Cache.GetValid(slotKcStar) ? FKcStar : CalculateKcStarNow(kc, p1);
  }
  Extended GetFlStar() {
    const Extended fl2 = GetFl2(), p1 = P1Now();
    return Cache.GetValid(slotFlStar) ? FFlStar : CalculateFlStarNow(fl2, p1);
  }
  Extended GetFpQm() {
    const Extended kv = KvNow();
    return Cache.GetValid(slotFP) ? FfpQm : CalculateFpNow(kv);
  }
  Extended GetFrQm() {
    const Extended kv = KvNow();
    return Cache.GetValid(slotFR) && Cache.GetValid(slotFlowType) ? FfrQm : CalculateFrNow(kv);
  }
  Extended GetFPulpQm() {
    KvNow();
    return Cache.GetValid(slotFPulp) ? FfPulp : CalculateFPulpNow();
  }
  Extended GetRe() {
    const Extended kv = KvNow(), qm = QmNow();
    return Cache.GetValid(slotRe) ? FRe : CalculateReNow(kv, qm);
  }
  Extended GetZeta1() { return Cache.GetValid(slotZeta1) ? Fzeta1 : CalculateZeta1Now(); }
  Extended GetEzeta() {
    KvNow();
    if (!Cache.GetValid(slotEzeta)) CalculateReducers();
    return FEzeta;
  }
  Extended GetEKvRed() {
    KvNow();
    if (!Cache.GetValid(slotEzeta)) CalculateReducers();
    return FEKvRed;
  }
  Extended GetH();
  Extended GetKvKvs() {
    const Extended kv = KvNow();
    return Cache.GetValid(slotKvKvs) ? FKvKvs : CalculateKvKvsNow(kv);
  }
  Extended GetKvsSuggMax();
  Extended GetKvsSuggMin();
  Extended GetP2nc();
  Extended GetSigmaV();
  Extended GetSigmaP();
  Extended GetSigmaMr();
  Extended GetSigmaI();
  Extended GetSigmaId();
  Extended GetSigmaCh();
  Extended GetSigma() {
    const Extended x = GetX();
    return HasValue(x) && x > 0 ? 1 / x : NoValue;
  }
  Extended GetSSE();
  Extended GetPSE();
  // The values of the non-choked case: the flow, Kv, p1 and p2 that belong
  // to the operating point if the flow did not choke (dp instead of dpc).
  Extended GetKvNC();
  Extended GetQmNC();
  Extended GetP1NC();
  Extended GetP2NC() { return GetP2nc(); }
  // The pure valve FL2 and xT without fittings.
  Extended GetFl2Valve() {
    if (Cache.GetIsOverruled(slotFl2)) return Ffl2;
    GetFl2();
    return Ffl2Valve;
  }
  Extended GetXtValve() {
    if (Cache.GetIsOverruled(slotXt)) return Fxt;
    GetXt();
    return FxtValve;
  }

  // The flow coefficient is solved in double precision by TSizingKernel
  // where the kernel covers the valve (no measured factor curves, no
  // perforated plug, a Reynolds method by formula, no cavitation test data
  // of a liquid); off, or outside that, the extended-precision iteration
  // over the getters solves it. Both find the same fixed point.
  void SetUseKernel(bool v) {
    if (v == FUseKernel) return;
    FUseKernel = v;
    Cache.SetValid(slotKv, false);
  }
  bool GetUseKernel() const { return FUseKernel; }
  // True when the next solve for Kv goes through the kernel.
  bool KernelApplies() const;

  // Clears the whole cache; the unknown and its inputs stay.
  void Reset() {
    Cache.ResetAll();
    FDutyStale = true;  // the overruled bits are gone
  }
  // Marks Kv, Qm, p1 and p2 invalid so that the next operating point starts
  // fresh.
  void ResetCalcTarget();
  const TCalcSet& GetCache() const { return Cache; }

  // ----- class routines: every input is an argument -----
  static Extended CalculateKv(Extended Qm, Extended rho1, Extended rho2, Extended p1, Extended p2,
                              Extended dpX, Extended FP, Extended FR, Extended fPulp,
                              TECVFlowState flowState, TECVFlowType flowType);
  static Extended CalculateQm(Extended Kv, Extended rho1, Extended rho2, Extended p1, Extended p2,
                              Extended dpX, Extended FP, Extended FR, Extended fPulp,
                              TECVFlowState flowState, TECVFlowType flowType);
  // One step of the inlet pressure: p1 that makes the effective drop match
  // the flow, scaling the present distance p1 - p2 by the ratio of the
  // needed to the present effective drop (exact for a non-choked liquid).
  static Extended CalculateP1(Extended Kv, Extended Qm, Extended rho1, Extended rho2,
                              Extended p1, Extended p2, Extended dpX, Extended FP, Extended FR,
                              Extended fPulp, TECVFlowState flowState, TECVFlowType flowType);
  static Extended RhoForPCalculation(Extended rho1, Extended rho2, TECVFlowState flowState,
                                     TECVFlowType flowType);
  static Extended CalculateEpsilon(Extended p1, Extended p2, Extended xcrit);
  static Extended PressureDrop(TEPhase phase, Extended p1, Extended p2, Extended fk, Extended xT);
  static Extended CriticalPressureDropLiquid(Extended F, Extended p1, Extended pv1, Extended pc,
                                             Extended pvl1, Extended p2, Extended xFG1,
                                             teCalculatedPhase calculatedPhase);
  static bool IsIdealGas(Extended kappa1, Extended z1) { (void)kappa1, (void)z1; return true; }
  static void CriticalPressureDrop(TEPhase phase, teCalculatedPhase calculatedPhase, Extended fl2,
                                   Extended Kc, Extended xT, Extended p1, Extended p2, Extended pv1,
                                   Extended pvl1, Extended pc, Extended kappa1, Extended xFG1,
                                   Extended z1, Extended& dpc, Extended& dpcKc, Extended& dpXc,
                                   Extended& Xc);
  // (The values by reference: twelve 80-bit copies cost more than the
  // judgement itself. `dpLimit` must not be one of them.)
  static void CalculateFlowState(TEPhase phase, teCalculatedPhase calculatedPhase,
                                 int equivalentValveType, int trimType, const Extended& p1,
                                 const Extended& p2, const Extended& dpc, const Extended& dpcKc,
                                 const Extended& pv2, const Extended& fl2, const Extended& sigma,
                                 const Extended& sigmaP, const Extended& zyGiven,
                                 const Extended& KcGiven, const Extended& xT,
                                 const Extended& kappa1, TECVFlowState& state, Extended& dpLimit);
  // Mechanical damage limit of the pressure drop by equivalent style, bar.
  static Extended DamageLimit(int equivalentValveType);
  static Extended CorrectedModifier(Extended value75, Extended Kv, Extended Kvs);
  static Extended CorrectedModifier7FL2(Extended value, Extended Kv, Extended Kvs,
                                        const TFactorPolynomial& p);
  static Extended CorrectedModifier7xFz(Extended value, Extended Kv, Extended Kvs,
                                        const TFactorPolynomial& p);
  static Extended CalculateKvKvs(Extended Kv, Extended Kvs);
  static Extended CalculateStroke(teCharacteristicType type, Extended KvKvs, Extended phi0,
                                  const TTravelCurve* measured = nullptr);
  static void CalculateModValveFactor(Extended factor, Extended p1, Extended pv1, Extended pvl1,
                                      Extended pc, Extended& corrected);
  static void CalculateSuggestedKvs(Extended Kv, Extended& kvsMin, Extended& kvsMax);
  static Extended CalculatefpQm(Extended DNV, Extended Ezeta, Extended Kv, Extended EKvRed,
                                bool lineSize);
  static Extended CalculatePSE(Extended p1, Extended pv1, Extended pr, Extended aPSE);
  static Extended CalculateSSE(Extended Kv, Extended DNV, Extended seat, Extended dr,
                               Extended bSSE);
  static void CalculateSigmaMRs(Extended Kc75, Extended Kv, Extended Kvs, Extended SSE,
                                Extended PSE, Extended FP, Extended& sigmaMr, Extended& sigmaV,
                                Extended& sigmaP);
  static Extended CalculatefPulpQm(teSubstanceType substance, TEPulpeType pulp, Extended xPulp,
                                   bool isPhaseCM, bool isMinorPhase);
  // `guessDrop`, when given, is an estimate of p1 - p2nc (the drop of the
  // operating point) that shortens the search; the result does not depend
  // on it.
  static Extended CalculateP2nc(Extended Kv, Extended Qm, Extended rho, Extended p1, Extended FP,
                                Extended FR, Extended fPulp, TEPhase phase, Extended fk,
                                Extended xT, Extended guessDrop = NoValue);
  static void Calculatezeta1(Extended DNV, Extended DNV1, Extended DN1, bool lineSize,
                             Extended& zeta1, Extended& KvRed1);
  static void CalculateEzeta(Extended zeta1, Extended DNV, Extended DN2, Extended Kv,
                             bool lineSize, bool useResistors, Extended& Ezeta, Extended& EKvRed);
  static Extended Calculatefd(Extended fd75, Extended fd75c, bool func, teCvInwardFlow inward,
                              Extended Kv, Extended Kvs);
  static Extended xFzAtP1(Extended xFz, Extended p1);
  static Extended CalculatexFz(Extended zy75, bool func, Extended Kv, Extended Kvs, Extended Fd,
                               Extended fd75c, Extended fl2, Extended fl2_75, Extended p1,
                               Extended dH, int trimType, teLowNoiseDesign lowNoise,
                               const tValveDescription* description);
  static Extended Calculatefl2(Extended fl2_75, bool func, Extended Kv, Extended Kvs,
                               const tValveDescription* description);
  static Extended CalculateKc(Extended Kc75, bool func, Extended Kv, Extended Kvs, Extended fl2,
                              Extended zy);
  static Extended Calculatext(Extended xt75, bool func, Extended Kv, Extended Kvs,
                              const tValveDescription* description);
  // FL2 and xT with fittings: (FLP/FP)^2 and xTP (IEC 60534-2-1:2011
  // eqs. (5) and (18)).
  static Extended FittingsFl2(Extended fl2, Extended FP, Extended zeta1, Extended Kv, Extended DNV);
  static Extended FittingsXt(Extended xT, Extended FP, Extended zeta1, Extended Kv, Extended DNV);
  // Mean velocity in m/s of the mass flow Qm (kg/h) of density rho (kg/m3)
  // in a bore of diameter D (mm).
  static Extended FlowVelocity(Extended Qm, Extended rho, Extended D);
  // Speed of sound in m/s of a gas, sqrt(kappa p / rho) with p in bar.
  static Extended SoundSpeed(Extended kappa, Extended p, Extended rho);
  static bool CheckIteration(int& counter, Extended& value, std::vector<std::string>& history,
                             bool minimum, Extended previous);
  static bool GetKvTooBigDNV(Extended& Kv, Extended DNV);
  static Extended FlowFp(Extended FP, TECVFlowType flowType);

 private:
  void Changed(int slot);
  void Invalidate(int slot);
  void Set(Extended& field, Extended v, int slot);
  void SetFlag(bool& field, bool v, int slot);
  template <typename E>
  void SetEnum(E& field, E v, int slot) {
    if (field == v) return;
    field = v;
    Changed(slot);
  }
  void SetOverrulable(Extended& field, bool overruled, Extended v, int slot);
  void AddRules();
  unsigned RulesKey() const;
  static bool AffectsRules(int slot);
  bool IsLiquid() const { return FPhase == phLiquid; }

  // The current Kv, Qm, p1, p2 as the formulas see them: the unknown is
  // computed first unless its iteration is running.
  Extended KvNow() {
    if (FIterating != 0) return FKv;
    if (FCanCalcSet && FCanCalc == ccKv) return GetKv();
    return OtherUnknownNow();
  }
  // KvNow when the unknown is not Kv: the unknown is computed, Kv returned.
  Extended OtherUnknownNow();
  // The unknown Kv, through the kernel where it applies.
  Extended SolveKv();
  Extended QmNow() {
    if (FIterating == 0) KvNow();
    return FQm;
  }
  Extended P1Now() {
    if (FIterating == 0) KvNow();
    return FP1;
  }
  Extended P2Now() {
    if (FIterating == 0) KvNow();
    return FP2;
  }
  void CalculateCritical();
  // The out-of-line parts of the inline getters: the result worked out and
  // stored, its slot marked valid.
  Extended CalculateDpNow(Extended p1, Extended p2);
  Extended CalculateXNow(Extended p1, Extended p2);
  Extended CalculateFl2Now(Extended kv);
  Extended CalculateKcNow(Extended kv);
  Extended CalculateZyNow(Extended kv);
  Extended CalculateXtNow(Extended kv);
  Extended CalculateFdNow(Extended kv);
  Extended CalculateFkNow();
  Extended CalculateFpNow(Extended kv);
  Extended CalculateFrNow(Extended kv);
  Extended CalculateFPulpNow();
  Extended CalculateReNow(Extended kv, Extended qm);
  Extended CalculateZeta1Now();
  Extended CalculateKvKvsNow(Extended kv);
  Extended CalculateKcStarNow(Extended kc, Extended p1);
  Extended CalculateFlStarNow(Extended fl2, Extended p1);
  // The real-gas critical ratio Xc and its drop, on demand.
  void CalculateRealGasCritical();
  void CalculateState();
  void CalculateReducers();
  void CalculateSigmas();
  Extended IterateKv();
  Extended SolveKvKernel();
  Extended IterateQm();
  Extended IterateP1();
  Extended IterateP2();

  TCalcSet Cache;
  unsigned FRulesKey = 0;
  bool FInEvent = false;
  int FIterating = 0;  // slot of the running iteration, 0 for none
  // The unknown is unset until the first assignment, which always takes
  // effect; until then no quantity is computed.
  bool FCanCalcSet = false;
  bool FUseKernel = true;
  // The inputs of the kernel as last handed over; any change but of the
  // flow and of Kv itself makes them stale.
  TSizingDuty FDuty;
  bool FDutyStale = true;
  int FDigits = 11;
  // The kernel built on FDuty, kept while only the flow changes (a copy of
  // the valve, whose kernel refers to the other duty, builds its own).
  std::optional<TSizingKernel> FKernel;
  teCVCanCalcRest FCanCalc = ccKv;
  teKvFailure FKvFailure = kfNone;

  Extended FKv = NoValue, FQm = NoValue, FP1 = NoValue, FP2 = NoValue, FKvs = NoValue;
  Extended Ffl2_75 = NoValue, FKc_75 = NoValue, Fzy_75 = NoValue, Fxt_75 = NoValue;
  Extended Ffd_75 = NoValue, Ffd_75c = NoValue, FdH = NoValue;
  bool Ffl2func = false, FKcfunc = false, Fzyfunc = false, Fxtfunc = false, Ffdfunc = false;
  bool FLineSize = false, FIsPhaseCM = false, FIsMinorPhase = false, FUseResistors = false;
  Extended Ffl2 = NoValue, FKc = NoValue, Fzy = NoValue, Fxt = NoValue, Ffd = NoValue;
  Extended Fphi0 = NoValue, Fpv1 = NoValue, Fpv2 = NoValue, FxFG1 = NoValue, FPvl1 = NoValue;
  Extended Frho1 = NoValue, Frho2 = NoValue, FEta1 = NoValue, Fkappa1 = NoValue, Fz1 = NoValue;
  Extended Fpc = NoValue, FDNV = NoValue, FDNV1 = NoValue, FSeat = NoValue, FDN1 = NoValue;
  Extended FDN2 = NoValue, FxPulp = NoValue;
  Extended Fcvr = NoValue, Fpr = NoValue, Fdr = NoValue, FaPSE = NoValue, FbSSE = NoValue;
  TEPhase FPhase = phUndef;
  teCalculatedPhase FCalculatedPhase = cpUndef;
  TEPulpeType FPulpeType = ptKraft;
  teSubstanceType FSubstanceType = stOthers;
  teCvInwardFlow FInwardFlow = ifOpening;
  teCharacteristicType FCharacteristicType = ctEqualPercentage;
  teCvViscosityNorm FViscosityNorm = vnEN60534_2000;
  teLowNoiseDesign FLowNoiseDesign = lnNone;
  teResistorType FResistorType = rtUnknown;
  int FValveType = 0, FTrimType = 0;
  std::shared_ptr<const tValveDescription> FDescription;
  TTravelCurve FTravelCurve;

  // Results.
  Extended Fdp = NoValue, Fdpc = NoValue, FdpcKc = NoValue, FdpXc = NoValue, FXc = NoValue;
  Extended FX = NoValue, FdpLimit = NoValue;
  TECVFlowState FFlowState = fsUndefined;
  TECVFlowType FFlowType = ftUndefined;
  Extended Ffl2Valve = NoValue, FxtValve = NoValue;
  Extended Ffk = NoValue, FKcStar = NoValue, FFlStar = NoValue;
  Extended FfpQm = 1, FfrQm = 1, FfPulp = NoValue, FRe = NoValue;
  Extended Fzeta1 = NoValue, FKvRed1 = NoValue, FEzeta = NoValue, FEKvRed = NoValue;
  Extended FH = NoValue, FKvKvs = NoValue, FKvsSuggMax = NoValue, FKvsSuggMin = NoValue;
  Extended Fp2nc = NoValue, FSSE = NoValue, FPSE = NoValue;
  Extended FSigmaMr = NoValue, FSigmaV = NoValue, FSigmaP = NoValue;
};

}  // namespace torvacalc
