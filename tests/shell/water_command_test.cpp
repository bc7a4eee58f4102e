#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "program_run.h"

namespace torvacalc {
namespace {

using RunResult = ProgramRun;

RunResult Water(std::vector<std::string> args) {
  args.insert(args.begin(), "water");
  return RunProgram(args);
}

TEST(WaterCommand, PrintsTheStateAsJson) {
  // 250 degC, 40 bar: compressed water of region 1.
  const RunResult r = Water({"--json", "t=250", "P=40"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* key : {"\"t\": 250", "\"P\": 40", "\"Range\": 1", "\"IsSteam\": false",
                          "\"Rho\": 798.918", "\"p23\": 164.05", "\"Pv\": 39.7"})
    EXPECT_NE(r.out.find(key), std::string::npos) << key << " in " << r.out;
  EXPECT_EQ(r.out.front(), '{');
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
}

TEST(WaterCommand, SaturationSideAndOutsideValues) {
  const RunResult steam = Water({"t=100", "P=1.014179", "Liquid=nein", "--json"});
  ASSERT_EQ(steam.code, 0) << steam.err;
  EXPECT_NE(steam.out.find("\"Range\": 4"), std::string::npos) << steam.out;
  EXPECT_NE(steam.out.find("\"IsSteam\": true"), std::string::npos);
  EXPECT_NE(steam.out.find("\"Rho\": 0.59"), std::string::npos) << steam.out;
  // Outside the formulation: the properties are null, and so are the
  // saturation data beyond the ends of the saturation line.
  struct Outside { const char* t; const char* P; const char* range; const char* Pv; const char* Tv; };
  const Outside outsideCases[] = {
      {"t=800.5", "P=100.1", "\"Range\": 0", "\"Pv\": null", "\"Tv\": 311.0"},
      {"t=2001", "P=1", "\"Range\": 0", "\"Pv\": null", "\"Tv\": 99.6"},
      {"t=100", "P=500", "\"Range\": 1", "\"Pv\": 1.01", "\"Tv\": null"},
      {"t=374", "P=220.64", "\"Range\": 3", "\"Pv\": null", "\"Tv\": 373.946"},
  };
  for (const auto& c : outsideCases) {
    SCOPED_TRACE(std::string(c.t) + " " + c.P);
    const RunResult outside = Water({"--json", c.t, c.P});
    ASSERT_EQ(outside.code, 0);
    for (const char* expected : {c.range, c.Pv, c.Tv})
      EXPECT_NE(outside.out.find(expected), std::string::npos) << expected << "\n" << outside.out;
  }
  // Far outside (below absolute zero, beyond any temperature of the
  // formulation): even the 2/3 boundary is empty rather than a number that
  // grows without bound.
  for (const char* t : {"t=-300", "t=1e300"}) {
    SCOPED_TRACE(t);
    const RunResult far = Water({"--json", t, "P=1"});
    ASSERT_EQ(far.code, 0);
    EXPECT_NE(far.out.find("\"p23\": null"), std::string::npos) << far.out;
    EXPECT_NE(far.out.find("\"Range\": 0"), std::string::npos);
  }
}

TEST(WaterCommand, PlainOutputIsATableWithUnits) {
  const RunResult r = Water({"t=20", "P=1"});
  ASSERT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("Rho      998.2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("kg/m³"), std::string::npos);
  EXPECT_NE(r.out.find("eta      0.0010016"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("IsSteam  nein"), std::string::npos);
}

TEST(WaterCommand, BadArgumentsExitWithUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {}, {"t=20"}, {"t=20", "P=x"}, {"t=20", "P=1", "Liquid=vielleicht"}, {"t=20", "P=1", "T=3"},
      {"t=20", "t=30", "P=1"}, {"t=nan", "P=1"}, {"--csv", "t=20", "P=1"}, {"t20", "P=1"}};
  for (const auto& args : bad) {
    const RunResult r = Water(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

}  // namespace
}  // namespace torvacalc
