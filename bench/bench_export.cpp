// Cost of an export: a report template with a header, single values with
// patterns, conditions and a loop over every item, run over one saved
// control valve calculation (about 110 items).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "files/hx_file.h"
#include "framework/options.h"
#include "output/export_template.h"
#include "output/hx_expression_parser.h"
#include "saved_example.h"

namespace {

namespace fs = std::filesystem;
using namespace torvacalc;

// The liquid example (IEC 60534-2-1 Annex E example 1) saved once.
const THXFile& SavedCalculation() {
  static THXFile file;
  static bool loaded = false;
  if (!loaded) {
    const std::string path = (fs::temp_directory_path() / ("torvacalc-bench-" + std::to_string(::getpid()) + ".cvc")).string();
    SaveLiquidExample(path);
    file.Load(path);
    fs::remove(path);
    loaded = true;
  }
  return file;
}

const char* kReport =
    "Datei: {FileName}  {Infos(SaveDate, , , dd.mm.yyyy hh:nn)}\n"
    "{Param(qm, Caption, alLeft, 38)}{Param(qm, Value, alRight, 12, 0.000)} {Param(qm, Unit)}\n"
    "{Param(p1, Caption, alLeft, 38)}{Param(p1, Value, alRight, 12, 0.000)} {Param(p1, Unit)}\n"
    "{Param(p2, Caption, alLeft, 38)}{Param(p2, Value, alRight, 12, 0.000)} {Param(p2, Unit)}\n"
    "{Param(kv, Caption, alLeft, 38)}{Param(kv, Value, alRight, 12, #,##0.0)} {Param(kv, Unit)}\n"
    "{If(rho1.displaytext <> \"\")}{Param(rho1, LongLabel)} {Param(rho1, DisplayText)}{End}\n"
    "{Loop(Param, WantEmpty, WantInvisible)}{If(sourceparam.troubletype < 8)}"
    "{Param(Param, MessageType)} {Param(Param, CalcMessage)}\n{End}{End}"
    "{Loop(Param, AlphaNumOrder)}{Param(Param, Caption, alLeft, 38)}{Param(Param, DisplayText, alRight, 12)} "
    "{Param(Param, Unit)}\n{End}";

void BM_ExportReport(benchmark::State& state) {
  const THXFile& file = SavedCalculation();
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto t = TAsciiExpTemplate::FromText(kReport, state.range(0) != 0);
    t->SetCalculations({&file});
    t->Execute();
    bytes = t->Documents()[0].Text.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetLabel(std::to_string(bytes) + " bytes of report");
}
BENCHMARK(BM_ExportReport)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A run of the shipped reports over 500 saved calculations in one
// template object, as `torvacalc export` does: the document and its
// conditions are read once, every calculation is filled in. Reported as
// calculations (files) per second. Run with TORVACALC_DATA=build (the
// folder holding templates/).
void BM_ExportShippedReport(benchmark::State& state) {
  const THXFile& file = SavedCalculation();
  const char* name = state.range(0) != 0 ? "valve_report_html.html" : "valve_report.txt";
  auto t = CreateExportTemplate((fs::path(ProgramDataDir()) / "templates" / name).string());
  t->Settings.Count = "MultiFile";
  const std::vector<const THXFile*> calculations(500, &file);
  std::size_t bytes = 0;
  for (auto _ : state) {
    t->SetCalculations(calculations);
    t->Execute();
    bytes = t->Documents()[0].Text.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["files_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * calculations.size()), benchmark::Counter::kIsRate);
  state.SetLabel(std::string(name) + ", " + std::to_string(bytes) + " bytes each");
}
BENCHMARK(BM_ExportShippedReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole command over 500 saved calculations on disk (the liquid and
// the gas example, alternating), as `torvacalc export valve_report
// FILE... -o OUT` runs it: reading and inflating the files, filling in the
// template, writing the output. Reported as files per second. Run with
// TORVACALC_DATA=build.
void BM_ExportCommand(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("torvacalc-bench-export-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string liquid = (dir / "liquid.cvc").string(), gas = (dir / "gas.cvc").string();
  SaveLiquidExample(liquid);
  std::ostringstream out, err;
  // IEC 60534-2-1 Annex E example 3 (gas through a rotary plug valve with
  // reducers), as examples/gas.case.
  RunMain({"module", "valve", "WhatToCalculate=Kv", "Phase=Gas", "qm=7461.33", "p1=6.8 bar(a)", "p2=3.1 bar(a)",
           "t1=159.85", "rho1=8.41359", "kappa1=1.3", "z1=0.988", "eta1=1.4665E-4 Pa s",
           "ValveType=Drehkegelventil", "RotaryType=#0", "fl2_75=0.7225", "xt_75=0.6", "fd_75=0.42", "DNV=50",
           "DN1=80", "DN2=100", "kvs=100", "-o", gas},
          out, err);
  const char* name = state.range(0) != 0 ? "valve_report_html" : "valve_report";
  std::vector<std::string> args = {"export", name};
  for (int i = 0; i < 500; ++i) {
    const std::string file = (dir / ("c" + std::to_string(i) + ".cvc")).string();
    fs::copy_file(i % 2 == 0 ? liquid : gas, file, fs::copy_options::overwrite_existing);
    args.push_back(file);
  }
  args.insert(args.end(), {"-o", (dir / (state.range(0) != 0 ? "html/" : "report.txt")).string()});
  int code = 0;
  for (auto _ : state) {
    std::ostringstream o, e;
    code = RunMain(args, o, e);
    benchmark::DoNotOptimize(code);
  }
  state.counters["files_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * 500),
                                                     benchmark::Counter::kIsRate);
  state.SetLabel(std::string(name) + (code == 0 ? "" : " FAILED"));
  fs::remove_all(dir);
}
BENCHMARK(BM_ExportCommand)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FileExpression(benchmark::State& state) {
  const THXFile& file = SavedCalculation();
  THXExpressionParser parser(&file);
  for (auto _ : state) benchmark::DoNotOptimize(parser.ParseStr("kv.value > 100 and not kv.hasnote and qm.sivalue < 100"));
}
BENCHMARK(BM_FileExpression);

// The same condition parsed once and evaluated per calculation.
void BM_FileExpressionCompiled(benchmark::State& state) {
  const THXFile& file = SavedCalculation();
  THXExpressionParser parser(&file);
  const auto expression = TExpressionParser::Compile("kv.value > 100 and not kv.hasnote and qm.sivalue < 100");
  for (auto _ : state) benchmark::DoNotOptimize(parser.Evaluate(*expression));
}
BENCHMARK(BM_FileExpressionCompiled);

}  // namespace

BENCHMARK_MAIN();
