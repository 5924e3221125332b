// Time conversions of the Linux platform layer. File times are counted from 1601-01-01 UTC
// in 100-nanosecond units, like Windows FILETIMEs; the local shift is the offset that
// localtime_r gives for the present moment.

#include <cerrno>
#include <ctime>
#include <limits>

#include "civil_days.hpp"
#include "file_time.hpp"
#include "platform.hpp"
#include "zone_watch.hpp"

namespace tempinex::platform {

namespace {

constexpr std::int64_t kTicksPerDay = kTicksPerSecond * 86'400;
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;
constexpr FileTime kLargestFileTime =
    static_cast<FileTime>(std::numeric_limits<std::int64_t>::max());

std::int64_t ComputeOffset(std::time_t now) {
  std::tm fields{};
  if (localtime_r(&now, &fields) == nullptr) {
    return 0;
  }
  return static_cast<std::int64_t>(fields.tm_gmtoff) * kTicksPerSecond;
}

// The offset is asked for several times per file; within one second and one TZ setting it
// cannot change, and working it out is most of the cost of a status read.
std::int64_t OffsetNowInTicks() {
  thread_local ZoneWatch watch;
  thread_local std::int64_t offset = 0;
  const std::time_t now = std::time(nullptr);
  if (watch.Changed(now)) {
    offset = ComputeOffset(now);
  }
  return offset;
}

NativeError Shift(FileTime time, std::int64_t ticks, FileTime& result) {
  if (time > kLargestFileTime) {
    return EINVAL;
  }
  const std::int64_t signedTime = static_cast<std::int64_t>(time);
  if ((ticks < 0 && signedTime < -ticks) ||
      (ticks > 0 && signedTime > std::numeric_limits<std::int64_t>::max() - ticks)) {
    return EINVAL;
  }
  result = static_cast<FileTime>(signedTime + ticks);
  return 0;
}

unsigned MonthLength(unsigned year, unsigned month) {
  static constexpr unsigned kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kLengths[month - 1];
}

}  // namespace

NativeError FileTimeToLocalFileTime(FileTime utc, FileTime& local) {
  return Shift(utc, OffsetNowInTicks(), local);
}

NativeError LocalFileTimeToFileTime(FileTime local, FileTime& utc) {
  return Shift(local, -OffsetNowInTicks(), utc);
}

NativeError FileTimeToCalendar(FileTime time, CalendarTime& calendar) {
  if (time > kLargestFileTime) {
    return EINVAL;
  }
  const std::int64_t ticks = static_cast<std::int64_t>(time);
  const std::int64_t daysSince1601 = ticks / kTicksPerDay;
  const std::int64_t ticksOfDay = ticks % kTicksPerDay;
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  civil::CivilFromDays(daysSince1601 - kDaysFrom1601To1970, year, month, day);
  const std::int64_t secondsOfDay = ticksOfDay / kTicksPerSecond;
  calendar.year = static_cast<std::uint16_t>(year);
  calendar.month = static_cast<std::uint16_t>(month);
  calendar.day = static_cast<std::uint16_t>(day);
  calendar.dayOfWeek = static_cast<std::uint16_t>((daysSince1601 + 1) % 7);  // 1601-01-01: Monday
  calendar.hour = static_cast<std::uint16_t>(secondsOfDay / 3600);
  calendar.minute = static_cast<std::uint16_t>(secondsOfDay / 60 % 60);
  calendar.second = static_cast<std::uint16_t>(secondsOfDay % 60);
  calendar.milliseconds = static_cast<std::uint16_t>(ticksOfDay % kTicksPerSecond / 10'000);
  return 0;
}

NativeError CalendarToFileTime(const CalendarTime& calendar, FileTime& time) {
  const bool valid = calendar.year >= 1601 && calendar.year <= 30827 && calendar.month >= 1 &&
                     calendar.month <= 12 && calendar.day >= 1 &&
                     calendar.day <= MonthLength(calendar.year, calendar.month) &&
                     calendar.hour < 24 && calendar.minute < 60 && calendar.second < 60 &&
                     calendar.milliseconds < 1000;
  if (!valid) {
    return EINVAL;
  }
  const std::int64_t days =
      civil::DaysFromCivil(calendar.year, calendar.month, calendar.day) + kDaysFrom1601To1970;
  const std::int64_t seconds =
      days * 86'400 + calendar.hour * 3600 + calendar.minute * 60 + calendar.second;
  time = static_cast<FileTime>(seconds * kTicksPerSecond + calendar.milliseconds * 10'000);
  return 0;
}

}  // namespace tempinex::platform
