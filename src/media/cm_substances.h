// The calculation module of one medium at one operating point: the
// substance chosen from the substance database, the declared phase, the
// state (T1, p1), the substance data and the humidity the user edits; one
// property engine TSubstanceCalc that does the engineering; the read-back
// of every property with its approximated flag; the automatic phase change;
// the relevance of each item for the declared phase; and the messages about
// a state that contradicts the declared phase.
//
// Units at the boundary are the basic units of the quantities (degC, bar
// absolute, kg/m3, Pa s, kJ/kg, kJ/(kg K), %, kg/m3 and kg/kg for the
// humidities), which are the engine's own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "media/substance_calc.h"
#include "media/substance_database.h"

namespace torvacalc {

class TCMSubstances : public TCalcModule {
 public:
  explicit TCMSubstances(TCalcComponent* owner = nullptr, std::string name = "CMSubstances",
                         const TDataModuleCDSSubstance* database = nullptr);
  ~TCMSubstances() override;
  const char* ClassName() const override { return "TCMSubstances"; }

  TSubstanceCalc& Substance() { return *FSubstance; }
  const TDataModuleCDSSubstance& Database() const { return *FDatabase; }

  // The engine's substance type, a library substance taken from the
  // database counting as a database substance.
  teSubstanceType InternalSubstanceType() const;
  // Forwarded to the engine (used by the super modules).
  Extended CalculateT2(Extended T1, Extended P1, Extended P2) { return FSubstance->CalculateT2(T1, P1, P2); }
  void CalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended P2) {
    FSubstance->CalculateRhoIsentrop(Rho2, T2, P2);
  }
  // Visibility of the items for the declared phase.
  void DoOnPhaseChange(bool force = false);
  // Returns the substance data to the values of the database record.
  void StornoConstants();
  // The next pass reads the chosen substance's record as a new choice.
  void ForgetPast() override { FLastFluid.clear(); }
  // Re-reads the substance names in the active language.
  void DoAfterTranslate();
  // Shown when the phase is changed automatically ("Phasenwechsel"); the
  // command line and tests listen here, a window would show a box.
  std::function<void(const std::string&)> OnInformation;

  // Switches.
  TCalcSwitch *ChangePhase, *MessageIfChangePhase, *UseExtFluid, *Flashing;
  TSubstanceNameSwitch* FluidName;
  TDataListSwitch *ExtFluids, *Concentration;
  TCalcListSwitch *Phase, *GasMedium, *PulpeType, *HumidityType, *RhoNRiM, *StandardConditions,
      *ViscosityType, *Range, *DisplayPhase, *CalculatedPhase, *SubstanceType, *SaturatedPhase;
  // Parameters.
  TOverruleParameter* T1;
  TInputParameter *p1, *TN0, *PN0, *XSpec, *xPulp, *FnTr, *FnF, *FF;
  TModifyParameter *Tt, *Ts, *Tc, *Pc, *Zc, *Zn, *Omega, *My, *RhoC, *Rho25, *RhoN, *Ri, *M, *Sg;
  TOverruleParameter *PhiRel, *kappa1, *rho1, *rhoL, *rhoV, *v1, *z1, *pv1, *Pl1, *tv1, *tl1, *eta1,
      *Ny1, *cf, *CStar, *rhoStar, *Lambda1, *H1, *Dhv, *dHvT, *S1, *cp1, *cpL, *cv1, *Ef, *xMv;
  TOutputParameter *pStar, *tStar, *cfStar, *PvW, *RhoLDeviation;
  tCalcString *Description, *Formula, *CASNo, *Manufacturer;

 protected:
  void DoCalculate() override;

 public:
  // Whether the state is checked against the declared phase (off where the
  // module describes the medium behind a valve, which may flash or
  // condense there).
  bool GetCheckPhase() const { return FCheckPhase; }
  void SetCheckPhase(bool check) { FCheckPhase = check; }

 private:
  bool FCheckPhase = true;
  const tPropertyDescription* SelectSubstance();
  void CopyInputs();
  void ReadBack();
  bool AutomaticPhaseChange();
  void CheckInputs();
  void RaiseMessages(const tPropertyDescription* record);
  void SetUtilizedForMoistGas(bool moist);
  TEPhase DeclaredPhase() const;

  // The natural-gas method of a gas the database describes by its
  // composition (AGA8-DC92 or GERG-2008), made when such a gas is chosen
  // and no other provider is given; it outlives the engine that uses it.
  std::unique_ptr<tExtSubstances> FGasProvider;
  bool SelectLibrarySubstance();
  std::unique_ptr<TSubstanceCalc> FSubstance;
  const TDataModuleCDSSubstance* FDatabase;
  bool FChangingPhase = false;
  std::string FLastFluid;
};

