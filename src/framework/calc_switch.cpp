#include "framework/calc_switch.h"

#include <algorithm>
#include <set>
#include <utility>

#include "framework/calc_connector.h"
#include "framework/options.h"
#include "framework/translation.h"

namespace torvacalc {

namespace {

TCalcConnector* FindConnectorBelow(TCalcComponent& c, const std::string& name) {
  for (TCalcComponent* child : c.Children()) {
    if (auto* k = dynamic_cast<TCalcConnector*>(child); k && k->GetName() == name) return k;
    if (TCalcConnector* k = FindConnectorBelow(*child, name)) return k;
  }
  return nullptr;
}

// The item as a switch of that kind, or nullptr: a tag test, where a
// dynamic_cast down the deep item hierarchy cost hundreds of instructions
// each time a linked switch was read.
TCalcSwitch* AsTwoStateSwitch(TCalcItem* i) {
  return i && i->IsTwoStateSwitch() ? static_cast<TCalcSwitch*>(i) : nullptr;
}
const TCalcSwitch* AsTwoStateSwitch(const TCalcItem* i) {
  return i && i->IsTwoStateSwitch() ? static_cast<const TCalcSwitch*>(i) : nullptr;
}
TCustomCalcMultiSwitch* AsMultiSwitch(TCalcItem* i) {
  return i && i->IsMultiSwitch() ? static_cast<TCustomCalcMultiSwitch*>(i) : nullptr;
}
const TCustomCalcMultiSwitch* AsMultiSwitch(const TCalcItem* i) {
  return i && i->IsMultiSwitch() ? static_cast<const TCustomCalcMultiSwitch*>(i) : nullptr;
}

}  // namespace

std::string SwitchStatusToStr(TCheckBoxState status) {
  switch (status) {
    case cbUnchecked: return "nein";
    case cbChecked: return "ja";
    default: return "";
  }
}

TCheckBoxState StrToSwitchStatus(const std::string& text) {
  // German or English, in any case: "ja"/"yes", "nein"/"no".
  const std::string t = LowerAscii(text);
  if (t == "ja" || t == LowerAscii(TranslateInto("ja", "en"))) return cbChecked;
  if (t == "nein" || t == LowerAscii(TranslateInto("nein", "en"))) return cbUnchecked;
  return cbGrayed;
}

// --------------------------------------------------------- tCustomCalcSwitch

void tCustomCalcSwitch::AddEntry(std::vector<std::string>& list, const std::string& entry) {
  if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
}

void tCustomCalcSwitch::RemoveConnector(const std::string& entry) {
  FConnectors.erase(std::remove(FConnectors.begin(), FConnectors.end(), entry), FConnectors.end());
}

void tCustomCalcSwitch::RemoveParameter(const std::string& entry) {
  FParameters.erase(std::remove(FParameters.begin(), FParameters.end(), entry), FParameters.end());
}

TCalcConnector* tCustomCalcSwitch::FindConnector(const std::string& name) const {
  // Connectors live anywhere in the calculation the switch belongs to.
  TCalcComponent* top = FCalcModule;
  while (top && top->GetOwner()) top = top->GetOwner();
  return top ? FindConnectorBelow(*top, name) : nullptr;
}

TCalcItem* tCustomCalcSwitch::FindParameter(const std::string& name) const {
  return FCalcModule ? FCalcModule->CalcItemByName(name) : nullptr;
}

// --------------------------------------------------------------- TCalcSwitch

TCheckBoxState TCalcSwitch::GetSwitchStatus() const {
  // A switch of its own, the usual case in a calculation, answers without
  // walking and casting the chain of sources.
  if (!FSourceCalcItem) return FSwitchStatus;
  if (const auto* s = AsTwoStateSwitch(GetRootCalcItem()); s && s != this)
    return s->GetSwitchStatus();
  return FSwitchStatus;
}

void TCalcSwitch::SetText(const std::string& text) {
  if (FSourceCalcItem) {
    FSourceCalcItem->SetText(text);
    return;
  }
  const TCheckBoxState status = StrToSwitchStatus(text);
  if (text == FText && status == FSwitchStatus) return;
  Notify(ceBeforeFieldChange);
  FText = text;
  SetLocalSwitchStatus(status);
}

void TCalcSwitch::SetSwitchStatus(TCheckBoxState status) {
  if (auto* s = AsTwoStateSwitch(FSourceCalcItem)) {
    s->SetSwitchStatus(status);
    return;
  }
  if (status == FSwitchStatus && FText == SwitchStatusToStr(status)) return;
  const bool bracket = ModuleAlive();
  if (bracket) FCalcModule->BeginUpdate();
  Notify(ceBeforeFieldChange);
  SetLocalSwitchStatus(status);
  if (bracket) FCalcModule->EndUpdate(true);
}

void TCalcSwitch::SetLocalSwitchStatus(TCheckBoxState status) {
  FSwitchStatus = status;
  FText = SwitchStatusToStr(status);
  const bool on = status == cbChecked;
  for (const std::string& name : FConnectors)
    if (TCalcConnector* c = FindConnector(name)) c->SetActive(on);
  for (const std::string& name : FParameters)
    if (TCalcItem* p = FindParameter(name)) p->SetUtilized(on);
  DoAfterSetValueParameter();
}

// ---------------------------------------------------- TCustomCalcMultiSwitch

const TChoiceList& NoChoices() {
  static const TChoiceList none = std::make_shared<const std::vector<std::string>>();
  return none;
}

TChoiceTexts TSwitchDataSource::SharedValueTexts() const {
  auto texts = ValueTexts();
  if (texts.empty()) return nullptr;
  return std::make_shared<const std::map<std::string, std::vector<std::string>>>(std::move(texts));
}

int TCustomCalcMultiSwitch::GetSwitchStatus() const {
  if (!FSourceCalcItem) return FSwitchStatus;
  if (const auto* s = AsMultiSwitch(GetRootCalcItem()); s && s != this)
    return s->GetSwitchStatus();
  return FSwitchStatus;
}

const std::vector<std::string>& TCustomCalcMultiSwitch::GetValueList() const { return *SharedValueList(); }

const TChoiceList& TCustomCalcMultiSwitch::SharedValueList() const {
  if (!FSourceCalcItem) return FValues;
  if (const auto* s = AsMultiSwitch(GetRootCalcItem()); s && s != this)
    return s->SharedValueList();
  return FValues;
}

std::vector<std::string> TCustomCalcMultiSwitch::GetTranslatedValueList() const {
  std::vector<std::string> list;
  const int n = static_cast<int>(GetValueList().size());
  for (int i = 0; i < n; ++i) list.push_back(GetValueOfIndex(i));
  return list;
}

const TCustomCalcMultiSwitch& TCustomCalcMultiSwitch::TextOwner() const {
  if (!FSourceCalcItem) return *this;
  const auto* s = AsMultiSwitch(GetRootCalcItem());
  return s ? *s : *this;
}

void TCustomCalcMultiSwitch::SetValueTexts(const std::string& language, std::vector<std::string> texts) {
  if (texts.empty() && (!FValueTexts || !FValueTexts->count(language))) return;
  // Another switch may share the texts: the changed ones are a new map.
  auto changed = FValueTexts ? *FValueTexts : std::map<std::string, std::vector<std::string>>();
  if (texts.empty())
    changed.erase(language);
  else
    changed[language] = std::move(texts);
  FValueTexts = changed.empty() ? nullptr
                                : std::make_shared<const std::map<std::string, std::vector<std::string>>>(
                                      std::move(changed));
}

std::string TCustomCalcMultiSwitch::GetValueTextIn(int index, const std::string& language) const {
  const auto& values = GetValueList();
  if (index < 0 || index >= static_cast<int>(values.size())) return {};
  const auto i = static_cast<size_t>(index);
  if (language == "de") return values[i];
  if (const TChoiceTexts& own = TextOwner().FValueTexts)
    if (const auto it = own->find(language);
        it != own->end() && it->second.size() == values.size() && !it->second[i].empty())
      return it->second[i];
  return TranslateInto(values[i], language);
}

void TCustomCalcMultiSwitch::SetSourceCalcItem(TCalcItem* source) {
  auto* s = AsMultiSwitch(source);
  if (s && FValueTexts && !s->FValueTexts && (s->FValues == FValues || *s->FValues == *FValues)) {
    s->FValueTexts = FValueTexts;
    // The source's text was made without them.
    if (s->FSwitchStatus >= 0 && !s->FSourceCalcItem) s->FText = s->GetValueOfIndex(s->FSwitchStatus);
  }
  // A choice the user made here while the switch stood alone (read from a
  // file before the link was made: a valve picked from a catalogue list
  // the module fills) goes to the switch it now reads through, where no
  // choice stands yet.
  const std::string pending =
      s && !FSourceCalcItem && GetModified() && !FText.empty() && s->GetText().empty() ? FText : std::string();
  tCustomCalcSwitch::SetSourceCalcItem(source);
  if (!pending.empty()) {
    s->SetModified(true);
    s->SetText(pending);
  }
}

void TCustomCalcMultiSwitch::TakeValuesFrom(const TSwitchDataSource& source) {
  const std::string chosen = GetText();
  SetValueList(source.SharedValueList());
  if (const TChoiceTexts texts = source.SharedValueTexts()) {
    const bool complete =
        std::none_of(texts->begin(), texts->end(), [](const auto& entry) { return entry.second.empty(); });
    if (complete && (!FValueTexts || FValueTexts->empty()))
      FValueTexts = texts;
    else
      for (const auto& [language, t] : *texts) SetValueTexts(language, t);
  }
  const int index = IndexOfAnyName(chosen);
  if (index != FSwitchStatus || (index >= 0 && !IsTextOfIndex(index, FText))) SetLocalSwitchStatus(index);
}

void TCustomCalcMultiSwitch::SetValueList(const std::vector<std::string>& values) {
  SetValueList(values == *FValues ? FValues : std::make_shared<const std::vector<std::string>>(values));
}

void TCustomCalcMultiSwitch::SetValueList(std::vector<std::string>&& values) {
  SetValueList(values == *FValues ? FValues : std::make_shared<const std::vector<std::string>>(std::move(values)));
}

void TCustomCalcMultiSwitch::SetValueList(TChoiceList values) {
  if (!values) values = NoChoices();
  const std::vector<std::string>& old = *FValues;
  const std::string chosen =
      FSwitchStatus >= 0 && FSwitchStatus < static_cast<int>(old.size()) ? old[static_cast<size_t>(FSwitchStatus)]
                                                                           : std::string();
  // The entries' own texts belong to the old list.
  if (values != FValues && *values != old) FValueTexts = nullptr;
  if (FSorted && !std::is_sorted(values->begin(), values->end())) {
    auto sorted = *values;
    std::sort(sorted.begin(), sorted.end());
    values = std::make_shared<const std::vector<std::string>>(std::move(sorted));
  }
  FValues = std::move(values);
  // The chosen entry keeps its place by text.
  const std::vector<std::string>& now = *FValues;
  const auto it = std::find(now.begin(), now.end(), chosen);
  FSwitchStatus = chosen.empty() || it == now.end() ? -1 : static_cast<int>(it - now.begin());
}

int TCustomCalcMultiSwitch::AddValue(const std::string& value) {
  auto values = *FValues;
  values.push_back(value);
  SetValueList(values);
  const auto it = std::find(FValues->begin(), FValues->end(), value);
  return static_cast<int>(it - FValues->begin());
}

void TCustomCalcMultiSwitch::RemoveValue(int index) {
  if (index < 0 || index >= static_cast<int>(FValues->size())) return;
  auto values = *FValues;
  values.erase(values.begin() + index);
  SetValueList(values);
}

void TCustomCalcMultiSwitch::ClearValues() {
  FValues = NoChoices();
  FValueTexts = nullptr;
  FSwitchStatus = -1;
}

void TCustomCalcMultiSwitch::SetSorted(bool sorted) {
  FSorted = sorted;
  SetValueList(FValues);
}

const std::string* TCustomCalcMultiSwitch::OwnTextOfIndex(size_t i) const {
  const auto& values = GetValueList();
  const TChoiceTexts& own = TextOwner().FValueTexts;
  if (!own || own->empty()) return nullptr;
  const std::string& language = HXOptions().Language;
  if (language == "de") return &values[i];
  if (const auto it = own->find(language);
      it != own->end() && it->second.size() == values.size() && !it->second[i].empty())
    return &it->second[i];
  return nullptr;
}

std::string TCustomCalcMultiSwitch::GetValueOfIndex(int index) const {
  const auto& values = GetValueList();
  if (index < 0 || index >= static_cast<int>(values.size())) return {};
  const auto i = static_cast<size_t>(index);
  if (const std::string* own = OwnTextOfIndex(i)) return *own;
  return Translate(values[i]);
}

bool TCustomCalcMultiSwitch::IsTextOfIndex(int index, const std::string& text) const {
  const auto& values = GetValueList();
  if (index < 0 || index >= static_cast<int>(values.size())) return text.empty();
  const auto i = static_cast<size_t>(index);
  if (const std::string* own = OwnTextOfIndex(i)) return *own == text;
  return IsTranslation(values[i], text);
}

namespace {

// A choice's text as it is compared: without case, and with the umlauts
// and the sharp s written out (ae, oe, ue, ss), so that the spellings of
// keyboards and files without them ("Flüssig", "schließend") still name
// the entry ("Flüssig", "schließend").
std::string LowerAsciiText(const std::string& text) { return LowerAscii(text); }

std::string FoldedChoice(const std::string& text) {
  std::string s = LowerAscii(text);
  if (s.find('\xC3') == std::string::npos) return s;  // no umlaut, no sharp s
  static const std::pair<const char*, const char*> umlauts[] = {
      {"\xC3\xA4", "ae"}, {"\xC3\xB6", "oe"}, {"\xC3\xBC", "ue"}, {"\xC3\x84", "ae"},
      {"\xC3\x96", "oe"}, {"\xC3\x9C", "ue"}, {"\xC3\x9F", "ss"}};
  for (const auto& [from, to] : umlauts)
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 2)) s.replace(at, 2, to);
  return s;
}

}  // namespace

