// A natural-gas property library that is cut short, empty, a folder or
// another library under its name: the provider stays inactive and says
// which library and why, and the process lives. Its own program, because
// the process keeps a library it has loaded once: here the data folder
// points at a temporary folder that holds the broken copy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "media/natural_gas.h"

namespace torvacalc {
namespace {

namespace fs = std::filesystem;

// The first n bytes of a file (all of them for n < 0).
std::string Head(const std::string& path, long n) {
  std::ifstream f(path, std::ios::binary);
  std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  return n < 0 ? s : s.substr(0, static_cast<size_t>(n));
}

TEST(DamagedNaturalGasLibrary, IsRefusedByNameAndTheProcessLives) {
  const std::string gerg = Head(TORVACALC_GERG_LIBRARY, -1);
  ASSERT_GT(gerg.size(), 100000u);
  const fs::path dir = fs::temp_directory_path() / ("torvacalc-damaged-" + std::to_string(getpid()));
  setenv("TORVACALC_DATA", dir.c_str(), 1);
  struct Case {
    const char* what;
    std::string content;  // the file gerg2008.so; "/" makes it a folder
    int message;
    const char* error;    // part of the load error
  } cases[] = {
      {"cut to 3000 bytes", gerg.substr(0, 3000), gmLibraryDamaged, "damaged: the file ends after 3000 bytes"},
      {"cut in half", gerg.substr(0, gerg.size() / 2), gmLibraryDamaged, "damaged"},
      {"one byte short", gerg.substr(0, gerg.size() - 1), gmLibraryDamaged, "damaged"},
      {"empty", "", gmLibraryDamaged, "gerg2008.so"},
      {"a folder", "/", gmLibraryDamaged, "gerg2008.so"},
      {"not there", "-", gmNoLibrary, "gerg2008.so"},
      // Last: a library that loads stays loaded for the process.
      {"another substance library",
       Head(std::string(TORVACALC_TEST_LIBRARY_DIR) + "/testsubstance.so", -1), gmLibraryFunction,
       "the function NGSETX is missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (c.content == "/") {
      fs::create_directory(dir / "gerg2008.so");
    } else if (c.content != "-") {
      std::ofstream(dir / "gerg2008.so", std::ios::binary) << c.content;
    }
    tGERGSubstance gas;
    gas.GetAGAConcentration().SetC(1, 100);
    gas.SetT(15);
    gas.SetP(60);
    EXPECT_FALSE(gas.GetActive());
    EXPECT_NE(gas.GetLoadError().find("Error loading file \"gerg2008.so\""), std::string::npos);
    EXPECT_NE(gas.GetLoadError().find(c.error), std::string::npos) << gas.GetLoadError();
    EXPECT_TRUE(IsNoValue(gas.GetRho()));
    const std::vector<TGasMessage> m = gas.CheckComposition();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m[0].No, c.message);
    EXPECT_EQ(std::get<std::string>(m[0].Args[0]), "gerg2008.so");
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace torvacalc
