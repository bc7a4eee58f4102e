#include "files/date_time.h"

#include <chrono>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace torvacalc {

namespace {

namespace chr = std::chrono;

// 1899-12-30 is 25569 days before 1970-01-01, the epoch of sys_days.
constexpr long kUnixEpochDay = 25569;
constexpr double kMsPerDay = 86400000.0;
// 0001-01-01 and 9999-12-31 as day numbers.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

long DayNumber(int year, int month, int day) {
  const chr::sys_days d = chr::year{year} / chr::month{static_cast<unsigned>(month)} /
                          chr::day{static_cast<unsigned>(day)};
  return static_cast<long>(d.time_since_epoch().count()) + kUnixEpochDay;
}

// Joins a day number and a time of day in [0, 1) the way negative dates
// need it: the time always moves away from zero.
TDateTime Join(long day, double time) { return day < 0 ? day - time : day + time; }

bool ReadInt(std::string_view& s, std::size_t digits, int& value) {
  if (s.size() < digits) return false;
  const char* end = s.data() + digits;
  const auto r = std::from_chars(s.data(), end, value);
  if (r.ec != std::errc() || r.ptr != end) return false;
  s.remove_prefix(digits);
  return true;
}

bool Skip(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  const double time = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
  return Join(DayNumber(year, month, day), time / kMsPerDay);
}

TDateTime NowAsDateTime() {
  const auto now = chr::system_clock::now();
  const std::time_t t = chr::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = chr::duration_cast<chr::milliseconds>(now.time_since_epoch()).count() % 1000;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec, static_cast<int>(ms < 0 ? ms + 1000 : ms));
}

std::string DateTimeToText(TDateTime value) {
  char buf[64];
  if (!std::isfinite(value) || value < kFirstDay - 1 || value > kLastDay + 1) {
    std::snprintf(buf, sizeof buf, "%.17g", value);
    return buf;
  }
  long day = static_cast<long>(std::trunc(value));
  long long ms = std::llround(std::fabs(value - static_cast<double>(day)) * kMsPerDay);
  if (ms >= static_cast<long long>(kMsPerDay)) {  // rounded up to midnight
    ms = 0;
    day += value < 0 ? -1 : 1;
  }
  const chr::year_month_day ymd{chr::sys_days{chr::days{day - kUnixEpochDay}}};
  const long long s = ms / 1000;
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02lld:%02lld:%02lld", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), s / 3600,
                s / 60 % 60, s % 60);
  std::string text = buf;
  if (ms % 1000 != 0) {
    std::snprintf(buf, sizeof buf, ".%03lld", ms % 1000);
    text += buf;
  }
  return text;
}

std::optional<TDateTime> TextToDateTime(std::string_view text) {
  std::string_view s = text;
  int y = 0, mo = 0, d = 0;
  if (s.size() >= 10 && s[4] == '-' && s[7] == '-') {
    if (!ReadInt(s, 4, y) || !Skip(s, '-') || !ReadInt(s, 2, mo) || !Skip(s, '-') ||
        !ReadInt(s, 2, d))
      return std::nullopt;
    const chr::year_month_day ymd{chr::year{y}, chr::month{static_cast<unsigned>(mo)},
                                  chr::day{static_cast<unsigned>(d)}};
    if (!ymd.ok() || y < 1) return std::nullopt;
    int h = 0, mi = 0, sec = 0, ms = 0;
    if (!s.empty()) {
      if (!Skip(s, ' ') && !Skip(s, 'T')) return std::nullopt;
      if (!ReadInt(s, 2, h) || !Skip(s, ':') || !ReadInt(s, 2, mi)) return std::nullopt;
      if (Skip(s, ':') && !ReadInt(s, 2, sec)) return std::nullopt;
      if (Skip(s, '.') && !ReadInt(s, 3, ms)) return std::nullopt;
      if (!s.empty() || h > 23 || mi > 59 || sec > 59) return std::nullopt;
    }
    return EncodeDateTime(y, mo, d, h, mi, sec, ms);
  }
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace torvacalc
