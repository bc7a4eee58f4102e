// torvacalc eval: evaluates a template expression and prints its value.
#include <ostream>

#include "output/expression_parser.h"
#include "shell/commands.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc eval EXPR\n\n"
    "Evaluates a template expression the way export templates do and prints\n"
    "its value: a number, a text, True or False, or an empty line. Several\n"
    "arguments are joined with blanks.\n\n"
    "  numbers        1.5  2E-3   (\".\" only; \"1,5\" is no number)\n"
    "  texts          \"abc\"  (\"\" inside a text is dropped)\n"
    "  arithmetic     + - * / ^   (write a blank after a number: 2 - 1)\n"
    "  text joining   &\n"
    "  comparisons    = <> < > <= >=  (numbers to 10 digits, texts ignore case)\n"
    "  conditions     and or not\n"
    "  functions      Root Sin Cos Tan ArcSin ArcCos ArcTan Sinh Cosh Tanh\n"
    "                 ArSinh ArCosh ArTanh Log Ten Ln Exp Rcp Sqr Cube Sqrt\n"
    "                 CubeRoot Abs Sgn Int Round Pi\n\n"
    "Names that are not functions have no value here. A syntax error is\n"
    "reported as \"error at N: MESSAGE\" (N counts characters from 1) with\n"
    "exit code 1.\n\n"
    "Example: torvacalc eval 'not (1 > 2) and Root(16, 2) = 4'\n";

bool IsFileOption(const std::string& arg, const char* name) {
  const std::string option = std::string("--") + name;
  return arg == option || arg.rfind(option + "=", 0) == 0;
}

int RunEval(const std::vector<std::string>& args, CommandContext& ctx) {
  std::string expr;
  bool literal = false;
  for (const std::string& arg : args) {
    if (!literal && arg == "--") {
      literal = true;
      continue;
    }
    // A leading minus belongs to the expression ("-2 ^ 2"); only long
    // options are options.
    if (!literal && arg.rfind("--", 0) == 0) {
      if (IsFileOption(arg, "source") || IsFileOption(arg, "dest"))
        throw EUsage(arg.substr(0, arg.find('=')) +
                     " is not available: this version cannot read calculation files yet");
      throw EUsage("unknown option \"" + arg + "\" (see torvacalc eval --help)");
    }
    expr += (expr.empty() ? "" : " ") + arg;
  }
  if (args.empty()) throw EUsage("eval needs an expression (see torvacalc eval --help)");
  TExpressionParser parser;
  const TExprValue value = parser.ParseStr(expr);
  if (parser.ErrorPos() != 0) {
    ctx.err << "error at " << parser.ErrorPos() << ": " << parser.ErrorMessage() << "\n";
    return ExitFailure;
  }
  ctx.out << value.AsText() << "\n";
  return ExitOk;
}

}  // namespace

Command EvalCommand() {
  return {"eval", "evaluate a template expression", kUsage, RunEval};
}

}  // namespace torvacalc
