#include "framework/calc_module.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "framework/calc_connector.h"
#include "framework/options.h"
#include "framework/snapshot.h"
#include "framework/super_module.h"

namespace torvacalc {

TNumericOptions TAncestorCalcModule::NumericOptions() const {
  const TSuperCalcModule* calculation = nullptr;
  for (const TCalcComponent* c = this; c; c = c->GetOwner())
    if (const auto* s = dynamic_cast<const TSuperCalcModule*>(c)) calculation = s;
  return calculation ? calculation->Numerics : DefaultNumericOptions();
}

namespace {
std::atomic<std::uint64_t> ModulesMade{0};
}  // namespace

TAncestorCalcModule::TAncestorCalcModule(TCalcComponent* owner, std::string name)
    : TCalcComponent(owner, std::move(name)), FSerial(++ModulesMade) {}

TAncestorCalcModule::~TAncestorCalcModule() {
  // Owned modules and connectors go first: they refer to these items.
  DestroyChildren();
  DestroyItems();
}

void TAncestorCalcModule::DestroyItems() {
  MarkDestroying();
  // Items die in reverse creation order; each one unlinks itself first.
  FInputParameters.clear();
  while (!FItemOrder.empty()) {
    TCalcItem* item = FItemOrder.back();
    EraseName(item);
    FItemOrder.pop_back();
    delete item;
  }
  FNames.clear();
  FNamed = 0;
}

void TAncestorCalcModule::SetDetailLevel(TEDetailLevel level) {
  FDetailLevel = level;
  UpdateState(nullptr);
}

namespace {

// Names are hashed and compared eight bytes at a time. The bytes of a
// word that are ASCII capitals get their lower-case bit: a byte's high bit
// after adding (0x80 - 'A') tells ">= 'A'", after adding (0x80 - 'Z' - 1)
// "> 'Z'"; the low seven bits of each byte are added, so no carry crosses
// into the next byte, and bytes with the high bit set (UTF-8) stay as
// they are.
inline std::uint64_t LowerAsciiWord(std::uint64_t w) {
  constexpr std::uint64_t ones = 0x0101010101010101ull, high = 0x8080808080808080ull;
  const std::uint64_t low7 = w & ~high;
  const std::uint64_t atLeastA = low7 + ones * (0x80 - 'A');
  const std::uint64_t aboveZ = low7 + ones * (0x80 - 'Z' - 1);
  const std::uint64_t capital = atLeastA & ~aboveZ & ~w & high;
  return w | (capital >> 2);
}

inline std::uint64_t Load8(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

inline std::uint64_t Load4(const char* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}

// The last `n` bytes (1..7) of the `size` bytes at `p`, as the low bytes
// of a word whose other bytes are zero, without reading outside the name:
// a name of eight bytes or more gives the eight bytes that end it, shifted;
// a shorter one two overlapping halves, or single bytes below four.
inline std::uint64_t TailWord(const char* p, size_t size, size_t n) {
  if (size >= 8) return Load8(p + size - 8) >> (64 - 8 * n);
  const char* t = p + size - n;
  if (n >= 4) return Load4(t) | Load4(t + n - 4) << (8 * (n - 4));
  const auto byte = [t](size_t i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(t[i])); };
  return byte(0) | byte(n / 2) << (8 * (n / 2)) | byte(n - 1) << (8 * (n - 1));
}

// Bit 0x20 set in every byte is all that tells an ASCII capital from its
// small letter, so names that are the same but for case hash the same. (So
// do a few others, '@' and '`' say, which the comparison tells apart.)
inline size_t NameHash(std::string_view s) {
  const char* p = s.data();
  const size_t size = s.size();
  constexpr std::uint64_t prime = 0x100000001B3ull, fold = 0x2020202020202020ull;
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ size;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) h = (h ^ (Load8(p + i) | fold)) * prime;
  if (i < size) h = (h ^ (TailWord(p, size, size - i) | fold)) * prime;
  // The table takes the low bits: the high bits of the products mix in.
  h ^= h >> 32;
  h *= 0xFF51AFD7ED558CCDull;
  return static_cast<size_t>(h ^ (h >> 29));
}

// Names of the same size that differ in their bytes: the same where they
// differ only in the case of ASCII letters.
[[gnu::noinline]] bool SameFoldedName(std::string_view a, std::string_view b) {
  const size_t size = a.size();
  const auto same = [](std::uint64_t x, std::uint64_t y) { return LowerAsciiWord(x) == LowerAsciiWord(y); };
  size_t i = 0;
  for (; i + 8 <= size; i += 8)
    if (!same(Load8(a.data() + i), Load8(b.data() + i))) return false;
  return i == size || same(TailWord(a.data(), size, size - i), TailWord(b.data(), size, size - i));
}

// Most names are asked for as they were registered: their bytes are
// compared first, and folded only where they differ.
inline bool SameName(std::string_view a, std::string_view b) {
  const size_t size = a.size();
  if (size != b.size()) return false;
  size_t i = 0;
  for (; i + 8 <= size; i += 8)
    if (Load8(a.data() + i) != Load8(b.data() + i)) return SameFoldedName(a, b);
  if (i < size && TailWord(a.data(), size, size - i) != TailWord(b.data(), size, size - i))
    return SameFoldedName(a, b);
  return true;
}

}  // namespace

