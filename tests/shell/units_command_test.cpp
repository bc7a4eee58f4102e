// The program's shape and the units command, run as the program runs them.
#include <gtest/gtest.h>

#include "shell/program_run.h"

namespace {

TEST(Program, HelpVersionLanguageAndBadUsage) {
  const ProgramRun help = RunProgram({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("units"), std::string::npos);
  const ProgramRun version = RunProgram({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("torvacalc ", 0), 0u);
  EXPECT_EQ(RunProgram({}).code, 2);
  const ProgramRun unknown = RunProgram({"frobnicate"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_NE(unknown.err.find("unknown command \"frobnicate\""), std::string::npos);
  EXPECT_EQ(RunProgram({"--lang", "fr", "units", "0"}).code, 2);
  EXPECT_EQ(RunProgram({"--bogus"}).code, 2);
  const ProgramRun sub = RunProgram({"units", "--help"});
  EXPECT_EQ(sub.code, 0);
  EXPECT_NE(sub.out.find("Usage: torvacalc units"), std::string::npos);
  // --lang translates the texts printed.
  const ProgramRun en = RunOk({"--lang", "en", "units", "qTemperature"});
  EXPECT_NE(en.out.find("qTemperature (0): Temperature"), std::string::npos);
  const ProgramRun de = RunOk({"--lang=de", "units", "qTemperature"});
  EXPECT_NE(de.out.find("qTemperature (0): Temperatur\n"), std::string::npos);
  EXPECT_NE(de.out.find("°Rankine"), std::string::npos);  // the list of units
}

TEST(UnitsCommand, ConvertsBetweenUnits) {
  struct Case { std::vector<std::string> args; const char* out; };
  const Case cases[] = {
      {{"units", "qPressureBar", "1", "bar(g)", "psi(a)"}, "29.1997225485 psi(a)\n"},
      {{"units", "qPressureBar", "1", "bar(g)"}, "2.01325 bar(a)\n"},
      {{"units", "0", "68", "°F", "K"}, "293.15 K\n"},
      {{"units", "qtemperature", "20,5", "°C", "°c"}, "20.5 °C\n"},
      {{"units", "qPressureBar", "1", "kp/cm²(a)", "bar(a)"}, "0.980665 bar(a)\n"},
      {{"units", "qMassFlowrate", "1", "1", "lb/h"}, "7936.64143866 lb/h\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[2]);
    const ProgramRun r = RunOk(c.args);
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(UnitsCommand, RejectsUnknownNamesWithExitCode2) {
  struct Case { std::vector<std::string> args; const char* message; };
  const Case cases[] = {
      {{"units", "qNothing"}, "unknown quantity \"qNothing\""},
      {{"units", "77"}, "unknown quantity \"77\""},
      {{"units", "qPressureBar", "1", "furlong"}, "unknown unit \"furlong\" of quantity qPressureBar"},
      {{"units", "qPressureBar", "1", "bar(a)", "psi"}, "unknown unit \"psi\""},
      {{"units", "qPressureBar", "one", "bar(a)"}, "\"one\" is not a number"},
      {{"units", "qPressureBar", "1"}, "units takes QUANTITY"},
  };
  for (const auto& c : cases) {
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
