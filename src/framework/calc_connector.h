// Calculation sources and connectors: how modules are wired.
//
// A calculation source observes one module: it receives every calculation
// event of the module and passes it on to its handlers, its connectors and
// its field links (the views), deferring the views' notifications while an
// update is open. A connector joins the items of two modules: when it is
// active, the items named in its connection lists read through the items of
// the other module ("Source|Target" entries).
#pragma once

#include <functional>
#include <set>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/calc_module.h"

namespace torvacalc {

class TCalcConnector;

// The link between one item and one view control.
class TFieldCalcLink {
 public:
  virtual ~TFieldCalcLink() = default;
  virtual void CalcEvent(TCalcEvent event, TCalcItem* item) = 0;
};

class TCalcSource : public TCalcComponent {
 public:
  explicit TCalcSource(TCalcComponent* owner = nullptr, std::string name = {});
  ~TCalcSource() override;
  const char* ClassName() const override { return "TCalcSource"; }

  TCalcModule* GetCalcModule() const { return FCalcModule; }
  void SetCalcModule(TCalcModule* module);

  bool Active = true;
  bool GetFireEvents() const { return FFireEvents; }
  void SetFireEvents(bool fire) { FFireEvents = fire; }

  using TChangeEvent = std::function<void(TCalcSource&, TCalcItem*)>;
  using TNotifyEvent = std::function<void(TCalcSource&)>;
  TChangeEvent OnBeforeDataChange, OnAfterDataChange, OnNotesChange, OnCommentsChange;
  TNotifyEvent OnUpdateData, OnAfterCalculate, OnBeforeCalculate, OnBeforeClose;
  std::vector<std::function<void()>> BeforeRefresh, AfterRefresh;

  void CalcEvent(TCalcEvent event, TCalcItem* item);
  void UpdateState(TCalcItem* item);
  int GetUpdateCounter() const { return FUpdateCounter; }
  void BeginUpdate() { ++FUpdateCounter; }
  // Lowers the counter; with `flush`, the last bracket delivers what the
  // field links missed.
  void EndUpdate(bool flush);
  void Refresh();

  void AddCalcLink(TFieldCalcLink* link);
  void RemoveCalcLink(TFieldCalcLink* link);
  void AddSourceConnector(TCalcConnector* connector) { AddConnector(connector); }
  void AddTargetConnector(TCalcConnector* connector) { AddConnector(connector); }
  void RemoveConnector(TCalcConnector* connector);
  const std::vector<TCalcConnector*>& Connectors() const { return FConnectors; }
  void ActivateConnectors();
  void DeactivateConnectors();

  void DoBeforeCalculate();
  void DoAfterCalculate();

 private:
  friend class TCalcModule;
  friend class TCalcConnector;
  void AddConnector(TCalcConnector* connector);
  void NotifyCalcLinks(TCalcEvent event, TCalcItem* item);
  // The connectors that carry `item`, the first found at FCarried[first].
  void NotifyCarriers(TCalcEvent event, TCalcItem* item, size_t first);
  void KeepInMind(TCalcEvent event, TCalcItem* item);
  // Enters a listened connector's attached items in FCarried, or removes
  // them.
  void IndexConnector(TCalcConnector* connector);
  void ForgetConnector(const TCalcConnector* connector);
  void GrowCarried(size_t entries);

  TCalcModule* FCalcModule = nullptr;
  std::vector<TFieldCalcLink*> FCalcLinks;
  std::vector<TCalcConnector*> FConnectors;
  // When each of FConnectors came, counting up: their order.
  std::vector<std::uint64_t> FArrival;
  std::uint64_t FArrived = 0;
  // Which listened connectors carry an item, so that a change of one item
  // visits only these, not every connector of the module: a hash table of
  // (item, connector) entries, open addressing, at most half full. Kept as
  // connectors come, go and are switched on.
  struct TCarried {
    const TCalcItem* Item = nullptr;
    std::uint64_t Arrival = 0;
    TCalcConnector* Connector = nullptr;
  };
  std::vector<TCarried> FCarried;
  size_t FCarriedCount = 0;
  std::vector<TCalcItem*> FPendingState, FPendingData, FPendingNotes, FPendingComments;
  bool FPendingBefore = false, FPendingAfter = false;
  int FUpdateCounter = 0;
  bool FFireEvents = true;
};

// One connection: the sending item's name, "|", the receiving item's name.
class TConnectionItem {
 public:
  explicit TConnectionItem(std::string connection) : Connection(std::move(connection)) {}
  std::string Connection;
  // The text before the first "|"; empty when there is none.
  std::string GetSourceName() const;
  // The text after the first "|"; empty when there is none.
  std::string GetTargetName() const;
};

class TConnections {
 public:
  explicit TConnections(TCalcConnector* owner = nullptr) : FOwner(owner) {}
  // Adds the entry unless present; returns its index, -1 for an empty
  // text or one already there. An active owning connector is switched off
  // while the list changes and on again afterwards.
  int AddConnection(std::string_view text) { return Add(text, {}, false); }
  // The entry "source|target", made in place.
  int AddConnection(std::string_view source, std::string_view target) { return Add(source, target, true); }
  void Clear();
  size_t Count() const { return FEntries.size(); }
  // The entry at `index` (< Count()), valid until the list changes.
  std::string_view Entry(size_t index) const {
    return std::string_view(FText).substr(FEntries[index].Offset, FEntries[index].Size);
  }

