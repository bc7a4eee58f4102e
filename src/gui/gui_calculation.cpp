#include "gui/gui_calculation.h"

#include <algorithm>
#include <set>

#include "files/calculation_file.h"
#include "framework/calc_switch.h"
#include "framework/number_text.h"
#include "framework/options.h"
#include "framework/translation.h"
#include "shell/module_kinds.h"
#include "valves/cm_control_valves.h"

namespace torvacalc {

std::string TGuiCalculation::OperatingPointCaption(int op) const {
  return Translate("Betriebspunkt") + " " + std::to_string(op + 1);
}

void TGuiCalculation::RestartHistory() {
  Super().ClearHistory();
  Super().AddToHistory();
}

bool TGuiCalculation::Locate(const TCalcItem* item, std::string* name, int* op) const {
  if (!item) return false;
  if (FPlaces.empty())
    for (const auto& page : Pages())
      for (const auto& group : page.Groups)
        for (const std::string& n : group.Items)
          for (int k = 0; k < OperatingPointCount(); ++k)
            if (const TCalcItem* i = Item(n, k)) FPlaces.emplace(i, std::make_pair(n, k));
  const auto it = FPlaces.find(item);
  if (it == FPlaces.end()) return false;
  if (name) *name = it->second.first;
  if (op) *op = it->second.second;
  return true;
}

namespace {

// The valve module's items as an engineer reads a data sheet: what is
// asked, the operating point, the medium, the valve, the pipe, then the
// results. Items not named here appear in a last group, so that a new item
// of the module is never hidden.
std::vector<TGuiPage> ValvePages(const TCalcModule& m) {
  std::vector<TGuiPage> pages = {
      {"Betriebsdaten",
       {{"Berechnung", {"WhatToCalculate", "Phase", "CalculatedPhase", "FlowState", "FlowType"}},
        {"Betriebspunkt", {"qm", "p1", "p2", "kv", "dp", "t1"}},
        {"Medium",
         {"SubstanceType", "rho1", "rho2", "eta1", "pv1", "pv2", "pc", "kappa1", "z1", "tv1", "tc", "pl1",
          "phi0", "PulpeType", "xPulp", "xFG1"}}}},
      {"Ventil",
       {{"Ventil",
         {"ValveType", "GlobeType", "RotaryType", "ButterflyType", "BallValveType", "CharacteristicType",
          "LowNoiseDesign", "InwardFlow", "kvs", "DNV", "DNV1", "ListDN", "Seat", "dH"}},
        {"Ventilbeiwerte",
         {"fl2_75", "fl2", "Kc_75", "Kc", "zy_75", "zy", "xt_75", "xt", "fd_75", "fd", "fd_75c", "f1", "f2",
          "g1", "g2", "fl2func", "Kcfunc", "zyfunc", "xtfunc", "fdfunc", "HasSigmaData"}},
        {"Rohrleitung",
         {"LineSize", "DN1", "DN2", "ListDN1", "PipeClass", "UseResistors", "ResistorType", "cvr", "pr", "dr",
          "aPSE", "bSSE"}}}},
      {"Ergebnisse",
       {{"Ergebnisse",
         {"x", "xc", "dpc", "dpXc", "dpLimit", "fk", "KcStar", "FlStar", "h", "fp", "fr", "flp2", "RE",
          "ViscosityNorm", "KvRed", "KvKvs", "kvsSuggMin", "kvsSuggMax", "fPulp"}},
        {"Kavitation", {"SigmaP", "SigmaV", "SigmaMr", "SigmaCh", "SigmaI", "SigmaId", "Sigma"}},
        {"Nennbedingungen", {"KvNC", "QmNC", "P1NC", "P2NC"}}}},
  };
  std::set<std::string> listed;
  for (auto& page : pages)
    for (auto& group : page.Groups) {
      // Names the module does not have (any more) are dropped.
      std::erase_if(group.Items, [&](const std::string& n) { return m.CalcItemByName(n) == nullptr; });
      listed.insert(group.Items.begin(), group.Items.end());
    }
  TGuiGroup rest{"Weitere Werte", {}};
  for (const TCalcItem* item : m.GetCalcItems())
    if (!listed.count(item->GetName())) rest.Items.push_back(item->GetName());
  if (!rest.Items.empty()) pages.back().Groups.push_back(rest);
  return pages;
}

}  // namespace

TValveModuleCalculation::TValveModuleCalculation()
    : FSuper(std::make_unique<TSuperCalcModule>("SCMValveModule")) {
  FValve = FSuper->CreateModule<TCMControlValves>();
  FPages = ValvePages(*FValve);
  FSuper->SetActive(true);
  RestartHistory();
}

TValveModuleCalculation::~TValveModuleCalculation() {
  // The messages name the module's items: they go first.
  FSuper->GetCalcMessageContainer()->RemoveAllMessages();
}

std::string TValveModuleCalculation::KindName() const { return FValve->ClassName(); }

TCalcItem* TValveModuleCalculation::Item(const std::string& name, int op) const {
  return op == 0 ? FValve->CalcItemByName(name) : nullptr;
}

void TValveModuleCalculation::Load(const std::string& fileName) {
  const std::string className = CalculationClassOfFile(fileName);
  if (className != KindName())
    throw ECalculationFile(Translate("Die Datei enthaelt keine Regelventilberechnung") + ": " + className);
  const TCalcState before = FSuper->SaveState();
  FSuper->BeginSetValues();
  try {
    ReadModuleFromFile(*FValve, fileName);
  } catch (...) {
    FSuper->EndSetValues();
    FSuper->LoadState(before);
    RestartHistory();
    throw;
  }
  FSuper->EndSetValues();
  RestartHistory();
}

void TValveModuleCalculation::Save(const std::string& fileName) { SaveModuleToFile(*FValve, fileName, "cvc"); }

const TCalcParameter& ShownParameter(const TCalcParameter& p) {
  const TCalcItem* root = p.GetRootCalcItem();
  const TCalcParameter* shown = root ? root->AsParameter() : nullptr;
  return shown ? *shown : p;
}

TCalcParameter& ShownParameter(TCalcParameter& p) {
  return const_cast<TCalcParameter&>(ShownParameter(static_cast<const TCalcParameter&>(p)));
}

void SetShownUnit(TCalcParameter& p, int unitNo) {
  p.SetCalcUnitNo(unitNo);
  if (TCalcParameter& shown = ShownParameter(p); &shown != &p) shown.SetCalcUnitNo(unitNo);
}

TItemLook ItemLook(const TCalcItem& item) {
  if (!item.GetUtilized() || !item.GetIsUsed()) return TItemLook::NotUsed;
  if (item.GetOverruled()) return TItemLook::Overruled;
  switch (item.GetInputState()) {
    case isCalculated: return TItemLook::Calculated;
    case isDatabase: return item.GetModified() ? TItemLook::User : TItemLook::Database;
    default: break;
  }
  if (!item.GetCanModify()) return TItemLook::ReadOnly;
  return TItemLook::User;
}

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// The framework's message for a value it cannot use (number 120 of the
// catalogue), with the bounds in the unit the user sees.
std::string OutOfBoundsText(const TCalcParameter& item) {
  const TCalcParameter& p = ShownParameter(item);
  const auto row = TDataModuleMessages::Instance().Find(120, HXOptions().Language);
  const std::string pattern = row ? row->Text : Translate("Der Wert liegt ausserhalb des zulaessigen Bereichs von %s bis %s.");
  return FormatMessageText(pattern, {p.ConvertToUnitString(p.GetLowerBound()), p.ConvertToUnitString(p.GetUpperBound())});
}

// One change of the calculation: one recalculation, one step of history.
template <class F>
void AsOneChange(TGuiCalculation& calc, F&& change) {
  TSuperCalcModule& s = calc.Super();
  s.BeginUpdate();
  try {
    change();
  } catch (...) {
    s.EndUpdate(true);
    throw;
  }
  s.EndUpdate(true);
}

}  // namespace

