#include "status_time.hpp"

#include <ctime>

#include "civil_days.hpp"
#include "file_time.hpp"
#include "local_seconds.hpp"

namespace tempinex {

namespace {

// More than any zone's distance from UTC.
constexpr std::int64_t kFurthestOffset = 27 * 3600;

std::uint16_t FieldOrInvalid(int value) {
  // A field that could not be split becomes 65535 in the 16-bit calendar, which the
  // platform then rejects.
  return value < 0 ? 0xFFFF : static_cast<std::uint16_t>(value);
}

}  // namespace

int DaysInMonth(int year, int month) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return IsLeapYear(year) ? 29 : 28;
    default:
      return 31;
  }
}

StatusTime MakeStatusTime(std::int32_t year, std::int32_t month, std::int32_t day,
                          std::int32_t hour, std::int32_t minute, std::int32_t second,
                          int daylightFlag) {
  const bool inRange = year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
                       static_cast<std::uint32_t>(hour) <= 23 &&
                       static_cast<std::uint32_t>(minute) <= 59 &&
                       static_cast<std::uint32_t>(second) <= 59;
  if (!inRange) {
    throw ResultCodeError(kResultFail);
  }
  std::optional<std::int64_t> result;
  if (daylightFlag < 0) {
    const std::int64_t wallClock = civil::SecondsFromCivil(
        year, static_cast<unsigned>(month), static_cast<unsigned>(day), hour, minute, second);
    // No zone's offset brings fields this far out into range (and the zone is then not
    // asked about years it cannot tell).
    if (wallClock < -kFurthestOffset || wallClock > kStatusTimeMax + kFurthestOffset) {
      throw ResultCodeError(kResultInvalidArg);
    }
    result = LocalSecondsOf(wallClock);
  }
  if (!result) {
    std::tm fields{};
    fields.tm_sec = second;
    fields.tm_min = minute;
    fields.tm_hour = hour;
    fields.tm_mday = day;
    fields.tm_mon = month - 1;
    fields.tm_year = year - 1900;
    fields.tm_isdst = daylightFlag;
    const std::time_t made = std::mktime(&fields);
    if (made == -1) {
      throw ResultCodeError(kResultInvalidArg);  // the library's failure
    }
    result = made;
  }
  // The range is that of the classic 64-bit localtime.
  if (*result < 0 || *result > kStatusTimeMax) {
    throw ResultCodeError(kResultInvalidArg);
  }
  return static_cast<StatusTime>(*result);
}

StatusTime FileTimeToStatusTime(platform::FileTime time, int daylightFlag) {
  platform::FileTime local = 0;
  if (platform::FileTimeToLocalFileTime(time, local) != 0) {
    throw ResultCodeError(kResultInvalidArg);
  }
  platform::CalendarTime calendar;
  if (platform::FileTimeToCalendar(local, calendar) != 0) {
    throw ResultCodeError(kResultInvalidArg);
  }
  if (calendar.year < 1900) {
    return 0;
  }
  return MakeStatusTime(calendar.year, calendar.month, calendar.day, calendar.hour, calendar.minute,
                        calendar.second, daylightFlag);
}

std::optional<LocalFields> StatusTimeToLocal(StatusTime time) {
  if (time < 0 || time > kStatusTimeMax) {
    return std::nullopt;
  }
  const std::time_t seconds = static_cast<std::time_t>(time);
  std::tm fields{};
  if (localtime_r(&seconds, &fields) == nullptr) {
    return std::nullopt;
  }
  return LocalFields{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                     fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

LocalFields StatusTimeToLocalOrFill(StatusTime time) {
  return StatusTimeToLocal(time).value_or(kUnsplittableFields);
}

platform::FileTime StatusTimeToFileTime(StatusTime time) {
  const LocalFields fields = StatusTimeToLocalOrFill(time);
  platform::CalendarTime calendar;
  calendar.year = static_cast<std::uint16_t>(fields.year);
  calendar.month = static_cast<std::uint16_t>(fields.month);
  calendar.day = static_cast<std::uint16_t>(fields.day);
  calendar.hour = FieldOrInvalid(fields.hour);
  calendar.minute = FieldOrInvalid(fields.minute);
  calendar.second = FieldOrInvalid(fields.second);
  platform::FileTime local = 0;
  if (const platform::NativeError error = platform::CalendarToFileTime(calendar, local)) {
    throw FileError(platform::CauseOf(error), error);
  }
  platform::FileTime utc = 0;
  if (const platform::NativeError error = platform::LocalFileTimeToFileTime(local, utc)) {
    throw FileError(platform::CauseOf(error), error);
  }
  return utc;
}

}  // namespace tempinex
