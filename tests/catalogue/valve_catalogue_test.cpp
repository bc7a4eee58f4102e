// The sample valve catalogue: its data against the published tables it
// draws on, and the choice of a valve for a duty.
#include "catalogue/valve_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "valves/valve_database.h"

namespace torvacalc {
namespace {

const TValveCatalogue& Catalogue() {
  const TValveCatalogue* c = TValveCatalogue::Default();
  if (!c) throw std::runtime_error("ValveCatalogue.CDS not readable");
  return *c;
}

const TCatalogueSeries& SeriesNamed(const std::string& name) {
  for (const TCatalogueSeries& s : Catalogue().Series())
    if (s.Name == name) return s;
  throw std::runtime_error("no series " + name);
}

// Kvs values are steps of the R5 series 1, 1.6, 2.5, 4, 6.3 times a power
// of ten, the customary graduation of control valve trims.
bool IsR5Step(Extended kvs) {
  const Extended e = std::floor(std::log10(kvs) + 1e-9L);
  const Extended mantissa = kvs / std::pow(10.0L, e);
  for (Extended m : {1.0L, 1.6L, 2.5L, 4.0L, 6.3L})
    if (std::fabs(mantissa - m) < 1e-9L) return true;
  return false;
}

TEST(ValveCatalogue, HoldsTheCommonStylesOverTheUsualRange) {
  std::set<int> styles;
  int smallest = 10000, largest = 0;
  for (const TCatalogueSeries& s : Catalogue().Series()) {
    styles.insert(s.StyleId);
    EXPECT_EQ(s.Manufacturer, "Sample valves");
    ASSERT_FALSE(s.Sizes.empty()) << s.Name;
    ASSERT_FALSE(s.Ratings.empty()) << s.Name;
    smallest = std::min(smallest, s.Sizes.front().DN);
    largest = std::max(largest, s.Sizes.back().DN);
  }
  // Globe, rotary plug, butterfly, ball and angle valves.
  EXPECT_EQ(styles, (std::set<int>{1, 2, 3, 4, 8}));
  EXPECT_EQ(smallest, 15);
  EXPECT_EQ(largest, 300);
}

TEST(ValveCatalogue, SizesAreConsistent) {
  for (const TCatalogueSeries& s : Catalogue().Series()) {
    SCOPED_TRACE(s.Name);
    Extended previousFull = 0;
    int previousDN = 0;
    Extended fullOfDN = 0;
    for (const TCatalogueSize& z : s.Sizes) {
      SCOPED_TRACE(z.DN);
      EXPECT_TRUE(IsR5Step(z.Kvs)) << z.Kvs;
      // A Kv of 0.25 DN^2 or more is not a valve any more (the sizing's
      // plausibility check); the seat never exceeds the bore.
      EXPECT_LT(z.Kvs, 0.25L * z.DN * z.DN);
      if (HasValue(z.Seat)) {
        EXPECT_LE(z.Seat, z.DN);
      }
      if (z.DN != previousDN) {
        if (previousDN) {
          EXPECT_GT(fullOfDN, previousFull) << "full-size Kvs must grow with the size";
          previousFull = fullOfDN;
        }
        previousDN = z.DN;
      }
      fullOfDN = z.Kvs;  // sizes come by DN, then Kvs: the last is the full trim
    }
    EXPECT_GT(fullOfDN, previousFull);
  }
}

// The series' factors are the typical values of their style and trim
// (IEC 60534-2-1:2011 Table D.2, as the valve database holds them), and lie
// in the ranges that table spans (FL 0.5 to 0.98, xT 0.2 to 0.84).
TEST(ValveCatalogue, FactorsAreThePublishedTypicalValues) {
  const auto db = TValveDatabase::OpenDefault();
  for (const TCatalogueSeries& s : Catalogue().Series()) {
    SCOPED_TRACE(s.Name);
    EXPECT_GE(s.FL, 0.5L);
    EXPECT_LE(s.FL, 0.98L);
    EXPECT_GE(s.XT, 0.2L);
    EXPECT_LE(s.XT, 0.84L);
    EXPECT_GT(s.Fd, 0);
    EXPECT_LE(s.Fd, 1);
    EXPECT_GT(s.Rangeability, 1);
    const auto trim = db->Trim(s.StyleId, s.TrimNo);
    ASSERT_TRUE(trim.has_value());
    EXPECT_NEAR(s.FL, trim->FL, 1e-9);
    EXPECT_NEAR(s.XT, trim->xT, 1e-9);
    EXPECT_NEAR(s.Fd, trim->Fd, 1e-9);
  }
}

// Allowable pressures at room temperature: EN 1092-1 PN stages, and the
// ASME B16.34 standard class ratings of material group 1.1 at -29 to
// 38 degC (19.6, 51.1 and 102.1 bar).
TEST(ValveCatalogue, RatingsCarryTheirPublishedPressures) {
  for (const TCatalogueSeries& s : Catalogue().Series()) {
    for (const TCatalogueRating& r : s.Ratings) {
      SCOPED_TRACE(s.Name + ", " + r.Rating);
      Extended published = NoValue;
      if (r.Rating == "Class 150") published = 19.6L;
      if (r.Rating == "Class 300") published = 51.1L;
      if (r.Rating == "Class 600") published = 102.1L;
      if (HasValue(published)) {
        EXPECT_NEAR(r.PMax, published, 1e-9);
      } else {
        EXPECT_EQ(r.Rating, "PN " + std::to_string(static_cast<int>(r.PMax)));
      }
    }
  }
}

// The pressure-temperature tables against the printed ratings (ASME
// B16.34 standard class, groups 1.1 and 2.2; EN 1092-1 group 3E0), linear
// between the rows, and the room-temperature row equal to the rating the
// selection uses.
TEST(ValveCatalogue, RatingsFallWithTheTemperatureAsPublished) {
  TCatalogueSeries steel, stainless;
  steel.EnGroup = "3E0", steel.AsmeGroup = "1.1";
  stainless.AsmeGroup = "2.2";
  struct Row { const TCatalogueSeries* body; const char* rating; Extended t, p; };
  const Row rows[] = {
      {&steel, "Class 150", 20, 19.6L},     {&steel, "Class 150", 300, 10.2L},
      {&steel, "Class 300", 200, 43.8L},    {&steel, "Class 300", 225, 42.85L},
      {&steel, "Class 600", 425, 57.5L},    {&steel, "Class 900", 38, 153.15L},
      {&stainless, "Class 300", 38, 49.6L}, {&stainless, "Class 600", 100, 84.4L},
      {&steel, "PN 40", 300, 27.6L},        {&steel, "PN 16", 20, 16},
      {&steel, "Class 300", 600, NoValue},  {&stainless, "PN 40", 100, NoValue},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.rating) + " at " + std::to_string(static_cast<double>(r.t)));
    const TRatingAtTemperature a = Catalogue().AllowedPressure(*r.body, r.rating, r.t);
    if (IsNoValue(r.p)) {
      EXPECT_TRUE(IsNoValue(a.P));
    } else {
      EXPECT_NEAR(a.P, r.p, 0.051L);
      EXPECT_NE(a.Rows.find(r.rating), std::string::npos) << a.Rows;
    }
  }
  for (const TCatalogueSeries& s : Catalogue().Series())
    for (const TCatalogueRating& r : s.Ratings) {
      SCOPED_TRACE(s.Name + ", " + r.Rating);
      EXPECT_NEAR(Catalogue().AllowedPressure(s, r.Rating, 20).P, r.PMax, 1e-9);
    }
}

