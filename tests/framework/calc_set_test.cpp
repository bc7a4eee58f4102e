#include "framework/calc_set.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

using torvacalc::ECalcSet;
using torvacalc::TCalcSet;

TEST(CalcSet, OverruledResultsAreNotRecalculated) {
  TCalcSet set;
  set.AddRule(1, {10});
  set.SetIsOverruled(1);
  set.HasChanged(10);
  EXPECT_FALSE(set.GetValid(1));
  EXPECT_TRUE(set.GetIsOverruled(1));
  EXPECT_FALSE(set.GetShouldBecalculated(1));
  set.SetIsOverruled(1, false);
  EXPECT_TRUE(set.GetShouldBecalculated(1));
  set.SetValid(1);
  EXPECT_FALSE(set.GetShouldBecalculated(1));
  set.SetIsOverruled(2);
  set.ResetAll();
  EXPECT_FALSE(set.GetIsOverruled(2));
  EXPECT_FALSE(set.GetValid(1));
}

TEST(CalcSet, RefusesSelfDependencyAndBadSlots) {
  TCalcSet set;
  try {
    set.AddRule(5, {1, 5});
    FAIL() << "a rule on itself must be refused";
  } catch (const ECalcSet& e) {
    EXPECT_STREQ(e.what(), "#CS003");
  }
  EXPECT_THROW(set.AddRule(256, {1}), ECalcSet);
  EXPECT_THROW(set.SetValid(-1), ECalcSet);
}

namespace {

// The breadth-first scan over all slots that the cache used before the
// closures were kept: the reference the faster invalidation must reproduce.
class ReferenceCalcSet {
 public:
  void AddRule(int target, const std::vector<int>& sources) {
    for (int s : sources) dependents_[static_cast<size_t>(s)].set(static_cast<size_t>(target));
  }
  void ClearRules() {
    for (auto& d : dependents_) d.reset();
  }
  void HasChanged(int slot) {
    TCalcSet::Slots seen;
    TCalcSet::Slots frontier = dependents_[static_cast<size_t>(slot)];
    while (frontier.any()) {
      TCalcSet::Slots next;
      for (size_t i = 0; i < TCalcSet::SlotCount; ++i) {
        if (!frontier.test(i) || seen.test(i)) continue;
        seen.set(i);
        valid.reset(i);
        next |= dependents_[i];
      }
      frontier = next & ~seen;
    }
  }
  TCalcSet::Slots valid;

 private:
  std::vector<TCalcSet::Slots> dependents_ = std::vector<TCalcSet::Slots>(TCalcSet::SlotCount);
};

TCalcSet::Slots ValidBits(const TCalcSet& set) {
  TCalcSet::Slots bits;
  for (int s = 0; s < TCalcSet::SlotCount; ++s) bits.set(static_cast<size_t>(s), set.GetValid(s));
  return bits;
}

}  // namespace

// Rule tables of the shapes met in the computational classes: a chain, a
// diamond, a cycle through three rules, a fan-out from one input, and the
// sizing core's table. After each change every slot is valid again, so the
// bits left invalid are exactly the slots reached from the changed one.
TEST(CalcSet, ReachedSlotsMatchTheRuleTables) {
  using Rules = std::vector<std::pair<int, std::vector<int>>>;
  struct Case { const char* name; Rules rules; int changed; std::vector<int> invalid; };
  const std::vector<Case> cases = {
      {"chain", {{2, {1}}, {3, {2}}, {4, {3}}}, 1, {2, 3, 4}},
      {"chain middle", {{2, {1}}, {3, {2}}, {4, {3}}}, 3, {4}},
      {"diamond", {{2, {1}}, {3, {1}}, {4, {2, 3}}}, 1, {2, 3, 4}},
      {"diamond side", {{2, {1}}, {3, {1}}, {4, {2, 3}}}, 2, {4}},
      {"cycle back to the changed slot", {{1, {3}}, {2, {1}}, {3, {2}}}, 2, {1, 2, 3}},
      {"cycle entered from outside", {{1, {3, 9}}, {2, {1}}, {3, {2}}}, 9, {1, 2, 3}},
      {"fan-out", {{10, {0}}, {11, {0}}, {255, {0}}, {12, {255}}}, 0, {10, 11, 12, 255}},
      {"leaf", {{10, {0}}, {11, {10}}}, 11, {}},
      // Kv (1) from flow (10) and the effective pressure drop (20), which
      // depends on p1 (30) and p2 (31); the Reynolds factor (40) on Kv.
      {"sizing core", {{20, {30, 31}}, {1, {10, 20}}, {40, {1}}, {41, {40, 31}}, {42, {41}}}, 31, {1, 20, 40, 41, 42}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCalcSet set;
    for (const auto& [target, sources] : c.rules) set.AddRule(target, sources);
    for (int s = 0; s < TCalcSet::SlotCount; ++s) set.SetValid(s);
    set.HasChanged(c.changed);
    TCalcSet::Slots expected;
    expected.set();
    for (int s : c.invalid) expected.reset(static_cast<size_t>(s));
    EXPECT_EQ(ValidBits(set), expected);
    // A second change of the same slot uses the closure worked out by the
    // first and must reach the same slots.
    for (int s = 0; s < TCalcSet::SlotCount; ++s) set.SetValid(s);
    set.HasChanged(c.changed);
    EXPECT_EQ(ValidBits(set), expected);
  }
}

// Random rule tables and random sequences of changes, valid bits, new rules
// and cleared rules, compared bit for bit with the reference scan. Rules
// added between changes must be seen by the next change (no stale closure).
TEST(CalcSet, RandomSequencesInvalidateLikeTheReferenceScan) {
  std::mt19937 rng(20);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int span = round < 20 ? 16 : (round < 40 ? 64 : TCalcSet::SlotCount);
    std::uniform_int_distribution<int> slot(0, span - 1);
    std::uniform_int_distribution<int> action(0, 99);
    TCalcSet set;
    ReferenceCalcSet reference;
    auto addRandomRule = [&] {
      const int target = slot(rng);
      std::vector<int> sources;
      for (int n = 1 + action(rng) % 4; n > 0; --n) {
        const int s = slot(rng);
        if (s != target) sources.push_back(s);
      }
      set.AddRule(target, sources);
      reference.AddRule(target, sources);
    };
    for (int r = span / 2; r > 0; --r) addRandomRule();
    for (int step = 0; step < 400; ++step) {
      const int a = action(rng);
      if (a < 50) {
        const int s = slot(rng);
        set.HasChanged(s);
        reference.HasChanged(s);
      } else if (a < 85) {
        const int s = slot(rng);
        set.SetValid(s);
        reference.valid.set(static_cast<size_t>(s));
      } else if (a < 97) {
        addRandomRule();
      } else if (a < 98) {
        set.ClearRules();
        reference.ClearRules();
      } else {
        for (int s = 0; s < span; ++s) {
          set.SetValid(s);
          reference.valid.set(static_cast<size_t>(s));
        }
      }
      ASSERT_EQ(ValidBits(set), reference.valid) << "after step " << step;
    }
  }
}
