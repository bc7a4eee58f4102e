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
  for (int s : sources) dependents_[Index(s)].set(t);
  ForgetReached();
}

void TCalcSet::AddRules(const Slots& targets, std::span<const int> sources) {
  for (int s : sources)
    if (targets.test(Index(s))) throw ECalcSet("#CS003");
  for (int s : sources) dependents_[Index(s)] |= targets;
  ForgetReached();
}

void TCalcSet::ClearRules() {
  for (auto& d : dependents_) d.reset();
  ForgetReached();
}

void TCalcSet::FindReached(size_t slot) {
  if (reached_.empty()) reached_.resize(SlotCount);
  // Depth-first over the dependency graph, visiting only set bits; `seen`
  // ends cycles that rules of several targets may form together. A slot
  // whose closure is already known contributes it whole.
  Slots seen;
  size_t stack[SlotCount];
  size_t depth = 0;
  const Slots& first = dependents_[slot];
  for (size_t k = first._Find_first(); k < SlotCount; k = first._Find_next(k)) {
    seen.set(k);
    stack[depth++] = k;
  }
  while (depth > 0) {
    const size_t i = stack[--depth];
    const Slots fresh = (reachedKnown_.test(i) ? reached_[i] | dependents_[i] : dependents_[i]) & ~seen;
    if (reachedKnown_.test(i)) {
      seen |= fresh;
      continue;
    }
    for (size_t k = fresh._Find_first(); k < SlotCount; k = fresh._Find_next(k)) {
      seen.set(k);
      stack[depth++] = k;
    }
  }
  reached_[slot] = seen;
  reachedKnown_.set(slot);
}

void TCalcSet::ResetAll() {
  valid_.reset();
  overruled_.reset();
}

}  // namespace torvacalc
