#include "valves/sizing_kernel.h"

#include "valves/flow_equations.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace torvacalc {

namespace {

bool Has(double x) { return std::isfinite(x); }
template <typename... T>
bool Has(double x, T... xs) {
  return std::isfinite(x) && Has(xs...);
}

// Equality to a relative tolerance, as EqualDigits: identical, or neither
// missing and |1 - min/max| below it (against 0 the other's magnitude).
[[gnu::always_inline]] inline bool Equal(double a, double b, double tol) {
  if (a == b) return true;
  if (!Has(a) || !Has(b)) return !Has(a) && !Has(b);
  if (a == 0) return std::fabs(b) < tol;
  if (b == 0) return std::fabs(a) < tol;
  const double lo = std::min(a, b), hi = std::max(a, b);
  return std::fabs(1 - lo / hi) < tol;
}

double TenToTheMinus(int digits) {
  static constexpr double kPowers[] = {1E0,  1E-1,  1E-2,  1E-3,  1E-4,  1E-5,  1E-6,
                                       1E-7, 1E-8,  1E-9,  1E-10, 1E-11, 1E-12, 1E-13,
                                       1E-14, 1E-15, 1E-16, 1E-17, 1E-18, 1E-19, 1E-20};
  if (digits >= 0 && digits < static_cast<int>(std::size(kPowers))) return kPowers[digits];
  return std::pow(10.0, -digits);
}

// The vapour pressure ratio factor FF = 0.96 - 0.28 sqrt(pv/pc)
// (IEC 60534-2-1:2011 eq. (6)).
double FFactor(double pv, double pc) {
  if (!Has(pv, pc) || pc <= 0 || pv < 0) return kKernelNone;
  return 0.96 - 0.28 * std::sqrt(pv / pc);
}

// xFz from Fd and FL of the trim at the flow coefficient Kv, the valve
// database's rule; `sqrtFL2` is the square root of FL2.
double XfZ(double Fd, double FL2, double Kv, double sqrtFL2) {
  if (!Has(Fd, FL2, Kv) || Fd <= 0 || FL2 <= 0 || Kv < 0) return kKernelNone;
  return 0.90 / std::sqrt(1 + 3 * Fd * std::sqrt(Kv / (1.17 * sqrtFL2)));
}
double XfZ(double Fd, double FL2, double Kv) { return XfZ(Fd, FL2, Kv, std::sqrt(FL2)); }

double ShiftModifier(double ruleAtOpening, double rule75, double value75) {
  if (!Has(ruleAtOpening, rule75, value75)) return kKernelNone;
  if (rule75 > 0) {
    const double scaled = ruleAtOpening * value75 / rule75;
    if (scaled > 0 && scaled < 1) return scaled;
  }
  return ruleAtOpening + (value75 - rule75);
}

// (1.2933 r + 0.03)^0.3 at r = 0.75, the opening at which the factors are
// given.
const double kOpening75 = std::pow(1.2933 * 0.75 + 0.03, 0.3);

bool InUnitInterval(double f) { return Has(f) && f > 0 && f < 1; }

TECVFlowType TypeOf(double F2, double F3) {
  const bool has2 = InUnitInterval(F2), has3 = InUnitInterval(F3);
  if (has2 && has3) return F3 >= F2 ? ftLaminar : ftTransient;
  if (has2) return ftLaminar;
  if (has3) return ftTransient;
  return ftTurbulent;
}

// Kv = Qm / sqrt(1000 rho dp).
double FlowKv(double q, double rho, double dp) {
  if (!Has(q, rho, dp) || rho <= 0 || dp <= 0) return kKernelNone;
  return q / std::sqrt(1000 * rho * dp);
}

// The end of a sizing that has not settled after 25 passes: the values
// seen, as 15-digit numbers, live on the stack of the solve; a value seen
// before means a cycle, which ends with the mean of the last ones when the
// two latest lie close together and with no value otherwise.
class TCycleDetector {
 public:
  // True when the iteration ends; `value` may be replaced.
  bool Check(double& value, double previous) {
    ++counter_;
    if (counter_ <= 25) return false;
    if (counter_ > 500) {
      value = kKernelNone;
      return true;
    }
    const double rounded = Rounded(value);
    for (int i = 0; i < size_; ++i)
      if (Same(history_[i], rounded)) return Cycle(value, previous);
    history_[size_++] = rounded;
    return false;
  }

