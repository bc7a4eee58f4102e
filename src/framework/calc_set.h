// The result cache of the computational classes: 256 numbered slots, each
// with a valid bit and an overruled bit, and rules saying which slots a
// result depends on. Setting an input invalidates every result that depends
// on it, directly or through other results; a getter computes its slot only
// when the slot is neither valid nor overruled.
#pragma once

#include <bitset>
#include <initializer_list>
#include <stdexcept>
#include <span>
#include <vector>

namespace torvacalc {

// A rule whose target is among its own sources ("#CS003").
class ECalcSet : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

class TCalcSet {
 public:
  static constexpr int SlotCount = 256;
  using Slots = std::bitset<SlotCount>;

  // `target` depends on every slot of `sources`. Rules accumulate: a target
  // named by several rules depends on all their sources. A slot number
  // outside 0..255 or a target among its sources throws ECalcSet.
  void AddRule(int target, std::initializer_list<int> sources);
  void AddRule(int target, const std::vector<int>& sources);
  void AddRule(int target, std::span<const int> sources);
  // The same rule for every target slot set in `targets`.
  void AddRules(const Slots& targets, std::span<const int> sources);
  // Forgets every rule (the dependencies of some classes change with the
  // phase of the medium); the bits stay as they are.
  void ClearRules();

  // Invalidates, transitively, every slot whose rule contains `slot`. The
  // slot itself (unless rules of several targets lead back to it) and the
  // overruled bits are left alone. The set of slots reached from `slot` is
  // worked out once, on the first change of that slot after the rules were
  // last edited; every later call is one mask operation, so a setter costs
  // the same whatever the size of the table.
  void HasChanged(int slot) { valid_ &= ~Reached(Index(slot)); }

  bool GetValid(int slot) const { return valid_.test(Index(slot)); }
  void SetValid(int slot, bool valid = true) { valid_.set(Index(slot), valid); }
  bool GetIsOverruled(int slot) const { return overruled_.test(Index(slot)); }
  void SetIsOverruled(int slot, bool overruled = true) { overruled_.set(Index(slot), overruled); }
  // True when the slot is neither valid nor overruled.
  bool GetShouldBecalculated(int slot) const { return !GetValid(slot) && !GetIsOverruled(slot); }
  // Clears every valid and overruled bit; the rules stay.
  void ResetAll();
  // Clears every valid bit; overruled results and the rules stay.
  void InvalidateAll() { valid_.reset(); }

  // The slots that depend directly on `slot`.
  const Slots& Dependents(int slot) const { return dependents_[Index(slot)]; }

 private:
  static size_t Index(int slot) {
    if (static_cast<unsigned>(slot) >= static_cast<unsigned>(SlotCount)) BadSlot(slot);
    return static_cast<size_t>(slot);
  }
  [[noreturn]] static void BadSlot(int slot);
  // Every slot reachable from `slot` through one or more rules.
  const Slots& Reached(size_t slot) {
    if (!reachedKnown_.test(slot)) FindReached(slot);
    return reached_[slot];
  }
  void FindReached(size_t slot);
  void ForgetReached() { reachedKnown_.reset(); }
  Slots valid_;
  Slots overruled_;
  std::vector<Slots> dependents_ = std::vector<Slots>(SlotCount);
  // The slots with dependents: the sources of the rules.
  Slots sources_;
  // Transitive closure of `dependents_`, filled slot by slot on demand;
  // allocated on the first change so that caches never changed cost nothing.
  std::vector<Slots> reached_;
  Slots reachedKnown_;
};

}  // namespace torvacalc
