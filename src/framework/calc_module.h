// The owner of calculation items. TAncestorCalcModule keeps the items of a
// module, finds them by name and receives their calculation events.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <span>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/calc_item.h"
#include "framework/options.h"
#include "framework/calc_message.h"
#include "framework/component.h"
#include "framework/translation.h"

namespace torvacalc {

class TAncestorCalcModule : public TCalcComponent {
 public:
  explicit TAncestorCalcModule(std::string name = {}) : TAncestorCalcModule(nullptr, std::move(name)) {}
  TAncestorCalcModule(TCalcComponent* owner, std::string name);
  ~TAncestorCalcModule() override;

  const char* ClassName() const override { return "TAncestorCalcModule"; }

  bool GetReadOnly() const { return FReadOnly; }
  virtual void SetReadOnly(bool v) { FReadOnly = v; }
  // The numerical options of the calculation this module belongs to (its
  // outermost super module), or the program's for a module on its own.
  TNumericOptions NumericOptions() const;
  TEDetailLevel GetDetailLevel() const { return FDetailLevel; }
  virtual void SetDetailLevel(TEDetailLevel level);
  virtual bool IsMainCalcModule() const { return false; }
  // A number no other module of this process had or will have (unlike
  // its address, which a later module may reuse): what keeps items
  // found by name may tell whether they still belong to this module.
  std::uint64_t GetSerial() const { return FSerial; }

  // Creates an item owned by this module and registers it under `name`
  // (by value: a name written as a literal is made once, not made and
  // copied).
  template <class T, class... Args>
  T* AddItem(std::string name, Args&&... args) {
    auto item = std::make_unique<T>(this, std::forward<Args>(args)...);
    item->SetName(std::move(name));
    T* raw = item.get();
    AddCalcItem(std::move(item));
    return raw;
  }
  void AddCalcItem(std::unique_ptr<TCalcItem> item);
  // The item of that name (not case-sensitive), or nullptr.
  TCalcItem* CalcItemByName(std::string_view name) const;
  int CalcItemIndexByName(std::string_view name) const;
  bool HasCalcItem(const TCalcItem* item) const;
  // The items in creation order.
  const std::vector<TCalcItem*>& GetCalcItems() const { return FItemOrder; }
  int GetParameterCount() const { return static_cast<int>(FItemOrder.size()); }
  // The parameters that are not results, in creation order: what checks of
  // the inputs walk on every calculation, without testing every item.
  const std::vector<TCalcParameter*>& GetInputParameters() const { return FInputParameters; }

  // Update brackets: changes inside are reported once the outermost
  // bracket closes. EndUpdate never takes the counter below 0.
  int GetUpdateCounter() const { return FUpdateCounter; }
  virtual void BeginUpdate();
  virtual void EndUpdate(bool recalculated = false);
  // An item of the module is about to take a new value or text.
  virtual void BeforeItemChange() {}

  // An item reports a change. The base passes the event on to the modules
  // of the item's link targets and to OnCalcEvent.
  virtual void CalcEvent(TCalcEvent event, TCalcItem* item);
  void UpdateState(TCalcItem* item) { CalcEvent(ceUpdateState, item); }

  // Observer of every event that reaches the module (views, tests).
  std::function<void(TCalcEvent, TCalcItem*)> OnCalcEvent;

  // Called after the module's items were read from a calculation file of
  // format `fileVersion` that holds no entry for the items in `absent`
  // (the file was written before they existed). A module gives such items
  // the value the program that wrote the file computed with, so that an
  // older file opens to the numbers it was saved with; new items keep
  // their defaults otherwise.
  virtual void BringUpToDate(int fileVersion, const std::vector<TCalcItem*>& absent) {
    (void)fileVersion;
    (void)absent;
  }

 protected:
  void ForwardToTargets(TCalcEvent event, TCalcItem* item);

  // Frees the items now (reverse creation order); derived modules call it
  // first in their destructors, while their own members still exist. A
  // calculation module first drops the messages that name them.
  virtual void DestroyItems();

  bool FReadOnly = false;
  const std::uint64_t FSerial;
  TEDetailLevel FDetailLevel = dlLow;
  int FUpdateCounter = 0;

