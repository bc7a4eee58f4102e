#include "framework/calc_connector.h"

#include "framework/snapshot.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include "framework/translation.h"

namespace torvacalc {

namespace {

template <class T>
void EraseFrom(std::vector<T*>& list, const T* p) {
  list.erase(std::remove(list.begin(), list.end(), p), list.end());
}

template <class T>
void AddOnce(std::vector<T*>& list, T* p) {
  if (p && std::find(list.begin(), list.end(), p) == list.end()) list.push_back(p);
}

// Keeps the first of equal entries, in their order.
void KeepFirstOfEach(std::vector<TCalcItem*>& list) {
  if (list.size() < 2) return;
  std::vector<std::pair<TCalcItem*, size_t>> sorted;
  sorted.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) sorted.emplace_back(list[i], i);
  std::sort(sorted.begin(), sorted.end());
  std::vector<bool> keep(list.size());
  for (size_t i = 0; i < sorted.size(); ++i)
    if (i == 0 || sorted[i].first != sorted[i - 1].first) keep[sorted[i].second] = true;
  size_t kept = 0;
  for (size_t i = 0; i < list.size(); ++i)
    if (keep[i]) list[kept++] = list[i];
  list.resize(kept);
}

// Notes an item for the views. A burst of changes notes the same items
// many times: a repeat of the last one is dropped at once, the others when
// the list is delivered, or now and then while it grows.
void Remember(std::vector<TCalcItem*>& list, TCalcItem* item) {
  if (!list.empty() && list.back() == item) return;
  list.push_back(item);
  if (list.size() >= 4096 && std::has_single_bit(list.size())) KeepFirstOfEach(list);
}

// What an event tells observers of data changes: a change of an item's
// data, notes or comments, or of all parameters at once.
enum class TChangeKind { None, Data, Notes, Comments, AllParameters };

TChangeKind ChangeKindOf(TCalcEvent event) {
  switch (event) {
    case ceFieldChange:
    case ceValueFieldChange:
    case ceInputStateChange: return TChangeKind::Data;
    case ceNotesChange: return TChangeKind::Notes;
    case ceCommentsChange: return TChangeKind::Comments;
    case ceParametersChange: return TChangeKind::AllParameters;
    default: return TChangeKind::None;
  }
}

}  // namespace

// -------------------------------------------------------------- TCalcSource

TCalcSource::TCalcSource(TCalcComponent* owner, std::string name) : TCalcComponent(owner, std::move(name)) {}

TCalcSource::~TCalcSource() {
  MarkDestroying();
  if (FCalcModule) EraseFrom(FCalcModule->FCalcSources, this);
  for (TCalcConnector* c : std::vector<TCalcConnector*>(FConnectors)) {
    if (c->GetCalcSource() == this) c->SetCalcSource(nullptr);
    if (c->GetCalcTarget() == this) c->SetCalcTarget(nullptr);
  }
}

void TCalcSource::SetCalcModule(TCalcModule* module) {
  if (module == FCalcModule) return;
  if (FCalcModule) EraseFrom(FCalcModule->FCalcSources, this);
  FCalcModule = module;
  if (module) AddOnce(module->FCalcSources, this);
}

void TCalcSource::AddCalcLink(TFieldCalcLink* link) { AddOnce(FCalcLinks, link); }
void TCalcSource::RemoveCalcLink(TFieldCalcLink* link) { EraseFrom(FCalcLinks, link); }
void TCalcSource::AddConnector(TCalcConnector* connector) {
  if (!connector || std::find(FConnectors.begin(), FConnectors.end(), connector) != FConnectors.end()) return;
  FConnectors.push_back(connector);
  FArrival.push_back(++FArrived);
  IndexConnector(connector);
}

void TCalcSource::RemoveConnector(TCalcConnector* connector) {
  const auto at = std::find(FConnectors.begin(), FConnectors.end(), connector);
  if (at == FConnectors.end()) return;
  ForgetConnector(connector);
  FArrival.erase(FArrival.begin() + (at - FConnectors.begin()));
  FConnectors.erase(at);
}

