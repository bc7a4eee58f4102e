#include "framework/calc_item.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <utility>

#include "framework/calc_message.h"
#include "framework/calc_module.h"
#include "framework/number_text.h"
#include "framework/options.h"
#include "framework/translation.h"

namespace torvacalc {

// A calculated value's text is made when it is read, not when the value is
// stored: a recalculation sets some 40 outputs, and formatting a long double
// to 15 digits costs more than the sizing itself. Until then the text field
// holds a marker, NUL followed by the decimal separator in force when the
// value was set, so that the text read later is the very text an eager
// formatting would have made (a change of unit formats at once). The first
// read appends the text to the marker, so that a value read on every
// recalculation but set only now and then is formatted once.
static bool IsPendingText(const std::string& text) { return text.size() >= 2 && text[0] == '\0'; }
static std::string PendingText(char decimalSeparator) { return std::string{'\0', decimalSeparator}; }
static std::string UnitText(Extended v, char decimalSeparator);
// Every number's text has a digit; a text without one (none, or a value
// state's word) differs from any number's text without writing it.
static bool HasDigit(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}
// The text of an item: its own, or the one its pending marker stands for.
static std::string TextOf(const TCalcItem& item, const std::string& field) {
  if (!IsPendingText(field)) return field;
  if (field.size() > 2) return field.substr(2);
  const TCalcParameter* p = item.AsParameter();
  return p ? UnitText(p->ConvertToUnit(p->GetValue()), field[1]) : std::string();
}
// The same, keeping the text made beside the marker. Items are never
// created const, so the cache may be written through a const path.
static std::string CachedTextOf(const TCalcItem& item, const std::string& field) {
  std::string text = TextOf(item, field);
  if (IsPendingText(field) && field.size() == 2 && !text.empty()) const_cast<std::string&>(field) += text;
  return text;
}

const char* ValueStateText(tValueState s) {
  switch (s) {
    case vsFaulty: return "keine Zahl";
    case vsInfinity: return "unendlich";
    case vsMinusInfinity: return "-unendlich";
    default: return "";
  }
}

const char* DisplayStateText(tDisplayState s) {
  switch (s) {
    case dsNormal: return "Normal";
    case dsDisabled: return "Unzugänglich";
    case dsInvisible: return "Unsichtbar";
    case dsReadOnly: return "Nur lesen";
    case dsCutOff: return "Entkoppelt";
  }
  return "";
}

const char* InputStateText(std::uint8_t s) {
  static const char* const texts[] = {"Benutzer", "Datenbank", "Berechnet"};
  return s < 3 ? texts[s] : "";
}

namespace {

void Erase(std::vector<TCalcItem*>& list, const TCalcItem* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// Forwards a setter to the source of a linked item; true when it did.
template <class F>
bool ToSource(TCalcItem* source, F f) {
  if (!source) return false;
  f(*source);
  return true;
}

}  // namespace

// ---------------------------------------------------------------- TCalcItem

TCalcItem::TCalcItem(TAncestorCalcModule* module) : FCalcModule(module) {}

TCalcItem::~TCalcItem() { Unlink(); }

void TCalcItem::Unlink() {
  for (TCalcItem* t : FTargets) t->FSourceCalcItem = nullptr;
  FTargets.clear();
  if (FSourceCalcItem) Erase(FSourceCalcItem->FTargets, this);
  FSourceCalcItem = nullptr;
  for (TCalcItem* t : FDataTargets) t->FDataSourceCalcItem = nullptr;
  FDataTargets.clear();
  if (FDataSourceCalcItem) Erase(FDataSourceCalcItem->FDataTargets, this);
  FDataSourceCalcItem = nullptr;
}

namespace {
thread_local const TCalcItem* tUnreported = nullptr;
// Counts the reports of new values (SetValuesParallel asks whether one was made).
thread_local unsigned tValueReports = 0;
}  // namespace

TCalcItem::TUnreported::TUnreported(const TCalcItem& item) : FBefore(tUnreported) { tUnreported = &item; }
TCalcItem::TUnreported::~TUnreported() { tUnreported = FBefore; }

namespace {
// ModuleAlive, inline at its many calls in this file: every change of an
// item asks it, some several times.
inline bool Alive(const TCalcItem* item) {
  const TAncestorCalcModule* module = item->GetCalcModule();
  return module && !module->IsDestroying() && tUnreported != item;
}
}  // namespace

bool TCalcItem::ModuleAlive() const { return Alive(this); }

void TCalcItem::Notify(TCalcEvent event) {
  if (!Alive(this)) return;
  if (event == ceBeforeFieldChange) FCalcModule->BeforeItemChange();
  FCalcModule->CalcEvent(event, this);
}

std::string TCalcItem::GetCaption() const { return Translate(FCaption); }

std::string TCalcItem::GetShortCaption() const {
  return FShortCaption.empty() ? GetCaption() : Translate(FShortCaption);
}

bool TCalcItem::HasTargetCalcItem(const TCalcItem* item) const {
  for (const TCalcItem* t : FTargets)
    if (t == item || t->HasTargetCalcItem(item)) return true;
  return false;
}

std::string TCalcItem::GetText() const {
  const TCalcItem* root = Root();
  return CachedTextOf(*root, root->FText);
}


void TCalcItem::SetText(const std::string& text) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.SetText(text); })) return;
  if (text == FText) return;
  Notify(ceBeforeFieldChange);
  FText = text;
  DoAfterSetParameter();
}