// chosen nullptr: nothing fits.
struct Duty { const char *what, *series; Extended Kv, p1, t1, MinDN, SuggestedKvs, n0; bool asme; const char* chosen; };

// The smallest size first, in it the smallest Kvs that reaches the
// recommended one (or 1.1 Kv), in the lowest rating that holds p1.
const Duty kDuties[] = {
    {"Kv 10: Kvs >= 11, DN 25 ends at 10", "Series G1 globe", 10, 10, 20, NoValue, NoValue, NoValue, false,
     "DN 32, Kvs 16, PN 16"},
    {"recommended Kvs 20", "Series G1 globe", 10, 10, 20, NoValue, 20, NoValue, false, "DN 40, Kvs 25, PN 16"},
    {"30 bar needs PN 40", "Series G1 globe", 10, 30, 20, NoValue, NoValue, NoValue, false, "DN 32, Kvs 16, PN 40"},
    {"smallest size DN 50", "Series G1 globe", 10, 10, 20, 50, NoValue, NoValue, false, "DN 50, Kvs 16, PN 16"},
    {"nothing reaches the recommendation", "Series G1 globe", 100, 10, 20, NoValue, 2000, NoValue, false,
     "DN 300, Kvs 1600, PN 16"},
    {"PN 100 ends at DN 150", "Series G1 globe", 10, 90, 20, NoValue, NoValue, NoValue, false, "DN 32, Kvs 16, PN 100"},
    {"no rating holds 120 bar", "Series G1 globe", 10, 120, 20, NoValue, NoValue, NoValue, false, nullptr},
    {"ASME pipe, 30 bar", "Series G1 globe", 10, 30, 20, NoValue, NoValue, NoValue, true, "DN 32, Kvs 16, Class 300"},
    {"ASME pipe, 15 bar", "Series G1 globe", 10, 15, 20, NoValue, NoValue, NoValue, true, "DN 32, Kvs 16, Class 150"},
    // The rating at the duty's temperature: PN 16 of group 3E0 holds
    // 13.3 bar(g) at 200 degC, Class 150 of group 1.1 10.2 bar(g) at 300 degC.
    {"16 bar(a) at 200 degC needs PN 40", "Series G1 globe", 10, 16, 200, NoValue, NoValue, NoValue, false,
     "DN 32, Kvs 16, PN 40"},
    {"ASME pipe, 15 bar at 300 degC", "Series G1 globe", 10, 15, 300, NoValue, NoValue, NoValue, true,
     "DN 32, Kvs 16, Class 300"},
    {"rangeability 80 beyond 50", "Series G1 globe", 10, 10, 20, NoValue, NoValue, 80, false, nullptr},
    {"rotary plug has rangeability 100", "Series R1 rotary plug", 10, 10, 20, NoValue, NoValue, 80, false,
     "DN 25, Kvs 16, PN 16"},
    {"450 degC beyond 400", "Series G1 globe", 10, 10, 450, NoValue, NoValue, NoValue, false, nullptr},
    {"small flow", "Series G1 globe", 0.5L, 10, 20, NoValue, NoValue, NoValue, false, "DN 15, Kvs 1, PN 16"},
    {"butterfly, PN only", "Series B1 butterfly", 300, 5, 20, NoValue, 600, NoValue, true, "DN 125, Kvs 630, Class 150"},
    {"unknown duty: the smallest valve", "Series K1 segmented ball", NoValue, NoValue, NoValue, NoValue, NoValue,
     NoValue, false, "DN 25, Kvs 16, PN 16"},
};