 private:
  static double Rounded(double v) {
    if (!Has(v)) return kKernelNone;
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", v);
    return std::strtod(text, nullptr);
  }
  static bool Same(double a, double b) { return a == b || (!Has(a) && !Has(b)); }
  bool Cycle(double& value, double previous) {
    bool close = false;
    if (Has(value, previous) && value != 0 && previous != 0) {
      const double lo = std::min(value, previous), hi = std::max(value, previous);
      close = value == previous || std::fabs(1 - lo / hi) < 0.79432823472428150;  // 10^-0.1
    }
    if (!close) {
      value = kKernelNone;
      return true;
    }
    const int n = std::min(size_ / 2, 20);
    if (n == 0) return true;
    double acc = 0;
    for (int i = size_ - n; i < size_; ++i) acc += history_[i];
    value = acc / n;
    if (!Has(value)) value = kKernelNone;
    return true;
  }

  int counter_ = 0;
  int size_ = 0;
  double history_[500];
};

}  // namespace

TSizingKernel::TSizingKernel(const TSizingDuty& duty) : d(duty) { DutyChanged(); }

void TSizingKernel::DutyChanged() {
  liquid = d.phase == phLiquid;
  const bool twoPhase = d.calculatedPhase == cpZweiPhasig;
  reducers = !d.lineSize && Has(d.Ezeta, d.DNV) && d.Ezeta != 0 && d.DNV > 0;
  dpPlain = xPlain = sqrtXPlain = zyDrop = fk = kKernelNone;
  flashing = liquidDrop = ordinary = twoPhaseBranch = xfzP1Known = false;
  gOrdinary = g1 = g1Limit = g2 = f2 = kKernelNone;

  // The pressure drop where it is defined: p2 below p1, p1 positive.
  if (Has(d.p1, d.p2) && d.p2 < d.p1 && d.p1 > 0) {
    dpPlain = d.p1 - d.p2;
    if (!liquid) {
      xPlain = dpPlain / d.p1;
      sqrtXPlain = std::sqrt(xPlain);
    }
  }
  if (Has(d.kappa1)) fk = d.kappa1 / 1.4;

  // Flow state: undefined for a solid, a declared phase the state found
  // contradicts, or no outlet pressure. Wet steam declared as such flows
  // as the vapour it mostly is: choked or not by the gas rule.
  const bool liquidFound = d.calculatedPhase == cpLiquid || (twoPhase && d.phase != phMixPhaseV);
  stateUndefined = d.calculatedPhase == cpSolid || liquidFound != liquid || !Has(d.p2) || d.p2 == 0;
  switch (d.equivalentValveType) {
    case 1: damageLimit = 20; break;
    case 3: case 4: damageLimit = 5; break;
    default: damageLimit = 10; break;
  }
  if (liquid) {
    liquidDrop = Has(d.p1, d.pv2, d.p2) && d.p1 > d.p2;
    if (liquidDrop) {
      flashing = d.p1 - d.p2 >= d.p1 - 1.001 * d.pv2 || twoPhase;
      zyDrop = d.p1 - d.pv2;
    } else {
      flashing = twoPhase;
    }
    // The critical drop per unit factor (see LiquidCritical).
    if (Has(d.p1)) {
      ordinary = !twoPhase && Has(d.pv1) && (d.pv1 < d.p1 || Equal(d.p1, d.pv1, 1E-3));
      if (ordinary) {
        if (!(d.pv1 == ffOf[0] && d.pc == ffOf[1])) {
          ff = FFactor(d.pv1, d.pc);
          ffOf[0] = d.pv1, ffOf[1] = d.pc;
        }
        if (Has(ff)) gOrdinary = d.p1 - ff * d.pv1;
        else if (d.pv1 < d.p1 / 3) gOrdinary = d.p1 - 0.88 * d.pv1;
      } else if (twoPhase || (Has(d.pv1) && d.pv1 > d.p1)) {
        twoPhaseBranch = true;
        g1 = 0.3 * d.p1;
        if (Has(d.p2)) g1Limit = d.p1 - d.p2;
        g2 = 0.94 * d.p1;
        const double ffSat = FFactor(d.p1, d.pc);
        if (Has(d.pvl1, d.pv1, ffSat)) g2 = d.p1 - ffSat * d.p1;
        if (Has(d.xFG1)) f2 = (d.xFG1 / 100) * (d.xFG1 / 100);
      }
    }
    // xFz by the rule is needed only where the cavitation tests run.
    const bool zyByRule = !d.zy.overruled && !(Has(d.zy.value75) && !d.zy.func);
    xfzP1Known = zyByRule && !stateUndefined && liquidDrop && !flashing && d.p1 > 0 && Has(6 / d.p1);
    if (!(d.p1 == xfzP1Of)) xfzP1 = kKernelNone, xfzP1Of = d.p1;
  }
  // Invariants of the pass: FL2 of the valve where it does not follow the
  // opening, and the reducers' resistance per N2.
  fl2Fixed = d.fl2.overruled || !d.fl2.func;
  if (fl2Fixed) {
    const double fl2v = d.fl2.overruled ? d.fl2.user : d.fl2.value75;
    if (!(fl2v == fl2Of)) {
      sqrtFl2 = std::sqrt(fl2v);
      inverseFl2 = 1 / fl2v;
      fl2Of = fl2v;
    }
  }
  ezetaN2 = d.Ezeta / 0.0016;
  // Without reducers and with factors that do not follow the opening (or
  // no Kvs to refer the opening to) the factors are the same at every
  // trial Kv: worked out here once.
  const bool followsOpening = Has(d.Kvs) && (d.fl2.func || d.fd.func || d.kc.func || d.xt.func);
  factorsFixed = !reducers && !followsOpening;
  if (factorsFixed) Factors(kKernelNone, fixedFactors);
  FlowChanged();
}

