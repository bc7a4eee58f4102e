#include "natural_gas_eos.h"

#include <cmath>
#include <limits>

namespace torvacalc::natgas {

bool TGasModel::SetComposition(const TComposition& x) {
  double sum = 0;
  for (double xi : x) {
    if (!std::isfinite(xi) || xi < 0 || xi > 1) {
      FHasX = false;
      return false;
    }
    sum += xi;
  }
  if (std::fabs(sum - 1) > 1e-9) {
    FHasX = false;
    return false;
  }
  if (FHasX && x == Fx) return true;
  Fx = x;
  FHasX = true;
  CompositionChanged();
  return true;
}

double TGasModel::MolarMass() const {
  double m = 0;
  for (int i = 0; i < NumComponents; ++i) m += Fx[i] * ComponentM(i);
  return m;
}

double TGasModel::PseudoCriticalT() const {
  double t = 0;
  for (int i = 0; i < NumComponents; ++i) t += Fx[i] * ComponentTc(i);
  return t;
}

double TGasModel::PseudoCriticalD() const {
  double v = 0;
  for (int i = 0; i < NumComponents; ++i) v += Fx[i] / ComponentDc(i);
  return v > 0 ? 1 / v : 0;
}

namespace {

// Jaeschke and Schley (1995): n1 .. n7 (n1, n2 for the reference state)
// and theta4 .. theta7 in K, components in the order of the header. Fitted with
// R* = 8.31451 J/(mol K).
constexpr double kJaeschkeSchleyR = 8.31451;
constexpr double kIdealN[NumComponents][7] = {
    {29.83843397, -15999.69151, 4.00088, 0.76315, 0.0046, 8.74432, -4.46921},
    {17.56770785, -2801.729072, 3.50031, 0.13732, -0.1466, 0.90066, 0},
    {20.65844696, -4902.171516, 3.50002, 2.04452, -1.06044, 2.03366, 0.01393},
    {36.73005938, -23639.65301, 4.00263, 4.33939, 1.23722, 13.1974, -6.01989},
    {44.70909619, -31236.63551, 4.02939, 6.60569, 3.197, 19.1921, -8.37267},
    {34.30180349, -38525.50276, 4.06714, 8.97575, 5.25156, 25.1423, 16.1388},
    {36.53237783, -38957.80933, 4.33944, 9.44893, 6.89406, 24.4618, 14.7824},
    {43.17218626, -51198.30946, 4, 11.7618, 20.1101, 33.1688, 0},
    {42.67837089, -45215.83, 4, 8.95043, 21.836, 33.4032, 0},
    {46.99717188, -52746.83318, 4, 11.6977, 26.8142, 38.6164, 0},
    {52.07631631, -57104.81056, 4, 13.7266, 30.4707, 43.5561, 0},
    {57.25830934, -60546.76385, 4, 15.6865, 33.8029, 48.1731, 0},
    {62.09646901, -66600.12837, 4, 18.0241, 38.1235, 53.3415, 0},
    {65.93909154, -74131.45483, 4, 21.0069, 43.4931, 58.3657, 0},
    {13.07520288, -5836.943696, 2.47906, 0.95806, 0.45444, 1.56039, -1.3756},
    {16.8017173, -2318.32269, 3.50146, 1.07558, 1.01334, 0, 0},
    {17.45786899, -2635.244116, 3.50055, 1.02865, 0.00493, 0, 0},
    {21.57882705, -7766.733078, 4.00392, 0.01059, 0.98763, 3.06904, 0},
    {21.5830944, -6069.035869, 4, 3.11942, 1.00243, 0, 0},
    {10.04639507, -745.375, 2.5, 0, 0, 0, 0},
    {10.04639507, -745.375, 2.5, 0, 0, 0, 0}};
constexpr double kIdealTh[NumComponents][4] = {
    {820.659, 178.41, 1062.82, 1090.53}, {662.738, 680.562, 1740.06, 0},
    {919.306, 865.07, 483.553, 341.109}, {559.314, 223.284, 1031.38, 1071.29},
    {479.856, 200.893, 955.312, 1027.29}, {438.27, 198.018, 1905.02, 893.765},
    {468.27, 183.636, 1914.1, 903.185},  {292.503, 910.237, 1919.37, 0},
    {178.67, 840.538, 1774.25, 0},       {182.326, 859.207, 1826.59, 0},
    {169.789, 836.195, 1760.46, 0},      {158.922, 815.064, 1693.07, 0},
    {156.854, 814.882, 1693.79, 0},      {164.947, 836.264, 1750.24, 0},
    {228.734, 326.843, 1651.71, 1671.69}, {2235.71, 1116.69, 0, 0},
    {1550.45, 704.525, 0, 0},            {268.795, 1141.41, 2507.37, 0},
    {1833.63, 847.181, 0, 0},            {0, 0, 0, 0},
    {0, 0, 0, 0}};


}  // namespace

TGasModel::TIdeal TGasModel::JaeschkeSchleyIdeal(int i, double R) {
  // cp0/R* = n3 + sum of Planck-Einstein terms; the integration constants
  // n1, n2 refer to the reference state h = 0, s = 0 of the ideal gas at
  // 298.15 K and 101.325 kPa. The Helmholtz energy is written per unit RT
  // of the model's gas constant, hence the ratio Rsr.
  const double* n = kIdealN[i];
  const double Rsr = kJaeschkeSchleyR / R;
  constexpr double T0 = 298.15;
  const double d0 = 101.325 / (R * T0);
  TIdeal c;
  c.a1 = Rsr * n[0] - std::log(d0);
  c.a2 = Rsr * (n[1] + T0) - T0;
  c.a3 = Rsr * (n[2] - 1);
  for (int k = 0; k < 4; ++k) {
    c.c[k] = Rsr * n[3 + k];
    c.th[k] = kIdealTh[i][k];
  }
  return c;
}

void TGasModel::Ideal(double T, double D, double& a0, double& t1, double& t2) const {
  a0 = t1 = t2 = 0;
  const double lnD = std::log(D > 0 ? D : 1e-20), lnT = std::log(T);
  for (int i = 0; i < NumComponents; ++i) {
    if (Fx[i] <= 0) continue;
    const TIdeal& c = ComponentIdeal(i);
    double h0 = 0, h1 = 0, h2 = 0;
    for (int k = 0; k < 4; ++k) {
      if (c.th[k] <= 0) continue;
      const double y = c.th[k] / T;
      // Written with exp(-2y) so that a large y cannot overflow.
      const double e2 = std::exp(-2 * y);
      if (k % 2 == 0) {  // + c ln|sinh y|
        const double lnSinh = y + std::log1p(-e2) - std::log(2.0);
        const double coth = (1 + e2) / (1 - e2);
        const double yOverSinh = 2 * y * std::exp(-y) / (1 - e2);
        h0 += c.c[k] * lnSinh;
        h1 += c.c[k] * y * coth;
        h2 += c.c[k] * yOverSinh * yOverSinh;
      } else {           // - c ln cosh y
        const double lnCosh = y + std::log1p(e2) - std::log(2.0);
        const double tanh = (1 - e2) / (1 + e2);
        const double yOverCosh = 2 * y * std::exp(-y) / (1 + e2);
        h0 -= c.c[k] * lnCosh;
        h1 -= c.c[k] * y * tanh;
        h2 += c.c[k] * yOverCosh * yOverCosh;
      }
    }
    a0 += Fx[i] * (lnD + std::log(Fx[i]) + c.a1 + c.a2 / T - c.a3 * lnT + h0);
    t1 += Fx[i] * (c.a3 + c.a2 / T + h1);
    t2 -= Fx[i] * (c.a3 + h2);
  }
}

double TGasModel::Pressure(double T, double D, double* dPdD) const {
  TResidual r;
  Residual(T, D, r);
  const double RT = GasConstant() * T;
  if (dPdD) *dPdD = RT * (1 + 2 * r.d1 + r.d2);
  return D * RT * (1 + r.d1);
}

bool TGasModel::Properties(double T, double D, TGasState& s) const {
  if (!FHasX || !std::isfinite(T) || !std::isfinite(D) || T <= 0 || D < 0) return false;
  TResidual r;
  Residual(T, D, r);
  double a0, a0t, a0tt;
  Ideal(T, D, a0, a0t, a0tt);
  const double R = GasConstant(), RT = R * T;
  s.T = T;
  s.D = D;
  s.M = MolarMass();
  s.Z = 1 + r.d1;
  s.P = D * RT * s.Z;
  s.dPdD = RT * (1 + 2 * r.d1 + r.d2);
  s.dPdT = D * R * (1 + r.d1 - r.dt);
  s.U = RT * (a0t + r.t1);
  s.H = RT * (1 + r.d1 + a0t + r.t1);
  s.S = R * (a0t + r.t1 - a0 - r.a);
  s.G = RT * (1 + r.d1 + a0 + r.a);
  s.Cv = -R * (a0tt + r.t2);
  if (D > 0) {
    s.Cp = s.Cv + T * (s.dPdT / D) * (s.dPdT / D) / s.dPdD;
    s.d2PdD2 = RT * (2 * r.d1 + 4 * r.d2 + r.d3) / D;
    s.JT = (T / D * s.dPdT / s.dPdD - 1) / s.Cp / D;
  } else {
    s.Cp = s.Cv + R;
    s.d2PdD2 = 0;
    s.JT = std::numeric_limits<double>::quiet_NaN();  // needs dB/dT of the virial series
  }
  // w^2 = (cp/cv) (dp/drho)_T, with M in g/mol and p in kPa.
  const double w2 = 1000 * s.Cp / s.Cv * s.dPdD / s.M;
  s.W = w2 > 0 ? std::sqrt(w2) : 0;
  s.Kappa = s.W * s.W * s.M / (RT * 1000 * s.Z);
  return std::isfinite(s.P) && std::isfinite(s.H) && std::isfinite(s.S) &&
         std::isfinite(s.Cp) && std::isfinite(s.W);
}

// The root of P(T, D) = P on one branch of the isotherm. Multi-parameter
// mixture equations carry, at temperatures well below the critical ones of
// their heavier components, loops between the spinodals in which the
// pressure swings through huge positive and negative values and rises again
// over short stretches (for a natural gas with a few per cent of C6+ at
// 150 K the GERG-2008 isotherm climbs to 4e8 kPa there). A root in such a
// stretch satisfies the equation but is no fluid state. The physical
// vapour-like root lies on the branch that rises from zero density for as
// long as dP/dD > 0, up to its first spinodal; the liquid-like one on the
// branch that falls from high density while dP/dD > 0. So the search walks
// along its branch from that end (the vapour walk from a thousandth of the
// ideal-gas density, the liquid walk down from Dmax) in steps of ln D kept
// short wherever the gas is no longer nearly ideal, and every point it
// keeps must be stable and continue the monotone pressure of the points
// before it. A point beyond P brackets the root (then Newton's method on
// ln D with bisection); an unstable or non-monotone point ends the branch
// and is bisected against the last good point: either a stable point
// beyond P turns up, or the spinodal is reached below P, and this branch
// has no root.
namespace {
struct TBranchPoint {
  double x, p, dPdD;  // ln D, kPa, kPa/(mol/l)
};
}  // namespace

bool TGasModel::SolveBranch(double T, double P, bool liquid, double Dmax, double& D) const {
  const double R = GasConstant();
  const double xmax = std::log(Dmax), lnP = std::log(P);
  const double dir = liquid ? -1 : 1;  // the walk's direction in ln D
  auto eval = [&](double x, TBranchPoint& q) {
    q.x = x;
    q.p = Pressure(T, std::exp(x), &q.dPdD);
    return std::isfinite(q.p) && std::isfinite(q.dPdD);
  };
  // Not yet at P, seen from the branch's own end.
  auto before = [&](const TBranchPoint& q) { return liquid ? q.p > P : q.p < P; };
  // Newton step in ln D: d(ln p)/d(ln D) = D dP/dD / p where p > 0.
  auto newton = [&](const TBranchPoint& q) {
    const double d = std::exp(q.x);
    return q.p > 0 ? (lnP - std::log(q.p)) * q.p / (d * q.dPdD) : (P - q.p) / (d * q.dPdD);
  };
  auto root = [&](const TBranchPoint& q) {
    D = std::exp(q.x);
    return true;
  };
  TBranchPoint g;  // the last good point: stable, on the branch, before P
  const double x0 = liquid ? xmax : std::log(1E-3 * std::min(P / (R * T), Dmax));
  if (!eval(x0, g) || !(g.dPdD > 0) || !before(g)) return false;
  TBranchPoint b{};  // the first point found beyond g: past P, or off the branch
  bool haveB = false, bPastP = false;
  for (int it = 0; it < 200; ++it) {
    double xn;
    if (!haveB) {
      double s = newton(g);
      if (std::fabs(s) < 1E-15 * std::max(1.0, std::fabs(g.x))) return root(g);
      // While Z stays close to 1 the isotherm is that of a nearly ideal gas
      // and long steps are safe; beyond, no step may jump over a loop.
      const double z1 = std::fabs(g.p / (std::exp(g.x) * R * T) - 1);
      const double cap = z1 < 0.002 ? 2 : z1 < 0.02 ? 1 : 0.2;
      if (dir * s > cap) s = dir * cap;
      xn = g.x + s;
      if (xn > xmax) {
        if (g.x >= xmax) return false;  // beyond the densities of the equation
        xn = xmax;
      }
      if (xn < -60) return false;
    } else if (bPastP) {
      const TBranchPoint& from = std::fabs(g.p - P) <= std::fabs(b.p - P) ? g : b;
      const double s = newton(from);
      if (std::fabs(s) < 1E-15 * std::max(1.0, std::fabs(from.x))) return root(from);
      xn = from.x + s;
      if (!((xn - g.x) * (xn - b.x) < 0)) xn = (g.x + b.x) / 2;
    } else {
      xn = (g.x + b.x) / 2;
    }
    TBranchPoint n;
    if (!eval(xn, n)) return false;
    const bool onBranch = n.dPdD > 0 && (liquid ? n.p < g.p : n.p > g.p);
    if (onBranch && std::fabs(n.p - P) <= 1E-14 * P) return root(n);
    if (onBranch && before(n)) {
      g = n;
    } else {
      b = n;
      haveB = true;
      bPastP = onBranch;
    }
    if (haveB && std::fabs(b.x - g.x) < 1E-14 * std::max(1.0, std::fabs(g.x))) {
      if (!bPastP) return false;  // the spinodal, and P not reached
      return root(std::fabs(g.p - P) <= std::fabs(b.p - P) ? g : b);
    }
  }
  return false;
}

TRootKind TGasModel::Density(double T, double P, double& D, TRootWish wish) const {
  D = 0;
  if (!FHasX || !std::isfinite(T) || !std::isfinite(P) || T <= 0 || P <= 0) return rkNone;
  const double Dc = PseudoCriticalD(), Tc = PseudoCriticalT();
  // Far above any density the equations were fitted to.
  const double Dmax = 6 * Dc;
  double Dv = 0, Dl = 0;
  const bool vapour = wish != rwLiquid && SolveBranch(T, P, false, Dmax, Dv);
  // Below about one and a half times the pseudo-critical temperature a
  // dense root may exist beside the vapour one; without a vapour root the
  // dense branch is the only candidate left at any temperature.
  const bool tryLiquid =
      wish == rwLiquid || (wish == rwStable && (T < 1.5 * Tc || !vapour));
  const bool liquid = tryLiquid && SolveBranch(T, P, true, Dmax, Dl);
  // Both walks end on the same root where the isotherm has no spinodal.
  if (vapour && liquid && std::fabs(Dl - Dv) > 1e-7 * Dv) {
    TGasState sv, sl;
    const bool okV = Properties(T, Dv, sv), okL = Properties(T, Dl, sl);
    if (okV && (!okL || sv.G <= sl.G)) {
      D = Dv;
      return rkVapourOfTwo;
    }
    if (okL) {
      D = Dl;
      return rkLiquidOfTwo;
    }
    return rkNone;
  }
  if (vapour) {
    D = Dv;
    return rkSingle;
  }
  if (liquid) {
    D = Dl;
    return rkSingle;
  }
  return rkNone;
}

}  // namespace torvacalc::natgas
