// Natural-gas properties: (T, p) to density and the whole property set per
// call of the property library, the property set alone at a known density,
// and the provider with a new state each time, for AGA8-DC92 and GERG-2008.
// The gas is the 21-component example mixture of AGA Report No. 8 and the
// Gulf Coast gas (10 components) at pipeline states.
#include <benchmark/benchmark.h>

#include <bit>

#include "media/natural_gas.h"
#include "media/natural_gas_compositions.h"
#include "media/providers/natural_gas_abi.h"

namespace {

using namespace torvacalc;

const double kExample[natgas::NGComponents] = {
    0.77824, 0.02, 0.06, 0.08, 0.03, 0.0015, 0.003, 0.0005, 0.00165, 0.00215, 0.00088,
    0.00024, 0.00015, 0.00009, 0.004, 0.005, 0.002, 0.0001, 0.0025, 0.007, 0.001};

struct TLib {
  double (*setx)(double*, int*);
  double (*state)(double*, double*, double*, double*, int*);
  double (*props)(double*, double*, double*, int*);
};

TLib Lib(TNaturalGasMethod m) {
  tDLLEntry* e = DLLList().GetHandle(tNaturalGasSubstance::LibraryFile(m));
  if (!e) return {nullptr, nullptr, nullptr};
  return {std::bit_cast<double (*)(double*, int*)>(e->GetFunction("NGSETX")),
          std::bit_cast<double (*)(double*, double*, double*, double*, int*)>(e->GetFunction("NGSTATE")),
          std::bit_cast<double (*)(double*, double*, double*, int*)>(e->GetFunction("NGPROPSOTD"))};
}

void StateFromTP(benchmark::State& st, TNaturalGasMethod m) {
  const TLib lib = Lib(m);
  if (!lib.setx) {
    st.SkipWithError("library not found (set TORVACALC_DATA to the build folder)");
    return;
  }
  double x[natgas::NGComponents];
  std::copy(std::begin(kExample), std::end(kExample), x);
  int slot = 5;
  lib.setx(x, &slot);
  double out[natgas::ngCount], wish = 0;
  int i = 0;
  for (auto _ : st) {
    double T = 260 + (i % 16) * 10, P = 1000 + (i % 7) * 1500;  // K, kPa
    benchmark::DoNotOptimize(lib.state(&T, &P, &wish, out, &slot));
    ++i;
  }
  st.SetItemsProcessed(st.iterations());
}

void PropertiesFromTD(benchmark::State& st, TNaturalGasMethod m) {
  const TLib lib = Lib(m);
  if (!lib.setx) {
    st.SkipWithError("library not found (set TORVACALC_DATA to the build folder)");
    return;
  }
  double x[natgas::NGComponents];
  std::copy(std::begin(kExample), std::end(kExample), x);
  int slot = 6;
  lib.setx(x, &slot);
  double out[natgas::ngCount];
  int i = 0;
  for (auto _ : st) {
    double T = 260 + (i % 16) * 10, D = 0.5 + (i % 7) * 0.8;  // K, mol/l
    benchmark::DoNotOptimize(lib.props(&T, &D, out, &slot));
    ++i;
  }
  st.SetItemsProcessed(st.iterations());
}

void Provider(benchmark::State& st, TNaturalGasMethod m) {
  tNaturalGasSubstance gas(m);
  if (!gas.GetActive()) {
    st.SkipWithError("library not found (set TORVACALC_DATA to the build folder)");
    return;
  }
  LoadNamedComposition("Gulf Coast", gas.GetAGAConcentration());
  int i = 0;
  for (auto _ : st) {
    gas.SetT(-10 + (i % 16) * 5);
    gas.SetP(10 + (i % 7) * 10);
    benchmark::DoNotOptimize(gas.GetRho());
    benchmark::DoNotOptimize(gas.GetKappa());
    ++i;
  }
  st.SetItemsProcessed(st.iterations());
}

BENCHMARK_CAPTURE(StateFromTP, AGA8, ngmAGA8Detail);
BENCHMARK_CAPTURE(StateFromTP, GERG2008, ngmGERG2008);
BENCHMARK_CAPTURE(PropertiesFromTD, AGA8, ngmAGA8Detail);
BENCHMARK_CAPTURE(PropertiesFromTD, GERG2008, ngmGERG2008);
BENCHMARK_CAPTURE(Provider, AGA8, ngmAGA8Detail);
BENCHMARK_CAPTURE(Provider, GERG2008, ngmGERG2008);

}  // namespace

BENCHMARK_MAIN();