void TCalcItem::SetDetailLevel(TEDetailLevel level) {
  if (level == FDetailLevel) return;
  FDetailLevel = level;
  if (Alive(this)) FCalcModule->UpdateState(this);
}

std::string TCalcItem::GetDisplayText() const {
  if (FSourceCalcItem) return FSourceCalcItem->GetDisplayText();
  return CachedTextOf(*this, FText);
}

bool TCalcItem::HiddenByUse() const {
  if (FSourceCalcItem) return FSourceCalcItem->HiddenByUse();
  return !GetUtilized() || FDetailLevel == dlInvisible ||
         (FCalcModule && FCalcModule->GetDetailLevel() > FDetailLevel);
}

tDisplayState TCalcItem::GetDisplayState() const {
  if (FSourceCalcItem) return FSourceCalcItem->GetDisplayState();
  if (HiddenByUse()) return dsInvisible;
  if (!GetEnabled()) return dsDisabled;
  if (!GetCanModify()) return dsReadOnly;
  return dsNormal;
}


void TCalcItem::SetInputState(std::uint8_t state) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.SetInputState(state); })) return;
  if (state == FInputState) return;
  FInputState = state;
  if (Alive(this)) FCalcModule->UpdateState(this);
  DoAfterChangeInputState();
  DoAfterSetParameter();
}

// Flags that change what the item shows are reported as item changes;
// flags that change what the user may do are reported as state updates.
#define TORVACALC_FLAG(Name, Field, Report)                                   \
  void TCalcItem::Set##Name(bool v) {                                         \
    if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.Set##Name(v); })) return; \
    if (Field == v) return;                                                   \
    Field = v;                                                                \
    Report;                                                                   \
  }

TORVACALC_FLAG(SetByProgram, FSetByProgram, DoAfterSetParameter())
TORVACALC_FLAG(CanBeOverruled, FCanBeOverruled, if (Alive(this)) FCalcModule->UpdateState(this))
TORVACALC_FLAG(Utilized, FUtilized, if (Alive(this)) FCalcModule->UpdateState(this))
TORVACALC_FLAG(Modified, FModified, DoAfterSetParameter())
TORVACALC_FLAG(CanBeModified, FCanBeModified, if (Alive(this)) FCalcModule->UpdateState(this))
TORVACALC_FLAG(IsUsed, FIsUsed, if (Alive(this)) FCalcModule->UpdateState(this))
#undef TORVACALC_FLAG


void TCalcItem::SetOverruled(bool v) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.SetOverruled(v); })) return;
  if (FOverruled == v) return;
  FOverruled = v;
  DoAfterSetParameter();
}

bool TCalcItem::GetReadOnly() const {
  if (FCalcModule && FCalcModule->GetReadOnly()) return true;
  if (FSourceCalcItem) return FSourceCalcItem->GetReadOnly();
  return FReadOnly;
}

void TCalcItem::SetReadOnly(bool v) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.SetReadOnly(v); })) return;
  if (FReadOnly == v) return;
  FReadOnly = v;
  if (Alive(this)) FCalcModule->UpdateState(this);
}

bool TCalcItem::GetEnabled() const { return Root()->FEnabled; }

void TCalcItem::SetEnabled(bool v) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.SetEnabled(v); })) return;
  if (FEnabled == v) return;
  FEnabled = v;
  if (Alive(this)) FCalcModule->UpdateState(this);
}

bool TCalcItem::GetCanModify() const { return !GetReadOnly() && GetEnabled(); }

void TCalcItem::SetStringListNotes(const std::vector<std::string>& notes) {
  if (notes == FNotes) return;
  FNotes = notes;
  Notify(ceNotesChange);
}

void TCalcItem::SetStringListComments(const std::vector<std::string>& comments) {
  if (comments == FComments) return;
  FComments = comments;
  Notify(ceCommentsChange);
}

void TCalcItem::SetSourceCalcItem(TCalcItem* source) {
  if (source == FSourceCalcItem) return;
  if (source) {
    // Following the new source's chain upwards must not lead back here:
    // the two items would read from each other for ever.
    for (const TCalcItem* p = source; p; p = p->FSourceCalcItem) {
      if (p != this) continue;
      auto moduleName = [](const TCalcItem* i) {
        return i->FCalcModule ? i->FCalcModule->GetName() : std::string();
      };
      throw ECompCalcLink(Translate("Schwerwiegender Fehler: ") + "CalcItems " + FName + " (" +
                          moduleName(this) + ") und " + source->FName + " (" + moduleName(source) +
                          ") haben zirkuläre Verweise");
    }
  }
  const std::string before = GetText();
  if (!FSourceCalcItem) StoreField();
  if (FSourceCalcItem) Erase(FSourceCalcItem->FTargets, this);
  FSourceCalcItem = source;
  if (source) {
    // An item of the main module is mostly read by several modules of its
    // point (the valve and the noise methods).
    if (source->FTargets.capacity() == 0) source->FTargets.reserve(4);
    source->FTargets.push_back(this);
  } else {
    RestoreField();
  }
  if (Alive(this)) FCalcModule->CalcEvent(ceUpdateState, this);
  CallEventIfNecessary(before);
}

void TCalcItem::SetDataSourceCalcItem(TCalcItem* source) {
  if (source == FDataSourceCalcItem) return;
  for (const TCalcItem* p = source; p; p = p->FDataSourceCalcItem)
    if (p == this)
      throw ECompCalcLink(Translate("Schwerwiegender Fehler: ") + "CalcItems " + FName + " und " +
                          source->FName + " haben zirkuläre Verweise");
  if (FDataSourceCalcItem) Erase(FDataSourceCalcItem->FDataTargets, this);
  FDataSourceCalcItem = source;
  if (source) {
    source->FDataTargets.push_back(this);
    DataSourceChanged(*source);
  }
}

