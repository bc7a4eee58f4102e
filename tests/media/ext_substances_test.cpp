#include "media/ext_substances.h"

#include <gtest/gtest.h>

#include "module_under_test.h"

namespace torvacalc {
namespace {

// A provider that counts its change-of-state calculations.
class CountingProvider : public tExtSubstances {
 public:
  int calls = 0;

 protected:
  Extended DoCalculateT2(Extended T1, Extended, Extended) override {
    ++calls;
    return T1 - 1;
  }
};

TEST(ExtSubstances, StartsEmptyAndKeepsSetValues) {
  tExtSubstances p;
  for (int i = 0; i < epCount; ++i)
    EXPECT_TRUE(IsNoValue(p.GetValue(static_cast<TExtProperty>(i)))) << i;
  int notified = 0;
  p.OnResultsChange = [&](tExtSubstances&) { ++notified; };
  p.SetRho(998);
  p.SetRho(998);
  p.SetRho(5, false);  // handing back to a computation the base does not have
  EXPECT_EQ(p.GetRho(), 998);
  EXPECT_EQ(notified, 1);
  Extended rho, t;
  p.CalculateRhoIsentrop(rho, t, 20, 10, 1);
  EXPECT_TRUE(IsNoValue(rho) && IsNoValue(t));
  EXPECT_TRUE(IsNoValue(p.CalculateT2(20, 10, 1)));
}

TEST(ExtSubstances, StoreMemoizesTheLastChangeOfState) {
  CountingProvider p;
  EXPECT_EQ(p.CalculateT2(100, 10, 1), 99);
  EXPECT_EQ(p.CalculateT2(100, 10, 1), 99);
  EXPECT_EQ(p.calls, 1);
  EXPECT_EQ(p.CalculateT2(100, 10, 2), 99);  // another input replaces the entry
  EXPECT_EQ(p.calls, 2);
  p.SetLiquid(false);  // the side of the saturation line is an input too
  p.CalculateT2(100, 10, 2);
  EXPECT_EQ(p.calls, 3);
  EXPECT_TRUE(IsNoValue(p.CalculateT2(NoValue, 10, 2)));
  EXPECT_EQ(p.calls, 3);
}

TEST(ExtSubstances, AssignAndCopyTransferEverything) {
  tExtSubstances a, b;
  a.SetT(15);
  a.SetP(2);
  a.SetLiquid(false);
  a.SetFormula("CH4");
  a.SetEta(1.1E-5L);
  a.SetPhase(cpGas);
  a.GetAGAConcentration().SetC(1, 100);
  a.PutIntoStore({1, 2, 3, 4, 5, 6}, 7, 8);
  a.Copy(b);
  EXPECT_EQ(b.GetT(), 15);
  EXPECT_FALSE(b.GetLiquid());
  EXPECT_EQ(b.GetFormula(), "CH4");
  EXPECT_EQ(b.GetEta(), 1.1E-5L);
  EXPECT_EQ(b.GetPhase(), cpGas);
  EXPECT_EQ(b.GetAGAConcentration().GetC(1), 100);
  EXPECT_TRUE(b.IsInStore({1, 2, 3, 4, 5, 6}));
  Extended r1, r2;
  b.GetFromStore(r1, r2);
  EXPECT_EQ(r1, 7);
  EXPECT_EQ(r2, 8);
}

TEST(AGAConcentration, SumsListsAndRestores) {
  tAGAConcentration c;
  int changes = 0;
  c.OnChange = [&](tAGAConcentration&) { ++changes; };
  c.SetC(1, 90);
  c.SetC(4, 8);
  c.SetC(2, 2);
  EXPECT_EQ(c.CalculateCSum(), 100);
  EXPECT_TRUE(c.GetIsAga8());
  EXPECT_EQ(c.GetAsString(), "Methan 90 %, Stickstoff 2 %, Ethan 8 %");
  c.Store();
  c.SetC(30, 1);
  EXPECT_FALSE(c.GetIsAga8());
  c.Storno();
  EXPECT_TRUE(c.GetIsAga8());
  EXPECT_EQ(changes, 5);
  EXPECT_TRUE(IsNoValue(c.GetC(0)));
  EXPECT_TRUE(IsNoValue(c.GetC(41)));
  EXPECT_THROW(c.SetC(41, 1), EHXInternal);
}

TEST(AGAConcentration, CompositionSurvivesACalculationFileTag) {
  tAGAConcentration gas;
  gas.SetC(1, 90.5L);
  gas.SetC(2, 9.5L);
  gas.SetCType(tAGAConcentration::ctGERG);
  test::MemoryTag tag;
  gas.SaveToTag(tag);
  EXPECT_EQ(tag.m.count("C3"), 0u);  // absent components are not written
  tAGAConcentration back;
  back.SetC(5, 50);  // replaced, not merged
  back.LoadFromTag(tag);
  EXPECT_TRUE(back == gas);
  // Damaged fractions are dropped rather than taken.
  tag.m["C4"] = -3.0L;
  tag.m["C6"] = 1e300L;
  back.LoadFromTag(tag);
  EXPECT_EQ(back.GetC(4), 0);
  EXPECT_EQ(back.GetC(6), 0);
}

}  // namespace
}  // namespace torvacalc