int TCustomCalcMultiSwitch::IndexOfText(const std::string& text) const {
  if (text.empty()) return -1;
  // As written first; the spelling without umlauts only when that finds
  // nothing (the common case costs no more than a comparison).
  for (auto fold : {&LowerAsciiText, &FoldedChoice}) {
    const std::string wanted = fold(text);
    const auto list = GetTranslatedValueList();
    for (size_t i = 0; i < list.size(); ++i)
      if (fold(list[i]) == wanted) return static_cast<int>(i);
    // The untranslated text names the entry as well, and so does its
    // English text whatever the language (case files are shared).
    const auto& raw = GetValueList();
    for (size_t i = 0; i < raw.size(); ++i)
      if (fold(raw[i]) == wanted) return static_cast<int>(i);
    for (size_t i = 0; i < raw.size(); ++i)
      if (fold(GetValueTextIn(static_cast<int>(i), "en")) == wanted) return static_cast<int>(i);
  }
  return -1;
}

int TCustomCalcMultiSwitch::IndexOfAnyName(const std::string& text) const {
  const int index = IndexOfText(text);
  if (index >= 0 || text.empty()) return index;
  for (const TCalcItem* target : Targets()) {
    const auto* m = AsMultiSwitch(target);
    if (!m || m->GetValueList() != GetValueList()) continue;
    if (const int i = m->IndexOfAnyName(text); i >= 0) return i;
  }
  return -1;
}

