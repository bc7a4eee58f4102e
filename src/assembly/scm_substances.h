// The lowest layer of a valve calculation: the medium at the first
// operating point. TCustomMCMSubstances is the main module with every
// substance item the user sees; TCustomSCMSubstances the super module that
// owns the substances module FCCMSubstances1 and wires it to the main
// module through the calculation source FCalcSourceCustomMCM1.
//
// Every layer above derives from this pair; a calculation is made with
// CreateCalculation<T>(), which builds it, wires it (Init, each layer after
// its parent) and switches it on, computing everything once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/super_module.h"
#include "media/cm_substances.h"

namespace torvacalc {

class TCustomMCMSubstances : public TMainCalcModule {
 public:
  explicit TCustomMCMSubstances(TCalcComponent* owner, std::string name = "MainCalcModule");
  const char* ClassName() const override { return "TCustomMCMSubstances"; }

  // Switches and parameters of the medium, by the names the user sees.
  static const std::vector<std::string>& SwitchNames();
  static const std::vector<std::string>& InputNames();
  static const std::vector<std::string>& OverruleNames();
  static const std::vector<std::string>& ConstantNames();
  static const std::vector<std::string>& OutputNames();
  static const std::vector<std::string>& StringNames();
  // The computing module's name of a main-module item where it differs
  // ("P1" is the module's "p1", "PvW1" its "PvW", "xMv1" its "xMv").
  static std::string ModuleNameOf(const std::string& mainName);

 protected:
  // A substances module to copy the kind, quantity and choices of each item
  // from (the main module exists before the computing modules do).
  static const TCMSubstances& Model();
};

class TCustomSCMSubstances : public TSuperCalcModule {
 public:
  explicit TCustomSCMSubstances(TCalcComponent* owner = nullptr, std::string name = "SCMSubstances");
  ~TCustomSCMSubstances() override;
  const char* ClassName() const override { return "TCustomSCMSubstances"; }
  std::string FileExtension() const override { return "cvc"; }

  // Wires the calculation (each layer calls its parent's Init first); then
  // the calculation is switched on, or, with `switchOn` false, left to be
  // switched on by the bulk set of values that follows (the entries of a
  // case, a file). Done once, by CreateCalculation.
  void AfterCreate(bool switchOn = true);
  bool GetReady() const { return FReady; }

  TCCMSubstances* FCCMSubstances1 = nullptr;
  TCalcSource* FCalcSourceSubstances1 = nullptr;
  TCalcConnector* FCalcConnectorSubstances1 = nullptr;

  // The main module's items, read and written by name (a parameter's
  // value in its basic unit; a switch or text as text).
  TCalcItem* Item(const std::string& name) const;
  TCalcParameter* Param(const std::string& name) const;
  Extended GetValue(const std::string& name) const { return Param(name)->GetValue(); }
  void SetValue(const std::string& name, Extended v) { Param(name)->SetValue(v); }
  std::string GetText(const std::string& name) const { return Item(name)->GetText(); }
  void SetText(const std::string& name, const std::string& text) { Item(name)->SetText(text); }
  // As the user types a text into an item: it becomes the user's (marked
  // modified where it replaces a database value; an empty text hands it
  // back to the calculation or the database); one entry in the undo history.
  void Enter(const std::string& name, const std::string& text);
  Extended GetT1() const { return GetValue("T1"); }
  void SetT1(Extended v) { SetValue("T1", v); }
  Extended GetP1() const { return GetValue("P1"); }
  void SetP1(Extended v) { SetValue("P1", v); }
  Extended GetRho1() const { return GetValue("Rho1"); }

  // The substance engine of point 1.
  Extended CalculateT2(Extended T1, Extended P1, Extended P2) {
    return FCCMSubstances1->CalcModule().CalculateT2(T1, P1, P2);
  }
  void CalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended P2) {
    FCCMSubstances1->CalcModule().CalculateRhoIsentrop(Rho2, T2, P2);
  }

 protected:
  TCustomSCMSubstances(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain);
  virtual void Init();
  // A substances module owned by this calculation, reporting into its
  // message container, with its own calculation source.
  TCCMSubstances* CreateSubstances(const std::string& name, TCalcSource*& source);

 private:
  bool FReady = false;
};

// Creates the main module of kind M for a super module.
template <class M>
TMainCalcModule* MakeMainModule(TSuperCalcModule& s) {
  return s.CreateChild<M>("MainCalcModule");
}

// Builds, wires and switches on a calculation of kind T.
template <class T, class... Args>
std::unique_ptr<T> CreateCalculation(Args&&... args) {
  auto c = std::make_unique<T>(nullptr, std::forward<Args>(args)...);
  c->AfterCreate();
  return c;
}

// Builds and wires a calculation of kind T that the next bulk set of values
// (BeginSetValues ... EndSetValues: the entries of a case, a file read)
// switches on: it computes once, with those values.
template <class T>
std::unique_ptr<T> CreateCalculationForValues() {
  auto c = std::make_unique<T>(nullptr);
  c->AfterCreate(false);
  return c;
}

}  // namespace torvacalc