void TCalcItem::DataSourceChanged(TCalcItem& source) {
  if (GetModified()) return;  // the user's change of a database value stays
  if (Alive(this)) FCalcModule->BeginUpdate();
  SetInputState(isDatabase);
  SetText(source.GetText());
  if (Alive(this)) FCalcModule->EndUpdate(true);
}

void TCalcItem::PumpData() {
  // Targets read their text, value and flags through their source, so
  // there is nothing to copy; descendants may hand on more.
}

void TCalcItem::StoreField() { FStoredText = FText; }
void TCalcItem::RestoreField() { FText = FStoredText; }

void TCalcItem::DoAfterSetParameter() {
  if (!Alive(this)) return;
  FCalcModule->BeginUpdate();
  PumpData();
  FCalcModule->CalcEvent(ceFieldChange, this);
  FCalcModule->EndUpdate(true);
}

void TCalcItem::DoAfterSetValueParameter() {
  ++tValueReports;
  // Database links pass the value on whether or not a module is attached.
  if (!FDataTargets.empty()) {
    const std::vector<TCalcItem*> dataTargets = FDataTargets;
    for (TCalcItem* t : dataTargets) t->DataSourceChanged(*this);
  }
  if (!Alive(this)) return;
  // Inside an open update bracket of the module (its calculation writing
  // results) a bracket of its own would only count up and down again:
  // everything the module brackets is inside the open one already.
  const bool bracket = FCalcModule->GetUpdateCounter() == 0;
  if (bracket) FCalcModule->BeginUpdate();
  PumpData();
  FCalcModule->CalcEvent(ceValueFieldChange, this);
  if (bracket) FCalcModule->EndUpdate(true);
}

void TCalcItem::CallEventIfNecessary(const std::string& before) {
  if (GetText() != before) DoAfterSetParameter();
}

void TCalcItem::Assign(const TCalcItem& other) {
  FCaption = other.FCaption;
  FShortCaption = other.FShortCaption;
  FNotes = other.FNotes;
  FComments = other.FComments;
  FOverruled = other.GetOverruled();
  FModified = other.GetModified();
  SetText(other.GetText());
}

void TCalcItem::IsNotLongerCalculated() {
  if (GetInputState() == isCalculated) SetInputState(isUser);
}

void TCalcItem::EnterByUser(bool clearing) {
  const bool fromDatabase = GetInputState() == isDatabase || GetModified();
  SetInputState(isUser);
  SetModified(fromDatabase && !clearing);
}

void TCalcRelevantString::SetText(const std::string& text) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.SetText(text); })) return;
  if (text == FText) return;
  Notify(ceBeforeFieldChange);
  FText = text;
  DoAfterSetValueParameter();
}

// ----------------------------------------------------------- TCalcParameter

TCalcParameter::TCalcParameter(TAncestorCalcModule* module, TQuantity quantity)
    : TCalcParameter(module, QuantityRecord(quantity), quantity) {}  // rejects an unknown quantity

TCalcParameter::TCalcParameter(TAncestorCalcModule* module, const TQuantityRecord& record, TQuantity quantity)
    : TCalcItem(module), FCalcUnits(quantity), FLowerBound(record.LowerBound), FUpperBound(record.UpperBound) {
  FParameter = this;
}

TCalcParameter::TCalcParameter(TAncestorCalcModule* module, Extended lowerBound, Extended upperBound,
                               TQuantity quantity)
    : TCalcItem(module), FCalcUnits(quantity), FLowerBound(lowerBound), FUpperBound(upperBound) {
  FParameter = this;
  QuantityRecord(quantity);  // rejects an unknown quantity
}

TCalcParameter::~TCalcParameter() { CutUnitSynchronization(); }

// A parameter without a source (most of them) is its own root: no walk and
// no virtual call for every value read.
TCalcParameter* TCalcParameter::RootParameter() {
  return FSourceCalcItem ? GetRootCalcItem()->AsParameter() : this;
}

const TCalcParameter* TCalcParameter::RootParameter() const {
  return FSourceCalcItem ? GetRootCalcItem()->AsParameter() : this;
}

Extended TCalcParameter::LinkedValue() const {
  const TCalcParameter* r = RootParameter();
  return r ? r->FValue : NoValue;
}

tValueState TCalcParameter::LinkedValueState() const {
  const TCalcParameter* r = RootParameter();
  return r ? r->FValueState : vsUndefined;
}

bool TCalcParameter::GetIsApproximated() const {
  const TCalcParameter* r = RootParameter();
  return r && r->FIsApproximated;
}

void TCalcParameter::SetIsApproximated(bool v) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) {
        if (auto* p = s.AsParameter()) p->SetIsApproximated(v);
      }))
    return;
  if (FIsApproximated == v) return;
  FIsApproximated = v;
  DoAfterSetParameter();
}

// Equality of a new value with the stored one: the very same number (or
// no value for no value). A value is kept only when nothing would change:
// keeping an old value that merely agrees to some digits would make the
// value depend on what was calculated before, not on the entries alone
// (an edited calculation would differ in the last digits from the same
// entries calculated afresh).
static bool SameValue(Extended a, Extended b) {
  if (a == b) return true;
  return IsNoValue(a) && IsNoValue(b);
}

