// torvacalc run CASE: the whole valve calculation. The assignments of the
// case file (and of the command line after it) are the user's entries into
// the main module, made inside one bulk-set bracket so that the
// calculation settles once with all of them; then the operating points are
// printed side by side.
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "files/calculation_file.h"
#include "framework/translation.h"
#include "shell/commands.h"
#include "shell/points_table.h"
#include "workspace/entries.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc run CASE [--json] [--all] [--lang de|en] [--units si|us] [--sort-points] [-o FILE.cvc]\n"
    "                 [NAME=TEXT ...]\n"
    "       torvacalc run --batch CASE... [--json] [--all] [--lang de|en] [--units si|us] [--sort-points]\n"
    "                 [--out-dir DIR] [--jobs N] [NAME=TEXT ...]\n\n"
    "Builds the whole valve calculation (medium, pipe, the operating points\n"
    "1, 2, 3 and X with their flows), enters the assignments of the case\n"
    "file CASE and then those of the command line, lets the calculation\n"
    "settle once and prints it: the values that serve every point, the\n"
    "points side by side with their units, and the messages grouped by the\n"
    "point they concern. Rows without any value are left out (--all shows\n"
    "them); a point that is off (NoOfEnteredOps, UseXthOp) has an empty\n"
    "column. --json prints one JSON object instead; --lang chooses the\n"
    "language of captions and messages as the global option does.\n"
    "--units si|us shows every value in SI units (bar, °C, kg/h, m³/h, Kv,\n"
    "mm) or in US customary units (psi, °F, lb/h, US gpm, Cv, in), after\n"
    "the entries are made (an entry without a unit is read in the unit the\n"
    "item shows; a result shows the unit its entry was given in).\n"
    "--sort-points orders the points 1, 2 and 3 by the flow through the\n"
    "valve after the entries are made (smallest first); each point's\n"
    "entries move with it.\n"
    "-o FILE.cvc saves the calculation, which torvacalc show prints again\n"
    "in the same form.\n\n"
    "Assignments name the items of the main module; a value of point 2, 3\n"
    "or X carries the suffix Ap2, Ap3 or ApX (P1Ap2=5 bar(a)). Values,\n"
    "switches and texts are written as for torvacalc module (see torvacalc\n"
    "module --help); a case file has one NAME = TEXT per line, blank lines\n"
    "and lines starting with # are left out.\n\n"
    "Many calculations in one process: torvacalc run --batch [--json]\n"
    "[--all] [--lang de|en] [--out-dir DIR] CASE... [NAME=TEXT ...] runs\n"
    "every CASE in the order given, each with the assignments of the\n"
    "command line after its own. With --json each calculation is one line\n"
    "holding its JSON object (the line of a case that cannot run holds\n"
    "null); without, each table follows a line \"== CASE ==\". --out-dir\n"
    "saves each calculation as DIR/NAME.cvc, NAME being the case file's\n"
    "name without its extension. A case that cannot run is named on\n"
    "standard error and the others run on; the exit code is then 2.\n"
    "--jobs N computes N cases at once (by default as many as the computer\n"
    "has hardware threads); the output is the same, in the order given.\n\n"
    "Example: torvacalc run examples/points.case 'Qm=30 t/h'\n"
    "         torvacalc run --batch --json examples/*.case > results.jsonl\n";