// One TCMSubstances in a compound module, as the super modules place one
// per operating point. The setters assign the inner module's items.
class TCCMSubstances : public TCompoundCalcModule {
 public:
  explicit TCCMSubstances(TCalcComponent* owner = nullptr, std::string name = "CCMSubstances");
  const char* ClassName() const override { return "TCCMSubstances"; }
  TCMSubstances& CalcModule() { return *FModule; }

  void SetT1(Extended v) { Set(FModule->T1, v); }
  void SetP1(Extended v) { Set(FModule->p1, v); }
  void SetTN0(Extended v) { Set(FModule->TN0, v); }
  void SetPN0(Extended v) { Set(FModule->PN0, v); }
  void SetXSpec(Extended v) { Set(FModule->XSpec, v); }
  void SetxPulp(Extended v) { Set(FModule->xPulp, v); }
  void SetFnTr(Extended v) { Set(FModule->FnTr, v); }
  void SetFnF(Extended v) { Set(FModule->FnF, v); }
  void SetFF(Extended v) { Set(FModule->FF, v); }
  void SetPhiRel(Extended v) { Set(FModule->PhiRel, v); }
  void SetCf(Extended v) { Set(FModule->cf, v); }
  void SetCStar(Extended v) { Set(FModule->CStar, v); }
  void SettStar(Extended v) { Set(FModule->tStar, v); }
  void SetpStar(Extended v) { Set(FModule->pStar, v); }
  void SetcfStar(Extended v) { Set(FModule->cfStar, v); }
  void SetrhoStar(Extended v) { Set(FModule->rhoStar, v); }
  void SetM(Extended v) { Set(FModule->M, v); }
  void SetRhoN(Extended v) { Set(FModule->RhoN, v); }
  void SetRi(Extended v) { Set(FModule->Ri, v); }
  void SetSg(Extended v) { Set(FModule->Sg, v); }
  void SetTt(Extended v) { Set(FModule->Tt, v); }
  void SetTs(Extended v) { Set(FModule->Ts, v); }
  void SetTc(Extended v) { Set(FModule->Tc, v); }
  void SetPc(Extended v) { Set(FModule->Pc, v); }
  void SetZc(Extended v) { Set(FModule->Zc, v); }
  void SetOmega(Extended v) { Set(FModule->Omega, v); }
  void SetMy(Extended v) { Set(FModule->My, v); }
  void SetRhoC(Extended v) { Set(FModule->RhoC, v); }
  void SetZn(Extended v) { Set(FModule->Zn, v); }
  void SetRho1(Extended v) { Set(FModule->rho1, v); }
  void SetRhoV(Extended v) { Set(FModule->rhoV, v); }
  void SetRhoL(Extended v) { Set(FModule->rhoL, v); }
  void SetV1(Extended v) { Set(FModule->v1, v); }
  void SetZ1(Extended v) { Set(FModule->z1, v); }
  void SetPv1(Extended v) { Set(FModule->pv1, v); }
  void SetPl1(Extended v) { Set(FModule->Pl1, v); }
  void SetTv1(Extended v) { Set(FModule->tv1, v); }
  void SetTl1(Extended v) { Set(FModule->tl1, v); }
  void SetEta1(Extended v) { Set(FModule->eta1, v); }
  void SetNy1(Extended v) { Set(FModule->Ny1, v); }
  void SetKappa1(Extended v) { Set(FModule->kappa1, v); }
  void SetPvW(Extended v) { Set(FModule->PvW, v); }
  void SetxMv(Extended v) { Set(FModule->xMv, v); }
  void SetDisplayPhase(int i) { FModule->DisplayPhase->SetSwitchStatus(i); }
  void SetCalculatedPhase(int i) { FModule->CalculatedPhase->SetSwitchStatus(i); }
  void SetSubstanceType(int i) { FModule->SubstanceType->SetSwitchStatus(i); }
  void SetSaturatedPhase(int i) { FModule->SaturatedPhase->SetSwitchStatus(i); }
  void SetPhase(int i) { FModule->Phase->SetSwitchStatus(i); }
  void SetGasMedium(int i) { FModule->GasMedium->SetSwitchStatus(i); }
  void SetPulpeType(int i) { FModule->PulpeType->SetSwitchStatus(i); }
  void SetHumidityType(int i) { FModule->HumidityType->SetSwitchStatus(i); }
  void SetRhoNRiM(int i) { FModule->RhoNRiM->SetSwitchStatus(i); }
  void SetStandardConditions(int i) { FModule->StandardConditions->SetSwitchStatus(i); }
  void SetFluidName(const std::string& name) { FModule->FluidName->SetText(name); }

 private:
  static void Set(TCalcParameter* p, Extended v) { p->SetValue(v); }
  TCMSubstances* FModule;
};

}  // namespace torvacalc
