#include "files/extended80.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "test_bytes.h"

using namespace torvacalc;
using torvacalc::test::Bytes;
using torvacalc::test::Hex;

namespace {

std::string AsString(const TExtended80& b) { return std::string(b.begin(), b.end()); }

TExtended80 FromString(const std::string& s) {
  TExtended80 b{};
  std::memcpy(b.data(), s.data(), b.size());
  return b;
}

constexpr bool kX87 = std::numeric_limits<long double>::digits == 64 &&
                      std::numeric_limits<long double>::max_exponent == 16384;

// Encodings of the x87 double-extended format (Intel 64 and IA-32 SDM,
// vol. 1, table 4-3 and 8.3.8 for the pi constant): significand bytes
// little-endian, then sign and exponent.
struct LayoutCase { const char* what; long double value; const char* bytes; };
const LayoutCase kLayouts[] = {
    {"one", 1.0L, "00 00 00 00 00 00 00 80 ff 3f"},
    {"minus two", -2.0L, "00 00 00 00 00 00 00 80 00 c0"},
    {"pi as FLDPI loads it", 3.14159265358979323846264338327950288L, "35 c2 68 21 a2 da 0f c9 00 40"},
    {"0.1 rounded to 64 bits", 0.1L, "cd cc cc cc cc cc cc cc fb 3f"},
    {"largest finite", LDBL_MAX, "ff ff ff ff ff ff ff ff fe 7f"},
    {"smallest normal", LDBL_MIN, "00 00 00 00 00 00 00 80 01 00"},
    {"smallest denormal", std::numeric_limits<long double>::denorm_min(),
     "01 00 00 00 00 00 00 00 00 00"},
    {"largest denormal", LDBL_MIN - std::numeric_limits<long double>::denorm_min(),
     "ff ff ff ff ff ff ff 7f 00 00"},
    {"zero", 0.0L, "00 00 00 00 00 00 00 00 00 00"},
    {"negative zero", -0.0L, "00 00 00 00 00 00 00 00 00 80"},
    {"infinity", std::numeric_limits<long double>::infinity(), "00 00 00 00 00 00 00 80 ff 7f"},
    {"minus infinity", -std::numeric_limits<long double>::infinity(), "00 00 00 00 00 00 00 80 ff ff"},
};

}  // namespace

TEST(Extended80, WritesTheX87Layout) {
  if (!kX87) GTEST_SKIP() << "long double is not the x87 format here";
  for (const auto& c : kLayouts) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Hex(AsString(ExtendedToBytes(c.value))), Hex(Bytes(c.bytes)));
    const long double back = ExtendedFromBytes(FromString(Bytes(c.bytes)));
    EXPECT_EQ(std::memcmp(&back, &c.value, 10), 0);
  }
}

TEST(Extended80, NoValueKeepsItsMagnitude) {
  // 1E4000 = 1.xxx * 2^13287 (4000 * log2(10) = 13287.7): biased exponent
  // 16383 + 13287 = 0x73E6, integer bit set.
  const TExtended80 b = ExtendedToBytes(NoValue);
  EXPECT_EQ(b[9], 0x73);
  EXPECT_EQ(b[8], 0xE6);
  EXPECT_EQ(b[7] & 0x80, 0x80);
  EXPECT_EQ(ExtendedFromBytes(b), NoValue);
  EXPECT_EQ(ExtendedFromBytes(ExtendedToBytes(-NoValue)), -NoValue);
}

TEST(Extended80, NaNKeepsItsSignAndReadsAsNaN) {
  const long double nans[] = {std::numeric_limits<long double>::quiet_NaN(),
                              -std::numeric_limits<long double>::quiet_NaN()};
  for (long double nan : nans) {
    const TExtended80 b = ExtendedToBytes(nan);
    const long double back = ExtendedFromBytes(b);
    EXPECT_TRUE(std::isnan(back));
    EXPECT_EQ(std::signbit(back), std::signbit(nan));
    if (kX87) {
      EXPECT_EQ(std::memcmp(&back, &nan, 10), 0) << "the default quiet NaN is bit-exact";
    }
  }
  // A signalling NaN or one with a payload from a file still reads as NaN;
  // so does the 8087's pseudo-NaN (integer bit clear).
  for (const char* pattern : {"01 00 00 00 00 00 00 80 ff 7f", "00 00 00 00 00 00 00 40 ff ff",
                           "34 12 00 00 00 00 00 c0 ff 7f"})
    EXPECT_TRUE(std::isnan(ExtendedFromBytes(FromString(Bytes(pattern))))) << pattern;
  // Pseudo-infinity (integer bit clear, fraction 0) reads as infinity.
  EXPECT_TRUE(std::isinf(ExtendedFromBytes(FromString(Bytes("00 00 00 00 00 00 00 00 ff 7f")))));
}

// Every valid x87 encoding -- random exponents and significands, normals
// with the integer bit set, denormals with it clear -- converts to the same
// value the hardware holds, and back to the same bytes.
TEST(Extended80, RoundTripsEveryEncodingBitExactly) {
  if (!kX87) GTEST_SKIP() << "long double is not the x87 format here";
  std::mt19937_64 rng(20240305);
  for (int i = 0; i < 200000; ++i) {
    std::uint64_t mantissa = rng();
    unsigned exponent = static_cast<unsigned>(rng() % 0x7FFF);  // no infinities or NaNs
    if (i % 8 == 0) exponent = static_cast<unsigned>(rng() % 3);  // plenty of denormals
    if (i % 8 == 1) exponent = 0x7FFE - static_cast<unsigned>(rng() % 3);
    if (exponent == 0) mantissa &= ~(std::uint64_t{1} << 63);
    else mantissa |= std::uint64_t{1} << 63;
    const unsigned se = exponent | (rng() & 1 ? 0x8000u : 0u);
    unsigned char raw[16] = {};
    std::memcpy(raw, &mantissa, 8);
    raw[8] = static_cast<unsigned char>(se);
    raw[9] = static_cast<unsigned char>(se >> 8);
    long double hw = 0;
    std::memcpy(&hw, raw, 10);
    TExtended80 bytes{};
    std::memcpy(bytes.data(), raw, 10);

    const long double decoded = ExtendedFromBytes(bytes);
    ASSERT_EQ(std::memcmp(&decoded, raw, 10), 0) << "decoding " << Hex(AsString(bytes));
    ASSERT_EQ(ExtendedToBytes(hw), bytes) << "encoding " << Hex(AsString(bytes));
  }
}

TEST(Extended80, WidensDoublesAndFloatsExactly) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    double d = 0;
    const std::uint64_t bits = rng();
    std::memcpy(&d, &bits, 8);
    if (std::isnan(d)) continue;
    const long double back = ExtendedFromBytes(ExtendedToBytes(d));
    ASSERT_EQ(static_cast<double>(back), d);
    ASSERT_EQ(back, static_cast<long double>(d));
    float f = 0;
    const std::uint32_t fbits = static_cast<std::uint32_t>(bits);
    std::memcpy(&f, &fbits, 4);
    if (std::isnan(f)) continue;
    ASSERT_EQ(static_cast<float>(ExtendedFromBytes(ExtendedToBytes(f))), f);
  }
}
