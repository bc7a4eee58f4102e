#include "framework/calc_set.h"

#include <gtest/gtest.h>

using torvacalc::ECalcSet;
using torvacalc::TCalcSet;

// A chain like the sizing core's: Kv (1) from flow (10) and the effective
// pressure drop (20), which depends on p1 (30) and p2 (31); the Reynolds
// factor (40) depends on Kv.
TEST(CalcSet, InvalidatesDependentsTransitivelyAndOnlyThem) {
  TCalcSet set;
  set.AddRule(20, {30, 31});
  set.AddRule(1, {10, 20});
  set.AddRule(40, {1});
  for (int s : {1, 10, 20, 30, 31, 40, 50}) set.SetValid(s);

  set.HasChanged(31);
  EXPECT_FALSE(set.GetValid(20));
  EXPECT_FALSE(set.GetValid(1));
  EXPECT_FALSE(set.GetValid(40));
  EXPECT_TRUE(set.GetValid(31));  // the changed input keeps its own bit
  EXPECT_TRUE(set.GetValid(10));
  EXPECT_TRUE(set.GetValid(50));

  for (int s : {1, 20, 40}) set.SetValid(s);
  set.HasChanged(40);  // nothing depends on the last result
  EXPECT_TRUE(set.GetValid(1));
}

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

TEST(CalcSet, CyclesThroughSeveralRulesTerminate) {
  TCalcSet set;
  set.AddRule(1, {2});
  set.AddRule(2, {3});
  set.AddRule(3, {1});
  for (int s : {1, 2, 3}) set.SetValid(s);
  set.HasChanged(1);
  EXPECT_FALSE(set.GetValid(1));
  EXPECT_FALSE(set.GetValid(2));
  EXPECT_FALSE(set.GetValid(3));
  set.ClearRules();
  set.SetValid(2);
  set.HasChanged(3);
  EXPECT_TRUE(set.GetValid(2));
}
