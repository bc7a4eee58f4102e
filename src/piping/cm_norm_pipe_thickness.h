// The pipe in which the valve sits: outside diameter, wall and bore from a
// pipe class (nominal size DN and rating), or as the user enters them, and
// the check of the operating pressure against the rating.
#pragma once

#include <string>

#include "framework/calc_connector.h"
#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "piping/pipe_classes.h"

namespace torvacalc {

class TCMNormPipeThickness : public TCalcModule {
 public:
  // Without a database the module takes the pipe classes of the program's
  // data folder; a test may hand it one of its own.
  explicit TCMNormPipeThickness(TCalcComponent* owner = nullptr, std::string name = "CMNormPipeThickness",
                                const TPipeDatabase* database = nullptr);
  ~TCMNormPipeThickness() override;
  const char* ClassName() const override { return "TCMNormPipeThickness"; }

  // The chosen class; nullptr without a database or a choice.
  const TPipeClass* ChosenClass() const;
  // Refills the DN and PN lists from the chosen class, keeping the chosen
  // entries where the new class has them (FillDNValueList,
  // FillPNValueList, RefreshPN).
  void RefreshLists();

  void CalcEvent(TCalcEvent event, TCalcItem* item) override;

  TCalcListSwitch* EnterDi = nullptr;
  TPipeClassSwitch* PipeClass = nullptr;
  TDataListSwitch *DN = nullptr, *PN = nullptr;
  TCalcSwitch* CheckP1 = nullptr;
  TModifyParameter *DaP = nullptr, *tP = nullptr;
  TInOutParameter* DiP = nullptr;
  TInputParameter *P1 = nullptr, *DNV = nullptr;

 protected:
  void DoCalculate() override;

 private:
  bool EnteringDi() const { return EnterDi->GetSwitchIndex() == 1; }
  void LocateDN(const TPipeClass& c);
  void LocatePN(const TPipeClass& c);
  void GetDNAndPN(const TPipeClass& c);
  void DoCheckp1(const TPipeClass& c);
  const TPipeDatabase* FDatabase;
};

// The pipe module with its own calculation source, for the super modules
// that place one per calculation; the items are those of the inner module.
class TCCMNormPipeThickness : public TCompoundCalcModule {
 public:
  explicit TCCMNormPipeThickness(TCalcComponent* owner = nullptr, std::string name = "CCMNormPipeThickness",
                                 const TPipeDatabase* database = nullptr);
  const char* ClassName() const override { return "TCCMNormPipeThickness"; }
  TCMNormPipeThickness& Module() { return *FModule; }
  TCalcSource& GetCalcSource() { return *FSource; }
  void SetCalcMessageContainer(TCalcMessageContainer* c) { FModule->SetCalcMessageContainer(c); }

 private:
  TCMNormPipeThickness* FModule;
  TCalcSource* FSource;
};

}  // namespace torvacalc