 private:
  // `source`, and with `bar` "|" and `target` after it.
  int Add(std::string_view source, std::string_view target, bool bar);
  TCalcConnector* FOwner;
  // A calculation adds hundreds of entries to its lists: their texts stand
  // back to back in one string, so that an entry costs no allocation of
  // its own.
  std::string FText;
  struct TEntry {
    std::uint32_t Offset, Size;
    size_t Hash;
  };
  std::vector<TEntry> FEntries;
  // Each entry is looked for before it is added: an open-addressed table
  // of entry numbers + 1 (0 is free), at most half full, finds a repeated
  // entry without walking the list.
  std::vector<std::uint32_t> FIndex;
};

// A handler of a connector. Setting or clearing one tells the connector's
// sources, which pass an item's change only to connectors that somebody
// listens to.
class TConnectorHandler {
 public:
  using TFunction = std::function<void(TCalcConnector&, TCalcItem*)>;
  explicit TConnectorHandler(TCalcConnector* owner) : FOwner(owner) {}
  TConnectorHandler(const TConnectorHandler&) = delete;
  TConnectorHandler& operator=(const TConnectorHandler&) = delete;
  TConnectorHandler& operator=(TFunction function);
  explicit operator bool() const { return static_cast<bool>(FFunction); }
  void operator()(TCalcConnector& connector, TCalcItem* item) const { FFunction(connector, item); }

 private:
  TCalcConnector* FOwner;
  TFunction FFunction;
};

class TCalcConnector : public TCalcComponent {
 public:
  explicit TCalcConnector(TCalcComponent* owner = nullptr, std::string name = {});
  ~TCalcConnector() override;
  const char* ClassName() const override { return "TCalcConnector"; }

  // The source feeds the target: In lists go from the source's module to
  // the target's module, Out lists back.
  TCalcSource* GetCalcSource() const { return FCalcSource; }
  TCalcSource* GetCalcTarget() const { return FCalcTarget; }
  void SetCalcSource(TCalcSource* source);
  void SetCalcTarget(TCalcSource* target);

  TConnections InConnections{this}, OutConnections{this}, InDataPump{this}, OutDataPump{this};

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool GetActive() const { return FActive && !IsDestroying(); }
  // Switching on links the listed items, switching off unlinks them. A
  // connector whose links would run in a circle stays off and throws
  // ECompCalcLink.
  void SetActive(bool active);

  using TChangeEvent = TConnectorHandler::TFunction;
  TConnectorHandler OnDataChange{this}, OnNotesChange{this}, OnCommentsChange{this}, OnUpdateState{this};
  // True when one of the handlers is set.
  bool GetListened() const { return OnDataChange || OnNotesChange || OnCommentsChange || OnUpdateState; }

  void CalcEvent(TCalcEvent event, TCalcItem* item);
  void UpdateState(TCalcItem* item);
  // True when the item is named in one of the lists (in its module).
  bool IsAttached(const TCalcItem* item) const;
  // The items named in the lists when the connector was last switched on
  // while enabled, sorted.
  const std::vector<const TCalcItem*>& AttachedItems() const { return FAttached; }
  // Throws ECompCalcLink when linking the lists would make items read from
  // each other in a circle.
  void CheckCircles() const;

 private:
  // The items each list joins, looked up once per switching on: (the item
  // read, the item reading through it) per entry.
  struct TLinkedItems {
    std::vector<std::pair<TCalcItem*, TCalcItem*>> Out, In, OutPump, InPump;
  };
  void CheckCircles(const TLinkedItems& links) const;
  void NotifyTargetCalcParameters(bool unlink);
  void LinkTargetCalcParameters(const TLinkedItems& links);
  void BuildParameterList(const TLinkedItems& links);
  friend class TConnectorHandler;
  // Enters the connector in its sources' tables, or takes it out.
  void Reindex();
  TCalcModule* SourceModule() const;
  TCalcModule* TargetModule() const;

  TCalcSource* FCalcSource = nullptr;
  TCalcSource* FCalcTarget = nullptr;
  // The links made when the connector was last switched on, and the
  // modules (serials) they were looked up in: switched off and on again
  // between the same modules and with the same lists, the connector joins
  // the same items without looking a name up. A changed list forgets them.
  friend class TConnections;
  TLinkedItems FLinks;
  std::uint64_t FLinkedSource = 0, FLinkedTarget = 0;
  bool LinksKnown() const;
  bool FEnabled = true;
  bool FActive = false;
  // Sorted: asked for every event of the source's module.
  std::vector<const TCalcItem*> FAttached;
};

}  // namespace torvacalc
