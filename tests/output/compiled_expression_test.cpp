// Expressions parsed once and evaluated many times (as export templates
// use them) give what reading the text each time gives: the value, the
// error and its position, and the elements asked for, in order.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "output/calc_file_builder.h"
#include "output/expression_parser.h"
#include "output/hx_expression_parser.h"

namespace torvacalc {
namespace {

using Asked = std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>>;

// Answers every element with a fixed text and records what was asked.
struct Recorder {
  Asked* asked;
  std::string operator()(const std::vector<std::string>& path, const std::vector<std::string>& args) const {
    asked->emplace_back(path, args);
    return path.front() == "a" ? "4" : path.front() == "name" ? "Ventil" : "";
  }
};

struct Outcome { TExprValue value; int errorPos; std::string errorMessage; Asked asked; };

Outcome Evaluated(bool compiled, const std::string& text, const TCompiledExpression* once = nullptr) {
  Outcome o;
  TExpressionParser parser;
  parser.OnUnresolvedElement = Recorder{&o.asked};
  o.value = compiled ? parser.Evaluate(*once) : parser.ParseStr(text);
  o.errorPos = parser.ErrorPos();
  o.errorMessage = parser.ErrorMessage();
  return o;
}

TEST(CompiledExpressions, GiveWhatReadingTheTextGives) {
  const char* cases[] = {
      // values and their kinds
      "", "12", "-3.5", "\"abc\"", "\"a\"\"b\"", "1E-5", "1,5", "Pi", "Sgn(-2)", "Round(2.5)",
      // text arithmetic, chains and signs
      "1 + 2 * 3", "2 ^ 3 ^ 2", "10 / 4 - 1", "1 / 0", "\"abc\" + 1", "- 4", "-a", "- name", "a - - 1",
      "1 + 2 + 3 + 4 - 5 * 6 / 2", "(1 + 2) * 3", "name & \" \" & a & 1 + 1",
      // comparisons, text comparisons, logic
      "1 = 1.0000000001", "1 < 2", "\"b\" > \"A\"", "a >= 4 and name = \"ventil\"", "not (1 > 2) or 0",
      "(a > 1) and b", "1 or 0 or x and not y", "(1 < 2) = (3 < 4)",
      // elements: paths, raw and evaluated arguments, empty operands
      "SourceCalc.P1.Value", "param(P1, Value) = 3", "param(\"P1\", x)", "param(, x)", "hasvalue()",
      "Sqrt(a + 12) * 2", "Root(, 2)", "Root(16, 2)", "Sqrt()", "x.", "()",
      // syntax errors: the text is read again, so position and message match
      "(1 + 2", "2 * (1 + 2", "Sqrt(4", "a and (b or c", "param(a b)", "1 + (2 * (3 - 4)",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    const auto once = TExpressionParser::Compile(text);
    const Outcome read = Evaluated(false, text);
    for (int pass = 0; pass < 2; ++pass) {  // a compiled expression is used again and again
      const Outcome compiled = Evaluated(true, text, once.get());
      EXPECT_EQ(compiled.value, read.value) << compiled.value.AsText() << " / " << read.value.AsText();
      EXPECT_EQ(compiled.errorPos, read.errorPos);
      EXPECT_EQ(compiled.errorMessage, read.errorMessage);
      EXPECT_EQ(compiled.asked, read.asked);
    }
  }
}

// Operator chains are one node each: a chain of 100000 terms neither
// nests the tree nor the evaluation.
TEST(CompiledExpressions, LongChainsDoNotNest) {
  std::string sum = "0", conjunction = "1";
  for (int i = 0; i < 100000; ++i) {
    sum += " + 1";
    conjunction += " and 1";
  }
  TExpressionParser parser;
  EXPECT_EQ(parser.Evaluate(*TExpressionParser::Compile(sum)).AsText(), "100000");
  EXPECT_TRUE(parser.Evaluate(*TExpressionParser::Compile(conjunction)).AsBoolean());
  EXPECT_EQ(parser.ErrorPos(), 0);
}

// Over a calculation file: the attribute names, the current parameter of
// a loop ("sourceparam") and a path that needs a second name ("SourceCalc"
// alone is an error found while evaluating) behave as when read each time.
TEST(CompiledExpressions, CalculationFileNamesAsWhenReadEachTime) {
  THXFile file;
  AddItem(file, {"kv", "Durchflusskoeffizient", 123.4L, -1, 0, 2, "123,4"});
  AddItem(file, {"p1", "Eintrittsdruck", 6.8E5L, 2, 0, 0, "6,8", true});
  const char* cases[] = {
      "kv.value > 100 and not kv.hasnote", "p1.utilized and p1.displaytext <> \"\"", "sourceparam.caption",
      "SourceCalc.kv.caption & \"!\"", "SourceCalc", "SourceCalc and kv.value", "param(p1, unit) + 1",
      "DestCalc.kv.value", "missing.value = \"\"",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    const auto once = TExpressionParser::Compile(text);
    THXExpressionParser read(&file), compiled(&file);
    read.SourceParam = compiled.SourceParam = "kv";
    const TExprValue expected = read.ParseStr(text);
    EXPECT_EQ(compiled.Evaluate(*once), expected) << expected.AsText();
    EXPECT_EQ(compiled.ErrorPos(), read.ErrorPos());
    EXPECT_EQ(compiled.ErrorMessage(), read.ErrorMessage());
  }
}

}  // namespace
}  // namespace torvacalc
