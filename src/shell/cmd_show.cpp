// torvacalc show FILE: opens a calculation file, rebuilds the calculation
// it names, computes it and prints it: a whole valve calculation as
// `torvacalc run` does, a module on its own as `torvacalc module` does.
#include <optional>
#include <ostream>

#include "shell/commands.h"
#include "shell/module_table.h"
#include "shell/points_table.h"
#include "workspace/opened_file.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc show [--json] [--all] [--lang de|en] [--units si|us] FILE\n\n"
    "Opens a calculation file written by torvacalc (with torvacalc run ...\n"
    "-o FILE.cvc or torvacalc module valve ... -o FILE.cvc), rebuilds the\n"
    "calculation it holds, computes it and prints it in the form of the\n"
    "command that wrote it: a whole calculation with its operating points\n"
    "side by side as torvacalc run, a single module with every item and\n"
    "message as torvacalc module (--all: also the items without a value).\n"
    "The values are shown in the units the file was saved with; --units si\n"
    "or --units us shows every value in SI or US customary units.\n"
    "A missing, damaged or unknown file ends with one line on stderr and\n"
    "exit code 2.\n";

int RunShow(const std::vector<std::string>& args, CommandContext& ctx) {
  bool json = false, allRows = false;
  std::optional<TUnitPreset> units;
  std::string fileName;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (TakeLanguageOption(args, i, ctx.err) || TakeUnitsOption(args, i, units))
      continue;
    else if (a == "--json")
      json = true;
    else if (a == "--all")
      allRows = true;
    else if (!a.empty() && a[0] == '-')
      throw EUsage("unknown option \"" + a + "\" (see torvacalc show --help)");
    else if (fileName.empty())
      fileName = a;
    else
      throw EUsage("show takes one FILE");
  }
  if (fileName.empty()) throw EUsage("show needs a FILE (see torvacalc show --help)");
  auto kept = std::make_shared<TOpenedCalculation>(OpenCalculationFile(fileName));
  KeepToProcessEnd(kept);
  TOpenedCalculation& opened = *kept;
  for (const std::string& n : opened.notices) ctx.err << "torvacalc: " << TerminalText(n) << "\n";
  if (opened.whole) {
    TTorvaWorkspace& workspace = *opened.whole;
    if (units) workspace.ApplyUnitPreset(*units);
    if (json)
      PrintPointsJson(workspace.Calculation(), workspace.Layout(), ctx.out);
    else
      PrintPointsTable(workspace.Calculation(), workspace.Layout(), ctx.out, allRows);
    return ExitOk;
  }
  if (units) ApplyUnitPreset(opened.module->Module(), *units);
  PrintStandalone(*opened.module, ctx.out, json, allRows);
  return ExitOk;
}

}  // namespace

Command ShowCommand() {
  return {"show", "open a calculation file, recalculate and print it", kUsage, RunShow};
}

}  // namespace torvacalc
