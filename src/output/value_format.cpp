#include "output/value_format.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/options.h"
#include "output/expression_parser.h"

namespace torvacalc {

namespace {

namespace chr = std::chrono;

// The sections of a number pattern, split at ";" outside quoted literals.
std::vector<std::string> PatternSections(const std::string& pattern) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : pattern) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

// What one section of a number pattern asks for.
struct TNumberLayout {
  std::string Prefix, Suffix;      // literal text around the number
  int IntZeros = 0;                // "0" before the decimal point
  int FracZeros = 0;               // last "0" after the point, counted from it
  int FracPlaces = 0;              // all placeholders after the point
  bool Grouping = false;
  bool HasDigits = false;
  char ExpChar = 0;                // 'E' or 'e' when in exponent form
  bool ExpPlus = false;
  int ExpDigits = 0;
};

TNumberLayout ReadLayout(const std::string& section) {
  TNumberLayout l;
  bool afterPoint = false, inExponent = false;
  for (size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    std::string& literal = l.HasDigits ? l.Suffix : l.Prefix;
    if (c == '\'' || c == '"') {
      const size_t end = section.find(c, i + 1);
      literal += section.substr(i + 1, (end == std::string::npos ? section.size() : end) - i - 1);
      i = end == std::string::npos ? section.size() : end;
    } else if (inExponent && c == '0') {
      ++l.ExpDigits;
    } else if (c == '0' || c == '#') {
      l.HasDigits = true;
      l.Suffix.clear();  // text between placeholders is not kept
      if (!afterPoint) {
        if (c == '0') ++l.IntZeros;
      } else {
        ++l.FracPlaces;
        if (c == '0') l.FracZeros = l.FracPlaces;
      }
    } else if (c == '.' && !inExponent) {
      afterPoint = true;
      l.Suffix.clear();
    } else if (c == ',' && !afterPoint && !inExponent) {
      l.Grouping = true;
    } else if ((c == 'E' || c == 'e') && i + 1 < section.size() &&
               (section[i + 1] == '+' || section[i + 1] == '-') && l.HasDigits) {
      l.ExpChar = c;
      l.ExpPlus = section[i + 1] == '+';
      inExponent = true;
      l.Suffix.clear();
      ++i;
    } else {
      literal += c;
    }
  }
  return l;
}

// Removes fractional zeros beyond the required ones.
void TrimFraction(std::string& fraction, int keep) {
  while (static_cast<int>(fraction.size()) > keep && fraction.back() == '0') fraction.pop_back();
}

std::string Group(const std::string& digits, char mark) {
  std::string out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += mark;
    out += digits[i];
  }
  return out;
}

// Formats |value| by a layout; `isZero` tells whether it rounded to zero.
std::string LayoutNumber(const TNumberLayout& l, Extended magnitude, bool& isZero) {
  if (!l.HasDigits) return l.Prefix;  // a section of literal text only
  const THXOptions& options = HXOptions();
  // A long double may have 4933 integer digits: the text is as long as it
  // needs to be.
  auto print = [&](const char* format) {
    const int n = std::snprintf(nullptr, 0, format, l.FracPlaces, magnitude);
    std::string out(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, l.FracPlaces, magnitude);
    out.pop_back();
    return out;
  };
  std::string intPart, fraction, exponent;
  if (l.ExpChar) {
    const std::string s = print("%.*Le");  // "d.ddde+XX"
    const size_t e = s.find('e');
    const size_t point = s.find('.');
    intPart = s.substr(0, point == std::string::npos ? e : point);
    if (point != std::string::npos) fraction = s.substr(point + 1, e - point - 1);
    int exp = std::atoi(s.c_str() + e + 1);
    std::string expDigits = std::to_string(std::abs(exp));
    if (static_cast<int>(expDigits.size()) < l.ExpDigits)
      expDigits.insert(0, static_cast<size_t>(l.ExpDigits) - expDigits.size(), '0');
    exponent = std::string(1, l.ExpChar) + (exp < 0 ? "-" : l.ExpPlus ? "+" : "") + expDigits;
  } else {
    const std::string s = print("%.*Lf");
    const size_t point = s.find('.');
    intPart = s.substr(0, point);
    if (point != std::string::npos) fraction = s.substr(point + 1);
  }
  isZero = intPart.find_first_not_of('0') == std::string::npos &&
           fraction.find_first_not_of('0') == std::string::npos;
  TrimFraction(fraction, l.FracZeros);
  if (intPart == "0" && l.IntZeros == 0) intPart.clear();
  if (static_cast<int>(intPart.size()) < l.IntZeros)
    intPart.insert(0, static_cast<size_t>(l.IntZeros) - intPart.size(), '0');
  if (l.Grouping) intPart = Group(intPart, options.ThousandSeparator);
  std::string number = intPart;
  if (!fraction.empty()) number += options.DecimalSeparator + fraction;
  if (number.empty()) number = "0";
  return l.Prefix + number + exponent + l.Suffix;
}

const char* const kDayNames[] = {"Sonntag", "Montag", "Dienstag", "Mittwoch",
                                 "Donnerstag", "Freitag", "Samstag"};
