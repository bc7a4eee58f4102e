// The flow coefficient of one operating point in double precision: the
// sizing equations of IEC 60534-2-1 fused into one pass and the fixed point
// of Kv solved on it, for tControlValve (the unknown Kv) and for anyone who
// wants the bare arithmetic.
//
// One pass at a trial Kv:
//   FP   = 1 / sqrt(1 + (sum zeta / N2) (Kv/d^2)^2)              (eq. 15)
//   FL2, xT, Kc, Fd at the opening Kv/Kvs (constant, or moved from 75 %),
//   (FLP/FP)^2 and xTP with the fittings                         (eqs. 5, 18)
//   xFz of the opening (the valve database's rule, referred to p1)
//   dpc = FL2 (p1 - FF pv), FF = 0.96 - 0.28 sqrt(pv/pc), or for a gas
//   dpc = Fgamma xT p1, Fgamma = kappa/1.4                        (eqs. 3, 6)
//   the flow state from dp, dpc, the Kc drop and xFz
//   dp   = p1 - p2, or for a gas Y^2 x p1, Y = 1 - x/(3 Fgamma xTP) (eq. 12)
//   Re   = N4 Fd Qm / (eta sqrt(FL Kv)) (FL2 Kv^2/(N2 D^4) + 1)^(1/4), FR
//   Kv'  = Qm / (FP FR fPulp) / sqrt(1000 rho dpX)               (eqs. 1, 8)
//          (non-turbulent: Qm / (FR fPulp) / sqrt(1000 rho_mean (p1 - p2)))
// with N2 = 0.0016, N4 = 0.0707, N5 = 0.0018 in bar, kg/h, kg/m3, m3/h, mm.
// The fixed point is found as tControlValve finds it in extended precision:
// the same start, the same secant step within twice the plain step, the same
// end test, cycle detection, bound of the bore, test of the reducers'
// capacity and non-turbulent procedure.
//
// Everything that does not depend on Kv (the reducers' resistance, the
// plain pressure drop, the vapour pressure ratio factor, the pulp factor,
// the parts of the Reynolds number, the flashing test) is worked out once
// per solve, when the kernel is built. A solve allocates nothing.
//
// Values are double; a missing value is NaN (`kKernelNone`). The boundary
// converts: ToKernel takes NoValue to NaN, FromKernel NaN and infinities
// back to NoValue.
#pragma once

#include <cmath>
#include <limits>

#include "framework/basics.h"
#include "valves/valve_types.h"

namespace torvacalc {

inline constexpr double kKernelNone = std::numeric_limits<double>::quiet_NaN();
inline bool KernelHas(double x) { return std::isfinite(x); }
inline double ToKernel(Extended v) { return IsNoValue(v) ? kKernelNone : static_cast<double>(v); }
inline Extended FromKernel(double v) { return std::isfinite(v) ? Extended(v) : NoValue; }

// A valve factor at the operating point: a user value taken as it stands,
// or the value at 75 % opening, constant or following the opening.
struct TKernelFactor {
  double value75 = kKernelNone;
  bool func = false;
  bool overruled = false;
  double user = kKernelNone;
};

// The inputs of one sizing, in the units of tControlValve.
struct TSizingDuty {
  TEPhase phase = phUndef;
  teCalculatedPhase calculatedPhase = cpUndef;
  int equivalentValveType = 5;
  double Qm = kKernelNone, p1 = kKernelNone, p2 = kKernelNone;
  double rho1 = kKernelNone, rho2 = kKernelNone;
  double pv1 = kKernelNone, pv2 = kKernelNone, pvl1 = kKernelNone, pc = kKernelNone;
  double xFG1 = kKernelNone, kappa1 = kKernelNone, eta1 = kKernelNone;
  double Kvs = kKernelNone, DNV = kKernelNone;
  // The reducers as tControlValve::Calculatezeta1 / CalculateEzeta give
  // them: inlet sum, whole sum and the reducers' Kv.
  double zeta1 = kKernelNone, Ezeta = kKernelNone, EKvRed = kKernelNone;
  bool lineSize = false;
  TKernelFactor fl2, xt, kc, fd, zy;
  double fd75c = kKernelNone;  // Fd of the closing direction
  teCvInwardFlow inwardFlow = ifOpening;
  double fPulp = 1;
  teCvViscosityNorm viscosityNorm = vnEN60534_2000;  // vnIEC94 or vnEN60534_2000
  bool minorPhase = false;  // the minor phase of a mixed-phase calculation: FR = 1
  int digits = 11;          // significant digits of the end test
};

// What a pass works out besides Kv, for tests and diagnostics (fl2: a
// liquid's (FLP/FP)^2, a gas's FL2 of the valve).
struct TSizingPass {
  double FP = 1, fl2 = kKernelNone, xt = kKernelNone, dpc = kKernelNone, dpX = kKernelNone;
  double Re = kKernelNone, FR = 1;
  TECVFlowState state = fsUndefined;
  TECVFlowType type = ftTurbulent;
  double Kv = kKernelNone;
};

class TSizingKernel {
 public:
  // The kernel refers to `duty`, which must outlive it.
  explicit TSizingKernel(const TSizingDuty& duty);
  // After a change of the duty's flow or digits only: what the kernel
  // worked out from them is worked out again, the rest kept, so that the
  // kernel sizes as one built afresh.
  void FlowChanged();
  // After any change of the duty: everything worked out again, as a kernel
  // built afresh would, except the roots and quotients of inputs that kept
  // their values (duties of one valve and fluid sized one after another).
  void DutyChanged();
  bool Refers(const TSizingDuty& duty) const { return &d == &duty; }

