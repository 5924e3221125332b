#include "time_text.hpp"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "messages.hpp"

namespace tempinex::cli {

namespace {

struct Fields {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  std::int32_t nanoseconds = 0;  // the fraction of the second
};

// Reads exactly count digits at text[at]; advances at.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (text.size() < at + count) {
    return std::nullopt;
  }
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[at + i];
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  at += count;
  return value;
}

bool Take(std::string_view text, std::size_t& at, char c) {
  if (at < text.size() && text[at] == c) {
    ++at;
    return true;
  }
  return false;
}

int DaysIn(int year, int month) {
  static constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kLengths[month - 1];
}

bool Valid(const Fields& f) {
  return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= DaysIn(f.year, f.month) &&
         f.hour <= 23 && f.minute <= 59 && f.second <= 59;
}

// Seconds since 1970 of the fields read as UTC.
std::int64_t AsUtc(const Fields& f) {
  std::tm tm{};
  tm.tm_year = f.year - 1900;
  tm.tm_mon = f.month - 1;
  tm.tm_mday = f.day;
  tm.tm_hour = f.hour;
  tm.tm_min = f.minute;
  tm.tm_sec = f.second;
  return static_cast<std::int64_t>(timegm(&tm));
}

bool LocalFields(std::int64_t seconds, std::tm& tm) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  return localtime_r(&t, &tm) != nullptr;
}

bool Names(const std::tm& tm, const Fields& f) {
  return tm.tm_year == f.year - 1900 && tm.tm_mon == f.month - 1 && tm.tm_mday == f.day &&
         tm.tm_hour == f.hour && tm.tm_min == f.minute && tm.tm_sec == f.second;
}

// Every instant whose local calendar fields are f: none in the hour skipped when daylight
// saving begins, two in the hour repeated when it ends. Offsets change at most once within a
// day or so, so the offsets in force a little more than a day either side are all there are.
std::vector<std::int64_t> LocalInstants(const Fields& f) {
  const std::int64_t asUtc = AsUtc(f);
  std::vector<std::int64_t> found;
  for (const std::int64_t probe : {asUtc - 97'200, asUtc, asUtc + 97'200}) {
    std::tm tm{};
    if (!LocalFields(probe, tm)) {
      continue;
    }
    const std::int64_t candidate = asUtc - tm.tm_gmtoff;
    std::tm back{};
    if (LocalFields(candidate, back) && Names(back, f) &&
        std::find(found.begin(), found.end(), candidate) == found.end()) {
      found.push_back(candidate);
    }
  }
  return found;
}

const char* OutOfRange() {
  return _("outside the range of times, 1601-01-01T00:00:01Z to 9999-12-31T23:59:59Z");
}

// The instant, or nothing with why set when it lies outside the range.
std::optional<PreciseTime> InRange(const PreciseTime& time, std::string& why) {
  if (!WithinRange(time)) {
    why = OutOfRange();
    return std::nullopt;
  }
  return time;
}

// hh, hhmm or hh:mm after the sign; seconds east of UTC.
std::optional<std::int64_t> ReadOffset(std::string_view text, std::size_t& at) {
  const bool west = text[at] == '-';
  ++at;
  const auto hours = Digits(text, at, 2);
  if (!hours || *hours > 23) {
    return std::nullopt;
  }
  int minutes = 0;
  if (at < text.size()) {
    Take(text, at, ':');
    const auto read = Digits(text, at, 2);
    if (!read || *read > 59) {
      return std::nullopt;
    }
    minutes = *read;
  }
  const std::int64_t offset = *hours * 3600 + minutes * 60;
  return west ? -offset : offset;
}

// Digits after the decimal point, as nanoseconds; digits beyond the ninth must be zeros.
std::optional<std::int32_t> ReadFraction(std::string_view text, std::size_t& at) {
  std::int32_t nanoseconds = 0;
  std::size_t count = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    if (count < 9) {
      nanoseconds = nanoseconds * 10 + (text[at] - '0');
    } else if (text[at] != '0') {
      return std::nullopt;
    }
    ++count;
    ++at;
  }
  if (count == 0) {
    return std::nullopt;
  }
  for (; count < 9; ++count) {
    nanoseconds *= 10;
  }
  return nanoseconds;
}

