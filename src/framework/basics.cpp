#include "framework/basics.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace torvacalc {

namespace {

// 10^-digits. The comparisons run for every value a calculation reads and
// every state a property object is given, so the usual digit counts come
// from a table instead of a call of powl.
Extended TenToTheMinus(int digits) {
  static constexpr Extended kPowers[] = {1E0L,   1E-1L,  1E-2L,  1E-3L,  1E-4L,  1E-5L,  1E-6L,
                                         1E-7L,  1E-8L,  1E-9L,  1E-10L, 1E-11L, 1E-12L, 1E-13L,
                                         1E-14L, 1E-15L, 1E-16L, 1E-17L, 1E-18L, 1E-19L, 1E-20L};
  if (digits >= 0 && digits < static_cast<int>(std::size(kPowers))) return kPowers[digits];
  return std::pow(10.0L, -static_cast<Extended>(digits));
}

}  // namespace

bool EqualDigits(Extended a, Extended b, int digits) {
  if (a == b) return true;
  if (IsNoValue(a) || IsNoValue(b)) return false;
  const Extended limit = TenToTheMinus(digits);
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
  for (char& c : s) c = LowerAscii(c);
  return s;
}

std::string TrimBlanks(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
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
