#include "output/expression_parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <string_view>

#include "framework/number_text.h"
#include "framework/translation.h"

namespace torvacalc {

namespace {

// Template expressions compare numbers to ten significant digits, so that
// values that went through text (15 digits) still compare equal.
constexpr int kComparisonDigits = 10;

// Indices into FunctionNames().
enum TBuiltIn {
  fnRoot, fnSin, fnCos, fnTan, fnArcSin, fnArcCos, fnArcTan, fnSinh, fnCosh, fnTanh,
  fnArSinh, fnArCosh, fnArTanh, fnLog, fnTen, fnLn, fnExp, fnRcp, fnSqr, fnCube,
  fnSqrt, fnCubeRoot, fnAbs, fnSgn, fnInt, fnRound, fnPi, fnQuery
};

// Indices into ComparisonOperators().
enum TComparison { cmpEqual, cmpNotEqual, cmpLess, cmpGreater, cmpLessEqual, cmpGreaterEqual };

// The tokenizer works on 8-bit text and knows only ASCII letters, so that
// an umlaut or a UTF-8 byte never joins an identifier by accident of the
// locale.
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool IsNumberChar(char c) {
  return IsDigit(c) || c == '+' || c == ',' || c == '-' || c == '.' || c == 'E' || c == 'e';
}
bool IsComparisonChar(char c) { return c == '<' || c == '=' || c == '>'; }
bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// Case-insensitive ordering of texts, byte by byte.
int CompareText(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// "1.5e+20" -> "1.5E20", "1e-05" -> "1E-5": the exponent the way the
// program writes it elsewhere; TextToNumber reads both.
std::string TidyExponent(const char* printed) {
  std::string s = printed;
  const auto e = s.find('e');
  if (e == std::string::npos) return s == "-0" ? "0" : s;
  const int exponent = std::atoi(s.c_str() + e + 1);
  return s.substr(0, e) + "E" + std::to_string(exponent);
}

// The shortest of 15 to 17 significant digits that reads back as the same
// 64-bit real, laid out like "%.*g" with that many digits: 0.1 stays "0.1",
// pi shows all its 16 digits, 1E20 and 1E-5 take the exponent form. The
// shortest digits come from to_chars, which is many times faster than
// trying precisions with printf and strtod.
std::string RealText(double v) {
  if (!std::isfinite(v)) return {};
  if (v == 0) return "0";
  char buf[40];
  const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific).ptr;
  const std::string_view s(buf, static_cast<size_t>(end - buf));  // "-d.ddde-XX"
  const auto e = s.find('e');
  std::string digits;
  for (char c : s.substr(0, e))
    if (IsDigit(c)) digits += c;
  int exponent = 0;
  const char* expBegin = buf + e + 1;
  std::from_chars(expBegin + (*expBegin == '+'), end, exponent);
  const int precision = std::max(15, static_cast<int>(digits.size()));
  std::string out = v < 0 ? "-" : "";
  if (exponent < -4 || exponent >= precision) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    return out + "E" + std::to_string(exponent);
  }
  if (exponent < 0) return out + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  const auto intDigits = static_cast<size_t>(exponent + 1);
  if (digits.size() <= intDigits) return out + digits + std::string(intDigits - digits.size(), '0');
  return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

int FindName(const std::vector<std::string>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (SameText(list[i], name)) return static_cast<int>(i);
  return -1;
}

// True when an extended value converts to a finite 64-bit real (converting
// a larger magnitude is undefined).
bool FitsReal(Extended x) {
  return std::isfinite(x) && std::fabs(x) <= std::numeric_limits<double>::max();
}

// A real result of a built-in function; empty outside the real numbers or
// beyond the 64-bit range.
TExprValue RealResult(Extended r) {
  if (!FitsReal(r)) return {};
  return TExprValue::Real(static_cast<double>(r));
}

}  // namespace

// --- values ---------------------------------------------------------------

std::string TExprValue::AsText() const {
  switch (Kind()) {
    case TKind::Empty: return {};
    case TKind::Real: return RealText(std::get<double>(FValue));
    case TKind::Integer: return std::to_string(std::get<std::int64_t>(FValue));
    case TKind::Text: return std::get<std::string>(FValue);
    case TKind::Boolean: return std::get<bool>(FValue) ? "True" : "False";
  }
  return {};
}

bool TExprValue::AsBoolean() const {
  switch (Kind()) {
    case TKind::Empty: return false;
    case TKind::Real: return std::get<double>(FValue) != 0;
    case TKind::Integer: return std::get<std::int64_t>(FValue) != 0;
    case TKind::Boolean: return std::get<bool>(FValue);
    case TKind::Text: {
      const std::string& s = std::get<std::string>(FValue);
      if (SameText(s, "true")) return true;
      if (SameText(s, "false")) return false;
      const Extended x = ExprTextToNumber(s);
      return HasValue(x) && x != 0;
    }
  }
  return false;
}

Extended TExprValue::AsNumber() const {
  switch (Kind()) {
    case TKind::Real: return std::get<double>(FValue);
    case TKind::Integer: return static_cast<Extended>(std::get<std::int64_t>(FValue));
    case TKind::Text: return ExprTextToNumber(std::get<std::string>(FValue));
    case TKind::Empty:
    case TKind::Boolean: return NoValue;
  }
  return NoValue;
}

Extended ExprTextToNumber(const std::string& text) {
  const auto v = TextToNumber(text, '.');
  return v ? *v : NoValue;
}

std::string ExprNumberText(Extended value) {
  if (!std::isfinite(value) || IsNoValue(value)) return {};
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.15Lg", value);
  return TidyExponent(buf);
}

std::string ProcessOp(const std::string& a, char op, const std::string& b) {
  if (op != '+' && op != '-' && op != '*' && op != '/' && op != '^') return {};
  const Extended x = ExprTextToNumber(a), y = ExprTextToNumber(b);
  if (!Available(x, y)) return a + op + b;
  switch (op) {
    case '+': return ExprNumberText(x + y);
    case '-': return ExprNumberText(x - y);
    case '*': return ExprNumberText(x * y);
    case '/': return y == 0 ? std::string() : ExprNumberText(x / y);
    default: return ExprNumberText(std::pow(x, y));
  }
}

TExprValue BuiltInFunction(const std::string& name, const std::vector<std::string>& arguments) {
  const int fn = FindName(TExpressionParser::FunctionNames(), name);
  if (fn < 0) return {};
  std::vector<Extended> x;
  for (const std::string& a : arguments) {
    x.push_back(ExprTextToNumber(a));
    if (IsNoValue(x.back())) return {};
  }
  if (x.empty()) return fn == fnPi ? TExprValue::Real(std::numbers::pi) : TExprValue();
  if (x.size() == 2) {
    if (fn != fnRoot || x[1] == 0) return {};
    return RealResult(std::pow(x[0], 1 / x[1]));
  }
  if (x.size() != 1) return {};
  const Extended v = x[0];
  switch (fn) {
    case fnSin: return RealResult(std::sin(v));
    case fnCos: return RealResult(std::cos(v));
    case fnTan: return RealResult(std::tan(v));
    case fnArcSin: return RealResult(std::asin(v));
    case fnArcCos: return RealResult(std::acos(v));
    case fnArcTan: return RealResult(std::atan(v));
    case fnSinh: return RealResult(std::sinh(v));
    case fnCosh: return RealResult(std::cosh(v));
    case fnTanh: return RealResult(std::tanh(v));
    case fnArSinh: return RealResult(std::asinh(v));
    case fnArCosh: return RealResult(std::acosh(v));
    case fnArTanh: return RealResult(std::atanh(v));
    case fnLog: return RealResult(std::log10(v));
    case fnTen: return RealResult(std::pow(10.0L, v));
    case fnLn: return RealResult(std::log(v));
    case fnExp: return RealResult(std::exp(v));
    case fnRcp: return v == 0 ? TExprValue() : RealResult(1 / v);
    case fnSqr: return RealResult(v * v);
    case fnCube: return RealResult(v * v * v);
    case fnSqrt: return RealResult(std::sqrt(v));
    // The real cube root: defined for negative numbers too, and exact for
    // perfect cubes, which pow(x, 1/3) is not (1/3 is not a binary number).
    case fnCubeRoot: return RealResult(std::cbrt(v));
    case fnAbs: return RealResult(std::fabs(v));
    case fnSgn: return v > 0 ? TExprValue::Integer(1) : v < 0 ? TExprValue::Integer(-1) : TExprValue();
    case fnInt: return RealResult(std::trunc(v));
    case fnRound: {
      // Halves go to the even neighbour (the default rounding mode), so
      // that rounding a column of values carries no bias.
      const Extended r = std::nearbyint(v);
      if (!(std::fabs(r) < 9.2E18L)) return {};
      return TExprValue::Integer(static_cast<std::int64_t>(r));
    }
    default: return {};
  }
}

// --- parser ---------------------------------------------------------------

const std::vector<std::string>& TExpressionParser::ComparisonOperators() {
  static const std::vector<std::string> list = {"=", "<>", "<", ">", "<=", ">="};
  return list;
}

const std::vector<std::string>& TExpressionParser::FunctionNames() {
  static const std::vector<std::string> list = {
      "Root",   "Sin",    "Cos",    "Tan",  "ArcSin", "ArcCos",   "ArcTan",
      "Sinh",   "Cosh",   "Tanh",   "ArSinh", "ArCosh", "ArTanh", "Log",
      "Ten",    "Ln",     "Exp",    "Rcp",  "Sqr",    "Cube",     "Sqrt",
      "CubeRoot", "Abs",  "Sgn",    "Int",  "Round",  "Pi",       "?"};
  return list;
}

namespace {

// A comparison: numerically to kComparisonDigits digits when both sides are
// numbers, as texts otherwise. The parser and the compiled tree share it.
TExprValue CompareValues(int op, const TExprValue& left, const TExprValue& right) {
  const Extended x = left.AsNumber(), y = right.AsNumber();
  if (Available(x, y)) {
    switch (op) {
      case cmpEqual: return TExprValue::Boolean(EqualDigits(x, y, kComparisonDigits));
      case cmpNotEqual: return TExprValue::Boolean(!EqualDigits(x, y, kComparisonDigits));
      case cmpLess: return TExprValue::Boolean(SmallerDigits(x, y, kComparisonDigits));
      case cmpGreater: return TExprValue::Boolean(GreaterDigits(x, y, kComparisonDigits));
      case cmpLessEqual: return TExprValue::Boolean(SmallerEqualDigits(x, y, kComparisonDigits));
      default: return TExprValue::Boolean(GreaterEqualDigits(x, y, kComparisonDigits));
    }
  }
  const int c = CompareText(left.AsText(), right.AsText());
  switch (op) {
    case cmpEqual: return TExprValue::Boolean(c == 0);
    case cmpNotEqual: return TExprValue::Boolean(c != 0);
    case cmpLess: return TExprValue::Boolean(c < 0);
    case cmpGreater: return TExprValue::Boolean(c > 0);
    case cmpLessEqual: return TExprValue::Boolean(c <= 0);
    default: return TExprValue::Boolean(c >= 0);
  }
}

// A leading minus: the negated number, or the text with a minus before it.
TExprValue Negated(const std::string& operand) {
  const Extended x = ExprTextToNumber(operand);
  return TExprValue::Text(HasValue(x) ? ExprNumberText(-x) : "-" + operand);
}

}  // namespace

TExprValue TExpressionParser::ParseStr(const std::string& text) {
  FText = text;
  FPos = 1;
  FErrorPos = 0;
  FDepth = 0;
  FBuiltIn = -1;
  FErrorMessage.clear();
  FNamePath.clear();
  FArguments.clear();
  NextToken();
  TExprValue result = OrExpr();
  return HasError() ? TExprValue::Boolean(false) : result;
}

void TExpressionParser::SetError(const std::string& expected) {
  if (HasError()) return;
  FErrorPos = static_cast<int>(FPos);
  std::string message = Translate("\"%s\" erwartet.");
  const auto at = message.find("%s");
  if (at != std::string::npos) message.replace(at, 2, expected);
  FErrorMessage = message;
}

bool TExpressionParser::EnterNesting() {
  if (FDepth >= ExprMaxNesting) {
    if (!HasError()) {
      FErrorPos = static_cast<int>(FPos);
      std::string message = Translate("Mehr als %d Klammerebenen.");
      const auto at = message.find("%d");
      if (at != std::string::npos) message.replace(at, 2, std::to_string(ExprMaxNesting));
      FErrorMessage = message;
    }
    return false;
  }
  ++FDepth;
  return true;
}

bool TExpressionParser::IsNumericalFunction() const {
  if (FBuiltIn >= 0) return FBuiltIn == 1;
  return !FNamePath.empty() && IsBuiltInName(FNamePath.front());
}

bool TExpressionParser::IsBuiltInName(const std::string& name) {
  return FindName(FunctionNames(), name) >= 0;
}

void TExpressionParser::NextToken() {
  const size_t n = FText.size();
  size_t i = FPos - 1;
  while (i < n && IsBlank(FText[i])) ++i;
  if (i >= n) {
    FToken.clear();
    FPos = n + 1;
    return;
  }
  const size_t start = i;
  const char c = FText[i++];
  bool keepCase = false;
  if (c == '"') {
    // A quoted text runs to the next quote; a doubled quote stays inside.
    keepCase = true;
    while (i < n) {
      if (FText[i] != '"') {
        ++i;
      } else if (i + 1 < n && FText[i + 1] == '"') {
        i += 2;
      } else {
        ++i;
        break;
      }
    }
  } else if (IsLetter(c) || c == '_') {
    while (i < n && (IsLetter(FText[i]) || IsDigit(FText[i]) || FText[i] == '_')) ++i;
  } else if (IsDigit(c)) {
    // Signs, commas and exponent letters belong to a number token, so that
    // "1E-5" stays one token; an operator after a number needs a blank.
    // Commas at its end are given back: they separate arguments, as in
    // "Root(16, 2)", while "1,5" stays one token that is not a number.
    while (i < n && IsNumberChar(FText[i])) ++i;
    while (FText[i - 1] == ',') --i;
  } else if (IsComparisonChar(c)) {
    while (i < n && IsComparisonChar(FText[i])) ++i;
  }
  FToken = FText.substr(start, i - start);
  if (!keepCase)
    for (char& ch : FToken) ch = LowerAscii(ch);
  FPos = i + 1;
}

TExprValue TExpressionParser::OrExpr() {
  if (HasError()) return TExprValue::Boolean(false);
  TExprValue result = AndExpr();
  while (!HasError() && FToken == "or") {
    NextToken();
    // Both sides are always evaluated: the right one has to be read anyway.
    const bool right = AndExpr().AsBoolean();
    result = TExprValue::Boolean(result.AsBoolean() || right);
  }
  return result;
}

TExprValue TExpressionParser::AndExpr() {
  if (HasError()) return TExprValue::Boolean(false);
  TExprValue result = NotExpr();
  while (!HasError() && FToken == "and") {
    NextToken();
    const bool right = NotExpr().AsBoolean();
    result = TExprValue::Boolean(result.AsBoolean() && right);
  }
  return result;
}

TExprValue TExpressionParser::NotExpr() {
  if (HasError()) return TExprValue::Boolean(false);
  if (FToken != "not") return ParenthesesExpr();
  NextToken();
  return TExprValue::Boolean(!ParenthesesExpr().AsBoolean());
}

// A parenthesis at the start of a condition encloses a whole condition,
// and the parenthesised condition is the operand: "(a > 1) and b" works,
// while in "(1 + 2) * 3" the expression ends at the closing parenthesis.
TExprValue TExpressionParser::ParenthesesExpr() {
  if (HasError()) return TExprValue::Boolean(false);
  if (FToken != "(") return EqExpr();
  if (!EnterNesting()) return TExprValue::Boolean(false);
  NextToken();
  TExprValue result = OrExpr();
  LeaveNesting();
  if (FToken != ")") {
    SetError(")");
    return TExprValue::Boolean(false);
  }
  NextToken();
  return result;
}

TExprValue TExpressionParser::EqExpr() {
  if (HasError()) return TExprValue::Boolean(false);
  TExprValue left = StrConcatExpr();
  if (HasError()) return TExprValue::Boolean(false);
  const int op = FindName(ComparisonOperators(), FToken);
  if (op < 0) return left;
  NextToken();
  const TExprValue right = StrConcatExpr();
  if (HasError()) return TExprValue::Boolean(false);
  return CompareValues(op, left, right);
}

TExprValue TExpressionParser::StrConcatExpr() {
  if (HasError()) return TExprValue::Text({});
  TExprValue result = SumExpr();
  while (!HasError() && FToken == "&") {
    NextToken();
    const std::string right = SumExpr().AsText();
    result = TExprValue::Text(result.AsText() + right);
  }
  return result;
}

TExprValue TExpressionParser::SumExpr() {
  if (HasError()) return TExprValue::Text({});
  TExprValue result = MulExpr();
  while (!HasError() && FToken.size() == 1 && (FToken[0] == '+' || FToken[0] == '-')) {
    const char op = FToken[0];
    NextToken();
    const std::string right = MulExpr().AsText();
    result = TExprValue::Text(ProcessOp(result.AsText(), op, right));
  }
  return result;
}

TExprValue TExpressionParser::MulExpr() {
  if (HasError()) return TExprValue::Text({});
  TExprValue result = PotExpr();
  while (!HasError() && FToken.size() == 1 && (FToken[0] == '*' || FToken[0] == '/')) {
    const char op = FToken[0];
    NextToken();
    const std::string right = PotExpr().AsText();
    result = TExprValue::Text(ProcessOp(result.AsText(), op, right));
  }
  return result;
}

TExprValue TExpressionParser::PotExpr() {
  if (HasError()) return TExprValue::Text({});
  TExprValue result = SignExpr();
  while (!HasError() && FToken == "^") {
    NextToken();
    const std::string right = SignExpr().AsText();
    result = TExprValue::Text(ProcessOp(result.AsText(), '^', right));
  }
  return result;
}

TExprValue TExpressionParser::SignExpr() {
  if (HasError()) return TExprValue::Text({});
  if (FToken != "-") return ElementExpr();
  NextToken();
  return Negated(ElementExpr().AsText());
}

TExprValue TExpressionParser::ElementExpr() {
  if (HasError()) return TExprValue::Text({});
  // The end of the text, a closing parenthesis or an argument separator
  // where an operand belongs stand for an empty operand; they are left for
  // the level that expects them, so "()" and "Root(, 2)" do not swallow
  // the parenthesis or the comma.
  if (FToken.empty() || FToken == ")" || FToken == ",") return {};
  const Extended x = ExprTextToNumber(FToken);
  if (HasValue(x) && FitsReal(x)) {
    NextToken();
    return TExprValue::Real(static_cast<double>(x));
  }
  if (FToken == "(") {
    if (!EnterNesting()) return TExprValue::Text({});
    NextToken();
    TExprValue result = StrConcatExpr();
    LeaveNesting();
    if (FToken != ")") {
      SetError(")");
      return TExprValue::Text({});
    }
    NextToken();
    return result;
  }
  if (FToken[0] == '"') {
    std::string text;
    for (char c : FToken)
      if (c != '"') text += c;
    NextToken();
    return TExprValue::Text(std::move(text));
  }
  return FuncExpr();
}

TExprValue TExpressionParser::FuncExpr() {
  std::vector<std::string> path{FToken};
  NextToken();
  while (FToken == ".") {
    NextToken();
    path.push_back(FToken);
    NextToken();
  }
  std::vector<std::string> arguments;
  if (FToken == "(") {
    if (!EnterNesting()) return TExprValue::Text({});
    const bool complete = ParamExpr(IsBuiltInName(path.front()), arguments);
    LeaveNesting();
    if (!complete) return TExprValue::Text({});
  }
  // Arguments may hold elements of their own; the lists are set only now,
  // when this element is evaluated.
  FNamePath = std::move(path);
  FArguments = std::move(arguments);
  TExprValue result = FunctionCall();
  if (HasError()) return TExprValue::Text({});
  if (OnUnresolvedElement && result.AsText().empty())
    result = TExprValue::Text(OnUnresolvedElement(FNamePath, FArguments));
  return result;
}

bool TExpressionParser::ParamExpr(bool evaluate, std::vector<std::string>& arguments) {
  NextToken();  // "("
  if (FToken == ")") {
    NextToken();
    return true;
  }
  for (;;) {
    if (evaluate) {
      arguments.push_back(SumExpr().AsText());
    } else if (FToken == ")" || FToken == "," || FToken.empty()) {
      arguments.emplace_back();
    } else {
      arguments.push_back(FToken);
      NextToken();
    }
    if (HasError()) return false;
    if (FToken == ",") {
      NextToken();
      continue;
    }
    if (FToken == ")") {
      NextToken();
      return true;
    }
    SetError(")");
    return false;
  }
}

TExprValue TExpressionParser::FunctionCall() {
  if (!IsNumericalFunction()) return {};
  return BuiltInFunction(FNamePath.front(), FArguments);
}

// --- compiled expressions ---------------------------------------------------

// The tree of an expression. Operator chains ("a + b - c", "x or y or z")
// are one node with their operands in order, so that a long chain does not
// make a deep tree; depth comes only from parentheses and argument lists,
// which the parser limits to ExprMaxNesting.
class TCompiledExpression {
 public:
  enum class TKind {
    Empty,    // an operand left out: "()", "Root(, 2)"
    Or, And,  // boolean chains; every operand is evaluated
    Not,
    Compare,  // Operators[0] is the index into ComparisonOperators()
    Concat,   // "&" chain
    Arith,    // "+ -", "* /" or "^" chain; Operators[i] precedes operand i + 1
    Negate,   // unary "-"
    Number, Text,
    Element,  // a name path with its arguments
  };
  struct TNode {
    TKind Kind = TKind::Empty;
    std::vector<int> Operands;  // chains; evaluated arguments of an element
    std::string Operators;
    double Number = 0;
    std::string Text;
    std::vector<std::string> Path;           // element
    std::vector<std::string> RawArguments;   // element, arguments taken as tokens
    bool EvaluatedArguments = false;         // a built-in function's arguments
    bool BuiltIn = false;                    // the first name is a built-in function's
    size_t Position = 0;                     // the reading position after the element
  };