namespace {

size_t HomeOf(const TCalcItem* item, size_t mask) {
  return static_cast<size_t>((reinterpret_cast<std::uintptr_t>(item) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

}  // namespace

void TCalcSource::GrowCarried(size_t entries) {
  if (entries * 2 <= FCarried.size()) return;
  std::vector<TCarried> old(std::max<size_t>(64, std::bit_ceil(entries * 2)));
  old.swap(FCarried);
  const size_t mask = FCarried.size() - 1;
  for (const TCarried& e : old)
    if (e.Item) {
      size_t i = HomeOf(e.Item, mask);
      while (FCarried[i].Item) i = (i + 1) & mask;
      FCarried[i] = e;
    }
}

void TCalcSource::IndexConnector(TCalcConnector* connector) {
  const auto at = std::find(FConnectors.begin(), FConnectors.end(), connector);
  if (at == FConnectors.end() || connector->AttachedItems().empty() || !connector->GetListened()) return;
  const std::uint64_t arrival = FArrival[static_cast<size_t>(at - FConnectors.begin())];
  GrowCarried(FCarriedCount + connector->AttachedItems().size());
  const size_t mask = FCarried.size() - 1;
  for (const TCalcItem* item : connector->AttachedItems()) {
    size_t i = HomeOf(item, mask);
    while (FCarried[i].Item) i = (i + 1) & mask;
    FCarried[i] = {item, arrival, connector};
    ++FCarriedCount;
  }
}

void TCalcSource::ForgetConnector(const TCalcConnector* connector) {
  if (FCarriedCount == 0) return;
  const size_t mask = FCarried.size() - 1;
  for (const TCalcItem* item : connector->AttachedItems()) {
    size_t i = HomeOf(item, mask);
    while (FCarried[i].Item && !(FCarried[i].Item == item && FCarried[i].Connector == connector)) i = (i + 1) & mask;
    if (!FCarried[i].Item) continue;
    // Moves back the entries after it that would no longer be found past
    // the freed slot.
    for (size_t j = (i + 1) & mask; FCarried[j].Item; j = (j + 1) & mask) {
      const size_t home = HomeOf(FCarried[j].Item, mask);
      const bool reachable = i <= j ? (i < home && home <= j) : (i < home || home <= j);
      if (reachable) continue;
      FCarried[i] = FCarried[j];
      i = j;
    }
    FCarried[i] = {};
    --FCarriedCount;
  }
}

void TCalcSource::ActivateConnectors() {
  for (TCalcConnector* c : std::vector<TCalcConnector*>(FConnectors)) c->SetActive(true);
}

void TCalcSource::DeactivateConnectors() {
  for (TCalcConnector* c : std::vector<TCalcConnector*>(FConnectors)) c->SetActive(false);
}

void TCalcSource::CalcEvent(TCalcEvent event, TCalcItem* item) {
  if (!Active || IsDestroying()) return;
  if (event == ceUpdateState) {
    UpdateState(item);
    return;
  }
  if (FFireEvents) {
    if (event == ceBeforeFieldChange && OnBeforeDataChange) OnBeforeDataChange(*this, item);
    if (event == ceUpdateParameters && OnUpdateData) OnUpdateData(*this);
    switch (ChangeKindOf(event)) {
      case TChangeKind::Data:
        if (OnAfterDataChange) OnAfterDataChange(*this, item);
        break;
      case TChangeKind::AllParameters:
        if (OnAfterDataChange) OnAfterDataChange(*this, nullptr);
        break;
      case TChangeKind::Notes:
        if (OnNotesChange) OnNotesChange(*this, item);
        break;
      case TChangeKind::Comments:
        if (OnCommentsChange) OnCommentsChange(*this, item);
        break;
      case TChangeKind::None:
        break;
    }
  }
  NotifyCalcLinks(event, item);
}

void TCalcSource::UpdateState(TCalcItem* item) {
  if (!Active) return;
  NotifyCalcLinks(ceUpdateState, item);
}

namespace {

// Passes the event to each of a list as it was before the first call. Out
// of line: most events find nothing to call, and their path through
// NotifyCalcLinks then keeps no copy on its stack.
template <class T>
[[gnu::noinline]] void CallEach(const std::vector<T*>& list, TCalcEvent event, TCalcItem* item) {
  for (T* x : TSnapshot<T>(list)) x->CalcEvent(event, item);
}

}  // namespace

void TCalcSource::NotifyCalcLinks(TCalcEvent event, TCalcItem* item) {
  // An event about one item concerns only the connectors that carry it;
  // one about the whole module concerns them all.
  if (!item) {
    if (!FConnectors.empty()) CallEach(FConnectors, event, item);
  } else if (FCarriedCount > 0) {
    const size_t mask = FCarried.size() - 1;
    for (size_t i = HomeOf(item, mask); FCarried[i].Item; i = (i + 1) & mask)
      if (FCarried[i].Item == item) {
        NotifyCarriers(event, item, i);
        break;
      }
  }
  if (FUpdateCounter == 0) {
    if (!FCalcLinks.empty()) CallEach(FCalcLinks, event, item);
  } else {
    KeepInMind(event, item);
  }
}

// Apart from NotifyCalcLinks, which most items' events pass through
// without finding a connector, and which then needs none of this.
[[gnu::noinline]] void TCalcSource::NotifyCarriers(TCalcEvent event, TCalcItem* item, size_t first) {
  // Those found, in the order the connectors came, taken before any is
  // called (a connector's reaction may switch connectors).
  struct TFound {
    std::uint64_t Arrival;
    TCalcConnector* Connector;
    bool operator<(const TFound& o) const { return Arrival < o.Arrival; }
  };
  constexpr size_t kLocal = 16;
  TFound local[kLocal];
  std::vector<TFound> more;
  size_t found = 0;
  const size_t mask = FCarried.size() - 1;
  for (size_t i = first; FCarried[i].Item; i = (i + 1) & mask) {
    if (FCarried[i].Item != item) continue;
    const TFound e{FCarried[i].Arrival, FCarried[i].Connector};
    if (found < kLocal) {
      local[found] = e;
    } else {
      if (more.empty()) more.assign(local, local + kLocal);
      more.push_back(e);
    }
    ++found;
  }
  TFound* start = found <= kLocal ? local : more.data();
  if (found > 1) std::sort(start, start + found);
  for (size_t k = 0; k < found; ++k) start[k].Connector->CalcEvent(event, item);
}

void TCalcSource::KeepInMind(TCalcEvent event, TCalcItem* item) {
  // The items are remembered for the views alone: without one (a
  // calculation being built or run from the command line) there is nobody
  // to tell, and a list of every item of the main module, each looked for
  // before it is added, would cost more than the building itself. A view
  // attached while an update is open hears what changes from then on.
  if (FCalcLinks.empty() && event != ceBeforeCalculate && event != ceAfterCalculate) return;
  switch (event) {
    case ceNotesChange: Remember(FPendingNotes, item); break;
    case ceCommentsChange: Remember(FPendingComments, item); break;
    case ceUpdateState: Remember(FPendingState, item); break;
    case ceBeforeCalculate: FPendingBefore = true; break;
    case ceAfterCalculate: FPendingAfter = true; break;
    default: Remember(FPendingData, item); break;
  }
}

void TCalcSource::EndUpdate(bool flush) {
  if (FUpdateCounter > 0) --FUpdateCounter;
  if (flush && FUpdateCounter < 1) Refresh();
}

void TCalcSource::Refresh() {
  for (auto& f : BeforeRefresh) f();
  FUpdateCounter = 0;
  if (Active) {
    if (FPendingBefore && OnBeforeCalculate) OnBeforeCalculate(*this);
    auto deliver = [this](std::vector<TCalcItem*>& list, TCalcEvent event) {
      if (FCalcLinks.empty()) {
        list.clear();
        return;
      }
      KeepFirstOfEach(list);
      while (!list.empty()) {
        TCalcItem* item = list.back();
        list.pop_back();
        for (TFieldCalcLink* l : std::vector<TFieldCalcLink*>(FCalcLinks)) l->CalcEvent(event, item);
      }
    };
    deliver(FPendingState, ceUpdateState);
    deliver(FPendingData, ceFieldChange);
    deliver(FPendingNotes, ceNotesChange);
    deliver(FPendingComments, ceCommentsChange);
    if (FPendingAfter && OnAfterCalculate) OnAfterCalculate(*this);
  }
  FPendingBefore = FPendingAfter = false;
  for (auto& f : AfterRefresh) f();
}

void TCalcSource::DoBeforeCalculate() {
  if (!OnBeforeCalculate) return;
  if (FUpdateCounter == 0)
    OnBeforeCalculate(*this);
  else
    FPendingBefore = true;
}

void TCalcSource::DoAfterCalculate() {
  if (!OnAfterCalculate) return;
  if (FUpdateCounter == 0)
    OnAfterCalculate(*this);
  else
    FPendingAfter = true;
}

// --------------------------------------------------------- TConnectionItem

std::string TConnectionItem::GetSourceName() const {
  const auto bar = Connection.find('|');
  return bar == std::string::npos ? std::string() : Connection.substr(0, bar);
}

std::string TConnectionItem::GetTargetName() const {
  const auto bar = Connection.find('|');
  return bar == std::string::npos ? std::string() : Connection.substr(bar + 1);
}

namespace {

// Entries are compared byte for byte; eight bytes at a time go into the hash.
size_t EntryHash(std::string_view s) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  for (size_t i = 0; i < s.size(); i += 8) {
    std::uint64_t w = 0;
    std::memcpy(&w, s.data() + i, std::min<size_t>(8, s.size() - i));
    h = (h ^ w) * 0x100000001B3ull;
  }
  h ^= h >> 32;
  h *= 0xFF51AFD7ED558CCDull;
  return static_cast<size_t>(h ^ (h >> 29));
}

}  // namespace

int TConnections::Add(std::string_view source, std::string_view target, bool bar) {
  // The entry is written after the others first and hashed there; a
  // repeated one is taken back.
  const size_t offset = FText.size();
  // A list that is filled at all mostly takes a few dozen entries.
  if (FEntries.capacity() == 0) {
    FText.reserve(256);
    FEntries.reserve(16);
  }
  FText.append(source);
  if (bar) FText.append(1, '|').append(target);
  const std::string_view text = std::string_view(FText).substr(offset);
  if (text.empty()) return -1;
  const size_t hash = EntryHash(text);
  if ((FEntries.size() + 1) * 2 > FIndex.size()) {
    FIndex.assign(std::max<size_t>(32, std::bit_ceil((FEntries.size() + 1) * 4)), 0);
    const size_t mask = FIndex.size() - 1;
    for (size_t e = 0; e < FEntries.size(); ++e) {
      size_t i = FEntries[e].Hash & mask;
      while (FIndex[i]) i = (i + 1) & mask;
      FIndex[i] = static_cast<std::uint32_t>(e + 1);
    }
  }
  const size_t mask = FIndex.size() - 1;
  size_t i = hash & mask;
  for (; FIndex[i]; i = (i + 1) & mask) {
    const size_t e = FIndex[i] - 1;
    if (FEntries[e].Hash == hash && Entry(e) == text) {
      FText.resize(offset);
      return -1;
    }
  }
  const bool wasActive = FOwner && FOwner->GetActive();
  if (wasActive) FOwner->SetActive(false);
  FEntries.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(text.size()), hash});
  FIndex[i] = static_cast<std::uint32_t>(FEntries.size());
  if (FOwner) FOwner->FLinkedSource = FOwner->FLinkedTarget = 0;
  if (wasActive) FOwner->SetActive(true);
  return static_cast<int>(FEntries.size()) - 1;
}

