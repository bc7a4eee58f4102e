// Numbers as text: reading user input with either decimal mark, writing
// values so that they read back exactly, and formatting values for display.
#pragma once

#include <optional>
#include <string>

#include "framework/basics.h"

namespace torvacalc {

// Reads a number written with `decimalSeparator` ("1.5", "-2.5E-3"); no
// grouping, no hexadecimal, no "inf" or "nan". Surrounding blanks are
// ignored. Empty when the text is not a number.
std::optional<Extended> TextToNumber(const std::string& text, char decimalSeparator = '.');

// The shortest text (at most 21 significant digits) that TextToNumber reads
// back as exactly `value`, with the given decimal separator. NoValue gives
// an empty text.
std::string NumberToText(Extended value, char decimalSeparator = '.');

// The text "%.*Lg" writes for `value` at `precision` significant digits
// (1 to 21), mostly without printing.
std::string GeneralNumberText(Extended value, int precision);

// Display formatting of engineering values with `digits` significant
// digits, trailing zeros removed:
//  - 0.001 <= |v| < 1E6 is written in fixed notation ("0.01235", "123.5",
//    "12345.7"), so that numbers of the everyday range read without an
//    exponent;
//  - smaller and larger magnitudes use exponent notation with a capital E
//    and no leading zeros or plus sign in the exponent ("1.235E-5",
//    "2.5E8"), so that the significant digits stay visible.
// The value is rounded to `digits` first, so 999999.7 with 4 digits is
// "1E6". NoValue gives an empty text.
std::string HXFormatFloat(Extended value, int digits, char decimalSeparator = '.');

// The display text of a value the way parameters show it: with
// `adaptDigits`, values between 1000 and 1000000 get Round(log10(|v|)) + 2
// digits so that no integer digit is lost.
std::string OutputText(Extended value, int digits, bool adaptDigits, char decimalSeparator = '.');

// A day number of the calendar used in files (days since 1899-12-30, the
// fraction being the time of day) as "dd.mm.yyyy hh:mm:ss".
std::string DateTimeText(Extended dayNumber);

}  // namespace torvacalc
