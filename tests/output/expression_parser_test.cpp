// Template expressions: tokens, text arithmetic, comparisons with tolerance,
// conditions, built-in functions, unresolved elements and syntax errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "framework/translation.h"
#include "output/expression_parser.h"

namespace torvacalc {
namespace {

struct TextCase {
  const char* expr;
  const char* text;  // the result as text
};

void ExpectTexts(const TextCase* begin, const TextCase* end) {
  for (const TextCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->expr);
    TExpressionParser parser;
    EXPECT_EQ(parser.ParseStr(c->expr).AsText(), c->text);
    EXPECT_EQ(parser.ErrorPos(), 0) << parser.ErrorMessage();
  }
}

TEST(ExpressionTokens, NumbersQuotesAndOperatorsSplitAsTemplatesWriteThem) {
  const TextCase cases[] = {
      {"2 - 1", "1"},
      {"2-1", ""},               // one token that is no number: an unknown element
      {"2 -1", "1"},             // a minus after a blank is an operator again
      {"1E-3 * 1000", "1"},      // the exponent sign stays in the number
      {"2.5e1 + 0", "25"},
      {"1,5", ""},               // the comma is not a decimal point
      {"1,5 + 1", "+1"},         // "" + 1 joins as text, which reads as 1 again
      {"\"a\"\"b\"", "ab"},      // doubled quotes are removed with the others
      {"\"Ab\" & \"C\"", "AbC"}, // quoted text keeps its case
      {"\"open end", "open end"},
      {"1\t+\r\n2", "3"},
      {"  7  ", "7"},
      {"", ""},
      {"1 =< 2", "1"},           // "=<" is one token and no comparison: the left side stays
      {"3 4", "3"},              // a complete expression ends; the rest is not read
      {"1E400", ""},             // beyond a 64-bit real: no number token
      {"\"1E400\" * 1", "1E400"},  // text arithmetic keeps the extended range
  };
  ExpectTexts(std::begin(cases), std::end(cases));
}

TEST(ExpressionArithmetic, CarriesResultsAsTextThatReadsBack) {
  const TextCase cases[] = {
      {"0.5 + 0.25 + 1", "1.75"},
      {"0.1 + 0.2", "0.3"},          // 15 significant digits hide the binary rest
      {"1 / 3", "0.333333333333333"},
      {"10 / 4 * 2", "5"},
      {"2 + 3 * 4", "14"},
      {"2 * 3 ^ 2", "18"},
      {"2 ^ 3 ^ 2", "64"},           // left-associative
      {"-2 ^ 2", "4"},               // the sign binds to the element
      {"2 * (1 + 2)", "6"},
      {"-(1 - 3)", "2"},
      {"- \"abc\"", "-abc"},
      {"\"abc\" + 1", "abc+1"},
      {"\"x\" & 1 + 1", "x2"},       // & binds weaker than +
      {"1E300 * 1E300 / 1E300", "1E300"},  // intermediate beyond the 64-bit range
      {"1.5 * 1E-7", "1.5E-7"},
      {"1 - 1", "0"},
      {"(1 + 2) * 3", "3"},          // a leading parenthesis encloses a whole condition
      {"1 * nothing", "1*"},         // an operand that is no number joins as text
      {"\"1,5\" * 2", "1,5*2"},
      {"1 / 0", ""},                 // results that are not finite are empty
      {"-8 ^ 0.5", ""},
      {"2 ^ -1", "0.5"},
      {"1e20 * 1", "1E20"},
      {"-0 + 0", "0"},
  };
  ExpectTexts(std::begin(cases), std::end(cases));
}

// Comparisons: numbers within ten significant digits, texts ignoring case;
// "or" binds weaker than "and", "not" takes a parenthesis.
TEST(ExpressionConditions, ComparisonsAndLogicGiveBooleans) {
  struct Case { const char* expr; bool result; };
  const Case cases[] = {
      {"1 = 1.00000000001", true},
      {"1 <> 1.00000000001", false},
      {"1 < 1.00000000001", false},
      {"1.00000000001 > 1", false},
      {"1 <= 1.00000000001", true},
      {"1.00000000001 >= 1", true},
      {"1 < 1.000000001", true},
      {"1000000 = 1000001", false},
      {"1E-20 < 2E-20", true},           // relative, not absolute tolerance
      {"0 = 0.00000000001", true},
      {"-1 < 1", true},
      {"1 + 1 = 2", true},               // text result against a real
      {"\"10\" > \"9\"", true},          // texts that read as numbers compare as numbers
      {"\"10a\" > \"9a\"", false},       // other texts compare as text
      {"\"abc\" = \"ABC\"", true},
      {"\"abc\" < \"ABD\"", true},
      {"\"b\" >= \"B\"", true},
      {"\"ab\" < \"abc\"", true},
      {"unknown = \"\"", true},
      {"Round(2.5) = 2", true},          // integer against real
      {"not (1 > 2) and 3 >= 3", true},
      {"1 = 1 or 1 = 2 and 1 = 2", true},
      {"1 = 2 and 1 = 2 or 1 = 1", true},
      {"1 = 2 or 2 = 3", false},
      {"1 < 2 and 2 > 3", false},
      {"(1 < 2) and (2 < 3)", true},
      {"not (1 < 2 or 2 < 3)", false},
      {"not 0", true},
      {"not \"\"", true},
      {"not \"TRUE\"", false},
      {"\"false\" or 0", false},
      {"2 and \"1.5\"", true},
      {"\"yes\" or 0", false},           // a text that is neither boolean nor number
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr);
    TExpressionParser parser;
    const TExprValue v = parser.ParseStr(c.expr);
    EXPECT_EQ(v.Kind(), TExprValue::TKind::Boolean);
    EXPECT_EQ(v.AsBoolean(), c.result);
    EXPECT_EQ(parser.ErrorPos(), 0);
  }
}

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

