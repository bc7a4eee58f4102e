#include "workspace/workspace.h"

#include <algorithm>
#include <array>
#include <functional>
#include <set>

#include "files/calculation_file.h"
#include "files/text_codec.h"
#include "framework/calc_switch.h"
#include "framework/number_text.h"
#include "framework/options.h"
#include "framework/translation.h"
#include "media/cm_substances.h"
#include "workspace/entries.h"
#include "workspace/relevance.h"
#include "valves/cm_control_valves.h"

namespace torvacalc {

std::string TWorkspace::OperatingPointCaption(int op) const {
  return Translate("Betriebspunkt") + " " + std::to_string(op + 1);
}

TWorkspace::TWorkspace() {
  // Super modules save and open through the files library, and their
  // automatic backups are calculation files.
  RegisterCalculationFiles();
}

const std::vector<std::string>& TWorkspace::RequiredEntries() const {
  static const std::vector<std::string> none;
  return none;
}

bool TWorkspace::IsRequiredEntry(const std::string& name) const {
  const auto& required = RequiredEntries();
  return std::find(required.begin(), required.end(), name) != required.end();
}

void TWorkspace::RestartHistory() {
  FRedo.clear();
  Super().ClearHistory();
  Super().AddToHistory();
}

void TWorkspace::WatchHistory() {
  Super().HistoryObservers.push_back([this] {
    if (!FRedoing) FRedo.clear();
  });
}

bool TWorkspace::Undo() {
  if (!CanUndo()) return false;
  TCalcState now = Super().SaveState();
  if (!Super().UnDo()) return false;
  FRedo.push_back(std::move(now));
  return true;
}

bool TWorkspace::Redo() {
  if (FRedo.empty()) return false;
  const TCalcState state = std::move(FRedo.back());
  FRedo.pop_back();
  // Putting the state back records it as a step of history again, so
  // that it can be undone once more.
  FRedoing = true;
  try {
    Super().LoadState(state);
  } catch (...) {
    FRedoing = false;
    throw;
  }
  FRedoing = false;
  return true;
}

void TWorkspace::RowItems(const std::string& name, std::span<TCalcItem*> items) const {
  for (size_t op = 0; op < items.size(); ++op) items[op] = Item(name, static_cast<int>(op));
}

bool TWorkspace::Locate(const TCalcItem* item, std::string* name, int* op) const {
  if (!item) return false;
  if (FPlaces.empty())
    for (const auto& page : Pages())
      for (const auto& group : page.Groups)
        for (const std::string& n : group.Items) {
          std::array<TCalcItem*, 4> items{};
          RowItems(n, std::span(items).first(static_cast<size_t>(OperatingPointCount())));
          for (int k = 0; k < OperatingPointCount(); ++k)
            if (const TCalcItem* i = items[static_cast<size_t>(k)]) FPlaces.emplace(i, std::make_pair(n, k));
        }
  const auto it = FPlaces.find(item);
  if (it == FPlaces.end()) return false;
  if (name) *name = it->second.first;
  if (op) *op = it->second.second;
  return true;
}

namespace {

// The lines of a note's text; none for a blank text.
std::vector<std::string> NoteLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  while (!lines.empty() && TrimBlanks(lines.back()).empty()) lines.pop_back();
  return lines;
}

// The valve module's items as an engineer reads a data sheet: what is
// asked, the operating point, the medium, the valve, the pipe, then the
// results. Items not named here appear in a last group, so that a new item
// of the module is never hidden.
std::vector<TItemPage> ValvePages(const TCalcModule& m) {
  std::vector<TItemPage> pages = {
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
  TItemGroup rest{"Weitere Werte", {}};
  for (const TCalcItem* item : m.GetCalcItems())
    if (!listed.count(item->GetName())) rest.Items.push_back(item->GetName());
  if (!rest.Items.empty()) pages.back().Groups.push_back(rest);
  return pages;
}

}  // namespace

TValveModuleWorkspace::TValveModuleWorkspace()
    : FSuper(std::make_unique<TSuperCalcModule>("SCMValveModule")) {
  FValve = FSuper->CreateModule<TCMControlValves>();
  FPages = ValvePages(*FValve);
  FSuper->SetActive(true);
  WatchHistory();
  RestartHistory();
}

TValveModuleWorkspace::~TValveModuleWorkspace() {
  // The messages name the module's items: they go first.
  FSuper->GetCalcMessageContainer()->RemoveAllMessages();
}

std::string TValveModuleWorkspace::KindName() const { return FValve->ClassName(); }

TCalcItem* TValveModuleWorkspace::Item(const std::string& name, int op) const {
  return op == 0 ? FValve->CalcItemByName(name) : nullptr;
}

bool TValveModuleWorkspace::Relevant(const std::string& name, int op) const {
  const TCalcItem* item = Item(name, op);
  return item && TRelevance(*FValve)(*item);
}

void TValveModuleWorkspace::Load(const std::string& fileName) {
  const std::string className = CalculationClassOfFile(fileName);
  if (className != KindName())
    throw ECalculationFile(Translate("Die Datei enthält keine Regelventilberechnung") + ": " + className);
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

void TValveModuleWorkspace::Save(const std::string& fileName) { SaveModuleToFile(*FValve, fileName, "cvc"); }

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

bool IsResult(const TCalcParameter& p) {
  const TCalcParameter& shown = ShownParameter(p);
  if (shown.GetOverruled()) return false;
  return dynamic_cast<const TOutputParameter*>(&shown) || shown.GetInputState() == isCalculated;
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

// One change of the calculation: one recalculation, one step of history.
// The entry rule refuses before it changes anything, so a refused entry
// closes the bracket without a step.
template <class F>
void AsOneChange(TWorkspace& calc, F&& change) {
  TSuperCalcModule& s = calc.Super();
  s.BeginUpdate();
  try {
    change();
  } catch (const ECalcEntry&) {
    s.EndUpdate(false);
    throw;
  } catch (...) {
    s.EndUpdate(true);
    throw;
  }
  s.EndUpdate(true);
}

// An entry that gives the unit of a parameter the user enters: the
// results of its quantity are shown in it too.
template <class F>
void FollowingUnit(TWorkspace& calc, TCalcParameter* p, F&& enter) {
  const int unit = p ? ShownParameter(*p).GetCalcUnitNo() : -1;
  enter();
  if (p && !IsResult(*p) && ShownParameter(*p).GetCalcUnitNo() != unit)
    calc.ResultsFollowUnit(p->GetQuantity(), ShownParameter(*p).GetCalcUnitNo());
}

}  // namespace

TInputResult EnterParameter(TWorkspace& calc, TCalcParameter& p, const std::string& text,
                            const std::vector<TCalcParameter*>& sameRow) {
  try {
    // The rule refuses before it changes anything, so a refused entry
    // leaves neither a value nor a step of history behind.
    AsOneChange(calc, [&] { FollowingUnit(calc, &p, [&] { EnterParameterText(p, text, sameRow); }); });
  } catch (const ECalcEntry& e) {
    return {false, e.what()};
  }
  return {true, {}};
}

int TWorkspace::MessagePoint(const TCalcMessage&) const { return OperatingPointCount() > 1 ? -1 : 0; }

std::vector<TPointMessage> TWorkspace::ReadMessages() const {
  std::vector<TPointMessage> facts;
  for (const auto& m : const_cast<TWorkspace*>(this)->Messages().Messages()) {
    TPointMessage f{MessagePoint(*m), m->MsgNo, m->MessageType, m->GetTypeText(), m->Text, {}, m.get()};
    for (const TCalcItem* i : m->CalcItems) f.items.push_back(i->GetName());
    facts.push_back(std::move(f));
  }
  return facts;
}

TInputResult TWorkspace::Enter(const std::string& name, int point, const std::string& text) {
  TCalcItem* item = Item(name, point);
  if (!item) return {false, FormatMessageText(Translate("Unbekannter Wert [%s]"), {name})};
  std::vector<TCalcParameter*> row;
  for (int k = 0; k < OperatingPointCount(); ++k)
    if (TCalcItem* twin = Item(name, k); twin && twin->AsParameter()) row.push_back(twin->AsParameter());
  try {
    AsOneChange(*this, [&] { FollowingUnit(*this, item->AsParameter(), [&] { EnterItem(*item, text, row); }); });
  } catch (const ECalcEntry& e) {
    return {false, e.what()};
  }
  return {true, {}};
}

TInputResult TWorkspace::EnterSteps(const std::vector<std::string>& assignments) {
  TSuperCalcModule& s = Super();
  const TCalcState before = s.SaveState();
  const bool history = s.UseHistory;
  // The entries' own calculations enter no history; the state after the
  // last is one step from the state before the first.
  TInputResult result{true, {}};
  s.UseHistory = false;
  for (size_t i = 0; i < assignments.size() && result.Applied; ++i) {
    const std::string& a = assignments[i];
    const size_t eq = a.find('=');
    result = eq == std::string::npos ? TInputResult{false, a}
                                     : Enter(TrimBlanks(a.substr(0, eq)), 0, a.substr(eq + 1));
  }
  if (!result.Applied) s.LoadState(before);
  s.UseHistory = history;
  if (result.Applied && history) s.AddToHistory();
  return result;
}

std::vector<TCalcParameter*> TWorkspace::Parameters() const {
  std::vector<TCalcParameter*> params;
  for (const auto& page : Pages())
    for (const auto& group : page.Groups)
      for (const std::string& n : group.Items) {
        std::array<TCalcItem*, 4> items{};
        RowItems(n, std::span(items).first(static_cast<size_t>(OperatingPointCount())));
        for (int k = 0; k < OperatingPointCount(); ++k)
          if (TCalcItem* i = items[static_cast<size_t>(k)]; i && i->AsParameter()) params.push_back(i->AsParameter());
      }
  return params;
}

void TWorkspace::KeepShownUnits() {
  if (FKeepingUnits) return;
  if (FParameters.empty()) FParameters = Parameters();
  std::vector<std::pair<TCalcParameter*, int>> differ;
  for (TCalcParameter* p : FParameters)
    if (TCalcParameter& shown = ShownParameter(*p); &shown != p && shown.GetCalcUnitNo() != p->GetCalcUnitNo())
      differ.emplace_back(&shown, p->GetCalcUnitNo());
  if (differ.empty()) return;
  // Called as the outermost update closes: the units are set in a bracket
  // of their own that records nothing; the closing update records them.
  FKeepingUnits = true;
  Super().BeginUpdate();
  for (auto& [shown, unit] : differ) shown->SetCalcUnitNo(unit);
  Super().EndUpdate(false);
  FKeepingUnits = false;
}

void TWorkspace::ResultsFollowUnit(TQuantity q, int unitNo) {
  for (TCalcParameter* p : Parameters())
    if (p->GetQuantity() == q && IsResult(*p)) SetShownUnit(*p, unitNo);
}

void TWorkspace::ApplyUnitPreset(TUnitPreset preset) {
  AsOneChange(*this, [&] {
    for (TCalcParameter* p : Parameters()) {
      const int unit = PresetUnit(preset, p->GetQuantity(), ShownParameter(*p).GetCalcUnitNo());
      if (unit >= 0) SetShownUnit(*p, unit);
    }
  });
}

namespace {

// The units of the presets by name, per quantity; a pressure names the
// absolute unit, whose gauge twin is the name with (g).
struct TPresetUnits {
  TQuantity q;
  const char *si, *us;
};
const TPresetUnits kPresetUnits[] = {
    {qTemperature, "°C", "°F"},
    {qTemperatureDifference, "K", "°F"},
    {qPressureBar, "bar(a)", "psi(a)"},
    {qPressureMBar, "mbar(a)", "psi(a)"},
    {qPressureDropBar, "bar", "psi"},
    {qPressureDropMBar, "mbar", "psi"},
    {qMassFlowrate, "kg/h", "lb/h"},
    {qVolumeFlowrate, "m³/h", "gal/min(US)"},
    {qNormVolumeFlowrate, "m³/h", "SCFH"},
    {qKvCv, "m³/h", "Cv"},
    {qDynamicViscosity, "mPa s", "cP"},
    {qLengthMM, "mm", "in"},
    {qLengthM, "m", "ft"},
    {qAreaQMM, "mm²", "in²"},
    {qAreaQCM, "cm²", "in²"},
    {qDensity, "kg/m³", "lb/ft³"},
    {qVelocity, "m/s", "ft/s"},
    {qForce, "N", "lbf"},
    {qEnthalpy, "kJ/kg", "BTU/lb"},
    {qHeatCapacity, "kJ/(kg K)", "BTU/(lb °F)"},
};

bool IsGauge(const std::string& unitName) { return unitName.ends_with("(g)"); }

}  // namespace

int PresetUnit(TUnitPreset preset, TQuantity q, int current) {
  for (const TPresetUnits& u : kPresetUnits) {
    if (u.q != q) continue;
    std::string name = preset == TUnitPreset::US ? u.us : u.si;
    if (IsGauge(TQuantityArray::GetUnitName(q, current)) && name.ends_with("(a)"))
      name.replace(name.size() - 3, 3, "(g)");
    return TQuantityArray::UnitNoByName(q, name);
  }
  return -1;
}

void ApplyUnitPreset(TCalcModule& m, TUnitPreset preset) {
  for (TCalcItem* item : m.GetCalcItems())
    if (TCalcParameter* p = item->AsParameter()) {
      const int unit = PresetUnit(preset, p->GetQuantity(), ShownParameter(*p).GetCalcUnitNo());
      if (unit >= 0) SetShownUnit(*p, unit);
    }
}

std::optional<TUnitPreset> UnitPresetByName(const std::string& name) {
  const std::string n = LowerAscii(name);
  if (n == "si") return TUnitPreset::SI;
  if (n == "us") return TUnitPreset::US;
  return std::nullopt;
}

void TWorkspace::EnterAll(const std::vector<std::string>& assignments) {
  TSuperCalcModule& s = Super();
  s.BeginSetValues();
  try {
    for (const std::string& a : assignments) {
      const size_t eq = a.find('=');
      if (eq == std::string::npos) throw ECalcEntry("expected NAME=VALUE, got \"" + a + "\"");
      std::string name = TrimBlanks(a.substr(0, eq));
      if (!IsValidUtf8(name)) throw ECalcEntry("an item name: not valid UTF-8 text");
      constexpr std::string_view kNote = ".note";
      const bool note = name.size() > kNote.size() &&
                        LowerAscii(name.substr(name.size() - kNote.size())) == kNote;
      if (note) name.erase(name.size() - kNote.size());
      TCalcItem* item = Item(name, 0);
      if (!item) throw ECalcEntry("unknown item \"" + name + "\" of " + KindName());
      if (note) {
        const std::string text = TrimBlanks(a.substr(eq + 1));
        if (!IsValidUtf8(text)) throw ECalcEntry("the note of " + name + ": not valid UTF-8 text");
        item->SetStringListNotes(NoteLines(text));
        continue;
      }
      FollowingUnit(*this, item->AsParameter(), [&] { EnterItem(*item, a.substr(eq + 1)); });
    }
  } catch (...) {
    s.EndSetValues();
    RestartHistory();
    throw;
  }
  s.EndSetValues();
  RestartHistory();
}

void ChooseParameterUnit(TWorkspace& calc, TCalcParameter& p, int unitNo) {
  if (unitNo < 0 || unitNo >= p.CalcUnits().GetCount() || unitNo == ShownParameter(p).GetCalcUnitNo()) return;
  AsOneChange(calc, [&] {
    SetShownUnit(p, unitNo);
    if (!IsResult(p)) calc.ResultsFollowUnit(p.GetQuantity(), unitNo);
  });
  p.CalcUnits().AddToTop5(unitNo);
}

void ChooseSwitch(TWorkspace& calc, TCalcItem& item, int index) {
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

void SetItemNote(TWorkspace& calc, TCalcItem& item, const std::string& text) {
  const std::vector<std::string> lines = NoteLines(text);
  if (lines == item.NotesList()) return;
  AsOneChange(calc, [&] { item.SetStringListNotes(lines); });
}

std::string ItemNote(const TCalcItem& item) {
  std::string text;
  for (const std::string& line : item.NotesList()) text += (text.empty() ? "" : "\n") + line;
  return text;
}

void EnterItemText(TWorkspace& calc, TCalcItem& item, const std::string& text) {
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

void TWorkspace::LanguageChanged() {
  TSuperCalcModule& calc = Super();
  std::function<void(TCalcComponent&)> walk = [&](TCalcComponent& c) {
    if (auto* media = dynamic_cast<TCMSubstances*>(&c)) {
      media->DoAfterTranslate();
      // The list the user chooses from is the main module's item that the
      // module reads through: the same names in the new language, the
      // same medium chosen.
      auto* root = dynamic_cast<TCustomCalcMultiSwitch*>(media->FluidName->GetRootCalcItem());
      if (root && root != media->FluidName) {
        const TDataModuleCDSSubstance& db = media->Database();
        const std::string chosen = db.TranslatedSubstanceName(root->GetText(), db.GetLanguageNo());
        root->SetValueList(db.FillNamesList());
        if (!chosen.empty() && chosen != root->GetText()) root->SetText(chosen);
      }
    }
    for (TCalcComponent* child : c.Children()) walk(*child);
  };
  const bool history = calc.UseHistory;
  calc.UseHistory = false;
  walk(calc);
  calc.Calculate();
  calc.UseHistory = history;
}

}  // namespace torvacalc
