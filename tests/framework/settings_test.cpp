// The settings file and the recent-unit lists kept in it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/options.h"
#include "framework/settings.h"
#include "framework/units.h"
#include "temp_folder.h"

using namespace torvacalc;
namespace fs = std::filesystem;

namespace {

// Every test gets its own configuration folder.
class SettingsTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    setenv("TORVACALC_CONFIG_DIR", dir_.c_str(), 1);
    TSettingsStore::ResetInstance();
    ResetUnitOptions();
  }
  void TearDown() override {
    TSettingsStore::ResetInstance();
    ResetUnitOptions();
    unsetenv("TORVACALC_CONFIG_DIR");
    TempFolderTest::TearDown();
  }
  std::string Ini() const { return Path("settings.ini"); }
  void WriteIni(const std::string& text) const { Write("settings.ini", text); }
  std::string ReadIni() const { return Read("settings.ini"); }
};

TEST_F(SettingsTest, ValuesSurviveAReload) {
  TSettingsStore store(Ini());
  store.WriteString("Windows\\TMainForm", "Left", "12");
  store.WriteString("Options", "Text", "two\nlines \\ and more");
  store.WriteBool("Options", "Backup", true);
  ASSERT_TRUE(store.Save());
  TSettingsStore again(Ini());
  EXPECT_EQ(again.ReadInteger("windows\\tmainform", "left", 0), 12);  // not case-sensitive
  EXPECT_EQ(again.ReadString("Options", "Text", ""), "two\nlines \\ and more");
  EXPECT_TRUE(again.ReadBool("Options", "Backup", false));
  EXPECT_EQ(again.ReadInteger("Options", "Missing", 7), 7);
  EXPECT_EQ(again.ReadInteger("Options", "Text", 7), 7);  // not a number: the default
}

TEST_F(SettingsTest, DamagedFileKeepsWhatCanBeRead) {
  WriteIni(std::string("[Good]\nA=1\n\x01\xff garbage line\n[Broken\nB=2\n[Also Good]\nC=3\n=nokey\n", 57));
  TSettingsStore store(Ini());
  EXPECT_EQ(store.ReadString("Good", "A", ""), "1");
  EXPECT_EQ(store.ReadString("Broken", "B", "default"), "default");
  EXPECT_EQ(store.ReadString("Also Good", "C", ""), "3");
}

TEST_F(SettingsTest, RecentUnitsMoveToTheFront) {
  const TQuantity q = qPressureBar;
  TQuantityArray::AddToTop5(q, 3);
  TQuantityArray::AddToTop5(q, 1);
  EXPECT_EQ(TQuantityArray::GetTop5(q), "1,3,-1,-1,-1,-1,-1,-1,-1,-1");
  TQuantityArray::SetTop5(q, std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  TQuantityArray::AddToTop5(q, 4);  // from position 4 to the front
  EXPECT_EQ(TQuantityArray::GetTop5(q), "4,0,1,2,3,5,6,7,8,9");
  TQuantityArray::AddToTop5(q, 20);  // absent: the last entry drops out
  EXPECT_EQ(TQuantityArray::GetTop5(q), "20,4,0,1,2,3,5,6,7,8");
  TQuantityArray::AddToTop5(q, 41);  // beyond the unit slots: ignored
  EXPECT_EQ(TQuantityArray::GetTop5(q), "20,4,0,1,2,3,5,6,7,8");
  // Top5Strings skips empty and unknown entries.
  TQuantityArray::SetTop5(qTemperature, std::vector<int>{2, 30, 1});
  EXPECT_EQ(TQuantityArray::Top5Strings(qTemperature, SortTable), (std::vector<std::string>{"°F", "K"}));
}

TEST_F(SettingsTest, RecentUnitsRoundTripThroughTheSettingsFile) {
  TQuantityArray::AddToTop5(qTemperature, 1);
  TQuantityArray::AddToTop5(qTemperature, 2);
  TQuantityArray::AddToTop5(qMassFlowrate, 8);
  // Every change is saved at once.
  EXPECT_NE(ReadIni().find("Quantity0=2,1,-1,-1,-1,-1,-1,-1,-1,-1"), std::string::npos);
  EXPECT_NE(ReadIni().find("Quantity9=8,-1"), std::string::npos);

  ResetUnitOptions();
  TSettingsStore::ResetInstance();
  HXUnitOptions();  // loads
  EXPECT_EQ(TQuantityArray::GetTop5(qTemperature), "2,1,-1,-1,-1,-1,-1,-1,-1,-1");
  EXPECT_EQ(TQuantityArray::GetTop5(qMassFlowrate), "8,-1,-1,-1,-1,-1,-1,-1,-1,-1");
  EXPECT_EQ(TQuantityArray::GetTop5(qPressureBar), "-1,-1,-1,-1,-1,-1,-1,-1,-1,-1");
}

TEST_F(SettingsTest, DamagedRecentUnitEntryCostsOnlyThatQuantity) {
  WriteIni(
      "[RecentUnits]\n"
      "Quantity0=3,1,-1,-1,-1,-1,-1,-1,-1,-1\n"
      "Quantity2=5,x,7\n"
      "Quantity5=4,,2\n");
  HXUnitOptions();
  EXPECT_EQ(TQuantityArray::GetTop5(qTemperature), "3,1,-1,-1,-1,-1,-1,-1,-1,-1");
  EXPECT_EQ(TQuantityArray::GetTop5(qPressureBar), "-1,-1,-1,-1,-1,-1,-1,-1,-1,-1");
  EXPECT_EQ(TQuantityArray::GetTop5(qDensity), "4,-1,2,-1,-1,-1,-1,-1,-1,-1");
  // Loading did not rewrite the file.
  EXPECT_NE(ReadIni().find("Quantity2=5,x,7"), std::string::npos);
}

TEST_F(SettingsTest, UnreadableSettingsFileGivesDefaults) {
  fs::create_directories(Ini());  // a folder where the file should be
  HXUnitOptions();
  EXPECT_EQ(TQuantityArray::GetTop5(qTemperature), "-1,-1,-1,-1,-1,-1,-1,-1,-1,-1");
  TQuantityArray::AddToTop5(qTemperature, 1);  // saving fails quietly
  EXPECT_EQ(TQuantityArray::GetTop5(qTemperature), "1,-1,-1,-1,-1,-1,-1,-1,-1,-1");
}

TEST_F(SettingsTest, ProgramOptionsWithDefaultsForBadValues) {
  WriteIni("[Options]\nDecimalSeparator=,\nThousandSeparator=.\nSignificantDigits=99\nDisplayDigits=6\nLanguage=xx\n");
  TSettingsStore store(Ini());
  THXOptions options;
  LoadProgramOptions(store, options);
  EXPECT_EQ(options.DecimalSeparator, ',');
  EXPECT_EQ(options.ThousandSeparator, '.');
  EXPECT_EQ(options.SignificantDigits, 11);  // out of range: the default
  EXPECT_EQ(options.DisplayDigits, 6);
  EXPECT_EQ(options.Language, "de");
  options.Language = "en";
  SaveProgramOptions(store, options);
  THXOptions again;
  LoadProgramOptions(TSettingsStore(Ini()), again);
  EXPECT_EQ(again.Language, "en");
  EXPECT_EQ(again.DecimalSeparator, ',');
}

}  // namespace