// The text of a value in the display unit: 15 significant digits, so that
// the noise of a unit conversion does not show ("201.325", not
// "201.32500000000000001"); the exact value is kept beside the text.
static std::string UnitText(Extended v, char decimalSeparator) {
  std::string s = GeneralNumberText(v, 15);
  if (decimalSeparator != '.')
    for (char& c : s)
      if (c == '.') c = decimalSeparator;
  return s;
}
static std::string UnitText(Extended v) { return UnitText(v, HXOptions().DecimalSeparator); }

// A value as a parameter of the quantity holds it: integers rounded, every
// kind of missing value the one NoValue.
[[gnu::always_inline]] static inline Extended Normalized(Extended value, TQuantity quantity) {
  if (quantity == qInteger && HasValue(value)) value = std::nearbyint(value);
  return IsNoValue(value) ? NoValue : value;
}

void TCalcParameter::SetValue(Extended value) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) {
        if (auto* p = s.AsParameter()) p->SetValue(value);
      }))
    return;
  value = Normalized(value, GetQuantity());
  if (FValueState == vsNormal && SameValue(value, FValue)) return;
  StoreValue(value);
}

void TCalcParameter::StoreValue(Extended value) {
  if (HasValue(value)) {
    // The text shows the value in the display unit; the value itself is
    // kept exactly as given, not as read back from that text. A finite
    // number in the display unit always makes a readable text, so the text
    // is not parsed again: only its change is reported.
    const Extended shown = ConvertToUnit(value);
    if (!std::isfinite(shown)) {
      ApplyText(UnitText(shown), &value);
      return;
    }
    const char separator = HXOptions().DecimalSeparator;
    bool changed = true;
    if (FValueState == vsNormal && IsPendingText(FText)) {
      // Two numbers whose relative difference exceeds 1E-13 never share a
      // 15-digit text; closer ones (or another separator) are compared as
      // texts.
      const Extended old = ConvertToUnit(FValue);
      const Extended lo = std::min(std::fabs(old), std::fabs(shown)), hi = std::max(std::fabs(old), std::fabs(shown));
      const bool farApart = (old < 0) != (shown < 0) || (hi > 0 && std::fabs(old - shown) > 1E-13L * hi && lo < hi);
      if (!farApart || FText[1] != separator) changed = TextOf(*this, FText) != UnitText(shown, separator);
    } else {
      changed = !HasDigit(FText) || FText != UnitText(shown, separator);
    }
    if (changed) Notify(ceBeforeFieldChange);
    FText = PendingText(separator);
    FValue = GetQuantity() == qInteger ? std::nearbyint(value) : value;
    FValueState = vsNormal;
    if (changed) DoAfterSetValueParameter();
  } else {
    FValue = value;
    SetValueState(vsUndefined);
  }
}

void TCalcParameter::SetText(const std::string& text) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) { s.SetText(text); })) return;
  ApplyText(text, nullptr);
}

// A text is a number in the display unit; it is stored as typed and its
// value in the basic unit. `exact`, when given, is the basic value the text
// was made from (SetValue), kept without the round trip through the text.
void TCalcParameter::ApplyText(const std::string& text, const Extended* exact) {
  // A value's text (pending) has a digit.
  const bool changed = (IsPendingText(FText) && !HasDigit(text)) || text != TextOf(*this, FText);
  if (changed) Notify(ceBeforeFieldChange);
  FText = text;
  if (text.empty()) {
    FValueState = vsUndefined;
    FValue = NoValue;
  } else {
    // Both marks are decimal marks: the thousands separator and whichever
    // of "," and "." is not the decimal separator become the decimal
    // separator, so that "1,5" and "1.5" read alike in any setting.
    const char dec = HXOptions().DecimalSeparator;
    const char thousands = HXOptions().ThousandSeparator;
    std::string s = text;
    for (char& c : s) {
      if (c == thousands && thousands != dec) c = dec;
      if (dec != ',' && c == ',') c = dec;
      if (dec != '.' && c == '.') c = dec;
    }
    const auto v = TextToNumber(s, dec);
    const Extended basic = exact ? *exact : v ? ConvertToBasic(*v) : NoValue;
    if (v && HasValue(basic)) {
      FValue = GetQuantity() == qInteger ? std::nearbyint(basic) : basic;
      FValueState = vsNormal;
    } else if (v && !exact) {
      // A number beyond the range of values (1E4000 and more in the basic
      // unit) is still a number: it stays as typed and counts as infinite,
      // so the calculation reports it out of bounds instead of missing.
      FValueState = *v > 0 ? vsInfinity : vsMinusInfinity;
      FValue = NoValue;
    } else {
      FValueState = vsFaulty;
      FValue = NoValue;
    }
  }
  if (changed) DoAfterSetValueParameter();
}

void TCalcParameter::SetValueState(tValueState state) {
  if (ToSource(FSourceCalcItem, [&](TCalcItem& s) {
        if (auto* p = s.AsParameter()) p->SetValueState(state);
      }))
    return;
  if (state == FValueState) return;
  Notify(ceBeforeFieldChange);
  FValueState = state;
  if (state != vsNormal) {
    FText = ValueStateText(state);
    FValue = NoValue;
  }
  DoAfterSetValueParameter();
}

bool TCalcParameter::TypedBeyondRange() const {
  return (FValueState == vsInfinity || FValueState == vsMinusInfinity) && !FText.empty() &&
         FText != ValueStateText(FValueState);
}

tDisplayState TCalcParameter::GetDisplayState() const {
  if (FHideIfMinus && IsNoValue(GetValue())) return dsInvisible;
  return TCalcItem::GetDisplayState();
}

