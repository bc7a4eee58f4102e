// Cost of the whole control valve calculation (TSCMTorva, four operating
// points of sizing, medium behind the valve, mixture and noise): building
// one from nothing, and one edit settling: an outlet pressure at point 2
// (that point's modules recalculate), the valve's Kvs (every point reads
// it) and the inlet temperature of point 1 (medium, flow, sizing, noise
// and the characteristic over the points follow); opening a saved
// calculation and recalculating it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "assembly/main_items.h"
#include "assembly/scm_control_valves.h"
#include "files/calculation_file.h"

namespace {

using torvacalc::CreateCalculation;
using TCalc = torvacalc::TSCMTorva;

std::unique_ptr<TCalc> WaterCalculation() {
  auto calc = CreateCalculation<TCalc>();
  calc->UseHistory = false;
  calc->BeginSetValues();
  const std::pair<const char*, const char*> entries[] = {
      {"FluidName", "Wasser"}, {"Phase", "Flüssig"}, {"NoiseNormLiquid", "IEC 60534-8-4"},
      {"PipeClass", "EN 10220 Reihe 1, P235GH"}, {"DN", "80"}, {"EN13480Name", "P235GH"},
      {"DNV", "50"}, {"kvs", "40"}, {"fl2_75", "0.81"}, {"fd_75", "0.46"}, {"rw", "0.25"}, {"Seat", "40"}};
  for (const auto& [n, t] : entries) calc->Enter(n, t);
  const char* T[] = {"20", "40", "60", "30"};
  const char* Q[] = {"10000", "20000", "30000", "15000"};
  const char* P2[] = {"8", "6", "3", "7"};
  for (int point : {1, 2, 3, 4}) {
    const std::string k = torvacalc::OpSuffix(point);
    calc->Enter("T1" + k, T[point - 1]);
    calc->Enter("P1" + k, "10");
    calc->Enter("Qm" + k, Q[point - 1]);
    calc->Enter("p2" + k, P2[point - 1]);
  }
  calc->EndSetValues();
  return calc;
}

void BM_BuildFromNothing(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(WaterCalculation());
}
BENCHMARK(BM_BuildFromNothing)->Unit(benchmark::kMillisecond);

// The calculation with its modules and wiring, no values.
void BM_ConstructEmpty(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CreateCalculation<TCalc>());
}
BENCHMARK(BM_ConstructEmpty)->Unit(benchmark::kMillisecond);

// The same, wired but not yet switched on (what a case or a file starts
// from): the cost of the modules and their wiring alone.
void BM_ConstructWired(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(torvacalc::CreateCalculationForValues<TCalc>());
}
BENCHMARK(BM_ConstructWired)->Unit(benchmark::kMillisecond);

// A saved four-point calculation opened into a new calculation, which
// recalculates it, as `torvacalc show` and the desktop program do.
void BM_OpenAndRecalculate(benchmark::State& state) {
  torvacalc::RegisterCalculationFiles();
  const auto file = std::filesystem::temp_directory_path() /
                    ("torvacalc-bench-open-" + std::to_string(getpid()) + ".cvc");
  WaterCalculation()->SaveToFile(file.string());
  for (auto _ : state) {
    auto calc = CreateCalculation<TCalc>();
    calc->UseHistory = false;
    calc->ReadFromFile(file.string());
    benchmark::DoNotOptimize(calc);
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_OpenAndRecalculate)->Unit(benchmark::kMillisecond);

void BM_EditSettles(benchmark::State& state, const char* name, const char* a, const char* b) {
  auto calc = WaterCalculation();
  bool flip = false;
  for (auto _ : state) {
    calc->Enter(name, flip ? a : b);
    flip = !flip;
  }
}
BENCHMARK_CAPTURE(BM_EditSettles, OutletPressureAtPoint2, "p2Ap2", "6", "5.5")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, KvsOfEveryPoint, "kvs", "40", "63")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, TemperatureAtPoint1, "T1", "20", "25")->Unit(benchmark::kMicrosecond);

}  // namespace
BENCHMARK_MAIN();
