// Cost of the assembled medium, pipe and flow layers of a valve
// calculation (four operating points): building one from nothing (modules,
// main module, wiring, first calculation), and one edit settling: a
// temperature at point 2 (that point's medium and flow recalculate), a
// flow at point 1, and a medium constant that every point reads; and a
// saved whole calculation (the four-point valve calculation of the same
// water) opened again: read into a new calculation (as `show` and the
// program's Open do) or into one already open, each settling once.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "assembly/main_items.h"
#include "assembly/scm_flow.h"
#include "assembly/whole_calculation.h"
#include "files/calculation_file.h"

namespace {

using torvacalc::CreateCalculation;
using TCalc = torvacalc::TCustomSCM3SubstancesMaterialPipe3Flow;

std::unique_ptr<TCalc> WaterCalculation() {
  auto calc = CreateCalculation<TCalc>();
  calc->UseHistory = false;
  calc->BeginSetValues();
  calc->Enter("FluidName", "Wasser");
  const char* T[] = {"20", "80", "150", "60"};
  const char* P[] = {"6", "5", "10", "3"};
  for (int point : {1, 2, 3, 4}) {
    const std::string k = torvacalc::OpSuffix(point);
    calc->Enter("T1" + k, T[point - 1]);
    calc->Enter("P1" + k, P[point - 1]);
    calc->Enter("Qm" + k, "20000");
  }
  calc->Enter("PipeClass", "EN 10220 Reihe 1, P235GH");
  calc->Enter("DN", "100");
  calc->Enter("EN13480Name", "13CrMo4-5");
  calc->EndSetValues();
  return calc;
}

void BM_BuildFromNothing(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(WaterCalculation());
}
BENCHMARK(BM_BuildFromNothing)->Unit(benchmark::kMillisecond);

void BM_EditSettles(benchmark::State& state, const char* name, const char* a, const char* b) {
  auto calc = WaterCalculation();
  bool flip = false;
  for (auto _ : state) {
    calc->Enter(name, flip ? a : b);
    flip = !flip;
  }
}
BENCHMARK_CAPTURE(BM_EditSettles, TemperatureAtPoint2, "T1Ap2", "80", "85")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, MassFlowAtPoint1, "Qm", "20000", "21000")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, ConstantOfEveryPoint, "Tc", "373", "374")->Unit(benchmark::kMicrosecond);

// A saved water calculation in a folder of its own, removed at exit.
class TSavedCalculation {
 public:
  TSavedCalculation() {
    char dir[] = "/tmp/torvacalc-bench-XXXXXX";
    if (!::mkdtemp(dir)) throw std::runtime_error("cannot make a temporary folder");
    FDir = dir;
    FPath = FDir + "/water.cvc";
    torvacalc::RegisterCalculationFiles();
    auto calc = torvacalc::CreateWholeCalculation();
    calc->BeginSetValues();
    const char* T[] = {"20", "80", "150", "60"};
    const char* P[] = {"6", "5", "10", "3"};
    for (int point : {1, 2, 3, 4}) {
      const std::string k = torvacalc::OpSuffix(point);
      calc->Enter("T1" + k, T[point - 1]);
      calc->Enter("P1" + k, P[point - 1]);
      calc->Enter("Qm" + k, "20000");
      calc->Enter("p2" + k, "2");
    }
    for (const auto& [name, text] : {std::pair<const char*, const char*>{"FluidName", "Wasser"},
                                     {"PipeClass", "EN 10220 Reihe 1, P235GH"}, {"DN", "100"},
                                     {"EN13480Name", "13CrMo4-5"}, {"DNV", "80"}, {"kvs", "100"}})
      calc->Enter(name, text);
    calc->EndSetValues();
    calc->SaveToFile(FPath);
  }
  ~TSavedCalculation() {
    std::remove(FPath.c_str());
    ::rmdir(FDir.c_str());
  }
  const std::string& Path() const { return FPath; }

 private:
  std::string FDir, FPath;
};

const TSavedCalculation& Saved() {
  static const TSavedCalculation saved;
  return saved;
}

// Every opening leaves its file object in the process's file list (as the
// program keeps the files of its open calculations); the list is emptied
// outside the measured time.
void ForgetOpenedFiles(benchmark::State& state) {
  state.PauseTiming();
  torvacalc::HXFileList().Clear();
  state.ResumeTiming();
}

void BM_OpenSavedIntoNewCalculation(benchmark::State& state) {
  const std::string& path = Saved().Path();
  for (auto _ : state) {
    auto calc = torvacalc::CreateWholeCalculation();
    calc->ReadFromFile(path);
    benchmark::DoNotOptimize(calc->GetValue("Rho1Ap2"));
    ForgetOpenedFiles(state);
  }
}
BENCHMARK(BM_OpenSavedIntoNewCalculation)->Unit(benchmark::kMillisecond);

void BM_OpenSavedIntoOpenCalculation(benchmark::State& state) {
  const std::string& path = Saved().Path();
  auto calc = torvacalc::CreateWholeCalculation();
  calc->UseHistory = false;
  for (auto _ : state) {
    calc->ReadFromFile(path);
    benchmark::DoNotOptimize(calc->GetValue("Rho1Ap2"));
    ForgetOpenedFiles(state);
  }
}
BENCHMARK(BM_OpenSavedIntoOpenCalculation)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
