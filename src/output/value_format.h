// Formatting of exported values: number patterns, date patterns, the
// alignment of a value in a column, and the escaping of text for HTML and
// XML documents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

#include "framework/basics.h"

namespace torvacalc {

// A value a template command produces before it is formatted: nothing, an
// integer, a real, a date (day number counted from 1899-12-30, the fraction
// being the time of day), a text or a boolean.
struct TExportValue {
  struct TDate {
    double DayNumber;
    bool operator==(const TDate&) const = default;
  };
  std::variant<std::monostate, std::int64_t, Extended, TDate, std::string, bool> Data;

  static TExportValue Integer(std::int64_t v) { return {v}; }
  static TExportValue Real(Extended v) { return {v}; }
  static TExportValue Date(double dayNumber) { return {TDate{dayNumber}}; }
  static TExportValue Text(std::string v) { return {std::move(v)}; }
  static TExportValue Boolean(bool v) { return {v}; }
  bool IsEmpty() const { return Data.index() == 0; }
};

// Formats a number by a pattern of the common number-format kind:
//   "0"  a digit that is always shown      "#"  a digit shown when significant
//   "."  the decimal point                 ","  thousands grouping (before ".")
//   "E+00", "E-00", "e+0" ...  exponent notation; "+" always shows the sign
//   '...' or "..."  literal text; other characters before the first and
//   after the last placeholder are kept as they stand
//   "a;b;c"  sections for positive, negative (shown without a minus sign of
//   its own) and zero values; an empty section takes the first one.
// The decimal point and the grouping mark of the output are those of the
// program options. NoValue and values that are not finite give empty text.
std::string FormatNumberPattern(const std::string& pattern, Extended value);

// Limits of a template field: the column width and the digit placeholders
// of one section of a number pattern (a long double carries 18 to 19
// significant digits, so more places only pad with zeros). Templates that
// ask for more are refused rather than producing gigabytes of blanks.
inline constexpr long ExportMaxFieldWidth = 1000;
inline constexpr int ExportMaxPatternDigits = 60;

// The most digit placeholders one section of a number pattern asks for: the
// larger of the zeros before the point, the places after it and the
// exponent digits.
int NumberPatternDigits(const std::string& pattern);

// Formats a date by a pattern: d dd ddd dddd (day, names), ddddd (short
// date), dddddd (long date), m mm mmm mmmm (month; minutes right after an
// hour), yy yyyy, h hh, n nn, s ss, z zzz, t tt (short and long time),
// c (short date and, when the time is not midnight, the long time),
// am/pm a/p (12-hour clock), "/" and ":" (date and time separators),
// quoted literals. The short date is dd.mm.yyyy, the long time hh:nn:ss.
std::string FormatDatePattern(const std::string& pattern, double dayNumber);

// The general format of a real: up to 15 significant digits, "." as
// decimal point, exponent form for very large and small magnitudes.
std::string GeneralRealText(Extended value);

// A value as text: integers as decimal text or by the pattern, reals in the
// general format or by the pattern, dates as short date and time ("c") or
// by the pattern, booleans "True"/"False", texts as they are.
std::string FormatExportValue(const TExportValue& value, const std::string& pattern);

// The alignment of a value in a column of `width` characters: "alRight"
// pads on the left, "alCenter" on both sides (the odd space on the right),
// anything else on the right; padding only when the width exceeds the
// length. When it does not and `cut` is set (and the width is positive),
// the text becomes its first width-3 characters followed by "...". Lengths count characters (UTF-8
// code points), not bytes, so that unit names such as "m³/h" keep columns
// straight.
std::string AlignText(const std::string& text, const std::string& alignment, long width, bool cut);
// Appends AlignText(text, ...) to `out`, with the text escaped as
// HtmlEscape does when `escapeHtml` (the padding is blanks either way).
void AppendAligned(std::string& out, const std::string& text, const std::string& alignment, long width, bool cut,
                   bool escapeHtml);

// The number of characters of a UTF-8 text.
std::size_t Utf8Length(const std::string& text);

// Escapes the characters that have a meaning in HTML and XML text and
// attribute values: & < > " and '.
std::string HtmlEscape(const std::string& text);
// Appends HtmlEscape(text) to `out`.
void AppendHtmlEscaped(std::string& out, std::string_view text);

}  // namespace torvacalc
