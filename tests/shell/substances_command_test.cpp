// torvacalc module substances: the example cases, substance names in
// either language, switches by text or number, and bad input.
#include <gtest/gtest.h>

#include <cstdlib>

#include "program_run.h"

namespace {

// The value of a parameter in the JSON object, as printed.
std::string Value(const std::string& json, const std::string& name) {
  const std::string key = "\"" + name + "\":{\"kind\":\"parameter\",\"value\":";
  const size_t at = json.find(key);
  if (at == std::string::npos) return {};
  const size_t from = at + key.size();
  return json.substr(from, json.find(',', from) - from);
}

TEST(SubstancesCommand, ExampleCasesGiveTheirMedia) {
  // phase: the index of CalculatedPhase.
  struct Case { const char* file; const char* phase; const char* parameter; double value, tolerance; };
  const Case cases[] = {
      {"substance_liquid.case", "1", "rho1", 862.7, 1.0},   // toluene, CRC 862.3 at 1 bar
      {"substance_vapour.case", "2", "pv1", 7.57, 0.1},     // n-hexane at 150 degC
      {"substance_gas.case", "3", "rho1", 1.2505, 0.001},   // nitrogen at 0 degC, 1 atm (NIST)
      {"substance_moist_gas.case", "3", "rho1", 2.289, 0.003},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const ProgramRun r = RunOk({"module", "substances", "--json", ExampleCase(c.file)});
    EXPECT_NE(r.out.find("\"CalculatedPhase\":{\"kind\":\"switch\",\"index\":" + std::string(c.phase)),
              std::string::npos);
    const std::string v = Value(r.out, c.parameter);
    ASSERT_FALSE(v.empty());
    EXPECT_NEAR(std::atof(v.c_str()), c.value, c.tolerance);
    EXPECT_EQ(r.out.find("nan"), std::string::npos);
    EXPECT_EQ(r.out.find("\"messages\":[{"), std::string::npos) << "no messages expected";
  }
}

TEST(SubstancesCommand, NamesInEitherLanguageAndSwitchesByNumber) {
  for (const char* name : {"FluidName=Wasser", "FluidName=Water", "FluidName=water"}) {
    SCOPED_TRACE(name);
    const ProgramRun r = RunProgram({"--lang", "en", "module", "substances", "--json", name, "T1=20", "p1=1",
                                     "Phase=#0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NEAR(std::atof(Value(r.out, "rho1").c_str()), 998.2, 0.1);
  }
}

TEST(SubstancesCommand, BadInput) {
  const ProgramRun unknown = RunProgram({"module", "substances", "FluidName=Unobtainium"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_NE(unknown.err.find("Unobtainium"), std::string::npos);
  const ProgramRun phase = RunProgram({"module", "substances", "Phase=#6"});
  EXPECT_EQ(phase.code, 2);
  // Out of range, and at or below zero where only more than nothing is a
  // value.
  for (const auto& [text, no] : {std::pair{"T1=-300", 120}, {"p1=0", 119}, {"p1=-1", 119}, {"rho1=-5", 119},
                                 {"T1=1e300", 120}}) {
    SCOPED_TRACE(text);
    const ProgramRun r = RunOk({"module", "substances", "--json", ExampleCase("substance_liquid.case"), text});
    EXPECT_EQ(r.out.find("nan"), std::string::npos);
    EXPECT_NE(r.out.find("\"no\":" + std::to_string(no) + ","), std::string::npos);
  }
}

}  // namespace
