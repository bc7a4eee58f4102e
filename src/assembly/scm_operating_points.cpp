#include "assembly/scm_operating_points.h"

#include <algorithm>
#include <cmath>

#include "assembly/main_items.h"
#include "framework/basics.h"

namespace torvacalc {

namespace {

// The entries of the medium layer that a further point does not take from
// the main module's plain items: its state is entered per point, and the
// declared phase, gas kind and normal conditions are copied from point 1
// (a point's substances module follows them, it never changes them).
bool IsPerPointOrCopied(const std::string& name) {
  for (const char* n : {"P1", "T1", "ChangePhase", "GasMedium", "Phase", "PhiRel", "RhoNRiM", "StandardConditions",
                        "PN0", "TN0"})
    if (name == n) return true;
  return false;
}

// Gas data that a further point computes from point 1's molar mass rather
// than reading it.
bool IsGasConstant(const std::string& name) { return name == "RhoN" || name == "Ri" || name == "Sg" || name == "M"; }

const char* PointDigit(int point) {
  switch (point) {
    case 2: return "2";
    case 3: return "3";
    default: return "X";
  }
}

void EnableSubstances(TCCMSubstances* s, bool on) { EnableModule(s ? &s->CalcModule() : nullptr, on); }

}  // namespace

// --------------------------------------------------------------- main module

const std::vector<TCustomMCM3SubstancesMaterialPipe::TPointItem>& TCustomMCM3SubstancesMaterialPipe::PointItems() {
  static const std::vector<TPointItem> items = {
      {"CalculatedPhase", "CalculatedPhase"}, {"T1", "T1"},   {"P1", "p1"},   {"Kappa1", "kappa1"},
      {"Rho1", "rho1"},  {"h1", "H1"},   {"s1", "S1"},   {"V1", "v1"},   {"Z1", "z1"},   {"Pv1", "pv1"},
      {"pl1", "Pl1"},    {"Tv1", "tv1"}, {"Eta1", "eta1"}, {"Ny1", "Ny1"}, {"xMv1", "xMv"}, {"Cf", "cf"},
      {"PvW1", "PvW"},   {"PhiRel", "PhiRel"}, {"Cp1", "cp1"}};
  return items;
}

TCustomMCM3SubstancesMaterialPipe::TCustomMCM3SubstancesMaterialPipe(TCalcComponent* owner, std::string name)
    : TCustomMCMSubstancesMaterialPipe(owner, std::move(name)) {
  const TCMSubstances& model = Model();
  for (int point : {2, 3, 4}) {
    const std::string k = OpSuffix(point);
    for (const TPointItem& i : PointItems()) {
      const TCalcItem& m = ItemByName(model, i.module);
      const std::string n = i.main + k;
      const std::string main = i.main;
      TCalcItem* made;
      if (main == "T1" || main == "P1") {
        const TCalcParameter& p = *m.AsParameter();
        made = AddItem<TInputParameter>(n, p.GetLowerBound(), p.GetUpperBound(), p.GetQuantity());
      } else if (main == "Cf") {
        const TCalcParameter& p = *m.AsParameter();
        made = AddItem<TModifyParameter>(n, p.GetLowerBound(), p.GetUpperBound(), p.GetQuantity());
      } else if (main == "PhiRel") {
        const TCalcParameter& p = *m.AsParameter();
        made = AddItem<TInOutParameter>(n, p.GetLowerBound(), p.GetUpperBound(), p.GetQuantity());
      } else {
        made = MirrorItem(*this, m, n);
      }
      made->SetCaption(m.GetCaption());
    }
  }
  auto* entered = AddItem<TInOutParameter>("NoOfEnteredOps", Extended(1), Extended(3), qNoUnit);
  entered->SetCaption("Anzahl der Betriebspunkte");
  entered->SetValue(3);
  AddItem<TOutputParameter>("NoOfValidOps", Extended(0), Extended(4), qNoUnit)
      ->SetCaption("Anzahl gültiger Betriebspunkte");
  // Points 2 and 3 are on; point X, the extra duty, is off until the
  // engineer switches it on (a file that does not name it keeps it off).
  for (const char* n : {"Use2ndOp", "Use3rdOp", "UseXthOp"}) AddItem<TCalcSwitch>(n)->SetChecked(n[3] != 'X');
  CalcItemByName("Use2ndOp")->SetCaption("2. Betriebspunkt");
  CalcItemByName("Use3rdOp")->SetCaption("3. Betriebspunkt");
  CalcItemByName("UseXthOp")->SetCaption("Betriebspunkt X");
}

TCustomSCM3SubstancesMaterialPipe* TCustomMCM3SubstancesMaterialPipe::Calculation() const {
  // The owner does not change once it is built; it is asked on every
  // event (and is not yet itself while its constructors run).
  if (!FCalculation) FCalculation = dynamic_cast<TCustomSCM3SubstancesMaterialPipe*>(GetOwner());
  return FCalculation;
}

void TCustomMCM3SubstancesMaterialPipe::CalcEvent(TCalcEvent event, TCalcItem* item) {
  TCustomMCMSubstancesMaterialPipe::CalcEvent(event, item);
  if (!item || (event != ceValueFieldChange && event != ceFieldChange)) return;
  TCustomSCM3SubstancesMaterialPipe* calc = Calculation();
  if (!calc || IsDestroying()) return;
  const std::string& n = item->GetName();
  if (n == "M") calc->CarryMolarMass();
  if (FReacting) return;
  FReacting = true;
  try {
    if (n == "NoOfEnteredOps") {
      const Extended v = item->AsParameter()->GetValue();
      if (HasValue(v)) calc->SetNoOfOps(static_cast<int>(std::max<Extended>(1, std::min<Extended>(3, std::trunc(v)))));
    } else if (n == "UseXthOp") {
      calc->SetOpXEnabled(static_cast<TCalcSwitch*>(item)->GetChecked());
    } else if (n == "Use2ndOp") {
      calc->SetNoOfOps(static_cast<TCalcSwitch*>(item)->GetChecked() ? std::max(2, int(calc->GetNoOfOps())) : 1);
    } else if (n == "Use3rdOp") {
      calc->SetNoOfOps(static_cast<TCalcSwitch*>(item)->GetChecked() ? 3 : std::min(2, int(calc->GetNoOfOps())));
    }
  } catch (...) {
    FReacting = false;
    throw;
  }
  FReacting = false;
}

void TCustomMCM3SubstancesMaterialPipe::DoCalculate() {
  TCustomMCMSubstancesMaterialPipe::DoCalculate();
  // Dynamic or kinematic viscosity, whichever is given, at every point.
  const bool kinematic = static_cast<TCustomCalcMultiSwitch*>(CalcItemByName("ViscosityType"))->GetSwitchStatus() == 1;
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    CalcItemByName("Eta1" + k)->SetUtilized(!kinematic);
    CalcItemByName("Ny1" + k)->SetUtilized(kinematic);
  }
  CountValidOps();
}

