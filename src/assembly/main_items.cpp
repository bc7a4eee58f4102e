#include "assembly/main_items.h"

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

}  // namespace

TCalcItem* MirrorItem(TAncestorCalcModule& main, const TCalcItem& model, const std::string& name) {
  TCalcItem* made = nullptr;
  if (const auto* p = model.AsParameter()) {
    if (dynamic_cast<const TOutputParameter*>(p)) made = MirrorParameter<TOutputParameter>(main, *p, name);
    else if (dynamic_cast<const TModifyParameter*>(p)) made = MirrorParameter<TModifyParameter>(main, *p, name);
    else if (dynamic_cast<const TOverruleParameter*>(p)) made = MirrorParameter<TOverruleParameter>(main, *p, name);
    else if (dynamic_cast<const TInOutParameter*>(p)) made = MirrorParameter<TInOutParameter>(main, *p, name);
    else made = MirrorParameter<TInputParameter>(main, *p, name);
  } else if (const auto* s = dynamic_cast<const TCalcSwitch*>(&model)) {
    auto* t = main.AddItem<TCalcSwitch>(name);
    t->SetSwitchStatus(s->GetSwitchStatus());
    made = t;
  } else if (const auto* m = dynamic_cast<const TCustomCalcMultiSwitch*>(&model)) {
    if (dynamic_cast<const TMatDataMultiSwitch*>(m)) made = MirrorMultiSwitch<TMatDataMultiSwitch>(main, *m, name);
    else if (dynamic_cast<const TFluidDataMultiSwitch*>(m))
      made = MirrorMultiSwitch<TFluidDataMultiSwitch>(main, *m, name);
    else if (dynamic_cast<const TDataListSwitch*>(m)) made = MirrorMultiSwitch<TDataListSwitch>(main, *m, name);
    else if (dynamic_cast<const TDataMultiSwitch*>(m)) made = MirrorMultiSwitch<TDataMultiSwitch>(main, *m, name);
    else if (dynamic_cast<const TPipeClassSwitch*>(m)) made = MirrorMultiSwitch<TPipeClassSwitch>(main, *m, name);
    else made = MirrorMultiSwitch<TCalcListSwitch>(main, *m, name);
  } else if (dynamic_cast<const TCalcRelevantString*>(&model)) {
    // A text the calculation depends on (a wanted actuator's name): a
    // change of it computes again.
    made = main.AddItem<TCalcRelevantString>(name);
  } else {
    made = main.AddItem<tCalcString>(name);
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