void TConnections::Clear() {
  const bool wasActive = FOwner && FOwner->GetActive();
  if (wasActive) FOwner->SetActive(false);
  FText.clear();
  FEntries.clear();
  FIndex.clear();
  if (FOwner) FOwner->FLinkedSource = FOwner->FLinkedTarget = 0;
  if (wasActive) FOwner->SetActive(true);
}

// ----------------------------------------------------------- TCalcConnector

TCalcConnector::TCalcConnector(TCalcComponent* owner, std::string name) : TCalcComponent(owner, std::move(name)) {}

TCalcConnector::~TCalcConnector() {
  // Unlink while the modules are still there; when the whole calculation
  // is being freed the items unlink themselves.
  if (FActive && !IsDestroying() && SourceModule() && TargetModule() && !SourceModule()->IsDestroying() &&
      !TargetModule()->IsDestroying()) {
    try {
      NotifyTargetCalcParameters(true);
    } catch (...) {
    }
  }
  MarkDestroying();
  FActive = false;
  SetCalcSource(nullptr);
  SetCalcTarget(nullptr);
}

TCalcModule* TCalcConnector::SourceModule() const { return FCalcSource ? FCalcSource->GetCalcModule() : nullptr; }
TCalcModule* TCalcConnector::TargetModule() const { return FCalcTarget ? FCalcTarget->GetCalcModule() : nullptr; }