void TCustomCalcMultiSwitch::SetText(const std::string& text) {
  if (FSourceCalcItem) {
    FSourceCalcItem->SetText(text);
    return;
  }
  if (text == FText) return;
  const bool bracket = ModuleAlive();
  if (bracket) FCalcModule->BeginUpdate();
  Notify(ceBeforeFieldChange);
  FText = text;
  const int before = FSwitchStatus;
  // A text read from a file written in another language, or typed in it.
  const int index = IndexOfAnyName(text);
  SetLocalSwitchStatus(index);
  if (index < 0) FText = text;  // a text outside the list stays as typed
  (void)before;
  if (bracket) FCalcModule->EndUpdate(true);
}

void TCustomCalcMultiSwitch::SetSwitchStatus(int index) {
  if (auto* s = AsMultiSwitch(FSourceCalcItem)) {
    s->SetSwitchStatus(index);
    return;
  }
  if (index < -1 || index >= static_cast<int>(FValues->size())) index = -1;
  if (index == FSwitchStatus && IsTextOfIndex(index, FText)) return;
  const bool bracket = ModuleAlive();
  if (bracket) FCalcModule->BeginUpdate();
  Notify(ceBeforeFieldChange);
  SetLocalSwitchStatus(index);
  if (bracket) FCalcModule->EndUpdate(true);
}