 private:
  // The items in creation order, owned: DestroyItems frees them.
  std::vector<TCalcItem*> FItemOrder;
  std::vector<TCalcParameter*> FInputParameters;
  // The items by name, without regard to the case of ASCII letters: an
  // open-addressed table of (hash, item), compared with the item's own
  // name, so that registering an item copies no name and allocates nothing
  // but an occasional larger table (a calculation registers and looks up
  // thousands of names while it is built). Its size is a power of two.
  struct TNameSlot {
    size_t Hash = 0;
    TCalcItem* Item = nullptr;
  };
  std::vector<TNameSlot> FNames;
  size_t FNamed = 0;
  // The slot holding `name`, or the free slot where it would go.
  size_t NameSlot(std::string_view name, size_t hash) const;
  void EraseName(const TCalcItem* item);
};

}  // namespace torvacalc

namespace torvacalc {

class TCalcSource;
class TSuperCalcModule;

// A computing module: one step of a calculation. It checks its inputs,
// computes its outputs in DoCalculate, and raises calculation messages.
// It recalculates by itself whenever a writable input changes while it is
// active.
class TCalcModule : public TAncestorCalcModule {
 public:
  TCalcModule(TCalcComponent* owner, std::string name);
  explicit TCalcModule(std::string name = {}) : TCalcModule(nullptr, std::move(name)) {}
  ~TCalcModule() override;
  const char* ClassName() const override { return "TCalcModule"; }

 protected:
  void DestroyItems() override;

 public:
  // What the module computes, for people ("Stellventilauslegung"; German,
  // translated where shown); empty when it has no such name.
  virtual std::string ModuleCaption() const { return {}; }

  // When a module asked to calculate takes its turn while the calculation
  // settles: modules of a later stage wait until those of earlier stages
  // have settled (a module that only reads what the others work out).
  virtual int SettleStage() const { return 0; }

  // Active and enabled and not being freed.
  bool GetActive() const { return FActive && FEnabled && !IsDestroying(); }
  // Switching an enabled module on computes it; switching it off removes
  // its messages.
  virtual void SetActive(bool active);
  void SetActiveWithOwner(bool active) override { SetActive(active); }
  bool GetEnabled() const { return FEnabled; }
  // A disabled module disables its items and ignores changes.
  virtual void SetEnabled(bool enabled);

  // The shape every calculation follows: nothing while inactive; before:
  // events and removal of the module's messages; DoCalculate; after: events.
  void Calculate();
  std::function<void(TCalcModule&)> BeforeCalculate, AfterCalculate;

  void CalcEvent(TCalcEvent event, TCalcItem* item) override;
  void BeginUpdate() override;
  void EndUpdate(bool recalculated = false) override;
  void BeforeItemChange() override;

  TCalcMessageContainer* GetCalcMessageContainer() const { return FContainer; }
  void SetCalcMessageContainer(TCalcMessageContainer* container);
  // The nearest owner that is a super module.
  TSuperCalcModule* GetOwnerSuperCalcModule() const;

  // The name an item is shown with where a message's text names it: its
  // twin's in the main module of a whole calculation (the valve's "p2v" is
  // the outlet pressure "p2Ap2" of point 2 there), its own otherwise.
  static std::string ShownName(TCalcItem* item);

  // Messages. Items may be empty (a module-wide message); the first item
  // decides where the message is shown.
  void CreateMessage(int msgNo, std::span<TCalcItem* const> items, const std::vector<TMessageArg>& args = {},
                     std::int8_t priority = 0);
  void CreateMessage(int msgNo, const std::vector<TCalcItem*>& items, const std::vector<TMessageArg>& args = {},
                     std::int8_t priority = 0) {
    CreateMessage(msgNo, std::span<TCalcItem* const>(items), args, priority);
  }
  void CreateMessage(int msgNo, std::initializer_list<TCalcItem*> items, const std::vector<TMessageArg>& args = {},
                     std::int8_t priority = 0) {
    CreateMessage(msgNo, std::span<TCalcItem* const>(items.begin(), items.size()), args, priority);
  }
  template <class M>
  void CreateMessage(const std::vector<TCalcItem*>& items, const std::string& text, std::int8_t priority = 0) {
    RaiseMessage(std::make_unique<M>(), -1, std::span<TCalcItem* const>(items), Translate(text), -1, -1, priority);
  }
  // Removes this module's messages; the views refresh.
  void RemoveMessages();
  int GetMessageCount() const;
  int GetErrorCount() const;
  int GetFatalWarningCount() const;
  int GetWarningCount() const;
  int GetHintCount() const;
  int GetCorrectCount() const;

  // Checks inputs for missing and out-of-bounds values (messages 101, 102,
  // 103, 118, 120). Returns true when nothing was raised.
  bool CheckParameters(const std::vector<TCalcItem*>& items, bool strict = false);
  // Marks used results that could not be computed (message 103).
  void CalculationFails(const std::vector<TCalcItem*>& items, bool strict = false);

