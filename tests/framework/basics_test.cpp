#include "framework/basics.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "framework/snapshot.h"

using namespace torvacalc;

TEST(NoValue, RecognisedWithinItsToleranceAndBeyond) {
  EXPECT_TRUE(IsNoValue(NoValue));
  EXPECT_TRUE(IsNoValue(-NoValue));
  EXPECT_TRUE(IsNoValue(NoValue * (1 + 5e-6L)));
  EXPECT_TRUE(IsNoValue(NoValue * (1 - 5e-6L)));
  EXPECT_TRUE(IsNoValue(std::numeric_limits<Extended>::infinity()));
  EXPECT_TRUE(IsNoValue(std::numeric_limits<Extended>::quiet_NaN()));
  EXPECT_FALSE(IsNoValue(NoValue * (1 - 1e-4L)));
  EXPECT_FALSE(IsNoValue(0));
  EXPECT_FALSE(IsNoValue(1e300L));
  EXPECT_TRUE(Available(1, 2.0, 3.0L));
  EXPECT_FALSE(Available(1, NoValue, 3.0L));
}

TEST(ToleranceComparison, SignificantDigits) {
  EXPECT_TRUE(EqualDigits(1, 1 + 1e-11L, 10));
  EXPECT_FALSE(EqualDigits(1, 1 + 1e-9L, 10));
  EXPECT_TRUE(EqualDigits(0, 1e-12L, 10));  // against zero: the magnitude
  EXPECT_FALSE(EqualDigits(-1, 1, 10));
  EXPECT_TRUE(EqualDigits(NoValue, NoValue, 10));
  EXPECT_FALSE(EqualDigits(NoValue, 1, 10));
  // Greater and smaller exclude equality in this sense.
  EXPECT_FALSE(GreaterDigits(1 + 1e-12L, 1, 10));
  EXPECT_TRUE(GreaterEqualDigits(1 - 1e-12L, 1, 10));
  EXPECT_TRUE(SmallerDigits(1, 2, 10));
  EXPECT_TRUE(SmallerEqualDigits(1 + 1e-12L, 1, 10));
  EXPECT_FALSE(SmallerEqualDigits(2, 1, 10));
}

TEST(SharedHelpers, TemperatureAndPressureKeepNoValue) {
  EXPECT_NEAR(CorrectedTemperature(20), 293.15L * (1 + 1e-7L), 1e-12L);
  EXPECT_EQ(CorrectedTemperature(NoValue), NoValue);
  EXPECT_NEAR(GaugeToAbsolute(1), 2.01325L, 1e-15L);
  EXPECT_NEAR(AbsoluteToGauge(1.01325L), 0, 1e-15L);
  EXPECT_EQ(GaugeToAbsolute(NoValue), NoValue);
  EXPECT_EQ(AbsoluteToGauge(NoValue), NoValue);
  EXPECT_STREQ(EHXInternal("slot 3", "tControlValve").what(), "Interner Fehler: slot 3 in tControlValve");
  EXPECT_STREQ(EHXInternal("slot 3").what(), "Interner Fehler: slot 3");
  EXPECT_STREQ(EHXAbstract("TCalcModule", "Calculate").what(), "Abstrakter Fehler: TCalcModule.Calculate");
}

// A loop over a snapshot visits what the list held when it began, however
// the list changes meanwhile, on the stack and beyond it.
TEST(Snapshot, VisitsTheListAsItWasWhenTheLoopBegan) {
  for (int size : {0, 1, 8, 9, 40}) {
    SCOPED_TRACE(size);
    std::vector<int> values(static_cast<size_t>(size));
    std::vector<int*> list;
    for (int& v : values) list.push_back(&v);
    const std::vector<int*> before = list;
    std::vector<int*> visited;
    for (int* p : torvacalc::TSnapshot<int>(list)) {
      visited.push_back(p);
      list.clear();  // a callee unlinks everything
      list.push_back(nullptr);
    }
    EXPECT_EQ(visited, before);
  }
}
