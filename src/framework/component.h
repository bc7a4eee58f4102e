// The ownership tree of a calculation: super modules own modules, compound
// modules, calculation sources and connectors; each owner holds its
// children in creation order and frees them, in reverse order, when it is
// freed itself.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace torvacalc {

class TCalcComponent {
 public:
  explicit TCalcComponent(TCalcComponent* owner = nullptr, std::string name = {});
  virtual ~TCalcComponent();
  TCalcComponent(const TCalcComponent&) = delete;
  TCalcComponent& operator=(const TCalcComponent&) = delete;

  virtual const char* ClassName() const { return "TCalcComponent"; }
  // Switches a part that computes (a module, a compound of modules, a
  // nested calculation) on or off as its owner is; other parts ignore it.
  virtual void SetActiveWithOwner(bool /*active*/) {}
  const std::string& GetName() const { return FName; }
  void SetName(std::string name) { FName = std::move(name); }
  TCalcComponent* GetOwner() const { return FOwner; }

  // True from the start of the destructor on: objects being freed ignore
  // events and notifications. Every event asks it of the item's module;
  // while no component's destructor runs on this thread (nearly always)
  // the owners need not be asked one by one.
  bool IsDestroying() const { return FDestroying || (tDestructionsRunning > 0 && OwnerDestroying()); }

  // Creates a child owned by this component.
  template <class T, class... Args>
  T* CreateChild(Args&&... args) {
    auto child = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = child.get();
    FChildren.push_back(std::move(child));
    ChildCreated(raw);
    return raw;
  }
  // The owned children in creation order.
  std::vector<TCalcComponent*> Children() const;
  size_t ChildCount() const { return FChildren.size(); }
  TCalcComponent* ChildAt(size_t i) const { return FChildren[i].get(); }
  TCalcComponent* FindChild(const std::string& name) const;

  // The nearest owner of type T, or nullptr.
  template <class T>
  T* FindOwner() const {
    for (TCalcComponent* o = FOwner; o; o = o->FOwner)
      if (auto* t = dynamic_cast<T*>(o)) return t;
    return nullptr;
  }

 protected:
  // Called after a child was created (owners that keep typed lists of some
  // of their children fill them here).
  virtual void ChildCreated(TCalcComponent* /*child*/) {}
  // Frees the children now (reverse creation order); derived destructors
  // call it while their own members still exist.
  void DestroyChildren();
  // Called first in a destructor (any number of times): from here on the
  // component and everything it owns is being destroyed.
  void MarkDestroying() {
    if (FDestroying) return;
    FDestroying = true;
    ++tDestructionsRunning;
  }
  // This component's own mark, without its owners'.
  bool MarkedDestroying() const { return FDestroying; }

 private:
  // The components of this thread marked as being destroyed whose
  // destructors have not ended. Components are destroyed on the thread
  // that uses them.
  static thread_local constinit int tDestructionsRunning;
  // Out of line: the common answer of IsDestroying stays small enough to be
  // inlined wherever it is asked.
  bool OwnerDestroying() const;
  bool FDestroying = false;
  TCalcComponent* FOwner;
  std::string FName;
  std::vector<std::unique_ptr<TCalcComponent>> FChildren;
};

}  // namespace torvacalc
