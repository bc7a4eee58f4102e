// torvacalc module KIND: one calculation module on its own (the kinds:
// workspace/module_kinds.cpp). The assignments
// NAME=TEXT (from the command line and from case files) are applied in
// order while the module is inactive; it computes once when it is switched
// on, and every item and every message is printed.
#include <optional>
#include <ostream>

#include "files/calculation_file.h"
#include "shell/commands.h"
#include "shell/module_table.h"
#include "workspace/entries.h"
#include "workspace/module_kinds.h"
#include "workspace/opened_file.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc module KIND [--json] [--all] [--units si|us] [-o FILE] [@CASEFILE] [NAME=TEXT ...]\n\n"
    "Creates the calculation module of KIND on its own, applies the\n"
    "assignments in order, computes once and prints its items and every\n"
    "message (as a table, or with --json as one JSON object). The table\n"
    "leaves out the items without a value (--all shows them). With -o FILE\n"
    "the calculation is saved as a calculation file (valve: FILE.cvc), which\n"
    "torvacalc show and torvacalc info open again. --units si or --units us\n"
    "shows (and saves) every value in SI or US customary units once the\n"
    "assignments are made.\n\n"
    "Kinds:\n"
    "%KINDS%\n"
    "Assignments:\n"
    "  NAME=NUMBER [UNIT]   a parameter, e.g. p1=6.8 bar(a), eta1=0.31 mPa s;\n"
    "                       without a unit the parameter's current unit\n"
    "  NAME=ITEM | NAME=#N  a switch: the item text as shown, or item N\n"
    "                       counted from 0 (two-state switches: ja, nein)\n"
    "  NAME=TEXT            a text item\n"
    "  @FILE                the assignments of a case file: one NAME=TEXT per\n"
    "                       line, blank lines and lines starting with # ignored\n\n"
    "An assignment with a blank is one argument: quote it.\n\n"
    "Example: torvacalc module valve @examples/liquid.case 'qm=300 t/h' 'p1=680 kPa(a)'\n";

}  // namespace

namespace {

int RunModule(const std::vector<std::string>& args, CommandContext& ctx) {
  if (args.empty()) throw EUsage("module needs a KIND (see torvacalc module --help)");
  const std::string& kind = args[0];
  const TModuleKind* found = ModuleKindByName(kind);
  if (!found) throw EUsage("unknown module kind \"" + kind + "\" (known: " + ModuleKindNames() + ")");

  bool json = false, allRows = false;
  std::optional<TUnitPreset> units;
  std::string outputFile;
  std::vector<std::string> assignments;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--all") {
      allRows = true;
    } else if (TakeUnitsOption(args, i, units)) {
    } else if (a == "-o") {
      if (i + 1 >= args.size() || args[i + 1].empty()) throw EUsage("-o needs a file name");
      outputFile = args[++i];
    } else if (!a.empty() && a[0] == '@') {
      const auto lines = ReadCaseFile(a.substr(1));
      assignments.insert(assignments.end(), lines.begin(), lines.end());
    } else if (!a.empty() && a[0] == '-') {
      throw EUsage("unknown option \"" + a + "\" (see torvacalc module --help)");
    } else {
      assignments.push_back(a);
    }
  }

  const std::unique_ptr<TStandaloneModule> standalone = StandaloneWith(*found, assignments);
  TCalcModule* module = &standalone->Module();
  if (units) ApplyUnitPreset(*module, *units);

  if (!outputFile.empty()) {
    try {
      SaveModuleToFile(*module, outputFile, found->extension);
    } catch (const ECalculationFile& e) {
      throw EUsage(e.what());
    } catch (const EHXFileWriteError& e) {
      throw EUsage(outputFile + ": " + e.what());
    }
  }
  PrintStandalone(*standalone, ctx.out, json, allRows);
  return ExitOk;
}

}  // namespace

// The usage with a line for every kind of the kinds list.
std::string Usage() {
  std::string usage = kUsage;
  std::string kinds;
  for (const TModuleKind& k : ModuleKinds())
    kinds += "  " + Pad(k.kind, 16) + " " + k.title + " (" + k.className + ")\n";
  const std::string mark = "%KINDS%";
  return usage.replace(usage.find(mark), mark.size(), kinds);
}

Command ModuleCommand() {
  return {"module", "one calculation module on its own: assignments in, every item and message out",
          Usage(), RunModule};
}

}  // namespace torvacalc
