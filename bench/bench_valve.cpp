// Valve sizing: one Kv for a liquid and for a gas, plain (valve in line
// with the pipe, constant factors) and with reducers (the fixed point of Kv,
// FP, FR and the factors), one flow for a given Kv, and the whole module
// calculation. Every iteration changes the flow slightly so that the cache
// cannot answer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "allocation_count.h"
#include "valves/cm_control_valves.h"
#include "valves/control_valve.h"
#include "valves/sizing_kernel.h"

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

// IEC 60534-2-1 Annex E example 1 (water, globe valve DN 150 in line).
void SetPlainLiquid(tControlValve& v) {
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
  v.SetFd_75(0.46L);
  v.SetKvs(250);
  v.SetDNV(150);
  v.SetLineSize(true);
}

// IEC 60534-2-1 Annex E example 3 without its reducers.
void SetPlainGas(tControlValve& v) {
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
  v.SetKvs(100);
  v.SetDNV(50);
  v.SetLineSize(true);
}

// IEC 60534-2-1 Annex E example 3 as published: DN 50 valve between an
// 80 mm reducer and a 100 mm expander, xT and FL constant.
void SetGasFittings(tControlValve& v) {
  SetPlainGas(v);
  v.SetLineSize(false);
  v.SetDN1(80);
  v.SetDN2(100);
}

