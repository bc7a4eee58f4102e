// Cost of a full property set of a medium through TSubstanceCalc, reported
// as property sets per second: a gas (Lee-Kesler real-gas factor, density,
// Lucas viscosity, isentropic exponent, sound speed) and a liquid (COSTALD
// density with compression, Lee-Kesler vapour pressure, database viscosity),
// each recomputed after a change of temperature; and the single correlations.
#include <benchmark/benchmark.h>

#include "media/substance_calc.h"
#include "media/substance_database.h"

namespace {

using torvacalc::Extended;
using torvacalc::NoValue;
using torvacalc::TSubstanceCalc;
constexpr Extended K = torvacalc::ZeroCelsius;

// Methane (Poling et al., App. A) with its ideal-gas heat capacity.
void LoadMethane(TSubstanceCalc& s) {
  s.SetTc(190.56L - K);
  s.SetPc(45.99L);
  s.SetOmega(0.011L);
  s.SetZc(0.286L);
  s.SetMy(0);
  s.SetTs(111.66L - K);
  s.SetTt(90.69L - K);
  s.SetRhoNRiM(torvacalc::rrmM);
  s.SetM(16.043L);
  torvacalc::tPropertyDescription d;
  d.FluidFound = true;
  d.Functions[torvacalc::pfCpGas].Valid = true;
  d.Functions[torvacalc::pfCpGas].k[0] = 35.69L / 16.043L;
  d.Functions[torvacalc::pfKappaGas].Valid = true;
  d.Functions[torvacalc::pfKappaGas].k[0] = 35.69L / (35.69L - 8.314462L);
  s.SetPropertyDescription(d);
}

// Toluene with the liquid viscosity of the database record (fitted to the
// CRC table) when the database is there.
void LoadToluene(TSubstanceCalc& s, bool withDatabase) {
  s.SetTc(591.75L - K);
  s.SetPc(41.08L);
  s.SetOmega(0.264L);
  s.SetRhoC(92.141L / 316 * 1000);
  s.SetRho25(862.3L);
  s.SetTs(383.79L - K);
  s.SetTt(178.18L - K);
  s.SetRhoNRiM(torvacalc::rrmM);
  s.SetM(92.141L);
  if (withDatabase)
    if (const auto* d = torvacalc::TDataModuleCDSSubstance::Default().Find("Toluene")) {
      torvacalc::tPropertyDescription copy = *d;
      copy.Functions[torvacalc::pfPv].Valid = false;  // the Lee-Kesler vapour pressure
      s.SetPropertyDescription(copy);
    }
}

void BM_GasPropertySet(benchmark::State& state) {
  TSubstanceCalc s;
  LoadMethane(s);
  s.SetPhase(torvacalc::phGas);
  s.SetP(50);
  bool flip = false;
  for (auto _ : state) {
    s.SetT(flip ? 20 : 20.001L);
    flip = !flip;
    Extended sum = s.GetZ() + s.GetRho() + s.GetEta() + s.GetKappa() + s.GetCf();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_LiquidPropertySet(benchmark::State& state) {
  TSubstanceCalc s;
  LoadToluene(s, true);
  s.SetPhase(torvacalc::phLiquid);
  s.SetP(5);
  bool flip = false;
  for (auto _ : state) {
    s.SetT(flip ? 25 : 25.001L);
    flip = !flip;
    Extended sum = s.GetRho() + s.GetPv() + s.GetEta();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_LeeKeslerZ(benchmark::State& state) {
  Extended T = 20;
  for (auto _ : state)
    benchmark::DoNotOptimize(TSubstanceCalc::RealgasFactor(T += 1E-9L, 50, 190.56L - K, 45.99L, 0.011L));
  state.SetItemsProcessed(state.iterations());
}

void BM_Costald(benchmark::State& state) {
  Extended T = 25;
  for (auto _ : state)
    benchmark::DoNotOptimize(TSubstanceCalc::DensityLiquid(T += 1E-9L, 5, 0.038L, 591.75L - K, 41.08L,
                                                           0.264L, 291.6L, NoValue));
  state.SetItemsProcessed(state.iterations());
}

void BM_RedlichKwong(benchmark::State& state) {
  Extended T = 150;
  for (auto _ : state)
    benchmark::DoNotOptimize(TSubstanceCalc::DensityVapour(T += 1E-9L, 2, 507.6L - K, 30.25L, 86.177L));
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_GasPropertySet);
BENCHMARK(BM_LiquidPropertySet);
BENCHMARK(BM_LeeKeslerZ);
BENCHMARK(BM_Costald);
BENCHMARK(BM_RedlichKwong);
BENCHMARK_MAIN();
