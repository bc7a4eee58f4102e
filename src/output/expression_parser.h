// Template expressions: conditions, arithmetic and text joining over values
// that export templates and mapping rules look up by name. ParseStr
// evaluates in one pass of recursive descent over the token stream;
// Compile reads the same grammar once into a tree that Evaluate walks for
// every calculation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

// The value of an expression: empty, a real number (64-bit, as templates
// store it), an integer (results of Sgn, Round and integer attributes), a
// text or a boolean. Arithmetic results travel as text; every operator
// reads its operands back as numbers when it can.
class TExprValue {
 public:
  enum class TKind { Empty, Real, Integer, Text, Boolean };

  TExprValue() = default;
  static TExprValue Real(double v) { return TExprValue(v); }
  static TExprValue Integer(std::int64_t v) { return TExprValue(v); }
  static TExprValue Text(std::string v) { return TExprValue(std::move(v)); }
  static TExprValue Boolean(bool v) { return TExprValue(v); }

  TKind Kind() const { return static_cast<TKind>(FValue.index()); }
  bool IsEmpty() const { return Kind() == TKind::Empty; }

  // Text form: "" for empty, the shortest text that reads back as the same
  // 64-bit real, decimal integers, "True"/"False".
  std::string AsText() const;
  // Boolean form: numbers are true when not 0; texts "true"/"false" (any
  // case) or texts that read as numbers; anything else is false.
  bool AsBoolean() const;
  // The number a value stands for (a real, an integer, or a text that reads
  // as a number), NoValue otherwise. Booleans are not numbers.
  Extended AsNumber() const;
  bool IsNumber() const { return HasValue(AsNumber()); }

  bool operator==(const TExprValue& other) const = default;

 private:
  explicit TExprValue(double v) : FValue(v) {}
  explicit TExprValue(std::int64_t v) : FValue(v) {}
  explicit TExprValue(std::string v) : FValue(std::move(v)) {}
  explicit TExprValue(bool v) : FValue(v) {}

  std::variant<std::monostate, double, std::int64_t, std::string, bool> FValue;
};

// Reads a token or a text as a number: decimal point "." only, optional
// sign and exponent, blanks around it ignored; "1,5" is not a number.
// NoValue when it does not read.
Extended ExprTextToNumber(const std::string& text);

// The text of an arithmetic result: general format with up to 15
// significant digits and "." as decimal point ("0.3", "1E20", "-2.5E-7"),
// so that a chained operation reads it back as a number. Empty for values
// that are not finite.
std::string ExprNumberText(Extended value);

// Deepest nesting of parentheses and function calls an expression may
// have. The parser descends recursively; the limit keeps a hostile
// expression from exhausting the stack, and is far beyond any real template.
inline constexpr int ExprMaxNesting = 256;

// An expression parsed once (expression_parser.cpp), evaluated by
// TExpressionParser::Evaluate as often as needed.
class TCompiledExpression;

class TExpressionParser {
 public:
  // Asked for an element that the parser (and a derived parser) could not
  // resolve: the name path (the identifier and the names after dots, lower
  // case) and the arguments (raw tokens, or evaluated texts for built-in
  // functions). The returned text becomes the element's value.
  using TUnresolvedElementEvent = std::function<std::string(
      const std::vector<std::string>& namePath, const std::vector<std::string>& arguments)>;

  // The comparison operators, index 0 to 5.
  static const std::vector<std::string>& ComparisonOperators();
  // The built-in function names, index 0 to 27.
  static const std::vector<std::string>& FunctionNames();

  TExpressionParser() = default;
  virtual ~TExpressionParser() = default;
  TExpressionParser(const TExpressionParser&) = delete;
  TExpressionParser& operator=(const TExpressionParser&) = delete;

  // Evaluates `text`. After a syntax error ErrorPos() is its position
  // (counted from 1) and ErrorMessage() the translated message; the result
  // is then false. Tokens after a complete expression are not read.
  TExprValue ParseStr(const std::string& text);