void TCustomMCM3SubstancesMaterialPipe::CountValidOps() {
  TCustomSCM3SubstancesMaterialPipe* calc = Calculation();
  if (!calc) return;
  int valid = 0;
  for (int point : {1, 2, 3, 4}) {
    const bool on = point == 4 ? calc->GetOpXEnabled() : point <= calc->GetNoOfOps();
    if (on && HasValue(static_cast<TCalcParameter*>(CalcItemByName(std::string("Rho1") + OpSuffix(point)))->GetValue()))
      ++valid;
  }
  static_cast<TCalcParameter*>(CalcItemByName("NoOfValidOps"))->AssignValue(0, valid);
}

// -------------------------------------------------------------- super module

TCustomSCM3SubstancesMaterialPipe::TCustomSCM3SubstancesMaterialPipe(TCalcComponent* owner, std::string name)
    : TCustomSCM3SubstancesMaterialPipe(owner, std::move(name), MakeMainModule<TCustomMCM3SubstancesMaterialPipe>) {}

TCustomSCM3SubstancesMaterialPipe::TCustomSCM3SubstancesMaterialPipe(TCalcComponent* owner, std::string name,
                                                                     TMainModuleFactory makeMain)
    : TCustomSCMSubstancesMaterialPipe(owner, std::move(name), makeMain) {
  FCCMSubstances2 = CreateSubstances("FCCMSubstances2", FCalcSourceSubstances2);
  FCCMSubstances3 = CreateSubstances("FCCMSubstances3", FCalcSourceSubstances3);
  FCCMSubstancesX = CreateSubstances("FCCMSubstancesX", FCalcSourceSubstancesX);
}

TCCMSubstances* TCustomSCM3SubstancesMaterialPipe::Substances(int point) const {
  switch (point) {
    case 1: return FCCMSubstances1;
    case 2: return FCCMSubstances2;
    case 3: return FCCMSubstances3;
    default: return FCCMSubstancesX;
  }
}