void TCustomCalcMultiSwitch::SetLocalSwitchStatus(int index) {
  FSwitchStatus = index;
  FText = GetValueOfIndex(index);
  // Bracket every module the connectors touch, so that they recalculate
  // once, with the new wiring complete.
  std::vector<std::pair<TCalcConnector*, int>> connectors;
  std::vector<TCalcModule*> modules;
  for (const std::string& entry : FConnectors) {
    TCalcConnector* c = FindConnector(GetConnectorName(entry));
    if (!c) continue;
    connectors.push_back({c, GetValueNoFromConnector(entry)});
    for (TCalcSource* s : {c->GetCalcSource(), c->GetCalcTarget()})
      if (s && s->GetCalcModule() &&
          std::find(modules.begin(), modules.end(), s->GetCalcModule()) == modules.end())
        modules.push_back(s->GetCalcModule());
  }
  for (TCalcModule* m : modules) m->BeginUpdate();
  try {
    // Off first, then on: connectors of another entry are never on
    // together with those of the chosen one.
    for (auto& [c, no] : connectors)
      if (no != index) c->SetActive(false);
    for (auto& [c, no] : connectors)
      if (no == index) c->SetActive(true);
    for (const std::string& entry : FParameters)
      if (TCalcItem* p = FindParameter(GetParameterName(entry)))
        p->SetUtilized(GetValueNoFromParameter(entry) == index);
    DoAfterSetValueParameter();
  } catch (...) {
    for (TCalcModule* m : modules) m->EndUpdate(true);
    throw;
  }
  for (TCalcModule* m : modules) m->EndUpdate(true);
}

