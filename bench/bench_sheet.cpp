// Specification sheets of many saved calculations in one run, as
// `torvacalc sheet *.cvc -o DIR/` makes them: each file opened and
// recalculated, laid out and written as PDF. Reported as pages per second;
// the second benchmark leaves out opening the file (layout and PDF alone).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "sheet/sheet_layout.h"
#include "sheet/sheet_writers.h"
#include "shell/cli.h"
#include "workspace/torva_workspace.h"

namespace {

namespace fs = std::filesystem;
using namespace torvacalc;

const char* kExamples[] = {"valve_water", "valve_steam_noise", "valve_natural_gas", "valve_flashing", "points"};

// 500 saved whole calculations: the whole examples with a tag each, saved
// once through the command line and copied.
const std::vector<std::string>& SavedCalculations() {
  static std::vector<std::string> files;
  if (!files.empty()) return files;
  const fs::path dir = fs::temp_directory_path() / ("torvacalc-bench-sheet-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<std::string> saved;
  for (const char* e : kExamples) {
    const std::string path = (dir / (std::string(e) + ".cvc")).string();
    std::ostringstream out, err;
    RunMain({"run", std::string(TORVACALC_SOURCE_DIR) + "/examples/" + e + ".case", std::string("Tag=TV-") + e,
             "Service=Benchmark", "-o", path},
            out, err);
    saved.push_back(path);
  }
  for (int i = 0; i < 500; ++i) {
    const std::string copy = (dir / ("calc" + std::to_string(i) + ".cvc")).string();
    fs::copy_file(saved[i % saved.size()], copy, fs::copy_options::overwrite_existing);
    files.push_back(copy);
  }
  std::atexit([] { fs::remove_all(fs::path(SavedCalculations().front()).parent_path()); });
  return files;
}

void BM_SheetsOfSavedCalculations(benchmark::State& state) {
  const std::vector<std::string>& files = SavedCalculations();
  size_t pages = 0, bytes = 0;
  for (auto _ : state) {
    for (const std::string& f : files) {
      TTorvaWorkspace ws;
      ws.Super().UseHistory = false;
      ws.Load(f);
      const TSheetDocument doc = LayoutSheet(ws, {TPaper::A4, f});
      const std::string pdf = PdfOfDocument(doc);
      pages += doc.pages.size();
      bytes += pdf.size();
      benchmark::DoNotOptimize(pdf.data());
    }
  }
  state.counters["pages"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
  state.SetLabel(std::to_string(files.size()) + " calculations, " + std::to_string(bytes / std::max<size_t>(pages, 1)) +
                 " bytes a page");
}
BENCHMARK(BM_SheetsOfSavedCalculations)->Unit(benchmark::kSecond)->Iterations(1);

void BM_SheetLayoutAndPdf(benchmark::State& state) {
  TTorvaWorkspace ws;
  ws.Super().UseHistory = false;
  ws.Load(SavedCalculations().front());
  size_t pages = 0;
  for (auto _ : state) {
    const TSheetDocument doc = LayoutSheet(ws, {TPaper::A4, "x.cvc"});
    const std::string pdf = PdfOfDocument(doc);
    pages += doc.pages.size();
    benchmark::DoNotOptimize(pdf.data());
  }
  state.counters["pages"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SheetLayoutAndPdf)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