void TCalcConnector::SetCalcSource(TCalcSource* source) {
  if (source == FCalcSource) return;
  if (FCalcSource && FCalcSource != FCalcTarget) FCalcSource->RemoveConnector(this);
  FCalcSource = source;
  if (source) source->AddSourceConnector(this);
}

void TCalcConnector::SetCalcTarget(TCalcSource* target) {
  if (target == FCalcTarget) return;
  if (FCalcTarget && FCalcTarget != FCalcSource) FCalcTarget->RemoveConnector(this);
  FCalcTarget = target;
  if (target) target->AddTargetConnector(this);
}

void TCalcConnector::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  const bool wasActive = FActive;
  if (wasActive) SetActive(false);
  FEnabled = enabled;
  if (wasActive) SetActive(true);
}

namespace {

TCalcItem* Lookup(TCalcModule* module, std::string_view name, const std::string& connector) {
  if (!module) throw EHXInternal("connector without module", connector);
  TCalcItem* item = module->CalcItemByName(name);
  if (!item)
    throw EHXInternal("item \"" + std::string(name) + "\" missing in module " + module->GetName(), connector);
  return item;
}

// The names before and after the first "|" of an entry (both empty
// without one), as views into the entry.
std::pair<std::string_view, std::string_view> SplitEntry(std::string_view entry) {
  const auto bar = entry.find('|');
  if (bar == std::string_view::npos) return {};
  return {entry.substr(0, bar), entry.substr(bar + 1)};
}

// The items of one list: `a` holds the names before "|", `b` those after.
std::vector<std::pair<TCalcItem*, TCalcItem*>> Resolve(const TConnections& list, TCalcModule* a, TCalcModule* b,
                                                       const std::string& connector) {
  std::vector<std::pair<TCalcItem*, TCalcItem*>> items;
  items.reserve(list.Count());
  for (size_t e = 0; e < list.Count(); ++e) {
    const auto [source, target] = SplitEntry(list.Entry(e));
    TCalcItem* from = Lookup(a, source, connector);
    items.emplace_back(from, Lookup(b, target, connector));
  }
  return items;
}

}  // namespace

