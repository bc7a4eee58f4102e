// The valve database built from data/valves.sql and its reader.
#include "valves/valve_description.h"
#include "valves/valve_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "framework/options.h"

namespace torvacalc {
namespace {

namespace fs = std::filesystem;

TEST(ValveDatabase, StylesMapToTheirEquivalentStandardStyle) {
  const auto db = TValveDatabase::OpenDefault();
  const auto styles = db->Styles();
  ASSERT_EQ(styles.size(), 10u);
  for (const auto& s : styles) {
    SCOPED_TRACE(s.Name);
    EXPECT_EQ(s.EquivalentId, TStandardValveData::EquivalentValveTypeID(s.Id));
  }
  EXPECT_EQ(TStandardValveData::EquivalentValveTypeID(0), 5);
  EXPECT_EQ(TStandardValveData::EquivalentValveTypeID(11), 5);
}

TEST(ValveDatabase, TypicalFactorsOfIEC60534_2_1TableD2) {
  struct Case { int style, trim; double FL, xT, Fd; };
  // IEC 60534-2-1:2011 Table D.2: the rows the module's test of the typical
  // factors (cm_control_valves_test.cpp) does not read through the module.
  const Case cases[] = {{3, 0, 0.62, 0.35, 0.57}, {10, 0, 0.98, 0.84, 0.70}};
  const auto db = TValveDatabase::OpenDefault();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.style) + "/" + std::to_string(c.trim));
    const auto t = db->Trim(c.style, c.trim);
    ASSERT_TRUE(t.has_value());
    EXPECT_DOUBLE_EQ(static_cast<double>(t->FL), c.FL);
    EXPECT_DOUBLE_EQ(static_cast<double>(t->xT), c.xT);
    EXPECT_DOUBLE_EQ(static_cast<double>(t->Fd), c.Fd);
    EXPECT_FALSE(t->Source.empty());
  }
  EXPECT_FALSE(db->Trim(5, 0).has_value());
}

TEST(ValveDatabase, DescriptionsCarryValidCurves) {
  const auto db = TValveDatabase::OpenDefault();
  const auto ids = db->DescriptionIds();
  ASSERT_FALSE(ids.empty());
  const auto d = db->Description(ids.front());
  ASSERT_TRUE(d.has_value());
  EXPECT_TRUE(d->Fl.IsValid());
  EXPECT_TRUE(d->Xt.IsValid());
  EXPECT_FALSE(d->Zy.IsValid());
  EXPECT_TRUE(d->HasMeasuredData());
  EXPECT_FALSE(d->HasSigmaData());
  EXPECT_NEAR(d->Fl.At(1.0), 0.8907, 1e-12);
  EXPECT_FALSE(db->Description(9999).has_value());
  EXPECT_TRUE(db->Series().empty());
  EXPECT_TRUE(db->Sizes(1).empty());
}

TEST(ValveDatabase, MissingOrForeignFilesAreRefused) {
  const fs::path dir = fs::temp_directory_path() / ("torvacalc_vdb_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    std::ofstream(dir / "garbage.CDS") << "this is not a database";
    sqlite3* db = nullptr;
    sqlite3_open((dir / "other.CDS").string().c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE Something (a INTEGER)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  // The engineer reads which of the three it is.
  const struct {
    const char* File;
    const char* Text;
  } refused[] = {{"none.CDS", "Ventildatenbank nicht gefunden: "},
                 {"garbage.CDS", "Keine Ventildatenbank: "},
                 {"other.CDS", "Keine Ventildatenbank: "}};
  for (const auto& r : refused) {
    try {
      TValveDatabase((dir / r.File).string());
      ADD_FAILURE() << r.File;
    } catch (const EValveDatabase& e) {
      EXPECT_EQ(e.what(), r.Text + (dir / r.File).string());
    }
  }
  {
    // A valve database with only its style table reads the rest as empty.
    sqlite3* db = nullptr;
    sqlite3_open((dir / "partial.CDS").string().c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE ValveStyle (ID INTEGER, Name TEXT, EquivalentID INTEGER)",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  TValveDatabase partial((dir / "partial.CDS").string());
  EXPECT_TRUE(partial.Styles().empty());
  EXPECT_TRUE(partial.Trims(1).empty());
  EXPECT_FALSE(partial.Description(1).has_value());
  fs::remove_all(dir);
}

TEST(FactorCurve, ValidityAndInterpolation) {
  EXPECT_FALSE(TFactorCurve({{0.5, 0.9}}).IsValid());
  EXPECT_FALSE(TFactorCurve({{0.5, 0.9}, {0.4, 0.8}}).IsValid());
  EXPECT_FALSE(TFactorCurve({{0.1, 0.9}, {0.4, 1.2}}).IsValid());
  const TFactorCurve c({{0.2, 0.9}, {0.6, 0.7}});
  EXPECT_NEAR(c.At(0.4), 0.8, 1e-15);
  EXPECT_NEAR(c.At(0.1), 0.9, 1e-15);
  EXPECT_NEAR(c.At(0.9), 0.7, 1e-15);
}

TEST(XfzRules, OnsetOfCavitation) {
  // IEC 60534-8-4:2015: xFz = 0.90/sqrt(1 + 3 Fd sqrt(Kv/(1.17 FL))).
  const Extended x = TXfzRules::CalculateXfZ(0.46, 0.81, 100);
  EXPECT_NEAR(x, 0.90L / std::sqrt(1 + 3 * 0.46L * std::sqrt(100 / (1.17L * 0.9L))), 1e-15);
  // Larger valves and larger Fd start cavitating earlier.
  EXPECT_LT(TXfzRules::CalculateXfZ(0.46, 0.81, 400), x);
  EXPECT_LT(TXfzRules::CalculateXfZ(0.9, 0.81, 100), x);
  // Multi-hole trims cavitate later than a single plug of the same Kv.
  EXPECT_GT(TXfzRules::CalculateXfZPerforatedPlug(100, 0.81), x);
  EXPECT_NEAR(TXfzRules::CheckZyFL2(0.9, 0.81), 0.81, 1e-15);
  EXPECT_NEAR(TXfzRules::ShiftModifier(0.3, 0.4, 0.5), 0.375, 1e-15);
  EXPECT_NEAR(TXfzRules::ShiftModifier(0.7, 0.4, 0.8), 1.1, 1e-15);  // scaling leaves (0,1)
}

}  // namespace
}  // namespace torvacalc
