#include "assembly/main_items.h"

#include <cstdint>
#include <typeinfo>
#include <utility>

#include "framework/basics.h"

namespace torvacalc {

namespace {

template <class P>
TCalcItem* MirrorParameter(TAncestorCalcModule& main, const TCalcParameter& model, const std::string& name) {
  P* p = main.AddItem<P>(name, model.GetLowerBound(), model.GetUpperBound(), model.GetQuantity());
  p->SetCalcUnitNo(model.GetCalcUnitNo());
  return p;
}

template <class S>
TCalcItem* MirrorMultiSwitch(TAncestorCalcModule& main, const TCustomCalcMultiSwitch& model,
                             const std::string& name) {
  S* s = main.AddItem<S>(name);
  s->SetValueList(model.SharedValueList());
  if (model.GetSwitchStatus() >= 0) s->SetSwitchStatus(model.GetSwitchStatus());
  return s;
}

// The class a mirror of an item is made of.
enum class TMirrorKind : std::uint8_t {
  Output, Modify, Overrule, InOut, Input, Switch, MatData, FluidData, DataList, DataMulti, PipeClass, List,
  RelevantString, String
};

TMirrorKind MirrorKindOf(const TCalcItem& model) {
  if (const auto* p = model.AsParameter()) {
    if (dynamic_cast<const TOutputParameter*>(p)) return TMirrorKind::Output;
    if (dynamic_cast<const TModifyParameter*>(p)) return TMirrorKind::Modify;
    if (dynamic_cast<const TOverruleParameter*>(p)) return TMirrorKind::Overrule;
    if (dynamic_cast<const TInOutParameter*>(p)) return TMirrorKind::InOut;
    return TMirrorKind::Input;
  }
  if (dynamic_cast<const TCalcSwitch*>(&model)) return TMirrorKind::Switch;
  if (const auto* m = dynamic_cast<const TCustomCalcMultiSwitch*>(&model)) {
    if (dynamic_cast<const TMatDataMultiSwitch*>(m)) return TMirrorKind::MatData;
    if (dynamic_cast<const TFluidDataMultiSwitch*>(m)) return TMirrorKind::FluidData;
    if (dynamic_cast<const TDataListSwitch*>(m)) return TMirrorKind::DataList;
    if (dynamic_cast<const TDataMultiSwitch*>(m)) return TMirrorKind::DataMulti;
    if (dynamic_cast<const TPipeClassSwitch*>(m)) return TMirrorKind::PipeClass;
    return TMirrorKind::List;
  }
  // A text the calculation depends on (a wanted actuator's name): a
  // change of it computes again.
  if (dynamic_cast<const TCalcRelevantString*>(&model)) return TMirrorKind::RelevantString;
  return TMirrorKind::String;
}

// The kind depends on the model's class alone: a calculation mirrors
// hundreds of items of a dozen classes, each class is looked at once.
TMirrorKind CachedMirrorKindOf(const TCalcItem& model) {
  thread_local std::vector<std::pair<const std::type_info*, TMirrorKind>> known;
  const std::type_info* type = &typeid(model);
  for (const auto& [t, kind] : known)
    if (t == type) return kind;
  known.emplace_back(type, MirrorKindOf(model));
  return known.back().second;
}

}  // namespace

TCalcItem* MirrorItem(TAncestorCalcModule& main, const TCalcItem& model, const std::string& name) {
  TCalcItem* made = nullptr;
  const auto* p = model.AsParameter();
  const auto m = [&model]() -> const TCustomCalcMultiSwitch& {
    return static_cast<const TCustomCalcMultiSwitch&>(model);
  };
  switch (CachedMirrorKindOf(model)) {
    case TMirrorKind::Output: made = MirrorParameter<TOutputParameter>(main, *p, name); break;
    case TMirrorKind::Modify: made = MirrorParameter<TModifyParameter>(main, *p, name); break;
    case TMirrorKind::Overrule: made = MirrorParameter<TOverruleParameter>(main, *p, name); break;
    case TMirrorKind::InOut: made = MirrorParameter<TInOutParameter>(main, *p, name); break;
    case TMirrorKind::Input: made = MirrorParameter<TInputParameter>(main, *p, name); break;
    case TMirrorKind::Switch: {
      auto* t = main.AddItem<TCalcSwitch>(name);
      t->SetSwitchStatus(static_cast<const TCalcSwitch&>(model).GetSwitchStatus());
      made = t;
      break;
    }
    case TMirrorKind::MatData: made = MirrorMultiSwitch<TMatDataMultiSwitch>(main, m(), name); break;
    case TMirrorKind::FluidData: made = MirrorMultiSwitch<TFluidDataMultiSwitch>(main, m(), name); break;
    case TMirrorKind::DataList: made = MirrorMultiSwitch<TDataListSwitch>(main, m(), name); break;
    case TMirrorKind::DataMulti: made = MirrorMultiSwitch<TDataMultiSwitch>(main, m(), name); break;
    case TMirrorKind::PipeClass: made = MirrorMultiSwitch<TPipeClassSwitch>(main, m(), name); break;
    case TMirrorKind::List: made = MirrorMultiSwitch<TCalcListSwitch>(main, m(), name); break;
    case TMirrorKind::RelevantString: made = main.AddItem<TCalcRelevantString>(name); break;
    case TMirrorKind::String: made = main.AddItem<tCalcString>(name); break;
  }
  // The caption untranslated: the mirror translates it into whatever
  // language the program speaks when it is shown.
  made->SetCaption(model.GetCaptionText().empty() ? model.GetCaption() : model.GetCaptionText());
  made->SetReadOnly(model.GetReadOnly());
  made->SetInputState(model.GetInputState());
  return made;
}

std::vector<TCalcItem*> ItemsByName(const TAncestorCalcModule& module, const std::vector<std::string>& names) {
  std::vector<TCalcItem*> items;
  items.reserve(names.size());
  for (const auto& n : names) {
    TCalcItem* i = module.CalcItemByName(n);
    if (!i) throw EHXInternal("item \"" + n + "\" missing in module " + module.GetName());
    items.push_back(i);
  }
  return items;
}

TCalcItem& ItemByName(const TAncestorCalcModule& module, std::string_view name) {
  TCalcItem* i = module.CalcItemByName(name);
  if (!i) throw EHXInternal("item \"" + std::string(name) + "\" missing in module " + module.GetName());
  return *i;
}

void EnableModule(TCalcModule* module, bool on) {
  if (!module || module->GetEnabled() == on) return;
  module->SetEnabled(on);
  if (on) module->Calculate();
}

const std::vector<TSheetField>& HeaderItems() {
  static const std::vector<TSheetField> items = {
      {"Tag", "Messstellennummer"},      {"Project", "Projekt"},         {"Customer", "Kunde"},
      {"Plant", "Anlage / Standort"},    {"Service", "Aufgabe"},         {"LineNo", "Leitungsnummer"},
      {"PID", "R&I-Fließbild"},          {"SheetNo", "Blatt"},           {"DocumentNo", "Dokumentnummer"},
      {"Revision", "Revision"},          {"SheetDate", "Datum"},         {"PreparedBy", "Erstellt"},
      {"CheckedBy", "Geprüft"},          {"ApprovedBy", "Freigegeben"},
  };
  return items;
}

const std::vector<TSheetField>& SpecificationItems() {
  static const std::vector<TSheetField> items = {
      {"Insulation", "Isolierung"},
      {"EndConnection", "Anschlussart"},
      {"FaceToFace", "Baulänge"},
      {"BodyMaterial", "Gehäusewerkstoff"},
      {"BonnetType", "Oberteil"},
      {"TrimMaterial", "Garniturwerkstoff"},
      {"Positioner", "Stellungsregler"},
      {"InputSignal", "Eingangssignal"},
      {"Accessories", "Zubehör"},
      {"Handwheel", "Handrad"},
      {"AllowedLevel", "Zulässiger Schalldruckpegel"},
      {"SheetNotes", "Anforderungen"},
  };
  return items;
}

void AddSheetItems(TAncestorCalcModule& main) {
  for (const auto* list : {&HeaderItems(), &SpecificationItems()})
    for (const TSheetField& i : *list) main.AddItem<tCalcString>(i.name)->SetCaption(i.caption);
}

const char* OpSuffix(int point) {
  switch (point) {
    case 2: return "Ap2";
    case 3: return "Ap3";
    case 4: return "ApX";
    default: return "";
  }
}

}  // namespace torvacalc