// One calculation: the case's entries, then the command line's; saved when
// `outputFile` is given, printed as a table or one line of JSON.
// `workspace` is new, or started again since its last case.
void RunOne(TTorvaWorkspace& workspace, const std::string& caseFile, const std::vector<std::string>& assignments,
            const std::string& outputFile, bool json, bool allRows, bool sortPoints,
            std::optional<TUnitPreset> units, std::ostream& out, std::ostream& err) {
  std::vector<std::string> entries = ReadCaseFile(caseFile);
  entries.insert(entries.end(), assignments.begin(), assignments.end());

  workspace.Super().UseHistory = false;  // printed once, never undone
  workspace.EnterAll(entries);
  if (sortPoints) workspace.SortOperatingPoints();
  if (units) workspace.ApplyUnitPreset(*units);
  const TCustomSCMSubstances& calc = workspace.Calculation();

  if (!outputFile.empty()) {
    // A file of a newer program version is replaced as asked, with a word
    // that what only that version keeps is gone.
    if (const std::string notice = NewerFileNotice(workspace.Super(), outputFile); !notice.empty())
      err << "torvacalc: " << Translate("Hinweis") << ": " << notice << "\n";
    try {
      workspace.Save(outputFile);
    } catch (const ECalculationFile& e) {
      throw EUsage(e.what());
    } catch (const EHXFileWriteError& e) {
      throw EUsage(outputFile + ": " + e.what());
    }
  }
  if (json)
    PrintPointsJson(calc, workspace.Layout(), out);
  else
    PrintPointsTable(calc, workspace.Layout(), out, allRows);
}

// The batch: every case on its own, a failure reported and passed over.
// Each of `jobs` workers builds one calculation and starts it again for
// each case it takes (the next not yet taken); what a case prints is kept
// until the cases before it are printed, and a worker waits rather than run
// far ahead of the printing, so a long batch does not pile up its output (a
// single worker prints each case as it ends).
int RunBatch(const std::vector<std::string>& cases, const std::vector<std::string>& assignments,
             const std::string& outDir, bool json, bool allRows, bool sortPoints,
             std::optional<TUnitPreset> units, int jobs, CommandContext& ctx) {
  if (cases.empty()) throw EUsage("run --batch needs at least one CASE file (see torvacalc run --help)");
  struct TDone {
    bool Ready = false, Failed = false;
    std::string Out, Err;
  };
  std::vector<TDone> done(cases.size());
  std::mutex lock;
  std::condition_variable ready;
  std::atomic<size_t> next{0};
  size_t printed = 0;  // under `lock`
  const size_t workers = std::min(cases.size(), static_cast<size_t>(std::max(jobs, 1)));
  // Building the calculation costs more than computing a case: one is
  // built per worker and started again for each case, which gives what a
  // new one would. They are built here, before the workers start: a new
  // calculation sets what every calculation shares (the language of the
  // substances' names, the calculation files).
  std::vector<std::optional<TTorvaWorkspace>> built(workers);
  std::string buildError;
  try {
    for (auto& w : built) w.emplace(TTorvaWorkspace::TReusable{});
  } catch (const std::exception& e) {
    buildError = e.what();
  }
  int rc = ExitOk;
  const auto work = [&](size_t worker) {
    std::optional<TTorvaWorkspace>& workspace = built[worker];
    bool used = false;
    for (size_t i = next++; i < cases.size(); i = next++) {
      if (workers > 1) {  // at most a few cases ahead of the printing
        std::unique_lock guard(lock);
        ready.wait(guard, [&] { return i < printed + 2 * workers; });
      }
      const std::string& c = cases[i];
      const std::string output =
          outDir.empty() ? std::string()
                         : (std::filesystem::path(outDir) / std::filesystem::path(c).stem()).string() + ".cvc";
      std::ostringstream out, err;
      bool failed = false;
      if (!json) out << "== " << c << " ==\n";
      try {
        if (!workspace) throw std::runtime_error(buildError);
        if (used) workspace->StartAgain();
        used = true;
        RunOne(*workspace, c, assignments, output, json, allRows, sortPoints, units, out, err);
      } catch (const std::exception& e) {
        err << "torvacalc: " << c << ": " << e.what() << "\n";
        if (json) out << "null\n";
        failed = true;
      }
      if (!json) out << "\n";
      if (workers == 1) {  // in order already: printed at once
        ctx.out << std::move(out).str();
        ctx.err << std::move(err).str();
        if (failed) rc = ExitUsage;
        continue;
      }
      std::lock_guard guard(lock);
      done[i] = {true, failed, std::move(out).str(), std::move(err).str()};
      ready.notify_all();
    }
  };
  // With one worker the cases run and print here; otherwise this thread
  // prints what the workers computed, in the order of the cases.
  std::vector<std::thread> threads;
  if (workers > 1)
    for (size_t w = 0; w < workers; ++w) threads.emplace_back(work, w);
  else
    work(0);
  for (TDone& d : done) {
    if (workers == 1) break;  // printed already
    std::unique_lock guard(lock);
    ready.wait(guard, [&] { return d.Ready; });
    ctx.out << d.Out;
    ctx.err << d.Err;
    if (d.Failed) rc = ExitUsage;
    const TDone printedCase = std::move(d);  // its texts' memory goes with it
    ++printed;
    ready.notify_all();
  }
  for (std::thread& t : threads) t.join();
  KeepToProcessEnd(std::make_shared<decltype(built)>(std::move(built)));
  ctx.out.flush();
  return rc;
}