void TSizingKernel::FlowChanged() {
  tol = TenToTheMinus(d.digits);
  reBase = d4N2 = kKernelNone;
  if (Has(d.DNV, d.eta1, d.Qm) && d.eta1 > 0) {
    reBase = 0.0707 * d.Qm / d.eta1;
    d4N2 = 0.0016 * (d.DNV * d.DNV) * (d.DNV * d.DNV);
  }
}

double TSizingKernel::Opening(double kv, double fallback) const {
  if (!Has(kv, d.Kvs) || kv * d.Kvs == 0) return fallback;
  return std::min(kv / d.Kvs, 1.0);
}

// 1 + (value75 - 1) (1.2933 r + 0.03)^0.3: the factor moved from 75 %
// opening to the opening r.
double TSizingKernel::CorrectedModifier(double value75, double r) const {
  if (!Has(value75) || r < 0) return kKernelNone;
  const double power = r == 0.75 ? kOpening75 : std::pow(1.2933 * r + 0.03, 0.3);
  return 1 + (value75 - 1) * power;
}

// FL2 (p1 - FF pv1) for an ordinary liquid (eq. (3)); for a liquid entering
// saturated or with vapour, interpolated over the square of the vapour
// fraction between the saturated liquid and the two-phase limit 0.3 F p1.
double TSizingKernel::LiquidCritical(double F) const {
  if (!Has(F)) return kKernelNone;
  if (ordinary) return F * gOrdinary;
  if (!twoPhaseBranch) return kKernelNone;
  double d1 = F * g1;
  if (Has(g1Limit) && F * g1Limit < d1) d1 = F * g1Limit;
  if (!Has(d.xFG1)) return d1;
  const double d2 = F * g2;
  return d2 + f2 * (d1 - d2);
}