const char* const kDayShort[] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
const char* const kMonthNames[] = {"Januar", "Februar", "März",     "April",   "Mai",      "Juni",
                                   "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
const char* const kMonthShort[] = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                                   "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};

// The calendar parts of a day number.
struct TDateParts {
  int Year = 0, Month = 0, Day = 0, WeekDay = 0, Hour = 0, Minute = 0, Second = 0, Ms = 0;
};

// Day 0 is 1899-12-30; before it the integer part counts back and the
// fraction still adds the time of day.
constexpr long kUnixEpochDay = 25569;

TDateParts DecodeDate(double value) {
  TDateParts p;
  long day = static_cast<long>(std::trunc(value));
  long long ms = std::llround(std::fabs(value - static_cast<double>(day)) * 86400000.0);
  if (ms >= 86400000LL) {
    ms = 0;
    day += value < 0 ? -1 : 1;
  }
  const chr::sys_days days{chr::days{day - kUnixEpochDay}};
  const chr::year_month_day ymd{days};
  p.Year = static_cast<int>(ymd.year());
  p.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  p.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  p.WeekDay = static_cast<int>(chr::weekday{days}.c_encoding());
  p.Hour = static_cast<int>(ms / 3600000);
  p.Minute = static_cast<int>(ms / 60000 % 60);
  p.Second = static_cast<int>(ms / 1000 % 60);
  p.Ms = static_cast<int>(ms % 1000);
  return p;
}

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

bool StartsWithNoCase(const std::string& s, size_t at, const char* word) {
  for (size_t i = 0; word[i]; ++i)
    if (at + i >= s.size() || LowerAscii(s[at + i]) != word[i]) return false;
  return true;
}

}  // namespace

std::string GeneralRealText(Extended value) { return ExprNumberText(value); }

int NumberPatternDigits(const std::string& pattern) {
  int most = 0;
  for (const std::string& section : PatternSections(pattern)) {
    const TNumberLayout l = ReadLayout(section);
    most = std::max({most, l.IntZeros, l.FracPlaces, l.ExpDigits});
  }
  return most;
}

std::string FormatNumberPattern(const std::string& pattern, Extended value) {
  if (IsNoValue(value) || !std::isfinite(value)) return {};
  const std::vector<std::string> sections = PatternSections(pattern);
  const bool negative = value < 0;
  const Extended magnitude = std::fabs(value);
  bool isZero = false;
  const TNumberLayout first = ReadLayout(sections[0]);
  if (!first.HasDigits && sections.size() == 1) return first.Prefix;
  std::string text = LayoutNumber(first, magnitude, isZero);
  if (isZero) {
    if (sections.size() >= 3 && !sections[2].empty()) return LayoutNumber(ReadLayout(sections[2]), 0, isZero);
    return text;  // no minus sign for a value that rounds to zero
  }
  if (!negative) return text;
  if (sections.size() >= 2 && !sections[1].empty()) return LayoutNumber(ReadLayout(sections[1]), magnitude, isZero);
  return "-" + text;
}

std::string FormatDatePattern(const std::string& pattern, double dayNumber) {
  if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 2958466) return {};
  const TDateParts p = DecodeDate(dayNumber);
  const bool twelveHour = pattern.find("am/pm") != std::string::npos ||
                          pattern.find("AM/PM") != std::string::npos ||
                          pattern.find("a/p") != std::string::npos || pattern.find("A/P") != std::string::npos;
  const int hour = twelveHour ? (p.Hour % 12 == 0 ? 12 : p.Hour % 12) : p.Hour;
  const std::string shortDate = Two(p.Day) + "." + Two(p.Month) + "." + std::to_string(p.Year);
  const std::string longTime = Two(p.Hour) + ":" + Two(p.Minute) + ":" + Two(p.Second);
  std::string out;
  bool afterHour = false;
  for (size_t i = 0; i < pattern.size();) {
    const char c = LowerAscii(pattern[i]);
    size_t run = 1;
    while (i + run < pattern.size() && LowerAscii(pattern[i + run]) == c) ++run;
    if (pattern[i] == '\'' || pattern[i] == '"') {
      const size_t end = pattern.find(pattern[i], i + 1);
      out += pattern.substr(i + 1, (end == std::string::npos ? pattern.size() : end) - i - 1);
      i = end == std::string::npos ? pattern.size() : end + 1;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "am/pm")) {
      out += p.Hour < 12 ? "am" : "pm";
      i += 5;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "a/p")) {
      out += p.Hour < 12 ? "a" : "p";
      i += 3;
      continue;
    }
    switch (c) {
      case 'c':
        out += shortDate;
        if (p.Hour || p.Minute || p.Second || p.Ms) out += " " + longTime;
        run = 1;
        break;
      case 'd':
        if (run == 1) out += std::to_string(p.Day);
        else if (run == 2) out += Two(p.Day);
        else if (run == 3) out += kDayShort[p.WeekDay];
        else if (run == 4) out += kDayNames[p.WeekDay];
        else if (run == 5) out += shortDate;
        else out += std::string(kDayNames[p.WeekDay]) + ", " + std::to_string(p.Day) + ". " +
                    kMonthNames[p.Month - 1] + " " + std::to_string(p.Year);
        if (run > 6) run = 6;
        break;
      case 'm':
        if (afterHour && run <= 2) out += run == 1 ? std::to_string(p.Minute) : Two(p.Minute);
        else if (run == 1) out += std::to_string(p.Month);
        else if (run == 2) out += Two(p.Month);
        else if (run == 3) out += kMonthShort[p.Month - 1];
        else out += kMonthNames[p.Month - 1];
        break;
      case 'y':
        out += run <= 2 ? Two(p.Year % 100) : std::to_string(p.Year);
        break;
      case 'h':
        out += run == 1 ? std::to_string(hour) : Two(hour);
        break;
      case 'n':
        out += run == 1 ? std::to_string(p.Minute) : Two(p.Minute);
        break;
      case 's':
        out += run == 1 ? std::to_string(p.Second) : Two(p.Second);
        break;
      case 'z': {
        char buf[8];
        std::snprintf(buf, sizeof buf, run >= 3 ? "%03d" : "%d", p.Ms);
        out += buf;
        break;
      }
      case 't':
        out += run == 1 ? Two(p.Hour) + ":" + Two(p.Minute) : longTime;
        run = std::min<size_t>(run, 2);
        break;
      case '/': out += '.'; run = 1; break;
      default: out.append(pattern, i, run); break;
    }
    // A month placeholder right after an hour means minutes.
    if (c == 'h') afterHour = true;
    else if (c != ' ' && c != ':') afterHour = false;
    i += run;
  }
  return out;
}

