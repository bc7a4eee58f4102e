// Valve noise: one prediction per method (the single-value level and the
// octave spectrum) with a fresh flow each iteration so that the cache
// cannot answer, and the whole module calculation of the IEC methods.
// Items per second = predictions per second.
#include <benchmark/benchmark.h>

#include "noise/cm_noise.h"

using namespace torvacalc;

namespace {

// IEC 60534-8-4:2015 example 2: water, cavitating.
void SetWater(tVDMA79& n) {
  n.SetPhase(phLiquid);
  n.SetP1(10);
  n.SetP2(6.5L);
  n.SetPv1(0.0232L);
  n.SetRho1(997);
  n.SetCf1(1400);
  n.SetKv(77.85L);
  n.SetDNV(100);
  n.SetDiP(107.1L);
  n.SetFl2(0.8464L);
  n.SetZy(0.2543L);
}

// IEC 60534-8-3:2010 example 1: gas, regime I.
void SetGas(tVDMA79& n) {
  n.SetPhase(phGas);
  n.SetP1(10);
  n.SetP2(7.2L);
  n.SetT1(176.85L);
  n.SetRho1(5.3L);
  n.SetKappa1(1.22L);
  n.SetKv(77.85L);
  n.SetDNV(100);
  n.SetDiP(203.1L);
  n.SetFl2(0.6531L);
}

template <class T, class Setup, class Pipe>
void Predict(benchmark::State& state, Setup setup, Pipe pipe, Extended qm) {
  T n;
  setup(n);
  pipe(n);
  Extended q = qm;
  for (auto _ : state) {
    q = q == qm ? qm * 1.001L : qm;
    n.SetQm(q);
    benchmark::DoNotOptimize(n.GetLpAa());
    benchmark::DoNotOptimize(n.GetLpAaSpectrum().GetSum());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_IEC2003(benchmark::State& state) {
  Predict<tIEC2003>(state, SetWater, [](tIEC2003& n) {
    n.SetFd(0.42L), n.SetTP(3.6L), n.SetRhoP(7800), n.SetCPipe(5000), n.SetRw(0.25L),
        n.SetPcrit(220.64L), n.SetEdition(leIEC2005);
  }, 144000);
}

void BM_IEC2015(benchmark::State& state) {
  Predict<tIEC2003>(state, SetWater, [](tIEC2003& n) {
    n.SetFd(0.42L), n.SetTP(3.6L), n.SetRhoP(7800), n.SetCPipe(5000), n.SetEdition(leIEC2015);
  }, 144000);
}

void BM_ISA89_2000(benchmark::State& state) {
  Predict<tISA89>(state, SetGas, [](tISA89& n) {
    n.SetFd(0.296L), n.SetTP(8), n.SetRhoP(8000), n.SetCPipe(5000), n.SetRw(0.25L),
        n.SetNoiseStandard(nsIEC2000);
  }, 7992);
}

void BM_ISA89_2010(benchmark::State& state) {
  Predict<tISA89>(state, SetGas, [](tISA89& n) {
    n.SetFd(0.296L), n.SetTP(8), n.SetRhoP(8000), n.SetCPipe(5000),
        n.SetNoiseStandard(nsIEC2010);
  }, 7992);
}

void BM_VDMA89(benchmark::State& state) {
  Predict<tVDMA89>(state, SetGas, [](tVDMA89& n) {
    n.SetXCr(0.6L), n.SetG1(-4), n.SetG2(1.5L), n.SetTp(8), n.SetRhoP(8000), n.SetCPipe(5000);
  }, 7992);
}

void BM_VDMA79(benchmark::State& state) {
  tVDMA79 n;
  SetGas(n);
  Extended q = 7992;
  for (auto _ : state) {
    q = q == 7992 ? 7992 * 1.001L : 7992;
    n.SetQm(q);
    benchmark::DoNotOptimize(n.GetLpAa());
  }
  state.SetItemsProcessed(state.iterations());
}

// The whole module: copy in, checks, read-back of every item and band,
// messages.
template <class M>
void Module(benchmark::State& state, const std::vector<std::pair<const char*, const char*>>& v) {
  TCalcMessageContainer messages;
  M m;
  m.SetCalcMessageContainer(&messages);
  m.SetActive(false);
  for (const auto& [name, text] : v) m.CalcItemByName(name)->SetText(text);
  m.SetActive(true);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    m.qm->SetText(flip ? "7000" : "7100");
    benchmark::DoNotOptimize(m.LpAa->GetValue());
  }
  state.SetItemsProcessed(state.iterations());
  messages.RemoveAllMessages();
  m.SetCalcMessageContainer(nullptr);
}

void BM_ModuleIsa89(benchmark::State& state) {
  Module<TCMIsa89>(state, {{"Phase", "Gas"}, {"p1", "10"}, {"p2", "7.2"}, {"t1", "176.85"},
                           {"rho1", "5.3"}, {"kappa1", "1.22"}, {"kv", "77.85"},
                           {"ValveDN", "100"}, {"DiP", "203.1"}, {"tP", "8"}, {"fl2", "0.6531"},
                           {"fd", "0.296"}});
}

const std::vector<std::pair<const char*, const char*>> kWaterModule = {
    {"Phase", "Flüssigkeit"}, {"p1", "10"},       {"p2", "6.5"},     {"rho1", "997"},
    {"pv1", "0.0232"},         {"cf1", "1400"},    {"kv", "77.85"},   {"ValveDN", "100"},
    {"DiP", "107.1"},          {"tP", "3.6"},      {"fl2", "0.8464"}, {"fd", "0.42"},
    {"zy", "0.2543"}};

void BM_ModuleIEC2003(benchmark::State& state) {
  auto v = kWaterModule;
  v.push_back({"NoiseStandardLiquid", "IEC 60534-8-4 (2005)"});
  Module<tCMIEC2003>(state, v);
}

void BM_ModuleIEC2015(benchmark::State& state) {
  auto v = kWaterModule;
  v.push_back({"NoiseStandardLiquid", "IEC 60534-8-4 (2015)"});
  Module<tCMIEC2003>(state, v);
}

}  // namespace

BENCHMARK(BM_IEC2003);
BENCHMARK(BM_IEC2015);
BENCHMARK(BM_ISA89_2000);
BENCHMARK(BM_ISA89_2010);
BENCHMARK(BM_VDMA79);
BENCHMARK(BM_VDMA89);
BENCHMARK(BM_ModuleIEC2003);
BENCHMARK(BM_ModuleIEC2015);
BENCHMARK(BM_ModuleIsa89);
BENCHMARK_MAIN();