std::string TCalcParameter::GetDisplayText() const {
  if (FSourceCalcItem) return FSourceCalcItem->GetDisplayText();
  if (TypedBeyondRange()) return FText;
  if (FValueState == vsUndefined || FValueState == vsFaulty || FValueState == vsInfinity ||
      FValueState == vsMinusInfinity)
    return Translate(ValueStateText(FValueState));
  const tDisplayState ds = GetDisplayState();
  if (ds == dsDisabled || ds == dsCutOff) return GetText();
  if (FOutDated) return {};
  const Extended v = GetDisplayValue();
  if (GetQuantity() == qDateTime) return DateTimeText(v);
  return OutputText(v, HXOptions().DisplayDigits, true, HXOptions().DecimalSeparator);
}

Extended TCalcParameter::ConvertToBasic(Extended valueInUnit) const {
  if (FCalcUnits.CalcUnitNo == 0) return valueInUnit;
  return FCalcUnits.ConvertToUnit(valueInUnit);
}

Extended TCalcParameter::ConvertToUnit(Extended basicValue) const {
  if (FCalcUnits.CalcUnitNo == 0) return basicValue;
  return FCalcUnits.ConvertToBasic(basicValue);
}

std::string TCalcParameter::ConvertToUnitString(Extended basicValue) const {
  std::string text = HXFormatFloat(ConvertToUnit(basicValue), 4, HXOptions().DecimalSeparator);
  const std::string unit = GetCalcUnitName();
  if (unit != "-") text += " " + unit;
  return text;
}

void TCalcParameter::SetCalcUnitNo(int unitNo) {
  if (unitNo == FCalcUnits.CalcUnitNo || unitNo < 0 || unitNo >= FCalcUnits.GetCount()) return;
  FCalcUnits.CalcUnitNo = unitNo;
  // The text follows the unit; the value stays as it is.
  if (!FSourceCalcItem && FValueState == vsNormal && HasValue(FValue))
    FText = UnitText(ConvertToUnit(FValue));
  if (GetQuantity() == qKvCv) ModifyShortcaption();
  DoUnitSynchronization();
  DoAfterSetParameter();
  if (TCalcParameter* root = RootParameter(); root && root != this) root->SetCalcUnitNo(unitNo);
}

void TCalcParameter::ModifyShortcaption() {
  // "Kv" in m3/h, "Cv" in US gallons per minute.
  const bool cv = FCalcUnits.CalcUnitNo == 1;
  const std::string from = cv ? "Kv" : "Cv", to = cv ? "Cv" : "Kv";
  if (const auto pos = FShortCaption.find(from); pos != std::string::npos)
    FShortCaption.replace(pos, 2, to);
  else if (FShortCaption.empty())
    FShortCaption = to;
}

void TCalcParameter::SynchronizeUnits(TCalcParameter& a, TCalcParameter& b) {
  if (&a == &b) return;
  // Units are mostly kept alike over the twins of the four points.
  for (TCalcParameter* p : {&a, &b})
    if (p->FSyncUnits.capacity() == 0) p->FSyncUnits.reserve(3);
  if (std::find(a.FSyncUnits.begin(), a.FSyncUnits.end(), &b) == a.FSyncUnits.end())
    a.FSyncUnits.push_back(&b);
  if (std::find(b.FSyncUnits.begin(), b.FSyncUnits.end(), &a) == b.FSyncUnits.end())
    b.FSyncUnits.push_back(&a);
}

void TCalcParameter::CutUnitSynchronization() {
  for (TCalcParameter* p : FSyncUnits) p->FSyncUnits.erase(
      std::remove(p->FSyncUnits.begin(), p->FSyncUnits.end(), this), p->FSyncUnits.end());
  FSyncUnits.clear();
}

void TCalcParameter::DoUnitSynchronization() {
  if (FSyncUnits.empty()) return;
  const bool bracket = Alive(this);
  if (bracket) FCalcModule->BeginUpdate();
  const std::vector<TCalcParameter*> list = FSyncUnits;
  for (TCalcParameter* p : list) {
    if (p->GetQuantity() == GetQuantity())
      p->SetCalcUnitNo(GetCalcUnitNo());
    else
      SyncNotMatchingUnits(*p);
  }
  if (bracket) FCalcModule->EndUpdate(true);
}

// The table name of a unit ("%s" shown as "²"), untranslated, so that
// pressure and pressure-difference units pair up in every language.
static std::string RawUnitName(TQuantity q, int unitNo) {
  const TUnitRecord* u = UnitRecord(q, unitNo);
  return u ? FormatUnitName(u->Name) : std::string();
}

static std::string UnitNameNoSuffix(TQuantity q, int unitNo) {
  std::string name = RawUnitName(q, unitNo);
  if ((q == qPressureBar || q == qPressureMBar) && name.size() >= 3) name.resize(name.size() - 3);
  return name;
}

void TCalcParameter::SyncNotMatchingUnits(TCalcParameter& other) {
  const TQuantity mine = GetQuantity(), theirs = other.GetQuantity();
  const std::string myName = UnitNameNoSuffix(mine, GetCalcUnitNo());
  const std::string otherName = UnitNameNoSuffix(theirs, other.GetCalcUnitNo());
  if ((mine == qPressureBar && theirs == qPressureDropBar) ||
      (mine == qPressureMBar && theirs == qPressureDropMBar)) {
    if (myName != otherName) {
      const int no = TQuantityArray::UnitNoByName(theirs, myName);
      if (no >= 0) other.SetCalcUnitNo(no);
    }
  } else if ((mine == qPressureDropBar && theirs == qPressureBar) ||
             (mine == qPressureDropMBar && theirs == qPressureMBar)) {
    if (myName != otherName) {
      const int no = TQuantityArray::UnitNoByName(theirs, myName + "(a)");
      if (no >= 0) other.SetCalcUnitNo(no);
    }
  }
}

