// Multi-parameter equations of state for natural gases and other mixtures
// of 21 components, written in the reduced Helmholtz energy
//   a(T, D, x) / (R T) = alpha0(T, D, x) + alphar(T, D, x),
// with the ideal part of every component from the Planck-Einstein forms of
// Jaeschke and Schley (1995) and the residual part from the method: the
// AGA8-DC92 detail characterization (AGA Report No. 8 Part 1, 2017;
// ISO 12213-2) or GERG-2008 (Kunz and Wagner, J. Chem. Eng. Data 57 (2012)
// 3032; AGA Report No. 8 Part 2; ISO 20765-2).
//
// Units inside: K, kPa, mol/l, J/mol, J/(mol K), g/mol, m/s.
// Component order (the order of the tables of AGA Report No. 8, 2017):
//   1 methane, 2 nitrogen, 3 carbon dioxide, 4 ethane, 5 propane,
//   6 isobutane, 7 n-butane, 8 isopentane, 9 n-pentane, 10 n-hexane,
//   11 n-heptane, 12 n-octane, 13 n-nonane, 14 n-decane, 15 hydrogen,
//   16 oxygen, 17 carbon monoxide, 18 water, 19 hydrogen sulfide,
//   20 helium, 21 argon (index 0 to 20 in the arrays).
//
// Nothing here throws: a state or composition the equations cannot take
// answers false, and every iteration has a fixed upper bound.
#pragma once

#include <array>

namespace torvacalc::natgas {

constexpr int NumComponents = 21;
using TComposition = std::array<double, NumComponents>;

// Derivatives of the residual part, all dimensionless: alphar, d*ar_d,
// d^2*ar_dd, d^3*ar_ddd, t*ar_t, t^2*ar_tt, d*t*ar_dt (d density, t inverse
// temperature, both reduced in any way: the products do not depend on it).
struct TResidual {
  double a = 0, d1 = 0, d2 = 0, d3 = 0, t1 = 0, t2 = 0, dt = 0;
};

// All properties of one state.
struct TGasState {
  double T = 0;        // K
  double D = 0;        // mol/l
  double P = 0;        // kPa
  double Z = 0;
  double dPdD = 0;     // kPa/(mol/l)
  double d2PdD2 = 0;   // kPa/(mol/l)^2
  double dPdT = 0;     // kPa/K
  double U = 0, H = 0, S = 0, G = 0;  // J/mol, J/(mol K)
  double Cv = 0, Cp = 0;              // J/(mol K)
  double W = 0;        // m/s
  double JT = 0;       // K/kPa
  double Kappa = 0;    // isentropic exponent w^2 rho / p
  double M = 0;        // g/mol
};

// How a density was found from (T, P).
enum TRootKind {
  rkNone = 0,        // no mechanically stable root (or bad input)
  rkSingle = 1,      // one root
  rkVapourOfTwo = 2, // a vapour-like and a liquid-like root; the vapour one has the lower Gibbs energy
  rkLiquidOfTwo = 3  // both; the liquid-like one has the lower Gibbs energy
};

// Which root the caller asks for.
enum TRootWish { rwStable = 0, rwVapour = 1, rwLiquid = 2 };

class TGasModel {
 public:
  virtual ~TGasModel() = default;

  // Mole fractions (they must be finite, not negative and sum to 1 within
  // 1e-9; the caller normalises). False leaves the model without a
  // composition.
  bool SetComposition(const TComposition& x);
  bool HasComposition() const { return FHasX; }
  const TComposition& GetComposition() const { return Fx; }

  double MolarMass() const;               // g/mol
  virtual double GasConstant() const = 0; // J/(mol K)
  // A mole-fraction average of the critical points (a start for the liquid
  // root and the border between the two searches).
  double PseudoCriticalT() const;
  double PseudoCriticalD() const;

  double Pressure(double T, double D, double* dPdD = nullptr) const;
  bool Properties(double T, double D, TGasState& s) const;
  // Density from temperature and pressure: the vapour-like root on the
  // branch of the isotherm that rises from zero density, the liquid-like
  // root on the branch that falls from high density, each only while
  // dP/dD > 0; a root inside the loop between the spinodals is never taken.
  // When both exist the one of lower Gibbs energy is taken (rwStable). At
  // most 200 pressure evaluations per branch.
  TRootKind Density(double T, double P, double& D, TRootWish wish = rwStable) const;

  // Reduced residual Helmholtz energy and its derivatives.
  virtual void Residual(double T, double D, TResidual& r) const = 0;
  // Ideal part: alpha0, t*a0_t and t^2*a0_tt.
  void Ideal(double T, double D, double& a0, double& t1, double& t2) const;

  // Ideal-gas constants of one component, scaled for the model.
  struct TIdeal {
    double a1, a2, a3;      // constant, 1/T and ln T terms
    double c[4], th[4];     // Planck-Einstein terms: sinh, cosh, sinh, cosh
  };
  // The constants of component i for a model with the gas constant R,
  // from the published n1..n7 and theta4..7 of Jaeschke and Schley (with
  // n1, n2 for h = 0, s = 0 of the ideal gas at 298.15 K and 101.325 kPa),
  // which both methods take: fitted with R* = 8.31451 J/(mol K), they are
  // scaled by R*/R where the model's constant differs (GERG-2008).
  static TIdeal JaeschkeSchleyIdeal(int i, double R);

 protected:
  virtual void CompositionChanged() = 0;
  // Per component: molar mass, critical point, ideal-gas constants.
  virtual double ComponentM(int i) const = 0;
  virtual double ComponentTc(int i) const = 0;
  virtual double ComponentDc(int i) const = 0;
  virtual const TIdeal& ComponentIdeal(int i) const = 0;

  TComposition Fx{};
  bool FHasX = false;

 private:
  // The root on the vapour-like branch (rising from zero density) or on the
  // liquid-like branch (falling from Dmax), each up to its spinodal.
  bool SolveBranch(double T, double P, bool liquid, double Dmax, double& D) const;
};

// Contribution of one term n * tau^t * f(delta) with f = delta^d exp(phi):
// g = delta d(ln f)/d(delta), g1 = delta dg/d(delta), g2 = delta dg1/d(delta).
inline void AddTerm(TResidual& r, double nft, double t, double g, double g1, double g2) {
  r.a += nft;
  r.d1 += nft * g;
  r.d2 += nft * (g * g + g1 - g);
  r.d3 += nft * (g * g * g + 3 * g * g1 + g2 - 3 * (g * g + g1) + 2 * g);
  r.t1 += nft * t;
  r.t2 += nft * t * (t - 1);
  r.dt += nft * t * g;
}

}  // namespace torvacalc::natgas
