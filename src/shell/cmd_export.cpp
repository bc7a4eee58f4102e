// torvacalc export TEMPLATE FILE... [-o OUT]: runs an export template over
// calculation files.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>

#include "files/hx_file.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "output/export_template.h"
#include "output/hx_expression_parser.h"
#include "shell/commands.h"
#include "shell/export_command.h"

namespace torvacalc {

namespace fs = std::filesystem;

namespace {

const char* kUsage =
    "Usage: torvacalc export TEMPLATE FILE... [-o OUT]\n"
    "       torvacalc export --list\n\n"
    "Runs an export template over calculation files (for example those of\n"
    "torvacalc module valve ... -o FILE.cvc) and writes the document it makes\n"
    "to OUT, or to stdout without -o. TEMPLATE is a template document\n"
    "(.txt, .htm, .html, .xml), its settings file (.hxe), or the name of a\n"
    "template in the template folders:\n"
    "  $XDG_DATA_HOME/torvacalc/templates (default ~/.local/share/torvacalc/templates)\n"
    "  the templates installed with the program (valve_report, valve_report_html)\n"
    "--list shows the templates found there.\n\n"
    "Several files: the template's settings decide (Calculations/Count):\n"
    "  Continous  one document, the template once per calculation (default)\n"
    "  MultiPage  the same, a form feed between calculations in text documents\n"
    "  Multi      one document; Loop(Calculations) walks all files\n"
    "  MultiFile  one document per calculation; OUT is then a folder and each\n"
    "             document is named after its calculation file\n"
    "  1          one calculation at a time\n\n"
    "Ctrl+C stops the run; what was produced up to then is still written.\n"
    "A bad template or calculation file ends with one line on stderr and exit\n"
    "code 2; a cancelled run ends with exit code 1.\n\n"
    "Example: torvacalc export valve_report_html liquid.cvc -o liquid.html\n";

// SIGINT during an export only asks the processing loop to stop.
std::atomic<bool> gCancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnExportInterrupt(int) { gCancelRequested.store(true); }

// Installs the handler for the life of one run and gives the previous one
// back afterwards.
class TInterruptGuard {
 public:
  TInterruptGuard() {
    gCancelRequested.store(false);
    struct sigaction action {};
    action.sa_handler = OnExportInterrupt;
    sigemptyset(&action.sa_mask);
    FInstalled = sigaction(SIGINT, &action, &FPrevious) == 0;
  }
  ~TInterruptGuard() {
    if (FInstalled) sigaction(SIGINT, &FPrevious, nullptr);
  }
  TInterruptGuard(const TInterruptGuard&) = delete;
  TInterruptGuard& operator=(const TInterruptGuard&) = delete;

 private:
  struct sigaction FPrevious {};
  bool FInstalled = false;
};

// A progress bar on a terminal: "export [#######.............]  7/20".
class TProgressBar {
 public:
  TProgressBar(std::ostream& err, bool enabled) : FErr(err), FEnabled(enabled) {}
  void Show(std::size_t done, std::size_t total) {
    if (!FEnabled || total == 0) return;
    constexpr std::size_t width = 30;
    const std::size_t filled = done * width / total;
    FErr << "\rexport [" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << done << "/"
         << total << std::flush;
    FShown = true;
  }
  ~TProgressBar() {
    if (FShown) FErr << "\n";
  }

