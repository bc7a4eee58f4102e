#include "valves/valve_description.h"

#include <algorithm>
#include <cmath>

namespace torvacalc {

bool TFactorCurve::IsValid() const {
  if (Points.size() < 2) return false;
  for (size_t i = 0; i < Points.size(); ++i) {
    const auto& p = Points[i];
    if (!Available(p.KvKvs, p.Value) || p.KvKvs < 0 || p.KvKvs > 1 || p.Value <= 0 || p.Value > 1)
      return false;
    if (i > 0 && p.KvKvs <= Points[i - 1].KvKvs) return false;
  }
  return true;
}

Extended TFactorCurve::At(Extended r) const {
  if (IsNoValue(r) || !IsValid()) return NoValue;
  if (r <= Points.front().KvKvs) return Points.front().Value;
  if (r >= Points.back().KvKvs) return Points.back().Value;
  for (size_t i = 1; i < Points.size(); ++i) {
    if (r > Points[i].KvKvs) continue;
    const auto& a = Points[i - 1];
    const auto& b = Points[i];
    return a.Value + (r - a.KvKvs) / (b.KvKvs - a.KvKvs) * (b.Value - a.Value);
  }
  return Points.back().Value;
}

Extended TFactorPolynomial::At(Extended r) const {
  if (!Valid || IsNoValue(r)) return NoValue;
  Extended v = 0;
  for (size_t i = a.size(); i-- > 0;) {
    if (IsNoValue(a[i])) return NoValue;
    v = v * r + a[i];
  }
  return std::isfinite(v) ? v : NoValue;
}

int TStandardValveData::EquivalentValveTypeID(int styleId) {
  if (styleId >= 1 && styleId <= 5) return styleId;
  if (styleId >= 8 && styleId <= 10) return 1;
  return 5;
}

Extended TXfzRules::CalculateXfZ(Extended Fd, Extended FL2, Extended Kv) {
  if (!Available(Fd, FL2, Kv) || Fd <= 0 || FL2 <= 0 || Kv < 0) return NoValue;
  const Extended fl = std::sqrt(FL2);
  return 0.90L / std::sqrt(1 + 3 * Fd * std::sqrt(Kv / (1.17L * fl)));
}

Extended TXfzRules::CalculateXfZPerforatedPlug(Extended Kv, Extended FL2) {
  if (!Available(Kv, FL2) || Kv <= 0 || FL2 <= 0) return NoValue;
  const Extended fl = std::sqrt(FL2);
  const Extended area = Kv / (3600 * std::sqrt(Extended(200))) / fl;  // m2
  const Extended n0dh2 = 4 * area / 3.14159265358979323846L;
  return 1 / std::sqrt(4.5L + 1650 * n0dh2 / fl);
}

Extended TXfzRules::CheckZyFL2(Extended zy, Extended FL2) {
  if (IsNoValue(zy)) return NoValue;
  if (HasValue(FL2) && FL2 > 0 && zy > FL2) return FL2;
  return zy;
}

Extended TXfzRules::ShiftModifier(Extended ruleAtOpening, Extended rule75, Extended value75) {
  if (!Available(ruleAtOpening, rule75, value75)) return NoValue;
  if (rule75 > 0) {
    const Extended scaled = ruleAtOpening * value75 / rule75;
    if (scaled > 0 && scaled < 1) return scaled;
  }
  return ruleAtOpening + (value75 - rule75);
}

}  // namespace torvacalc