void TCalcParameter::ConvertToGaugePressure() {
  const TQuantity q = GetQuantity();
  if (q != qPressureBar && q != qPressureMBar) return;
  const int no = TQuantityArray::UnitNoByName(q, UnitNameNoSuffix(q, GetCalcUnitNo()) + "(g)");
  if (no >= 0) SetCalcUnitNo(no);
}

bool TCalcParameter::ShouldBeAssigned() const { return GetIsUsed() && !GetOverruled() && !GetModified(); }

void TCalcParameter::SetValuesParallel(std::uint8_t inputState, int unitNo, Extended value) {
  const bool bracket = Alive(this) && FCalcModule->GetUpdateCounter() == 0;
  if (bracket) FCalcModule->BeginUpdate();
  // A new input state with a new value is one change, reported once with
  // the value; without a new value the state is reported on its own.
  const bool newState = !FSourceCalcItem && FInputState != inputState;
  if (newState) {
    TUnreported quiet(*this);
    SetInputState(inputState);
  } else {
    SetInputState(inputState);
  }
  SetCalcUnitNo(unitNo);
  const unsigned reports = tValueReports;
  SetValue(value);
  if (newState && Alive(this)) {
    FCalcModule->UpdateState(this);
    if (tValueReports == reports) DoAfterSetParameter();
  }
  if (bracket) FCalcModule->EndUpdate(true);
}

void TCalcParameter::AssignValue(int digits, Extended value) {
  // The very value a calculated parameter holds, or no value where it holds
  // none: whatever the digits and flags, nothing would change (most results
  // of a recalculation).
  if (HoldsResult(value) && Alive(this) && FCalcModule->GetUpdateCounter() > 0) return;
  if (digits != 0 && GetInputState() == isCalculated && EqualDigits(value, GetValue(), digits)) return;
  if (!ShouldBeAssigned()) return;
  // Inside an update bracket (a module's calculation) a value that is
  // calculated already needs neither a bracket of its own nor a change of
  // input state or unit: a value SetValue would keep is left as it stands
  // (a steady recalculation re-assigns some 40 unchanged outputs), another
  // one is stored at once.
  if (!FSourceCalcItem && FInputState == isCalculated && FValueState == vsNormal && Alive(this) &&
      FCalcModule->GetUpdateCounter() > 0) {
    const Extended v = Normalized(value, GetQuantity());
    if (!SameValue(v, FValue)) StoreValue(v);
    return;
  }
  SetValuesParallel(isCalculated, GetCalcUnitNo(), value);
}

void TCalcParameter::AssignApproximatedValue(int digits, Extended value) {
  AssignValue(digits, value);
  if (ShouldBeAssigned()) SetIsApproximated(HasValue(value));
}

void TCalcParameter::AssignIfEmpty(Extended value) {
  if (IsNoValue(GetValue())) AssignValue(0, value);
}

void TCalcParameter::OverruleValue(bool setByProgram, Extended value) {
  IsNotLongerCalculated();
  SetSetByProgram(setByProgram);
  SetOverruled(true);
  SetValue(value);
}

void TCalcParameter::StoreField() {
  FText = TextOf(*this, FText);  // stored as the text it reads now
  TCalcItem::StoreField();
  FStoredValue = FValue;
  FStoredValueState = FValueState;
}

void TCalcParameter::RestoreField() {
  TCalcItem::RestoreField();
  FValue = FStoredValue;
  FValueState = FStoredValueState;
}

void TCalcParameter::DataSourceChanged(TCalcItem& source) {
  if (GetModified()) return;
  auto* p = dynamic_cast<TCalcParameter*>(&source);
  if (!p) {
    TCalcItem::DataSourceChanged(source);
    return;
  }
  SetValuesParallel(isDatabase, GetCalcUnitNo(), p->GetValue());
}

void TCalcParameter::Assign(const TCalcItem& other) {
  const auto* p = dynamic_cast<const TCalcParameter*>(&other);
  if (!p) {
    TCalcItem::Assign(other);
    return;
  }
  FCaption = p->FCaption;
  FShortCaption = p->FShortCaption;
  FNotes = p->FNotes;
  FComments = p->FComments;
  FOverruled = p->GetOverruled();
  FModified = p->GetModified();
  FIsApproximated = p->GetIsApproximated();
  SetCalcUnitNo(p->GetCalcUnitNo());
  if (p->GetValueState() == vsNormal)
    SetValue(p->GetValue());
  else if (p->GetValueState() == vsFaulty)
    SetText(p->GetText());
  else
    SetValueState(p->GetValueState());
}

void TCalcParameter::SetQuantityInternal(TQuantity q) {
  FText = TextOf(*this, FText);  // a text made before keeps its unit
  QuantityRecord(q);
  FCalcUnits.Quantity = q;
  FCalcUnits.CalcUnitNo = 0;
  FLowerBound = TQuantityArray::GetLowerBound(q);
  FUpperBound = TQuantityArray::GetUpperBound(q);
}

// ------------------------------------------------------------ descendants

