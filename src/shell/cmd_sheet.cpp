// torvacalc sheet FILE.cvc|CASE.case... -o OUT: the control valve
// specification sheet of each calculation, as PDF or HTML, without a
// display; several calculations into a folder with an index of the tags.
#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>

#include "assembly/whole_calculation.h"
#include "files/calculation_file.h"
#include "framework/options.h"
#include "framework/translation.h"
#include "sheet/sheet_layout.h"
#include "sheet/sheet_writers.h"
#include "shell/commands.h"
#include "workspace/entries.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

namespace {

namespace fs = std::filesystem;

const char* kUsage =
    "Usage: torvacalc sheet FILE.cvc|CASE.case... -o OUT [--lang de|en] [--paper a4|letter]\n"
    "                       [--units si|us] [--format pdf|html] [NAME=TEXT ...]\n\n"
    "Makes the control valve specification sheet of a whole valve\n"
    "calculation: two pages with the document header (Tag, Project,\n"
    "Customer, Plant, Service, LineNo, PID, SheetNo, DocumentNo, Revision,\n"
    "SheetDate, PreparedBy, CheckedBy, ApprovedBy), line and fluid, the\n"
    "service conditions of every active operating point, valve body, trim,\n"
    "actuator, accessories, noise, the installed characteristic, the\n"
    "spectrum of the loudest point and the messages that need action.\n"
    "A calculation file (.cvc) is opened and recalculated; a case file is\n"
    "calculated as torvacalc run does. Assignments NAME=TEXT are entered\n"
    "into every calculation after its own values (Tag=FV-101).\n\n"
    "-o NAME.pdf or NAME.html writes the sheet of one calculation. -o DIR/\n"
    "(an existing folder, or a name ending in /) writes one sheet per\n"
    "calculation, named by its tag number (else by its file's name), in the\n"
    "format of --format (pdf by default), and the index of all of them as\n"
    "DIR/index.csv and DIR/index.pdf (tag, service, size, rated Kvs,\n"
    "loudest level). A calculation that cannot be read is named on standard\n"
    "error and the others are made; the exit code is then 2.\n\n"
    "Example: torvacalc run examples/valve_water.case Tag=FV-101 -o fv101.cvc\n"
    "         torvacalc sheet fv101.cvc -o FV-101.pdf --lang en\n"
    "         torvacalc sheet sheets/*.cvc -o sheets/out/\n";

// The calculation of a file or a case file, with the command line's
// assignments entered after its own.
std::unique_ptr<TTorvaWorkspace> OpenCalculation(const std::string& path, const std::vector<std::string>& assignments,
                                                 std::ostream& err) {
  RequireRegularFile(path);
  if (fs::path(path).extension() == ".case") {
    auto ws = std::make_unique<TTorvaWorkspace>(TTorvaWorkspace::TValuesFollow{});  // computed with the case
    ws->Super().UseHistory = false;
    std::vector<std::string> entries = ReadCaseFile(path);
    entries.insert(entries.end(), assignments.begin(), assignments.end());
    ws->EnterAll(entries);
    return ws;
  }
  auto loaded = std::make_unique<THXFile>(TGUID::NewGUID());
  std::string className;
  try {
    loaded->Load(path);
    className = CalculationClassOfFile(*loaded);
  } catch (const EHXFileReadError& e) {
    throw EUsage(path + ": " + e.what());
  } catch (const EHXFileOpenError& e) {
    throw EUsage(path + ": " + e.what());
  }
  auto layer = CreateWholeCalculationOfClass(className, false);  // computed once, with the file's values
  if (!layer) throw EUsage(path + ": \"" + className + "\" is no whole valve calculation; a sheet needs one");
  auto ws = std::make_unique<TTorvaWorkspace>(std::move(layer));
  ws->Super().UseHistory = false;
  std::vector<std::string> notices;
  try {
    ws->Load(std::move(loaded), path, &notices);
  } catch (const ECalculationFile& e) {
    throw EUsage(path + ": " + e.what());
  }
  for (const std::string& n : notices) err << "torvacalc: " << TerminalText(n) << "\n";
  if (!assignments.empty()) ws->EnterAll(assignments);
  return ws;
}

// A file name made of a tag: letters, digits and - _ . stay (and every
// non-ASCII letter), anything else becomes "_".
std::string FileNameOf(const std::string& tag) {
  std::string s;
  for (char c : tag) {
    const auto u = static_cast<unsigned char>(c);
    s += (std::isalnum(u) || c == '-' || c == '_' || c == '.' || u >= 0x80) ? c : '_';
  }
  while (!s.empty() && s.front() == '.') s.erase(s.begin());
  return s;
}

void WriteSheet(const TSheetDocument& doc, const std::string& path, const std::string& format) {
  try {
    WriteFileAtomically(path, format == "html"
                                  ? HtmlOfDocument(doc, HXOptions().Language.empty() ? "de" : HXOptions().Language)
                                  : PdfOfDocument(doc));
  } catch (const std::runtime_error& e) {
    throw EUsage(e.what());
  }
}

int RunSheet(const std::vector<std::string>& args, CommandContext& ctx) {
  std::vector<std::string> inputs, assignments;
  std::string out, format;
  TSheetOptions options;
  std::optional<TUnitPreset> units;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* what) -> const std::string& {
      if (i + 1 >= args.size() || args[i + 1].empty()) throw EUsage(std::string(a) + " needs " + what);
      return args[++i];
    };
    if (TakeLanguageOption(args, i, ctx.err)) {
      // before any calculation is built: its lists are in that language
    } else if (a == "-o") {
      out = value("a file or folder name");
    } else if (a == "--paper") {
      const std::string& p = value("a4 or letter");
      if (p != "a4" && p != "letter") throw EUsage("--paper takes a4 or letter");
      options.paper = p == "letter" ? TPaper::Letter : TPaper::A4;
    } else if (a == "--units") {
      units = UnitPresetByName(value("si or us"));
      if (!units) throw EUsage("--units takes si or us");
    } else if (a == "--format") {
      format = value("pdf or html");
      if (format != "pdf" && format != "html") throw EUsage("--format takes pdf or html");
    } else if (!a.empty() && a[0] == '-') {
      throw EUsage("unknown option \"" + a + "\" (see torvacalc sheet --help)");
    } else if (a.find('=') != std::string::npos && !fs::exists(a)) {
      assignments.push_back(a);
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty()) throw EUsage("sheet needs a calculation file or case file (see torvacalc sheet --help)");
  if (out.empty()) throw EUsage("sheet needs -o NAME.pdf, NAME.html or a folder (see torvacalc sheet --help)");

