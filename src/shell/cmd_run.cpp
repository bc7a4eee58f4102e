// torvacalc run CASE: the whole valve calculation. The assignments of the
// case file (and of the command line after it) are the user's entries into
// the main module, made inside one bulk-set bracket so that the
// calculation settles once with all of them; then the operating points are
// printed side by side.
#include <ostream>

#include "files/calculation_file.h"
#include "shell/commands.h"
#include "shell/points_table.h"
#include "workspace/entries.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc run CASE [--json] [--all] [--lang de|en] [-o FILE.cvc] [NAME=TEXT ...]\n\n"
    "Builds the whole valve calculation (medium, pipe, the operating points\n"
    "1, 2, 3 and X with their flows), enters the assignments of the case\n"
    "file CASE and then those of the command line, lets the calculation\n"
    "settle once and prints it: the values that serve every point, the\n"
    "points side by side with their units, and the messages grouped by the\n"
    "point they concern. Rows without any value are left out (--all shows\n"
    "them); a point that is off (NoOfEnteredOps, UseXthOp) has an empty\n"
    "column. --json prints one JSON object instead; --lang chooses the\n"
    "language of captions and messages as the global option does.\n"
    "-o FILE.cvc saves the calculation, which torvacalc show prints again\n"
    "in the same form.\n\n"
    "Assignments name the items of the main module; a value of point 2, 3\n"
    "or X carries the suffix Ap2, Ap3 or ApX (P1Ap2=5 bar(a)). Values,\n"
    "switches and texts are written as for torvacalc module (see torvacalc\n"
    "module --help); a case file has one NAME = TEXT per line, blank lines\n"
    "and lines starting with # are left out.\n\n"
    "Example: torvacalc run examples/points.case 'Qm=30 t/h'\n";

int RunRun(const std::vector<std::string>& args, CommandContext& ctx) {
  bool json = false, allRows = false;
  std::string caseFile, outputFile;
  std::vector<std::string> assignments;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--all") {
      allRows = true;
    } else if (TakeLanguageOption(args, i, ctx.err)) {
      // before the calculation is built: its lists are in that language
    } else if (a == "-o") {
      if (i + 1 >= args.size() || args[i + 1].empty()) throw EUsage("-o needs a file name");
      outputFile = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      throw EUsage("unknown option \"" + a + "\" (see torvacalc run --help)");
    } else if (caseFile.empty() && a.find('=') == std::string::npos) {
      caseFile = a[0] == '@' ? a.substr(1) : a;
    } else if (!a.empty() && a[0] == '@') {
      const auto lines = ReadCaseFile(a.substr(1));
      assignments.insert(assignments.end(), lines.begin(), lines.end());
    } else {
      assignments.push_back(a);
    }
  }
  if (caseFile.empty()) throw EUsage("run needs a CASE file (see torvacalc run --help)");
  std::vector<std::string> entries = ReadCaseFile(caseFile);
  entries.insert(entries.end(), assignments.begin(), assignments.end());

  TTorvaWorkspace workspace;
  workspace.EnterAll(entries);
  const TCustomSCMSubstances& calc = workspace.Calculation();

  if (!outputFile.empty()) {
    try {
      workspace.Save(outputFile);
    } catch (const ECalculationFile& e) {
      throw EUsage(e.what());
    } catch (const EHXFileWriteError& e) {
      throw EUsage(outputFile + ": " + e.what());
    }
  }
  if (json)
    PrintPointsJson(calc, ctx.out);
  else
    PrintPointsTable(calc, ctx.out, allRows);
  return ExitOk;
}

}  // namespace

Command RunCommand() {
  return {"run", "the whole valve calculation from a case file: operating points side by side",
          kUsage, RunRun};
}

}  // namespace torvacalc