 private:
  std::ostream& FErr;
  bool FEnabled;
  bool FShown = false;
};

// The template document meant by the argument: a document, a settings file
// beside its document, or a name from the template folders.
std::string ResolveTemplate(const std::string& arg) {
  std::error_code ec;
  if (fs::exists(arg, ec)) RequireRegularFile(arg);
  if (fs::is_regular_file(arg, ec)) {
    const std::string ext = fs::path(arg).extension().string();
    if (!SameName(ext, ".hxe") && !SameName(ext, ".hxe_u8")) return arg;
    // A settings file: the document beside it.
    for (const char* docExt : {".txt", ".htm", ".html", ".xml", ".xls", ".xlsx", ".xlsm", ".doc", ".docx"}) {
      const fs::path doc = fs::path(arg).replace_extension(docExt);
      if (fs::is_regular_file(doc, ec)) return doc.string();
    }
    throw EUsage(arg + ": no template document beside this settings file");
  }
  TExpTempGlobalList list;
  list.Refresh();
  if (const TExpTempInfo* info = list.Find(arg)) {
    if (info->DocumentFile.empty()) throw EUsage(info->SettingsFile + ": no template document beside this settings file");
    return info->DocumentFile;
  }
  throw EUsage("template \"" + arg + "\" not found (no such file, and no template of that name; see torvacalc export --list)");
}

int ListTemplates(CommandContext& ctx) {
  TExpTempGlobalList list;
  list.Refresh();
  for (const std::string& dir : TExpTempGlobalList::SearchDirs()) ctx.out << "# " << dir << "\n";
  for (const TExpTempInfo& t : list.Items())
    // A shipped template's caption is German and has its English in the
    // dictionary; one of the user's stands as written.
    ctx.out << t.Name << "  " << (t.Caption.empty() ? "-" : Translate(t.Caption)) << "  "
            << (t.DocumentFile.empty() ? "(no document)" : t.DocumentFile) << "\n";
  return ExitOk;
}

void WriteOutput(const std::string& path, const std::string& text) {
  std::string error;
  if (!WriteFileAtomically(path, text, &error)) throw EUsage(path + ": " + error);
}

// Reads the calculation files while the template works through them.
// Helper threads read ahead, in the order given, at most kReadAhead files
// beyond the last one the template asked for, so that reading and filling
// in the template overlap, and memory holds a window of files rather than
// all of them (a file read holds its inflated bytes, some 15 times its
// size on disk, and the attributes built as the template reaches them;
// memory touched for the first time costs a page fault per 4 KiB). The
// thread asking for a file that nobody has started reads it itself. A file
// that cannot be read stops the export when the template reaches it, so
// among several bad files the first one given is reported, as reading them
// one after the other would.
class TCalculationReader {
 public:
  explicit TCalculationReader(const std::vector<std::string>& files) : FFiles(files), FSlots(files.size()) {
    // A thread pays for itself from a few dozen files on.
    constexpr std::size_t kFilesPerThread = 16;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = std::min(cores, files.size() / kFilesPerThread);
    FGarbage.resize(helpers);
    try {
      for (std::size_t t = 0; t < helpers; ++t) FThreads.emplace_back([this, t] { Work(t + 1); });
    } catch (const std::system_error&) {
      // No more threads to be had: the ones running, or the asking thread
      // alone, read the rest.
    }
  }
  ~TCalculationReader() {
    {
      std::lock_guard<std::mutex> lock(FLock);
      FStop = true;
    }
    FWanted.notify_all();
    for (std::thread& t : FThreads) t.join();
  }
  TCalculationReader(const TCalculationReader&) = delete;
  TCalculationReader& operator=(const TCalculationReader&) = delete;

  // File `index`, read when it is not yet; rethrows the reason it could
  // not be read.
  const THXFile* Get(std::size_t index) {
    std::unique_lock<std::mutex> lock(FLock);
    if (index + 1 > FAsked) {
      FAsked = index + 1;
      FWanted.notify_all();
    }
    while (!FSlots[index].Done) {
      if (FNext <= index) {
        ReadNext(lock, 0);
      } else {
        FReady.wait(lock);
      }
    }
    if (FSlots[index].Failure) std::rethrow_exception(FSlots[index].Failure);
    return FSlots[index].File.get();
  }
  // The template is done with file `index`. A tree a helper read is taken
  // apart by that helper, off the template's way and by the thread whose
  // allocator then hands the memory to the next file it reads.
  void Release(std::size_t index) {
    std::unique_ptr<THXFile> gone;
    {
      std::lock_guard<std::mutex> lock(FLock);
      gone = std::move(FSlots[index].File);
      const std::size_t reader = FSlots[index].Reader;
      if (gone && reader > 0) {
        FGarbage[reader - 1].push_back(std::move(gone));
        FWanted.notify_all();
      }
    }
  }

 private:
  // Enough for the helpers to keep ahead of the template; a window much
  // larger holds trees long enough for them to leave the caches before
  // the template reads them (32 files cost the template about a tenth more
  // time than 8, and all threads about a sixth more).
  static constexpr std::size_t kReadAhead = 8;
  struct TSlot {
    std::unique_ptr<THXFile> File;
    std::exception_ptr Failure;
    std::size_t Reader = 0;  // 0: the asking thread, else helper Reader
    bool Done = false;
  };