TEST(ExpressionFunctions, BuiltInsGiveRealResultsAndEmptyOutsideTheirDomain) {
  struct Case { const char* expr; double value; };  // kEmpty: an empty result
  const double pi = 3.141592653589793;
  const Case cases[] = {
      {"Root(16, 2)", 4},
      {"Root(27, 3)", 3},
      {"Root(16,2)", kEmpty},            // "16,2" is one token
      {"Root(16)", kEmpty},
      {"Root(2, 0)", kEmpty},
      {"Root(-8, 3)", kEmpty},
      {"Pi()", pi},
      {"Pi(1)", kEmpty},
      {"Sin(Pi / 6)", 0.5},
      {"Cos(Pi)", -1},
      {"Tan(Pi / 4)", 1},
      {"ArcSin(1)", pi / 2},
      {"ArcCos(-1)", pi},
      {"ArcTan(1) * 4", pi},
      {"Sinh(1)", 1.1752011936438014},
      {"Cosh(1)", 1.5430806348152437},
      {"Tanh(1)", 0.7615941559557649},
      {"ArSinh(1.1752011936438014)", 1},
      {"ArCosh(1.5430806348152437)", 1},
      {"ArTanh(0.7615941559557649)", 1},
      {"Log(1000)", 3},
      {"Ln(Exp(2))", 2},
      {"Exp(1)", 2.718281828459045},
      {"Sqr(-3)", 9},
      {"Cube(-2)", -8},
      {"Sqrt(2)", 1.4142135623730951},
      {"CubeRoot(-27)", -3},
      {"Abs(-5.5)", 5.5},
      {"Int(2.7)", 2},
      {"Round(3.5)", 4},
      {"Round(-2.5)", -2},
      {"Round(2.51)", 3},
      {"Sgn(0.001)", 1},
      {"Sgn(0)", kEmpty},
      {"SQRT(Sqr(3) + 7)", 4},           // names ignore case; arguments are sums
      {"Root(Sqr(4), 2)", 4},            // an inner call leaves the outer arguments alone
      {"Sqrt(-1)", kEmpty},              // every result that is not finite is empty
      {"ArTanh(1)", kEmpty},
      {"Rcp(0)", kEmpty},
      {"Exp(1E6)", kEmpty},
      {"Sqrt()", kEmpty},
      {"Sqrt(4, 2)", kEmpty},
      {"Sqrt(\"four\")", kEmpty},
      {"?(1)", kEmpty},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr);
    TExpressionParser parser;
    const TExprValue v = parser.ParseStr(c.expr);
    EXPECT_EQ(parser.ErrorPos(), 0) << parser.ErrorMessage();
    if (std::isnan(c.value)) {
      EXPECT_EQ(v.AsText(), "");
    } else {
      ASSERT_TRUE(v.IsNumber()) << v.AsText();
      EXPECT_NEAR(static_cast<double>(v.AsNumber()), c.value, 2e-15 * std::fabs(c.value) + 1e-300);
    }
  }
}

