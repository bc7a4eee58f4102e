// The medium layer of a valve calculation: the values the user sees in the
// main module are the substances module's, to the last bit, and the
// wiring carries entries in and results out.
#include <gtest/gtest.h>

#include "assembly/scm_substances.h"

namespace torvacalc {
namespace {

TEST(SubstancesLayer, MainModuleShowsTheStandAloneModulesValues) {
  struct Case {
    const char* fluid;
    Extended T, P;
  };
  for (const Case& c : {Case{"Wasser", 20, 1}, Case{"Wasser", 250, 40}, Case{"Wasser", 400, 100}}) {
    SCOPED_TRACE(std::string(c.fluid) + " " + std::to_string(static_cast<double>(c.T)));
    auto calc = CreateCalculation<TCustomSCMSubstances>();
    calc->BeginSetValues();
    calc->SetText("FluidName", c.fluid);
    calc->SetT1(c.T);
    calc->SetP1(c.P);
    calc->EndSetValues();

    TCalcMessageContainer messages;
    TCMSubstances alone;
    alone.SetCalcMessageContainer(&messages);
    alone.FluidName->SetText(c.fluid);
    alone.T1->SetValue(c.T);
    alone.p1->SetValue(c.P);
    alone.SetActive(true);
    for (const char* n : {"Rho1", "Pv1", "Tv1", "Eta1", "H1", "Cp1", "Kappa1", "Tc", "Pc", "M", "Cf"}) {
      SCOPED_TRACE(n);
      EXPECT_EQ(calc->GetValue(n), alone.CalcItemByName(n)->AsParameter()->GetValue());
    }
    EXPECT_EQ(calc->GetText("SubstanceType"), alone.SubstanceType->GetText());
    EXPECT_EQ(calc->GetText("Phase"), alone.Phase->GetText());
    messages.RemoveAllMessages();
    alone.SetCalcMessageContainer(nullptr);
  }
}

}  // namespace
}  // namespace torvacalc