int RunRun(const std::vector<std::string>& args, CommandContext& ctx) {
  bool json = false, allRows = false, batch = false, sortPoints = false;
  std::string caseFile, outputFile, outDir;
  std::vector<std::string> assignments, cases;
  std::optional<TUnitPreset> units;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  bool jobsGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--all") {
      allRows = true;
    } else if (a == "--batch") {
      batch = true;
    } else if (a == "--sort-points") {
      sortPoints = true;
    } else if (a == "--jobs") {
      int n = 0;
      if (i + 1 < args.size()) {
        const std::string& v = args[i + 1];
        if (!v.empty() && v.size() < 5 && v.find_first_not_of("0123456789") == std::string::npos) n = std::stoi(v);
      }
      if (n < 1) throw EUsage("--jobs needs a number of cases computed at once (1 or more)");
      jobs = n;
      jobsGiven = true;
      ++i;
    } else if (a == "--out-dir") {
      if (i + 1 >= args.size() || args[i + 1].empty()) throw EUsage("--out-dir needs a folder");
      outDir = args[++i];
    } else if (TakeLanguageOption(args, i, ctx.err)) {
      // before the calculation is built: its lists are in that language
    } else if (TakeUnitsOption(args, i, units)) {
    } else if (a == "-o") {
      if (i + 1 >= args.size() || args[i + 1].empty()) throw EUsage("-o needs a file name");
      outputFile = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      throw EUsage("unknown option \"" + a + "\" (see torvacalc run --help)");
    } else if (batch && a.find('=') == std::string::npos) {
      cases.push_back(a[0] == '@' ? a.substr(1) : a);
    } else if (caseFile.empty() && a.find('=') == std::string::npos) {
      caseFile = a[0] == '@' ? a.substr(1) : a;
    } else if (!a.empty() && a[0] == '@') {
      const auto lines = ReadCaseFile(a.substr(1));
      assignments.insert(assignments.end(), lines.begin(), lines.end());
    } else {
      assignments.push_back(a);
    }
  }
  if (batch) {
    if (!caseFile.empty()) cases.insert(cases.begin(), caseFile);
    if (!outputFile.empty()) throw EUsage("-o saves one calculation; --batch saves with --out-dir DIR");
    return RunBatch(cases, assignments, outDir, json, allRows, sortPoints, units, jobs, ctx);
  }
  if (!outDir.empty()) throw EUsage("--out-dir belongs to --batch (see torvacalc run --help)");
  if (jobsGiven) throw EUsage("--jobs belongs to --batch (see torvacalc run --help)");
  if (caseFile.empty()) throw EUsage("run needs a CASE file (see torvacalc run --help)");
  const auto workspace = std::make_shared<TTorvaWorkspace>(TTorvaWorkspace::TValuesFollow{});
  KeepToProcessEnd(workspace);
  RunOne(*workspace, caseFile, assignments, outputFile, json, allRows, sortPoints, units, ctx.out, ctx.err);
  return ExitOk;
}

}  // namespace

Command RunCommand() {
  return {"run", "the whole valve calculation from a case file: operating points side by side",
          kUsage, RunRun};
}

}  // namespace torvacalc
