// torvacalc eval, run as the program runs it.
#include <gtest/gtest.h>

#include "shell/program_run.h"

namespace {

TEST(EvalCommand, PrintsTheValue) {
  struct Case { std::vector<std::string> args; const char* out; };
  const Case cases[] = {
      {{"eval", "0.5 + 0.25 + 1"}, "1.75\n"},
      {{"eval", "not (1 > 2) and 3 >= 3"}, "True\n"},
      {{"eval", "\"abc\" = \"ABD\""}, "False\n"},
      {{"eval", "Pi"}, "3.141592653589793\n"},
      {{"eval", "Root(16, 2)"}, "4\n"},
      {{"eval", "\"a\"\"b\" & 1"}, "ab1\n"},
      {{"eval", "2-1"}, "\n"},                          // no value: an empty line
      {{"eval", "-2", "^", "2"}, "4\n"},                // words joined with blanks
      {{"eval", "-1", "+", "3"}, "2\n"},               // a single minus starts an expression
      {{"eval", "--", "-1"}, "-1\n"},
      {{"eval", "Sgn(0)"}, "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 0) << r.err;
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

TEST(EvalCommand, RejectsFileOptionsAndBadUsageWithExitCode2) {
  struct Case { std::vector<std::string> args; const char* message; };
  const Case cases[] = {
      {{"eval", "--source", "a.hxc", "SourceCalc.filename"}, "--source is not available"},
      {{"eval", "--dest=b.hxc", "DestCalc.filename"}, "--dest is not available"},
      {{"eval", "--verbose", "1"}, "unknown option \"--verbose\""},
      {{"eval"}, "eval needs an expression"},
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

}  // namespace
