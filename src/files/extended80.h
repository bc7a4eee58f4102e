// The 80-bit extended real format of the x87 floating-point unit (IEEE 754
// double-extended, as laid out in the Intel 64 and IA-32 Architectures
// Software Developer's Manual, vol. 1, 4.2.2): bytes 0-7 hold the 64-bit
// significand with an explicit integer bit (bit 63), bytes 8-9 the 15-bit
// exponent (bias 16383) and the sign in bit 15. Little-endian.
//
// The conversion works through frexp/ldexp arithmetic rather than by copying
// memory, so it gives the same bytes on machines whose long double is not
// the x87 format (a 64-bit double or a 128-bit quad): wider values are
// rounded to nearest, even, into the 64-bit significand; narrower ones widen
// exactly. On x86-64, where long double is this format, every finite value,
// zero, denormal and infinity converts both ways bit for bit.
//
// NaNs keep their sign; their payload is not carried (a NaN is written as
// the quiet NaN with only the top fraction bit set, as the x87 produces it).
#pragma once

#include <array>
#include <cstdint>

#include "framework/basics.h"

namespace torvacalc {

using TExtended80 = std::array<std::uint8_t, 10>;

TExtended80 ExtendedToBytes(Extended value);
Extended ExtendedFromBytes(const TExtended80& bytes);

}  // namespace torvacalc
