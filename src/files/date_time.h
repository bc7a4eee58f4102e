// Date and time as the files store them: a day number counted from
// 1899-12-30 with the time of day as the fraction (the OLE automation date).
// Before that day the integer part counts back and the fraction still adds
// the time of day: -1.25 is 1899-12-29 06:00.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torvacalc {

using TDateTime = double;

// The present moment in local time.
TDateTime NowAsDateTime();

// A date from its calendar parts (local time, no time-zone conversion).
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0, int millisecond = 0);

// "2024-03-05 14:30:00", with ".250" when there are milliseconds. Values
// beyond the years 1 to 9999 (or not finite) are shown as the bare number.
std::string DateTimeToText(TDateTime value);

// Reads the form above (also with "T" between date and time, seconds and
// milliseconds optional, or the date alone) or a bare day number.
std::optional<TDateTime> TextToDateTime(std::string_view text);

}  // namespace torvacalc