TEST(ExpressionFunctions, ResultKindsAndTheirTexts) {
  struct Case { const char* expr; TExprValue::TKind kind; const char* text; };
  using K = TExprValue::TKind;
  const Case cases[] = {
      {"Pi", K::Real, "3.141592653589793"},
      {"Round(2.5)", K::Integer, "2"},
      {"Round(-1E300)", K::Empty, ""},   // beyond a 64-bit integer
      {"Sgn(-4)", K::Integer, "-1"},
      {"Int(-2.7)", K::Real, "-2"},
      {"Rcp(10)", K::Real, "0.1"},
      {"Ten(20)", K::Real, "1E20"},
      {"Ten(-5)", K::Real, "1E-5"},
      {"0.1", K::Real, "0.1"},
      {"Pi * 1", K::Text, "3.14159265358979"},
      {"\"x\"", K::Text, "x"},
      {"1 < 2", K::Boolean, "True"},
      {"nothing", K::Empty, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr);
    TExpressionParser parser;
    const TExprValue v = parser.ParseStr(c.expr);
    EXPECT_EQ(v.Kind(), c.kind);
    EXPECT_EQ(v.AsText(), c.text);
  }
}

// Records what the parser asks for and answers from a table.
struct Lookup {
  std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> asked;
  std::map<std::string, std::string> answers;
  std::string operator()(const std::vector<std::string>& path, const std::vector<std::string>& args) {
    asked.emplace_back(path, args);
    std::string key;
    for (const auto& n : path) key += (key.empty() ? "" : ".") + n;
    const auto it = answers.find(key);
    return it == answers.end() ? std::string() : it->second;
  }
};

TEST(ExpressionElements, UnresolvedElementsAskTheCallbackWithPathAndArguments) {
  using Strings = std::vector<std::string>;
  struct Case { const char* expr; Strings path; Strings args; };
  const Case cases[] = {
      {"SourceCalc.P1.Value", {"sourcecalc", "p1", "value"}, {}},
      {"param(P1, Value)", {"param"}, {"p1", "value"}},
      {"param(\"P1\", x)", {"param"}, {"\"P1\"", "x"}},    // raw tokens, quotes and all
      {"hasvalue()", {"hasvalue"}, {}},
      {"param(, x)", {"param"}, {"", "x"}},
      {"Sgn(0)", {"sgn"}, {"0"}},                          // empty built-in results ask too
      {"Sqrt(a + 12)", {"a"}, {}},                         // built-in arguments are evaluated
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr);
    Lookup lookup;
    TExpressionParser parser;
    parser.OnUnresolvedElement = std::ref(lookup);
    parser.ParseStr(c.expr);
    ASSERT_FALSE(lookup.asked.empty());
    EXPECT_EQ(lookup.asked.front().first, c.path);
    EXPECT_EQ(lookup.asked.front().second, c.args);
  }
}

