#include "framework/basics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "framework/block_heap.h"
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

// Blocks of the block heap are aligned, hold what was asked for without
// overlapping, come back after a free (also one on another thread) and keep
// the blocks around them intact.
TEST(BlockHeap, BlocksKeepTheirContentsThroughReuseAndOtherThreads) {
  struct TBlock {
    unsigned char* at;
    std::size_t size;
  };
  const auto take = [](std::vector<TBlock>& into, std::size_t count, unsigned salt) {
    for (std::size_t i = 0; i < count; ++i) {
      // Mostly small blocks (0 included), some beyond the 16-byte steps,
      // beyond a chunk's share and beyond the range's largest class.
      const std::size_t size = i % 97 == 0 ? i * 1009 % 300000 : i == 1500 ? 70u << 20 : (i * 37 + salt) % 1400;
      auto* at = static_cast<unsigned char*>(TakeBlock(size));
      ASSERT_NE(at, nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(at) % 16, 0u) << size;
      EXPECT_GE(BlockRoom(at), size);
      std::memset(at, static_cast<int>((size + salt) & 0xff), size);
      into.push_back({at, size});
    }
  };
  const auto intact = [](const std::vector<TBlock>& blocks, unsigned salt) {
    for (const TBlock& b : blocks)
      for (std::size_t k = 0; k < b.size; ++k)
        if (b.at[k] != ((b.size + salt) & 0xff)) return false;
    return true;
  };
  std::vector<TBlock> kept, freed, other;
  take(kept, 3000, 1);
  take(freed, 3000, 1);
  for (const TBlock& b : freed) GiveBlock(b.at);
  GiveBlock(nullptr);
  std::thread worker([&] {
    take(other, 3000, 2);  // partly the blocks freed above
    for (std::size_t i = 0; i < kept.size(); i += 2) GiveBlock(kept[i].at);
  });
  worker.join();
  std::vector<TBlock> odd;
  for (std::size_t i = 1; i < kept.size(); i += 2) odd.push_back(kept[i]);
  EXPECT_TRUE(intact(odd, 1));
  EXPECT_TRUE(intact(other, 2));
  std::vector<TBlock> again;
  take(again, 3000, 3);
  EXPECT_TRUE(intact(odd, 1) && intact(other, 2) && intact(again, 3));
  for (auto* list : {&odd, &other, &again})
    for (const TBlock& b : *list) GiveBlock(b.at);
}
