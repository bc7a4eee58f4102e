// Cost of the everyday operations on parameters: reading user text and
// rendering the display text in a chosen unit.
#include <benchmark/benchmark.h>

#include "framework/calc_module.h"

using namespace torvacalc;

static void BM_ParameterSetText(benchmark::State& state) {
  TAncestorCalcModule m("M");
  auto* p = m.AddItem<TInputParameter>("p1", qPressureBar);
  const char* texts[] = {"12,5", "13.75", "1.2E3", "0.5"};
  size_t i = 0;
  for (auto _ : state) p->SetText(texts[i++ & 3]);
}
BENCHMARK(BM_ParameterSetText);

static void BM_ParameterDisplayText(benchmark::State& state) {
  TAncestorCalcModule m("M");
  auto* p = m.AddItem<TInputParameter>("p1", qPressureBar);
  p->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureBar, "psi(g)"));
  p->SetValue(12.345L);
  for (auto _ : state) benchmark::DoNotOptimize(p->GetDisplayText());
}
BENCHMARK(BM_ParameterDisplayText);

static void BM_UnitConversion(benchmark::State& state) {
  Extended v = 1;
  for (auto _ : state) {
    v = GetUnitValue(13, qPressureBar, GetBasicUnitValue(19, qPressureBar, v));
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_UnitConversion);

BENCHMARK_MAIN();
