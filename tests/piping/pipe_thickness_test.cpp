// Pipe classes and the pipe module: the tables against the published
// standards, the bore from outside diameter and wall and back, the rating
// chosen from the pressure and its check at the boundary, and sizes and
// ratings a class does not hold.
#include "piping/cm_norm_pipe_thickness.h"
#include "module_under_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace torvacalc {
namespace {

const TPipeDatabase& Db() {
  const TPipeDatabase* db = TPipeDatabase::Default();
  if (!db) throw std::runtime_error("Pipes.CDS not found (TORVACALC_DATA)");
  return *db;
}

using Module = test::ModuleUnderTest<TCMNormPipeThickness>;

TEST(PipeClasses, MatchThePublishedTables) {
  struct Case { const char* source; const char* pipeClass; int DN; const char* rating; Extended Da, t; };
  const Case cases[] = {
      {"EN 10220 / DIN 2448 DN 100", "EN 10220 Reihe 1, Normalwanddicke", 100, "Normalwanddicke", 114.3, 3.6},
      {"EN 10220 / DIN 2448 DN 15", "EN 10220 Reihe 1, Normalwanddicke", 15, "Normalwanddicke", 21.3, 2.0},
      {"EN 10220 / DIN 2448 DN 65", "EN 10220 Reihe 1, Normalwanddicke", 65, "Normalwanddicke", 76.1, 2.9},
      {"EN 10220 / DIN 2448 DN 200", "EN 10220 Reihe 1, Normalwanddicke", 200, "Normalwanddicke", 219.1, 6.3},
      {"EN 10220 / DIN 2448 DN 600", "EN 10220 Reihe 1, Normalwanddicke", 600, "Normalwanddicke", 610.0, 12.5},
      {"ASME B36.10M NPS 1/2 Sch 40", "ASME B36.10M", 15, "Sch 40", 21.3, 2.77},
      {"ASME B36.10M NPS 1/2 Sch 80", "ASME B36.10M", 15, "Sch 80", 21.3, 3.73},
      {"ASME B36.10M NPS 2 Sch 40", "ASME B36.10M", 50, "Sch 40", 60.3, 3.91},
      {"ASME B36.10M NPS 2 Sch 80", "ASME B36.10M", 50, "Sch 80", 60.3, 5.54},
      {"ASME B36.10M NPS 4 Sch 40", "ASME B36.10M", 100, "Sch 40", 114.3, 6.02},
      {"ASME B36.10M NPS 4 Sch 80", "ASME B36.10M", 100, "Sch 80", 114.3, 8.56},
      {"ASME B36.10M NPS 6 Sch 40", "ASME B36.10M", 150, "Sch 40", 168.3, 7.11},
      {"ASME B36.10M NPS 6 Sch 80", "ASME B36.10M", 150, "Sch 80", 168.3, 10.97},
      {"ASME B36.10M NPS 8 Sch 40", "ASME B36.10M", 200, "Sch 40", 219.1, 8.18},
      {"ASME B36.10M NPS 8 Sch 80", "ASME B36.10M", 200, "Sch 80", 219.1, 12.70},
      {"ASME B36.10M NPS 12 STD", "ASME B36.10M", 300, "STD", 323.8, 9.53},
      {"ASME B36.10M NPS 12 Sch 40", "ASME B36.10M", 300, "Sch 40", 323.8, 10.31},
      {"ASME B36.10M NPS 24 Sch 40", "ASME B36.10M", 600, "Sch 40", 610.0, 17.48},
      {"ASME B36.19M NPS 4 Sch 10S", "ASME B36.19M", 100, "Sch 10S", 114.3, 3.05},
      {"ASME B36.19M NPS 12 Sch 40S (differs from Sch 40)", "ASME B36.19M", 300, "Sch 40S", 323.8, 9.53},
      {"ASME B36.19M NPS 14 Sch 10S (differs from Sch 10)", "ASME B36.19M", 350, "Sch 10S", 355.6, 4.78},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const TPipeClass* pc = Db().ClassByName(c.pipeClass);
    ASSERT_NE(pc, nullptr);
    const TPipeDimensions d = Db().Dimensions(pc->Id, c.DN, c.rating);
    EXPECT_DOUBLE_EQ(static_cast<double>(d.Da), static_cast<double>(c.Da));
    EXPECT_DOUBLE_EQ(static_cast<double>(d.t), static_cast<double>(c.t));
  }
}

TEST(PipeClasses, EveryClassCoversDN15ToDN600WithOrderedWalls) {
  for (const TPipeClass& c : Db().Classes()) {
    SCOPED_TRACE(c.Name);
    ASSERT_FALSE(c.DNs.empty());
    EXPECT_EQ(c.DNs.front(), 15);
    EXPECT_EQ(c.DNs.back(), 600);
    ASSERT_FALSE(c.Ratings.empty());
    for (int dn : c.DNs) {
      // Within one size the walls grow with the pressure stage, and a pipe
      // always leaves a bore.
      Extended last = 0;
      for (const TPipeRating& r : c.Ratings) {
        const TPipeDimensions d = Db().Dimensions(c.Id, dn, r.Label);
        if (IsNoValue(d.Da)) continue;
        EXPECT_GT(d.Da - 2 * d.t, 0) << dn << " " << r.Label;
        if (c.HasPNValues()) {
          EXPECT_GE(d.t, last) << dn << " " << r.Label;
          last = d.t;
        }
      }
    }
  }
}

// The walls of the PN class hold their stage by EN 13480-3 eq. (6.1-1) for
// P235GH at 20 degC (f = 150 N/mm2) after the 12.5 % minus tolerance.
TEST(PipeClasses, PNWallsHoldTheirPressure) {
  const TPipeClass* c = Db().ClassByName("EN 10220 Reihe 1, P235GH");
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(c->HasPNValues());
  for (int dn : c->DNs)
    for (const TPipeRating& r : c->Ratings) {
      const TPipeDimensions d = Db().Dimensions(c->Id, dn, r.Label);
      const Extended p = r.PN / 10;  // N/mm2
      const Extended e = p * d.Da / (2 * 150 + p);
      EXPECT_GE(d.t * 0.875L, e - 1e-9L) << dn << " " << r.Label;
    }
}

TEST(PipeGeometry, BoreAndWallRoundTrip) {
  EXPECT_NEAR(TPipeGeometry::InnerDiameter(114.3, 3.6), 107.1, 1e-12);
  EXPECT_NEAR(TPipeGeometry::WallThickness(114.3, 107.1), 3.6, 1e-12);
  // Walls that leave no bore, and bores not below the outside diameter.
  for (Extended v : {TPipeGeometry::InnerDiameter(100, 50), TPipeGeometry::InnerDiameter(100, -1),
                     TPipeGeometry::WallThickness(100, 100), TPipeGeometry::WallThickness(100, 0),
                     TPipeGeometry::InnerDiameter(NoValue, 3)})
    EXPECT_TRUE(IsNoValue(v));
}

TEST(PipeGeometry, RatingAndSizeSelection) {
  const std::vector<TPipeRating> r = {{"PN 10", 10}, {"PN 16", 16}, {"PN 25", 25}};
  EXPECT_EQ(TPipeGeometry::RatingIndexByPressure(r, 10.5), 0);  // 10 + 1 < 10.5 + 0.5 is false
  EXPECT_EQ(TPipeGeometry::RatingIndexByPressure(r, 10.6), 1);
  EXPECT_EQ(TPipeGeometry::RatingIndexByPressure(r, 26.6), -1);
  EXPECT_EQ(TPipeGeometry::RatingIndexByPressure(r, NoValue), -1);
  const std::vector<int> dns = {15, 20, 25, 100, 150};
  EXPECT_EQ(TPipeGeometry::DNIndexForValve(dns, 100), 3);
  EXPECT_EQ(TPipeGeometry::DNIndexForValve(dns, 90), 3);
  EXPECT_EQ(TPipeGeometry::DNIndexForValve(dns, 10), 0);
  EXPECT_EQ(TPipeGeometry::DNIndexForValve(dns, 200), -1);
  EXPECT_EQ(TPipeGeometry::DNIndexForValve(dns, NoValue), -1);
}

TEST(PipeModule, DimensionsFromTheClassAndTheBoreBothWays) {
  Module x;
  x.Set("PipeClass", "EN 10220 Reihe 1, Normalwanddicke");
  x.Set("DNV", "100");
  x.m.SetActive(true);
  EXPECT_EQ(x.m.DN->GetText(), "100");
  EXPECT_NEAR(x.Value("DaP"), 114.3, 1e-12);
  EXPECT_NEAR(x.Value("tP"), 3.6, 1e-12);
  EXPECT_NEAR(x.Value("DiP"), 107.1, 1e-12);
  EXPECT_TRUE(x.messages.Messages().empty());

  // The bore entered: the wall follows from it.
  x.m.EnterDi->SetSwitchIndex(1);
  x.m.DiP->EnterByUser(false);
  x.Set("DiP", "107.1");
  EXPECT_NEAR(x.Value("tP"), 3.6, 1e-12);
  x.Set("DiP", "100");
  EXPECT_NEAR(x.Value("tP"), 7.15, 1e-12);
  // A bore as large as the pipe: no wall, a message, no NaN.
  x.Set("DiP", "114.3");
  EXPECT_TRUE(IsNoValue(x.Value("tP")));
  EXPECT_TRUE(x.Has(1403));
}

TEST(PipeModule, PressureCheckAtTheRatingBoundary) {
  for (const auto& [p1, raised] : {std::pair{"16.5", false}, {"16.6", true}, {"3", false}}) {
    SCOPED_TRACE(p1);
    Module x;
    x.Set({{"PipeClass", "EN 10220 Reihe 1, P235GH"}, {"DN", "100"}, {"PN", "PN 16"}, {"P1", p1}});
    x.m.SetActive(true);
    EXPECT_EQ(x.Has(121), raised);
    // Switched off, the check says nothing.
    x.m.CheckP1->SetChecked(false);
    EXPECT_FALSE(x.Has(121));
  }
}

TEST(PipeModule, RatingFollowsThePressureUnlessChosen) {
  Module x;
  x.Set({{"PipeClass", "EN 10220 Reihe 1, P235GH"}, {"DNV", "100"}, {"P1", "30"}});
  x.m.SetActive(true);
  EXPECT_EQ(x.m.PN->GetText(), "PN 40");
  EXPECT_FALSE(x.Has(121));
  x.Set("P1", "90");
  EXPECT_EQ(x.m.PN->GetText(), "PN 100");
  EXPECT_NEAR(x.Value("tP"), 4.5, 1e-12);
  // Above the highest stage: the highest is taken and the check says so.
  x.Set("P1", "200");
  EXPECT_EQ(x.m.PN->GetText(), "PN 160");
  EXPECT_TRUE(x.Has(121));
}

TEST(PipeModule, SizesAndSeriesTheClassDoesNotHold) {
  // message 0: none expected; empty: items left without a value; DiP
  // NoValue: not checked; size: the size is asked for (101 at DN), not
  // the outside diameter it would give.
  struct Case {
    const char* what; std::vector<std::pair<const char*, const char*>> inputs; int message;
    std::vector<const char*> empty; Extended DiP; bool size;
  };
  const Case cases[] = {
      {"valve larger than the class", {{"DNV", "800"}}, 1401, {"DiP"}, NoValue, true},
      {"schedule a size does not have", {{"DN", "15"}, {"PN", "Sch 20"}}, 1402, {"DaP", "DiP"}, NoValue, false},
      // The outside diameter is missing.
      {"a DN not in the list chooses nothing", {{"DN", "90"}}, 101, {"DiP"}, NoValue, false},
      {"no size", {}, 101, {"DiP"}, NoValue, true},
      {"the user's own pipe, no class row", {{"DaP", "100"}, {"tP", "5"}}, 0, {}, 90, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Module x;
    x.Set("PipeClass", "ASME B36.10M");
    x.Set(c.inputs);
    EXPECT_TRUE(c.message != 101 || x.m.DN->GetSwitchStatus() == -1);
    x.m.SetActive(true);
    EXPECT_TRUE(c.message == 0 || x.Has(c.message));
    EXPECT_EQ(x.Has(101, "DN"), c.size);
    for (const char* item : c.empty) EXPECT_TRUE(IsNoValue(x.Value(item))) << item;
    if (HasValue(c.DiP)) {
      EXPECT_NEAR(x.Value("DiP"), c.DiP, 1e-12);
    }
  }
}

TEST(PipeModule, ScheduleClassesStartAtSchedule40AndHaveNoPressureCheck) {
  Module x;
  x.Set({{"PipeClass", "ASME B36.10M"}, {"DNV", "80"}, {"P1", "500"}});
  x.m.SetActive(true);
  EXPECT_EQ(x.m.PN->GetText(), "Sch 40");
  EXPECT_NEAR(x.Value("DaP"), 88.9, 1e-12);
  EXPECT_NEAR(x.Value("tP"), 5.49, 1e-12);
  EXPECT_FALSE(x.Has(121));
}

}  // namespace
}  // namespace torvacalc