// xFz of the opening by the valve database's rule from Fd and FL2, its
// level set by a given 75 % value, referred to the inlet pressure
// (6 bar / p1)^(1/8) and kept below FL2. Without `valueNeeded` only whether
// it exists: 1 or no value. It exists at every opening where Fd and FL2 do,
// so also before the first Kv is known: a liquid choked or cavitating
// strongly is then known as such from the first pass on, and sized with
// the choked drop at once.
double TSizingKernel::ZyByRule(double kv, double fdz, double fl2v, bool valueNeeded) const {
  const bool shifted = Has(d.zy.value75, d.Kvs, d.fl2.value75);
  // The rule's value needs a Kv (XfZ has none without one).
  if (valueNeeded && !Has(kv)) return kKernelNone;
  if (!valueNeeded) {
    const bool has = xfzP1Known && Has(fdz, fl2v) && fdz > 0 && fl2v > 0 && !(kv < 0) &&
                     (!shifted || (d.fl2.value75 > 0 && d.Kvs >= 0));
    return has ? 1 : kKernelNone;
  }
  double z = fl2Fixed ? XfZ(fdz, fl2v, kv, sqrtFl2) : XfZ(fdz, fl2v, kv);
  if (shifted && Has(z)) z = ShiftModifier(z, XfZ(fdz, d.fl2.value75, 0.75 * d.Kvs), d.zy.value75);
  if (!xfzP1Known) return kKernelNone;
  if (!Has(xfzP1)) xfzP1 = std::sqrt(std::sqrt(std::sqrt(6 / d.p1)));
  z = Has(z) ? z * xfzP1 : kKernelNone;
  return Has(z) && Has(fl2v) && fl2v > 0 && z > fl2v ? fl2v : z;
}

// The valve's factors at the trial Kv: FP, FL2 with and without the
// fittings, Fd, Kc, xT, xFz where given, and the critical drops.
void TSizingKernel::Factors(double kv, TPassFactors& f) const {
  const bool kvKnown = Has(kv);
  // Piping geometry factor (eq. (15)).
  double& fp = f.fp;
  fp = 1;
  const double k = kvKnown && Has(d.DNV) && d.DNV > 0 ? kv / (d.DNV * d.DNV) : kKernelNone;
  if (reducers && kvKnown && kv > 0) {
    const double s = 1 + ezetaN2 * k * k;
    fp = s > 0 ? 1 / std::sqrt(s) : kKernelNone;
  }
  const bool fittings = Has(fp, d.zeta1, k) && fp < 1 && fp > 0;
  const double r75 = Opening(kv, 0.75);

  // FL2 of the valve and with its fittings (eq. (5)).
  double &fl2v = f.fl2v, &fl2 = f.fl2;
  if (d.fl2.overruled) {
    fl2v = fl2 = d.fl2.user;
  } else {
    fl2v = d.fl2.value75;
    if (d.fl2.func) {
      const double m = CorrectedModifier(d.fl2.value75, r75);
      fl2v = Has(m) ? std::min(m, 1.0) : 1;
    }
    fl2 = fl2v;
    // (FLP/FP)^2 serves the liquid's critical drop only.
    if (liquid && fittings && Has(fl2v) && fl2v > 0) {
      const double flp2 = 1 / ((fl2Fixed ? inverseFl2 : 1 / fl2v) + d.zeta1 * k * k / 0.0016);
      fl2 = flp2 / (fp * fp);
    }
  }
  // Fd, of the closing direction when it is given for it.
  double& fd = f.fd;
  if (d.fd.overruled) {
    fd = d.fd.user;
  } else {
    fd = d.inwardFlow == ifClosing && Has(d.fd75c) ? d.fd75c : d.fd.value75;
    if (Has(fd) && d.fd.func) fd = std::clamp(fd * std::sqrt(r75 / 0.75), 0.01, 1.0);
  }

  double &dpc = f.dpc, &dpcKc = f.dpcKc, &xt = f.xt, &zy = f.zy, &kc = f.kc, &fdz = f.fdz;
  bool& zyByRule = f.zyByRule;
  dpc = dpcKc = xt = zy = kc = fdz = kKernelNone;
  zyByRule = false;
  if (liquid) {
    if (d.kc.overruled) kc = d.kc.user;
    else if (!Has(d.kc.value75)) kc = Has(fl2v) ? 0.7 * fl2v : kKernelNone;
    else kc = d.kc.func ? CorrectedModifier(d.kc.value75, r75) : d.kc.value75;
    if (d.zy.overruled) {
      zy = d.zy.user;
    } else if (Has(d.zy.value75) && !d.zy.func) {
      zy = d.zy.value75;
    } else if (!stateUndefined && liquidDrop && !flashing) {
      zyByRule = true;
      const double fdc = d.inwardFlow == ifClosing ? d.fd75c : kKernelNone;
      fdz = Has(fdc) ? fdc : fd;
    }
    dpc = LiquidCritical(fl2);
    dpcKc = LiquidCritical(kc);
  } else {
    if (d.xt.overruled) {
      xt = d.xt.user;
    } else {
      double xtv = d.xt.value75;
      if (d.xt.func) {
        const double m = CorrectedModifier(d.xt.value75, r75);
        xtv = Has(m) ? std::max(m, 1.0 / 6) : kKernelNone;
      }
      xt = xtv;
      if (fittings && Has(xtv)) xt = (xtv / (fp * fp)) / (1 + xtv * d.zeta1 * k * k / 0.0018);
    }
    if (Has(d.p1, xt, d.kappa1)) dpc = d.p1 * xt * d.kappa1 / 1.4;
  }

}

