// The flow of one operating point as the user gives it (mass flow,
// operating volume flow, normal volume flow of a dry gas, or of a moist
// gas referred to its dry part or to the whole) and the others computed
// from it (TQmQnQv).
#pragma once

#include <string>

#include "framework/calc_connector.h"
#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "piping/flow_quantities.h"

namespace torvacalc {

// Mass flow, operating volume flow and normal volume flow of a dry gas.
class TCMCustomFlow : public TCalcModule {
 public:
  explicit TCMCustomFlow(TCalcComponent* owner = nullptr, std::string name = "CMCustomFlow");
  ~TCMCustomFlow() override;
  const char* ClassName() const override { return "TCMCustomFlow"; }
  const TQmQnQv& Flow() const { return FFlow; }

  TCalcListSwitch *QmOrQv = nullptr, *Phase = nullptr, *GasMedium = nullptr;
  TInOutParameter *Qm = nullptr, *Qn = nullptr, *Qv = nullptr;
  TInputParameter *Rho = nullptr, *RhoN = nullptr;

 protected:
  void DoCalculate() override;
  // Gas: the phase is the gas item and the medium is given on the normal
  // basis; Moist: the phase is the gas item and the medium a moist one.
  bool IsGas() const;
  bool IsMoist() const;
  // The flow parameters that apply and the one given among them.
  struct TFlowSet {
    std::vector<TInOutParameter*> used;
    TInOutParameter* given;
  };
  virtual TFlowSet FlowSet() const;
  virtual void CopyInputs();
  // Copies the given flow in, checks what the conversion needs, writes the
  // others back.
  void Convert(const std::vector<TCalcItem*>& needed);
  TQmQnQv FFlow;
};

// All flows of a dry or moist gas at the normal conditions chosen.
class TCMAllFlow : public TCMCustomFlow {
 public:
  explicit TCMAllFlow(TCalcComponent* owner = nullptr, std::string name = "CMAllFlow");
  ~TCMAllFlow() override;
  const char* ClassName() const override { return "TCMAllFlow"; }

  TCalcListSwitch *StandardConditions = nullptr, *QmOrQvMoist = nullptr;
  TInOutParameter *QnTr = nullptr, *QnF = nullptr;
  TInputParameter *p1 = nullptr, *t1 = nullptr, *z1 = nullptr, *zn = nullptr, *PhiRel = nullptr, *pvw1 = nullptr,
                  *TN0 = nullptr, *PN0 = nullptr;

 protected:
  void DoCalculate() override;
  TFlowSet FlowSet() const override;
  void CopyInputs() override;
};

// TCMAllFlow with its own calculation source, for the super modules that
// place one per operating point; the items are those of the inner module.
class TCCMAllFlow : public TCompoundCalcModule {
 public:
  explicit TCCMAllFlow(TCalcComponent* owner = nullptr, std::string name = "CCMAllFlow");
  const char* ClassName() const override { return "TCCMAllFlow"; }
  TCMAllFlow& Module() { return *FModule; }
  TCalcSource& GetCalcSource() { return *FSource; }
  void SetCalcMessageContainer(TCalcMessageContainer* c) { FModule->SetCalcMessageContainer(c); }

 private:
  TCMAllFlow* FModule;
  TCalcSource* FSource;
};

}  // namespace torvacalc
