// torvacalc eval: evaluates a template expression and prints its value.
#include <memory>
#include <ostream>

#include "files/hx_file.h"
#include "output/hx_expression_parser.h"
#include "shell/commands.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc eval EXPR [--source FILE] [--dest FILE]\n\n"
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
    "With calculation files (--source, --dest; the source is the default):\n"
    "  kv.value       a parameter's value in its display unit (also sivalue,\n"
    "                 unit, quantity, checked, isinput, isdatabase,\n"
    "                 iscalculated, overwritten, canbeoverwritten, note,\n"
    "                 hasnote, comment, hascomment, or any stored attribute)\n"
    "  param(kv, value)  the same; DestCalc.kv.value reads the destination\n"
    "  filename  filepath  fullfilename  addparam(NAME)  hasvalue(NAME)\n\n"
    "Names without a meaning have no value. A syntax error is reported as\n"
    "\"error at N: MESSAGE\" (N counts characters from 1) with exit code 1;\n"
    "a calculation file that cannot be read ends with exit code 2.\n\n"
    "Example: torvacalc eval 'not (1 > 2) and Root(16, 2) = 4'\n"
    "         torvacalc eval --source liquid.cvc 'kv.value > 100 and kv.iscalculated'\n";

bool IsFileOption(const std::string& arg, const char* name) {
  const std::string option = std::string("--") + name;
  return arg == option || arg.rfind(option + "=", 0) == 0;
}

std::unique_ptr<THXFile> LoadCalculation(const std::string& fileName) {
  RequireRegularFile(fileName);
  auto file = std::make_unique<THXFile>();
  try {
    file->Load(fileName);
  } catch (const EHXFileReadError& e) {
    throw EUsage(fileName + ": " + e.what());
  } catch (const EHXFileOpenError& e) {
    throw EUsage(fileName + ": " + e.what());
  }
  return file;
}

int RunEval(const std::vector<std::string>& args, CommandContext& ctx) {
  std::string expr, sourceFile, destFile;
  bool literal = false, hasExpr = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!literal && arg == "--") {
      literal = true;
      continue;
    }
    // A leading minus belongs to the expression ("-2 ^ 2"); only long
    // options are options.
    if (!literal && arg.rfind("--", 0) == 0) {
      const bool source = IsFileOption(arg, "source");
      if (!source && !IsFileOption(arg, "dest"))
        throw EUsage("unknown option \"" + arg + "\" (see torvacalc eval --help)");
      std::string value;
      const std::size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
      } else {
        if (i + 1 >= args.size()) throw EUsage(arg + " needs a calculation file");
        value = args[++i];
      }
      if (value.empty()) throw EUsage(arg.substr(0, eq) + " needs a calculation file");
      (source ? sourceFile : destFile) = value;
      continue;
    }
    expr += (expr.empty() ? "" : " ") + arg;
    hasExpr = true;
  }
  if (!hasExpr) throw EUsage("eval needs an expression (see torvacalc eval --help)");
  std::unique_ptr<THXFile> source, dest;
  if (!sourceFile.empty()) source = LoadCalculation(sourceFile);
  if (!destFile.empty()) dest = LoadCalculation(destFile);
  THXExpressionParser parser(source.get(), dest.get());
  const TExprValue value = parser.ParseStr(expr);
  if (parser.ErrorPos() != 0) {
    ctx.err << "error at " << parser.ErrorPos() << ": " << TerminalText(parser.ErrorMessage()) << "\n";
    return ExitFailure;
  }
  ctx.out << TerminalText(value.AsText()) << "\n";
  return ExitOk;
}

}  // namespace

Command EvalCommand() {
  return {"eval", "evaluate a template expression", kUsage, RunEval};
}

}  // namespace torvacalc
