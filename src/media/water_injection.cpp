#include "media/water_injection.h"

#include <cmath>

#include "media/if97.h"
#include "media/water_steam.h"

namespace torvacalc {

namespace {

// Density of water or steam at (P, t), on the side `liquid` of the
// saturation line.
Extended Density(Extended P, Extended t, bool liquid) {
  if (!Available(P, t)) return NoValue;
  tWaterSteam w;
  w.SetLiquid(liquid);
  w.SetT(t);
  w.SetP(P);
  return w.GetRho();
}

}  // namespace

Extended tWaterInjection::Enthalpy(Extended P, Extended t, bool liquid) {
  if (!Available(P, t) || P <= 0) return NoValue;
  return tWaterSteam::GetH(t, P, liquid);
}

Extended tWaterInjection::OutletEnthalpy(Extended h1, Extended u1, Extended u2) {
  if (!Available(h1)) return NoValue;
  const Extended w1 = HasValue(u1) ? u1 : 0, w2 = HasValue(u2) ? u2 : 0;
  // u^2/2 in J/kg, divided by 1000 for kJ/kg.
  return h1 + (w1 * w1 - w2 * w2) / 2000;
}

TDownstreamState tWaterInjection::StateFromEnthalpy(Extended P, Extended h) {
  TDownstreamState s;
  if (!Available(P, h) || P <= 0) return s;
  s.h2 = h;
  if (P >= WaterConstants.Pc) {
    // Above the critical pressure there is no saturation line.
    s.t2 = tWaterSteam::IterateH(P, h, s.rho2);
    return s;
  }
  const tWaterSteam::TSaturation sat = tWaterSteam::SaturationAt(P);
  const Extended ts = sat.ts, hL = sat.hL, hV = sat.hV;
  if (!Available(ts, hL, hV) || hV <= hL) return TDownstreamState{};
  if (h < hL || h > hV) {
    s.t2 = tWaterSteam::IterateH(P, h, s.rho2);
    s.xFG = h < hL ? 0 : 100;
    return s;
  }
  // Two phases at the saturation temperature: the lever rule on the
  // enthalpy, and the homogeneous density from the specific volumes of the
  // saturated liquid and vapour.
  const Extended x = (h - hL) / (hV - hL);
  const Extended rhoL = sat.rhoL, rhoV = sat.rhoV;
  s.t2 = ts;
  s.xFG = 100 * x;
  if (Available(rhoL, rhoV) && rhoL > 0 && rhoV > 0) s.rho2 = 1 / (x / rhoV + (1 - x) / rhoL);
  return s;
}

Extended tWaterInjection::InjectionFlow(Extended qm, Extended h1Total, Extended h2Total,
                                        Extended hwi) {
  if (!Available(qm, h1Total, h2Total, hwi) || qm < 0) return NoValue;
  // The mixture must lie between the cooling water and the steam; at
  // h2 = hwi no finite amount of water gets there.
  if (h2Total <= hwi || h1Total < h2Total) return NoValue;
  return qm * (h1Total - h2Total) / (h2Total - hwi);
}

Extended tWaterInjection::FlashFraction(Extended cp, Extended t1, Extended tv2, Extended dhv) {
  if (!Available(cp, t1, tv2, dhv) || cp <= 0 || dhv <= 0) return NoValue;
  if (t1 <= tv2) return 0;
  const Extended x = 100 * cp * (t1 - tv2) / dhv;
  return x > 100 ? 100 : x;
}

TWaterInjectionResult tWaterInjection::Inject(Extended qm, Extended h1, Extended u1, Extended u2,
                                              Extended p2, Extended t2Wanted, Extended margin,
                                              Extended twi, Extended pwi, Extended dpowi) {
  TWaterInjectionResult r;
  if (!Available(margin)) margin = DefaultSuperheatMargin;
  if (Available(p2) && p2 > 0 && p2 < WaterConstants.Pc) r.tv2 = CalculateTv(p2);
  if (Available(twi)) r.pvwi = CalculatePv(twi);
  if (Available(pwi) && pwi > 0 && pwi < WaterConstants.Pc) r.tvwi = CalculateTv(pwi);
  r.WaterBoils = Available(twi, r.tvwi) && twi >= r.tvwi;
  if (Available(pwi, p2))
    r.WaterPressureTooLow = pwi <= p2 + (Available(dpowi) ? dpowi : Extended(0));
  // The water's enthalpy at its own pressure; without one, at the steam's
  // (compressed water gains about v dp = 0.1 kJ/kg per bar, small against
  // the 2000 kJ/kg and more it takes up while evaporating).
  r.hwi = Enthalpy(Available(pwi) ? pwi : p2, twi, true);
  if (Available(t2Wanted, r.tv2) && t2Wanted < r.tv2 + margin) r.TooCloseToSaturation = true;

  const Extended h1Total = h1;  // inlet total enthalpy: h1 + u1^2/2
  const Extended hThrottled = OutletEnthalpy(h1, u1, u2);
  if (!Available(hThrottled, p2, t2Wanted)) return r;
  const Extended w1 = HasValue(u1) ? u1 : 0, w2 = HasValue(u2) ? u2 : 0;
  // A wanted temperature at or below saturation cannot be held by steam:
  // the balance then aims at dry saturated steam (flagged above).
  const Extended tTarget = HasValue(r.tv2) && t2Wanted < r.tv2 ? r.tv2 : t2Wanted;
  const Extended h2 = Enthalpy(p2, tTarget, false);
  if (!Available(h2)) return r;
  const Extended h1t = h1Total + w1 * w1 / 2000, h2t = h2 + w2 * w2 / 2000;
  if (h2t >= h1t) {
    // Already as cool as wanted: no water, the throttled state.
    r.NotNeeded = true;
    r.qmwi = Available(qm) ? Extended(0) : NoValue;
    const TDownstreamState s = StateFromEnthalpy(p2, hThrottled);
    r.t2 = s.t2;
    r.rho2 = s.rho2;
    r.h2 = s.h2;
    return r;
  }
  r.qmwi = InjectionFlow(qm, h1t, h2t, r.hwi);
  r.t2 = tTarget;
  r.h2 = h2;
  r.rho2 = Density(p2, tTarget, false);
  return r;
}

}  // namespace torvacalc