size_t TAncestorCalcModule::NameSlot(std::string_view name, size_t hash) const {
  const size_t mask = FNames.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const TNameSlot& s = FNames[i];
    if (!s.Item || (s.Hash == hash && SameName(s.Item->GetName(), name))) return i;
  }
}

void TAncestorCalcModule::AddCalcItem(std::unique_ptr<TCalcItem> item) {
  if (!item) return;
  if (const std::string& name = item->GetName(); !name.empty()) {
    // At most three quarters full: a search ends at a free slot soon.
    if ((FNamed + 1) * 4 > FNames.size() * 3) {
      std::vector<TNameSlot> old(std::max<size_t>(64, FNames.size() * 2));
      old.swap(FNames);
      // The names in the table differ: each goes to the first free slot.
      const size_t mask = FNames.size() - 1;
      for (const TNameSlot& s : old)
        if (s.Item) {
          size_t i = s.Hash & mask;
          while (FNames[i].Item) i = (i + 1) & mask;
          FNames[i] = s;
        }
    }
    const size_t hash = NameHash(name);
    TNameSlot& slot = FNames[NameSlot(name, hash)];
    if (slot.Item) throw EHXInternal("duplicate item name \"" + name + "\"", GetName());
    slot = {hash, item.get()};
    ++FNamed;
  }
  // Modules hold dozens to hundreds of items: the lists start at a size
  // that spares them the first few growths.
  if (FItemOrder.empty()) {
    FItemOrder.reserve(32);
    FInputParameters.reserve(16);
  }
  FItemOrder.push_back(item.get());
  TCalcItem* owned = item.release();
  if (TCalcParameter* p = owned->AsParameter(); p && !p->IsOutputParameter()) FInputParameters.push_back(p);
}

void TAncestorCalcModule::EraseName(const TCalcItem* item) {
  if (FNames.empty() || item->GetName().empty()) return;
  const size_t mask = FNames.size() - 1;
  size_t i = NameHash(item->GetName()) & mask;
  while (FNames[i].Item && FNames[i].Item != item) i = (i + 1) & mask;
  if (!FNames[i].Item) return;
  // Moves back the entries after it that would no longer be found past
  // the freed slot.
  for (size_t j = (i + 1) & mask; FNames[j].Item; j = (j + 1) & mask) {
    const size_t home = FNames[j].Hash & mask;
    const bool reachable = i <= j ? (i < home && home <= j) : (i < home || home <= j);
    if (reachable) continue;
    FNames[i] = FNames[j];
    i = j;
  }
  FNames[i] = {};
  --FNamed;
}

TCalcItem* TAncestorCalcModule::CalcItemByName(std::string_view name) const {
  if (FNames.empty()) return nullptr;
  // NameSlot's search, here without a call: a calculation looks up names
  // several times as often as it registers them.
  const size_t hash = NameHash(name), mask = FNames.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const TNameSlot& s = FNames[i];
    if (!s.Item || (s.Hash == hash && SameName(s.Item->GetName(), name))) return s.Item;
  }
}