  // (Lists given in braces are taken as they stand, without a vector.)
  void EnableParameters(std::span<TCalcItem* const> items);
  void DisableParameters(std::span<TCalcItem* const> items);
  void MakeUtilized(std::span<TCalcItem* const> items);
  void MakeNotUtilized(std::span<TCalcItem* const> items);
  // The listed parameters are shown only while they hold a value.
  void HideIfMinus(std::span<TCalcItem* const> items);
  void EnableParameters(std::initializer_list<TCalcItem*> items) { EnableParameters(Span(items)); }
  void DisableParameters(std::initializer_list<TCalcItem*> items) { DisableParameters(Span(items)); }
  void MakeUtilized(std::initializer_list<TCalcItem*> items) { MakeUtilized(Span(items)); }
  void MakeNotUtilized(std::initializer_list<TCalcItem*> items) { MakeNotUtilized(Span(items)); }
  void HideIfMinus(std::initializer_list<TCalcItem*> items) { HideIfMinus(Span(items)); }
  static std::span<TCalcItem* const> Span(std::initializer_list<TCalcItem*> items) {
    return {items.begin(), items.size()};
  }

  const std::vector<TCalcSource*>& CalcSources() const { return FCalcSources; }

  // Undo support: the module is cancelled back after an aborted edit.
  virtual void Storno() {}
  // Forgets what the module keeps of its earlier passes beside its items
  // (the substance read last, a default it showed): a calculation started
  // again with new values then computes as a new one would.
  virtual void ForgetPast() {}

 protected:
  // The engineering of the module; the base computes nothing.
  virtual void DoCalculate() {}
  virtual void DoBeforeCalculate();
  virtual void DoAfterCalculate();
  void RaiseMessage(std::unique_ptr<TCalcMessage> msg, int msgNo, std::span<TCalcItem* const> items,
                    const std::string& text, int modulNo, int helpNo, std::int8_t priority);

  bool FActive = false;
  bool FEnabled = true;
  // The number of items when the module last disabled all of them.
  size_t FDisabledItems = 0;
  bool FCalculating = false;
  bool FRecalculate = false;

 private:
  friend class TCalcSource;
  friend class TCalcMessageContainer;
  void ContainerGone(TCalcMessageContainer* container);
  TCalcMessageContainer* FContainer = nullptr;
  mutable TSuperCalcModule* FOwnerSuper = nullptr;
  // The catalogue messages raised lately and what their texts were made
  // from: a steady recalculation raises the same messages with the same
  // numbers, and their texts are not formatted again. An entry holds while
  // the catalogue, the dictionary, the language and the decimal separator
  // stay as they were.
  struct TMessageMemo {
    int MsgNo = 0;
    std::vector<TMessageArg> Args;
    unsigned Catalogue = 0, Dictionary = 0;
    std::string Language;
    char Separator = '.';
    bool Known = false;
    int TypeNo = -1, ModulNo = -1, HelpNo = -1;
    std::string Text;
  };
  std::vector<TMessageMemo> FMessageMemo;
  std::vector<TCalcSource*> FCalcSources;
};

// The module that represents one whole calculation towards the user: it
// holds the parameters the user sees and the header items.
class TMainCalcModule : public TCalcModule {
 public:
  TMainCalcModule(TCalcComponent* owner, std::string name = "MainCalcModule");
  const char* ClassName() const override { return "TMainCalcModule"; }
  bool IsMainCalcModule() const override { return true; }
  int GetCalculationCount() const { return FCalculationCount; }

  tCalcString* Identifier;
  tCalcString* Revisor;
  tCalcString* Author;
  TInputParameter* WhenCreated;
  TInputParameter* WhenModified;
  tCalcString* WhenModified2;

 protected:
  void DoCalculate() override;

 private:
  int FCalculationCount = 0;
};

// An empty placeholder module.
class TCalcModuleDummy : public TCalcModule {
 public:
  using TCalcModule::TCalcModule;
  const char* ClassName() const override { return "TCalcModuleDummy"; }
};

// A container of modules that passes activation and calculation on to them.
class TCompoundCalcModule : public TCalcComponent {
 public:
  using TCalcComponent::TCalcComponent;
  const char* ClassName() const override { return "TCompoundCalcModule"; }
  void SetActive(bool active);
  void SetActiveWithOwner(bool active) override { SetActive(active); }
  void Calculate();
};

// Activation and calculation of the modules among a component's children,
// in creation order (compound modules and nested super modules included).
void SetChildrenActive(TCalcComponent& owner, bool active);
void CalculateChildren(TCalcComponent& owner);

}  // namespace torvacalc