void TSizingKernel::Evaluate(double kv, TSizingPass& pass) const {
  const bool kvKnown = Has(kv);
  TPassFactors own;  // left unset where the factors are fixed
  if (!factorsFixed) Factors(kv, own);
  const TPassFactors& f = factorsFixed ? fixedFactors : own;
  const double &fp = f.fp, &fl2v = f.fl2v, &fl2 = f.fl2, &fd = f.fd, &xt = f.xt, &dpc = f.dpc, &dpcKc = f.dpcKc;
  double kc = f.kc, zy = f.zy;

  // Flow state.
  TECVFlowState state = fsUndefined;
  if (!stateUndefined) {
    if (liquid) {
      if (flashing) {
        state = fsFlashing;
      } else if (liquidDrop) {
        if (Has(kc, fl2)) kc = std::min(kc, fl2);
        const double dp = dpPlain;
        const bool strong = Has(dpcKc) && dp >= dpcKc;
        const bool damage = strong && dp > damageLimit;
        const bool maximum = Has(dpc) && dp >= dpc;
        // Beyond the onset of strong cavitation xFz decides nothing but
        // whether the state is known at all.
        if (f.zyByRule) zy = ZyByRule(kv, f.fdz, fl2v, !(strong || maximum));
        if (Has(zy, kc)) zy = std::min(zy, kc);
        if (Has(dpc, dpcKc, zy, fl2)) {
          const bool partial = dp >= zy * zyDrop;
          state = damage    ? fsMechDamage
                  : maximum ? fsMaximumCavitation
                  : strong  ? fsStrongCavitation
                  : partial ? fsPartialCavitation
                            : fsNormal;
        }
      }
    } else if (Has(d.p1, d.p2, dpc) && d.p1 > d.p2 && d.p1 != 0) {
      // Choked from x = Fgamma xT on, the limit included.
      state = d.p1 - d.p2 >= dpc * (1 - 1E-12) ? fsChokedFlow : fsNormal;
    }
  }

  // The drop that drives the flow: a liquid's at choked flow limited to
  // dpc; a gas's Y^2 x p1 with x limited to Fgamma xTP.
  double dpX = dpPlain;
  if (liquid) {
    if (state == fsMaximumCavitation || state == fsFlashing || state == fsChokedFlow)
      dpX = Has(dpPlain, dpc) ? std::min(dpPlain, dpc) : kKernelNone;
    else if (state == fsMechDamage && Has(dpPlain, dpc))
      dpX = std::min(dpPlain, dpc);
  } else if (Has(dpPlain)) {
    dpX = kKernelNone;
    const double xcrit = fk * xt;
    if (Has(xcrit) && xcrit > 0) {
      const double x = std::min(xPlain, xcrit);
      const double y = 1 - x / (3 * xcrit);
      const double eps = y * (x == xPlain ? sqrtXPlain : std::sqrt(x));
      dpX = eps * eps * d.p1;
    }
  }

  // Valve Reynolds number (eq. (28)) and Reynolds number factor
  // (eqs. (26) to (30), N32 = 140; the 1994 draft with N32 = 138).
  double re = kKernelNone, fr = 1;
  TECVFlowType type = ftTurbulent;
  if (!d.minorPhase && Has(reBase, fd, fl2v) && kvKnown && kv > 0 && fl2v > 0) {
    re = reBase * fd / std::sqrt((fl2Fixed ? sqrtFl2 : std::sqrt(fl2v)) * kv);
    if (d.viscosityNorm == vnEN60534_2000)
      re = d.DNV > 0 ? re * std::sqrt(std::sqrt(fl2v * kv * kv / d4N2 + 1)) : kKernelNone;
    if (!(Has(re) && re > 0)) re = kKernelNone;
  }
  if (Has(re)) {
    const bool en = d.viscosityNorm == vnEN60534_2000;
    if (!Has(d.DNV) || d.DNV <= 0) {
      fr = kKernelNone;
    } else if (re <= 100000) {
      const double kd = std::min(kv / (d.DNV * d.DNV), 0.4);
      double n, F2, F3 = 1;
      if (en) {
        // A reduced trim, C/d^2 < 0.016 N18 with N18 = 0.865 for Kv and mm,
        // n2 = 1 + N32 (C/d^2)^(2/3); a full-size trim n1 = N2 / (C/d^2)^2
        // with C/d^2 taken at most 0.04.
        n = kd < 0.01384 ? 1 + 140 * std::cbrt(kd * kd) : 0.0016 / (std::min(kd, 0.04) * std::min(kd, 0.04));
        F2 = 0.026 * std::sqrt(n * re / fl2v);
        if (re > 10) {
          F3 = 1 + 0.33 * std::sqrt(std::sqrt(fl2v / n)) * std::log10(re / 10000);
          type = TypeOf(F2, F3);
        } else {
          type = ftLaminar;
        }
        if (type == ftTransient && Has(F3)) fr = std::min(1.0, F3);
        if (type == ftLaminar && Has(F2)) fr = std::min(1.0, F2);
        if (Equal(fr, 1, 1E-8)) type = ftTurbulent;
      } else {
        n = kd < 0.0137 ? 1 + 138 * std::cbrt(kd * kd) : 0.0016 / (kd * kd);
        F2 = 0.026 * std::sqrt(re * n);
        if (re > 10) {
          F3 = std::pow(re / 10000, 1 / (std::log10(re) + n + 1));
          type = TypeOf(F2, F3);
        } else {
          type = ftLaminar;
        }
        if (Has(F2)) fr = std::min(fr, F2);
        if (Has(F3)) fr = std::min(fr, F3);
      }
    }
  }

  // Kv' = Qm / (FP FR fPulp) / sqrt(1000 rho dpX); transitional and laminar
  // flow without FP, with the pressure drop itself and the mean density
  // (eqs. (4), (13)).
  double next = kKernelNone;
  if (Has(d.Qm, d.rho1, dpX, fp, fr, d.fPulp) && fp != 0 && fr != 0 && d.fPulp != 0) {
    const bool viscous = type == ftTransient || type == ftLaminar;
    const double q = d.Qm / ((viscous ? 1.0 : std::min(fp, 1.0)) * fr * d.fPulp);
    if (viscous && Has(d.p1, d.p2, d.rho2) && state != fsFlashing)
      next = FlowKv(q, (d.rho1 + d.rho2) / 2, d.p1 - d.p2);
    else
      next = FlowKv(q, d.rho1, dpX);
  }
  pass.FP = fp;
  pass.fl2 = fl2;
  pass.xt = xt;
  pass.dpc = dpc;
  pass.dpX = dpX;
  pass.Re = re;
  pass.FR = fr;
  pass.state = state;
  pass.type = type;
  pass.Kv = next;
}

