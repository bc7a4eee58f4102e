// Cost of the plant characteristic and of resistor sizing: a chart of the
// installed characteristic evaluates the plant at a few hundred flows, and
// a multi-stage resistor sizes one orifice per stage on every edit.
#include <benchmark/benchmark.h>

#include "plant/characteristics.h"
#include "plant/resistor.h"

namespace torvacalc {
namespace {

void BM_CharacteristicsSweep(benchmark::State& state) {
  tCharacteristics c;
  c.SetNoOfValidOps(3);
  const Extended q[3] = {5000, 10000, 11000}, p1[3] = {9, 6, 5}, p2[3] = {2.5L, 4, 4.6L};
  for (int i = 0; i < 3; ++i) {
    c.SetQm(i, q[i]);
    c.SetP1(i, p1[i]);
    c.SetP2(i, p2[i]);
  }
  c.SetUseSmoothCurves(true);
  for (auto _ : state) {
    Extended sum = 0;
    for (int k = 0; k <= 200; ++k) {
      c.SetQmx(60 * k);
      sum += c.GetP1x() - c.GetP2x();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 201);
}
BENCHMARK(BM_CharacteristicsSweep);

void BM_SingleHoleSizing(benchmark::State& state) {
  for (auto _ : state) {
    tResistor r;
    r.SetResistorTypeRes(rtSingleHole);
    r.SetPhase(phLiquid);
    r.SetCalculatedPhase(cpLiquid);
    r.SetQm(60000);
    r.SetP1(10);
    r.SetP2(7);
    r.SetRho1(998.2L);
    r.SetPv1(0.0234L);
    r.SetPv2(0.0234L);
    r.SetPc(220.64L);
    r.SetEta1(1.002e-3L);
    r.SetDNRes(107.1L);
    benchmark::DoNotOptimize(r.GetdRes());
  }
}
BENCHMARK(BM_SingleHoleSizing);

void BM_PerforatedPlateSizing(benchmark::State& state) {
  for (auto _ : state) {
    tResistor r;
    r.SetResistorTypeRes(rtSilencerIndirect);
    r.SetPhase(phGas);
    r.SetCalculatedPhase(cpGas);
    r.SetQm(5000);
    r.SetP1(40);
    r.SetP2(20);
    r.SetRho1(46);
    r.SetKappa1(1.4L);
    benchmark::DoNotOptimize(r.GetNBores());
  }
}
BENCHMARK(BM_PerforatedPlateSizing);

}  // namespace
}  // namespace torvacalc

BENCHMARK_MAIN();
