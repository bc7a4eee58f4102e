#include "assembly/scm_substances.h"

#include "assembly/main_items.h"
#include "framework/basics.h"

namespace torvacalc {

// --------------------------------------------------------------- main module

const std::vector<std::string>& TCustomMCMSubstances::SwitchNames() {
  static const std::vector<std::string> names = {
      "ChangePhase",  "UseExtFluid",        "MessageIfChangePhase", "FluidName",    "ExtFluids",
      "Concentration", "Phase",             "GasMedium",            "PulpeType",    "HumidityType",
      "RhoNRiM",      "StandardConditions", "ViscosityType"};
  return names;
}

const std::vector<std::string>& TCustomMCMSubstances::InputNames() {
  static const std::vector<std::string> names = {"P1", "TN0", "PN0", "XSpec", "XPulp", "FnTr", "FnF", "FF"};
  return names;
}

const std::vector<std::string>& TCustomMCMSubstances::OverruleNames() {
  static const std::vector<std::string> names = {
      "T1",  "PhiRel", "Kappa1", "Rho1",    "RhoL", "RhoV", "V1", "Z1",   "Pv1", "Pl1", "Tv1", "Tl1", "Eta1",
      "Ny1", "Cf",     "CStar",  "rhoStar", "Lambda1", "Ef", "H1", "Dhv", "dHvT", "S1", "Cp1", "Cv1", "xMv1"};
  return names;
}

const std::vector<std::string>& TCustomMCMSubstances::ConstantNames() {
  static const std::vector<std::string> names = {"Tt",  "Ts", "Tc", "Pc", "Zc", "Omega", "My",
                                                 "RhoC", "Zn", "RhoN", "Ri", "Sg", "M"};
  return names;
}

const std::vector<std::string>& TCustomMCMSubstances::OutputNames() {
  // Switches the substances module sets from the state it finds, and its
  // results the user cannot overrule.
  static const std::vector<std::string> names = {"DisplayPhase", "CalculatedPhase", "SubstanceType",
                                                 "SaturatedPhase", "tStar", "pStar", "cfStar", "PvW1"};
  return names;
}

const std::vector<std::string>& TCustomMCMSubstances::StringNames() {
  static const std::vector<std::string> names = {"Description", "Formula", "CASNo", "Manufacturer"};
  return names;
}

std::string TCustomMCMSubstances::ModuleNameOf(const std::string& mainName) {
  if (mainName == "PvW1") return "PvW";
  if (mainName == "xMv1") return "xMv";
  return mainName;  // item names are not case-sensitive
}

const TCMSubstances& TCustomMCMSubstances::Model() {
  // Kept for the program's life: every main module copies from it.
  static const TCMSubstances* model = new TCMSubstances(nullptr, "CMSubstancesModel");
  return *model;
}

TCustomMCMSubstances::TCustomMCMSubstances(TCalcComponent* owner, std::string name)
    : TMainCalcModule(owner, std::move(name)) {
  const TCMSubstances& model = Model();
  for (const auto* list : {&SwitchNames(), &InputNames(), &OverruleNames(), &ConstantNames(), &OutputNames(),
                           &StringNames()})
    for (const auto& n : *list) MirrorItem(*this, ItemByName(model, ModuleNameOf(n)), n);
  AddSheetItems(*this);
}

// -------------------------------------------------------------- super module

TCustomSCMSubstances::TCustomSCMSubstances(TCalcComponent* owner, std::string name)
    : TCustomSCMSubstances(owner, std::move(name), MakeMainModule<TCustomMCMSubstances>) {}

TCustomSCMSubstances::TCustomSCMSubstances(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain)
    : TSuperCalcModule(owner, std::move(name), makeMain) {
  FCCMSubstances1 = CreateSubstances("FCCMSubstances1", FCalcSourceSubstances1);
}

TCustomSCMSubstances::~TCustomSCMSubstances() = default;

TCCMSubstances* TCustomSCMSubstances::CreateSubstances(const std::string& name, TCalcSource*& source) {
  auto* c = CreateChild<TCCMSubstances>(name);
  c->CalcModule().SetCalcMessageContainer(GetCalcMessageContainer());
  source = CreateSource(&c->CalcModule(), "FCalcSource" + name.substr(5));
  return c;
}

void TCustomSCMSubstances::AfterCreate(bool switchOn) {
  if (FReady) return;
  Init();
  FReady = true;
  if (switchOn) SetActive(true);
  else SwitchOnAfterNextSetValues();
}

TCalcItem* TCustomSCMSubstances::Item(const std::string& name) const {
  TCalcItem* i = GetMainCalcModule()->CalcItemByName(name);
  if (!i) throw EHXInternal("item \"" + name + "\" missing in the main module", ClassName());
  return i;
}

TCalcParameter* TCustomSCMSubstances::Param(const std::string& name) const {
  TCalcParameter* p = Item(name)->AsParameter();
  if (!p) throw EHXInternal("item \"" + name + "\" is not a parameter", ClassName());
  return p;
}

void TCustomSCMSubstances::Enter(const std::string& name, const std::string& text) {
  TCalcItem* i = Item(name);
  BeginUpdate();  // one edit, one entry in the undo history
  try {
    i->EnterByUser(text.empty());
    i->SetText(text);
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TCustomSCMSubstances::Init() {
  using M = TCustomMCMSubstances;
  FCalcConnectorSubstances1 =
      CreateConnector(CalcSourceCustomMCM1(), FCalcSourceSubstances1, "FCalcConnectorSubstances1");
  // What the user chooses and enters goes into the module; what the module
  // finds (or takes from the substance database, or the user overrules)
  // is shown by the main module's item reading through the module's.
  for (const auto* list : {&M::SwitchNames(), &M::InputNames()})
    for (const auto& n : *list) FCalcConnectorSubstances1->InConnections.AddConnection(n, M::ModuleNameOf(n));
  for (const auto* list : {&M::OverruleNames(), &M::ConstantNames(), &M::OutputNames(), &M::StringNames()})
    for (const auto& n : *list) FCalcConnectorSubstances1->OutConnections.AddConnection(M::ModuleNameOf(n), n);
  FCalcConnectorSubstances1->SetActive(true);

  TMainCalcModule& main = *GetMainCalcModule();
  // Whichever of standard density, gas constant, molar mass and specific
  // gravity is entered, the other three follow from it; likewise dynamic or
  // kinematic viscosity.
  auto* rhoNRiM = dynamic_cast<TCustomCalcMultiSwitch*>(Item("RhoNRiM"));
  rhoNRiM->AddParameter("RhoN", 0);
  rhoNRiM->AddParameter("Ri", 1);
  rhoNRiM->AddParameter("M", 2);
  rhoNRiM->AddParameter("Sg", 3);
  auto* viscosity = dynamic_cast<TCustomCalcMultiSwitch*>(Item("ViscosityType"));
  viscosity->AddParameter("Eta1", 0);
  viscosity->AddParameter("Ny1", 1);
  // The optional properties are shown only where the medium has them.
  std::vector<std::string> optional;
  for (const auto& n : M::OverruleNames())
    if (n != "T1" && n != "PhiRel") optional.push_back(n);
  for (const auto& n : M::ConstantNames()) optional.push_back(n);
  optional.push_back("PvW1");
  main.HideIfMinus(ItemsByName(main, optional));
}

}  // namespace torvacalc
