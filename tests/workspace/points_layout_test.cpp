// The rows x points model of a whole calculation: which main-module items
// form the rows of the operating points and which serve every point.
#include <gtest/gtest.h>

#include <set>

#include "assembly/whole_calculation.h"
#include "workspace/points_layout.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {
namespace {

TEST(PointsLayout, SuffixesNameThePoint) {
  struct Case { const char* name; int point; const char* base; };
  const Case cases[] = {
      {"T1", 0, "T1"},         {"T1Ap2", 1, "T1"},     {"P1Ap3", 2, "P1"},
      {"QnTrApX", 3, "QnTr"},  {"Rho1Apx", 3, "Rho1"},  // spelled so in older connection lists
      {"PvW1AP2", 1, "PvW1"},  {"Ap2", 0, "Ap2"},       // a suffix alone is a name
      {"NoOfValidOps", 0, "NoOfValidOps"}, {"Kap2x", 0, "Kap2x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string base;
    EXPECT_EQ(PointOfItemName(c.name, &base), c.point);
    EXPECT_EQ(base, c.base);
  }
}

TEST(PointsLayout, EveryItemOfTheMainModuleIsShownOnce) {
  const TTorvaWorkspace w;
  const TCustomSCMSubstances* calc = &w.Calculation();
  const TPointsLayout layout = LayoutOfCalculation(*calc);
  std::multiset<const TCalcItem*> shown(layout.constants.begin(), layout.constants.end());
  for (const TPointRow& r : layout.rows) {
    SCOPED_TRACE(r.base);
    ASSERT_NE(r.items[0], nullptr);
    EXPECT_EQ(r.items[0]->GetName(), r.base);
    // The workspace finds the row's twins as the layout places them.
    std::array<TCalcItem*, kPointCount> found;
    w.RowItems(r.base, found);
    EXPECT_EQ(found, r.items);
    // A detail only point 1 returns (a noise method's terms) has a row
    // of its own with the other points empty.
    const bool pointOneOnly = !r.items[1];
    for (int p = 1; p < kPointCount; ++p) {
      if (pointOneOnly) {
        EXPECT_EQ(r.items[p], nullptr);
        continue;
      }
      ASSERT_NE(r.items[p], nullptr);
      std::string base;
      EXPECT_EQ(PointOfItemName(r.items[p]->GetName(), &base), p);
    }
    for (TCalcItem* i : r.items)
      if (i) shown.insert(i);
  }
  const auto& items = calc->GetMainCalcModule()->GetCalcItems();
  EXPECT_EQ(shown.size(), items.size());
  for (const TCalcItem* i : items) EXPECT_EQ(shown.count(i), 1u) << i->GetName();
  // The state, the flows and the substance values exist per point; the
  // medium's choice and constants once.
  std::set<std::string> rows;
  for (const TPointRow& r : layout.rows) rows.insert(r.base);
  for (const char* n : {"T1", "P1", "Rho1", "Qm", "Qv", "Qn", "PhiRel", "CalculatedPhase", "Lpi"}) EXPECT_EQ(rows.count(n), 1u) << n;
  for (const char* n : {"FluidName", "Tc", "DN", "NoOfEnteredOps"}) EXPECT_EQ(rows.count(n), 0u) << n;
}

TEST(PointsLayout, PointsFollowTheNumberOfOperatingPoints) {
  const auto calc = CreateWholeCalculation();
  using On = std::array<bool, kPointCount>;
  // Point X, the extra duty, is off until it is switched on.
  EXPECT_EQ(LayoutOfCalculation(*calc).on, (On{true, true, true, false}));
  calc->Enter("UseXthOp", "ja");
  EXPECT_EQ(LayoutOfCalculation(*calc).on, (On{true, true, true, true}));
  calc->Enter("NoOfEnteredOps", "2");
  calc->Enter("UseXthOp", "nein");
  EXPECT_EQ(LayoutOfCalculation(*calc).on, (On{true, true, false, false}));
}

}  // namespace
}  // namespace torvacalc