void TCustomSCM3SubstancesMaterialPipe::Init() {
  TCustomSCMSubstancesMaterialPipe::Init();
  using M = TCustomMCMSubstances;
  TCalcSource* sources[] = {FCalcSourceSubstances2, FCalcSourceSubstances3, FCalcSourceSubstancesX};
  TCalcConnector** connectors[] = {&FCalcConnectorSubstances2, &FCalcConnectorSubstances3,
                                   &FCalcConnectorSubstancesX};
  for (int point : {2, 3, 4}) {
    const std::string k = OpSuffix(point);
    std::string name = "FCalcConnectorSubstances";
    name += PointDigit(point);
    TCalcConnector* c = CreateConnector(CalcSourceCustomMCM1(), sources[point - 2], name);
    *connectors[point - 2] = c;
    // Copied from point 1: the declared phase and the normal conditions.
    for (const char* n : {"Phase", "StandardConditions", "TN0", "PN0"})
      c->InDataPump.AddConnection(n, n);
    if (point == 2) c->InDataPump.AddConnection("GasMedium|GasMedium");
    // Entered per point.
    c->InConnections.AddConnection("P1" + k + "|P1");
    c->InConnections.AddConnection("T1" + k + "|T1");
    c->InConnections.AddConnection("PhiRel" + k + "|PhiRel");
    // The medium and its data: entered once, the same at every point.
    for (const auto* list : {&M::SwitchNames(), &M::InputNames(), &M::ConstantNames()})
      for (const auto& n : *list)
        if (!IsPerPointOrCopied(n) && !IsGasConstant(n)) c->InConnections.AddConnection(n, M::ModuleNameOf(n));
    // The state found at the point.
    for (const char* n : {"CalculatedPhase", "Eta1", "Ny1", "Pv1", "pl1"})
      c->OutConnections.AddConnection(n, n + k);
    c->OutConnections.AddConnection("PvW|PvW1" + k);
    c->OutConnections.AddConnection("xMv|xMv1" + k);
    for (const char* n : {"Rho1", "h1", "s1", "Tv1", "V1", "Z1", "Cf", "Kappa1", "Cp1"})
      c->OutConnections.AddConnection(n, n + k);
    // Whichever of standard density, gas constant, molar mass and specific
    // gravity the user gives, point 1 finds the molar mass; the further
    // points are given that molar mass (CarryMolarMass) and derive the
    // other three with their own normal state, so that a value the user
    // enters reaches every point and no point falls back to the database.
    TCMSubstances& m = Substances(point)->CalcModule();
    m.RhoNRiM->SetSwitchStatus(2);
    m.ChangePhase->SetChecked(false);
    c->SetActive(true);
  }
  EnableSubstances(FCCMSubstancesX, FOpXEnabled);
}

void TCustomSCM3SubstancesMaterialPipe::CarryMolarMass() {
  const TCalcItem* main = GetMainCalcModule()->CalcItemByName("M");
  if (!main) return;
  const Extended value = main->AsParameter()->GetValue();
  for (int point : {2, 3, 4}) {
    TCalcParameter* M = Substances(point)->CalcModule().M;
    if (M->GetInputState() == isUser && (M->GetValue() == value || (IsNoValue(value) && IsNoValue(M->GetValue()))))
      continue;
    M->SetValuesParallel(isUser, M->GetCalcUnitNo(), value);
  }
}

void TCustomSCM3SubstancesMaterialPipe::SetNoOfOps(int n) {
  n = std::clamp(n, 1, 3);
  if (n == FNoOfOps) return;
  BeginUpdate();
  FNoOfOps = static_cast<std::uint8_t>(n);
  EnableSubstances(FCCMSubstances2, n >= 2);
  EnableSubstances(FCCMSubstances3, n >= 3);
  ApplyNoOfOps();
  ShowOpsInMain();
  EndUpdate(true);
}

void TCustomSCM3SubstancesMaterialPipe::SetOpXEnabled(bool enabled) {
  const bool effective = enabled && GetReady();
  if (effective == FOpXEnabled || !FCCMSubstancesX) return;
  BeginUpdate();
  FOpXEnabled = effective;
  EnableSubstances(FCCMSubstancesX, effective);
  ApplyOpXEnabled();
  ShowOpsInMain();
  EndUpdate(true);
}

void TCustomSCM3SubstancesMaterialPipe::ShowOpsInMain() {
  TMainCalcModule& main = *GetMainCalcModule();
  auto* m = dynamic_cast<TCustomMCM3SubstancesMaterialPipe*>(&main);
  if (!m) return;
  auto set = [&](const char* name, bool on) {
    auto* s = static_cast<TCalcSwitch*>(main.CalcItemByName(name));
    if (s->GetChecked() != on) s->SetChecked(on);
  };
  // Showing the state sets the main module's items; their reactions find
  // the state already in place and change nothing.
  auto* entered = main.CalcItemByName("NoOfEnteredOps")->AsParameter();
  const Extended v = entered->GetValue();
  if (!(HasValue(v) && std::trunc(v) == FNoOfOps)) entered->SetValue(FNoOfOps);
  set("Use2ndOp", FNoOfOps >= 2);
  set("Use3rdOp", FNoOfOps >= 3);
  set("UseXthOp", FOpXEnabled);
  m->CountValidOps();
}

}  // namespace torvacalc
