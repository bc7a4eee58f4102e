// The owner of calculation items. TAncestorCalcModule keeps the items of a
// module, finds them by name and receives their calculation events.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/calc_item.h"

namespace torvacalc {

class TAncestorCalcModule {
 public:
  explicit TAncestorCalcModule(std::string name = {});
  virtual ~TAncestorCalcModule();
  TAncestorCalcModule(const TAncestorCalcModule&) = delete;
  TAncestorCalcModule& operator=(const TAncestorCalcModule&) = delete;

  virtual const char* ClassName() const { return "TAncestorCalcModule"; }
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& name) { FName = name; }

  bool GetReadOnly() const { return FReadOnly; }
  virtual void SetReadOnly(bool v) { FReadOnly = v; }
  bool IsDestroying() const { return FDestroying; }
  TEDetailLevel GetDetailLevel() const { return FDetailLevel; }
  virtual void SetDetailLevel(TEDetailLevel level);
  virtual bool IsMainCalcModule() const { return false; }

  // Creates an item owned by this module and registers it under `name`.
  template <class T, class... Args>
  T* AddItem(const std::string& name, Args&&... args) {
    auto item = std::make_unique<T>(this, std::forward<Args>(args)...);
    item->SetName(name);
    T* raw = item.get();
    AddCalcItem(std::move(item));
    return raw;
  }
  void AddCalcItem(std::unique_ptr<TCalcItem> item);
  // The item of that name (not case-sensitive), or nullptr.
  TCalcItem* CalcItemByName(const std::string& name) const;
  int CalcItemIndexByName(const std::string& name) const;
  bool HasCalcItem(const TCalcItem* item) const;
  // The items in creation order.
  const std::vector<TCalcItem*>& GetCalcItems() const { return FItemOrder; }
  int GetParameterCount() const { return static_cast<int>(FItemOrder.size()); }

  // Update brackets: changes inside are reported once the outermost
  // bracket closes. EndUpdate never takes the counter below 0.
  int GetUpdateCounter() const { return FUpdateCounter; }
  virtual void BeginUpdate();
  virtual void EndUpdate(bool recalculated = false);

  // An item reports a change. The base passes the event on to the modules
  // of the item's link targets and to OnCalcEvent.
  virtual void CalcEvent(TCalcEvent event, TCalcItem* item);
  void UpdateState(TCalcItem* item) { CalcEvent(ceUpdateState, item); }

  // Observer of every event that reaches the module (views, tests).
  std::function<void(TCalcEvent, TCalcItem*)> OnCalcEvent;

 protected:
  void ForwardToTargets(TCalcEvent event, TCalcItem* item);

  std::string FName;
  bool FReadOnly = false;
  bool FDestroying = false;
  TEDetailLevel FDetailLevel = dlLow;
  int FUpdateCounter = 0;

 private:
  std::vector<std::unique_ptr<TCalcItem>> FItems;
  std::vector<TCalcItem*> FItemOrder;
  std::map<std::string, TCalcItem*> FByName;  // lower-case name
};

}  // namespace torvacalc
