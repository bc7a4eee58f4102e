// Cost of a full property set of water and steam per region: density,
// enthalpy, entropy, heat capacities, sound speed, viscosity, conductivity.
#include <benchmark/benchmark.h>

#include "media/water_steam.h"

namespace {

using torvacalc::Extended;
using torvacalc::tWaterSteam;

void PropertySet(benchmark::State& state, Extended t, Extended P, bool liquid) {
  tWaterSteam w;
  w.SetLiquid(liquid);
  w.SetP(P);
  bool flip = false;
  for (auto _ : state) {
    // Alternate the temperature so that every pass recomputes.
    w.SetT(flip ? t : t * (1 + 1E-6L));
    flip = !flip;
    Extended sum = w.GetRho() + w.GetH() + w.GetS() + w.Getcp() + w.Getcv() + w.Getcf() +
                   w.GetEta() + w.GetLambda() + w.GetKappa();
    benchmark::DoNotOptimize(sum);
  }
}

void BM_Region1(benchmark::State& s) { PropertySet(s, 150, 50, true); }
void BM_Region2(benchmark::State& s) { PropertySet(s, 400, 20, false); }
void BM_Region3(benchmark::State& s) { PropertySet(s, 380, 250, true); }
void BM_Region5(benchmark::State& s) { PropertySet(s, 1200, 30, false); }
void BM_SaturationLine(benchmark::State& s) {
  PropertySet(s, 180, torvacalc::CalculatePv(180), false);
}
void BM_HeatOfVaporization(benchmark::State& s) {
  Extended t = 100;
  for (auto _ : s) benchmark::DoNotOptimize(tWaterSteam::Calculatedhv(t += 1E-9L));
}

BENCHMARK(BM_Region1);
BENCHMARK(BM_Region2);
BENCHMARK(BM_Region3);
BENCHMARK(BM_Region5);
BENCHMARK(BM_SaturationLine);
BENCHMARK(BM_HeatOfVaporization);

}  // namespace

BENCHMARK_MAIN();