  std::string Source;
  bool SyntaxError = false;
  std::vector<TNode> Nodes;
  int Root = -1;

  int Add(TNode node) {
    Nodes.push_back(std::move(node));
    return static_cast<int>(Nodes.size()) - 1;
  }
};

std::shared_ptr<const TCompiledExpression> TExpressionParser::Compile(const std::string& text) {
  auto e = std::make_shared<TCompiledExpression>();
  e->Source = text;
  TExpressionParser reader;
  reader.FText = text;
  reader.NextToken();
  e->Root = reader.CompileOr(*e);
  e->SyntaxError = reader.HasError() || e->Root < 0;
  if (e->SyntaxError) e->Nodes.clear();
  return e;
}

TExprValue TExpressionParser::Evaluate(const TCompiledExpression& e) {
  if (e.SyntaxError) return ParseStr(e.Source);
  FPos = 1;
  FErrorPos = 0;
  FDepth = 0;
  FErrorMessage.clear();
  FNamePath.clear();
  FArguments.clear();
  TExprValue result = EvaluateNode(e, e.Root);
  return HasError() ? TExprValue::Boolean(false) : result;
}

// A run of operands joined by one word ("a or b or c", "a and b"), one node
// with all of them; a single operand stands for itself.
int TExpressionParser::CompileJoined(TCompiledExpression& e, bool disjunction) {
  const char* word = disjunction ? "or" : "and";
  const auto operand = [&] { return disjunction ? CompileAnd(e) : CompileNot(e); };
  const int first = operand();
  if (HasError() || FToken != word) return first;
  TCompiledExpression::TNode n;
  n.Kind = disjunction ? TCompiledExpression::TKind::Or : TCompiledExpression::TKind::And;
  n.Operands.push_back(first);
  while (!HasError() && FToken == word) {
    NextToken();
    n.Operands.push_back(operand());
  }
  return HasError() ? -1 : e.Add(std::move(n));
}

int TExpressionParser::CompileOr(TCompiledExpression& e) { return CompileJoined(e, true); }
int TExpressionParser::CompileAnd(TCompiledExpression& e) { return CompileJoined(e, false); }

namespace {

// A node of one operand (not, a leading minus); -1 after an error.
int UnaryNode(TCompiledExpression& e, TCompiledExpression::TKind kind, int operand, bool error) {
  if (error) return -1;
  TCompiledExpression::TNode n;
  n.Kind = kind;
  n.Operands.push_back(operand);
  return e.Add(std::move(n));
}

}  // namespace

int TExpressionParser::CompileNot(TCompiledExpression& e) {
  if (FToken != "not") return CompileParentheses(e);
  NextToken();
  const int operand = CompileParentheses(e);
  return UnaryNode(e, TCompiledExpression::TKind::Not, operand, HasError());
}

int TExpressionParser::CompileParentheses(TCompiledExpression& e) {
  if (FToken != "(") return CompileEq(e);
  if (!EnterNesting()) return -1;
  NextToken();
  const int inner = CompileOr(e);
  LeaveNesting();
  if (HasError()) return -1;
  if (FToken != ")") {
    SetError(")");
    return -1;
  }
  NextToken();
  return inner;
}

int TExpressionParser::CompileEq(TCompiledExpression& e) {
  const int left = CompileChain(e, 0);
  if (HasError()) return -1;
  const int op = FindName(ComparisonOperators(), FToken);
  if (op < 0) return left;
  NextToken();
  const int right = CompileChain(e, 0);
  if (HasError()) return -1;
  TCompiledExpression::TNode n;
  n.Kind = TCompiledExpression::TKind::Compare;
  n.Operators.push_back(static_cast<char>(op));
  n.Operands = {left, right};
  return e.Add(std::move(n));
}

// Level 0: "&", 1: "+ -", 2: "* /", 3: "^" over signed elements.
int TExpressionParser::CompileChain(TCompiledExpression& e, int level) {
  auto next = [&] { return level == 3 ? CompileSign(e) : CompileChain(e, level + 1); };
  auto isOperator = [&] {
    if (level == 0) return FToken == "&";
    if (FToken.size() != 1) return false;
    const char c = FToken[0];
    return level == 1 ? c == '+' || c == '-' : level == 2 ? c == '*' || c == '/' : c == '^';
  };
  const int first = next();
  if (HasError() || !isOperator()) return first;
  TCompiledExpression::TNode n;
  n.Kind = level == 0 ? TCompiledExpression::TKind::Concat : TCompiledExpression::TKind::Arith;
  n.Operands.push_back(first);
  while (!HasError() && isOperator()) {
    n.Operators.push_back(FToken[0]);
    NextToken();
    n.Operands.push_back(next());
  }
  return HasError() ? -1 : e.Add(std::move(n));
}

int TExpressionParser::CompileSign(TCompiledExpression& e) {
  if (FToken != "-") return CompileElement(e);
  NextToken();
  const int operand = CompileElement(e);
  return UnaryNode(e, TCompiledExpression::TKind::Negate, operand, HasError());
}

int TExpressionParser::CompileElement(TCompiledExpression& e) {
  TCompiledExpression::TNode n;
  if (FToken.empty() || FToken == ")" || FToken == ",") return e.Add(std::move(n));
  const Extended x = ExprTextToNumber(FToken);
  if (HasValue(x) && FitsReal(x)) {
    NextToken();
    n.Kind = TCompiledExpression::TKind::Number;
    n.Number = static_cast<double>(x);
    return e.Add(std::move(n));
  }
  if (FToken == "(") {
    if (!EnterNesting()) return -1;
    NextToken();
    const int inner = CompileChain(e, 0);
    LeaveNesting();
    if (HasError()) return -1;
    if (FToken != ")") {
      SetError(")");
      return -1;
    }
    NextToken();
    return inner;
  }
  if (FToken[0] == '"') {
    n.Kind = TCompiledExpression::TKind::Text;
    for (char c : FToken)
      if (c != '"') n.Text += c;
    NextToken();
    return e.Add(std::move(n));
  }
  return CompileFunc(e);
}

int TExpressionParser::CompileFunc(TCompiledExpression& e) {
  TCompiledExpression::TNode n;
  n.Kind = TCompiledExpression::TKind::Element;
  n.Path.push_back(FToken);
  n.BuiltIn = IsBuiltInName(FToken);
  NextToken();
  while (FToken == ".") {
    NextToken();
    n.Path.push_back(FToken);
    NextToken();
  }
  if (FToken == "(") {
    if (!EnterNesting()) return -1;
    n.EvaluatedArguments = IsBuiltInName(n.Path.front());
    NextToken();  // "("
    bool complete = false;
    if (FToken == ")") {
      NextToken();
      complete = true;
    }
    while (!complete) {
      if (n.EvaluatedArguments) {
        n.Operands.push_back(CompileChain(e, 1));
      } else if (FToken == ")" || FToken == "," || FToken.empty()) {
        n.RawArguments.emplace_back();
      } else {
        n.RawArguments.push_back(FToken);
        NextToken();
      }
      if (HasError()) break;
      if (FToken == ",") {
        NextToken();
        continue;
      }
      if (FToken == ")") {
        NextToken();
        complete = true;
        break;
      }
      SetError(")");
      break;
    }
    LeaveNesting();
    if (!complete) return -1;
  }
  n.Position = FPos;
  return e.Add(std::move(n));
}

TExprValue TExpressionParser::EvaluateNode(const TCompiledExpression& e, int index) {
  using K = TCompiledExpression::TKind;
  const TCompiledExpression::TNode& n = e.Nodes[static_cast<size_t>(index)];
  switch (n.Kind) {
    case K::Empty: return {};
    case K::Number: return TExprValue::Real(n.Number);
    case K::Text: return TExprValue::Text(n.Text);
    case K::Or:
    case K::And: {
      bool value = EvaluateNode(e, n.Operands[0]).AsBoolean();
      for (size_t i = 1; i < n.Operands.size(); ++i) {
        const bool right = EvaluateNode(e, n.Operands[i]).AsBoolean();
        value = n.Kind == K::Or ? value || right : value && right;
      }
      return TExprValue::Boolean(value);
    }
    case K::Not: return TExprValue::Boolean(!EvaluateNode(e, n.Operands[0]).AsBoolean());
    case K::Compare: {
      // Left before right: an element may raise an error the right side must see.
      const TExprValue left = EvaluateNode(e, n.Operands[0]);
      const TExprValue right = EvaluateNode(e, n.Operands[1]);
      return CompareValues(n.Operators[0], left, right);
    }
    case K::Concat: {
      std::string text = EvaluateNode(e, n.Operands[0]).AsText();
      for (size_t i = 1; i < n.Operands.size(); ++i) text += EvaluateNode(e, n.Operands[i]).AsText();
      return TExprValue::Text(std::move(text));
    }
    case K::Arith: {
      std::string text = EvaluateNode(e, n.Operands[0]).AsText();
      for (size_t i = 1; i < n.Operands.size(); ++i) {
        const std::string right = EvaluateNode(e, n.Operands[i]).AsText();
        text = ProcessOp(text, n.Operators[i - 1], right);
      }
      return TExprValue::Text(std::move(text));
    }
    case K::Negate: return Negated(EvaluateNode(e, n.Operands[0]).AsText());
    case K::Element: break;
  }
  // After an error no further element is asked for; the result is false.
  if (HasError()) return {};
  std::vector<std::string> arguments;
  if (n.EvaluatedArguments) {
    arguments.reserve(n.Operands.size());
    for (int operand : n.Operands) {
      arguments.push_back(EvaluateNode(e, operand).AsText());
      if (HasError()) return {};
    }
  } else {
    arguments = n.RawArguments;
  }
  FNamePath = n.Path;
  FArguments = std::move(arguments);
  FPos = n.Position;
  FBuiltIn = n.BuiltIn ? 1 : 0;
  TExprValue result = FunctionCall();
  FBuiltIn = -1;
  if (HasError()) return TExprValue::Text({});
  if (OnUnresolvedElement && result.AsText().empty())
    result = TExprValue::Text(OnUnresolvedElement(FNamePath, FArguments));
  return result;
}

}  // namespace torvacalc
