#include "media/substance_library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace torvacalc {
namespace {

// Points the data folder at the test library for the life of the object.
class DataFolder {
 public:
  explicit DataFolder(const char* dir) {
    if (const char* old = std::getenv("TORVACALC_DATA")) FOld = old, FHadOld = true;
    setenv("TORVACALC_DATA", dir, 1);
  }
  ~DataFolder() {
    if (FHadOld)
      setenv("TORVACALC_DATA", FOld.c_str(), 1);
    else
      unsetenv("TORVACALC_DATA");
  }

 private:
  std::string FOld;
  bool FHadOld = false;
};

TEST(SubstanceLibrary, MissingLibraryLeavesTheProviderInactive) {
  tRUBDLLInterface provider("no-such-library.so", 0);
  EXPECT_FALSE(provider.GetActive());
  EXPECT_EQ(provider.GetLoadError(), "Error loading file \"no-such-library.so\"");
  try {
    provider.AssignDLLFunctions();
    FAIL() << "AssignDLLFunctions must refuse an unloaded library";
  } catch (const ESubstanceLibrary& e) {
    EXPECT_STREQ(e.what(), "Error loading file \"no-such-library.so\"");
  }
  provider.SetT(20);
  provider.SetP(1);
  EXPECT_TRUE(IsNoValue(provider.GetRho()));
  EXPECT_TRUE(IsNoValue(provider.GetTc()));
}

TEST(SubstanceLibrary, LoadsFromTheDataFolderAndConvertsUnits) {
  DataFolder folder(TORVACALC_TEST_LIBRARY_DIR);
  tRUBDLLInterface air("testsubstance.so", 0);
  ASSERT_TRUE(air.GetActive()) << air.GetLoadError();
  std::string path = TORVACALC_TEST_LIBRARY_DIR;
  path += "/testsubstance.so";
  EXPECT_EQ(DLLList().GetHandle("testsubstance.so")->GetPath(), path);
  EXPECT_TRUE(air.HasFunction("TODPZ"));
  EXPECT_FALSE(air.HasFunction("DIAGRAMWTP"));
  // Constants: K to degC, MPa to bar.
  EXPECT_NEAR(static_cast<double>(air.GetTc()), 132.5 - 273.15, 1E-12);
  EXPECT_NEAR(static_cast<double>(air.GetPc()), 37.86, 1E-12);
  EXPECT_NEAR(static_cast<double>(air.GetM()), 28.96, 1E-12);
  // Density at 20 degC and 10 bar from the inverted T(D, P): ideal gas.
  air.SetT(20);
  air.SetP(10);
  const double R = 8.314462618 / 28.96;
  EXPECT_NEAR(static_cast<double>(air.GetRho()), 1000 / (R * 293.15), 1E-9);
  EXPECT_NEAR(static_cast<double>(air.Getcp()), 3.5 * R, 1E-12);
  EXPECT_NEAR(static_cast<double>(air.GetEta()), 1.8E-5 * std::sqrt(293.15 / 300), 1E-15);
  // Saturation: below Tc through the library, above it the library's marker.
  air.SetT(-200);
  EXPECT_NEAR(static_cast<double>(air.GetPv()),
              37.86 * std::exp(5.5 * (1 - 132.5 / 73.15)), 1E-9);
  air.SetT(20);
  EXPECT_TRUE(IsNoValue(air.GetPv()));
  // The four markers and a failing call become NoValue.
  EXPECT_TRUE(IsNoValue(air.Getcv()));      // -99999
  EXPECT_TRUE(IsNoValue(air.GetLambda()));  // -5555
  EXPECT_TRUE(IsNoValue(air.GetKappa()));   // throws
  air.SetP(800);                            // dense: viscosity -999999
  EXPECT_TRUE(IsNoValue(air.GetEta()));
  for (Extended v : {-9999.0L, -99999.0L, -999999.0L, -5555.0L}) EXPECT_TRUE(IsRUBNa(v));
  EXPECT_FALSE(IsRUBNa(-9998));
}

TEST(SubstanceLibrary, SlotSelectsTheSubstanceAndMissingInputsSkipTheCall) {
  DataFolder folder(TORVACALC_TEST_LIBRARY_DIR);
  tRUBDLLInterface helium("testsubstance.so", 1);
  ASSERT_TRUE(helium.GetActive());
  EXPECT_NEAR(static_cast<double>(helium.GetM()), 4.0026, 1E-12);
  helium.SetT(20);
  helium.SetP(10);
  EXPECT_NEAR(static_cast<double>(helium.GetRho()), 1000 / (8.314462618 / 4.0026 * 293.15), 1E-9);
  helium.SetSlotID(0);
  EXPECT_NEAR(static_cast<double>(helium.GetM()), 28.96, 1E-12);
  // Without a slot the constants are called with no argument at all.
  helium.SetSlotID(-1);
  EXPECT_NEAR(static_cast<double>(helium.GetTc()), 132.5 - 273.15, 1E-12);
  EXPECT_TRUE(IsNoValue(helium.CallTRhoFunction("CPOTD", NoValue, 1)));
  EXPECT_TRUE(IsNoValue(helium.CallNFunction("NOTEXPORTED")));
  helium.SetSlotID(0);
  EXPECT_EQ(helium.CalliFunction("ECODERUB"), 0);
  // An overruled density is used by the properties of (T, D).
  helium.SetP(1000);
  EXPECT_TRUE(IsNoValue(helium.GetEta()));
  helium.SetRho(50);
  EXPECT_EQ(helium.GetRho(), 50);
  EXPECT_TRUE(Available(helium.GetEta()));
}

}  // namespace
}  // namespace torvacalc