TInputResult EnterParameterText(TGuiCalculation& calc, TCalcParameter& p, const std::string& typed,
                                const std::vector<TCalcParameter*>& sameRow) {
  const std::string text = Trim(typed);
  if (text.empty()) {
    AsOneChange(calc, [&] {
      p.EnterByUser(true);
      p.SetText("");
    });
    return {true, {}};
  }
  std::string number = text, unitName;
  if (const size_t blank = text.find_first_of(" \t"); blank != std::string::npos) {
    number = text.substr(0, blank);
    unitName = Trim(text.substr(blank));
  }
  const int shownUnit = ShownParameter(p).GetCalcUnitNo();
  int unitNo = shownUnit;
  if (!unitName.empty()) {
    unitNo = TQuantityArray::UnitNoByName(p.GetQuantity(), unitName);
    // Pressures in valve sizing are absolute (IEC 60534-2-1): "bar" or
    // "psi" without (a) or (g) is read as the absolute unit.
    if (unitNo < 0) unitNo = TQuantityArray::UnitNoByName(p.GetQuantity(), unitName + "(a)");
    if (unitNo < 0) {
      return {false, FormatMessageText(Translate("Die Einheit [%s] gehoert nicht zur Groesse [%s]."),
                                       {unitName, p.GetQuantityName()})};
    }
  }
  std::string normalized = number;
  std::replace(normalized.begin(), normalized.end(), ',', '.');
  const auto value = TextToNumber(normalized, '.');
  if (!value) return {false, OutOfBoundsText(p)};
  const Extended basic = unitNo == 0 ? *value : GetBasicUnitValue(unitNo, p.GetQuantity(), *value);
  if (p.GetUpperBound() > p.GetLowerBound() && !(p.GetLowerBound() <= basic && basic <= p.GetUpperBound()))
    return {false, OutOfBoundsText(p)};
  AsOneChange(calc, [&] {
    p.EnterByUser(false);
    if (unitNo != shownUnit) {
      SetShownUnit(p, unitNo);
      p.CalcUnits().AddToTop5(unitNo);
    }
    if (!unitName.empty())
      for (TCalcParameter* twin : sameRow)
        if (twin && twin != &p && ShownParameter(*twin).GetCalcUnitNo() != unitNo) SetShownUnit(*twin, unitNo);
    p.SetValue(basic);
  });
  return {true, {}};
}

