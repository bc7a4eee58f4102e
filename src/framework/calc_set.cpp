#include "framework/calc_set.h"

#include <string>

namespace torvacalc {

void TCalcSet::BadSlot(int slot) {
  throw ECalcSet("#CS001: slot " + std::to_string(slot) + " outside 0.." + std::to_string(SlotCount - 1));
}

void TCalcSet::AddRule(int target, std::initializer_list<int> sources) {
  AddRule(target, std::vector<int>(sources));
}

void TCalcSet::AddRule(int target, const std::vector<int>& sources) {
  const size_t t = Index(target);
  for (int s : sources)
    if (s == target) throw ECalcSet("#CS003");
  for (int s : sources) dependents_[Index(s)].set(t);
}

void TCalcSet::ClearRules() {
  for (auto& d : dependents_) d.reset();
}

void TCalcSet::HasChanged(int slot) {
  // Breadth-first over the dependency graph; `seen` ends cycles that rules
  // of several targets may form together.
  Slots seen;
  Slots frontier = dependents_[Index(slot)];
  while (frontier.any()) {
    Slots next;
    for (size_t i = 0; i < SlotCount; ++i) {
      if (!frontier.test(i) || seen.test(i)) continue;
      seen.set(i);
      valid_.reset(i);
      next |= dependents_[i];
    }
    frontier = next & ~seen;
  }
}

void TCalcSet::ResetAll() {
  valid_.reset();
  overruled_.reset();
}

}  // namespace torvacalc
