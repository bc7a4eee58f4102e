#include "workspace/water_state.h"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "framework/calc_item.h"
#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "media/water_steam.h"
#include "workspace/entries.h"

namespace torvacalc {

TWaterState WaterStateOfEntries(const std::string& tText, const std::string& PText, const std::optional<std::string>& liquidText) {
  const Extended t = ParseNumberArg(tText, "t");
  const Extended P = ParseNumberArg(PText, "P");
  if (!std::isfinite(t) || !std::isfinite(P)) throw ECalcEntry("t and P must be finite numbers");
  bool liquid = true;
  if (liquidText) {
    const TCheckBoxState state = StrToSwitchStatus(*liquidText);
    if (state == cbGrayed)
      throw ECalcEntry("Liquid: \"" + *liquidText + "\" is neither " + Translate("ja") + " nor " + Translate("nein"));
    liquid = state == cbChecked;
  }
  tWaterSteam w;
  w.SetLiquid(liquid);
  w.SetT(t);
  w.SetP(P);
  TWaterState s;
  s.rows = {
      {"t", "°C", t},
      {"P", "bar", P},
      {"Pv", "bar", w.GetPv()},
      {"Tv", "°C", w.GetTv()},
      {"p23", "bar", w.GetP23()},
      {"Rho", "kg/m³", w.GetRho()},
      {"V", "m³/kg", w.GetV()},
      {"cp", "kJ/(kg K)", w.Getcp()},
      {"cv", "kJ/(kg K)", w.Getcv()},
      {"cf", "m/s", w.Getcf()},
      {"eta", "Pa s", w.GetEta()},
      {"lambda", "W/(m K)", w.GetLambda()},
      {"s", "kJ/(kg K)", w.GetS()},
      {"h", "kJ/kg", w.GetH()},
      {"kappa", "", w.GetKappa()},
      {"dhv", "kJ/kg", w.Getdhv()},
  };
  s.range = w.GetDisplayRange();
  s.steam = w.GetIsSteam();
  return s;
}

void PrintWaterJson(const TWaterState& s, std::ostream& out) {
  out << "{";
  for (const TWaterProperty& r : s.rows) {
    char number[64];
    std::snprintf(number, sizeof number, "%.12Lg", r.value);
    out << "\"" << r.key << "\": " << (IsNoValue(r.value) ? "null" : number) << ", ";
  }
  out << "\"Range\": " << s.range << ", \"IsSteam\": " << (s.steam ? "true" : "false") << "}\n";
}

}  // namespace torvacalc
