// Flow quantities: every conversion round-trips for liquids, dry and moist
// gases at the three normal conditions; a moist gas checked by hand against
// the mass balance and a published psychrometric value; bad input gives
// messages and empty values, never NaN.
#include "piping/cm_flow.h"
#include "module_under_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace torvacalc {
namespace {

// Items entered as a user enters them, so that a value typed over a
// calculated one is the user's.
struct Module : test::ModuleUnderTest<TCMAllFlow> {
  void Set(const char* name, const std::string& text) {
    TCalcItem* i = m.CalcItemByName(name);
    i->EnterByUser(text.empty());
    i->SetText(text);
  }
  void SetValue(const char* name, Extended v) {
    auto* p = m.CalcItemByName(name)->AsParameter();
    p->EnterByUser(false);
    p->SetValue(v);
  }
};

Extended Rel(Extended a, Extended b) { return std::fabs(a / b - 1); }

// Air at 20 degC and 5 bar abs with 60 % relative humidity; the water
// vapour pressure at 20 degC is 0.023393 bar (IAPWS-IF97 saturation line).
void MoistAir(Module& x, int conditions) {
  x.m.Phase->SetSwitchIndex(2);
  x.m.GasMedium->SetSwitchIndex(1);
  x.m.StandardConditions->SetSwitchIndex(conditions);
  x.Set("RhoN", conditions == 1 ? "1.2232" : "1.293");
  x.Set("Rho", "5.93");
  x.Set("p1", "5");
  x.Set("t1", "20");
  x.Set("PhiRel", "60");
  x.Set("pvw1", "0.023393");
  if (conditions == 2) {
    x.Set("TN0", "20");
    x.Set("PN0", "1.01325");
  }
}

TEST(FlowQuantities, RoundTripsAtEveryBasis) {
  // mass -> (normal) volume -> mass for dry and moist gases at the three
  // normal conditions and for a liquid, within 1e-12 relative.
  for (int conditions = 0; conditions < 3; ++conditions) {
    for (int given = 1; given < 3; ++given) {
      SCOPED_TRACE("moist, conditions " + std::to_string(conditions) + ", given " + std::to_string(given));
      Module a;
      MoistAir(a, conditions);
      a.SetValue("Qm", 1234.5);
      a.m.SetActive(true);
      const Extended qn = a.Value(given == 1 ? "QnTr" : "QnF");
      ASSERT_TRUE(HasValue(qn));
      Module b;
      MoistAir(b, conditions);
      b.m.QmOrQvMoist->SetSwitchIndex(given);
      b.SetValue(given == 1 ? "QnTr" : "QnF", qn);
      b.m.SetActive(true);
      EXPECT_LT(Rel(b.Value("Qm"), 1234.5), 1e-12);
      EXPECT_TRUE(b.messages.Messages().empty());
    }
    SCOPED_TRACE("dry, conditions " + std::to_string(conditions));
    Module a, b;
    for (Module* x : {&a, &b}) {
      x->m.Phase->SetSwitchIndex(2);
      x->m.GasMedium->SetSwitchIndex(0);
      x->m.StandardConditions->SetSwitchIndex(conditions);
      x->Set("RhoN", "0.7175");
    }
    a.SetValue("Qm", 987.6);
    a.m.SetActive(true);
    b.m.QmOrQv->SetSwitchIndex(1);
    b.SetValue("Qn", a.Value("Qn"));
    b.m.SetActive(true);
    EXPECT_LT(Rel(b.Value("Qm"), 987.6), 1e-12);
  }
  SCOPED_TRACE("liquid");
  Module a;
  a.Set("Rho", "965.4");
  a.SetValue("Qm", 347544);
  a.m.SetActive(true);
  EXPECT_NEAR(a.Value("Qv"), 360, 1e-9);
  Module b;
  b.m.QmOrQv->SetSwitchIndex(1);
  b.Set("Rho", "965.4");
  b.SetValue("Qv", a.Value("Qv"));
  b.m.SetActive(true);
  EXPECT_LT(Rel(b.Value("Qm"), 347544), 1e-12);
}

// The dry normal volume of a moist gas by hand: of the operating volume the
// share y = phi pvw / p is water vapour, so per dry normal cubic metre the
// gas carries y / (1 - y) normal cubic metres of vapour of 0.8038 kg/m3:
//   Qm = QnTr (RhoN + 0.8038 y / (1 - y)).
TEST(FlowQuantities, MoistGasByMassBalance) {
  Module x;
  MoistAir(x, 0);
  x.m.QmOrQvMoist->SetSwitchIndex(1);
  x.SetValue("QnTr", 1000);
  x.m.SetActive(true);
  const Extended y = 0.6L * 0.023393L / 5;
  EXPECT_LT(Rel(x.Value("Qm"), 1000 * (1.293L + RhoNWater * y / (1 - y))), 1e-12);
  // The moist normal volume holds the vapour too.
  EXPECT_LT(Rel(x.Value("QnF"), 1000 / (1 - y)), 1e-12);
}

// Water carried by saturated air at 20 degC and 1.01325 bar: the
// psychrometric tables (ASHRAE Handbook Fundamentals, Table 2 of the
// psychrometrics chapter) give the saturation humidity ratio Ws = 0.014758
// kg/kg at the saturation pressure 2.3389 kPa. The conversion treats the
// vapour as occupying its partial volume with its normal density 0.8038
// kg/m3 and leaves out the enhancement factor of moist air (about 1.004), so
// it agrees within 1 %.
TEST(FlowQuantities, SaturatedAirMatchesThePsychrometricTable) {
  Module x;
  x.m.Phase->SetSwitchIndex(2);
  x.m.GasMedium->SetSwitchIndex(1);
  x.Set("RhoN", "1.2930");
  x.Set("Rho", "1.2");
  x.Set("p1", "1.01325");
  x.Set("PhiRel", "100");
  x.Set("pvw1", "0.023389");
  x.m.QmOrQvMoist->SetSwitchIndex(1);
  x.SetValue("QnTr", 1000);
  x.m.SetActive(true);
  const Extended dryMass = 1000 * 1.2930L;
  const Extended water = x.Value("Qm") - dryMass;
  EXPECT_LT(Rel(water / dryMass, 0.014758L), 0.01);
}

TEST(FlowQuantities, FactorsAtTheLimits) {
  // Without humidity the dry share is 1 and fF = Rho / RhoN.
  EXPECT_EQ(TQmQnQv::DryShare(0, 0.02, 5), 1);
  EXPECT_EQ(TQmQnQv::DryShare(NoValue, 0.02, 5), 1);
  EXPECT_NEAR(TQmQnQv::OperatingToNormal(5.9, 1.293, 0, 0.023, 5, 1, 273.15, 1.01325), 5.9 / 1.293, 1e-15);
  // A liquid with zero density has no volume flow.
  TQmQnQv f;
  f.Rho = 0;
  f.SetQm(100);
  EXPECT_TRUE(IsNoValue(f.GetQv()));
  // The 60 degF basis: 15.5555555555 degC.
  Module x;
  MoistAir(x, 1);
  x.SetValue("Qm", 100);
  x.m.SetActive(true);
  const Extended fF = x.Value("QnF") * 5.93L / 100;
  const Extended Ri = 1.01325e5L / ((15.5555555555L + 273.15L) * 1.2232L);
  const Extended rhoD = 5.93L / (1 - (1 - Ri * 273.15L * 0.8038L / 1.01325e5L) * 60 * 0.023393L / 500);
  EXPECT_LT(Rel(fF, rhoD / 1.2232L), 1e-12);
}

TEST(FlowQuantities, BadInputGivesMessagesNotNumbers) {
  struct Case { const char* what; const char* item; const char* text; int message; };
  const Case cases[] = {
      {"negative mass flow", "Qm", "-5", 119},
      {"humidity above 100 %", "PhiRel", "120", 120},
      {"no normal density", "RhoN", "", 101},
      {"no operating density", "Rho", "", 101},
      {"no pressure", "p1", "", 101},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Module x;
    MoistAir(x, 0);
    x.SetValue("Qm", 100);
    x.Set(c.item, c.text);
    x.m.SetActive(true);
    EXPECT_TRUE(x.Has(c.message));
    EXPECT_TRUE(IsNoValue(x.Value("QnTr")));
    EXPECT_TRUE(IsNoValue(x.Value("QnF")));
    x.ExpectNoNaN();
  }
}

TEST(FlowQuantities, FlowsInUseFollowPhaseAndMedium) {
  Module x;
  x.Set("Rho", "1000");
  x.SetValue("Qm", 3600);
  x.m.SetActive(true);
  EXPECT_TRUE(x.m.Qv->GetUtilized());
  EXPECT_FALSE(x.m.Qn->GetUtilized());
  EXPECT_FALSE(x.m.QnTr->GetUtilized());
  x.m.Phase->SetSwitchIndex(2);
  x.Set("RhoN", "1.293");
  EXPECT_TRUE(x.m.Qn->GetUtilized());
  EXPECT_FALSE(x.m.Qv->GetUtilized());
  EXPECT_NEAR(x.Value("Qn"), 3600 / 1.293L, 1e-9);
  x.m.GasMedium->SetSwitchIndex(1);
  EXPECT_TRUE(x.m.QnTr->GetUtilized());
  EXPECT_TRUE(x.m.QnF->GetUtilized());
  EXPECT_FALSE(x.m.Qn->GetUtilized());
}

}  // namespace
}  // namespace torvacalc