std::string FormatExportValue(const TExportValue& value, const std::string& pattern) {
  struct Visitor {
    const std::string& pattern;
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(std::int64_t v) const {
      return pattern.empty() ? std::to_string(v) : FormatNumberPattern(pattern, static_cast<Extended>(v));
    }
    std::string operator()(Extended v) const {
      return pattern.empty() ? GeneralRealText(v) : FormatNumberPattern(pattern, v);
    }
    std::string operator()(const TExportValue::TDate& d) const {
      return FormatDatePattern(pattern.empty() ? "c" : pattern, d.DayNumber);
    }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
  };
  return std::visit(Visitor{pattern}, value.Data);
}

std::size_t Utf8Length(const std::string& text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

namespace {
// The first `count` characters of a UTF-8 text.
std::string Utf8Prefix(const std::string& text, std::size_t count) {
  std::size_t chars = 0, i = 0;
  for (; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == count) break;
      ++chars;
    }
  }
  return text.substr(0, i);
}
bool SameTextAscii(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return i == a.size() && !b[i];
}
}  // namespace

std::string AlignText(const std::string& text, const std::string& alignment, long width, bool cut) {
  const std::size_t length = Utf8Length(text);
  if (width > 0 && static_cast<std::size_t>(width) > length) {
    const std::size_t pad = static_cast<std::size_t>(width) - length;
    if (SameTextAscii(alignment, "alRight")) return std::string(pad, ' ') + text;
    if (SameTextAscii(alignment, "alCenter")) return std::string(pad / 2, ' ') + text + std::string(pad - pad / 2, ' ');
    return text + std::string(pad, ' ');
  }
  // A column that is not wider than the text is filled with its start and
  // "..." even when the text would just fit, so that every cut column of a
  // table keeps the same look.
  if (cut && width > 0)
    return Utf8Prefix(text, width >= 3 ? static_cast<std::size_t>(width) - 3 : 0) + "...";
  return text;
}

void AppendAligned(std::string& out, const std::string& text, const std::string& alignment, long width, bool cut,
                   bool escapeHtml) {
  const auto body = [&](std::string_view t) {
    if (escapeHtml) AppendHtmlEscaped(out, t);
    else out += t;
  };
  const std::size_t length = Utf8Length(text);
  if (width > 0 && static_cast<std::size_t>(width) > length) {
    const std::size_t pad = static_cast<std::size_t>(width) - length;
    if (SameTextAscii(alignment, "alRight")) {
      out.append(pad, ' ');
      body(text);
    } else if (SameTextAscii(alignment, "alCenter")) {
      out.append(pad / 2, ' ');
      body(text);
      out.append(pad - pad / 2, ' ');
    } else {
      body(text);
      out.append(pad, ' ');
    }
    return;
  }
  if (cut && width > 0) {
    body(Utf8Prefix(text, width >= 3 ? static_cast<std::size_t>(width) - 3 : 0));
    out += "...";
    return;
  }
  body(text);
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  AppendHtmlEscaped(out, text);
  return out;
}

void AppendHtmlEscaped(std::string& out, std::string_view text) {
  // Runs without a character to escape are appended at once.
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      case '\'': entity = "&#39;"; break;
      default: continue;
    }
    out.append(text, start, i - start);
    out += entity;
    start = i + 1;
  }
  out.append(text, start, std::string_view::npos);
}

}  // namespace torvacalc
