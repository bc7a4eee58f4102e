// Shared numeric types, the "no value" marker, tolerance comparisons,
// physical constants and the framework's exception types.
#pragma once

#include <cmath>
#include <stdexcept>
#include <string>

namespace torvacalc {

// All engineering values are carried in extended precision (80-bit on x86-64).
using Extended = long double;

// The marker of a number that is not set. It is far beyond any physical
// value, so arithmetic on it can be recognised afterwards.
inline constexpr Extended NoValue = 1E4000L;

// A value is not available when it equals +-NoValue within a relative
// difference of 1E-5, lies beyond +-NoValue, or is not a number.
// Always inline: every formula asks this for each of its inputs, and an
// out-of-line call copies the 80-bit argument to the stack.
[[gnu::always_inline]] inline bool IsNoValue(Extended x) {
  if (x != x) return true;  // not a number
  const Extended a = x < 0 ? -x : x;
  // |x| >= NoValue * (1 - 1E-5) covers "equal within 1E-5" and "beyond".
  return a >= NoValue * (1 - 1E-5L);
}
[[gnu::always_inline]] inline bool HasValue(Extended x) { return !IsNoValue(x); }

// True when every argument carries a value: keeps the checks of a formula
// on one line.
// Always inline and by reference: a formula asks it once or twice a call,
// and an out-of-line call copies every 80-bit argument to the stack.
template <typename... T>
[[gnu::always_inline]] inline bool Available(const T&... xs) {
  return (HasValue(static_cast<Extended>(xs)) && ...);
}

// An input of a computation that is the same as the one it holds: the very
// same number, or no value for no value. Inputs compare exactly: an input
// that kept an old value because a new one agreed to some digits would make
// the results depend on what was computed before, not on the inputs alone.
[[gnu::always_inline]] inline bool SameInput(Extended a, Extended b) {
  return a == b || (IsNoValue(a) && IsNoValue(b));
}

// Tolerance comparisons with a number of significant digits. Two numbers are
// equal to `digits` digits when they are identical, or when neither is
// NoValue and |1 - min/max| < 10^-digits (when one of them is 0 the other
// one's magnitude is compared with 10^-digits). Greater and Smaller are
// strict: they exclude equality in this sense.
bool EqualDigits(Extended a, Extended b, int digits);
bool GreaterDigits(Extended a, Extended b, int digits);
bool SmallerDigits(Extended a, Extended b, int digits);
bool GreaterEqualDigits(Extended a, Extended b, int digits);
bool SmallerEqualDigits(Extended a, Extended b, int digits);

// Lower case of the ASCII letters only: names of items, units and
// quantities compare without regard to case this way, whatever the bytes
// of UTF-8 texts around them.
std::string LowerAscii(std::string s);

// The text without the blanks, tabs and line ends around it.
std::string TrimBlanks(const std::string& s);
inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Physical constants shared by every computation.
inline constexpr Extended ZeroCelsius = 273.15L;            // K
inline constexpr Extended StandardPressure = 1.01325L;      // bar
inline constexpr Extended Gravity = 9.81L;                  // m/s2
inline constexpr Extended UniversalGasConstant = 8314.4621L;  // J/(kmol K)
inline constexpr Extended MolarMassAir = 28.963L;           // kg/kmol

// Absolute temperature in K from a temperature in degC, raised by one part in
// ten million. Correlations that divide by (T - Tc) or take logarithms of
// reduced temperatures stay finite at exact table points this way.
Extended CorrectedTemperature(Extended tCelsius);

// Gauge and absolute pressure in bar differ by one standard atmosphere.
Extended GaugeToAbsolute(Extended pGauge);
Extended AbsoluteToGauge(Extended pAbsolute);

// A programming error inside the framework ("Interner Fehler: ...").
class EHXInternal : public std::logic_error {
 public:
  explicit EHXInternal(const std::string& detail, const std::string& className = {});
};

// A class was asked for an operation it does not provide.
class EHXAbstract : public std::logic_error {
 public:
  EHXAbstract(const std::string& className, const std::string& method);
};

}  // namespace torvacalc