void TCalcConnector::BuildParameterList(const TLinkedItems& links) {
  std::vector<const TCalcItem*> attached;
  attached.reserve(2 * (links.Out.size() + links.In.size() + links.OutPump.size() + links.InPump.size()));
  for (const auto* list : {&links.Out, &links.In, &links.OutPump, &links.InPump})
    for (const auto& [from, to] : *list) {
      attached.push_back(from);
      attached.push_back(to);
    }
  std::sort(attached.begin(), attached.end());
  attached.erase(std::unique(attached.begin(), attached.end()), attached.end());
  // A connector switched off and on again mostly carries what it carried.
  if (attached == FAttached) return;
  if (!GetListened()) {
    FAttached.swap(attached);
    return;
  }
  TCalcSource* other = FCalcTarget != FCalcSource ? FCalcTarget : nullptr;
  for (TCalcSource* s : {FCalcSource, other})
    if (s) s->ForgetConnector(this);
  FAttached.swap(attached);
  for (TCalcSource* s : {FCalcSource, other})
    if (s) s->IndexConnector(this);
}

void TCalcConnector::Reindex() {
  TCalcSource* other = FCalcTarget != FCalcSource ? FCalcTarget : nullptr;
  for (TCalcSource* s : {FCalcSource, other})
    if (s) {
      s->ForgetConnector(this);
      s->IndexConnector(this);
    }
}