  // Kv' of one pass at the trial Kv (NaN: the opening and reducers are
  // taken as for an unknown Kv).
  double Pass(double kv) const {
    TSizingPass p;
    Evaluate(kv, p);
    return p.Kv;
  }
  void Evaluate(double kv, TSizingPass& pass) const;
  // The fixed point from the start value (the last Kv, or NaN); NaN and
  // the reason in Failure() where no Kv exists. With `at`, the pass at the
  // Kv found as well (the flow state, FP, FR ...): the last pass of the
  // iteration where it ended on a pass, evaluated again where it ended
  // elsewhere (the bore, a cycle, the non-turbulent procedure); left as it
  // is where no Kv exists.
  double SolveKv(double start, TSizingPass* at = nullptr) const;
  teKvFailure Failure() const { return failure; }

 private:
  double CorrectedModifier(double value75, double r) const;
  double Opening(double kv, double fallback) const;
  double LiquidCritical(double F) const;
  double ZyByRule(double kv, double fdz, double fl2v, bool valueNeeded) const;
  // What Factors works out (every member set by it).
  struct TPassFactors {
    double fp, fl2v, fl2, fd, kc, xt, zy, fdz, dpc, dpcKc;
    bool zyByRule;
  };
  void Factors(double kv, TPassFactors& f) const;

  const TSizingDuty& d;
  bool liquid = false;
  double tol = 1E-11;
  mutable teKvFailure failure = kfNone;
  // Invariants of the solve.
  bool reducers = false;       // FP and the fittings follow Kv
  bool stateUndefined = false;  // the flow state is undefined whatever Kv
  bool flashing = false;        // a liquid flashing whatever Kv
  bool liquidDrop = false;      // p1 > p2, pv2 given: the cavitation tests apply
  double dpPlain = kKernelNone;  // p1 - p2 where the pressure drop is defined
  double xPlain = kKernelNone, sqrtXPlain = kKernelNone;  // gas: (p1 - p2)/p1
  double zyDrop = kKernelNone;   // p1 - pv2
  double damageLimit = 10;
  double fk = kKernelNone;       // Fgamma
  // Liquid critical drop per unit factor: ordinary liquid dpc = F gOrdinary;
  // two-phase inlet from d1 and d2 per unit factor.
  bool ordinary = false, twoPhaseBranch = false;
  double gOrdinary = kKernelNone, g1 = kKernelNone, g1Limit = kKernelNone, g2 = kKernelNone,
         f2 = kKernelNone;
  // (6/p1)^(1/8), worked out when xFz by rule is first needed, for xfzP1Of.
  bool xfzP1Known = false;
  mutable double xfzP1 = kKernelNone;
  double xfzP1Of = kKernelNone;
  // FF of the vapour pressure and critical pressure ffOf.
  double ff = kKernelNone, ffOf[2] = {kKernelNone, kKernelNone};
  bool fl2Fixed = false;          // FL2 of the valve the same at every opening
  double sqrtFl2 = kKernelNone, inverseFl2 = kKernelNone;  // of that FL2, fl2Of
  double fl2Of = kKernelNone;
  double ezetaN2 = kKernelNone;   // sum zeta / N2 of the reducers
  bool factorsFixed = false;      // the factors the same at every trial Kv
  TPassFactors fixedFactors{};
  double reBase = kKernelNone;  // N4 Qm / eta
  double d4N2 = kKernelNone;    // N2 DNV^4
};

}  // namespace torvacalc
