#include "media/water_steam.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <utility>

namespace torvacalc {

namespace {

// Result cache slots: the inputs, the region and the boundary pressure, then
// one slot per provider property.
constexpr int slotT = 0, slotP = 1, slotLiquid = 2, slotPN0 = 3, slotTN0 = 4, slotRange = 5,
              slotP23 = 6;
constexpr int SlotOf(TExtProperty p) { return 10 + static_cast<int>(p); }

constexpr TWaterConstants W = WaterConstants;

}  // namespace

tWaterSteam::tWaterSteam() {
  Cache.AddRule(SlotOf(epPv), {slotT});
  Cache.AddRule(SlotOf(epTv), {slotP});
  Cache.AddRule(slotP23, {slotT});
  Cache.AddRule(slotRange, {slotT, slotP, slotLiquid, SlotOf(epPv), slotP23});
  Cache.AddRule(SlotOf(epRho), {slotRange, slotT, slotP, slotLiquid});
  Cache.AddRule(SlotOf(epV), {SlotOf(epRho)});
  for (TExtProperty p : {epH, epS, epcp, epcv, epcf})
    Cache.AddRule(SlotOf(p), {slotRange, SlotOf(epRho), slotT, slotP, slotLiquid});
  for (TExtProperty p : {epEta, epLambda})
    Cache.AddRule(SlotOf(p), {slotRange, SlotOf(epRho), slotT});
  Cache.AddRule(SlotOf(epKappa), {SlotOf(epcf), SlotOf(epV), slotP});
  Cache.AddRule(SlotOf(epdhv), {slotT});
  Cache.AddRule(SlotOf(epdHvT), {SlotOf(epTv)});
  Cache.AddRule(SlotOf(epRhoN), {slotPN0, slotTN0});
  Cache.AddRule(SlotOf(epxFG), {SlotOf(epH), slotP});
  Cache.AddRule(SlotOf(epRhoL), {slotT});
  Cache.AddRule(SlotOf(epRhoV), {slotT});
}

void tWaterSteam::SetT(Extended value) {
  if (SameInput(value, FT)) return;
  FT = value;
  Cache.HasChanged(slotT);
}

void tWaterSteam::SetP(Extended value) {
  if (SameInput(value, FP)) return;
  FP = value;
  Cache.HasChanged(slotP);
}

void tWaterSteam::SetPN0(Extended value) {
  if (SameInput(value, FPN0)) return;
  FPN0 = value;
  Cache.HasChanged(slotPN0);
}

void tWaterSteam::SetTN0(Extended value) {
  if (SameInput(value, FTN0)) return;
  FTN0 = value;
  Cache.HasChanged(slotTN0);
}

void tWaterSteam::SetLiquid(bool value) {
  if (value == FLiquid) return;
  FLiquid = value;
  Cache.HasChanged(slotLiquid);
}

Extended tWaterSteam::GetValue(TExtProperty p) {
  if (p < 0 || p >= epCount) return NoValue;
  const int slot = SlotOf(p);
  if (!Cache.GetShouldBecalculated(slot)) return FValues[p];
  const Extended v = Compute(p);
  FValues[p] = IsNoValue(v) ? NoValue : v;
  Cache.SetValid(slot);
  return FValues[p];
}

void tWaterSteam::SetValue(TExtProperty p, Extended value, bool overrule) {
  if (p < 0 || p >= epCount) throw EHXInternal("property " + std::to_string(p), "tWaterSteam");
  const int slot = SlotOf(p);
  const bool wasOverruled = Cache.GetIsOverruled(slot);
  Cache.SetIsOverruled(slot, overrule);
  if (!overrule) {
    if (wasOverruled) {
      Cache.SetValid(slot, false);
      Cache.HasChanged(slot);
    }
    return;
  }
  if (IsNoValue(value)) value = NoValue;
  if (wasOverruled && (FValues[p] == value)) return;
  FValues[p] = value;
  Cache.HasChanged(slot);
  ResultsChanged();
}

Extended tWaterSteam::GetP23() {
  if (Cache.GetShouldBecalculated(slotP23)) {
    FP23 = CalculateP23(FT);
    Cache.SetValid(slotP23);
  }
  return FP23;
}

void tWaterSteam::SetP23(Extended value, bool overrule) {
  Cache.SetIsOverruled(slotP23, overrule);
  if (overrule) FP23 = value;
  Cache.SetValid(slotP23, overrule);
  Cache.HasChanged(slotP23);
}

int tWaterSteam::GetRange() {
  if (Cache.GetShouldBecalculated(slotRange)) {
    // The region rules read the saturation pressure only up to 800 degC and
    // the 2-3 boundary only between 350 and 800 degC; elsewhere neither is
    // worked out.
    const bool known = HasValue(FT);
    if (known && FT > 800) {
      // Region 5 or outside: the rules ask neither, so the plain dispatcher
      // decides with fewer arguments to pass.
      FRange = CalculateRange(FP, FT, W.Tt, FLiquid, FDisplayRange);
    } else {
      const bool boundary = known && FT > 350;
      FRange = CalculateRange(FP, FT, W.Tt, GetPv(), boundary ? GetP23() : NoValue, FLiquid, FDisplayRange);
    }
    Cache.SetValid(slotRange);
  }
  return FRange;
}

void tWaterSteam::SetRange(int value, bool overrule) {
  Cache.SetIsOverruled(slotRange, overrule);
  if (overrule) FRange = FDisplayRange = value;
  Cache.SetValid(slotRange, overrule);
  Cache.HasChanged(slotRange);
}

int tWaterSteam::GetDisplayRange() {
  GetRange();
  return FDisplayRange;
}

bool tWaterSteam::LiquidSide() {
  const Extended pv = GetPv();
  if (!Available(pv, FP)) return true;
  return EqualDigits(FP, pv, kSaturationLineDigits) ? FLiquid : FP > pv;
}

bool tWaterSteam::GetIsSteam() {
  if (IsNoValue(FT)) return false;
  if (FT > W.Tc) return true;
  const Extended tv = GetTv();
  if (IsNoValue(tv)) return false;
  // Near the line the region already says the side (the declared one only
  // on the line itself).
  if (GetDisplayRange() == 4) return !LiquidSide();
  return tv <= FT;
}

teCalculatedPhase tWaterSteam::GetPhase() {
  if (!Available(FT, FP)) return cpUndef;
  if (FT < W.Tt && !EqualTemp(FT, W.Tt, 3)) return cpSolid;
  if (GetDisplayRange() == 4) return cpSaturated;
  return GetIsSteam() ? cpVapour : cpLiquid;
}

[[gnu::always_inline]] inline void tWaterSteam::KeepIfDue(TExtProperty p, Extended value) {
  const int slot = SlotOf(p);
  if (!Cache.GetShouldBecalculated(slot)) return;
  FValues[p] = IsNoValue(value) ? NoValue : value;
  Cache.SetValid(slot);
}

Extended tWaterSteam::Compute(TExtProperty p) {
  switch (p) {
    case epPv: return CalculatePv(FT);
    case epTv: return CalculateTv(FP);
    case epRho: {
      const int range = GetRange();
      if (range == 3) {
        // Region 3 holds both phases up to the critical point; the density
        // is searched on the branch of the state's side. On the saturation
        // line a pressure a little to the other side of the saturation
        // pressure counts as the saturation pressure: the metastable state
        // it would ask for lies, in the last tenths of a kelvin below the
        // critical temperature, beyond the end of its branch.
        const bool liquid = LiquidSide();
        Extended P = FP;
        const Extended pv = GetPv();
        if (Available(pv) && EqualDigits(FP, pv, kSaturationLineDigits))
          P = liquid ? std::max(FP, pv) : std::min(FP, pv);
        const Extended rho = CalculateRho3(P, FT, liquid);
        return Available(rho) && rho > 0 ? rho : NoValue;
      }
      // In the Gibbs regions density and enthalpy come from one pass over
      // the sums for little more than either alone; the enthalpy, when due,
      // is kept with the density.
      const TIF97RhoH both = CalculateRhoH(range, FP, FT);
      KeepIfDue(epH, both.h);
      return Available(both.rho) && both.rho > 0 ? both.rho : NoValue;
    }
    case epV: {
      const Extended rho = GetRho();
      return Available(rho) && rho > 0 ? 1 / rho : NoValue;
    }
    case epH:
    case epS:
    case epcp:
    case epcv:
    case epcf: {
      const int range = GetRange();
      const Extended rho = range == 3 ? GetRho() : NoValue;
      if (range == 3 && IsNoValue(rho)) return NoValue;
      if (p == epcv || p == epcf) {
        // cv and w need the second derivatives by pi besides those by tau;
        // one evaluation of all derivatives costs little more (about 20 %)
        // and gives all five, so the others that are due (neither valid nor
        // overruled) are stored with it. They depend on the same slots and
        // fall due together. h, s and cp need only derivatives by tau, for
        // which the full evaluation would cost two to three times as much.
        const TIF97Caloric c = CalculateCaloric(range, FP, FT, rho);
        const std::pair<TExtProperty, Extended> caloric[] = {
            {epH, c.h}, {epS, c.s}, {epcp, c.cp}, {epcv, c.cv}, {epcf, c.w}};
        for (const auto& [q, value] : caloric) {
          if (q != p && Cache.GetShouldBecalculated(SlotOf(q))) {
            FValues[q] = IsNoValue(value) ? NoValue : value;
            Cache.SetValid(SlotOf(q));
          }
        }
        return p == epcv ? c.cv : c.w;
      }
      if (p == epH && range != 3) {
        const TIF97RhoH both = CalculateRhoH(range, FP, FT);
        KeepIfDue(epRho, Available(both.rho) && both.rho > 0 ? both.rho : NoValue);
        return both.h;
      }
      switch (p) {
        case epH: return Calculateh(range, FP, FT, rho);
        case epS: return Calculates(range, FP, FT, rho);
        default: return Calculatecp(range, FP, FT, rho);
      }
    }
    case epEta:
      return GetRange() == 0 ? NoValue : Calculateeta(FT, GetRho());
    case epLambda:
      return GetRange() == 0 ? NoValue : Calculatelambda(FT, GetRho());
    case epKappa: {
      // kappa = w^2 / (v p), p in Pa.
      const Extended w = Getcf(), v = GetV();
      if (!Available(w, v, FP) || v <= 0 || FP <= 0) return NoValue;
      return w * w / (v * FP * 1E5L);
    }
    case epdhv: return Calculatedhv(FT);
    case epdHvT: return Calculatedhv(GetTv());
    case epRhoN: return CalculateRhoN(FPN0, FTN0);
    case epxFG: return CalculatexFG(GetH(), FP);
    case epRhoL: return SaturatedDensity(FT, true);
    case epRhoV: return SaturatedDensity(FT, false);
    case epM: return W.M;
    case epTc: return W.Tc;
    case epPc: return W.Pc;
    case epRhoC: return W.RhoC;
    case epOmega: return W.Omega;
    case epTs: return W.Ts;
    case epTT: return W.Tt;
    default: return NoValue;
  }
}

Extended tWaterSteam::SaturatedDensity(Extended t, bool liquid) {
  if (!Available(t) || t >= W.Tc || t < W.Tt) return NoValue;
  tWaterSteam sat;
  sat.SetT(t);
  sat.SetP(CalculatePv(t));
  sat.SetLiquid(liquid);
  return sat.GetRho();
}

Extended tWaterSteam::GetH(Extended t, Extended P, bool liquid) {
  tWaterSteam w;
  w.SetLiquid(liquid);
  w.SetT(t);
  w.SetP(P);
  return w.tExtSubstances::GetH();
}

Extended tWaterSteam::Calculatedhv(Extended t) {
  if (!Available(t) || t >= W.Tc || t < W.Tt) return NoValue;
  // Both sides of the saturation line at t: the state (t, Pv(t)) read once as
  // liquid and once as vapour.
  const Extended pv = CalculatePv(t);
  const Extended hL = GetH(t, pv, true), hV = GetH(t, pv, false);
  return Available(hL, hV) ? std::fabs(hV - hL) : NoValue;
}

void tWaterSteam::SaturationEnthalpies(Extended P, Extended& hL, Extended& hV) {
  hL = hV = NoValue;
  if (!Available(P) || P <= 0 || P >= W.Pc) return;
  const Extended ts = CalculateTv(P);
  hL = GetH(ts, P, true);
  hV = GetH(ts, P, false);
}

Extended tWaterSteam::WetSteam(TExtProperty p, Extended P, Extended x) {
  if (!Available(P, x) || P <= 0 || P >= W.Pc || x < 0 || x > 100) return NoValue;
  const Extended ts = CalculateTv(P);
  const auto side = [&](bool liquid) {
    tWaterSteam w;
    w.SetLiquid(liquid);
    w.SetT(ts);
    w.SetP(P);
    return w.GetValue(p);
  };
  const Extended liquid = side(true), vapour = side(false);
  if (!Available(liquid, vapour)) return NoValue;
  // The viscosity of the homogeneous mixture mixes the fluidities by mass
  // (McAdams, Woods and Heroman, 1942): 1/eta = x/eta'' + (1 - x)/eta'.
  if (p == epEta)
    return liquid > 0 && vapour > 0 ? 1 / (x / 100 / vapour + (1 - x / 100) / liquid) : NoValue;
  return liquid + x / 100 * (vapour - liquid);
}

Extended tWaterSteam::CalculatexFG(Extended h, Extended P) {
  if (!Available(h, P) || P <= 0 || P >= W.Pc) return NoValue;
  const Extended ts = CalculateTv(P);
  const Extended hL = GetH(ts, P, true), hV = GetH(ts, P, false);
  if (!Available(hL, hV) || hV <= hL) return NoValue;
  Extended x = (h - hL) / (hV - hL) * 100;
  if (x > 100) x = EqualDigits(x, 100, 1) ? 100 : NoValue;
  else if (x < 0) x = EqualDigits(x, 0, 1) ? 0 : NoValue;
  return x;
}

Extended tWaterSteam::CalculateRhoN(Extended PN0, Extended TN0) {
  if (!Available(PN0, TN0)) return NoValue;
  const Extended TK = TN0 + ZeroCelsius;
  if (PN0 * TK <= 0) return NoValue;
  return PN0 * ZeroCelsius * W.RhoNVapour / (StandardPressure * TK);
}

tWaterSteam::TSaturation tWaterSteam::SaturationAt(Extended P) {
  // The outlet pressures of the operating points of a calculation take
  // turns; a few kept cover them.
  thread_local TSaturation recent[8];
  thread_local unsigned oldest = 0;
  if (!Available(P) || P <= 0 || P >= W.Pc) return TSaturation{};
  for (const TSaturation& kept : recent)
    if (kept.P == P) return kept;
  TSaturation s;
  s.P = P;
  s.ts = CalculateTv(P);
  // Each side read once: the enthalpy comes with the density from one
  // evaluation, so the density of the side is ready with it.
  const auto side = [&](bool liquid, Extended& h, Extended& rho) {
    tWaterSteam w;
    w.SetLiquid(liquid);
    w.SetT(s.ts);
    w.SetP(P);
    h = w.tExtSubstances::GetH();
    rho = w.GetRho();
  };
  side(true, s.hL, s.rhoL);
  side(false, s.hV, s.rhoV);
  recent[oldest] = s;
  oldest = (oldest + 1) % std::size(recent);
  return s;
}

Extended tWaterSteam::IterateH(Extended P2, Extended hTarget) { return IterateT(P2, hTarget, epH); }

Extended tWaterSteam::IterateH(Extended P2, Extended hTarget, Extended& rho) {
  return IterateT(P2, hTarget, epH, &rho);
}

Extended tWaterSteam::IterateT(Extended P2, Extended target, TExtProperty p, Extended* rho) {
  if (rho) *rho = NoValue;
  if (!Available(P2, target) || P2 <= 0 || P2 > 1000) return NoValue;
  const bool enthalpy = p == epH;
  // The states are those of an object at P2, made only when needed: its
  // result cache costs more to set up than a few evaluations, so the
  // enthalpy of regions 1, 2 and 5 comes from the plain functions, the
  // ones the object calls there (region and density with enthalpy, cp on
  // its own), with the same results.
  std::optional<tWaterSteam> object;
  const auto w = [&]() -> tWaterSteam& {
    if (!object) {
      object.emplace();
      object->SetP(P2);
    }
    return *object;
  };
  bool plain = false;
  int range = 0;
  Extended at = NoValue, plainRho = NoValue;
  auto value = [&](Extended t, bool liquid) {
    if (enthalpy) {
      int display = 0;
      range = CalculateRange(P2, t, W.Tt, liquid, display);
      plain = range != 3;
      if (plain) {
        at = t;
        const TIF97RhoH both = CalculateRhoH(range, P2, t);
        plainRho = Available(both.rho) && both.rho > 0 ? both.rho : NoValue;
        return IsNoValue(both.h) ? NoValue : both.h;
      }
    }
    w().SetLiquid(liquid);
    w().SetT(t);
    return w().GetValue(p);
  };
  // d/dT of h is cp; of s it is cp/T.
  auto slope = [&]() {
    if (plain) {
      const Extended cp = Calculatecp(range, P2, at);
      return IsNoValue(cp) ? NoValue : cp;
    }
    const Extended cp = w().Getcp();
    return enthalpy ? cp : cp / (w().GetT() + ZeroCelsius);
  };
  // The density of the state last evaluated.
  auto density = [&]() { return plain ? plainRho : w().GetRho(); };
  Extended lo = W.Tt, hi = P2 <= 100 ? 2000 : 800;
  bool liquid = true;
  if (P2 < W.Pc) {
    // Between the saturated liquid and vapour values the state is two-phase
    // at the saturation temperature.
    Extended ts, fL, fV;
    if (enthalpy) {
      const TSaturation sat = SaturationAt(P2);
      ts = sat.ts, fL = sat.hL, fV = sat.hV;
    } else {
      ts = CalculateTv(P2);
      fL = value(ts, true), fV = value(ts, false);
    }
    if (!Available(fL, fV)) return NoValue;
    if (target >= fL && target <= fV) return ts;
    if (target < fL) {
      hi = ts;
    } else {
      lo = ts;
      liquid = false;
    }
  }
  // Both properties rise with the temperature (cp > 0): a root lies in the
  // bracket when the value at its lower end is below the target and the
  // one at its upper end above it.
  const Extended lo0 = lo, hi0 = hi;
  const auto bracketed = [&]() {
    const Extended flo = value(lo0, liquid) - target, fhi = value(hi0, liquid) - target;
    return Available(flo, fhi) && flo <= 0 && fhi > 0;
  };
  // The start: the backward equation of region 1 or 2 for the enthalpy,
  // tens of millikelvin from the root (above the critical pressure and in
  // regions 3 and 5 it extrapolates, and the steps from there are about as
  // many as from the chord), else the chord of the bracket. The ends are
  // then checked only if the steps leave the bracket.
  Extended t = NoValue;
  if (enthalpy) t = liquid ? CalculateT1ph(P2, target) : CalculateT2ph(P2, target);
  bool checked = false;
  if (!Available(t) || t <= lo || t >= hi) {
    const Extended flo = value(lo, liquid) - target, fhi = value(hi, liquid) - target;
    if (!Available(flo, fhi) || (flo > 0) == (fhi > 0)) return NoValue;
    t = lo + flo / (flo - fhi) * (hi - lo);
    checked = true;
  }
  const Extended tolerance = 1E-11L * std::max<Extended>(1, std::fabs(target));
  Extended d = NoValue;
  for (int step = 0; step < 50; ++step) {
    const Extended f = value(t, liquid) - target;
    if (!Available(f)) return NoValue;
    if (std::fabs(f) <= tolerance) {
      if (!enthalpy) return t;
      // One more Newton step with the slope of the step before (the error
      // is now too small for the slope's change to matter) takes the
      // temperature from within the tolerance to the root, to the
      // precision of the enthalpy itself: the result is then the same
      // whatever the start.
      if (f != 0) {
        if (IsNoValue(d) || d <= 0) d = slope();
        if (Available(d) && d > 0) t -= f / d;
      }
      if (rho) {
        value(t, liquid);
        *rho = density();
      }
      return t;
    }
    if (f > 0) {
      hi = t;
    } else {
      lo = t;
    }
    d = slope();
    Extended next = Available(d) && d > 0 ? t - f / d : NoValue;
    if (IsNoValue(next) || next <= lo || next >= hi) {
      // Bisection; from a start inside the bracket its ends are checked
      // first, so that a target beyond them gives no value.
      if (!checked && !bracketed()) return NoValue;
      checked = true;
      next = (lo + hi) / 2;
    }
    if (hi - lo <= 1E-12L * (hi + ZeroCelsius)) {
      if (rho) {
        value(next, liquid);
        *rho = density();
      }
      return next;
    }
    t = next;
  }
  return NoValue;
}

Extended tWaterSteam::DoCalculateT2(Extended T1, Extended P1, Extended P2) {
  return IterateH(P2, GetH(T1, P1, FLiquid));
}

void tWaterSteam::DoCalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended T1, Extended P1,
                                         Extended P2) {
  Rho2 = T2 = NoValue;
  tWaterSteam w;
  w.SetLiquid(FLiquid);
  w.SetT(T1);
  w.SetP(P1);
  const Extended s1 = w.GetS();
  T2 = IterateT(P2, s1, epS);
  if (IsNoValue(T2)) return;
  w.SetT(T2);
  w.SetP(P2);
  if (w.GetDisplayRange() != 4) {
    Rho2 = w.GetRho();
    return;
  }
  // Two-phase end state: the vapour fraction from the entropy, the density
  // from the specific volumes of both sides.
  w.SetLiquid(true);
  const Extended sL = w.GetS(), vL = w.GetV();
  w.SetLiquid(false);
  const Extended sV = w.GetS(), vV = w.GetV();
  if (!Available(sL, sV, vL, vV) || sV <= sL) return;
  const Extended x = std::min<Extended>(1, std::max<Extended>(0, (s1 - sL) / (sV - sL)));
  Rho2 = 1 / (vL + x * (vV - vL));
}

void tWaterSteam::Assign(const tExtSubstances& source) {
  if (this == &source) return;
  tExtSubstances::Assign(source);
  if (const auto* water = dynamic_cast<const tWaterSteam*>(&source)) {
    Cache = water->Cache;
    FP23 = water->FP23;
    FRange = water->FRange;
  } else {
    Cache.ResetAll();
  }
}

}  // namespace torvacalc
