// Valve sizing: one Kv for a liquid and for a gas with reducers (the fixed
// point of Kv, FP, FR and the factors), and one flow for a given Kv. Every
// iteration changes the flow slightly so that the cache cannot answer.
#include <benchmark/benchmark.h>

#include "valves/control_valve.h"

using namespace torvacalc;

namespace {

void SetLiquid(tControlValve& v) {
  v.SetPhase(phLiquid);
  v.SetCalculatedPhase(cpLiquid);
  v.SetP1(6.8);
  v.SetP2(2.2);
  v.SetRho1(965.4L);
  v.SetRho2(965.4L);
  v.SetPv1(0.701L);
  v.SetPv2(0.701L);
  v.SetPc(221.2L);
  v.SetEta1(3.1472e-4L);
  v.SetFl2_75(0.81L);
  v.SetFl2func(true);
  v.SetXt_75(0.72L);
  v.SetFd_75(0.46L);
  v.SetKvs(250);
  v.SetDNV(80);
  v.SetDN1(100);
  v.SetDN2(90);
}

void SetGas(tControlValve& v) {
  v.SetPhase(phGas);
  v.SetCalculatedPhase(cpGas);
  v.SetP1(6.8);
  v.SetP2(3.1);
  v.SetRho1(8.4136L);
  v.SetKappa1(1.3L);
  v.SetEta1(1.4665e-4L);
  v.SetFl2_75(0.7225L);
  v.SetFd_75(0.42L);
  v.SetXt_75(0.60L);
  v.SetXtfunc(true);
  v.SetKvs(100);
  v.SetDNV(50);
  v.SetDN1(80);
  v.SetDN2(100);
}

void BM_KvLiquidWithReducers(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  SetLiquid(v);
  Extended qm = 300000;
  for (auto _ : state) {
    qm = qm < 350000 ? qm + 1 : 300000;
    v.SetQm(qm);
    benchmark::DoNotOptimize(v.GetKv());
  }
}
BENCHMARK(BM_KvLiquidWithReducers);

void BM_KvGasWithReducers(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  SetGas(v);
  Extended qm = 7000;
  for (auto _ : state) {
    qm = qm < 7500 ? qm + 0.01L : 7000;
    v.SetQm(qm);
    benchmark::DoNotOptimize(v.GetKv());
  }
}
BENCHMARK(BM_KvGasWithReducers);

void BM_QmLiquid(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccQm);
  SetLiquid(v);
  Extended kv = 150;
  for (auto _ : state) {
    kv = kv < 200 ? kv + 0.001L : 150;
    v.SetKv(kv);
    benchmark::DoNotOptimize(v.GetQm());
  }
}
BENCHMARK(BM_QmLiquid);

}  // namespace

BENCHMARK_MAIN();