  // Helper `reader` (from 1): takes apart the trees it read that were
  // released, and reads files ahead.
  void Work(std::size_t reader) {
    std::vector<std::unique_ptr<THXFile>>& mine = FGarbage[reader - 1];
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
      FWanted.wait(lock, [&] {
        return FStop || !mine.empty() || (FNext < FFiles.size() && FNext < FAsked + kReadAhead);
      });
      if (!mine.empty()) {
        std::vector<std::unique_ptr<THXFile>> garbage;
        garbage.swap(mine);
        lock.unlock();
        garbage.clear();
        lock.lock();
        continue;
      }
      if (FStop) return;
      ReadNext(lock, reader);
    }
  }
  // Takes the next file and reads it with the lock released.
  void ReadNext(std::unique_lock<std::mutex>& lock, std::size_t reader) {
    const std::size_t i = FNext++;
    lock.unlock();
    std::unique_ptr<THXFile> file;
    std::exception_ptr failure;
    try {
      file = Read(FFiles[i]);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    FSlots[i].File = std::move(file);
    FSlots[i].Failure = failure;
    FSlots[i].Reader = reader;
    FSlots[i].Done = true;
    FReady.notify_all();
  }
  static std::unique_ptr<THXFile> Read(const std::string& f) {
    RequireRegularFile(f);
    auto file = std::make_unique<THXFile>();
    try {
      file->Load(f);
    } catch (const EHXFileReadError& e) {
      throw EUsage(f + ": " + e.what());
    } catch (const EHXFileOpenError& e) {
      throw EUsage(f + ": " + e.what());
    }
    return file;
  }

  const std::vector<std::string>& FFiles;
  std::vector<TSlot> FSlots;
  std::mutex FLock;
  std::condition_variable FWanted, FReady;
  std::size_t FNext = 0;   // the next file to be read
  std::size_t FAsked = 0;  // one beyond the last file asked for
  bool FStop = false;
  // Per helper: released trees it read, to take apart.
  std::vector<std::vector<std::unique_ptr<THXFile>>> FGarbage;
  std::vector<std::thread> FThreads;
};

int RunExport(const std::vector<std::string>& args, CommandContext& ctx) {
  std::string templateArg, output;
  std::vector<std::string> files;
  bool hasOutput = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--list") return ListTemplates(ctx);
    if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size() || args[i + 1].empty()) throw EUsage(a + " needs a file name");
      output = args[++i];
      hasOutput = true;
    } else if (a.size() > 1 && a[0] == '-') {
      throw EUsage("unknown option \"" + a + "\" (see torvacalc export --help)");
    } else if (templateArg.empty()) {
      templateArg = a;
    } else {
      files.push_back(a);
    }
  }
  if (templateArg.empty()) throw EUsage("export needs a TEMPLATE and at least one FILE (see torvacalc export --help)");
  if (files.empty()) throw EUsage("export needs at least one calculation FILE after the template");

  std::unique_ptr<TExportTemplate> tmpl;
  try {
    tmpl = CreateExportTemplate(ResolveTemplate(templateArg));
  } catch (const EExportTemplate& e) {
    throw EUsage(e.what());
  }
  TCalculationReader reader(files);
  tmpl->SetCalculations(std::vector<const THXFile*>(files.size(), nullptr));
  tmpl->OnCalculationNeeded = [&](std::size_t index) { return reader.Get(index); };

  TInterruptGuard interrupt;
  TProgressBar bar(ctx.err, ctx.errIsTerminal && files.size() > 3);
  // A calculation's document tree goes as soon as its report is made, so
  // that a long run holds one tree at a time and reuses its memory.
  tmpl->OnCalculationDone = [&](std::size_t index) { reader.Release(index); };
  tmpl->OnCancelQuery = [] { return gCancelRequested.load(); };
  tmpl->OnProgress = [&](std::size_t done, std::size_t total) {
    bar.Show(done, total);
    if (ExportProgressHook()) ExportProgressHook()(done);
  };
  try {
    tmpl->Execute();
  } catch (const EExportTemplate& e) {
    throw EUsage(e.what());
  }

  const auto& documents = tmpl->Documents();
  const bool multiFile = tmpl->Settings.CountMode() == TExportCount::MultiFile;
  std::error_code ec;
  if (!hasOutput) {
    for (const TExportDocument& d : documents) ctx.out << d.Text;
  } else if (multiFile && (files.size() > 1 || fs::is_directory(output, ec))) {
    // One document per calculation, named after its file, in the folder OUT.
    fs::create_directories(output, ec);
    if (!fs::is_directory(output, ec)) throw EUsage(output + ": cannot create the output folder");
    const std::string ext = fs::path(tmpl->DocumentFile()).extension().string();
    TAtomicFileBatch batch;  // each file atomic, one flush for all
    std::string error;
    for (const TExportDocument& d : documents) {
      const std::string stem = fs::path(files[d.Calculations.front()]).stem().string();
      const std::string path = (fs::path(output) / (stem + ext)).string();
      if (!batch.Write(path, d.Text, &error)) throw EUsage(path + ": " + error);
    }
    if (!batch.Finish(&error)) throw EUsage(error);
  } else {
    std::string text;
    for (const TExportDocument& d : documents) text += d.Text;
    WriteOutput(output, text);
  }
  if (tmpl->Cancelled() || gCancelRequested.load()) {
    std::size_t done = 0;
    for (const TExportDocument& d : documents) done += d.Calculations.size();
    ctx.err << "torvacalc: export cancelled after " << done << " of " << files.size()
            << " calculations; the output so far was written\n";
    return ExitFailure;
  }
  return ExitOk;
}

}  // namespace

std::function<void(std::size_t)>& ExportProgressHook() {
  static std::function<void(std::size_t)> hook;
  return hook;
}

Command ExportCommand() {
  return {"export", "run an export template over calculation files", kUsage, RunExport};
}

}  // namespace torvacalc
