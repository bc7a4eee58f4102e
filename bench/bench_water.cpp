// Cost of a full property set of water and steam per region: density,
// enthalpy, entropy, heat capacities, sound speed, viscosity, conductivity;
// and the rate of the plain (t, P) -> density and enthalpy evaluation of the
// formulation, reported as states per second.
#include <benchmark/benchmark.h>

#include "media/if97.h"
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

// Density and enthalpy at (t, P) through the region dispatchers. The
// temperature walks through a small band around t so that no pass repeats a
// state; region 3 hands its searched density to the enthalpy.
void DensityEnthalpy(benchmark::State& state, int range, Extended t, Extended P) {
  int i = 0;
  for (auto _ : state) {
    const Extended ti = t + 0.01L * (i++ & 63);
    const Extended rho = torvacalc::CalculateRho(range, P, ti);
    const Extended h = torvacalc::Calculateh(range, P, ti, rho);
    benchmark::DoNotOptimize(rho);
    benchmark::DoNotOptimize(h);
  }
  state.counters["states/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void BM_DensityEnthalpy_Region1(benchmark::State& s) { DensityEnthalpy(s, 1, 150, 50); }
void BM_DensityEnthalpy_Region2(benchmark::State& s) { DensityEnthalpy(s, 2, 400, 20); }
void BM_DensityEnthalpy_Region3(benchmark::State& s) { DensityEnthalpy(s, 3, 380, 250); }
void BM_DensityEnthalpy_Region5(benchmark::State& s) { DensityEnthalpy(s, 5, 1200, 30); }

BENCHMARK(BM_Region1);
BENCHMARK(BM_Region2);
BENCHMARK(BM_Region3);
BENCHMARK(BM_Region5);
BENCHMARK(BM_SaturationLine);
BENCHMARK(BM_HeatOfVaporization);
BENCHMARK(BM_DensityEnthalpy_Region1);
BENCHMARK(BM_DensityEnthalpy_Region2);
BENCHMARK(BM_DensityEnthalpy_Region3);
BENCHMARK(BM_DensityEnthalpy_Region5);

// Temperature from pressure and enthalpy, as the state behind a valve is
// found: compressed water (region 1), steam at low and high pressure
// (subregions 2a, 2b, 2c) and a supercritical state (region 3). The
// enthalpy walks through a small band so that no pass repeats a state.
void FromEnthalpy(benchmark::State& state, Extended P, Extended h) {
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(tWaterSteam::IterateH(P, h + 0.01L * (i++ & 63)));
}
void BM_IterateH_Region1(benchmark::State& s) { FromEnthalpy(s, 7, 335); }
void BM_IterateH_Region2a(benchmark::State& s) { FromEnthalpy(s, 20, 3250); }
void BM_IterateH_Region2b(benchmark::State& s) { FromEnthalpy(s, 100, 3400); }
void BM_IterateH_Region2c(benchmark::State& s) { FromEnthalpy(s, 150, 2800); }
void BM_IterateH_Region3(benchmark::State& s) { FromEnthalpy(s, 300, 2500); }
BENCHMARK(BM_IterateH_Region1);
BENCHMARK(BM_IterateH_Region2a);
BENCHMARK(BM_IterateH_Region2b);
BENCHMARK(BM_IterateH_Region2c);
BENCHMARK(BM_IterateH_Region3);


// The same states with the region found first, as a caller without a region
// does: the plain functions (the region with the saturation pressure and the
// 2-3 boundary where its rules need them, then density and enthalpy in one
// evaluation) against the tWaterSteam object given t and P and asked
// for density and enthalpy. Their ratio is the object's own overhead: the
// result cache and its invalidation on every setter.
void PlainFound(benchmark::State& state, Extended t, Extended P, bool liquid) {
  int i = 0;
  for (auto _ : state) {
    const Extended ti = t + 0.01L * (i++ & 63);
    int display = 0;
    const int range = torvacalc::CalculateRange(P, ti, 0, liquid, display);
    const torvacalc::TIF97RhoH s = torvacalc::CalculateRhoH(range, P, ti);
    benchmark::DoNotOptimize(s.rho);
    benchmark::DoNotOptimize(s.h);
  }
  state.counters["states/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void ObjectFound(benchmark::State& state, Extended t, Extended P, bool liquid) {
  tWaterSteam w;
  w.SetLiquid(liquid);
  w.SetP(P);
  int i = 0;
  for (auto _ : state) {
    w.SetT(t + 0.01L * (i++ & 63));
    benchmark::DoNotOptimize(w.GetRho());
    benchmark::DoNotOptimize(w.GetH());
  }
  state.counters["states/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void BM_PlainFound_Region1(benchmark::State& s) { PlainFound(s, 150, 50, true); }
void BM_PlainFound_Region2(benchmark::State& s) { PlainFound(s, 400, 20, false); }
void BM_PlainFound_Region3(benchmark::State& s) { PlainFound(s, 380, 250, true); }
void BM_PlainFound_Region5(benchmark::State& s) { PlainFound(s, 1200, 30, false); }
void BM_ObjectFound_Region1(benchmark::State& s) { ObjectFound(s, 150, 50, true); }
void BM_ObjectFound_Region2(benchmark::State& s) { ObjectFound(s, 400, 20, false); }
void BM_ObjectFound_Region3(benchmark::State& s) { ObjectFound(s, 380, 250, true); }
void BM_ObjectFound_Region5(benchmark::State& s) { ObjectFound(s, 1200, 30, false); }
BENCHMARK(BM_PlainFound_Region1);
BENCHMARK(BM_PlainFound_Region2);
BENCHMARK(BM_PlainFound_Region3);
BENCHMARK(BM_PlainFound_Region5);
BENCHMARK(BM_ObjectFound_Region1);
BENCHMARK(BM_ObjectFound_Region2);
BENCHMARK(BM_ObjectFound_Region3);
BENCHMARK(BM_ObjectFound_Region5);

}  // namespace

BENCHMARK_MAIN();
