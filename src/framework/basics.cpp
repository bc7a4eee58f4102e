#include "framework/basics.h"

#include <algorithm>

namespace torvacalc {

bool EqualDigits(Extended a, Extended b, int digits) {
  if (a == b) return true;
  if (IsNoValue(a) || IsNoValue(b)) return false;
  const Extended limit = std::pow(10.0L, -static_cast<Extended>(digits));
  if (a == 0) return std::fabs(b) < limit;
  if (b == 0) return std::fabs(a) < limit;
  // min/max of the two as they stand: numbers of different sign are never
  // equal, since 1 - min/max then exceeds 1.
  const Extended lo = std::min(a, b), hi = std::max(a, b);
  return std::fabs(1 - lo / hi) < limit;
}

bool GreaterDigits(Extended a, Extended b, int digits) {
  return a > b && !EqualDigits(a, b, digits);
}

bool SmallerDigits(Extended a, Extended b, int digits) {
  return a < b && !EqualDigits(a, b, digits);
}

bool GreaterEqualDigits(Extended a, Extended b, int digits) {
  return a > b || EqualDigits(a, b, digits);
}

bool SmallerEqualDigits(Extended a, Extended b, int digits) {
  return a < b || EqualDigits(a, b, digits);
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

Extended CorrectedTemperature(Extended tCelsius) {
  if (IsNoValue(tCelsius)) return NoValue;
  return (tCelsius + ZeroCelsius) * (1 + 1E-7L);
}

Extended GaugeToAbsolute(Extended pGauge) {
  return IsNoValue(pGauge) ? NoValue : pGauge + StandardPressure;
}

Extended AbsoluteToGauge(Extended pAbsolute) {
  return IsNoValue(pAbsolute) ? NoValue : pAbsolute - StandardPressure;
}

static std::string InternalText(const std::string& detail, const std::string& className) {
  std::string text = "Interner Fehler: " + detail;
  if (!className.empty()) text += " in " + className;
  return text;
}

EHXInternal::EHXInternal(const std::string& detail, const std::string& className)
    : std::logic_error(InternalText(detail, className)) {}

EHXAbstract::EHXAbstract(const std::string& className, const std::string& method)
    : std::logic_error("Abstrakter Fehler: " + className + "." + method) {}

}  // namespace torvacalc