TEST(ValveCatalogue, ChoosesTheSmallestFittingValve) {
  for (const Duty& d : kDuties) {
    SCOPED_TRACE(d.what);
    TValveDuty duty;
    duty.Kv = d.Kv, duty.p1 = d.p1, duty.t1 = d.t1, duty.MinDN = d.MinDN, duty.SuggestedKvs = d.SuggestedKvs;
    duty.n0 = d.n0, duty.AsmeRatings = d.asme;
    const auto chosen = TValveCatalogue::Select(SeriesNamed(d.series), duty);
    EXPECT_EQ(chosen ? chosen->Text() : "none", d.chosen ? d.chosen : "none");
  }
}

TEST(ValveCatalogue, FittingOffersAreExactlyThoseThatFit) {
  const TCatalogueSeries& s = SeriesNamed("Series G1 globe");
  TValveDuty duty;
  duty.Kv = 50, duty.p1 = 45, duty.MinDN = 80;
  const auto all = TValveCatalogue::Offers(s, duty);
  const auto fitting = TValveCatalogue::FittingOffers(s, duty);
  EXPECT_EQ(all.size(), s.Sizes.size());
  ASSERT_FALSE(fitting.empty());
  for (const TValveOffer& o : fitting) {
    SCOPED_TRACE(o.Text());
    EXPECT_GE(o.Size.Kvs, TValveCatalogue::KvMargin * duty.Kv);
    EXPECT_GE(o.Size.DN, 80);
    EXPECT_GE(o.Rating.PMax + StandardPressure, duty.p1);
  }
  size_t expected = 0;
  for (const TValveOffer& o : all)
    if (o.Size.Kvs >= 55 && o.Size.DN >= 80 && o.Rating.PMax + StandardPressure >= 45) ++expected;
  EXPECT_EQ(fitting.size(), expected);
  // DN 80 with Kvs 63 in PN 63; DN 200 and larger are not offered in PN 63
  // and go to the highest rating that is, which does not hold 45 bar.
  EXPECT_EQ(fitting.front().Text(), "DN 80, Kvs 63, PN 63");
}

TEST(ValveCatalogue, RefusesFilesThatAreNoCatalogue) {
  EXPECT_THROW(TValveCatalogue("/nonexistent/ValveCatalogue.CDS"), EValveDatabase);
  // The valve database is an SQLite file, but not a catalogue.
  EXPECT_THROW(TValveCatalogue(TValveDatabase::OpenDefault()->Path()), EValveDatabase);
}

}  // namespace
}  // namespace torvacalc