// The fixed point Kv = F(Kv). Once two passes are known the next trial is
// the secant root of F(Kv) - Kv through them, taken only within twice the
// plain step (a jump of F - choking, a Reynolds regime changing - falls
// back to the plain step); the end test is the plain one, F(Kv) equal to
// Kv to the significant digits. A Kv beyond the bore of the valve
// (0.25 d^2) ends the iteration at that bound, 1.000001 times.
//
// Reducers: Kv FP = Kv / sqrt(1 + (Kv/KvRed)^2) stays below KvRed however
// large Kv grows, so a flow that needs KvRed or more without FP passes no
// valve between these reducers (no Kv); one that needs less has its fixed
// point, beyond KvRed when it needs more than KvRed/sqrt(2).
//
// Where the flow is not turbulent at the fixed point found, the Kv is the
// one of the non-turbulent procedure (NonTurbulentKv).
double TSizingKernel::SolveKv(double start, TSizingPass* at) const {
  failure = kfNone;
  double kv = Has(start) ? start : kKernelNone;
  double lastKv = kKernelNone, lastStep = kKernelNone;
  double need = kKernelNone;  // the Kv without FR of the last non-turbulent pass
  bool viscous = false;       // the last pass was not turbulent
  TCycleDetector cycles;
  TSizingPass p;
  double passed = kKernelNone;  // the trial Kv of p
  for (;;) {
    passed = kv;
    Evaluate(kv, p);
    double next = p.Kv;
    viscous = p.type == ftTransient || p.type == ftLaminar;
    if (viscous) need = p.Kv * p.FR;
    else if (reducers && d.Ezeta > 0 && Has(kv, next, d.EKvRed) && kv >= d.EKvRed && next * std::min(p.FP, 1.0) >= d.EKvRed) {
      failure = kfReducers;
      return kKernelNone;
    }
    const bool stop = cycles.Check(next, kv);
    bool same = Equal(next, kv, tol);
    if (!stop && Has(next, kv) && !same) {
      const double step = next - kv;
      if (Has(lastKv, lastStep) && step != lastStep) {
        const double secant = kv - step * (kv - lastKv) / (step - lastStep);
        lastKv = kv;
        lastStep = step;
        if (std::isfinite(secant) && secant > 0 && std::fabs(secant - next) <= 2 * std::fabs(step)) {
          next = secant;
          same = Equal(kv, next, tol);
        }
      } else {
        lastKv = kv;
        lastStep = step;
      }
    }
    const bool changed = !same;
    if (changed) kv = next;
    if (stop || !changed) break;
    if (Has(kv, d.DNV) && d.DNV > 0 && kv >= 0.25 * d.DNV * d.DNV) {
      const double bound = 0.25 * d.DNV * d.DNV * 1.000001;
      if (!Equal(kv, bound, tol)) kv = bound;
      break;
    }
  }
  if (viscous || (!Has(kv) && Has(need))) {
    const double bore = Has(d.DNV) ? 0.25 * d.DNV * d.DNV : kKernelNone;
    const auto excess = [this](double k) { return Pass(k) - k; };
    if (!Has(need) || !NonTurbulentKv(need, bore, kNonTurbulentTolerance, excess, kv)) {
      failure = kfNonTurbulent;
      return kKernelNone;
    }
  }
  if (at && Has(kv)) {
    if (kv == passed) *at = p;
    else Evaluate(kv, *at);
  }
  return kv;
}

}  // namespace torvacalc
