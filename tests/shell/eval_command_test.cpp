// torvacalc eval, run as the program runs it.
#include <gtest/gtest.h>

#include "shell/file_test.h"

namespace {

TEST(EvalCommand, PrintsTheValue) {
  struct Case { std::vector<std::string> args; const char* out; };
  const Case cases[] = {
      {{"eval", "0.5 + 0.25 + 1"}, "1.75\n"},     {{"eval", "not (1 > 2) and 3 >= 3"}, "True\n"},
      {{"eval", "\"abc\" = \"ABD\""}, "False\n"}, {{"eval", "Pi"}, "3.141592653589793\n"},
      {{"eval", "\"a\"\"b\" & 1"}, "ab1\n"},
      {{"eval", "2-1"}, "\n"},                          // no value: an empty line
      {{"eval", "-2", "^", "2"}, "4\n"},                // words joined with blanks
      {{"eval", "-1", "+", "3"}, "2\n"},               // a single minus starts an expression
      {{"eval", "--", "-1"}, "-1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    const ProgramRun r = RunOk(c.args);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(EvalCommand, SyntaxErrorsGiveThePositionAndExitCode1) {
  struct Case { std::vector<std::string> args; const char* err; };
  const Case cases[] = {
      {{"eval", "(1 + 2"}, "error at 7: \")\" erwartet.\n"},
      {{"eval", "Sqrt(4 5)"}, "error at 9: \")\" erwartet.\n"},
      {{"--lang", "en", "eval", "2 * (1 + 2"}, "error at 11: \")\" expected.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
  RunProgram({"--lang", "de", "eval", "1"});  // later tests expect German texts
}

TEST(EvalCommand, RejectsBadUsageWithExitCode2) {
  struct Case { std::vector<std::string> args; const char* message; };
  const Case cases[] = {
      {{"eval", "--verbose", "1"}, "unknown option \"--verbose\""},
      {{"eval"}, "eval needs an expression"},
      {{"eval", "--source", "a.cvc"}, "eval needs an expression"},
      {{"eval", "kv.value", "--source"}, "--source needs a calculation file"},
      {{"eval", "--dest=", "1"}, "--dest needs a calculation file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  const ProgramRun help = RunProgram({"eval", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage: torvacalc eval EXPR", 0), 0u);
}

class EvalFiles : public ProgramFileTest {
 protected:
  void SetUp() override {
    ProgramFileTest::SetUp();
    for (const char* kind : {"liquid", "gas"})
      ASSERT_EQ(RunProgram({"module", "valve", ExampleCase(kind + std::string(".case")), "-o",
                            Path(kind + std::string(".cvc"))}).code, 0);
  }
};

// The saved liquid calculation (IEC 60534-2-1 Annex E example 1): qm
// 347.544 t/h is 96.54 kg/s, p1 6.8 bar is 680000 Pa, t1 90 degC 363.15 K.
TEST_F(EvalFiles, ReadsTheSourceAndDestinationCalculations) {
  struct Case { std::vector<std::string> args; std::string out; };
  const Case cases[] = {
      {{"eval", "--source", Path("liquid.cvc"), "qm.value & \" \" & qm.sivalue"}, "347.544 96.54\n"},
      {{"eval", "--source=" + Path("liquid.cvc"), "p1.sivalue", "&", "\" \"", "&", "t1.sivalue"}, "680000 363.15\n"},
      {{"eval", "--source", Path("liquid.cvc"), "kv.value > 164.9 and kv.value < 165 and kv.iscalculated"}, "True\n"},
      {{"eval", "--source", Path("liquid.cvc"), "--dest", Path("gas.cvc"),
        "SourceCalc.filename & \"/\" & DestCalc.filename"},
       "liquid.cvc/gas.cvc\n"},
      {{"eval", "--source", Path("liquid.cvc"), "--dest", Path("gas.cvc"), "DestCalc.kv.value < kv.value"}, "True\n"},
      {{"eval", "--source", Path("liquid.cvc"), "FlowState.calcmessage"},
       "Starke Kavitation: Verschleiß und Geräusch sind zu erwarten.\n"},
      {{"eval", "--dest", Path("gas.cvc"), "kv.value"}, "\n"},  // no source: no value
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ProgramRun r = RunOk(c.args);
    EXPECT_EQ(r.out, c.out);
  }
  const ProgramRun alone = RunProgram({"eval", "--source", Path("liquid.cvc"), "1 + SourceCalc"});
  EXPECT_EQ(alone.code, 1);
  EXPECT_EQ(alone.err, "error at 15: \".\" erwartet.\n");
}

TEST_F(EvalFiles, UnreadableFilesEndWithExitCode2) {
  Write("bad.cvc", std::string("HYDRIXbyQUENT\x02\x00\x00\x00", 17));
  const ProgramRun bad = RunProgram({"eval", "--source", Path("bad.cvc"), "kv.value"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_EQ(bad.err, "torvacalc: " + Path("bad.cvc") + ": File Error!\n");
  const ProgramRun missing = RunProgram({"eval", "--dest", Path("missing.cvc"), "1"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("missing.cvc"), std::string::npos);
}

}  // namespace