TConnectorHandler& TConnectorHandler::operator=(TFunction function) {
  const bool listened = FOwner->GetListened();
  FFunction = std::move(function);
  if (FOwner->GetListened() != listened) FOwner->Reindex();
  return *this;
}

bool TCalcConnector::IsAttached(const TCalcItem* item) const {
  return std::binary_search(FAttached.begin(), FAttached.end(), item);
}

void TCalcConnector::CheckCircles() const {
  TLinkedItems links;
  links.Out = Resolve(OutConnections, TargetModule(), SourceModule(), GetName());
  links.In = Resolve(InConnections, SourceModule(), TargetModule(), GetName());
  CheckCircles(links);
}

void TCalcConnector::CheckCircles(const TLinkedItems& links) const {
  // The links of this connector as they will be, over those there are:
  // (the reading item, the item it will read), sorted by the reader; of
  // two entries for one reader the later one counts.
  std::vector<std::pair<const TCalcItem*, const TCalcItem*>> planned;
  planned.reserve(links.Out.size() + links.In.size());
  for (const auto* list : {&links.Out, &links.In})
    for (const auto& [from, to] : *list) planned.emplace_back(to, from);
  std::stable_sort(planned.begin(), planned.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  auto sourceOf = [&](const TCalcItem* i) -> const TCalcItem* {
    const auto it = std::upper_bound(planned.begin(), planned.end(), i,
                                     [](const TCalcItem* v, const auto& e) { return v < e.first; });
    return it != planned.begin() && std::prev(it)->first == i ? std::prev(it)->second : i->GetSourceCalcItem();
  };
  for (const auto* list : {&links.Out, &links.In})
    for (const auto& [from, to] : *list) {
      size_t length = 0;
      const TCalcItem* i = from;
      for (; i && length < 10000 && i != to; ++length) i = sourceOf(i);
      if (i != to || length >= 10000) continue;
      // A circle: name every item on it, the reader first.
      std::string names = to->GetName();
      if (to->GetCalcModule()) names += " [" + to->GetCalcModule()->GetName() + "]";
      for (const TCalcItem* c = from;; c = sourceOf(c)) {
        names += ", " + c->GetName();
        if (c->GetCalcModule()) names += " [" + c->GetCalcModule()->GetName() + "]";
        if (c == to) break;
      }
      throw ECompCalcLink(Translate("Schwerwiegender Fehler: ") + "CalcConnector " + GetName() +
                          " hat zirkuläre Verweise: (" + names + ")");
    }
}

void TCalcConnector::SetActive(bool active) {
  if (IsDestroying()) {
    FActive = false;
    return;
  }
  if (active == FActive) return;
  TCalcModule* a = SourceModule();
  TCalcModule* b = TargetModule();
  // Switching on looks every name up once, for the circle check, the list
  // of attached items and the links; the same modules and lists as the
  // last time join the same items.
  if (active && FEnabled) {
    if (LinksKnown()) {
      CheckCircles(FLinks);  // throws: the connector stays off
    } else {
      TLinkedItems links;
      links.Out = Resolve(OutConnections, b, a, GetName());
      links.In = Resolve(InConnections, a, b, GetName());
      CheckCircles(links);
      links.OutPump = Resolve(OutDataPump, b, a, GetName());
      links.InPump = Resolve(InDataPump, a, b, GetName());
      BuildParameterList(links);
      FLinks = std::move(links);
      FLinkedSource = a && b ? a->GetSerial() : 0;
      FLinkedTarget = a && b ? b->GetSerial() : 0;
    }
  }
  if (a) a->BeginUpdate();
  if (b) b->BeginUpdate();
  try {
    FActive = active;
    if (FEnabled && a && b) {
      if (active)
        LinkTargetCalcParameters(FLinks);
      else
        NotifyTargetCalcParameters(true);
    }
  } catch (...) {
    if (b) b->EndUpdate(true);
    if (a) a->EndUpdate(true);
    throw;
  }
  if (b) b->EndUpdate(true);
  if (a) a->EndUpdate(true);
}

void TCalcConnector::LinkTargetCalcParameters(const TLinkedItems& links) {
  for (const auto* list : {&links.Out, &links.In})
    for (const auto& [from, to] : *list) to->SetSourceCalcItem(from);
  for (const auto* list : {&links.OutPump, &links.InPump})
    for (const auto& [from, to] : *list)
      to->SetDataSourceCalcItem(from->GetIsTarget() ? from->GetRootCalcItem() : from);
}

bool TCalcConnector::LinksKnown() const {
  const TCalcModule* a = SourceModule();
  const TCalcModule* b = TargetModule();
  return FLinkedSource && a && b && a->GetSerial() == FLinkedSource && b->GetSerial() == FLinkedTarget;
}

void TCalcConnector::NotifyTargetCalcParameters(bool unlink) {
  if (unlink && LinksKnown()) {
    // The items the lists name are those linked: an Out link is cut only
    // where the item still reads from the one the connector gave it.
    for (const auto& [from, to] : FLinks.Out)
      if (to->GetSourceCalcItem() == from) to->SetSourceCalcItem(nullptr);
    for (const auto& [from, to] : FLinks.In) to->SetSourceCalcItem(nullptr);
    for (const auto* list : {&FLinks.OutPump, &FLinks.InPump})
      for (const auto& [from, to] : *list) to->SetDataSourceCalcItem(nullptr);
    return;
  }
  TCalcModule* src = SourceModule();
  TCalcModule* dst = TargetModule();
  auto walk = [&](const TConnections& list, TCalcModule* ma, TCalcModule* mb, bool data, bool onlyIfSame) {
    for (size_t e = 0; e < list.Count(); ++e) {
      const auto [source, target] = SplitEntry(list.Entry(e));
      TCalcItem* a = Lookup(ma, source, GetName());
      TCalcItem* b = Lookup(mb, target, GetName());
      if (data) {
        b->SetDataSourceCalcItem(unlink ? nullptr : (a->GetIsTarget() ? a->GetRootCalcItem() : a));
      } else if (!unlink) {
        b->SetSourceCalcItem(a);
      } else if (!onlyIfSame || b->GetSourceCalcItem() == a) {
        b->SetSourceCalcItem(nullptr);
      }
    }
  };
  walk(OutConnections, dst, src, false, true);
  walk(InConnections, src, dst, false, false);
  walk(OutDataPump, dst, src, true, false);
  walk(InDataPump, src, dst, true, false);
}

void TCalcConnector::UpdateState(TCalcItem* item) {
  if (OnUpdateState) OnUpdateState(*this, item);
}

void TCalcConnector::CalcEvent(TCalcEvent event, TCalcItem* item) {
  // A connector nobody listens to has nothing to pass on; a calculation
  // source feeds dozens of them with every change of its module.
  if (!OnDataChange && !OnNotesChange && !OnCommentsChange && !OnUpdateState) return;
  if (item && !IsAttached(item)) return;
  if (event == ceUpdateState) {
    UpdateState(item);
    return;
  }
  if (!GetActive() || !FEnabled) return;
  switch (ChangeKindOf(event)) {
    case TChangeKind::Data:
      if (OnDataChange) OnDataChange(*this, item);
      break;
    case TChangeKind::AllParameters:
      if (OnDataChange) OnDataChange(*this, nullptr);
      break;
    case TChangeKind::Notes:
      if (OnNotesChange) OnNotesChange(*this, item);
      break;
    case TChangeKind::Comments:
      if (OnCommentsChange) OnCommentsChange(*this, item);
      break;
    case TChangeKind::None:
      break;
  }
}

}  // namespace torvacalc
