// Cost of the assembled medium, pipe and flow layers of a valve
// calculation (four operating points): building one from nothing (modules,
// main module, wiring, first calculation), and one edit settling: a
// temperature at point 2 (that point's medium and flow recalculate), a
// flow at point 1, and a medium constant that every point reads.
#include <benchmark/benchmark.h>

#include "assembly/main_items.h"
#include "assembly/scm_flow.h"

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

}  // namespace
BENCHMARK_MAIN();