  // Parses `text` once into a tree that Evaluate walks, so that an
  // expression used for many calculations is read only once. Evaluate
  // gives what ParseStr(text) gives, with the same elements asked in the
  // same order; an expression with a syntax error is read again by
  // ParseStr at each evaluation, so that its error is reported as ParseStr
  // reports it.
  static std::shared_ptr<const TCompiledExpression> Compile(const std::string& text);
  TExprValue Evaluate(const TCompiledExpression& expression);

  int ErrorPos() const { return FErrorPos; }
  const std::string& ErrorMessage() const { return FErrorMessage; }

  TUnresolvedElementEvent OnUnresolvedElement;

 protected:
  // Evaluates the element whose name path and arguments were just
  // collected (NamePath(), Arguments()). The base gives the built-in
  // functions; a derived parser calls it first and resolves its own names
  // when the result is empty. An empty result asks OnUnresolvedElement.
  virtual TExprValue FunctionCall();

  // True when the first name of the path is a built-in function; the
  // arguments of such an element are evaluated, those of any other
  // element are taken as raw tokens.
  bool IsNumericalFunction() const;

  const std::vector<std::string>& NamePath() const { return FNamePath; }
  const std::vector<std::string>& Arguments() const { return FArguments; }

  // Sets the syntax error "<expected>" expected at the current position,
  // unless an error is set already; evaluation stops at every level.
  void SetError(const std::string& expected);
  bool HasError() const { return FErrorPos != 0; }

 private:
  void NextToken();
  static bool IsBuiltInName(const std::string& name);

  TExprValue OrExpr();
  TExprValue AndExpr();
  TExprValue NotExpr();
  TExprValue ParenthesesExpr();
  TExprValue EqExpr();
  TExprValue StrConcatExpr();
  TExprValue SumExpr();
  TExprValue MulExpr();
  TExprValue PotExpr();
  TExprValue SignExpr();
  TExprValue ElementExpr();
  TExprValue FuncExpr();
  bool ParamExpr(bool evaluate, std::vector<std::string>& arguments);
  // Enters one level of nesting; false (with the error set) beyond
  // ExprMaxNesting. Every successful call is paired with LeaveNesting.
  bool EnterNesting();
  void LeaveNesting() { --FDepth; }

  // The compiler: the grammar of the functions above, building nodes
  // (their index, -1 after an error) instead of values.
  int CompileJoined(TCompiledExpression& e, bool disjunction);
  int CompileOr(TCompiledExpression& e);
  int CompileAnd(TCompiledExpression& e);
  int CompileNot(TCompiledExpression& e);
  int CompileParentheses(TCompiledExpression& e);
  int CompileEq(TCompiledExpression& e);
  int CompileChain(TCompiledExpression& e, int level);
  int CompileSign(TCompiledExpression& e);
  int CompileElement(TCompiledExpression& e);
  int CompileFunc(TCompiledExpression& e);
  TExprValue EvaluateNode(const TCompiledExpression& e, int node);

  std::string FText;
  size_t FPos = 1;        // next character to read, counted from 1
  std::string FToken;
  int FErrorPos = 0;      // 0: no error
  int FDepth = 0;         // open parentheses and argument lists
  std::string FErrorMessage;
  std::vector<std::string> FNamePath;
  std::vector<std::string> FArguments;
  // Whether the element being evaluated names a built-in function, as its
  // compiled node knows it (-1: not known, look the name up).
  int FBuiltIn = -1;
};

// Text arithmetic of template expressions: both operands read as numbers
// give the text of the result ("^" raises a to the power b); otherwise the
// two texts are joined around the operator ("abc" + 1 gives "abc+1").
// Results that are not finite (division by zero, a negative base with a
// fractional power) and operators other than + - * / ^ give empty text.
std::string ProcessOp(const std::string& a, char op, const std::string& b);

// The built-in functions on argument texts; empty for an unknown name, a
// wrong number of arguments, an argument that is not a number or a result
// outside the real numbers.
TExprValue BuiltInFunction(const std::string& name, const std::vector<std::string>& arguments);

}  // namespace torvacalc
