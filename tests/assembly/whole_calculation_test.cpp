// The factories of the whole calculation: every layer is rebuilt by the
// class name its files carry; other names build nothing.
#include <gtest/gtest.h>

#include "assembly/whole_calculation.h"

namespace torvacalc {
namespace {

TEST(WholeCalculation, EveryLayerIsRebuiltByItsClassName) {
  const auto classes = WholeCalculationClasses();
  ASSERT_FALSE(classes.empty());
  for (const std::string& name : classes) {
    SCOPED_TRACE(name);
    const auto calc = CreateWholeCalculationOfClass(name);
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(calc->ClassName(), name);
    EXPECT_TRUE(calc->GetReady());
    EXPECT_TRUE(calc->GetActive());
    EXPECT_EQ(calc->FileExtension(), "cvc");
  }
  // A new calculation is of the top layer, and its files open again.
  const auto top = CreateWholeCalculation();
  EXPECT_EQ(top->ClassName(), classes.back());
}

TEST(WholeCalculation, OtherClassesBuildNothing) {
  for (const char* name : {"", "TCMSubstances", "TCMControlValves", "TSuperCalcModule", "tcustomscmsubstances",
                           "TCustomMCMSubstances"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CreateWholeCalculationOfClass(name), nullptr);
  }
}

}  // namespace
}  // namespace torvacalc
