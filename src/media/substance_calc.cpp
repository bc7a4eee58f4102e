#include "media/substance_calc.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "media/if97.h"
#include "media/substance_library.h"
#include "media/water_steam.h"

namespace torvacalc {

namespace {

constexpr Extended R = UniversalGasConstant;
constexpr Extended T0 = ZeroCelsius;
constexpr Extended MWater = 18.015257L;

bool Eq(Extended a, Extended b, int digits) { return EqualDigits(a, b, digits); }

Extended Finite(Extended v) { return std::isfinite(static_cast<double>(v)) && HasValue(v) ? v : NoValue; }

// Sublimation pressure of ice, bar (IAPWS R14-08(2011), eq. 6), for the
// humidity of gases below the triple point of water.
Extended SublimationPressure(Extended t) {
  const Extended theta = (t + T0) / 273.16L;
  if (!(theta > 0.1L)) return NoValue;
  const Extended a[] = {-0.212144006e2L, 0.273203819e2L, -0.610598130e1L};
  const Extended b[] = {0.333333333e-2L, 0.120666667e1L, 0.170333333e1L};
  Extended s = 0;
  for (int i = 0; i < 3; ++i) s += a[i] * std::pow(theta, b[i]);
  return 611.657e-5L * std::exp(s / theta);
}

// The constants of the Lee-Kesler equation (Lee and Kesler, AIChE J. 21
// (1975) 510, Table 1): the simple fluid and the reference fluid n-octane.
struct TLeeKeslerFluid {
  Extended b1, b2, b3, b4, c1, c2, c3, c4, d1, d2, beta, gamma;
};
constexpr TLeeKeslerFluid kLeeKesler[2] = {
    {0.1181193L, 0.265728L, 0.154790L, 0.030323L, 0.0236744L, 0.0186984L, 0.0L, 0.042724L,
     0.155488e-4L, 0.623689e-4L, 0.65392L, 0.060167L},
    {0.2026579L, 0.331511L, 0.027655L, 0.203488L, 0.0313385L, 0.0503618L, 0.016901L, 0.041577L,
     0.48736e-4L, 0.0740336e-4L, 1.226L, 0.03754L}};
constexpr Extended kOmegaReference = 0.3978L;  // acentric factor of n-octane

// Z of the Lee-Kesler equation at reduced volume Vr (Zet).
Extended Zet(const TLeeKeslerFluid& f, Extended Tr, Extended Vr) {
  const Extended B = f.b1 - f.b2 / Tr - f.b3 / (Tr * Tr) - f.b4 / (Tr * Tr * Tr);
  const Extended C = f.c1 - f.c2 / Tr + f.c3 / (Tr * Tr * Tr);
  const Extended D = f.d1 + f.d2 / Tr;
  const Extended v2 = Vr * Vr;
  return 1 + B / Vr + C / v2 + D / (v2 * v2 * Vr) +
         f.c4 / (Tr * Tr * Tr * v2) * (f.beta + f.gamma / v2) * std::exp(-f.gamma / v2);
}

// A root of g in [a, b] with g(a), g(b) of opposite signs (bisection with
// the regula falsi of Illinois); NoValue when the bracket is not one.
template <class F>
Extended Bracketed(F g, Extended a, Extended b, Extended tolerance) {
  Extended ga = g(a), gb = g(b);
  if (!Available(ga, gb) || (ga > 0) == (gb > 0)) return NoValue;
  int side = 0;
  for (int i = 0; i < 200; ++i) {
    const Extended c = (a * gb - b * ga) / (gb - ga);
    const Extended gc = g(c);
    if (IsNoValue(gc)) return NoValue;
    if (std::fabs(b - a) < tolerance * std::fabs(c) || gc == 0) return c;
    if ((gc > 0) == (gb > 0)) {
      b = c;
      gb = gc;
      if (side == -1) ga /= 2;
      side = -1;
    } else {
      a = c;
      ga = gc;
      if (side == 1) gb /= 2;
      side = 1;
    }
  }
  return NoValue;
}

bool Positive(Extended v) { return HasValue(v) && v > 0; }

}  // namespace

// ------------------------------------------------------------ functions

Extended tCustomFunctionDescription::Evaluate(Extended T, bool* outside) const {
  if (IsNoValue(T)) return NoValue;
  if (outside)
    *outside = (HasValue(Tmin) && T < Tmin - 1e-9L) || (HasValue(Tmax) && T > Tmax + 1e-9L);
  if (IsConstCurve) return HasValue(ConstValue) ? ConstValue : NoValue;
  Extended y = NoValue;
  switch (FunctionType) {
    case 1:
    case 2: {
      y = 0;
      for (int i = 9; i >= 0; --i) y = y * T + k[static_cast<size_t>(i)];
      break;
    }
    case 3: y = k[0] * std::exp(k[1] * T); break;
    case 4: y = T > 0 ? k[0] + k[1] * std::log(T) : NoValue; break;
    case 5: y = T > 0 ? k[0] * std::pow(T, k[1]) : NoValue; break;
    default: return NoValue;
  }
  if (IsNoValue(y)) return NoValue;
  if (Ylog) y = std::pow(Extended(10), y);
  return Finite(y);
}

Extended tCustomFunctionDescription::Inverse(Extended y) const {
  if (IsNoValue(y) || IsConstCurve || !Available(Tmin, Tmax)) return NoValue;
  const Extended a = Tmin - 50, b = Tmax + 50;
  const auto g = [&](Extended t) {
    const Extended v = Evaluate(t);
    if (IsNoValue(v)) return NoValue;
    return Ylog ? (v > 0 && y > 0 ? std::log10(v) - std::log10(y) : NoValue) : v - y;
  };
  // Search the bracket in 40 steps: the function need not be monotonic far
  // outside its range.
  Extended lo = a, glo = g(lo);
  for (int i = 1; i <= 40; ++i) {
    const Extended hi = a + (b - a) * i / 40, ghi = g(hi);
    if (Available(glo, ghi) && (glo > 0) != (ghi > 0)) return Bracketed(g, lo, hi, 1e-12L);
    lo = hi;
    glo = ghi;
  }
  return NoValue;
}

const tCustomFunctionDescription* tPropertyDescription::Usable(int no) const {
  if (!FluidFound || no < 1 || no > 9) return nullptr;
  const auto& f = Functions[static_cast<size_t>(no)];
  return f.Valid ? &f : nullptr;
}

// ------------------------------------------------------------ correlations

Extended TSubstanceCalc::DensityDryGas(Extended Z, Extended Ri, Extended P, Extended T) {
  if (!Available(Ri, P, T) || Ri <= 0 || T + T0 <= 0) return NoValue;
  const Extended z = HasValue(Z) && Z > 0 ? Z : 1;
  return Finite(P * 1e5L / (z * Ri * (T + T0)));
}

Extended TSubstanceCalc::WetGasCorrection(Extended Rho, Extended Ri, Extended P, Extended PvW,
                                          Extended PhiRel, Extended Zn) {
  if (!Available(Rho, Ri, P, PvW, PhiRel) || P <= 0) return NoValue;
  const Extended zn = HasValue(Zn) && Zn > 0 ? Zn : 1;
  const Extended ratio = zn * Ri * T0 * RhoNWater / (StandardPressure * 1e5L);
  const Extended r = Rho * (1 - (1 - ratio) * PhiRel * PvW / (100 * P));
  return r < 0 ? NoValue : Finite(r);
}

Extended TSubstanceCalc::DensityWetGas(Extended Z, Extended Ri, Extended P, Extended T,
                                       Extended PvW, Extended PhiRel, Extended Zn) {
  return WetGasCorrection(DensityDryGas(Z, Ri, P, T), Ri, P, PvW, PhiRel, Zn);
}

// Redlich-Kwong: P = R T/(v - b) - a/(sqrt(T) v (v + b)), with
// a = 0.42748 R^2 Tc^2.5/Pc and b = 0.08664 R Tc/Pc, solved for the vapour
// volume by the substitution v <- R T/(P + a/(sqrt(T) v (v + b))) + b from
// v = 1 m3/kg, which converges to the largest (vapour) root.
Extended TSubstanceCalc::DensityVapour(Extended T, Extended P, Extended Tc, Extended Pc, Extended M) {
  if (!Available(T, P, Tc, Pc, M) || M <= 0 || Pc <= 0 || P <= 0 || T + T0 <= 0) return NoValue;
  const Extended Ri = R / M, TK = T + T0, TcK = Tc + T0;
  const Extended a = 0.42748023e-5L * Ri * Ri * std::pow(TcK, 2.5L) / Pc;
  const Extended b = 0.08664035e-5L * Ri * TcK / Pc;
  Extended v = std::max<Extended>(1, 2 * Ri * TK / (P * 1e5L)), last = NoValue;
  for (int i = 0; i < 300; ++i) {
    last = v;
    v = Ri * TK / (P * 1e5L + a / (std::sqrt(TK) * v * (v + b))) + b;
    if (!std::isfinite(static_cast<double>(v))) return NoValue;
    if (Eq(v, last, 10)) break;
  }
  if (!(v > 0) || !Eq(v, last, 3)) return NoValue;
  return Finite(1 / v);
}

Extended TSubstanceCalc::DensityLiquid(Extended T, Extended P, Extended Pv, Extended Tc,
                                       Extended Pc, Extended Omega, Extended RhoC, Extended Rho25,
                                       bool* approximated) {
  if (approximated) *approximated = false;
  if (!Available(Tc, Pc, Omega, RhoC) || RhoC <= 0 || Pc <= 0) {
    if (IsNoValue(Rho25)) return NoValue;
    if (approximated) *approximated = IsNoValue(T) || T < 20 || T > 30;
    return Rho25;
  }
  if (IsNoValue(T)) return NoValue;
  Extended Tr = (T + T0) / (Tc + T0);
  if (Tr < 0.25L || Tr > 0.96L) {
    if (approximated) *approximated = true;
    Tr = std::clamp<Extended>(Tr, 0.25L, 0.96L);
  }
  // COSTALD (Hankinson and Thomson, AIChE J. 25 (1979) 653, eqs. 14-16).
  const Extended tau = 1 - Tr;
  const Extended t13 = std::cbrt(tau), t23 = t13 * t13, t43 = t23 * t23;
  const Extended VR0 = 1 - 1.52816L * t13 + 1.43907L * t23 - 0.81446L * tau + 0.190454L * t43;
  const Extended VRd =
      (-0.296123L + 0.386914L * Tr - 0.0427258L * Tr * Tr - 0.0480645L * Tr * Tr * Tr) /
      (Tr - 1.00001L);
  const Extended Vs = (1 / RhoC) * VR0 * (1 - Omega * VRd);
  Extended V = Vs;
  // Compressed liquid (Thomson, Brobst and Hankinson, AIChE J. 28 (1982)
  // 671, the Tait-type equation 1 with eqs. 2-4).
  if (Available(P, Pv) && P > Pv) {
    const Extended e = std::exp(4.79594L + 0.250047L * Omega + 1.14188L * Omega * Omega);
    const Extended B = Pc * (-1 - 9.070217L * t13 + 62.45326L * t23 - 135.1102L * tau + e * t43);
    const Extended k = 0.0861488L + 0.0344483L * Omega;
    if (P + B <= 0 || Pv + B <= 0) return NoValue;
    V = Vs * (1 - k * std::log((P + B) / (Pv + B)));
  }
  if (!(V > 0)) return NoValue;  // negative liquid density
  return Finite(1 / V);
}

Extended TSubstanceCalc::SoundVelocityOfLiquid(Extended T, Extended P, Extended Pv, Extended Tc, Extended Pc,
                                               Extended Omega, Extended RhoC, Extended cp) {
  if (!Available(T, P, Tc, Pc, Omega, RhoC) || RhoC <= 0 || Pc <= 0) return NoValue;
  const Extended pv = Available(Pv) && Pv < P ? Pv : P;
  const Extended rho = DensityLiquid(T, P, pv, Tc, Pc, Omega, RhoC, NoValue);
  // Isothermal compressibility (1/Pa): the Tait-type volume
  // V = Vs (1 - k ln((P + B)/(Pv + B))) has dV/dP = -Vs k/(P + B).
  const Extended Tr = std::clamp<Extended>((T + T0) / (Tc + T0), 0.25L, 0.96L), tau = 1 - Tr;
  const Extended t13 = std::cbrt(tau), t23 = t13 * t13, t43 = t23 * t23;
  const Extended e = std::exp(4.79594L + 0.250047L * Omega + 1.14188L * Omega * Omega);
  const Extended B = Pc * (-1 - 9.070217L * t13 + 62.45326L * t23 - 135.1102L * tau + e * t43);
  const Extended k = 0.0861488L + 0.0344483L * Omega;
  const Extended vs = DensityLiquid(T, pv, pv, Tc, Pc, Omega, RhoC, NoValue);
  if (!Available(rho, vs) || rho <= 0 || vs <= 0 || P + B <= 0) return NoValue;
  const Extended kappaT = (1 / vs) * k / (P + B) * rho / 1e5L;
  if (!(kappaT > 0)) return NoValue;
  Extended kappaS = kappaT;
  if (HasValue(cp) && cp > 0) {
    // Expansion at the saturation line by a central difference of 0.1 K.
    const Extended up = DensityLiquid(T + 0.05L, pv, pv, Tc, Pc, Omega, RhoC, NoValue);
    const Extended down = DensityLiquid(T - 0.05L, pv, pv, Tc, Pc, Omega, RhoC, NoValue);
    if (Available(up, down) && up > 0 && down > 0) {
      const Extended alpha = (1 / up - 1 / down) / 0.1L * vs;
      kappaS = kappaT - (T + T0) * alpha * alpha / (rho * cp * 1000);
    }
    if (!(kappaS > 0)) kappaS = kappaT;
  }
  return Finite(1 / std::sqrt(rho * kappaS));
}

Extended TSubstanceCalc::SaturatedVolumeRackett(Extended T, Extended Tc, Extended Vc, Extended Zc) {
  if (!Available(T, Tc, Vc, Zc) || Zc <= 0 || Tc + T0 <= 0) return NoValue;
  const Extended Tr = (T + T0) / (Tc + T0);
  if (Tr >= 1) return Vc;
  return Finite(Vc * std::pow(Zc, std::pow(1 - Tr, 2.0L / 7)));
}

Extended TSubstanceCalc::VapourPressure(Extended Omega, Extended Tc, Extended Pc, Extended T,
                                        Extended Ts) {
  if (!Available(Tc, Pc, T) || Pc <= 0 || T + T0 <= 0) return NoValue;
  if (T > Tc) return Pc;
  const Extended Tr = (T + T0) / (Tc + T0);
  if (HasValue(Omega)) {
    // Lee and Kesler (1975), eqs. 17-18.
    const Extended lnTr = std::log(Tr), Tr6 = std::pow(Tr, 6);
    const Extended f0 = 5.92714L - 6.09648L / Tr - 1.28862L * lnTr + 0.169347L * Tr6;
    const Extended f1 = 15.2518L - 15.6875L / Tr - 13.4721L * lnTr + 0.43577L * Tr6;
    return Finite(Pc * std::exp(f0 + Omega * f1));
  }
  if (HasValue(Ts)) {
    // Riedel's equation (Chem.-Ing.-Tech. 26 (1954) 83) with the Plank-
    // Riedel constants fixed by the normal boiling point: Riedel's alpha_c
    // is defined with the critical pressure in atmospheres; the equation
    // gives the reduced vapour pressure.
    const Extended Tbr = (Ts + T0) / (Tc + T0);
    if (!(Tbr > 0 && Tbr < 1)) return NoValue;
    const Extended ac = 0.9076L * (1 + std::log(Pc / StandardPressure) * Tbr / (1 - Tbr));
    const Extended phi = 36 / Tr - 35 - std::pow(Tr, 6) + 42 * std::log(Tr);
    const Extended y = ((ac - 7) * 0.0364L + 0.118L) * phi - ac * std::log10(Tr);
    return Finite(Pc / std::pow(Extended(10), y));
  }
  return NoValue;
}

Extended TSubstanceCalc::BoilingTemperature(Extended P, Extended Omega, Extended Tc, Extended Pc,
                                            Extended Ts, Extended Tt) {
  if (!Available(P, Tc, Pc) || P <= 0 || Pc <= 0) return NoValue;
  if (P >= Pc / 1.0001L) return Tc;
  const Extended TcK = Tc + T0;
  // ln Pv is nearly linear in 1/T: a bracketed search on it from a
  // reduced temperature of 0.2 to the critical point.
  const auto g = [&](Extended t) {
    const Extended pv = VapourPressure(Omega, Tc, Pc, t, Ts);
    return Positive(pv) ? std::log(pv / P) : NoValue;
  };
  const Extended lo = std::max<Extended>(0.2L * TcK - T0, HasValue(Tt) ? Tt - 50 : -T0 + 1);
  Extended t = Bracketed(g, lo, Tc - 1e-9L * TcK, 1e-12L);
  if (IsNoValue(t)) return NoValue;
  const Extended low = HasValue(Tt) ? Tt : -T0;
  return std::clamp(t, low, Tc);
}

Extended TSubstanceCalc::LeeKeslerZ(int fluid, Extended Tr, Extended Pr, bool liquidRoot) {
  if (!Available(Tr, Pr) || Tr <= 0 || Pr <= 0 || fluid < 0 || fluid > 1) return NoValue;
  const TLeeKeslerFluid& f = kLeeKesler[fluid];
  const auto g = [&](Extended Vr) { return Pr * Vr / Tr - Zet(f, Tr, Vr); };
  Extended Vr = NoValue;
  if (!liquidRoot) {
    // Newton from the ideal-gas volume; the gas root is the largest one.
    Extended v = Tr / Pr;
    for (int i = 0; i < 50 && HasValue(v); ++i) {
      const Extended h = v * 1e-7L;
      const Extended gv = g(v), d = (g(v + h) - g(v - h)) / (2 * h);
      if (!(d > 0)) {
        v = NoValue;
        break;
      }
      const Extended next = v - gv / d;
      if (!(next > 0)) {
        v = NoValue;
        break;
      }
      if (std::fabs(next - v) < 1e-13L * v) {
        v = next;
        Vr = v;
        break;
      }
      v = next;
    }
    if (IsNoValue(Vr)) {
      // Scan down from well beyond the ideal-gas volume to the first
      // change of sign.
      Extended hi = 10 * Tr / Pr + 10, ghi = g(hi);
      for (int i = 0; i < 400 && IsNoValue(Vr); ++i) {
        const Extended lo = hi * 0.95L, glo = g(lo);
        if (lo < 1e-3L) break;
        if ((glo > 0) != (ghi > 0)) Vr = Bracketed(g, lo, hi, 1e-14L);
        hi = lo;
        ghi = glo;
      }
    }
  } else {
    // The liquid root: scan up from a dense packing to the first change of
    // sign.
    Extended lo = 0.01L, glo = g(lo);
    const Extended top = 10 * Tr / Pr + 10;
    for (int i = 0; i < 400 && IsNoValue(Vr) && lo < top; ++i) {
      const Extended hi = lo * 1.05L, ghi = g(hi);
      if ((glo > 0) != (ghi > 0)) Vr = Bracketed(g, lo, hi, 1e-14L);
      lo = hi;
      glo = ghi;
    }
  }
  if (!Positive(Vr)) return NoValue;
  return Finite(Pr * Vr / Tr);
}

Extended TSubstanceCalc::LeeKeslerZ1(Extended Tr, Extended Pr, bool liquidRoot) {
  const Extended z0 = LeeKeslerZ(0, Tr, Pr, liquidRoot), zr = LeeKeslerZ(1, Tr, Pr, liquidRoot);
  if (!Available(z0, zr)) return NoValue;
  return (zr - z0) / kOmegaReference;
}

Extended TSubstanceCalc::RealgasFactor(Extended T, Extended P, Extended Tc, Extended Pc,
                                       Extended Omega, bool* approximated) {
  if (approximated) *approximated = false;
  if (!Available(T, P, Tc, Pc) || Pc <= 0 || Tc + T0 <= 0) return NoValue;
  const Extended Tr = (T + T0) / (Tc + T0), Pr = P / Pc;
  if (HasValue(Omega)) {
    // Lee-Kesler (Compressability): Z = Z0 + omega/omega_r (Zr - Z0).
    const Extended z0 = LeeKeslerZ(0, Tr, Pr), zr = LeeKeslerZ(1, Tr, Pr);
    if (!Available(z0, zr)) return NoValue;
    return Finite(z0 + Omega / kOmegaReference * (zr - z0));
  }
  return RealgasFactorA(Tr, Pr, approximated);
}

// Dranchuk, Purvis and Robinson (1974), the eight-constant fit of the
// Standing-Katz chart, solved for the reduced density by Newton's method.
Extended TSubstanceCalc::RealgasFactorA(Extended Tr, Extended Pr, bool* approximated) {
  if (approximated) *approximated = false;
  if (!Available(Tr, Pr) || Tr <= 0 || Pr <= 0) return NoValue;
  constexpr Extended A1 = 0.3151L, A2 = -1.0467L, A3 = -0.5783L, A4 = 0.5353L, A5 = -0.6123L,
                     A6 = -0.10488813L, A7 = 0.6816L, A8 = 0.68446549L;
  const Extended c = 0.27L * Pr / Tr;
  const Extended T1 = A1 + A2 / Tr + A3 / (Tr * Tr * Tr), T2 = A4 + A5 / Tr, T3 = A5 * A6 / Tr,
                 T4 = A7 / (Tr * Tr * Tr);
  const auto f = [&](Extended r) {
    const Extended r2 = r * r;
    return -c + r + T1 * r2 + T2 * r2 * r + T3 * r2 * r2 * r2 +
           T4 * r2 * r * (1 + A8 * r2) * std::exp(-A8 * r2);
  };
  Extended r = c;
  bool converged = false;
  for (int i = 0; i < 100; ++i) {
    const Extended h = std::max<Extended>(r * 1e-7L, 1e-12L);
    const Extended d = (f(r + h) - f(r - h)) / (2 * h);
    if (d == 0 || !std::isfinite(static_cast<double>(d))) break;
    const Extended next = r - f(r) / d;
    if (Eq(next, r, 6)) {
      r = next;
      converged = true;
      break;
    }
    r = next;
  }
  if (!converged || !(r > 0)) return NoValue;
  if (approximated) *approximated = Tr < 1.05L || Tr > 3 || Pr > 30;
  return Finite(std::fabs(c / r));
}

// Lucas (1980; Poling, Prausnitz and O'Connell, The Properties of Gases and
// Liquids, 5th ed., eqs. 9-4.15 to 9-4.19): viscosity of a dilute gas in
// micropoise from the reduced inverse viscosity xi, with the polarity
// correction FP0 from the reduced dipole moment and the quantum correction
// FQ0 of helium, hydrogen and deuterium.
Extended TSubstanceCalc::ViscosityOfGasI(Extended T, Extended M, Extended Zc, Extended Pc,
                                         Extended Tc, Extended My) {
  if (!Available(T, M, Pc, Tc) || M <= 0 || Pc <= 0 || Tc + T0 <= 0) return NoValue;
  const Extended TcK = Tc + T0, Tr = (T + T0) / TcK;
  if (!(Tr > 0)) return NoValue;
  const Extended mu = HasValue(My) ? My : 0;
  const Extended xi = 0.176L * std::pow(TcK / (M * M * M * Pc * Pc * Pc * Pc), 1.0L / 6);
  const Extended mur = 52.46L * mu * mu * Pc / (TcK * TcK);
  Extended FP0 = 1;
  if (mur >= 0.022L) {
    if (IsNoValue(Zc)) return NoValue;
    const Extended base = 1 + 30.55L * std::pow(std::max<Extended>(0.292L - Zc, 0), 1.72L);
    FP0 = mur < 0.075L ? base : 1 + (base - 1) * std::fabs(0.96L + 0.1L * (Tr - 0.7L));
  }
  Extended FQ0 = 1;
  // The quantum parameter Q: 0.52 for hydrogen (and deuterium), 0.76 for
  // helium; no correction for heavier molecules.
  const Extended Q = M < 3 ? 0.52L : M < 4.5L ? 0.76L : 0;
  if (Q > 0) {
    const Extended d = Tr - 12;
    const Extended s = d > 0 ? 1 : d < 0 ? -1 : 0;
    FQ0 = 1.22L * std::pow(Q, 0.15L) * (1 + 0.00385L * std::pow(d * d, 1 / M) * s);
  }
  const Extended etaXi = (0.807L * std::pow(Tr, 0.618L) - 0.357L * std::exp(-0.449L * Tr) +
                          0.340L * std::exp(-4.058L * Tr) + 0.018L) *
                         FP0 * FQ0;
  return Finite(etaXi / xi * 1e-7L);  // micropoise to Pa s
}

// Lee, Gonzalez and Eakin, J. Petrol. Technol. 18 (1966) 997: viscosity of
// natural gases from temperature (Rankine), molar mass and density (g/cm3),
// result in centipoise.
Extended TSubstanceCalc::ViscosityOfGasII(Extended T, Extended M, Extended Rho) {
  if (!Available(T, M, Rho) || M <= 0 || Rho < 0 || T + T0 <= 0) return NoValue;
  const Extended TR = 1.8L * (T + T0);
  const Extended K = (9.24L + 0.02L * M) * std::pow(TR, 1.5L) / ((209 + 19 * M + TR) * 1e7L);
  const Extended X = 3.5L + 986 / TR + M / 100;
  const Extended Y = 2.4L - 0.2L * X;
  return Finite(K * std::exp(X * std::pow(Rho / 1000, Y)));
}

Extended TSubstanceCalc::ApproxMolarMass(Extended Rho, Extended P, Extended T) {
  if (!Available(Rho, P, T) || P <= 0 || T + T0 <= 0) return NoValue;
  return Finite(Rho * R * (T + T0) / (P * 1e5L));
}

Extended TSubstanceCalc::Viscosity(Extended P, Extended T, Extended M, Extended Rho, Extended Zc,
                                   Extended Pc, Extended Tc, Extended My) {
  (void)P;
  if (IsNoValue(M)) M = ApproxMolarMass(Rho, P, T);
  const Extended eta = ViscosityOfGasI(T, M, Zc, Pc, Tc, My);
  if (HasValue(eta)) return eta;
  return ViscosityOfGasII(T, M, Rho);
}

Extended TSubstanceCalc::HeatCapacityLiquid(Extended Cp0, Extended Tr, Extended Omega, Extended M) {
  if (!Available(Cp0, Tr, Omega, M) || !(Tr > 0.05L && Tr < 0.95L) || M <= 0) return NoValue;
  const Extended d = 1 - Tr;
  return Finite(Cp0 + (1.586L + 0.49L / d +
                       Omega * (4.2775L + 6.3L * std::cbrt(d) / Tr + 0.4355L / d)) *
                          R / 1000 / M);
}

// Vetere's estimate at the normal boiling point (Poling et al., 5th ed.,
// eq. 7-11.x) carried to T by Watson's rule with the exponent 0.38.
Extended TSubstanceCalc::CalculateDhv(Extended T, Extended Ts, Extended Tc, Extended Pc, Extended M) {
  if (!Available(T, Ts, Tc, Pc, M) || M <= 0 || Pc <= 0 || T > Tc) return NoValue;
  const Extended TcK = Tc + T0, Tbr = (Ts + T0) / TcK, Tr = (T + T0) / TcK;
  if (!(Tbr > 0 && Tbr < 1)) return NoValue;
  const Extended dhb = Tbr * TcK * 0.001L * R * (0.4343L * std::log(Pc) - 0.69377L + 0.89584L * Tbr) /
                       (M * (0.37691L - 0.37306L * Tbr + 0.15057L / (Pc * Tbr * Tbr)));
  const Extended r = dhb * std::pow((1 - Tr) / (1 - Tbr), 0.38L);
  return r > 0 ? Finite(r) : NoValue;
}

namespace {
Extended SafeKappa(Extended k) {
  if (IsNoValue(k)) return NoValue;
  return k < 1 || Eq(k, 1, 10) ? 1 + 1e-10L : k;
}
}  // namespace

Extended TSubstanceCalc::CalculateCStar(Extended kappa) {
  const Extended k = SafeKappa(kappa);
  if (IsNoValue(k)) return NoValue;
  return Finite(std::sqrt(k * std::pow(2 / (k + 1), (k + 1) / (k - 1))));
}

Extended TSubstanceCalc::CalculatepStar(Extended kappa, Extended P) {
  const Extended k = SafeKappa(kappa);
  if (!Available(k, P)) return NoValue;
  return Finite(P * std::pow(2 / (k + 1), k / (k - 1)));
}

Extended TSubstanceCalc::CalculatetStar(Extended kappa, Extended T) {
  const Extended k = SafeKappa(kappa);
  if (!Available(k, T)) return NoValue;
  return Finite((T + T0) * 2 / (k + 1) - T0);
}

Extended TSubstanceCalc::SoundVelocityOfGas(Extended kappa, Extended P, Extended Rho) {
  if (!Available(kappa, P, Rho) || !(Rho > 0) || kappa <= 0 || P <= 0) return NoValue;
  return Finite(std::sqrt(kappa * P * 1e5L / Rho));
}

namespace {
Extended HomogeneousSound(Extended rhoG, Extended rhoL, Extended x, Extended P, Extended n) {
  if (!Available(rhoG, rhoL, x, P, n) || rhoG <= 0 || rhoL <= 0 || P <= 0 || n <= 0 || x < 0 ||
      x > 100)
    return NoValue;
  const Extended xm = x / 100;
  if (xm == 0) return NoValue;  // pure liquid: no gas sets the sound speed
  const Extended vG = xm / rhoG, vL = (1 - xm) / rhoL;
  const Extended alpha = vG / (vG + vL), rhoM = 1 / (vG + vL);
  return Finite(std::sqrt(n * P * 1e5L / (alpha * rhoM)));
}
}  // namespace

Extended TSubstanceCalc::cfMixStoffel(Extended rhoG, Extended rhoL, Extended x, Extended P,
                                      Extended kappa) {
  return HomogeneousSound(rhoG, rhoL, x, P, kappa);
}

Extended TSubstanceCalc::cfMixTUD(Extended rhoG, Extended rhoL, Extended x, Extended P,
                                  Extended kappa, Extended f) {
  if (!Available(kappa, f)) return NoValue;
  return HomogeneousSound(rhoG, rhoL, x, P, 1 + f * (kappa - 1));
}

Extended TSubstanceCalc::RelativeHumidity(TEHumidityType type, Extended PhiRel, Extended XSpec,
                                          Extended FnF, Extended FnTr, Extended FF, Extended P,
                                          Extended T, Extended PvW, Extended RhoN) {
  const Extended w = RhoNWater;
  const auto ok = [&](Extended v) { return HasValue(v) && Positive(PvW) && Positive(P); };
  switch (type) {
    case htRelative: return PhiRel;
    case htSpecific:
      if (!ok(XSpec) || !Positive(RhoN) || XSpec < 0) return NoValue;
      return Finite(100 * P * XSpec / (PvW * (XSpec + w / RhoN)));
    case htAbsoluteHnMoist:
      if (!ok(FnF) || FnF < 0) return NoValue;
      return Finite(100 * P * FnF / (w * PvW));
    case htAbsoluteHnDry:
      if (!ok(FnTr) || FnTr < 0) return NoValue;
      return Finite(100 * P * FnTr / (PvW * (w + FnTr)));
    case htAbsoluteHMoist:
      if (!ok(FF) || IsNoValue(T) || FF < 0) return NoValue;
      return Finite(100 * FF * (T + T0) * StandardPressure / (w * T0 * PvW));
  }
  return NoValue;
}

teCalculatedPhase TSubstanceCalc::CalculatePhaseOf(Extended T, Extended Tc, Extended P, Extended Pv) {
  if (Available(T, Tc) && (T >= Tc || EqualTemp(T, Tc, 3))) {
    if (Available(P, Pv) && Eq(P, Pv, 3) && EqualTemp(T, Tc, 3)) return cpSaturated;
    return cpGas;
  }
  if (Available(T, P, Pv)) {
    if (Eq(P, Pv, 3)) return cpSaturated;
    return P >= Pv ? cpLiquid : cpGas;
  }
  return cpUndef;
}

// ------------------------------------------------------------ the object

TSubstanceCalc::TSubstanceCalc() {
  FV.fill(NoValue);
  FV[slPN0] = StandardPressure;
  FV[slTN0] = 0;
  InstallPhaseRules(0);
  FRule = 0;
}

TSubstanceCalc::~TSubstanceCalc() = default;

void TSubstanceCalc::InstallFixedRules() {
  auto& c = Cache;
  c.AddRule(slZ, {0, 1, 10, 21, 22, 24, 34, 40, 35, 41, 47, 39});
  c.AddRule(slTv, {1, 19, 20, 21, 22, 24, 41, 34, 40, 35, 39});
  c.AddRule(slPv, {0, 1, 20, 21, 22, 24, 34, 41, 40, 35, 39});
  c.AddRule(slTl, {1, 0, 41, 34, 40, 35, 39});
  c.AddRule(slPl, {0, 1, 41, 34, 40, 35, 39});
  c.AddRule(slEta, {0, 1, 21, 22, 23, 25, 5, 41, 7, 10, 34, 40, 35, 39, 47});
  c.AddRule(slCp, {0, 1, 34, 40, 35, 39, 41, 21, 24, 5, 47});
  c.AddRule(slCpL, {0, 1, 34, 40, 35, 39, 41, 21, 24, 5, 47});
  c.AddRule(slCv, {0, 1, 17, 6, 34, 40, 39, 41, 47});
  c.AddRule(slLambda, {0, 1, 34, 40, 35, 39, 41, 47});
  c.AddRule(slKappa, {0, 1, 34, 47, 40, 35, 39, 41, 17, 6});
  c.AddRule(slTr, {0, 21, 34, 40, 35});
  c.AddRule(slPr, {1, 22, 34, 40, 35});
  c.AddRule(slNy, {12, 7});
  c.AddRule(slV, {7});
  c.AddRule(slEf, {7, 30, 47});
  c.AddRule(slCf, {31, 0, 1, 7, 34, 40, 39, 41, 47});
  c.AddRule(slCStar, {31, 9, 34, 40, 39, 41, 0, 1});
  c.AddRule(slpStar, {1, 31, 34, 40, 39, 41, 0});
  c.AddRule(sltStar, {0, 31, 34, 40, 39, 41, 1});
  c.AddRule(slcfStar, {64, 59, 34, 40, 39, 41, 54, 55, 29, 31, 47});
  c.AddRule(slrhoStar, {60, 59, 21, 22, 5, 6, 34, 40, 39, 41, 54, 55, 29, 31, 47});
  c.AddRule(slDhv, {1, 0, 20, 21, 22, 5, 34, 40, 39, 41, 48});
  c.AddRule(sldHvT, {0, 1, 11, 20, 21, 22, 5, 34, 40, 39, 41});
  c.AddRule(slPhiRel, {42, 43, 44, 45, 1, 0, 4, 33, 34, 40, 38, 35, 39, 41, 46});
  c.AddRule(slPvW, {0, 34, 40, 35, 37, 39, 41});
  c.AddRule(slCalculatedPhase, {34, 48, 40, 20});
  c.AddRule(slDisplayPhase, {41, 39, 0, 1, 21, 19, 10, 51, 52, 20});
  c.AddRule(slRhoLDeviation, {10, 20, 21, 22, 24, 26, 53, 19, 39});
  c.AddRule(slH, {0, 1, 29, 34, 40, 39, 41});
  c.AddRule(slS, {0, 1, 29, 34, 40, 39, 41});
}

// The dependencies that change with the phase and with the given gas
// constant (rule identifier: 100 liquid, 200 vapour, 310/320 dry/moist gas,
// 400 two-phase, 0 otherwise; plus 1..4 for the given gas constant).
void TSubstanceCalc::InstallPhaseRules(int rule) {
  auto& c = Cache;
  c.ClearRules();
  InstallFixedRules();
  const int phase = rule / 10 * 10;
  c.AddRule(slrhoL, {0, 21, 22, 24, 26, 5, 10, 34, 40, 53, 36, 39, 41, 46, 20, 19});
  switch (phase) {
    case 100:
      c.AddRule(slRho, {0, 1, 21, 22, 24, 26, 5, 29, 10, 34, 40, 53, 36, 39, 41, 46, 57});
      break;
    case 200:
    case 400:
      c.AddRule(slRho, {0, 1, 21, 22, 5, 6, 9, 29, 34, 40, 35, 39, 41, 46, 54, 55});
      break;
    case 310:
      c.AddRule(slRho, {0, 1, 6, 9, 5, 29, 34, 40, 35, 37, 39, 41, 46, 27});
      c.AddRule(slrhoV, {0, 6, 9, 5, 34, 40, 35, 37, 39, 41, 46, 10, 27});
      break;
    case 320:
      c.AddRule(slRho, {0, 1, 6, 5, 9, 33, 28, 27, 34, 40, 38, 35, 37, 39, 41, 46});
      c.AddRule(slrhoV, {0, 6, 5, 9, 33, 28, 27, 34, 40, 38, 35, 37, 39, 41, 46, 10});
      break;
    default:
      c.AddRule(slRho, {0, 1, 34, 40, 35, 39, 41, 46});
      c.AddRule(slrhoV, {0, 1, 34, 40, 35, 39, 41, 46});
      break;
  }
  if (phase == 100 || phase == 200 || phase == 400)
    c.AddRule(slrhoV, {0, 21, 22, 5, 9, 4, 6, 34, 40, 35, 39, 41, 46, 10});
  // The gas-constant family: the given one depends on the substance only.
  const std::vector<int> G = {34, 40, 35, 37, 39, 41, 46, 49, 50};
  auto rule2 = [&](int target, std::vector<int> sources) {
    sources.insert(sources.end(), G.begin(), G.end());
    c.AddRule(target, sources);
  };
  const int given[] = {slRhoN, slRi, slM, slSg};
  const int g = given[FRhoNRiM];
  for (int s : {slRhoN, slRi, slM, slSg}) {
    if (s == g) {
      c.AddRule(s, {39, 41});
      continue;
    }
    switch (s) {
      case slM: rule2(slM, {6}); break;
      case slSg: rule2(slSg, {6}); break;
      case slRhoN: rule2(slRhoN, {27, 6}); break;
      case slRi: rule2(slRi, {5, 4, 27, 65}); break;
      default: break;
    }
  }
  c.HasChanged(slRule);
}

void TSubstanceCalc::Reset() { Cache.InvalidateAll(); }

Extended TSubstanceCalc::Get(int slot, Getter compute) {
  if (!Cache.GetShouldBecalculated(slot)) return FV[static_cast<size_t>(slot)];
  if (FComputing.test(static_cast<size_t>(slot))) return NoValue;  // a cycle: no value
  FComputing.set(static_cast<size_t>(slot));
  Extended v = NoValue;
  try {
    v = (this->*compute)();
  } catch (...) {
    v = NoValue;  // arithmetic failures inside a correlation
  }
  FComputing.reset(static_cast<size_t>(slot));
  v = Finite(v);
  FV[static_cast<size_t>(slot)] = v;
  Cache.SetValid(slot);
  return v;
}

void TSubstanceCalc::ResultsChanged() {
  if (!FActive || FInResultsChange || !OnResultsChange) return;
  FInResultsChange = true;
  try {
    OnResultsChange(*this);
  } catch (...) {
    FInResultsChange = false;
    throw;
  }
  FInResultsChange = false;
}

void TSubstanceCalc::Changed(int slot, bool stateChange) {
  Cache.HasChanged(slot);
  if (stateChange) {
    PassStateToProvider();
    // The phase may have changed with the state: select the rules anew.
    Cache.SetValid(slCalculatedPhase, false);
    Cache.SetValid(slDisplayPhase, false);
    ResultsChanged();
  }
}

void TSubstanceCalc::SetInput(int slot, Extended v, const char* name, bool /*temperature*/) {
  Extended& stored = FV[static_cast<size_t>(slot)];
  if (IsNoValue(v)) v = NoValue;
  if (SameInput(v, stored)) return;
  if (OnInputChange) OnInputChange(*this, name);
  stored = v;
  Changed(slot, false);
}

void TSubstanceCalc::SetT(Extended v) {
  if (IsNoValue(v)) v = NoValue;
  if (SameInput(v, FV[slT])) return;
  if (OnInputChange) OnInputChange(*this, "T");
  FV[slT] = v;
  Changed(slT, true);
}

void TSubstanceCalc::SetP(Extended v) {
  if (IsNoValue(v)) v = NoValue;
  if (SameInput(v, FV[slP])) return;
  if (OnInputChange) OnInputChange(*this, "P");
  FV[slP] = v;
  Changed(slP, true);
}

void TSubstanceCalc::SetPN0(Extended v) {
  if (SameInput(v, FV[slPN0])) return;
  if (OnInputChange) OnInputChange(*this, "PN0");
  FV[slPN0] = v;
  Changed(slPN0, true);
}

void TSubstanceCalc::SetTN0(Extended v) {
  if (SameInput(v, FV[slTN0])) return;
  if (OnInputChange) OnInputChange(*this, "TN0");
  FV[slTN0] = v;
  Changed(slTN0, true);
}

void TSubstanceCalc::SetResult(int slot, Extended v, bool overrule, const char* name) {
  const bool was = Cache.GetIsOverruled(slot);
  Cache.SetIsOverruled(slot, overrule);
  if (!overrule) {
    if (was) {
      Cache.SetValid(slot, false);
      Cache.HasChanged(slot);
    }
    return;
  }
  Extended& stored = FV[static_cast<size_t>(slot)];
  if (IsNoValue(v)) v = NoValue;
  if (was && Eq(v, stored, 11)) return;
  if (OnInputChange) OnInputChange(*this, name);
  stored = v;
  Cache.HasChanged(slot);
  ResultsChanged();
}

void TSubstanceCalc::SetxMv(Extended v, bool overrule) {
  SetResult(slxMv, v, overrule, "xMv");
  PassStateToProvider();
}

template <class E>
static bool SetEnum(E& field, E v) {
  if (field == v) return false;
  field = v;
  return true;
}

void TSubstanceCalc::SetPhase(TEPhase v) {
  if (FPhase == v) return;
  if (OnInputChange) OnInputChange(*this, "Phase");
  FPhase = v;
  Changed(slPhase, false);
  Cache.SetValid(slCalculatedPhase, false);
}

void TSubstanceCalc::SetGasMedium(TEGasMedium v) {
  if (FGasMedium == v) return;
  if (OnInputChange) OnInputChange(*this, "GasMedium");
  FGasMedium = v;
  Changed(slGasMedium, false);
  Cache.SetValid(slCalculatedPhase, false);
}

void TSubstanceCalc::SetPulpeType(TEPulpeType v) {
  if (FPulpeType == v) return;
  if (OnInputChange) OnInputChange(*this, "PulpeType");
  FPulpeType = v;
  Changed(slPulpeType, false);
}

void TSubstanceCalc::SetHumidityType(TEHumidityType v) {
  if (FHumidityType == v) return;
  if (OnInputChange) OnInputChange(*this, "HumidityType");
  FHumidityType = v;
  Changed(slHumidityType, false);
}

void TSubstanceCalc::SetRhoNRiM(TERhonRiM v) {
  if (FRhoNRiM == v) return;
  if (OnInputChange) OnInputChange(*this, "RhoNRiM");
  FRhoNRiM = v;
  // The family's rules change with the given constant.
  FRule = -1;
  Cache.SetValid(slCalculatedPhase, false);
  Changed(slRhoNRiM, false);
  for (int s : {slRhoN, slRi, slM, slSg}) Cache.SetValid(s, false);
}

void TSubstanceCalc::SetSaturatedPhase(teSaturatedPhase v) {
  if (FSaturatedPhase == v) return;
  if (OnInputChange) OnInputChange(*this, "SaturatedPhase");
  FSaturatedPhase = v;
  Changed(slSaturatedPhase, true);
}

void TSubstanceCalc::SetSubstanceTYpe(teSubstanceType v) {
  if (FSubstanceType == v) return;
  if (OnInputChange) OnInputChange(*this, "SubstanceType");
  // The gas constants of the old substance do not describe the new one.
  for (int s : {slRhoN, slRi, slM, slSg}) {
    FV[static_cast<size_t>(s)] = NoValue;
    Cache.SetIsOverruled(s, false);
    Cache.SetValid(s, false);
  }
  FSubstanceType = v;
  Changed(slSubstanceType, true);
}

void TSubstanceCalc::SetUseExtFluid(bool v) {
  if (FUseExtFluid == v) return;
  if (OnInputChange) OnInputChange(*this, "UseExtFluid");
  FUseExtFluid = v;
  Changed(slSubstanceType, true);
}

void TSubstanceCalc::SetFluidName(const std::string& v) {
  if (FFluidName == v) return;
  if (OnInputChange) OnInputChange(*this, "FluidName");
  FFluidName = v;
  Changed(slFluidName, false);
}

void TSubstanceCalc::SetConcentrationName(const std::string& v) {
  if (FConcentrationName == v) return;
  if (OnInputChange) OnInputChange(*this, "ConcentrationName");
  FConcentrationName = v;
  Changed(slFluidName, false);
}

void TSubstanceCalc::SetPropertyDescription(const tPropertyDescription& d) {
  FDescription = d;
  Changed(slFluidName, false);
}

void TSubstanceCalc::SetExtSubstances(tExtSubstances* provider) {
  if (FExtSubstances == provider) return;
  FExtSubstances = provider;
  Changed(slSubstanceType, true);
}

tWaterSteam& TSubstanceCalc::GetWaterSteam() {
  if (!FWaterSteam) FWaterSteam = std::make_unique<tWaterSteam>();
  return *FWaterSteam;
}

tExtSubstances* TSubstanceCalc::GetExtSubstance() {
  if (GetUseWaterTable()) return &GetWaterSteam();
  if (FSubstanceType == stOthers || (FSubstanceType == stRUBochum && !FUseExtFluid)) return nullptr;
  if (!FExtSubstances || !FExtSubstances->GetActive()) return nullptr;
  return FExtSubstances;
}

bool TSubstanceCalc::GetFluidDLLError() { return !GetUseDatabase() && GetExtSubstance() == nullptr; }

void TSubstanceCalc::PassStateToProvider() {
  tExtSubstances* p = GetExtSubstance();
  if (!p) return;
  p->SetT(FV[slT]);
  p->SetP(FV[slP]);
  p->SetPN0(FV[slPN0]);
  p->SetTN0(FV[slTN0]);
  p->SetLiquid(FSaturatedPhase != spVapour);
}

Extended TSubstanceCalc::ProviderValue(TExtProperty p) {
  tExtSubstances* prov = GetExtSubstance();
  if (!prov) return NoValue;
  PassStateToProvider();
  return Finite(prov->GetValue(p));
}

Extended TSubstanceCalc::FunctionValue(int no, Approx flag, bool* used) {
  const tCustomFunctionDescription* f = Function(no);
  if (used) *used = f != nullptr;
  if (!f) return NoValue;
  bool outside = false;
  const Extended v = f->Evaluate(FV[slT], &outside);
  SetApprox(flag, outside);
  return v;
}

// ------------------------------------------------------------ phase

teCalculatedPhase TSubstanceCalc::GetDisplayPhase() {
  if (Cache.GetValid(slDisplayPhase) || Cache.GetIsOverruled(slDisplayPhase)) return FDisplayPhase;
  teCalculatedPhase cp = cpUndef;
  bool done = false;
  if (tExtSubstances* prov = GetExtSubstance(); prov && !Cache.GetIsOverruled(slPv)) {
    PassStateToProvider();
    cp = prov->GetPhase();
    done = cp != cpUndef;
  }
  const Extended T = FV[slT], Tt = FV[slTt], Ts = FV[slTs];
  if (!done) {
    if (Available(T, Tt) && T < Tt && !EqualTemp(T, Tt, 3)) {
      cp = cpSolid;
    } else {
      cp = CalculatePhaseOf(T, FV[slTc], FV[slP], GetPv());
      if (cp == cpGas && HasValue(Ts) && Ts > 0) cp = cpVapour;
    }
  }
  FDisplayPhase = cp;
  Cache.SetValid(slDisplayPhase);
  return cp;
}

teCalculatedPhase TSubstanceCalc::GetCalculatedPhase() {
  if (!Cache.GetValid(slCalculatedPhase) && !Cache.GetIsOverruled(slCalculatedPhase) &&
      !FComputing.test(slCalculatedPhase)) {
    FComputing.set(slCalculatedPhase);
    teCalculatedPhase cp = GetDisplayPhase();
    const Extended Ts = FV[slTs];
    if (cp == cpSaturated) {
      // Near the saturation line the state is on the side its pressure
      // says; only a state on the line itself (within the rounding of its
      // entries) takes the side the user means: a boiling liquid or a
      // saturated vapour.
      teSaturatedPhase side = FSaturatedPhase;
      const Extended T = FV[slT], Tc = FV[slTc], P = FV[slP];
      if (side != spTwoPhase && !(Available(T, Tc) && T >= Tc)) {
        const Extended pv = GetPv();
        if (Available(P, pv) && !Eq(P, pv, kSaturationLineDigits)) side = P > pv ? spLiquid : spVapour;
      }
      if (FPhase == phMixPhaseV) {
        cp = cpZweiPhasig;
      } else {
        switch (side) {
          case spLiquid: cp = cpLiquid; break;
          case spVapour: cp = HasValue(Ts) && Ts > 0 ? cpVapour : cpGas; break;
          case spTwoPhase: cp = cpZweiPhasig; break;
        }
      }
    }
    if (cp == cpUndef) {
      switch (FPhase) {
        case phGas: cp = cpGas; break;
        case phVapour:
        case phGasOp: cp = cpVapour; break;
        case phLiquid:
        case phMixPhaseG: cp = cpLiquid; break;
        case phMixPhaseV: cp = cpZweiPhasig; break;
        case phUndef: break;
      }
    }
    FCalculatedPhase = cp;
    Cache.SetValid(slCalculatedPhase);
    FComputing.reset(slCalculatedPhase);
    int rule = 0;
    switch (cp) {
      case cpLiquid: rule = 100; break;
      case cpVapour: rule = 200; break;
      case cpGas: rule = Moist() ? 320 : 310; break;
      case cpZweiPhasig: rule = 400; break;
      default: break;
    }
    static constexpr int kFamily[] = {2, 1, 3, 4};
    rule += kFamily[FRhoNRiM];
    if (rule != FRule) {
      FRule = rule;
      InstallPhaseRules(rule);
    }
  }
  return FCalculatedPhase;
}

teRange TSubstanceCalc::GetRange() {
  if (!GetUseWaterTable()) return raUndef;
  PassStateToProvider();
  const int r = GetWaterSteam().GetDisplayRange();
  return r >= 1 && r <= 5 ? static_cast<teRange>(r) : raUndef;
}

// ------------------------------------------------------------ getters

Extended TSubstanceCalc::GetTr() { return Get(slTr, &TSubstanceCalc::ComputeTr); }
Extended TSubstanceCalc::GetPr() { return Get(slPr, &TSubstanceCalc::ComputePr); }
Extended TSubstanceCalc::GetRhoN() { return Get(slRhoN, &TSubstanceCalc::ComputeRhoN); }
Extended TSubstanceCalc::GetM() { return Get(slM, &TSubstanceCalc::ComputeM); }
Extended TSubstanceCalc::GetRi() { return Get(slRi, &TSubstanceCalc::ComputeRi); }
Extended TSubstanceCalc::GetSg() { return Get(slSg, &TSubstanceCalc::ComputeSg); }
Extended TSubstanceCalc::GetRho() { return Get(slRho, &TSubstanceCalc::ComputeRho); }
Extended TSubstanceCalc::GetV() { return Get(slV, &TSubstanceCalc::ComputeV); }
Extended TSubstanceCalc::GetZ() { return Get(slZ, &TSubstanceCalc::ComputeZ); }
Extended TSubstanceCalc::GetPv() { return Get(slPv, &TSubstanceCalc::ComputePv); }
Extended TSubstanceCalc::GetTv() { return Get(slTv, &TSubstanceCalc::ComputeTv); }
Extended TSubstanceCalc::GetPl() { return Get(slPl, &TSubstanceCalc::ComputePl); }
Extended TSubstanceCalc::GetTl() { return Get(slTl, &TSubstanceCalc::ComputeTl); }
Extended TSubstanceCalc::GetEta() { return Get(slEta, &TSubstanceCalc::ComputeEta); }
Extended TSubstanceCalc::GetNy() { return Get(slNy, &TSubstanceCalc::ComputeNy); }
Extended TSubstanceCalc::GetLambda() { return Get(slLambda, &TSubstanceCalc::ComputeLambda); }
Extended TSubstanceCalc::GetH() { return Get(slH, &TSubstanceCalc::ComputeH); }
Extended TSubstanceCalc::GetS() { return Get(slS, &TSubstanceCalc::ComputeS); }
Extended TSubstanceCalc::GetDhv() { return Get(slDhv, &TSubstanceCalc::ComputeDhv); }
Extended TSubstanceCalc::GetdHvT() { return Get(sldHvT, &TSubstanceCalc::ComputedHvT); }
Extended TSubstanceCalc::GetCp() { return Get(slCp, &TSubstanceCalc::ComputeCp); }
Extended TSubstanceCalc::GetCpL() { return Get(slCpL, &TSubstanceCalc::ComputeCpL); }
Extended TSubstanceCalc::GetCv() { return Get(slCv, &TSubstanceCalc::ComputeCv); }
Extended TSubstanceCalc::GetCf() { return Get(slCf, &TSubstanceCalc::ComputeCf); }
Extended TSubstanceCalc::GetKappa() { return Get(slKappa, &TSubstanceCalc::ComputeKappa); }
Extended TSubstanceCalc::GetCStar() { return Get(slCStar, &TSubstanceCalc::ComputeCStar); }
Extended TSubstanceCalc::GetpStar() { return Get(slpStar, &TSubstanceCalc::ComputepStar); }
Extended TSubstanceCalc::GettStar() { return Get(sltStar, &TSubstanceCalc::ComputetStar); }
Extended TSubstanceCalc::GetcfStar() { return Get(slcfStar, &TSubstanceCalc::ComputecfStar); }
Extended TSubstanceCalc::GetrhoStar() { return Get(slrhoStar, &TSubstanceCalc::ComputerhoStar); }
Extended TSubstanceCalc::GetrhoV() { return Get(slrhoV, &TSubstanceCalc::ComputerhoV); }
Extended TSubstanceCalc::GetrhoL() { return Get(slrhoL, &TSubstanceCalc::ComputerhoL); }
Extended TSubstanceCalc::GetRhoLDeviation() {
  return Get(slRhoLDeviation, &TSubstanceCalc::ComputeRhoLDeviation);
}
Extended TSubstanceCalc::GetPvW() { return Get(slPvW, &TSubstanceCalc::ComputePvW); }
Extended TSubstanceCalc::GetPhiRel() { return Get(slPhiRel, &TSubstanceCalc::ComputePhiRel); }
Extended TSubstanceCalc::GetEf() { return Get(slEf, &TSubstanceCalc::ComputeEf); }

Extended TSubstanceCalc::ComputeTr() {
  const Extended T = FV[slT], Tc = FV[slTc];
  if (!Available(T, Tc) || Tc + T0 <= 0) return NoValue;
  return (T + T0) / (Tc + T0);
}

Extended TSubstanceCalc::ComputePr() {
  const Extended P = FV[slP], Pc = FV[slPc];
  if (!Available(P, Pc) || Pc == 0) return NoValue;
  return P / Pc;
}

// The gas-constant family: the given member (RhoNRiM) is stored as
// overruled; the others follow from it. A missing Zn counts as 1.
Extended TSubstanceCalc::ComputeRi() {
  if (GetUseWaterTable()) return R / MWater;
  if (GetUseAGA()) {
    const Extended m = ProviderValue(epM);
    if (Positive(m)) return R / m;
  }
  const Extended zn = Positive(FV[slZn]) ? FV[slZn] : 1;
  switch (FRhoNRiM) {
    case rrmRi: return NoValue;  // given, and not given here
    case rrmRhoN: {
      const Extended rhoN = GetRhoN();
      if (!Positive(rhoN) || !Available(FV[slPN0], FV[slTN0])) return NoValue;
      return FV[slPN0] * 1e5L / (rhoN * (FV[slTN0] + T0) * zn);
    }
    case rrmM: {
      const Extended m = GetM();
      return Positive(m) ? R / m : NoValue;
    }
    case rrmSg: {
      const Extended sg = GetSg();
      return Positive(sg) ? (R / MolarMassAir) / sg : NoValue;
    }
  }
  return NoValue;
}

Extended TSubstanceCalc::ComputeM() {
  if (GetUseWaterTable()) return MWater;
  if (GetUseAGA()) {
    const Extended m = ProviderValue(epM);
    if (Positive(m)) return m;
  }
  if (FRhoNRiM == rrmM) return NoValue;
  const Extended ri = GetRi();
  return Positive(ri) ? R / ri : NoValue;
}

Extended TSubstanceCalc::ComputeRhoN() {
  if (FRhoNRiM == rrmRhoN && !GetUseWaterTable() && !GetUseAGA()) return NoValue;
  const Extended ri = GetRi();
  const Extended zn = Positive(FV[slZn]) ? FV[slZn] : 1;
  if (!Positive(ri) || !Available(FV[slPN0], FV[slTN0])) return NoValue;
  return FV[slPN0] * 1e5L / (ri * (FV[slTN0] + T0) * zn);
}

Extended TSubstanceCalc::ComputeSg() {
  if (FRhoNRiM == rrmSg && !GetUseWaterTable() && !GetUseAGA()) return NoValue;
  const Extended ri = GetRi();
  return Positive(ri) ? (R / MolarMassAir) / ri : NoValue;
}

Extended TSubstanceCalc::ComputeRho() {
  SetApprox(apRho, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  const Extended T = FV[slT], P = FV[slP];
  if (cp == cpSolid) return NoValue;
  if (cp == cpZweiPhasig && FSubstanceType != stGERG) {
    const Extended x = FV[slxMv];
    const Extended rv = GetrhoV(), rl = GetrhoL();
    if (!Available(x, rv, rl) || x < 0 || x > 100 || rv <= 0 || rl <= 0) return NoValue;
    return 1 / (x / 100 / rv + (1 - x / 100) / rl);
  }
  if (tExtSubstances* prov = GetExtSubstance()) {
    Extended v = ProviderValue(epRho);
    if (!Positive(v)) {
      // A liquid from a library that describes air only in its gaseous
      // range: the corresponding-states liquid density, scaled by the
      // ratio of the liquid densities of air and nitrogen at the normal
      // boiling point of air (about 795/749).
      const auto* lib = dynamic_cast<const tCustomRUBDLLInterface*>(prov);
      const Extended pv = GetPv();
      if (cp == cpLiquid && lib && LowerAscii(lib->GetFileName()) == "luft.rub" &&
          Available(P, pv) && P > pv + 1) {
        const Extended d = DensityLiquid(T, P, pv, FV[slTc], FV[slPc], FV[slOmega], FV[slRhoC],
                                         FV[slRho25]);
        SetApprox(apRho, true);
        return HasValue(d) ? d * 795 / 749 : NoValue;
      }
      return NoValue;
    }
    if (cp == cpGas && Moist())
      v = WetGasCorrection(v, GetRi(), P, GetPvW(), GetPhiRel(), FV[slZn]);
    return v;
  }
  switch (cp) {
    case cpLiquid: {
      bool used = false;
      const Extended f = FunctionValue(pfRhoLiquid, apRho, &used);
      if (used) return f;
      bool approx = false;
      Extended rho = DensityLiquid(T, P, GetPv(), FV[slTc], FV[slPc], FV[slOmega], FV[slRhoC],
                                   FV[slRho25], &approx);
      SetApprox(apRho, approx);
      const Extended dev = GetRhoLDeviation();
      // The correlation is scaled to meet the measured density Rho25 at its
      // reference temperature.
      if (Available(rho, FV[slRho25], dev)) rho *= 1 + dev / 100;
      return rho;
    }
    case cpVapour: {
      const Extended Z = GetZ(), M = GetM();
      if (Available(T, P, FV[slTc], FV[slPc], M) && IsNoValue(Z))
        return DensityVapour(T, P, FV[slTc], FV[slPc], M);
      SetApprox(apRho, IsNoValue(Z));
      return DensityDryGas(Z, GetRi(), P, T);
    }
    case cpGas: {
      const Extended Z = GetZ();
      SetApprox(apRho, IsNoValue(Z));
      if (Moist()) return DensityWetGas(Z, GetRi(), P, T, GetPvW(), GetPhiRel(), FV[slZn]);
      return DensityDryGas(Z, GetRi(), P, T);
    }
    default: return NoValue;
  }
}

Extended TSubstanceCalc::ComputeV() {
  const Extended rho = GetRho();
  SetApprox(apV, FApprox.test(apRho));
  return Positive(rho) ? 1 / rho : NoValue;
}

Extended TSubstanceCalc::ComputeZ() {
  SetApprox(apZ, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  const Extended T = FV[slT], P = FV[slP];
  if (cp == cpSolid) return NoValue;
  if ((cp == cpZweiPhasig || GetDisplayPhase() == cpSaturated) && FSubstanceType != stGERG)
    return RealgasFactor(T, GetPv(), FV[slTc], FV[slPc], FV[slOmega]);
  if (GetExtSubstance()) {
    const Extended z = ProviderValue(epZ);
    if (HasValue(z)) return z;
  }
  if (GetUseDatabase() && cp == cpGas) {
    bool approx = false;
    const Extended z = RealgasFactor(T, P, FV[slTc], FV[slPc], FV[slOmega], &approx);
    SetApprox(apZ, approx);
    return z;
  }
  return NoValue;
}

// The database function inside its range; outside it the corresponding-
// states value when the substance has its critical data and acentric
// factor (an extrapolated fit drifts quickly, Lee-Kesler stays within a
// few per cent up to the critical point), else the extrapolated function,
// flagged.
Extended TSubstanceCalc::CalculatePv(Extended T) {
  const Extended Tc = FV[slTc];
  if (Available(T, Tc) && T > Tc && HasValue(FV[slPc])) return FV[slPc];
  const bool generalized = Available(FV[slOmega], Tc, FV[slPc]);
  if (const tCustomFunctionDescription* f = Function(pfPv)) {
    bool outside = false;
    const Extended v = f->Evaluate(T, &outside);
    if (HasValue(v) && !(outside && generalized)) {
      SetApprox(apPv, outside);
      return v;
    }
  }
  return VapourPressure(FV[slOmega], Tc, FV[slPc], T, FV[slTs]);
}

Extended TSubstanceCalc::ComputePv() {
  SetApprox(apPv, false);
  // A medium declared as boiling liquid and vapour is on its saturation
  // line: its pressure is its vapour pressure.
  if (FPhase == phMixPhaseV && FSubstanceType != stGERG && HasValue(FV[slP])) return FV[slP];
  if (GetExtSubstance()) return ProviderValue(epPv);
  return CalculatePv(FV[slT]);
}

Extended TSubstanceCalc::CheckTv(Extended Tv) {
  if (IsNoValue(Tv)) return NoValue;
  const Extended low = HasValue(FV[slTt]) ? FV[slTt] : -T0;
  Extended t = std::max(Tv, low);
  if (HasValue(FV[slTc])) t = std::min(t, FV[slTc]);
  return t;
}

Extended TSubstanceCalc::ComputeTv() {
  SetApprox(apTv, false);
  if (GetExtSubstance()) return ProviderValue(epTv);
  const Extended P = FV[slP];
  if (const tCustomFunctionDescription* f = Function(pfPv)) {
    const Extended t = f->Inverse(P);
    const bool outside = HasValue(t) && ((HasValue(f->Tmin) && t < f->Tmin) || (HasValue(f->Tmax) && t > f->Tmax));
    if (HasValue(t) && !(outside && Available(FV[slOmega], FV[slTc], FV[slPc]))) {
      SetApprox(apTv, outside);
      return CheckTv(t);
    }
  }
  return CheckTv(BoilingTemperature(P, FV[slOmega], FV[slTc], FV[slPc], FV[slTs], FV[slTt]));
}

Extended TSubstanceCalc::ComputePl() { return ProviderValue(epPl); }
Extended TSubstanceCalc::ComputeTl() { return ProviderValue(epTl); }

Extended TSubstanceCalc::ComputeEta() {
  SetApprox(apEta, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  // Wet steam: the homogeneous mixture of boiling water and saturated
  // steam; other two-phase media have no viscosity of their own here.
  if (cp == cpZweiPhasig && GetUseWaterTable()) return tWaterSteam::WetSteam(epEta, FV[slP], FV[slxMv]);
  if (cp == cpZweiPhasig || cp == cpSolid) return NoValue;
  if (GetExtSubstance()) {
    const Extended e = ProviderValue(epEta);
    if (HasValue(e)) return e;
  }
  switch (cp) {
    case cpLiquid: return FunctionValue(pfEtaLiquid, apEta);
    case cpVapour:
    case cpGas: {
      const Extended eta = Viscosity(FV[slP], FV[slT], GetM(), GetRho(), FV[slZc], FV[slPc],
                                     FV[slTc], FV[slMy]);
      // The Lucas method describes the dilute gas; in a dense gas the
      // viscosity rises above it.
      const Extended pr = GetPr();
      SetApprox(apEta, HasValue(pr) && pr > 0.6L);
      return eta;
    }
    default: return NoValue;
  }
}

Extended TSubstanceCalc::ComputeNy() {
  const Extended eta = GetEta(), rho = GetRho();
  SetApprox(apNy, FApprox.test(apEta) || FApprox.test(apRho));
  return Available(eta) && Positive(rho) ? eta / rho : NoValue;
}

Extended TSubstanceCalc::ComputeLambda() {
  SetApprox(apLambda, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  if (cp == cpZweiPhasig || cp == cpSolid) return NoValue;
  if (GetExtSubstance()) {
    const Extended l = ProviderValue(epLambda);
    if (HasValue(l)) {
      const Extended P = FV[slP], T = FV[slT];
      // Near the critical point of water the conductivity has its critical
      // enhancement, which the formulation in use describes only roughly.
      SetApprox(apLambda, GetUseWaterTable() && P > 120 && P < 280 && T > 300 && T < 450);
      return l;
    }
  }
  if (cp == cpLiquid) return FunctionValue(pfLambdaLiquid, apLambda);
  if (cp == cpVapour || cp == cpGas) return FunctionValue(pfLambdaGas, apLambda);
  return NoValue;
}

// Wet steam of the water/steam formulation is the mixture of boiling water
// and saturated steam at its pressure: h = h' + x (h'' - h'), the same for
// s. Its (T, P) lies on the saturation line, on one side or the other by
// the rounding of T, where the formulation gives that side alone.
Extended TSubstanceCalc::ComputeH() {
  const bool wet = GetUseWaterTable() && GetCalculatedPhase() == cpZweiPhasig;
  const Extended mixed = wet ? tWaterSteam::WetSteam(epH, FV[slP], FV[slxMv]) : NoValue;
  return HasValue(mixed) ? mixed : ProviderValue(epH);
}
Extended TSubstanceCalc::ComputeS() {
  const bool wet = GetUseWaterTable() && GetCalculatedPhase() == cpZweiPhasig;
  const Extended mixed = wet ? tWaterSteam::WetSteam(epS, FV[slP], FV[slxMv]) : NoValue;
  return HasValue(mixed) ? mixed : ProviderValue(epS);
}

Extended TSubstanceCalc::ComputeKappa() {
  SetApprox(apKappa, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  // In wet steam the vapour is what the pressure compresses: the exponent
  // of saturated steam at the pressure. (At the saturation temperature the
  // formulation answers for the side the rounding of T falls on, and the
  // liquid's exponent, rho c^2 / p, is some thousands.)
  if (cp == cpZweiPhasig && GetUseWaterTable()) {
    const Extended k = tWaterSteam::WetSteam(epKappa, FV[slP], 100);
    if (HasValue(k)) return k;
  }
  if (GetExtSubstance()) {
    const Extended k = ProviderValue(epKappa);
    if (HasValue(k)) return k;
    SetApprox(apKappa, true);
  }
  if (cp == cpLiquid) return FunctionValue(pfKappaLiquid, apKappa);
  if (cp == cpVapour || cp == cpGas || cp == cpZweiPhasig) {
    bool used = false;
    const Extended k = FunctionValue(pfKappaGas, apKappa, &used);
    if (used && HasValue(k)) return k;
    // The ideal-gas exponent cp/(cp - R) from the heat capacity.
    const Extended cpv = GetCp(), ri = GetRi();
    if (Positive(cpv) && Positive(ri) && cpv > ri / 1000) {
      SetApprox(apKappa, true);
      return cpv / (cpv - ri / 1000);
    }
  }
  return NoValue;
}

Extended TSubstanceCalc::ComputeCp() {
  SetApprox(apCp, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  if (GetExtSubstance()) {
    const Extended c = ProviderValue(epcp);
    if (HasValue(c)) return c;
  }
  if (cp == cpLiquid) return FunctionValue(pfCpLiquid, apCp);
  if (cp == cpVapour || cp == cpGas) return FunctionValue(pfCpGas, apCp);
  return NoValue;
}

Extended TSubstanceCalc::ComputeCpL() {
  SetApprox(apCpL, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  if (GetExtSubstance() && cp == cpLiquid) {
    const Extended c = ProviderValue(epcp);
    if (HasValue(c)) return c;
  }
  bool used = false;
  const Extended c = FunctionValue(pfCpLiquid, apCpL, &used);
  if (used) return c;
  // Rowlinson-Bondi from the ideal-gas heat capacity.
  const Extended cp0 = FunctionValue(pfCpGas, apCpL);
  SetApprox(apCpL, true);
  return HeatCapacityLiquid(cp0, GetTr(), FV[slOmega], GetM());
}

Extended TSubstanceCalc::ComputeCv() {
  const teCalculatedPhase cp = GetCalculatedPhase();
  if (GetExtSubstance()) {
    const Extended c = ProviderValue(epcv);
    if (HasValue(c)) return c;
  }
  if (cp == cpVapour || cp == cpGas) {
    const Extended c = GetCp(), ri = GetRi();
    if (Positive(c) && Positive(ri)) return c - ri / 1000;  // ideal gas
  }
  return NoValue;
}

Extended TSubstanceCalc::ComputeCf() {
  SetApprox(apCf, false);
  const teCalculatedPhase cp = GetCalculatedPhase();
  // Wet steam: the sound speed of the mixture at its vapour fraction, not
  // the one the formulation gives for the side of the saturation line the
  // rounding of T falls on (that of the steam or of the water).
  const bool wetWater = cp == cpZweiPhasig && GetUseWaterTable();
  if (GetExtSubstance() && !wetWater) {
    const Extended c = ProviderValue(epcf);
    if (HasValue(c)) return c;
  }
  if (cp == cpLiquid) {
    // The database's sound speed of the liquid, taken as independent of
    // temperature.
    if (FDescription.FluidFound && HasValue(FDescription.cfliquid)) {
      SetApprox(apCf, true);
      return FDescription.cfliquid;
    }
    // Without a database value, from the liquid's own density and heat
    // capacity correlations.
    SetApprox(apCf, true);
    return SoundVelocityOfLiquid(FV[slT], FV[slP], GetPv(), FV[slTc], FV[slPc], FV[slOmega], FV[slRhoC],
                                 GetCpL());
  }
  if (cp == cpVapour || cp == cpGas) {
    Extended k = GetKappa();
    if (IsNoValue(k)) {
      k = 1.4L;
      SetApprox(apCf, true);
    }
    return SoundVelocityOfGas(k, FV[slP], GetRho());
  }
  if (cp == cpZweiPhasig) {
    SetApprox(apCf, true);
    return cfMixStoffel(GetrhoV(), GetrhoL(), FV[slxMv], FV[slP], GetKappa());
  }
  return NoValue;
}

Extended TSubstanceCalc::ComputeCStar() {
  SetApprox(apCStar, false);
  if (GetExtSubstance()) {
    const Extended c = ProviderValue(epCStar);
    if (HasValue(c)) return c;
  }
  SetApprox(apCStar, true);
  return CalculateCStar(GetKappa());
}

Extended TSubstanceCalc::ComputepStar() {
  if (GetExtSubstance()) {
    const Extended c = ProviderValue(epPStar);
    if (HasValue(c)) return c;
  }
  return CalculatepStar(GetKappa(), FV[slP]);
}

Extended TSubstanceCalc::ComputetStar() {
  if (GetExtSubstance()) {
    const Extended c = ProviderValue(epTStar);
    if (HasValue(c)) return c;
  }
  return CalculatetStar(GetKappa(), FV[slT]);
}

// Density at the critical (choked) state: the gas expanded isentropically
// to pStar; in a two-phase mixture the vapour expands and the liquid keeps
// its density (frozen, homogeneous flow).
Extended TSubstanceCalc::ComputerhoStar() {
  if (GetExtSubstance()) {
    const Extended c = ProviderValue(epRhoStar);
    if (HasValue(c)) return c;
  }
  const teCalculatedPhase cp = GetCalculatedPhase();
  const Extended ps = GetpStar(), k = GetKappa(), P = FV[slP];
  if (cp == cpVapour || cp == cpGas) {
    const Extended rho = GetRho();
    if (!Available(ps, k, P, rho) || P <= 0 || k <= 0) return NoValue;
    return rho * std::pow(ps / P, 1 / k);
  }
  if (cp == cpZweiPhasig) {
    const Extended rv = GetrhoV(), rl = GetrhoL(), x = FV[slxMv];
    if (!Available(ps, k, P, rv, rl, x) || P <= 0 || k <= 0 || x < 0 || x > 100) return NoValue;
    const Extended rvs = rv * std::pow(ps / P, 1 / k);
    return 1 / (x / 100 / rvs + (1 - x / 100) / rl);
  }
  return NoValue;
}

Extended TSubstanceCalc::ComputecfStar() {
  if (GetExtSubstance()) {
    const Extended c = ProviderValue(epCfStar);
    if (HasValue(c)) return c;
  }
  const teCalculatedPhase cp = GetCalculatedPhase();
  const Extended ps = GetpStar(), k = GetKappa();
  if (cp == cpVapour || cp == cpGas) return SoundVelocityOfGas(k, ps, GetrhoStar());
  if (cp == cpZweiPhasig) {
    const Extended rv = GetrhoV(), P = FV[slP];
    if (!Available(rv, ps, P, k) || P <= 0 || k <= 0) return NoValue;
    return cfMixStoffel(rv * std::pow(ps / P, 1 / k), GetrhoL(), FV[slxMv], ps, k);
  }
  return NoValue;
}

Extended TSubstanceCalc::ComputerhoV() {
  const teCalculatedPhase cp = GetCalculatedPhase();
  const Extended T = FV[slT];
  if (cp == cpSolid) return NoValue;
  if (GetExtSubstance()) {
    Extended v = ProviderValue(epRhoV);
    if (!Positive(v)) return NoValue;
    if (cp == cpGas && Moist())
      v = WetGasCorrection(v, GetRi(), GetPv(), GetPvW(), GetPhiRel(), FV[slZn]);
    return v;
  }
  const Extended pv = GetPv();
  const Extended zs = Cache.GetIsOverruled(slZ) ? FV[slZ]
                                                 : RealgasFactor(T, pv, FV[slTc], FV[slPc], FV[slOmega]);
  switch (cp) {
    case cpLiquid:
    case cpVapour:
    case cpZweiPhasig:
      if (IsNoValue(zs) && Available(FV[slTc], FV[slPc]))
        return DensityVapour(T, pv, FV[slTc], FV[slPc], GetM());
      return DensityDryGas(zs, GetRi(), pv, T);
    case cpGas:
      if (Moist()) return DensityWetGas(zs, GetRi(), pv, T, GetPvW(), GetPhiRel(), FV[slZn]);
      return DensityDryGas(zs, GetRi(), pv, T);
    default: return NoValue;
  }
}

Extended TSubstanceCalc::ComputerhoL() {
  const Extended T = FV[slT];
  if (GetCalculatedPhase() == cpSolid) return NoValue;
  if (GetExtSubstance()) {
    const Extended v = ProviderValue(epRhoL);
    return Positive(v) ? v : NoValue;
  }
  if (const tCustomFunctionDescription* f = Function(pfRhoLiquid)) return f->Evaluate(T);
  const Extended pv = GetPv();
  Extended rho =
      DensityLiquid(T, pv, pv, FV[slTc], FV[slPc], FV[slOmega], FV[slRhoC], FV[slRho25]);
  const Extended dev = GetRhoLDeviation();
  if (Available(rho, FV[slRho25], dev)) rho *= 1 + dev / 100;
  return rho;
}

// How far the measured density Rho25 lies from the correlation at the
// reference temperature (25 degC, or 5 K above a melting point above
// 20 degC), in %.
Extended TSubstanceCalc::ComputeRhoLDeviation() {
  const Extended rho25 = FV[slRho25], Tt = FV[slTt];
  if (!Positive(rho25) || !Available(FV[slTc], FV[slPc], FV[slOmega], FV[slRhoC])) return NoValue;
  const Extended Tref = HasValue(Tt) && Tt > 20 ? Tt + 5 : 25;
  const Extended pv = CalculatePv(Tref);
  const Extended p = HasValue(pv) ? std::max<Extended>(1, pv) : 1;
  const Extended d = DensityLiquid(Tref, p, pv, FV[slTc], FV[slPc], FV[slOmega], FV[slRhoC], NoValue);
  if (!Positive(d)) return NoValue;
  return (rho25 / d - 1) * 100;
}

// Vapour pressure of water at T: IAPWS-IF97 above the triple point, the
// sublimation pressure of ice below it.
Extended TSubstanceCalc::ComputePvW() {
  const Extended T = FV[slT];
  if (IsNoValue(T)) return NoValue;
  if (T > WaterConstants.Tc) return NoValue;
  if (T < WaterConstants.Tt) return SublimationPressure(T);
  return torvacalc::CalculatePv(T);
}

Extended TSubstanceCalc::ComputePhiRel() {
  return RelativeHumidity(FHumidityType, NoValue, FV[slXSpec], FV[slFnF], FV[slFnTr], FV[slFF],
                          FV[slP], FV[slT], GetPvW(), GetRhoN());
}

Extended TSubstanceCalc::ComputeEf() {
  const Extended c = GetCf(), rho = GetRho();
  if (!Available(c, rho)) return NoValue;
  return 1e-6L * c * c * rho;
}

Extended TSubstanceCalc::ComputeDhv() {
  SetApprox(apdhv, false);
  if (GetExtSubstance()) {
    const Extended d = ProviderValue(epdhv);
    if (HasValue(d)) return d;
  }
  SetApprox(apdhv, GetDisplayPhase() != cpSaturated);
  return CalculateDhv(FV[slT], FV[slTs], FV[slTc], FV[slPc], GetM());
}

Extended TSubstanceCalc::ComputedHvT() {
  if (GetExtSubstance()) {
    const Extended d = ProviderValue(epdHvT);
    if (HasValue(d)) return d;
  }
  return CalculateDhv(GetTv(), FV[slTs], FV[slTc], FV[slPc], GetM());
}

// ------------------------------------------------------------ change of state

Extended TSubstanceCalc::CalculateT2(Extended T1, Extended P1, Extended P2) {
  if (!Available(T1, P1, P2) || P1 <= 0 || P2 <= 0) return NoValue;
  const Extended Tc = FV[slTc], Pc = FV[slPc];
  // The boiling temperature at P2 limits the result: a throttled liquid
  // does not get hotter than it boils, a throttled vapour not colder.
  const auto limit = [&](Extended t2) {
    if (IsNoValue(t2)) return t2;
    Extended tv = NoValue;
    if (GetUseWaterTable())
      tv = torvacalc::CalculateTv(P2);
    else
      tv = BoilingTemperature(P2, FV[slOmega], Tc, Pc, FV[slTs], FV[slTt]);
    if (HasValue(tv) && HasValue(Tc) && T1 < Tc) {
      const teCalculatedPhase cp = GetCalculatedPhase();
      if (cp == cpLiquid) t2 = std::min(t2, tv);
      if (cp == cpVapour || cp == cpGas) t2 = std::max(t2, std::min(tv, T1));
    }
    return t2;
  };
  if (tExtSubstances* prov = GetExtSubstance()) {
    const Extended t2 = prov->CalculateT2(T1, P1, P2);
    if (HasValue(t2)) return limit(t2);
  }
  const teCalculatedPhase cp = GetCalculatedPhase();
  const Extended cpv = GetCp();
  if (cp == cpLiquid) {
    // Throttling an incompressible liquid turns the pressure energy into
    // heat: dT = v dp / cp.
    const Extended rho = GetRho();
    if (!Positive(rho) || !Positive(cpv)) return limit(T1);
    return limit(T1 + (P1 - P2) * 1e5L / rho / (cpv * 1000));
  }
  if (cp == cpVapour || cp == cpGas) {
    // Joule-Thomson coefficient of the Redlich-Kwong gas at low density:
    // mu = (2.5 a/(R T^1.5) - b)/cp per unit mass.
    const Extended M = GetM();
    if (!Available(Tc, Pc, M) || !Positive(cpv) || M <= 0) return limit(T1);
    const Extended Ri = R / M, TK = T1 + T0, TcK = Tc + T0;
    const Extended a = 0.42748023L * Ri * Ri * std::pow(TcK, 2.5L) / (Pc * 1e5L);
    const Extended b = 0.08664035L * Ri * TcK / (Pc * 1e5L);
    const Extended mu = (2.5L * a / (Ri * std::pow(TK, 1.5L)) - b) / (cpv * 1000);  // K/Pa
    return limit(T1 - mu * (P1 - P2) * 1e5L);
  }
  return T1;
}

void TSubstanceCalc::CalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended P2) {
  Rho2 = NoValue;
  T2 = NoValue;
  if (tExtSubstances* prov = GetExtSubstance())
    prov->CalculateRhoIsentrop(Rho2, T2, FV[slT], FV[slP], P2);
}

}  // namespace torvacalc