int TAncestorCalcModule::CalcItemIndexByName(std::string_view name) const {
  const TCalcItem* item = CalcItemByName(name);
  if (!item) return -1;
  return static_cast<int>(std::find(FItemOrder.begin(), FItemOrder.end(), item) - FItemOrder.begin());
}

bool TAncestorCalcModule::HasCalcItem(const TCalcItem* item) const {
  // Items are created by the module they belong to (AddItem): the common
  // answer needs no search of the item list.
  if (item && item->GetCalcModule() == this) return true;
  return std::find(FItemOrder.begin(), FItemOrder.end(), item) != FItemOrder.end();
}

void TAncestorCalcModule::BeginUpdate() { ++FUpdateCounter; }

void TAncestorCalcModule::EndUpdate(bool /*recalculated*/) {
  if (FUpdateCounter > 0) --FUpdateCounter;
}

void TAncestorCalcModule::ForwardToTargets(TCalcEvent event, TCalcItem* item) {
  if (!item || item->Targets().empty()) return;
  // Copy: a module's reaction may relink items.
  for (TCalcItem* target : TSnapshot<TCalcItem>(item->Targets()))
    if (TAncestorCalcModule* m = target->GetCalcModule(); m && !m->IsDestroying()) m->CalcEvent(event, target);
}

void TAncestorCalcModule::CalcEvent(TCalcEvent event, TCalcItem* item) {
  if (IsDestroying()) return;
  ForwardToTargets(event, item);
  if (OnCalcEvent) OnCalcEvent(event, item);
}

}  // namespace torvacalc

// -------------------------------------------------------------- TCalcModule

