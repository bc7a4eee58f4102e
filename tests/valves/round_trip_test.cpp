// The four unknowns of the sizing relation invert each other over a spread
// of duties: a Kv sized for (qm, p1, p2) gives back qm, p1 and p2 when each
// in turn is solved for with that Kv. Liquids and gases, valves in line and
// between reducers, turbulent to laminar flow, normal flow to flashing and
// choking; the duties come from a fixed pseudo-random sequence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "valves/control_valve.h"

using namespace torvacalc;

namespace {

// A small linear congruential generator: the same duties on every platform.
class TDuties {
 public:
  Extended Uniform(Extended lo, Extended hi) {
    FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
    return lo + (hi - lo) * static_cast<Extended>(FState >> 11) / static_cast<Extended>(1ULL << 53);
  }
  template <class T, size_t N>
  T Pick(const T (&values)[N]) {
    return values[static_cast<size_t>(Uniform(0, N)) % N];
  }

 private:
  std::uint64_t FState = 20261207;
};

struct TDuty { bool liquid; Extended p1, p2, qm; };

TDuty SetDuty(tControlValve& v, TDuties& r) {
  const bool liquid = r.Uniform(0, 1) < 0.5;
  const Extended sizes[] = {25, 50, 80, 100, 150, 200, 300};
  const Extended DNV = r.Pick(sizes);
  const bool fittings = r.Uniform(0, 1) < 0.5;
  const Extended inlet[] = {1, 1.25, 1.5, 2}, outlet[] = {1, 1.25, 1.5, 2, 3};
  const Extended fds[] = {0.1L, 0.3L, 0.46L, 0.7L, 1};
  v.SetDNV(DNV);
  v.SetDN1(fittings ? DNV * r.Pick(inlet) : DNV);
  v.SetDN2(fittings ? DNV * r.Pick(outlet) : DNV);
  v.SetFd_75(r.Pick(fds));
  v.SetKvs(1e5L);
  const Extended p1 = r.Uniform(2, 60), p2 = r.Uniform(0.05L, 0.98L) * p1;
  Extended qm;
  if (liquid) {
    v.SetPhase(phLiquid);
    v.SetCalculatedPhase(cpLiquid);
    const Extended FL = r.Uniform(0.5L, 0.95L), rho = r.Uniform(600, 1100);
    v.SetFl2_75(FL * FL);
    v.SetRho1(rho);
    v.SetPv1(r.Uniform(0.01L, 0.8L) * p1);
    v.SetPv2(v.GetPv1());
    v.SetPc(221.2L);
    v.SetEta1(std::pow(10.0L, r.Uniform(-4, 0)));
    qm = std::pow(10.0L, r.Uniform(-1, 3)) * DNV * DNV / 1e4L * rho;
  } else {
    v.SetPhase(phGas);
    v.SetCalculatedPhase(cpGas);
    const Extended kappas[] = {1.1L, 1.3L, 1.4L, 1.66L};
    const Extended rho = p1 * r.Uniform(0.1L, 2);
    v.SetFl2_75(0.81L);
    v.SetXt_75(r.Uniform(0.2L, 0.85L));
    v.SetKappa1(r.Pick(kappas));
    v.SetRho1(rho);
    v.SetEta1(std::pow(10.0L, r.Uniform(-5.3L, -4)));
    qm = std::pow(10.0L, r.Uniform(0, 4)) * DNV * DNV / 1e4L * rho;
  }
  v.SetP1(p1);
  v.SetP2(p2);
  v.SetQm(qm);
  return {liquid, p1, p2, qm};
}

}  // namespace

TEST(SizingRoundTrip, EachUnknownGivesBackTheDutyItsKvWasSizedFor) {
  TDuties r;
  int compared = 0;
  for (int i = 0; i < 400; ++i) {
    tControlValve v;
    v.SetCanCalc(ccKv);
    const TDuty d = SetDuty(v, r);
    const Extended kv = v.GetKv();
    if (IsNoValue(kv)) continue;
    // A Kv stopped at the bore of the valve or at what its reducers pass
    // has no inverse.
    const Extended DNV = v.GetDNV();
    if (std::fabs(kv / (0.25L * DNV * DNV * 1.000001L) - 1) < 1e-9L ||
        std::fabs(v.GetFpQm() - 1 / std::sqrt(2.0L)) < 1e-5L)
      continue;
    ++compared;
    SCOPED_TRACE(testing::Message() << "duty " << i << (d.liquid ? " liquid" : " gas") << ", p1 " << d.p1
                                    << ", p2 " << d.p2 << ", qm " << d.qm << ", Kv " << kv);
    const TECVFlowState state = v.GetFlowState();

    v.SetCanCalc(ccQm);
    v.SetQm(NoValue);
    EXPECT_NEAR(v.GetQm(), d.qm, 1e-8L * d.qm);

    v.SetCanCalc(ccP1);
    v.SetQm(d.qm);
    v.SetP1(NoValue);
    EXPECT_NEAR(v.GetP1(), d.p1, 1e-8L * d.p1);

    // In choked flow every outlet pressure below the limit passes the same
    // flow: the solve gives the limit, which must lie at or above p2 and
    // size the same Kv.
    v.SetCanCalc(ccP2);
    v.SetP1(d.p1);
    v.SetP2(NoValue);
    const Extended p2 = v.GetP2();
    ASSERT_TRUE(HasValue(p2));
    if (std::fabs(p2 / d.p2 - 1) > 1e-8L) {
      EXPECT_GT(p2, d.p2);
      EXPECT_NE(state, fsNormal);
      v.SetCanCalc(ccKv);
      v.SetKv(NoValue);
      v.SetP2(p2);
      EXPECT_NEAR(v.GetKv(), kv, 1e-8L * kv);
    }
  }
  EXPECT_GT(compared, 300);
}