TEST(ExpressionElements, CallbackAnswersBecomeOperands) {
  struct Case { const char* value; const char* hasnote; bool result; };
  const Case cases[] = {
      {"12.5", "False", true},
      {"12.5", "True", false},
      {"", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.value) + "/" + c.hasnote);
    Lookup lookup;
    lookup.answers = {{"value", c.value}, {"hasnote", c.hasnote}};
    TExpressionParser parser;
    parser.OnUnresolvedElement = std::ref(lookup);
    EXPECT_EQ(parser.ParseStr("value > 10 and not hasnote").AsBoolean(), c.result);
  }
  Lookup lookup;
  lookup.answers = {{"a", "4"}, {"name", "Ventil"}};
  TExpressionParser parser;
  parser.OnUnresolvedElement = std::ref(lookup);
  EXPECT_EQ(parser.ParseStr("Sqrt(a + 12) * 2").AsText(), "8");
  EXPECT_EQ(parser.ParseStr("name & \" \" & a").AsText(), "Ventil 4");
  lookup.asked.clear();
  EXPECT_EQ(parser.ParseStr("Sqrt(9)").AsText(), "3");
  EXPECT_TRUE(lookup.asked.empty()) << "resolved elements do not ask";
}

TEST(ExpressionErrors, MissingParenthesisSetsPositionAndStopsEvaluation) {
  struct Case { const char* expr; int pos; };
  const Case cases[] = {
      {"(1 + 2", 7},
      {"(1 < 2", 7},
      {"2 * (1 + 2", 11},
      {"Sqrt(4", 7},
      {"Sqrt(4 5) or hasnote", 9},
      {"param(a b)", 10},
      {"not (1 = 1 and 2", 17},
      {"f(1 + 2)", 6},                     // raw arguments are single tokens
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr);
    Lookup lookup;
    TExpressionParser parser;
    parser.OnUnresolvedElement = std::ref(lookup);
    const TExprValue v = parser.ParseStr(c.expr);
    EXPECT_EQ(parser.ErrorPos(), c.pos);
    EXPECT_EQ(parser.ErrorMessage(), "\")\" erwartet.");
    EXPECT_EQ(v, TExprValue::Boolean(false));
    for (const auto& [path, args] : lookup.asked) EXPECT_NE(path.front(), "hasnote");
  }
  // A new text starts without the old error.
  TExpressionParser parser;
  parser.ParseStr("(1");
  EXPECT_NE(parser.ErrorPos(), 0);
  EXPECT_EQ(parser.ParseStr("1 + 1").AsText(), "2");
  EXPECT_EQ(parser.ErrorPos(), 0);
  EXPECT_EQ(parser.ErrorMessage(), "");
  // The message is translated.
  ASSERT_TRUE(SetLanguage("en"));
  parser.ParseStr("(1");
  EXPECT_EQ(parser.ErrorMessage(), "\")\" expected.");
  SetLanguage("de");
}

// The parser descends recursively: deep nesting of parentheses or function
// calls must end in a syntax error, not in a stack overflow.
TEST(ExpressionErrors, NestingDeeperThanTheLimitIsAnError) {
  auto nested = [](const std::string& open, int depth, const std::string& close) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += open;
    s += "1";
    for (int i = 0; i < depth; ++i) s += close;
    return s;
  };
  struct Case { std::string expr; const char* value; bool error; };
  const Case cases[] = {
      {nested("(", ExprMaxNesting, ")"), "1", false},
      {nested("Abs(", ExprMaxNesting, ")"), "1", false},
      {nested("(", ExprMaxNesting + 1, ")"), "False", true},
      {nested("(", 20000, ")"), "False", true},
      {nested("Sqrt(", 20000, ")"), "False", true},
      {nested("-(", 20000, ")"), "False", true},
      {nested("not (", 20000, ")"), "False", true},
      {"(" + nested("Abs(", 20000, ")") + ") = 1", "False", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr.substr(0, 20) + "... (" + std::to_string(c.expr.size()) + " characters)");
    TExpressionParser parser;
    EXPECT_EQ(parser.ParseStr(c.expr).AsText(), c.value);
    EXPECT_EQ(parser.ErrorPos() != 0, c.error);
    if (c.error) {
      EXPECT_EQ(parser.ErrorMessage(), "Mehr als 256 Klammerebenen.");
    }
  }
  // The count starts again with every text.
  TExpressionParser parser;
  parser.ParseStr(nested("(", 300, ")"));
  EXPECT_EQ(parser.ParseStr(nested("(", 200, ")")).AsText(), "1");
  EXPECT_EQ(parser.ErrorPos(), 0);
}