std::optional<PreciseTime> ParseIso(std::string_view text, std::string& why) {
  Fields f;
  std::size_t at = 0;
  const auto year = Digits(text, at, 4);
  const bool dashed = year && Take(text, at, '-');
  const auto month = dashed ? Digits(text, at, 2) : std::nullopt;
  const auto day = month && Take(text, at, '-') ? Digits(text, at, 2) : std::nullopt;
  if (!day) {
    why = _("not a date-time: use now, @SECONDS or YYYY-MM-DD[THH:MM[:SS]][Z|+HH:MM]");
    return std::nullopt;
  }
  f.year = *year;
  f.month = *month;
  f.day = *day;
  bool bad = false;
  if (at < text.size() && (text[at] == 'T' || text[at] == 't' || text[at] == ' ')) {
    ++at;
    const auto hour = Digits(text, at, 2);
    const auto minute = hour && Take(text, at, ':') ? Digits(text, at, 2) : std::nullopt;
    bad = !minute;
    if (minute) {
      f.hour = *hour;
      f.minute = *minute;
      if (Take(text, at, ':')) {
        const auto second = Digits(text, at, 2);
        bad = !second;
        f.second = second.value_or(0);
        if (second && (Take(text, at, '.') || Take(text, at, ','))) {
          const auto fraction = ReadFraction(text, at);
          bad = !fraction;
          f.nanoseconds = fraction.value_or(0);
        }
      }
    }
  }
  std::optional<std::int64_t> offset;
  if (!bad && at < text.size()) {
    if (text[at] == 'Z' || text[at] == 'z') {
      offset = 0;
      ++at;
    } else if (text[at] == '+' || text[at] == '-') {
      offset = ReadOffset(text, at);
      bad = !offset;
    }
  }
  if (bad || at != text.size()) {
    why = _("not a date-time: use now, @SECONDS or YYYY-MM-DD[THH:MM[:SS]][Z|+HH:MM]");
    return std::nullopt;
  }
  if (!Valid(f)) {
    why = _("no such date or time of day");
    return std::nullopt;
  }
  if (offset) {
    return InRange({AsUtc(f) - *offset, f.nanoseconds}, why);
  }
  const std::vector<std::int64_t> instants = LocalInstants(f);
  if (instants.empty()) {
    why =
        _("this local time does not exist (skipped by a daylight-saving change); give an "
          "offset such as +01:00");
    return std::nullopt;
  }
  if (instants.size() > 1) {
    why =
        _("this local time happens twice (repeated by a daylight-saving change); give an "
          "offset such as +01:00");
    return std::nullopt;
  }
  return InRange({instants.front(), f.nanoseconds}, why);
}

std::optional<PreciseTime> ParseSeconds(std::string_view text, std::string& why) {
  std::size_t at = 0;
  const bool negative = Take(text, at, '-');
  std::int64_t seconds = 0;
  if (at == text.size()) {
    why = _("@ must be followed by a whole number of seconds");
    return std::nullopt;
  }
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c < '0' || c > '9' || seconds > 1'000'000'000'000) {
      why = _("@ must be followed by a whole number of seconds");
      return std::nullopt;
    }
    seconds = seconds * 10 + (c - '0');
  }
  return InRange({negative ? -seconds : seconds, 0}, why);
}

}  // namespace

PreciseTime Now() {
  return {static_cast<std::int64_t>(std::time(nullptr)), 0};
}

std::optional<PreciseTime> ParseTime(std::string_view text, std::string& why) {
  if (text == "now") {
    return Now();
  }
  if (!text.empty() && text.front() == '@') {
    return ParseSeconds(text.substr(1), why);
  }
  return ParseIso(text, why);
}

std::optional<std::int64_t> ParseShift(std::string_view text) {
  std::size_t at = 0;
  const bool negative = Take(text, at, '-');
  if (!negative) {
    Take(text, at, '+');
  }
  std::int64_t days = 0;
  const std::size_t start = at;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 7) {
    days = days * 10 + (text[at] - '0');
    ++at;
  }
  if (at == start || !Take(text, at, ':')) {
    return std::nullopt;
  }
  const auto hours = Digits(text, at, 2);
  const auto minutes = hours && Take(text, at, ':') ? Digits(text, at, 2) : std::nullopt;
  const auto seconds = minutes && Take(text, at, ':') ? Digits(text, at, 2) : std::nullopt;
  if (!seconds || at != text.size() || *hours > 23 || *minutes > 59 || *seconds > 59) {
    return std::nullopt;
  }
  const std::int64_t total = ((days * 24 + *hours) * 60 + *minutes) * 60 + *seconds;
  return negative ? -total : total;
}

std::optional<PreciseTime> Shifted(const PreciseTime& time, std::int64_t shift) {
  const PreciseTime moved{time.seconds + shift, time.nanoseconds};
  return WithinRange(moved) ? std::optional<PreciseTime>(moved) : std::nullopt;
}

std::string FormatTime(const PreciseTime& time) {
  std::tm tm{};
  const std::time_t seconds = static_cast<std::time_t>(time.seconds);
  if (!LocalFields(time.seconds, tm)) {
    return "?";
  }
  if (tm.tm_year + 1900 < 1601 || tm.tm_year + 1900 > 9999) {
    gmtime_r(&seconds, &tm);
  }
  char text[64];
  int length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", tm.tm_year + 1900,
                             tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  std::string result(text, static_cast<std::size_t>(length));
  if (time.nanoseconds != 0) {
    length = std::snprintf(text, sizeof text, ".%09d", static_cast<int>(time.nanoseconds));
    std::string digits(text, static_cast<std::size_t>(length));
    while (digits.back() == '0') {
      digits.pop_back();
    }
    result += digits;
  }
  const long offset = tm.tm_gmtoff;
  const long magnitude = offset < 0 ? -offset : offset;
  length = std::snprintf(text, sizeof text, "%c%02ld:%02ld", offset < 0 ? '-' : '+',
                         magnitude / 3600, magnitude / 60 % 60);
  result.append(text, static_cast<std::size_t>(length));
  return result;
}

}  // namespace tempinex::cli
