// The pipe and material layer: the dimensions from the pipe class and the
// material values at the medium's temperature are the stand-alone modules'
// own, and the pressure and temperature of point 1 reach them.
#include <gtest/gtest.h>

#include "assembly/scm_material_pipe.h"

namespace torvacalc {
namespace {

using TCalc = TCustomSCMSubstancesMaterialPipe;

TEST(MaterialPipeLayer, EqualsTheStandAloneModules) {
  struct Case {
    const char* source;
    const char *pipeClass, *DN, *rating;
    const char *material, *T1;
  };
  const Case cases[] = {
      {"EN 10220 DN 100, 13CrMo4-5 at 500 degC", "EN 10220 Reihe 1, Normalwanddicke", "100", "Normalwanddicke",
       "13CrMo4-5", "500"},
      {"ASME B36.10M NPS 4 Sch 80, 13CrMo4-5 at 300 degC", "ASME B36.10M", "100", "Sch 80", "13CrMo4-5", "300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    auto calc = CreateCalculation<TCalc>();
    calc->BeginSetValues();
    for (const auto& [name, text] : {std::pair{"FluidName", "Wasser"}, {"P1", "40"}, {"T1", c.T1},
                                     {"PipeClass", c.pipeClass}, {"DN", c.DN}, {"PN", c.rating},
                                     {"EN13480Name", c.material}})
      calc->Enter(name, text);
    calc->EndSetValues();

    TCalcMessageContainer messages;
    TCMNormPipeThickness pipe;
    pipe.SetCalcMessageContainer(&messages);
    for (const auto& [item, text] : {std::pair<TCalcItem*, const char*>{pipe.PipeClass, c.pipeClass},
                                     {pipe.DN, c.DN}, {pipe.PN, c.rating}, {pipe.P1, "40"}}) {
      item->EnterByUser(false);
      item->SetText(text);
    }
    pipe.SetActive(true);
    TCMMaterialData material;
    material.SetCalcMessageContainer(&messages);
    for (const auto& [item, text] : {std::pair<TCalcItem*, const char*>{material.EN13480Name, c.material},
                                     {material.T1, c.T1}}) {
      item->EnterByUser(false);
      item->SetText(text);
    }
    material.e->SetValue(pipe.tP->GetValue());
    material.SetActive(true);

    EXPECT_TRUE(HasValue(pipe.DaP->GetValue()));
    EXPECT_EQ(calc->GetValue("DaP"), pipe.DaP->GetValue());
    EXPECT_EQ(calc->GetValue("tp"), pipe.tP->GetValue());
    EXPECT_EQ(calc->GetValue("DiP"), pipe.DiP->GetValue());
    for (const char* n : {"Rp02", "RM", "EM", "Alpha", "RhoM", "LambdaM", "K"}) {
      SCOPED_TRACE(n);
      EXPECT_EQ(calc->GetValue(n), material.CalcItemByName(n)->AsParameter()->GetValue());
    }
    EXPECT_EQ(calc->FCCMMaterialData1->Module().e->GetValue(), pipe.tP->GetValue());
    messages.RemoveAllMessages();
    pipe.SetCalcMessageContainer(nullptr);
    material.SetCalcMessageContainer(nullptr);
  }
}

TEST(MaterialPipeLayer, PipeDimensionsShareOneUnit) {
  auto calc = CreateCalculation<TCalc>();
  TCalcParameter* dap = calc->Param("DaP");
  ASSERT_GT(dap->CalcUnits().GetCount(), 1);
  dap->SetCalcUnitNo(1);
  EXPECT_EQ(calc->Param("DiP")->GetCalcUnitNo(), 1);
  EXPECT_EQ(calc->Param("tp")->GetCalcUnitNo(), 1);
}

}  // namespace
}  // namespace torvacalc