  const bool folder = out.back() == '/' || fs::is_directory(out);
  if (!folder) {
    if (inputs.size() > 1) throw EUsage("several calculations are written into a folder: -o DIR/");
    const std::string ext = fs::path(out).extension().string();
    if (ext != ".pdf" && ext != ".html" && ext != ".htm")
      throw EUsage("-o " + out + ": a .pdf or .html file, or a folder");
    if (format.empty()) format = ext == ".pdf" ? "pdf" : "html";
    auto ws = OpenCalculation(inputs.front(), assignments, ctx.err);
    if (units) ws->ApplyUnitPreset(*units);
    options.source = fs::path(inputs.front()).filename().string();
    WriteSheet(LayoutSheet(*ws, options), out, format);
    return ExitOk;
  }

  if (format.empty()) format = "pdf";
  std::error_code ec;
  fs::create_directories(out, ec);
  if (!fs::is_directory(out)) throw EUsage("-o " + out + ": the folder cannot be made");
  int rc = ExitOk;
  std::vector<TSheetIndexRow> index;
  std::map<std::string, int> used;
  for (const std::string& input : inputs) {
    try {
      auto ws = OpenCalculation(input, assignments, ctx.err);
      if (units) ws->ApplyUnitPreset(*units);
      options.source = fs::path(input).filename().string();
      TSheetIndexRow row = IndexRowOf(*ws, options.source);
      std::string name = FileNameOf(row.tag);
      if (name.empty()) name = fs::path(input).stem().string();
      if (const int n = ++used[name]; n > 1) name += "-" + std::to_string(n);
      WriteSheet(LayoutSheet(*ws, options), (fs::path(out) / (name + "." + format)).string(), format);
      index.push_back(std::move(row));
    } catch (const std::exception& e) {
      ctx.err << "torvacalc: " << TerminalText(e.what()) << "\n";
      rc = ExitUsage;
    }
  }
  try {
    WriteFileAtomically((fs::path(out) / "index.csv").string(), IndexCsv(index));
    WriteFileAtomically((fs::path(out) / "index.pdf").string(), PdfOfDocument(LayoutIndex(index, options)));
  } catch (const std::runtime_error& e) {
    throw EUsage(e.what());
  }
  return rc;
}

}  // namespace

Command SheetCommand() {
  return {"sheet", "the control valve specification sheet (PDF, HTML) of calculations", kUsage, RunSheet};
}

}  // namespace torvacalc
