// torvacalc water: the state of water and steam (IAPWS-IF97) as JSON and as
// a table, and bad arguments.
#include <gtest/gtest.h>

#include <algorithm>

#include "program_run.h"

namespace torvacalc {
namespace {

ProgramRun Water(std::vector<std::string> args) {
  args.insert(args.begin(), "water");
  return RunProgram(args);
}

TEST(WaterCommand, PrintsTheStateAsJson) {
  struct Case { std::vector<std::string> args; std::vector<const char*> expected; };
  const Case cases[] = {
      // 250 degC, 40 bar: compressed water of region 1.
      {{"t=250", "P=40"},
       {"\"t\": 250", "\"P\": 40", "\"Range\": 1", "\"IsSteam\": false", "\"Rho\": 798.918", "\"p23\": 164.05",
        "\"Pv\": 39.7"}},
      {{"t=100", "P=1.014179", "Liquid=nein"}, {"\"Range\": 4", "\"IsSteam\": true", "\"Rho\": 0.59"}},
      // Outside the formulation: the properties are null, and so are the
      // saturation data beyond the ends of the saturation line.
      {{"t=800.5", "P=100.1"}, {"\"Range\": 0", "\"Pv\": null", "\"Tv\": 311.0"}},
      {{"t=2001", "P=1"}, {"\"Range\": 0", "\"Pv\": null", "\"Tv\": 99.6"}},
      {{"t=100", "P=500"}, {"\"Range\": 1", "\"Pv\": 1.01", "\"Tv\": null"}},
      {{"t=374", "P=220.64"}, {"\"Range\": 3", "\"Pv\": null", "\"Tv\": 373.946"}},
      // Far outside (below absolute zero, beyond any temperature of the
      // formulation): even the 2/3 boundary is empty rather than a number
      // that grows without bound.
      {{"t=-300", "P=1"}, {"\"p23\": null", "\"Range\": 0"}},
      {{"t=1e300", "P=1"}, {"\"p23\": null", "\"Range\": 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "--json");
    const ProgramRun r = Water(args);
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* expected : c.expected)
      EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in " << r.out;
    EXPECT_EQ(r.out.front(), '{');
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
  }
}

TEST(WaterCommand, PlainOutputIsATableWithUnits) {
  const ProgramRun r = Water({"t=20", "P=1"});
  ASSERT_EQ(r.code, 0);
  for (const char* row : {"Rho      998.2", "kg/m³", "eta      0.0010016", "IsSteam  nein"})
    EXPECT_NE(r.out.find(row), std::string::npos) << row << " in " << r.out;
}

TEST(WaterCommand, BadArgumentsExitWithUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {}, {"t=20"}, {"t=20", "P=x"}, {"t=20", "P=1", "Liquid=vielleicht"}, {"t=20", "P=1", "T=3"},
      {"t=20", "t=30", "P=1"}, {"t=nan", "P=1"}, {"--csv", "t=20", "P=1"}, {"t20", "P=1"}};
  for (const auto& args : bad) {
    const ProgramRun r = Water(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

}  // namespace
}  // namespace torvacalc
