// Materials: the database values at tabulated temperatures against the
// published tables, linear interpolation between rows, the approximated
// flag (and message 102) outside them, the polynomials, the density with
// and without expansion data, the description in a calculation file, and
// the module's choice of material by name, number or expansion class.
#include "piping/cm_material_data.h"
#include "module_under_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace torvacalc {
namespace {

const TMaterialDatabase& Db() {
  const TMaterialDatabase* db = TMaterialDatabase::Default();
  if (!db) throw std::runtime_error("Materials.CDS not found (TORVACALC_DATA)");
  return *db;
}

using Fn = Extended (tEN13480Description::*)(Extended, bool&) const;

TEST(MaterialDatabase, TabulatedValuesAreThePublishedOnes) {
  struct Case { const char* source; const char* name; Fn f; Extended t, value; };
  const Case cases[] = {
      {"EN 10216-2 P235GH ReH 20 degC", "P235GH", &tEN13480Description::CalculateRp02, 20, 235},
      {"EN 10216-2 P235GH Rp0.2 200 degC", "P235GH", &tEN13480Description::CalculateRp02, 200, 170},
      {"EN 10216-2 P235GH Rm 20 degC", "P235GH", &tEN13480Description::CalculateRm, 20, 360},
      {"EN 10216-2 P265GH Rp0.2 300 degC", "P265GH", &tEN13480Description::CalculateRp02, 300, 154},
      {"EN 10216-2 16Mo3 Rp0.2 450 degC", "16Mo3", &tEN13480Description::CalculateRp02, 450, 150},
      {"EN 10216-2 13CrMo4-5 Rp0.2 500 degC", "13CrMo4-5", &tEN13480Description::CalculateRp02, 500, 166},
      {"EN 10216-2 10CrMo9-10 Rp0.2 400 degC", "10CrMo9-10", &tEN13480Description::CalculateRp02, 400, 207},
      {"EN 10216-2 X10CrMoVNb9-1 Rp0.2 550 degC", "X10CrMoVNb9-1", &tEN13480Description::CalculateRp02, 550, 270},
      {"EN 10028-7 1.4301 Rp1.0 200 degC", "X5CrNi18-10", &tEN13480Description::CalculateRp10, 200, 157},
      {"EN 10028-7 1.4404 Rp0.2 550 degC", "X2CrNiMo17-12-2", &tEN13480Description::CalculateRp02, 550, 98},
      {"EN 10028-7 1.4571 Rp1.0 300 degC", "X6CrNiMoTi17-12-2", &tEN13480Description::CalculateRp10, 300, 175},
      {"EN 10213 GP240GH Rp0.2 300 degC", "GP240GH", &tEN13480Description::CalculateRp02, 300, 145},
      {"EN 10088-1 austenitic E 300 degC", "X5CrNi18-10", &tEN13480Description::CalculateEt, 300, 179000},
      {"EN 10088-1 austenitic beta 20-400 degC", "X6CrNiTi18-10", &tEN13480Description::CalculateBeta20t, 400, 17.5e-6},
      {"EN 10088-1 austenitic lambda 20 degC", "X2CrNi18-9", &tEN13480Description::CalculateLambdat, 20, 15},
      // EN 1993-1-2 eq. (3.1a): dl/l(400) = 5.1984E-3 over 380 K.
      {"EN 1993-1-2 carbon steel beta 20-400 degC", "P265GH", &tEN13480Description::CalculateBeta20t, 400,
       5.1984e-3 / 380},
      {"EN 1993-1-2 carbon steel lambda 300 degC", "P235GH", &tEN13480Description::CalculateLambdat, 300, 44.01},
      {"EN 1993-1-2 carbon steel cp 300 degC", "P235GH", &tEN13480Description::CalculateCpt, 300,
       425 + 0.773 * 300 - 1.69e-3 * 9e4 + 2.22e-6 * 2.7e7},
      {"EN 1993-1-2 Annex C stainless lambda 300 degC", "X5CrNi18-10", &tEN13480Description::CalculateLambdat, 300,
       14.6 + 1.27e-2 * 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const tEN13480Description* d = Db().ByName(c.name);
    ASSERT_NE(d, nullptr);
    bool approx = false;
    EXPECT_NEAR((d->*c.f)(c.t, approx), c.value, 1e-12 * c.value);
    EXPECT_FALSE(approx);
  }
}

TEST(MaterialDatabase, EveryMaterialOfTheListIsThereWithItsData) {
  const char* names[] = {"P235GH", "P265GH", "16Mo3", "13CrMo4-5", "10CrMo9-10", "X10CrMoVNb9-1", "P355NL1",
                         "GP240GH", "G17CrMo5-5"};
  const char* numbers[] = {"1.4301", "1.4307", "1.4401", "1.4404", "1.4541", "1.4571", "1.4408", "1.4552"};
  for (const char* n : names) EXPECT_NE(Db().ByName(n), nullptr) << n;
  for (const char* n : numbers) EXPECT_NE(Db().ByNo(n), nullptr) << n;
  for (const TMaterialEntry& e : Db().Materials()) {
    SCOPED_TRACE(e.Name);
    const tEN13480Description* d = Db().ByNo(e.No);
    ASSERT_NE(d, nullptr);
    bool approx = false;
    EXPECT_TRUE(HasValue(d->CalculateRp02(20, approx)));
    EXPECT_TRUE(HasValue(d->CalculateRm(20, approx)));
    EXPECT_TRUE(HasValue(d->CalculateEt(20, approx)));
    EXPECT_TRUE(HasValue(d->Matrho20));
    EXPECT_LT(d->MatMinT, d->MatMaxT);
    EXPECT_FALSE(d->MatGroupInfoD.empty());
    EXPECT_FALSE(d->MatGroupInfoE.empty());
    // Strengths fall with temperature over every table.
    Extended last = 1e9;
    for (const tMatValueRow& r : d->Values())
      if (HasValue(r.Rp02)) {
        EXPECT_LE(r.Rp02, last) << r.T;
        last = r.Rp02;
      }
  }
}

TEST(MaterialDescription, InterpolatesBetweenRowsAndFlagsOutside) {
  const tEN13480Description& d = *Db().ByName("P235GH");
  struct Case { const char* what; Fn f; Extended t, value; bool approximated; };
  const Case cases[] = {
      {"between 200 and 250 degC", &tEN13480Description::CalculateRp02, 225, 160, false},
      {"between 100 and 150 degC", &tEN13480Description::CalculateRp02, 120, 198 - 11 * 0.4, false},
      {"above the table: the line of the last two rows", &tEN13480Description::CalculateRp02, 450, 104, true},
      {"below the table: the first row", &tEN13480Description::CalculateRp02, -10, 235, true},
      {"Rm published at room temperature only", &tEN13480Description::CalculateRm, 200, 360, true},
      {"E above its table", &tEN13480Description::CalculateEt, 650, 164000 - 11000 * 0.5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool approx = false;
    EXPECT_NEAR((d.*c.f)(c.t, approx), c.value, 1e-9);
    EXPECT_EQ(approx, c.approximated);
  }
  // A line that falls below zero gives no value.
  bool approx = false;
  EXPECT_TRUE(IsNoValue(d.CalculateRp02(3000, approx)));
  EXPECT_TRUE(IsNoValue(d.CalculateRp02(NoValue, approx)));
  // No creep data published: none invented.
  EXPECT_TRUE(IsNoValue(d.CalculateSRt(450, approx)));
}

TEST(MaterialDescription, PolynomialWhereTheTableEnds) {
  tEN13480Description d;
  tMatValueRow r20, r100;
  r20.T = 20;
  r20.Lambda = 50;
  r100.T = 100;
  r100.Lambda = 48;
  d.SetValues({r100, r20});  // sorted on the way in
  d.LambdaPoly.Valid = true;
  d.LambdaPoly.k = {54, -0.0333L, 0, 0, 0};
  d.LambdaPoly.Tmin = 20;
  d.LambdaPoly.Tmax = 800;
  bool approx = false;
  EXPECT_NEAR(d.CalculateLambdat(60, approx), 49, 1e-15);  // the table first
  EXPECT_FALSE(approx);
  EXPECT_NEAR(d.CalculateLambdat(500, approx), 54 - 0.0333L * 500, 1e-15);  // then the polynomial
  EXPECT_FALSE(approx);
  // Beyond both: the table's extrapolation, flagged.
  EXPECT_NEAR(d.CalculateLambdat(900, approx), 48 - 2.0L / 80 * 800, 1e-12);
  EXPECT_TRUE(approx);
  // A polynomial alone, outside its range: its value, flagged.
  tEN13480Description p;
  p.cpPoly = d.LambdaPoly;
  approx = false;
  EXPECT_NEAR(p.CalculateCpt(900, approx), 54 - 0.0333L * 900, 1e-12);
  EXPECT_TRUE(approx);
}

TEST(MaterialDescription, DensityWithAndWithoutExpansion) {
  tEN13480Description d;
  d.Matrho20 = 8000;
  bool approx = false;
  EXPECT_EQ(d.CalculateRhot(40, approx), 8000);
  EXPECT_FALSE(approx);
  EXPECT_EQ(d.CalculateRhot(60, approx), 8000);
  EXPECT_TRUE(approx);
  // With a mean coefficient of 16E-6/K from 20 to 100 degC the volume grows
  // by (1 + 16E-6 * 80)^3.
  tMatValueRow r;
  r.T = 100;
  r.Beta20 = 16;
  d.SetValues({r});
  approx = false;
  EXPECT_NEAR(d.CalculateRhot(100, approx), 8000 / std::pow(1 + 16e-6L * 80, 3), 1e-9);
  EXPECT_FALSE(approx);
  EXPECT_NEAR(d.CalculateAt(100, approx), 16e-6L * 80 * 1000, 1e-12);  // mm/m
}

TEST(MaterialDescription, SurvivesACalculationFile) {
  const tEN13480Description& d = *Db().ByName("X6CrNiMoTi17-12-2");
  test::MemoryTag tag;
  d.SaveToTag(tag);
  tEN13480Description back;
  back.LoadFromTag(tag);
  EXPECT_EQ(back.MatName, d.MatName);
  EXPECT_EQ(back.MatDinNo, d.MatDinNo);
  EXPECT_EQ(back.MatGroupInfoE, d.MatGroupInfoE);
  EXPECT_EQ(back.Values().size(), d.Values().size());
  for (Extended t : {20.0L, 175.0L, 333.0L, 600.0L}) {
    bool a1 = false, a2 = false;
    EXPECT_EQ(back.CalculateRp10(t, a1), d.CalculateRp10(t, a2));
    EXPECT_EQ(back.CalculateLambdat(t, a1), d.CalculateLambdat(t, a2));
    EXPECT_EQ(a1, a2);
  }
  // A damaged row count is bounded.
  tag.m["RowCount"] = 1e9L;
  back.LoadFromTag(tag);
  EXPECT_LE(back.Values().size(), tEN13480Description::MaxRows);
}

using Module = test::ModuleUnderTest<TCMMaterialData>;

TEST(MaterialModule, ValuesAtTheTemperatureByName) {
  Module x;
  x.Set("EN13480Name", "P235GH");
  x.Set("T1", "250");
  x.m.SetActive(true);
  EXPECT_EQ(x.m.EN13480No->GetSelectedValue(), "1.0345");
  EXPECT_EQ(x.m.SteelType->GetSwitchIndex(), 0);
  EXPECT_NEAR(x.Value("Rp02"), 150, 1e-12);
  EXPECT_NEAR(x.Value("K"), 150, 1e-12);
  EXPECT_NEAR(x.Value("Rp02_20"), 235, 1e-12);
  EXPECT_NEAR(x.Value("Rm_20"), 360, 1e-12);
  EXPECT_NEAR(x.Value("EM"), (199000 + 192000) / 2.0L, 1e-9);
  EXPECT_NEAR(x.Value("Alpha"), (12.08L + 0.004L * 250) * 1e-6L, 1e-18);
  // The true coefficient, the slope of EN 1993-1-2 eq. (3.1a):
  // 1.2E-5 + 0.8E-8 T.
  EXPECT_NEAR(x.Value("Alin"), 1.2e-5L + 0.8e-8L * 250, 1e-17);
  EXPECT_NEAR(x.Value("Blin"), (12.08L + 0.004L * 250) * 230 * 1e-3L, 1e-12);
  EXPECT_NEAR(x.Value("SChar"), 1.5, 1e-15);
  EXPECT_NEAR(x.Value("tMatMax"), 480, 1e-12);
  // Rm is published at room temperature only: its value at 250 degC is an
  // estimate, and says so.
  EXPECT_TRUE(x.Approx("RM"));
  EXPECT_TRUE(x.Has(102, "RM"));
  EXPECT_FALSE(x.Approx("Rp02"));
  EXPECT_FALSE(x.Has(102, "Rp02"));
  EXPECT_NEAR(x.Value("RhoM"), 7850 / std::pow(1 + (12.08L + 0.004L * 250) * 1e-6L * 230, 3), 1e-9);
}

TEST(MaterialModule, ByNumberAustenitic) {
  Module x;
  x.m.NormInput->SetSwitchIndex(TCMMaterialData::niByNo);
  x.Set("EN13480No", "1.4404");
  x.Set("T1", "300");
  x.m.SetActive(true);
  EXPECT_EQ(x.m.EN13480Name->GetSelectedValue(), "X2CrNiMo17-12-2");
  EXPECT_EQ(x.m.SteelType->GetSwitchIndex(), 1);
  // Austenitic: the strength characteristic is the 1 % proof strength.
  EXPECT_NEAR(x.Value("K"), 145, 1e-12);
  EXPECT_NEAR(x.Value("Rp02"), 118, 1e-12);
  EXPECT_NEAR(x.Value("EM"), 179000, 1e-9);
  EXPECT_NEAR(x.Value("CM"), 179000 * 17e-6L, 1e-9);
  EXPECT_NEAR(x.Value("CPM"), (450 + 0.28 * 300 - 2.91e-4 * 9e4 + 1.34e-7 * 2.7e7) / 1000, 1e-12);
}

TEST(MaterialModule, NumberGivenWhileTheInputIsByName) {
  Module x;
  x.Set("EN13480No", "1.0425");
  x.Set("T1", "20");
  x.m.SetActive(true);
  EXPECT_EQ(x.m.EN13480Name->GetSelectedValue(), "P265GH");
  EXPECT_EQ(x.m.EN13480No->GetSelectedValue(), "1.0425");
  EXPECT_NEAR(x.Value("Rp02"), 265, 1e-12);
}

TEST(MaterialModule, TemperatureOutsideTheRangeOfUse) {
  struct Case { const char* name; const char* t; int message; };
  const Case cases[] = {{"P235GH", "500", 1411}, {"P235GH", "-20", 1411}, {"P235GH", "-5", 1412},
                        {"P355NL1", "-45", 1412}, {"X5CrNi18-10", "-100", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " at " + c.t);
    Module x;
    x.Set("EN13480Name", c.name);
    x.Set("T1", c.t);
    x.m.SetActive(true);
    EXPECT_EQ(x.Has(1411), c.message == 1411);
    EXPECT_EQ(x.Has(1412), c.message == 1412);
  }
}

TEST(MaterialModule, ExpansionClassWithoutStrengths) {
  Module x;
  x.m.NormInput->SetSwitchIndex(TCMMaterialData::niByExpansionClass);
  x.Set("ExpansionClass", "Austenitische Stähle");
  x.Set("T1", "20");
  x.m.SetActive(true);
  EXPECT_NEAR(x.Value("EM"), 200000, 1e-9);
  EXPECT_NEAR(x.Value("RhoM"), 7900, 1e-9);
  EXPECT_TRUE(IsNoValue(x.Value("Rp02")));
  EXPECT_TRUE(x.Has(1413));
}

TEST(MaterialModule, NoMaterialOrNoTemperature) {
  // name, t nullptr: not entered; missing: where message 101 is expected
  // (nullptr: none); empty: an item left without a value.
  struct Case { const char* what; const char *name, *t, *missing, *empty; };
  const Case cases[] = {
      {"no material", nullptr, "100", "EN13480Name", "Rp02"},
      {"unknown name", "S235JR", "100", nullptr, "EM"},
      {"no temperature", "16Mo3", nullptr, "T1", "Rp02"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Module x;
    if (c.name) x.Set("EN13480Name", c.name);
    if (c.t) x.Set("T1", c.t);
    x.m.SetActive(true);
    EXPECT_TRUE(!c.missing || x.Has(101, c.missing));
    EXPECT_TRUE(IsNoValue(x.Value(c.empty)));
    if (!c.name) {
      // Without a material the density of steel stands in; the missing
      // material is the one message about it.
      EXPECT_NEAR(x.Value("RhoM"), TCMMaterialData::DefaultRhoM, 0);
      EXPECT_FALSE(x.Approx("RhoM"));
    }
  }
  // An overruled value stays.
  Module x;
  x.Set("EN13480Name", "16Mo3");
  x.Set("T1", "100");
  x.m.Rp02->OverruleValue(false, 200);
  x.m.SetActive(true);
  EXPECT_EQ(x.Value("Rp02"), 200);
}

}  // namespace
}  // namespace torvacalc