void TCustomCalcMultiSwitch::AddConnector(const std::string& connector, int valueNo) {
  AddEntry(FConnectors, ConnectorEntry(connector, valueNo));
}

void TCustomCalcMultiSwitch::AddParameter(const std::string& parameter, int valueNo) {
  AddEntry(FParameters, ParameterEntry(parameter, valueNo));
}

std::string TCustomCalcMultiSwitch::ConnectorEntry(const std::string& connector, int valueNo) {
  return connector + "|" + std::to_string(valueNo);
}

int TCustomCalcMultiSwitch::GetValueNoFromConnector(const std::string& entry) {
  const auto bar = entry.find('|');
  if (bar == std::string::npos) return -1;
  try {
    size_t used = 0;
    const int n = std::stoi(entry.substr(bar + 1), &used);
    return used == entry.size() - bar - 1 ? n : -1;
  } catch (...) {
    return -1;
  }
}

std::string TCustomCalcMultiSwitch::GetConnectorName(const std::string& entry) {
  return entry.substr(0, entry.find('|'));
}

// ---------------------------------------------------------- TXCalcListSwitch

void TXCalcListSwitch::SetVisible(int index, bool visible) {
  if (index >= 0 && index < 256) FHidden.set(static_cast<size_t>(index), !visible);
}

bool TXCalcListSwitch::GetVisible(int index) const {
  return index >= 0 && index < static_cast<int>(GetValueList().size()) &&
         (index >= 256 || !FHidden.test(static_cast<size_t>(index)));
}

int TXCalcListSwitch::GetFirstIndex() const { return GetNext(-1); }

int TXCalcListSwitch::GetLastIndex() const {
  for (int i = static_cast<int>(GetValueList().size()) - 1; i >= 0; --i)
    if (GetVisible(i)) return i;
  return -1;
}

int TXCalcListSwitch::GetNext(int index) const {
  for (int i = index + 1; i < static_cast<int>(GetValueList().size()); ++i)
    if (GetVisible(i)) return i;
  return -1;
}

int TXCalcListSwitch::GetNoOfVisibleIndexes() const {
  int n = 0;
  for (int i = 0; i < static_cast<int>(GetValueList().size()); ++i) n += GetVisible(i);
  return n;
}

int TXCalcListSwitch::IndexOfText(const std::string& text) const {
  const int i = TXCalcMultiSwitch::IndexOfText(text);
  return GetVisible(i) ? i : -1;
}

// -------------------------------------------------------- TLookUpMultiSwitch

int TLookUpMultiSwitch::AddValue(const std::string& value, const std::string& key) {
  auto values = *FValues;
  values.push_back(value);
  FValues = std::make_shared<const std::vector<std::string>>(std::move(values));
  FKeys.push_back(key);
  return static_cast<int>(FValues->size()) - 1;
}

void TLookUpMultiSwitch::SetValueList(TChoiceList values) {
  TCalcListSwitch::SetValueList(std::move(values));
  FKeys.assign(FValues->size(), std::string());
}