void ChooseParameterUnit(TGuiCalculation& calc, TCalcParameter& p, int unitNo) {
  if (unitNo < 0 || unitNo >= p.CalcUnits().GetCount() || unitNo == ShownParameter(p).GetCalcUnitNo()) return;
  AsOneChange(calc, [&] { SetShownUnit(p, unitNo); });
  p.CalcUnits().AddToTop5(unitNo);
}

void ChooseSwitch(TGuiCalculation& calc, TCalcItem& item, int index) {
  // Choosing what is chosen already is no change (and no undo step).
  if (auto* multi = dynamic_cast<TCustomCalcMultiSwitch*>(&item)) {
    if (index < 0 || index >= static_cast<int>(multi->GetValueList().size()) || index == multi->GetSwitchStatus())
      return;
    AsOneChange(calc, [&] {
      item.EnterByUser(false);
      multi->SetSwitchStatus(index);
    });
  } else if (auto* two = dynamic_cast<TCalcSwitch*>(&item)) {
    if (two->GetChecked() == (index != 0)) return;
    AsOneChange(calc, [&] {
      item.EnterByUser(false);
      two->SetChecked(index != 0);
    });
  }
}

void EnterItemText(TGuiCalculation& calc, TCalcItem& item, const std::string& text) {
  if (item.GetText() == text) return;
  AsOneChange(calc, [&] {
    item.EnterByUser(text.empty());
    item.SetText(text);
  });
}

std::vector<int> OfferedUnits(const TCalcParameter& p) {
  std::vector<int> units;
  for (int u : TQuantityArray::Top5(p.GetQuantity()))
    if (u >= 0 && u < p.CalcUnits().GetCount() && std::find(units.begin(), units.end(), u) == units.end())
      units.push_back(u);
  for (int u = 0; u < p.CalcUnits().GetCount(); ++u)
    if (std::find(units.begin(), units.end(), u) == units.end()) units.push_back(u);
  return units;
}

std::string FieldText(const TCalcItem& item) {
  if (const auto* p = item.AsParameter(); p && p->GetValueState() == vsUndefined) return {};
  return ItemValueText(item);
}

TCalcItem* NextTroubleMaker(const TCalcMessageContainer& messages, const TCalcItem* current) {
  std::vector<TCalcItem*> blamed;
  for (const auto& m : messages.Messages()) {
    if (m->MessageType > cmMissingParameter || !m->CalcItem) continue;
    if (std::find(blamed.begin(), blamed.end(), m->CalcItem) == blamed.end()) blamed.push_back(m->CalcItem);
  }
  if (blamed.empty()) return nullptr;
  const auto at = std::find(blamed.begin(), blamed.end(), current);
  if (at == blamed.end() || at + 1 == blamed.end()) return blamed.front();
  return *(at + 1);
}

}  // namespace torvacalc
