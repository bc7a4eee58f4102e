#include "framework/calc_set.h"

#include <string>

namespace torvacalc {

void TCalcSet::BadSlot(int slot) {
  throw ECalcSet("#CS001: slot " + std::to_string(slot) + " outside 0.." + std::to_string(SlotCount - 1));
}

void TCalcSet::AddRule(int target, std::initializer_list<int> sources) {
  AddRule(target, std::span<const int>(sources.begin(), sources.size()));
}

void TCalcSet::AddRule(int target, const std::vector<int>& sources) { AddRule(target, std::span<const int>(sources)); }

void TCalcSet::AddRule(int target, std::span<const int> sources) {
  const size_t t = Index(target);
  for (int s : sources)
    if (s == target) throw ECalcSet("#CS003");
  for (int s : sources) {
    dependents_[Index(s)].set(t);
    sources_.set(Index(s));
  }
  ForgetReached();
}

void TCalcSet::AddRules(const Slots& targets, std::span<const int> sources) {
  for (int s : sources)
    if (targets.test(Index(s))) throw ECalcSet("#CS003");
  if (targets.none()) return;
  for (int s : sources) {
    dependents_[Index(s)] |= targets;
    sources_.set(Index(s));
  }
  ForgetReached();
}

void TCalcSet::ClearRules() {
  for (auto& d : dependents_) d.reset();
  sources_.reset();
  ForgetReached();
}

void TCalcSet::FindReached(size_t slot) {
  if (reached_.empty()) reached_.resize(SlotCount);
  // `seen` gathers what is reached; `open` holds the slots reached whose
  // own dependents are still to be added. Only a slot that is the source of
  // some rule has dependents, so most results reached are never visited
  // one by one. A slot whose closure is already known contributes it whole.
  // `seen` also ends cycles that rules of several targets may form.
  Slots seen = dependents_[slot];
  Slots open = seen & sources_;
  for (size_t i = open._Find_first(); i < SlotCount; i = open._Find_first()) {
    open.reset(i);
    if (reachedKnown_.test(i)) {
      seen |= reached_[i];
      continue;
    }
    const Slots fresh = dependents_[i] & ~seen;
    seen |= fresh;
    open |= fresh & sources_;
  }
  reached_[slot] = seen;
  reachedKnown_.set(slot);
}

void TCalcSet::ResetAll() {
  valid_.reset();
  overruled_.reset();
}

}  // namespace torvacalc