// Sweeps one input of a set-up valve over a band and reads the unknown
// each time: the cost of one sizing, the caches invalidated as in use.
template <class Set, class Get>
void Sweep(benchmark::State& state, tControlValve& v, Extended lo, Extended hi, Extended step, Set set, Get get) {
  Extended x = lo;
  for (auto _ : state) {
    x = x < hi ? x + step : lo;
    (v.*set)(x);
    benchmark::DoNotOptimize((v.*get)());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_KvLiquid(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  SetPlainLiquid(v);
  Sweep(state, v, 300000, 350000, 1, &tControlValve::SetQm, &tControlValve::GetKv);
}
BENCHMARK(BM_KvLiquid);

void BM_KvGas(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  SetPlainGas(v);
  Sweep(state, v, 7000, 7500, 0.01L, &tControlValve::SetQm, &tControlValve::GetKv);
}
BENCHMARK(BM_KvGas);

// The module of the two examples, given their duties and switched on.
void SetUpModule(TCMControlValves& m, bool liquid) {
  const std::vector<std::pair<const char*, const char*>> inputs =
      liquid ? std::vector<std::pair<const char*, const char*>>{
                   {"p1", "6.8"}, {"p2", "2.2"}, {"rho1", "965.4"}, {"pv1", "0.701"},
                   {"pc", "221.2"}, {"eta1", "3.1472E-4"}, {"fl2_75", "0.81"}, {"fd_75", "0.46"},
                   {"kvs", "250"}, {"DNV", "150"}, {"DN1", "150"}, {"DN2", "150"}}
             : std::vector<std::pair<const char*, const char*>>{
                   {"p1", "6.8"}, {"p2", "3.1"}, {"rho1", "8.4136"}, {"kappa1", "1.3"},
                   {"eta1", "1.4665E-4"}, {"fl2_75", "0.7225"}, {"xt_75", "0.6"},
                   {"fd_75", "0.42"}, {"kvs", "100"}, {"DNV", "50"}, {"DN1", "50"},
                   {"DN2", "50"}};
  for (const auto& [name, text] : inputs) m.CalcItemByName(name)->SetText(text);
  m.Phase->SetSwitchStatus(liquid ? phLiquid : phGas);
  m.SetActive(true);
}

// The module: copying every parameter in, sizing, reading back, relevance
// and messages.
void ModuleBench(benchmark::State& state, bool liquid) {
  TCalcMessageContainer messages;
  TCMControlValves m;
  m.SetCalcMessageContainer(&messages);
  SetUpModule(m, liquid);
  Extended q = liquid ? 300000 : 7000;
  const Extended lo = q, step = liquid ? 1 : 0.01L;
  const std::size_t before = bench::Allocations();
  for (auto _ : state) {
    q = q < lo * 1.15L ? q + step : lo;
    m.qm->SetValue(q);  // recalculates the active module
    benchmark::DoNotOptimize(m.kv->GetValue());
  }
  state.SetItemsProcessed(state.iterations());
  // A settled module recalculates without touching the heap.
  state.counters["allocations_per_pass"] =
      static_cast<double>(bench::Allocations() - before) / static_cast<double>(state.iterations());
}
void BM_ModuleKvLiquid(benchmark::State& state) { ModuleBench(state, true); }
void BM_ModuleKvGas(benchmark::State& state) { ModuleBench(state, false); }
BENCHMARK(BM_ModuleKvLiquid);
BENCHMARK(BM_ModuleKvGas);

void BM_KvGasFittings(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  SetGasFittings(v);
  Sweep(state, v, 7000, 7500, 0.01L, &tControlValve::SetQm, &tControlValve::GetKv);
}
BENCHMARK(BM_KvGasFittings);

void BM_KvLiquidWithReducers(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  SetLiquid(v);
  Sweep(state, v, 300000, 350000, 1, &tControlValve::SetQm, &tControlValve::GetKv);
}
BENCHMARK(BM_KvLiquidWithReducers);

void BM_KvGasWithReducers(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  SetGas(v);
  Sweep(state, v, 7000, 7500, 0.01L, &tControlValve::SetQm, &tControlValve::GetKv);
}
BENCHMARK(BM_KvGasWithReducers);

void BM_QmLiquid(benchmark::State& state) {
  tControlValve v;
  v.SetCanCalc(ccQm);
  SetLiquid(v);
  Sweep(state, v, 150, 200, 0.001L, &tControlValve::SetKv, &tControlValve::GetQm);
}
BENCHMARK(BM_QmLiquid);

// The sizing routines composed as tControlValve composes them, without the
// result cache: the reducers worked out once (the cache keeps them while
// only the flow changes), the inputs handed to the double-precision kernel,
// the fixed point solved from the Kv of the flow before. What the cache,
// the setters and the conversions cost is the difference to BM_KvLiquid,
// BM_KvGas and BM_KvGasFittings.
struct TDuty {
  TEPhase phase;
  Extended p1, p2, rho, pv, pc, eta, kappa, fl2, fd, xt, kvs, DNV, DN1, DN2;
  bool lineSize;
};

const TDuty kLiquidDuty = {phLiquid, 6.8L, 2.2L, 965.4L, 0.701L, 221.2L, 3.1472e-4L, NoValue,
                           0.81L, 0.46L, NoValue, 250, 150, 150, 150, true};
const TDuty kGasDuty = {phGas, 6.8L, 3.1L, 8.4136L, NoValue, NoValue, 1.4665e-4L, 1.3L,
                        0.7225L, 0.42L, 0.60L, 100, 50, 50, 50, true};
const TDuty kGasFittingsDuty = {phGas, 6.8L, 3.1L, 8.4136L, NoValue, NoValue, 1.4665e-4L, 1.3L,
                                0.7225L, 0.42L, 0.60L, 100, 50, 80, 100, false};

TSizingDuty KernelDuty(const TDuty& d) {
  const bool liquid = d.phase == phLiquid;
  TSizingDuty k;
  k.phase = d.phase;
  k.calculatedPhase = liquid ? cpLiquid : cpGas;
  k.equivalentValveType = 1;
  k.p1 = ToKernel(d.p1), k.p2 = ToKernel(d.p2);
  k.rho1 = k.rho2 = ToKernel(d.rho);
  k.pv1 = k.pv2 = ToKernel(d.pv);
  k.pc = ToKernel(d.pc);
  k.kappa1 = ToKernel(d.kappa);
  k.eta1 = ToKernel(d.eta);
  k.Kvs = ToKernel(d.kvs);
  k.DNV = ToKernel(d.DNV);
  k.lineSize = d.lineSize;
  k.fl2.value75 = ToKernel(d.fl2);
  k.fd.value75 = ToKernel(d.fd);
  k.xt.value75 = ToKernel(d.xt);
  Extended zeta1, kvRed1, ezeta, ekvRed;
  tControlValve::Calculatezeta1(d.DNV, NoValue, d.DN1, d.lineSize, zeta1, kvRed1);
  tControlValve::CalculateEzeta(zeta1, d.DNV, d.DN2, NoValue, d.lineSize, false, ezeta, ekvRed);
  k.zeta1 = ToKernel(zeta1), k.Ezeta = ToKernel(ezeta), k.EKvRed = ToKernel(ekvRed);
  return k;
}

// One sizing: the flow handed over, the kernel built, Kv solved from the
// last one and given back in extended precision.
Extended RoutinesKv(TSizingDuty& k, Extended Qm, Extended lastKv) {
  k.Qm = ToKernel(Qm);
  return FromKernel(TSizingKernel(k).SolveKv(ToKernel(lastKv)));
}

// The duty through tControlValve, for the check that both agree.
Extended ClassKv(const TDuty& d, Extended Qm) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  if (&d == &kLiquidDuty) SetPlainLiquid(v);
  else if (&d == &kGasDuty) SetPlainGas(v);
  else SetGasFittings(v);
  v.SetQm(Qm);
  return v.GetKv();
}

void RoutinesBench(benchmark::State& state, const TDuty& d, Extended lo, Extended step) {
  TSizingDuty k = KernelDuty(d);
  const Extended check = RoutinesKv(k, lo, NoValue), expected = ClassKv(d, lo);
  if (!EqualDigits(check, expected, 9)) {
    state.SkipWithError("the composed routines do not size as tControlValve does");
    return;
  }
  Extended q = lo, kv = check;
  for (auto _ : state) {
    q = q < lo * 1.15L ? q + step : lo;
    kv = RoutinesKv(k, q, kv);
    benchmark::DoNotOptimize(kv);
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_RoutinesKvLiquid(benchmark::State& s) { RoutinesBench(s, kLiquidDuty, 300000, 1); }
void BM_RoutinesKvGas(benchmark::State& s) { RoutinesBench(s, kGasDuty, 7000, 0.01L); }
void BM_RoutinesKvGasFittings(benchmark::State& s) { RoutinesBench(s, kGasFittingsDuty, 7000, 0.01L); }
BENCHMARK(BM_RoutinesKvLiquid);
BENCHMARK(BM_RoutinesKvGas);
BENCHMARK(BM_RoutinesKvGasFittings);

}  // namespace

BENCHMARK_MAIN();

// ---------------------------------------------------------------------------
// The class's share of one module pass: tControlValve given what
// TCMControlValves hands it for the duties of ModuleBench, then per pass the
// unknown cleared and the flow set (as the module copies its inputs), the
// flow state (read before the relevance is set), every result the module
// reads back and judges its messages by, and the unknown marked for the
// next operating point. The like-for-like reference of BM_ModuleKv*.
namespace {

// The inputs as TCMControlValves::CopyInputs passes them, read from the
// module's own items (factors from the catalogue included).
void CopyModuleInputs(TCMControlValves& m, tControlValve& v) {
  const auto V = [](const TCalcParameter* p) { return p->GetCalcValue(); };
  v.SetUseResistors(m.UseResistors->GetChecked());
  v.SetLineSize(m.LineSize->GetChecked());
  v.SetKvs(V(m.kvs));
  v.SetFl2func(m.fl2func->GetChecked());
  v.SetKcfunc(m.Kcfunc->GetChecked());
  v.SetZyfunc(m.zyfunc->GetChecked());
  v.SetXtfunc(m.xtfunc->GetChecked());
  v.SetFdfunc(m.fdfunc->GetChecked());
  v.SetFl2_75(V(m.fl2_75));
  v.SetKc_75(V(m.Kc_75));
  v.SetZy_75(V(m.zy_75));
  v.SetXt_75(V(m.xt_75));
  v.SetFd_75(V(m.fd_75));
  v.SetFd_75c(V(m.fd_75c));
  v.SetPv1(V(m.pv1));
  v.SetPv2(HasValue(V(m.pv2)) ? V(m.pv2) : V(m.pv1));
  v.SetRho1(V(m.rho1));
  v.SetRho2(V(m.rho2));
  v.SetEta1(V(m.eta1));
  v.SetKappa1(V(m.kappa1));
  v.SetPc(V(m.pc));
  v.SetDNV(V(m.DNV));
  v.SetDN1(V(m.DN1));
  v.SetDN2(V(m.DN2));
  const bool liquid = m.Phase->GetSwitchStatus() == phLiquid;
  v.SetPhase(liquid ? phLiquid : phGas);
  v.SetCalculatedPhase(liquid ? cpLiquid : cpGas);
  v.SetCanCalc(ccKv);
  v.SetValveType(std::max(0, m.ValveType->GetSwitchIndex()));
  v.SetP1(V(m.p1));
  v.SetP2(V(m.p2));
}

constexpr int kPassResults = 41;

// The results TCMControlValves::ReadBack reads, in its order.
using TResultGetter = Extended (tControlValve::*)();
constexpr TResultGetter kReadBack[] = {
    &tControlValve::GetP2NC,       &tControlValve::GetKvNC,     &tControlValve::GetQmNC,
    &tControlValve::GetP1NC,       &tControlValve::GetKvsSuggMin, &tControlValve::GetKvsSuggMax,
    &tControlValve::GetKvKvs,      &tControlValve::GetFpQm,     &tControlValve::GetFrQm,
    &tControlValve::GetFPulpQm,    &tControlValve::GetRe,       &tControlValve::GetEKvRed,
    &tControlValve::GetFl2Valve,   &tControlValve::GetKc,       &tControlValve::GetZy,
    &tControlValve::GetXtValve,    &tControlValve::GetFd,       &tControlValve::GetFlp2,
    &tControlValve::GetXtp,        &tControlValve::GetFk,       &tControlValve::GetKcStar,
    &tControlValve::GetFlStar,     &tControlValve::GetH,        &tControlValve::GetDp,
    &tControlValve::GetDpc,        &tControlValve::GetDpXc,     &tControlValve::GetDpLimit,
    &tControlValve::GetX,          &tControlValve::GetXc,       &tControlValve::GetSigmaP,
    &tControlValve::GetSigmaV,     &tControlValve::GetSigmaMr,  &tControlValve::GetSigmaCh,
    &tControlValve::GetSigmaI,     &tControlValve::GetSigmaId,  &tControlValve::GetSigma};

// One module pass at the flow q; the results in the order the module reads
// them.
void ClassPass(tControlValve& v, Extended q, Extended (&r)[kPassResults]) {
  v.SetKv(NoValue);
  v.SetQm(q);
  int i = 0;
  r[i++] = v.GetFlowState();
  r[i++] = v.GetKv();
  for (const TResultGetter get : kReadBack) r[i++] = (v.*get)();
  r[i++] = v.GetFlowState();
  r[i++] = v.GetFlowType();
  // The messages: the flow type, whether a description is given, the state.
  r[i++] = v.GetFlowType() + (v.GetValveDescription() ? 100 : 0) + 1000 * v.GetFlowState();
  v.ResetCalcTarget();
}

void ClassAllResultsBench(benchmark::State& state, bool liquid) {
  // The module of ModuleBench, calculated once: its inputs and its valve's
  // results are the reference.
  TCalcMessageContainer messages;
  TCMControlValves m;
  m.SetCalcMessageContainer(&messages);
  SetUpModule(m, liquid);
  const Extended lo = liquid ? 300000 : 7000, step = liquid ? 1 : 0.01L;
  m.qm->SetValue(lo + step);

  tControlValve v;
  CopyModuleInputs(m, v);
  Extended r[kPassResults];
  ClassPass(v, lo + step, r);
  // The module's own valve, given the same flow afresh, must agree to the
  // bit on every result.
  Extended ref[kPassResults];
  ClassPass(m.Valve(), lo + step, ref);
  for (int k = 0; k < kPassResults; ++k)
    if (!(ref[k] == r[k] || (IsNoValue(ref[k]) && IsNoValue(r[k])))) {
      state.SkipWithError("the valve is not given what the module gives it");
      return;
    }

  Extended q = lo;
  for (auto _ : state) {
    q = q < lo * 1.15L ? q + step : lo;
    ClassPass(v, q, r);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_ClassAllResultsLiquid(benchmark::State& state) { ClassAllResultsBench(state, true); }
void BM_ClassAllResultsGas(benchmark::State& state) { ClassAllResultsBench(state, false); }
BENCHMARK(BM_ClassAllResultsLiquid);
BENCHMARK(BM_ClassAllResultsGas);

}  // namespace
