// The calculation modules of resistors.
//
// TCMResistor sizes (or, with FixedResistor, recalculates) a resistor
// behind the valve for the duty of one operating point: the flow qm from
// the valve outlet p1 down to p2, in NRes stages of equal pressure ratio.
// Each stage is a tResistor at the pressures tResistorStructure gives it;
// the module shows the geometry of the first and the last stage, the ratio
// per stage, the worst flow state, the stages that choke, the sound level
// and the outlet Mach number with suggested nominal sizes.
//
// TCMp2Resistor carries a resistor sized at the reference point (flow qm
// from P2 down to P2Res) to another operating point X: it gives the
// pressure in front of the resistor P2X for the flow qmX and the pressure
// behind it P2ResX, or the reverse (WhatToCalculate).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "plant/resistor.h"

namespace torvacalc {

class TCMResistor : public TCalcModule {
 public:
  explicit TCMResistor(TCalcComponent* owner = nullptr, std::string name = "CMResistor");
  ~TCMResistor() override;
  const char* ClassName() const override { return "TCMResistor"; }

  TInputParameter *qm, *p1, *p2, *t1, *pv1, *rho1, *rho2Res, *kappa1, *eta1, *pc, *DN2, *MaSug,
      *NRes;
  // Geometry: given by the user, or sized.
  TInOutParameter *dRes, *ARes, *NBores, *DNRes;
  TOverruleParameter *fl2, *Xt, *zy;
  TOutputParameter *kvRes, *qmRes, *xRes, *xTotal, *P2Last, *LaRes, *MaRes, *DNResMa, *DNSug10,
      *DNSug07, *DNSug03, *dResLast, *NBoresLast, *DNLast, *ChokedStages;
  TCalcListSwitch *Phase, *ResistorType, *FlowStateRes;
  TCalcSwitch *FixedResistor, *NKnown, *UseResistors;
  // A valve as the resistor: its style (the mechanical damage limit of its
  // equivalent style) and its flow direction.
  TDNVDataListSwitch* ValveType;
  TCalcListSwitch* InwardFlow;

  // The state at every stage of a multi-stage resistor, stage i = 1 ...
  // kShownStages: pressure in front of it and behind it and the density
  // in front of it (items P1Res1, P2Res1, Rho1Res1, ...).
  static constexpr int kShownStages = 6;
  struct TStageItems {
    TOutputParameter *P1Res = nullptr, *P2Res = nullptr, *Rho1Res = nullptr;
  };
  std::array<TStageItems, kShownStages> StageItems{};

  // The resistor of stage i (0-based) of the last calculation.
  const tResistor* Stage(size_t i) const { return i < FStages.size() ? FStages[i].get() : nullptr; }

 protected:
  void DoCalculate() override;

 private:
  TEPhase DeclaredPhase() const;
  teResistorType Type() const;
  void SetupStage(tResistor& r, Extended P1, Extended P2, Extended rho1s, Extended rho2s, bool first);
  std::vector<std::unique_ptr<tResistor>> FStages;
};

class TCMp2Resistor : public TCalcModule {
 public:
  explicit TCMp2Resistor(TCalcComponent* owner = nullptr, std::string name = "CMp2Resistor");
  ~TCMp2Resistor() override;
  const char* ClassName() const override { return "TCMp2Resistor"; }

  // Reference point (where the resistor was sized) and point X.
  TInputParameter *qm, *P1, *P2, *P2Res, *rho1, *kappa1, *pv1, *pc, *qmX, *P1X;
  TInOutParameter *P2X, *P2ResX;
  TOverruleParameter *fl2, *Xt;
  TOutputParameter *kvRes, *rho1X;
  TCalcListSwitch *Phase, *WhatToCalculate, *FlowStateRes;

 protected:
  void DoCalculate() override;

 private:
  void Setup(tControlValve& v, TEPhase phase);
  std::unique_ptr<tControlValve> FRef, FX;
};

}  // namespace torvacalc
