// The double-precision sizing kernel against the extended-precision
// iteration of tControlValve over the regimes of a sizing: the same Kv, the
// same flow state and flow type, nothing allocated.
#include "valves/sizing_kernel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "valves/control_valve.h"

// Counts the allocations of the whole test program; the tests below read
// the count around a solve. Every plain and nothrow form is replaced, so
// that no memory passes between this allocator and another one; out of
// line, so that the compiler does not pair an inlined malloc with a free.
namespace {
std::atomic<long> gAllocations{0};
void* Allocate(std::size_t n) {
  ++gAllocations;
  return std::malloc(n ? n : 1);
}
}  // namespace
[[gnu::noinline]] void* operator new(std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
[[gnu::noinline]] void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace torvacalc {
namespace {

void Water(tControlValve& v, Extended p1, Extended p2, Extended DNV, Extended DN1, Extended DN2) {
  v.SetPhase(phLiquid);
  v.SetCalculatedPhase(cpLiquid);
  v.SetP1(p1);
  v.SetP2(p2);
  v.SetRho1(965.4L);
  v.SetRho2(965.4L);
  v.SetPv1(0.701L);
  v.SetPv2(0.701L);
  v.SetPc(221.2L);
  v.SetEta1(3.1472e-4L);
  v.SetFl2_75(0.81L);
  v.SetFd_75(0.46L);
  v.SetKvs(250);
  v.SetDNV(DNV);
  v.SetDN1(DN1);
  v.SetDN2(DN2);
}

// Carbon dioxide of IEC 60534-2-1 Annex E example 3 at 433 K.
void CarbonDioxide(tControlValve& v, Extended p2, Extended DN1, Extended DN2) {
  v.SetPhase(phGas);
  v.SetCalculatedPhase(cpGas);
  v.SetP1(6.8L);
  v.SetP2(p2);
  v.SetRho1(8.4136L);
  v.SetKappa1(1.3L);
  v.SetEta1(1.4665e-4L);
  v.SetFl2_75(0.7225L);
  v.SetFd_75(0.42L);
  v.SetXt_75(0.60L);
  v.SetKvs(100);
  v.SetDNV(50);
  v.SetDN1(DN1);
  v.SetDN2(DN2);
}

// The duty, set on a valve, and a sweep of eight flows in kg/h.
struct KernelCase { const char* what; void (*set)(tControlValve&); Extended qmFrom, qmTo; };
using V = tControlValve;

const KernelCase kCases[] = {
    {"IEC 60534-2-1 Annex E example 1, valve in line", [](V& v) { Water(v, 6.8L, 2.2L, 150, 150, 150); }, 1000,
     400000},
    {"example 1 between reducers, FL2 and Kc over the opening, xFz by rule, through cavitation",
     [](V& v) {
       Water(v, 6.8L, 2.2L, 80, 100, 90);
       v.SetFl2func(true);
       v.SetKc_75(0.5L);
       v.SetKcfunc(true);
       v.SetFdfunc(true);
       v.SetValveType(0);
     },
     20000, 400000},
    {"liquid with a given xFz shifted over the opening, 13 bar drop in a butterfly (mechanical damage)",
     [](V& v) {
       Water(v, 16, 3, 100, 150, 150);
       v.SetValveType(2);
       v.SetZy_75(0.4L);
       v.SetZyfunc(true);
       v.SetInwardFlow(ifClosing);
       v.SetFd_75c(0.3L);
     },
     10000, 300000},
    {"flashing: outlet below the vapour pressure", [](V& v) { Water(v, 6.8L, 0.5L, 100, 100, 100); v.SetPv2(0.9L); },
     10000, 200000},
    {"two-phase inlet with 30 % vapour",
     [](V& v) {
       Water(v, 6.8L, 3, 100, 100, 100);
       v.SetCalculatedPhase(cpZweiPhasig);
       v.SetPv1(6.8L);
       v.SetPvl1(6.8L);
       v.SetXFG1(30);
     },
     10000, 200000},
    {"viscous oil in a small valve: laminar to transitional (EN 60534-2-1:2000)",
     [](V& v) { Water(v, 5, 4, 25, 25, 25); v.SetRho1(880); v.SetRho2(880); v.SetEta1(0.8L); v.SetKvs(10); }, 10,
     20000},
    {"viscous oil, the 1994 Reynolds method",
     [](V& v) {
       Water(v, 5, 4, 25, 40, 40);
       v.SetRho1(880);
       v.SetRho2(880);
       v.SetEta1(0.8L);
       v.SetKvs(10);
       v.SetViscosityNorm(vnIEC94);
     },
     10, 20000},
    {"pulp stock at 5 % consistency",
     [](V& v) {
       Water(v, 6.8L, 2.2L, 150, 200, 200);
       v.SetSubstanceType(stPulpe);
       v.SetPulpeType(ptMechanical);
       v.SetXPulp(5);
     },
     10000, 300000},
    {"user values of FL2, Kc and Fd",
     [](V& v) { Water(v, 6.8L, 2.2L, 80, 100, 100); v.SetFl2(true, 0.7L); v.SetKc(true, 0.45L); v.SetFd(true, 0.3L); },
     10000, 300000},
    {"Annex E example 3, valve in line", [](V& v) { CarbonDioxide(v, 3.1L, 50, 50); }, 500, 20000},
    {"Annex E example 3 between its 80/100 mm fittings", [](V& v) { CarbonDioxide(v, 3.1L, 80, 100); }, 500, 20000},
    {"example 3, fittings and xT over the opening", [](V& v) { CarbonDioxide(v, 3.1L, 80, 100); v.SetXtfunc(true); },
     500, 20000},
    {"example 3 choked: outlet 1.5 bar", [](V& v) { CarbonDioxide(v, 1.5L, 80, 100); }, 500, 20000},
    {"gas with a user xT", [](V& v) { CarbonDioxide(v, 3.1L, 80, 100); v.SetXT(true, 0.5L); }, 500, 20000},
    {"flows beyond the bore of the valve", [](V& v) { CarbonDioxide(v, 3.1L, 50, 50); }, 40000, 400000},
};

// Sizes the sweep with the kernel and with the extended iteration, each
// object starting from the Kv of the flow before, as a user editing the
// flow does.
TEST(SizingKernel, SolvesAsTheExtendedIteration) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    tControlValve fast, reference;
    fast.SetCanCalc(ccKv);
    reference.SetCanCalc(ccKv);
    reference.SetUseKernel(false);
    c.set(fast);
    c.set(reference);
    ASSERT_TRUE(fast.KernelApplies());
    ASSERT_FALSE(reference.KernelApplies());
    for (int i = 0; i < 8; ++i) {
      const Extended qm = c.qmFrom + (c.qmTo - c.qmFrom) * i / 7;
      SCOPED_TRACE(static_cast<double>(qm));
      fast.SetQm(qm);
      reference.SetQm(qm);
      const Extended kv = fast.GetKv(), expected = reference.GetKv();
      if (IsNoValue(expected)) {
        // A sizing that does not settle (see CheckIteration) ends without
        // a value in both.
        EXPECT_TRUE(IsNoValue(kv)) << static_cast<double>(kv);
        continue;
      }
      // Both end when two steps agree to 11 significant digits; where the
      // reducers make the steps contract slowly, the two end points agree
      // to about 1E-10.
      EXPECT_NEAR(kv, expected, 1E-9L * expected);
      EXPECT_EQ(fast.GetFlowState(), reference.GetFlowState());
      EXPECT_EQ(fast.GetFlowType(), reference.GetFlowType());
      EXPECT_NEAR(fast.GetFpQm(), reference.GetFpQm(), 1E-10L);
      EXPECT_NEAR(fast.GetFrQm(), reference.GetFrQm(), 1E-10L);
    }
  }
}

// The class hands the kernel its inputs again only after a change other
// than of the flow: every kind of change must reach it.
TEST(SizingKernel, FollowsEveryChangeOfTheInputs) {
  tControlValve fast, reference;
  for (V* v : {&fast, &reference}) {
    v->SetCanCalc(ccKv);
    Water(*v, 6.8L, 2.2L, 80, 100, 90);
    v->SetQm(300000);
  }
  reference.SetUseKernel(false);
  const std::pair<const char*, void (*)(V&)> edits[] = {
      {"outlet pressure", [](V& v) { v.SetP2(3.5L); }},
      {"FL2 overruled", [](V& v) { v.SetFl2(true, 0.6L); }},
      {"FL2 computed again", [](V& v) { v.SetFl2(false, 0.6L); }},
      {"valve in line", [](V& v) { v.SetLineSize(true); }},
      {"Fd overruled, then the cache reset", [](V& v) { v.SetFd(true, 0.2L); v.Reset(); }},
      {"density", [](V& v) { v.SetRho1(900); }},
      {"Fl2 over the opening", [](V& v) { v.SetFl2func(true); }},
      {"unknown switched to the flow and back", [](V& v) { v.SetCanCalc(ccQm); v.SetCanCalc(ccKv); }},
  };
  for (const auto& [what, edit] : edits) {
    SCOPED_TRACE(what);
    edit(fast);
    edit(reference);
    const Extended expected = reference.GetKv();
    ASSERT_TRUE(HasValue(expected));
    EXPECT_NEAR(fast.GetKv(), expected, 1E-12L * expected);
  }
}

// Inputs the kernel does not model leave the sizing to the extended
// iteration; a missing input gives no value either way.
TEST(SizingKernel, CoversWhatItModelsOnly) {
  tControlValve v;
  v.SetCanCalc(ccKv);
  Water(v, 6.8L, 2.2L, 150, 150, 150);
  EXPECT_TRUE(v.KernelApplies());
  v.SetViscosityNorm(vnIEC89);
  EXPECT_FALSE(v.KernelApplies());
  v.SetViscosityNorm(vnEN60534_2000);
  v.SetLowNoiseDesign(lnPerforatedPlug);
  EXPECT_FALSE(v.KernelApplies());
  v.SetLowNoiseDesign(lnNone);
  v.SetCvr(200);
  v.SetPr(6);
  v.SetDr(100);
  EXPECT_FALSE(v.KernelApplies());
  v.SetCvr(NoValue);
  auto curves = std::make_shared<tValveDescription>();
  curves->Fl.Points = {{0.1L, 0.95L}, {1, 0.85L}};
  v.SetValveDescription(curves);
  EXPECT_FALSE(v.KernelApplies());
  v.SetValveDescription(nullptr);
  ASSERT_TRUE(v.KernelApplies());

  v.SetQm(300000);
  EXPECT_TRUE(HasValue(v.GetKv()));
  v.SetRho1(NoValue);
  EXPECT_TRUE(IsNoValue(v.GetKv()));
  v.SetRho1(965.4L);
  v.SetQm(NoValue);
  EXPECT_TRUE(IsNoValue(v.GetKv()));
}

// The kernel on its own: a missing value stays missing, and a solve
// allocates nothing, neither through the class nor by itself.
TEST(SizingKernel, NoValuesAndNoAllocation) {
  TSizingDuty d;
  d.phase = phGas, d.calculatedPhase = cpGas;
  d.Qm = 7000, d.p1 = 6.8, d.p2 = 3.1, d.rho1 = 8.4136, d.kappa1 = 1.3, d.eta1 = 1.4665e-4;
  d.Kvs = 100, d.DNV = 50;
  d.fl2.value75 = 0.7225, d.fd.value75 = 0.42, d.xt.value75 = 0.6;
  Extended zeta1, kvRed1, ezeta, ekvRed;
  tControlValve::Calculatezeta1(50, NoValue, 80, false, zeta1, kvRed1);
  tControlValve::CalculateEzeta(zeta1, 50, 100, NoValue, false, false, ezeta, ekvRed);
  d.zeta1 = ToKernel(zeta1), d.Ezeta = ToKernel(ezeta), d.EKvRed = ToKernel(ekvRed);
  const long before = gAllocations;
  const double kv = TSizingKernel(d).SolveKv(kKernelNone);
  EXPECT_EQ(gAllocations - before, 0);
  EXPECT_GT(kv, 50);
  EXPECT_LT(kv, 100);
  d.rho1 = kKernelNone;
  EXPECT_FALSE(KernelHas(TSizingKernel(d).SolveKv(kv)));
  EXPECT_TRUE(IsNoValue(FromKernel(kKernelNone)));
  EXPECT_TRUE(std::isnan(ToKernel(NoValue)));

  tControlValve v;
  v.SetCanCalc(ccKv);
  CarbonDioxide(v, 3.1L, 80, 100);
  v.SetXtfunc(true);
  v.SetQm(7000);
  v.GetKv();  // the first change of a slot works out its dependants once
  const long warm = gAllocations;
  for (int i = 1; i <= 20; ++i) {
    v.SetQm(7000 + i);
    v.GetKv();
  }
  EXPECT_EQ(gAllocations - warm, 0);
}

}  // namespace
}  // namespace torvacalc
