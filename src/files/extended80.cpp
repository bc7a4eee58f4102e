#include "files/extended80.h"

#include <cmath>
#include <limits>

namespace torvacalc {

namespace {

constexpr int kBias = 16383;
constexpr int kMaxExponent = 0x7FFF;
constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kQuietNaN = kIntegerBit | (std::uint64_t{1} << 62);

TExtended80 Pack(bool negative, int exponent, std::uint64_t mantissa) {
  TExtended80 b{};
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
  const unsigned se = static_cast<unsigned>(exponent) | (negative ? 0x8000u : 0u);
  b[8] = static_cast<std::uint8_t>(se & 0xFF);
  b[9] = static_cast<std::uint8_t>(se >> 8);
  return b;
}

}  // namespace

TExtended80 ExtendedToBytes(Extended value) {
  const bool negative = std::signbit(value);
  if (std::isnan(value)) return Pack(negative, kMaxExponent, kQuietNaN);
  if (std::isinf(value)) return Pack(negative, kMaxExponent, kIntegerBit);
  if (value == 0) return Pack(negative, 0, 0);

  // |value| = m * 2^e with m in [0.5, 1): the leading bit has weight
  // 2^(e-1), which is the unbiased exponent of the normalised form.
  int e = 0;
  const Extended m = std::frexp(std::fabs(value), &e);
  long biased = static_cast<long>(e) - 1 + kBias;
  // Below the normal range the exponent field is 0 and the significand is
  // shifted right: value = mantissa * 2^(1 - 16383 - 63).
  long shift = 0;
  if (biased < 1) {
    shift = 1 - biased;
    biased = 0;
  }
  const Extended two64 = std::ldexp(Extended{1}, 64);
  // Exact when long double has at most 64 significand bits; otherwise the
  // current rounding mode (to nearest, even) narrows it.
  Extended scaled = shift > 64 + 2 ? Extended{0}
                                   : std::nearbyint(std::ldexp(m, static_cast<int>(64 - shift)));
  if (scaled >= two64) {  // rounding carried into a new leading bit
    scaled /= 2;
    ++biased;
  }
  if (biased >= kMaxExponent) return Pack(negative, kMaxExponent, kIntegerBit);
  std::uint64_t mantissa = static_cast<std::uint64_t>(scaled);
  // A denormal that rounded up to the smallest normal gets its exponent.
  if (biased == 0 && (mantissa & kIntegerBit) != 0) biased = 1;
  if (mantissa == 0) biased = 0;
  return Pack(negative, static_cast<int>(biased), mantissa);
}

Extended ExtendedFromBytes(const TExtended80& b) {
  std::uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= static_cast<std::uint64_t>(b[i]) << (8 * i);
  const unsigned se = b[8] | (static_cast<unsigned>(b[9]) << 8);
  const bool negative = (se & 0x8000u) != 0;
  const int exponent = static_cast<int>(se & 0x7FFFu);
  Extended v;
  if (exponent == kMaxExponent) {
    // Only the fraction bits tell infinity from NaN; the integer bit is
    // ignored, so the 8087's pseudo-infinity also reads as infinity.
    v = (mantissa << 1) == 0 ? std::numeric_limits<Extended>::infinity()
                             : std::numeric_limits<Extended>::quiet_NaN();
  } else {
    // Denormals (exponent field 0) have the weight of exponent 1.
    const int e = (exponent == 0 ? 1 : exponent) - kBias - 63;
    v = std::ldexp(static_cast<Extended>(mantissa), e);
  }
  return negative ? -v : v;
}

}  // namespace torvacalc
