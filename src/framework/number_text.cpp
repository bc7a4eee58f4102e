#include "framework/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <algorithm>
#include <charconv>
#include <string_view>
#include <system_error>

namespace torvacalc {

std::optional<Extended> TextToNumber(const std::string& text, char decimalSeparator) {
  const auto b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return std::nullopt;
  const auto e = text.find_last_not_of(" \t");
  std::string s = text.substr(b, e - b + 1);
  // Strict shape check: [sign] digits [sep digits] [E [sign] digits].
  size_t i = 0, digits = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (i < s.size() && s[i] == decimalSeparator) {
    s[i] = '.';
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  errno = 0;
  const Extended v = std::strtold(s.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) return std::nullopt;
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

static std::string WithSeparator(std::string s, char decimalSeparator) {
  if (decimalSeparator != '.')
    for (char& c : s)
      if (c == '.') c = decimalSeparator;
  return s;
}

namespace {

// The text "%.*Lg" prints for a value whose correctly rounded digits are
// `digits` (no leading zero) times ten to `exponent`, at `precision`
// significant digits: plain notation for exponents from -4 below the
// precision, otherwise d.ddde+XX; trailing zeros and a bare point dropped.
std::string GeneralText(bool negative, std::string_view digits, int exponent, int precision) {
  while (digits.size() > 1 && digits.back() == '0') digits.remove_suffix(1);
  std::string s;
  s.reserve(32);
  if (negative) s += '-';
  if (exponent >= -4 && exponent < precision) {
    if (exponent < 0) {
      s += "0.";
      s.append(static_cast<size_t>(-exponent - 1), '0');
      s += digits;
    } else {
      const auto whole = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= whole) {
        s += digits;
        s.append(whole - digits.size(), '0');
      } else {
        s += digits.substr(0, whole);
        s += '.';
        s += digits.substr(whole);
      }
    }
    return s;
  }
  s += digits[0];
  if (digits.size() > 1) {
    s += '.';
    s += digits.substr(1);
  }
  s += exponent < 0 ? "e-" : "e+";
  const int e = std::abs(exponent);
  if (e < 10) s += '0';
  s += std::to_string(e);
  return s;
}

}  // namespace

std::string NumberToText(Extended value, char decimalSeparator) {
  if (IsNoValue(value)) return {};
  if (value == 0) return std::signbit(value) ? "-0" : "0";
  // A whole number of up to 15 digits is its own shortest text: any other
  // one lies a whole unit away.
  if (std::fabs(value) < 1e15L && value == std::trunc(value)) return std::to_string(static_cast<long long>(value));
  char buf[64];
  // The fewest digits that read back exactly; fewer than that never do, so
  // the search for the first precision that reads back can start there
  // (a computed value usually needs 19 or 20, one snprintf instead of six).
  int first = 15;
  if (std::isfinite(value)) {
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    if (r.ec == std::errc()) {
      std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
      const bool negative = text.front() == '-';
      if (negative) text.remove_prefix(1);
      const size_t e = text.find('e');
      std::string digits;
      for (const char c : text.substr(0, e))
        if (c != '.') digits += c;
      const int count = static_cast<int>(digits.size());
      first = std::clamp(count, 15, 21);
      // Unless the value is a power of two, the interval that reads back as
      // the value is symmetric, so the shortest digits that read back are
      // also the correctly rounded ones at that precision (and at 15, padded
      // with zeros; not so for subnormals, whose digits are few): exactly
      // what printf would write, without printing and reading back.
      int binaryExponent = 0;
      if (count <= 21 && std::isnormal(value) && std::fabs(std::frexp(value, &binaryExponent)) != 0.5L &&
          e != std::string_view::npos) {
        int exponent = 0;
        std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
        return WithSeparator(GeneralText(negative, digits, exponent, first), decimalSeparator);
      }
    }
  }
  for (int precision = first; precision <= 21; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*Lg", precision, value);
    if (std::strtold(buf, nullptr) == value) break;
  }
  return WithSeparator(buf, decimalSeparator);
}

static std::string TrimZeros(const std::string& mantissa) {
  if (mantissa.find('.') == std::string::npos) return mantissa;
  std::string m = mantissa;
  while (!m.empty() && m.back() == '0') m.pop_back();
  if (!m.empty() && m.back() == '.') m.pop_back();
  return m;
}

namespace {

// `value` rounded to `count` significant digits (returned without point
// or sign) and the decimal exponent of the first, as "%.*Le" writes them:
// the value times a power of ten exact in long double (up to 10^27) has
// `count` digits before the point and an error of half a unit in its last
// place (below 10^-4 for 15 digits), so the fraction decides the rounding
// unless it lies that close to one half. False where printf is needed:
// such a fraction (an exact tie among them), more than 15 digits, and
// values too large or small for the exact powers.
bool RoundedDigits(Extended value, int count, bool& negative, std::string& digits, int& exponent) {
  static constexpr Extended kPowers[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
                                         1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
                                         1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
  constexpr int kLargest = 27;
  if (count > 15 || !std::isnormal(value)) return false;
  negative = value < 0;
  const Extended a = std::fabs(value);
  int e = static_cast<int>(std::floor(std::log10(a)));
  Extended scaled = 0;
  // The logarithm may miss by one next to a power of ten.
  for (int tries = 0;; ++tries) {
    const int k = count - 1 - e;
    if (tries > 2 || k > kLargest || k < -kLargest) return false;
    scaled = k >= 0 ? a * kPowers[k] : a / kPowers[-k];
    if (scaled < kPowers[count - 1]) --e;
    else if (scaled >= kPowers[count]) ++e;
    else break;
  }
  const Extended whole = std::floor(scaled);
  const Extended fraction = scaled - whole;
  if (std::fabs(fraction - 0.5L) < 1e-3L) return false;
  auto n = static_cast<std::uint64_t>(whole) + (fraction > 0.5L ? 1 : 0);
  if (n == static_cast<std::uint64_t>(kPowers[count])) {
    n /= 10;
    ++e;
  }
  digits = std::to_string(n);
  exponent = e;
  return true;
}

}  // namespace

std::string GeneralNumberText(Extended value, int precision) {
  bool negative = false;
  std::string digits;
  int exponent = 0;
  if (RoundedDigits(value, precision, negative, digits, exponent))
    return GeneralText(negative, digits, exponent, precision);
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
  return std::string(buf, r.ptr);
}

std::string HXFormatFloat(Extended value, int digits, char decimalSeparator) {
  if (IsNoValue(value)) return {};
  if (digits < 1) digits = 1;
  if (digits > 21) digits = 21;
  if (value == 0) return "0";
  bool negative = false;
  std::string rounded;
  int e = 0;
  // From the rounded digits where the exponent is shown, or a plain number
  // shows just these digits ("%.*Lf" at digits - 1 - e decimals): the text
  // printed below, without printf.
  if (RoundedDigits(value, digits, negative, rounded, e) && (e < -3 || e >= 6 || e < digits)) {
    std::string out = negative ? "-" : "";
    if (e < -3 || e >= 6) {
      out += rounded.substr(0, 1) + (digits > 1 ? "." + rounded.substr(1) : "");
      out = TrimZeros(out) + "E" + std::to_string(e);
    } else if (e >= 0) {
      const auto whole = static_cast<size_t>(e) + 1;
      out += rounded.substr(0, whole) + (whole < rounded.size() ? "." + rounded.substr(whole) : "");
      out = TrimZeros(out);
    } else {
      out = TrimZeros(out + "0." + std::string(static_cast<size_t>(-e - 1), '0') + rounded);
    }
    return WithSeparator(out, decimalSeparator);
  }
  // Round to the significant digits first; the exponent of the rounded
  // value decides the notation.
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.*Le", digits - 1, value);
  const char* ePos = std::strchr(buf, 'e');
  const int exponent = ePos ? std::atoi(ePos + 1) : 0;
  std::string out;
  if (exponent >= -3 && exponent < 6 && exponent < digits) {
    // Fixed notation of the same significant digits: rounding at the same
    // place as the exponent notation gives the same digits (also where the
    // rounding carried into a new leading digit), so they are only moved
    // round the point.
    const bool negative = buf[0] == '-';
    std::string d;
    for (const char* c = buf + negative; c != ePos; ++c)
      if (*c != '.') d += *c;
    if (negative) out += '-';
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += d;
    } else {
      out.append(d, 0, static_cast<size_t>(exponent) + 1);
      if (d.size() > static_cast<size_t>(exponent) + 1) out += '.' + d.substr(static_cast<size_t>(exponent) + 1);
    }
    out = TrimZeros(out);
  } else if (exponent >= -3 && exponent < 6) {
    // More whole digits than significant ones: the value's own.
    std::snprintf(buf, sizeof buf, "%.0Lf", value);
    out = buf;
  } else {
    const std::string mantissa = TrimZeros(std::string(buf, static_cast<size_t>(ePos - buf)));
    out = mantissa + "E" + std::to_string(exponent);
  }
  if (out == "-0") out = "0";
  return WithSeparator(out, decimalSeparator);
}

std::string OutputText(Extended value, int digits, bool adaptDigits, char decimalSeparator) {
  if (IsNoValue(value)) return {};
  const Extended a = std::fabs(value);
  if (adaptDigits && a > 1000 && a < 1000000)
    digits = static_cast<int>(std::lround(std::log10(a))) + 2;
  return HXFormatFloat(value, digits, decimalSeparator);
}

std::string DateTimeText(Extended dayNumber) {
  if (IsNoValue(dayNumber)) return {};
  // Civil date from days since 1899-12-30 (day 25569 is 1970-01-01).
  const long double seconds = std::round((dayNumber - 25569) * 86400.0L);
  if (std::fabs(seconds) > 1e13L) return {};
  long long s = static_cast<long long>(seconds);
  long long days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
  long long secOfDay = s - days * 86400;
  // Howard Hinnant's days-from-civil inverse.
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = yoe + era * 400;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  char buf[160];
  std::snprintf(buf, sizeof buf, "%02lld.%02lld.%04lld %02lld:%02lld:%02lld", d, m, y, secOfDay / 3600,
                secOfDay / 60 % 60, secOfDay % 60);
  return buf;
}

}  // namespace torvacalc