std::string TLookUpMultiSwitch::ValueKey() const {
  const int i = GetSwitchStatus();
  return i >= 0 && i < static_cast<int>(FKeys.size()) ? FKeys[static_cast<size_t>(i)] : std::string();
}

int TLookUpMultiSwitch::IndexOfValueKey(const std::string& key) const {
  const auto it = std::find(FKeys.begin(), FKeys.end(), key);
  return it == FKeys.end() ? -1 : static_cast<int>(it - FKeys.begin());
}

// ---------------------------------------------------------- data switches

void TDataMultiSwitch::SetSourceCalcItem(TCalcItem* source) {
  if (auto* s = AsMultiSwitch(source); s && s->SharedValueList() != FValues) {
    if (s->GetValueList() != *FValues) FValueTexts = nullptr;  // they named the entries of the old list
    FValues = s->SharedValueList();
  }
  TCustomCalcMultiSwitch::SetSourceCalcItem(source);
}

bool TDataMultiSwitch::GetFromDataBase() {
  if (!FDataSource) return false;
  TakeValuesFrom(*FDataSource);
  return true;
}

bool TDataCalcListSwitch::GetFromDataBase() {
  if (!FDataSource) return false;
  TakeValuesFrom(*FDataSource);
  return true;
}

std::shared_ptr<const TDataRecord> TDataMultiSwitch::Description() const {
  const auto* root = dynamic_cast<const TDataMultiSwitch*>(GetRootCalcItem());
  if (!root) root = this;
  if (!root->FDataSource) return nullptr;
  const int i = root->GetSwitchStatus();
  return i >= 0 ? root->FDataSource->Describe(i) : nullptr;
}

bool TDataListSwitch::GetReadOnly() const {
  return TDataMultiSwitch::GetReadOnly() || (GetInputState() == isDatabase && !GetModified());
}

}  // namespace torvacalc

// ------------------------------------------------------- calculation files

namespace torvacalc {

void TCalcSwitch::SaveToTag(TItemTagWriter& tag) const {
  TCalcItem::SaveToTag(tag);
  tag.AddLongInt("SwitchStatus", GetSwitchStatus());
}

void TCalcSwitch::LoadFromTag(const TItemTagReader& tag) {
  TCalcItem::LoadFromTag(tag);
  SetOverruled(tag.AsBoolean("OverRuled", false));
  SetModified(tag.AsBoolean("Modified", false));
  const std::int64_t status = tag.AsInteger("SwitchStatus", cbUnchecked);
  SetSwitchStatus(status >= cbUnchecked && status <= cbGrayed ? static_cast<TCheckBoxState>(status) : cbGrayed);
}

void TCustomCalcMultiSwitch::SaveToTag(TItemTagWriter& tag) const {
  TCalcItem::SaveToTag(tag);
  tag.AddString("Text", GetText());
  tag.AddLongInt("ValueCount", static_cast<std::int32_t>(GetValueList().size()));
}

void TCustomCalcMultiSwitch::LoadFromTag(const TItemTagReader& tag) {
  TCalcItem::LoadFromTag(tag);
  SetOverruled(tag.AsBoolean("OverRuled", false));
  SetModified(tag.AsBoolean("Modified", false));
  SetText(tag.AsString("Text", {}));
}

void TCalcListSwitch::SaveToTag(TItemTagWriter& tag) const {
  TXCalcListSwitch::SaveToTag(tag);
  tag.AddLongInt("SwitchIndex", GetSwitchIndex());
}

void TCalcListSwitch::LoadFromTag(const TItemTagReader& tag) {
  TXCalcListSwitch::LoadFromTag(tag);
  // The index decides where the text no longer names an entry (a list
  // that was translated differently when the file was written).
  if (tag.Exists("SwitchIndex") || GetSwitchIndex() < 0) {
    const std::int64_t index = tag.AsInteger("SwitchIndex", 0);
    if (GetSwitchIndex() < 0 && index >= 0 && index < static_cast<std::int64_t>(GetValueList().size()))
      SetSwitchIndex(static_cast<int>(index));
  }
}

void TLookUpMultiSwitch::SaveToTag(TItemTagWriter& tag) const {
  TCalcListSwitch::SaveToTag(tag);
  tag.AddString("Value", ValueKey());
}

}  // namespace torvacalc
