#include "valves/valve_description.h"

#include <algorithm>
#include <cmath>

#include "framework/number_text.h"

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

bool TTravelCurve::IsValid() const {
  if (Rows.size() < 2) return false;
  for (size_t i = 0; i < Rows.size(); ++i) {
    const TRow& r = Rows[i];
    if (!Available(r.Travel, r.KvKvs) || r.Travel < 0 || r.Travel > 100 || r.KvKvs < 0 || r.KvKvs > 100)
      return false;
    if (i > 0 && (r.Travel <= Rows[i - 1].Travel || r.KvKvs <= Rows[i - 1].KvKvs)) return false;
  }
  return true;
}

Extended TTravelCurve::TravelAt(Extended KvKvs) const {
  if (IsNoValue(KvKvs) || !IsValid()) return NoValue;
  if (KvKvs <= Rows.front().KvKvs) return Rows.front().Travel;
  if (KvKvs >= Rows.back().KvKvs) return Rows.back().Travel;
  size_t i = 1;
  while (KvKvs > Rows[i].KvKvs) ++i;
  const TRow& a = Rows[i - 1];
  const TRow& b = Rows[i];
  return a.Travel + (KvKvs - a.KvKvs) / (b.KvKvs - a.KvKvs) * (b.Travel - a.Travel);
}

std::string TTravelCurve::Text() const {
  std::string t;
  for (const TRow& r : Rows) {
    if (!t.empty()) t += "; ";
    t += HXFormatFloat(r.Travel, 10) + ":" + HXFormatFloat(r.KvKvs, 10);
  }
  return t;
}

TTravelCurve TTravelCurve::FromText(const std::string& text) {
  TTravelCurve c;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(';', at);
    if (end == std::string::npos) end = text.size();
    const std::string pair = text.substr(at, end - at);
    at = end + 1;
    if (pair.find_first_not_of(" \t") == std::string::npos) continue;
    const size_t colon = pair.find(':');
    if (colon == std::string::npos) return {};
    // Either decimal mark: the table may come from a German entry.
    const auto number = [](const std::string& t) {
      std::optional<Extended> v = TextToNumber(t, '.');
      return v ? v : TextToNumber(t, ',');
    };
    const std::optional<Extended> h = number(pair.substr(0, colon)), r = number(pair.substr(colon + 1));
    if (!h || !r) return {};
    c.Rows.push_back({*h, *r});
  }
  return c;
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