void TInputParameter::AssignValue(int, Extended) {
  std::string text = Translate("Fehlerhafte Zuweisung von %s");
  std::string who = FName + " [" + (FCalcModule ? FCalcModule->GetName() : std::string()) + "]";
  const auto pos = text.find("%s");
  if (pos != std::string::npos) text.replace(pos, 2, who);
  else text += " " + who;
  throw ECompCalcLink(text);
}

TOverruleParameter::TOverruleParameter(TAncestorCalcModule* module, TQuantity quantity)
    : TCustomInParameter(module, quantity) {
  FCanBeOverruled = true;
}

TOverruleParameter::TOverruleParameter(TAncestorCalcModule* module, Extended lowerBound,
                                       Extended upperBound, TQuantity quantity)
    : TCustomInParameter(module, lowerBound, upperBound, quantity) {
  FCanBeOverruled = true;
}

void tVarQuantityParameter::SetQuantity(TQuantity q) {
  if (q == GetQuantity()) return;
  SetQuantityInternal(q);
  DoAfterSetParameter();
}

void TModifyParameter::AssignValue(int digits, Extended value) {
  TCalcParameter* root = RootParameter();
  if (!root) return;
  bool& flag = OverruledField(*root);
  const bool overruled = flag;
  flag = false;
  if (digits != 0 && GetInputState() == isDatabase && EqualDigits(value, GetValue(), digits)) {
    flag = overruled;
    return;
  }
  if (ShouldBeAssigned())
    SetValuesParallel(isDatabase, GetCalcUnitNo(), value);
  else
    flag = overruled;
}

bool TCustomOutParameter::GetCanModify() const {
  return GetCanBeOverruled() && TCalcParameter::GetCanModify();
}

TOutputParameter::TOutputParameter(TAncestorCalcModule* module, TQuantity quantity)
    : TCustomOutParameter(module, quantity) {}

TOutputParameter::TOutputParameter(TAncestorCalcModule* module, Extended lowerBound,
                                   Extended upperBound, TQuantity quantity)
    : TCustomOutParameter(module, lowerBound, upperBound, quantity) {}

}  // namespace torvacalc

// ------------------------------------------------------- calculation files