namespace torvacalc {

TCalcModule::TCalcModule(TCalcComponent* owner, std::string name) : TAncestorCalcModule(owner, std::move(name)) {}

void TCalcModule::DestroyItems() {
  if (FContainer && !GetCalcItems().empty()) {
    FContainer->RemoveMessagesOf(this);
    FContainer->RemoveMessagesOfItemsOf(this);
  }
  TAncestorCalcModule::DestroyItems();
}

TCalcModule::~TCalcModule() {
  MarkDestroying();
  if (FContainer) {
    FContainer->RemoveMessagesOf(this);
    FContainer->RemoveMessagesOfItemsOf(this);
    FContainer->RemoveCalcModule(this);
  }
  for (TCalcSource* s : FCalcSources) s->FCalcModule = nullptr;
  FCalcSources.clear();
  // The items go while the module is still a TCalcModule, so that item
  // destructors never see a half-destroyed module.
  DestroyChildren();
  DestroyItems();
}

void TCalcModule::ContainerGone(TCalcMessageContainer* container) {
  if (FContainer == container) FContainer = nullptr;
}

void TCalcModule::SetCalcMessageContainer(TCalcMessageContainer* container) {
  if (container == FContainer) return;
  if (FContainer) {
    FContainer->RemoveMessagesOf(this);
    FContainer->RemoveCalcModule(this);
  }
  FContainer = container;
  if (FContainer) FContainer->AddCalcModule(this);
}

// Every update bracket asks for it; owners never change, so a super module
// once found is kept (none found is asked again: a module may be made
// before its owner has become a super module).
TSuperCalcModule* TCalcModule::GetOwnerSuperCalcModule() const {
  if (!FOwnerSuper) FOwnerSuper = FindOwner<TSuperCalcModule>();
  return FOwnerSuper;
}

void TCalcModule::SetActive(bool active) {
  if (active == FActive) return;
  FActive = active;
  if (active) {
    if (FEnabled) Calculate();
  } else {
    RemoveMessages();
  }
}

void TCalcModule::SetEnabled(bool enabled) {
  FEnabled = enabled;
  FDisabledItems = GetCalcItems().size();
  BeginUpdate();
  for (TCalcItem* item : GetCalcItems())
    if (!item->GetIsTarget()) item->SetEnabled(enabled);
  EndUpdate(true);
  if (!enabled) RemoveMessages();
}

void TCalcModule::Calculate() {
  if (!GetActive()) return;
  if (FCalculating) {
    FRecalculate = true;
    return;
  }
  FCalculating = true;
  BeginUpdate();
  try {
    // A change that reaches the module while it computes (its results
    // travelling round through other modules back into its inputs) asks
    // for one more pass; a bounded number of passes ends oscillations.
    for (int pass = 0; pass < 10; ++pass) {
      FRecalculate = false;
      DoBeforeCalculate();
      try {
        DoCalculate();
      } catch (const std::exception& e) {
        // A calculation never throws: whatever went wrong is shown as an
        // error of the module.
        CreateMessage<tceCalculationError>({}, e.what());
      } catch (...) {
        CreateMessage<tceCalculationError>({}, "Interner Fehler");
      }
      DoAfterCalculate();
      if (!FRecalculate || !GetActive()) break;
    }
  } catch (...) {
    FCalculating = false;
    EndUpdate(true);
    throw;
  }
  FCalculating = false;
  EndUpdate(true);
}

void TCalcModule::DoBeforeCalculate() {
  if (BeforeCalculate) BeforeCalculate(*this);
  for (TCalcSource* s : FCalcSources) s->DoBeforeCalculate();
  RemoveMessages();
}

void TCalcModule::DoAfterCalculate() {
  for (TCalcSource* s : FCalcSources) s->DoAfterCalculate();
  if (AfterCalculate) AfterCalculate(*this);
}

void TCalcModule::CalcEvent(TCalcEvent event, TCalcItem* item) {
  if (IsDestroying()) return;
  if (!FEnabled) {
    // Re-applies the disabled state to items that a link just enabled.
    // Whatever enables an item (a link cut, a linked item switched on)
    // reports that item, so only it needs looking at; an event about the
    // module, or one after items were added, looks at every item.
    auto disable = [](TCalcItem* i) {
      if (!i->GetIsTarget() && i->GetEnabled()) i->SetEnabled(false);
    };
    if (item && item->GetCalcModule() == this && FDisabledItems == GetCalcItems().size()) {
      disable(item);
    } else {
      for (TCalcItem* i : GetCalcItems()) disable(i);
      FDisabledItems = GetCalcItems().size();
    }
    return;
  }
  ForwardToTargets(event, item);
  if (event == ceValueFieldChange && item && !item->IsOutputParameter() && FActive && FEnabled &&
      !item->GetReadOnly()) {
    // A result the module itself just wrote, or a database default it
    // filled in before using it, needs no new pass.
    const bool ownResult = FCalculating &&
                           (item->GetInputState() == isCalculated || item->GetInputState() == isDatabase) &&
                           HasCalcItem(item);
    if (!ownResult) {
      TSuperCalcModule* super = GetOwnerSuperCalcModule();
      if (super && super->CollectsCalculations()) super->RequestCalculation(this);
      else Calculate();
    }
  }
  if (!FCalcSources.empty())
    for (TCalcSource* s : TSnapshot<TCalcSource>(FCalcSources)) s->CalcEvent(event, item);
  if (OnCalcEvent) OnCalcEvent(event, item);
}

void TCalcModule::BeforeItemChange() {
  if (TSuperCalcModule* super = GetOwnerSuperCalcModule()) super->BeforeItemChange();
}

void TCalcModule::BeginUpdate() {
  if (IsDestroying()) return;
  if (TSuperCalcModule* super = GetOwnerSuperCalcModule()) super->BeginUpdate();
  ++FUpdateCounter;
  if (FContainer) FContainer->BeginUpdate();
  for (TCalcSource* s : FCalcSources) s->BeginUpdate();
}

void TCalcModule::EndUpdate(bool recalculated) {
  if (IsDestroying()) return;
  if (FUpdateCounter > 0) --FUpdateCounter;
  for (TCalcSource* s : FCalcSources) s->EndUpdate(recalculated);
  TSuperCalcModule* super = GetOwnerSuperCalcModule();
  if (super) super->EndUpdate(recalculated);
  if (FContainer) {
    const bool loading = IsMainCalcModule() && super && super->GetIsLoading();
    FContainer->EndUpdate(loading ? false : recalculated);
  }
}

void TCalcModule::RemoveMessages() {
  if (!FContainer) return;
  FContainer->RemoveMessagesOf(this);
  FContainer->DoAfterCalculate();
}

int TCalcModule::GetMessageCount() const {
  return FContainer ? FContainer->GetTypedMessageCountOf<TCalcMessage>(this) : 0;
}
int TCalcModule::GetErrorCount() const {
  return FContainer ? FContainer->GetTypedMessageCountOf<tCalcError>(this) : 0;
}
int TCalcModule::GetFatalWarningCount() const {
  return FContainer ? FContainer->GetTypedMessageCountOf<tCalcFatalWarning>(this) : 0;
}
int TCalcModule::GetWarningCount() const {
  return FContainer ? FContainer->GetTypedMessageCountOf<tCalcWarning>(this) : 0;
}
int TCalcModule::GetHintCount() const {
  return FContainer ? FContainer->GetTypedMessageCountOf<tCalcHint>(this) : 0;
}
int TCalcModule::GetCorrectCount() const {
  return FContainer ? FContainer->GetTypedMessageCountOf<tCalcCorrect>(this) : 0;
}

namespace {

// The first item, in the link tree below `item`'s root, that belongs to the
// main module; the item itself when there is none.
void FindInMain(TCalcItem* item, TCalcItem*& found) {
  if (found) return;
  if (item->GetCalcModule() && item->GetCalcModule()->IsMainCalcModule()) {
    found = item;
    return;
  }
  for (TCalcItem* t : item->Targets()) FindInMain(t, found);
}

TCalcItem* GetCalcItemOfMCM(TCalcItem* item) {
  TCalcItem* found = nullptr;
  FindInMain(item->GetRootCalcItem(), found);
  return found ? found : item;
}

// In the link tree below `item` (the item first, then its targets in
// order): the first item in use, and the first in use that belongs to the
// main module. The walk ends at the latter.
bool FindInUse(TCalcItem* item, TCalcItem*& firstInUse, TCalcItem*& inMain) {
  if (item->GetXTimesInUse() > 0) {
    if (!firstInUse) firstInUse = item;
    if (item->GetCalcModule() && item->GetCalcModule()->IsMainCalcModule()) {
      inMain = item;
      return true;
    }
  }
  for (TCalcItem* t : item->Targets())
    if (FindInUse(t, firstInUse, inMain)) return true;
  return false;
}

}  // namespace

std::string TCalcModule::ShownName(TCalcItem* item) { return item ? GetCalcItemOfMCM(item)->GetName() : ""; }

void TCalcModule::RaiseMessage(std::unique_ptr<TCalcMessage> msg, int msgNo, std::span<TCalcItem* const> items,
                               const std::string& text, int modulNo, int helpNo, std::int8_t priority) {
  if (!FContainer) return;
  TCalcItem* display = nullptr;
  if (!items.empty() && items[0]) {
    TCalcItem* first = items[0];
    if (first->HiddenByUse()) return;  // items out of sight get no messages
    TCalcItem *firstInUse = nullptr, *inMain = nullptr;
    FindInUse(first, firstInUse, inMain);
    display = inMain ? inMain : GetCalcItemOfMCM(firstInUse ? firstInUse : first);
    if (!display) return;
  }
  msg->MsgNo = msgNo;
  msg->Priority = priority;
  msg->CalcModule = this;
  msg->CalcItem = display;
  msg->CalcItems.assign(items.begin(), items.end());
  msg->Text = text;
  for (TCalcItem* i : items)
    if (i) msg->Troublemakers.push_back(i);
  msg->ModulNo = modulNo;
  msg->HelpNo = helpNo;
  FContainer->AddCalcMessage(msg);
}

void TCalcModule::CreateMessage(int msgNo, std::span<TCalcItem* const> items, const std::vector<TMessageArg>& args,
                                std::int8_t priority) {
  if (!FContainer) return;
  // No message about what the user cannot see; a property shown only
  // while it has a value is seen by the message that it is missing.
  if (!items.empty() && items[0] && items[0]->HiddenByUse()) return;
  const std::string& language = HXOptions().Language;
  const TDataModuleMessages& catalogue = TDataModuleMessages::Instance();
  const unsigned catalogueGeneration = catalogue.Generation(), dictionary = DictionaryGeneration();
  const char separator = HXOptions().DecimalSeparator;
  const auto same = [&](const TMessageMemo& m) {
    return m.MsgNo == msgNo && m.Catalogue == catalogueGeneration && m.Dictionary == dictionary &&
           m.Separator == separator && m.Language == language && m.Args == args;
  };
  auto memo = std::find_if(FMessageMemo.begin(), FMessageMemo.end(), same);
  if (memo == FMessageMemo.end()) {
    TMessageMemo m;
    m.MsgNo = msgNo;
    m.Args = args;
    m.Catalogue = catalogueGeneration;
    m.Dictionary = dictionary;
    m.Language = language;
    m.Separator = separator;
    if (const auto row = catalogue.Find(msgNo, language)) {
      const std::string text = row->LanguageNo == language ? row->Text : Translate(row->Text);
      m.Known = true;
      m.TypeNo = row->TypeNo;
      m.ModulNo = row->ModulNo;
      m.HelpNo = row->HelpNo;
      m.Text = FormatMessageText(text, args);
    } else {
      m.Text = FormatMessageText(Translate("<<< Die Meldung Nr. %d ist unbekannt >>>"),
                                 {static_cast<Extended>(msgNo)});
    }
    // One entry a message number: its texts with other numbers replace it.
    memo = std::find_if(FMessageMemo.begin(), FMessageMemo.end(),
                        [&](const TMessageMemo& e) { return e.MsgNo == msgNo; });
    if (memo != FMessageMemo.end()) *memo = std::move(m);
    else memo = FMessageMemo.insert(FMessageMemo.end(), std::move(m));
  }
  RaiseMessage(FContainer->NewMessage(memo->Known ? memo->TypeNo : -1), msgNo, items,
               memo->Text, memo->ModulNo, memo->HelpNo, priority);
}

namespace {
// Message: the value must be greater than zero (in the item's unit).
constexpr int kMsgNotPositive = 119;
// Lower bounds up to this (in the basic unit) mean "above zero".
constexpr Extended kTinyLowerBound = 1e-9L;
}  // namespace

bool TCalcModule::CheckParameters(const std::vector<TCalcItem*>& items, bool strict) {
  const int before = GetMessageCount();
  for (TCalcItem* item : items) {
    if (!item) continue;
    const std::uint8_t state = item->GetInputState();
    if (auto* p = item->AsParameter()) {
      // The bounds are this module's, shown in the unit the user sees at
      // the item the message will be shown at.
      const TCalcParameter* shown = GetCalcItemOfMCM(p)->AsParameter();
      if (!shown || shown->GetQuantity() != p->GetQuantity()) shown = p;
      auto bounds = [p, shown]() -> std::vector<TMessageArg> {
        return {shown->ConvertToUnitString(p->GetLowerBound()), shown->ConvertToUnitString(p->GetUpperBound())};
      };
      // Out of bounds. A lower bound a hair above zero stands for "more
      // than nothing" (a flow, a size, an absolute pressure): a value at
      // or below zero is told so, not the range from 1E-20.
      auto outOfBounds = [&] {
        const Extended v = p->GetValue(), lower = p->GetLowerBound();
        if (HasValue(v) && lower > 0 && lower <= kTinyLowerBound && v < lower)
          CreateMessage(kMsgNotPositive, {p}, {shown->ConvertToUnitString(0)});
        else
          CreateMessage(120, {p}, bounds());
      };
      if (IsNoValue(p->GetCalcValue())) {
        if (state != isCalculated) {
          if (!p->GetIsTarget() && !(p->GetIsUsed() && p->GetUtilized())) continue;
          if (!p->HasText()) {
            if (p->GetCanModify()) CreateMessage(101, {p});
          } else {
            outOfBounds();
          }
        } else if (!p->HasText()) {
          if (p->GetCanModify() || strict) CalculationFails({p}, false);
        } else {
          outOfBounds();
        }
      } else if (state != isUser && p->GetIsApproximated()) {
        CreateMessage(102, {p});
      }
    } else if (item->HasText()) {
      if (item->IsDatabaseChoice() && state == isUser && !item->GetModified()) CreateMessage(118, {item});
    } else if (state != isCalculated) {
      if (item->GetIsTarget() || (item->GetIsUsed() && item->GetUtilized())) {
        if (item->GetCanModify())
          CreateMessage(101, {item});
        else
          CalculationFails({item}, false);
      }
    }
  }
  return GetMessageCount() == before;
}

void TCalcModule::CalculationFails(const std::vector<TCalcItem*>& items, bool strict) {
  for (TCalcItem* item : items) {
    if (!item || !item->GetIsUsed() || !item->GetUtilized()) continue;
    if (item->GetInputState() == isUser && strict) continue;
    CreateMessage(103, {item});
  }
}

void TCalcModule::EnableParameters(std::span<TCalcItem* const> items) {
  for (TCalcItem* i : items)
    if (i && !i->GetEnabled()) i->SetEnabled(true);
  CalcEvent(ceUpdateState, nullptr);
}

void TCalcModule::DisableParameters(std::span<TCalcItem* const> items) {
  for (TCalcItem* i : items)
    if (i && i->GetEnabled()) i->SetEnabled(false);
  CalcEvent(ceUpdateState, nullptr);
}

void TCalcModule::MakeUtilized(std::span<TCalcItem* const> items) {
  for (TCalcItem* i : items)
    if (i) i->SetUtilized(true);
}

void TCalcModule::HideIfMinus(std::span<TCalcItem* const> items) {
  for (TCalcItem* i : items)
    if (i) i->SetHideIfMinus(true);
  CalcEvent(ceUpdateState, nullptr);
}

void TCalcModule::MakeNotUtilized(std::span<TCalcItem* const> items) {
  for (TCalcItem* i : items)
    if (i) i->SetUtilized(false);
}

// --------------------------------------------------------- TMainCalcModule

TMainCalcModule::TMainCalcModule(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
  Identifier = AddItem<tCalcString>("Identifier");
  Identifier->SetCaption("Kennung");
  Revisor = AddItem<tCalcString>("Revisor");
  Revisor->SetCaption("Bearbeiter");
  Author = AddItem<tCalcString>("Author");
  Author->SetCaption("Autor");
  WhenCreated = AddItem<TInputParameter>("WhenCreated", qDateTime);
  WhenCreated->SetCaption("Angelegt am");
  WhenModified = AddItem<TInputParameter>("WhenModified", qDateTime);
  WhenModified->SetCaption("Geändert am");
  WhenModified2 = AddItem<tCalcString>("WhenModified2");
  WhenModified2->SetCaption("Geändert am");
}

void TMainCalcModule::DoCalculate() {
  ++FCalculationCount;
  TSuperCalcModule* super = GetOwnerSuperCalcModule();
  if (super && super->BeforeCalculate) super->BeforeCalculate(*this);
  if (super && super->AfterCalculate) super->AfterCalculate(*this);
}

// ------------------------------------------------------ compound modules

void SetChildrenActive(TCalcComponent& owner, bool active) {
  for (TCalcComponent* c : owner.Children()) c->SetActiveWithOwner(active);
}

void CalculateChildren(TCalcComponent& owner) {
  for (TCalcComponent* c : owner.Children()) {
    if (auto* m = dynamic_cast<TCalcModule*>(c)) m->Calculate();
    else if (auto* s = dynamic_cast<TSuperCalcModule*>(c)) s->Calculate();
    else if (auto* k = dynamic_cast<TCompoundCalcModule*>(c)) k->Calculate();
  }
}

void TCompoundCalcModule::SetActive(bool active) { SetChildrenActive(*this, active); }
void TCompoundCalcModule::Calculate() { CalculateChildren(*this); }

}  // namespace torvacalc