// The text of a real is the shortest "%.Ng" text (N = 15 to 17) that
// reads back as the same 64-bit number, with the exponent written "E-5".
std::string ReferenceRealText(double v) {
  char buf[64];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  std::string s = buf;
  const auto e = s.find('e');
  if (e != std::string::npos) s = s.substr(0, e) + "E" + std::to_string(std::atoi(s.c_str() + e + 1));
  return s == "-0" ? "0" : s;
}

TEST(ExpressionValues, RealTextIsTheShortestGeneralFormThatReadsBack) {
  const double mantissas[] = {1, 1.5, 0.1, 3.141592653589793, 1.0 / 3, 2.0 / 3, 9.999999999999999,
                              1234567890123456.0, 2.2250738585072014e-308, 0.30000000000000004};
  int checked = 0;
  for (const double m : mantissas)
    for (int exponent = -30; exponent <= 30; ++exponent)
      for (const double sign : {1.0, -1.0}) {
        const double v = sign * m * std::pow(10.0, exponent);
        // Subnormal numbers carry fewer digits; their shortest text is
        // shorter than 15 digits and still reads back (not compared here).
        if (!std::isnormal(v)) continue;
        SCOPED_TRACE(ReferenceRealText(v));
        const std::string text = TExprValue::Real(v).AsText();
        EXPECT_EQ(text, ReferenceRealText(v));
        EXPECT_EQ(static_cast<double>(ExprTextToNumber(text)), v);
        ++checked;
      }
  EXPECT_GT(checked, 1000);
  EXPECT_EQ(TExprValue::Real(-0.0).AsText(), "0");
  EXPECT_EQ(TExprValue::Real(1e15).AsText(), "1E15");
  EXPECT_EQ(TExprValue::Real(123456789012345.0).AsText(), "123456789012345");
  EXPECT_EQ(TExprValue::Real(1e-4).AsText(), "0.0001");
  EXPECT_EQ(static_cast<double>(ExprTextToNumber(TExprValue::Real(5e-324).AsText())), 5e-324);
}

TEST(ExpressionValues, BooleanAndNumberReadingOfTexts) {
  struct Case { const char* text; bool boolean; double number; };
  const Case cases[] = {
      {"TRUE", true, kEmpty},
      {"False", false, kEmpty},
      {"0", false, 0},
      {"0.0", false, 0},
      {"-2.5E-3", true, -2.5e-3},
      {"1,5", false, kEmpty},
      {"abc", false, kEmpty},
      {"", false, kEmpty},
      {"1E4000", false, kEmpty},         // the no-value marker is not a number
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const TExprValue v = TExprValue::Text(c.text);
    EXPECT_EQ(v.AsBoolean(), c.boolean);
    if (std::isnan(c.number))
      EXPECT_FALSE(v.IsNumber());
    else
      EXPECT_EQ(static_cast<double>(v.AsNumber()), c.number);
  }
  EXPECT_FALSE(TExprValue::Boolean(true).IsNumber());
  EXPECT_FALSE(TExprValue().AsBoolean());
}

}  // namespace
}  // namespace torvacalc