namespace torvacalc {

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::uint8_t TCalcItem::GetTroubleType() const {
  const auto* module = dynamic_cast<const TCalcModule*>(FCalcModule);
  const TCalcMessageContainer* c = module ? module->GetCalcMessageContainer() : nullptr;
  return c ? c->GetMessageTypeOf(this) : cmNoError;
}

std::string TCalcItem::GetCalcMessage() const {
  const auto* module = dynamic_cast<const TCalcModule*>(FCalcModule);
  const TCalcMessageContainer* c = module ? module->GetCalcMessageContainer() : nullptr;
  const TCalcMessage* m = c ? c->GetMessageOf(this) : nullptr;
  return m ? m->Text : std::string();
}

void TCalcItem::SaveToTag(TItemTagWriter& tag) const {
  tag.AddString("ClassName", ClassName());
  tag.AddBoolean("_ItemIsValid", true);
  tag.AddString("NotesList", JoinLines(FNotes));
  tag.AddString("CommentsList", JoinLines(FComments));
  tag.AddString("DisplayText", GetDisplayText());
  tag.AddLongInt("InputState", GetInputState());
  tag.AddLongInt("DisplayState", GetDisplayState());
  tag.AddBoolean("OverRuled", GetOverruled());
  tag.AddBoolean("CanBeOverRuled", GetCanBeOverruled());
  tag.AddBoolean("ReadOnly", GetReadOnly());
  tag.AddBoolean("Enabled", GetEnabled());
  tag.AddBoolean("Utilized", GetUtilized());
  tag.AddBoolean("Modified", GetModified());
  tag.AddBoolean("CanBeModified", GetCanBeModified());
  tag.AddBoolean("IsUsed", GetIsUsed());
  tag.AddBoolean("OutDated", FOutDated);
  tag.AddBoolean("DoNotCalculate", false);
  tag.AddBoolean("TroubleMaker", GetTroubleMaker());
  tag.AddLongInt("TroubleType", GetTroubleType());
  tag.AddBoolean("CanModify", GetCanModify());
  tag.AddString("CalcMessage", GetCalcMessage());
  tag.AddLongInt("DetailLevel", FDetailLevel);
  tag.AddBoolean("ShowAlways", FShowAlways);
  tag.AddBoolean("Important", FImportant);
  tag.AddString("Name", FName);
  tag.AddString("Caption", FCaption);
  tag.AddString("ShortCaption", FShortCaption);
  tag.AddBoolean("UseInGraphics", FUseInGraphics);
  tag.AddLongInt("xTimesInUse", FXTimesInUse);
}

// Attributes missing from a tag count as empty (0, false, ""): files may be
// written with empty values omitted.
void TCalcItem::LoadFromTag(const TItemTagReader& tag) {
  SetStringListNotes(SplitLines(tag.AsString("NotesList", {})));
  SetStringListComments(SplitLines(tag.AsString("CommentsList", {})));
  FOutDated = tag.AsBoolean("OutDated", false);
}

void tCalcString::SaveToTag(TItemTagWriter& tag) const {
  TCalcItem::SaveToTag(tag);
  tag.AddString("Text", GetText());
}

void tCalcString::LoadFromTag(const TItemTagReader& tag) {
  TCalcItem::LoadFromTag(tag);
  SetOverruled(tag.AsBoolean("OverRuled", false));
  SetModified(tag.AsBoolean("Modified", false));
  SetText(tag.AsString("Text", {}));
}

void TCalcParameter::SaveToTag(TItemTagWriter& tag) const {
  TCalcItem::SaveToTag(tag);
  tag.AddExtended("Value", GetValue());
  tag.AddLongInt("CalcUnitNo", GetCalcUnitNo());
  tag.AddLongInt("ValueState", GetValueState());
  tag.AddBoolean("IsApproximated", GetIsApproximated());
  tag.AddLongInt("CalcQuantity", GetQuantity());
  // The user's text as typed, so that an unreadable entry is not lost.
  if (GetValueState() == vsFaulty || TypedBeyondRange()) tag.AddString("Text", GetText());
}

void TCalcParameter::LoadFromTag(const TItemTagReader& tag) {
  TCalcItem::LoadFromTag(tag);
  SetOverruled(tag.AsBoolean("OverRuled", false));
  SetModified(tag.AsBoolean("Modified", false));
  // Where the value came from: a calculated result must not come back as
  // the user's input, or the calculation would take it as given.
  const std::int64_t input = tag.AsInteger("InputState", isUser);
  SetInputState(input >= isUser && input <= isCalculated ? static_cast<std::uint8_t>(input) : isUser);
  const std::int64_t unit = tag.AsInteger("CalcUnitNo", 0);
  if (unit >= 0 && unit < FCalcUnits.GetCount()) SetCalcUnitNo(static_cast<int>(unit));
  const std::int64_t state = tag.AsInteger("ValueState", vsNormal);
  if (state == vsNormal) {
    const Extended v = tag.AsFloat("Value", 0);
    if (std::isfinite(v) && HasValue(v))
      SetValue(v);
    else
      SetValueState(vsUndefined);
  } else if (state == vsFaulty || state == vsInfinity || state == vsMinusInfinity) {
    const std::string text = tag.AsString("Text", {});
    if (!text.empty())
      SetText(text);
    else
      SetValueState(static_cast<tValueState>(state));
  } else if (state > vsNormal && state <= vsOutdated) {
    SetValueState(static_cast<tValueState>(state));
  } else {
    SetValueState(vsUndefined);
  }
  SetIsApproximated(tag.AsBoolean("IsApproximated", false));
}

void EnterParameterText(TCalcParameter& p, const std::string& text, const std::vector<TCalcParameter*>& sameRow) {
  const std::string t = TrimBlanks(text);
  const size_t blank = t.find_first_of(" \t");
  const std::string number = t.substr(0, blank);
  const std::string unit = blank == std::string::npos ? std::string() : TrimBlanks(t.substr(blank));
  const TQuantity q = p.GetQuantity();
  int unitNo = -1;
  if (!unit.empty()) {
    unitNo = TQuantityArray::UnitNoByName(q, unit);
    if (unitNo < 0) {
      // A pressure unit without (a) or (g) is ambiguous by a whole
      // atmosphere: the user must say which is meant.
      if (TQuantityArray::UnitNoByName(q, unit + "(a)") >= 0 && TQuantityArray::UnitNoByName(q, unit + "(g)") >= 0)
        throw ECalcEntry(FormatMessageText(Translate("[%s] sagt nicht, ob absolut oder Überdruck: %s oder %s schreiben"),
                                           {unit, unit + "(a)", unit + "(g)"}));
      std::string known;
      for (int i = 0; i < TQuantityArray::GetCount(q); ++i)
        known += (i ? ", " : "") + TQuantityArray::GetUnitName(q, i);
      throw ECalcEntry(FormatMessageText(Translate("Die Einheit [%s] gehört nicht zur Größe [%s] (Einheiten: %s)"),
                                         {unit, p.GetQuantityName(), known}));
    }
  }
  // Either decimal mark, no grouping: "1.000,5" is refused rather than
  // read as one and a half or a thousand.
  std::string normalized = number;
  std::replace(normalized.begin(), normalized.end(), ',', '.');
  const auto value = t.empty() ? std::nullopt : TextToNumber(normalized, '.');
  if (!t.empty() && !value) throw ECalcEntry(FormatMessageText(Translate("[%s] ist keine Zahl"), {number}));
  // A count (the number of operating points, any whole number) outside its
  // bounds or with a fraction would be shown as entered while the
  // calculation goes on with another number, so it is refused.
  if (value && (q == qInteger || p.GetName() == "NoOfEnteredOps")) {
    const Extended lo = p.GetLowerBound(), hi = p.GetUpperBound();
    const bool bounded = HasValue(lo) && HasValue(hi) && std::fabs(lo) < 1e15 && std::fabs(hi) < 1e15;
    if (!std::isfinite(*value) || *value != std::trunc(*value) || (bounded && (*value < lo || *value > hi))) {
      if (bounded)
        throw ECalcEntry(FormatMessageText(Translate("eine ganze Zahl von %s bis %s erwartet, nicht [%s]"),
                                           {NumberToText(lo), NumberToText(hi), number}));
      throw ECalcEntry(FormatMessageText(Translate("eine ganze Zahl erwartet, nicht [%s]"), {number}));
    }
  }
  p.EnterByUser(t.empty());
  if (unitNo >= 0) {
    auto setUnit = [unitNo](TCalcParameter& item) {
      item.SetCalcUnitNo(unitNo);
      if (TCalcItem* root = item.GetRootCalcItem(); root && root != &item)
        if (TCalcParameter* shown = root->AsParameter()) shown->SetCalcUnitNo(unitNo);
    };
    setUnit(p);
    for (TCalcParameter* twin : sameRow)
      if (twin && twin != &p) setUnit(*twin);
    p.CalcUnits().AddToTop5(unitNo);
  }
  p.SetText(number);
}

}  // namespace torvacalc
