// One edit settling through a chain of connected modules: the recalculation
// loop of the framework (events, links, connectors, update brackets,
// history) without any engineering in the modules.
#include <benchmark/benchmark.h>

#include "framework/super_module.h"

using namespace torvacalc;

namespace {

// y = x + 1
class TCMStep : public TCalcModule {
 public:
  TCMStep(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
    x = AddItem<TInputParameter>("x", qNoUnit);
    y = AddItem<TOutputParameter>("y", qNoUnit);
  }
  TInputParameter* x;
  TOutputParameter* y;

 protected:
  void DoCalculate() override {
    if (!CheckParameters({x})) return y->AssignValue(0, NoValue);
    y->AssignValue(0, x->GetCalcValue() + 1);
  }
};

// main.y0 -> M0.x, M0.y -> main.y1 -> M1.x, ...
class TChain : public TSuperCalcModule {
 public:
  explicit TChain(int n) : TSuperCalcModule("Chain") {
    TMainCalcModule* main = GetMainCalcModule();
    for (int i = 0; i <= n; ++i) main->AddItem<TInputParameter>("y" + std::to_string(i), qNoUnit);
    for (int i = 0; i < n; ++i) {
      auto* m = CreateModule<TCMStep>("M" + std::to_string(i));
      auto* c = CreateConnector(CalcSourceCustomMCM1(), CreateSource(m), "C" + std::to_string(i));
      c->InConnections.AddConnection("y" + std::to_string(i) + "|x");
      c->OutConnections.AddConnection("y|y" + std::to_string(i + 1));
      c->SetActive(true);
    }
    SetActive(true);
    first = dynamic_cast<TCalcParameter*>(main->CalcItemByName("y0"));
    last = dynamic_cast<TCalcParameter*>(main->CalcItemByName("y" + std::to_string(n)));
  }
  TCalcParameter* first;
  TCalcParameter* last;
};

void BM_EditSettlesThroughChain(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TChain chain(n);
  chain.UseHistory = state.range(1) != 0;
  Extended v = 0;
  for (auto _ : state) {
    chain.first->SetValue(++v);
    benchmark::DoNotOptimize(chain.last->GetValue());
  }
  if (chain.last->GetValue() != v + n) state.SkipWithError("chain did not settle");
  state.counters["modules"] = n;
}

}  // namespace

// Arguments: number of modules, history on (1) or off (0).
BENCHMARK(BM_EditSettlesThroughChain)->Args({10, 0})->Args({10, 1})->Args({100, 0})->Args({100, 1});

BENCHMARK_MAIN();
