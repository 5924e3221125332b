#pragma once

#include <cstdint>
#include <optional>

#include "platform.hpp"

namespace tempinex {

// Whole seconds since 1970-01-01 00:00:00 UTC. 0 means "not set": in a status that is
// written, that time stamp is left as it is.
using StatusTime = std::int64_t;

inline constexpr StatusTime kStatusTimeMax = 32535244799;  // 3001-01-01 07:59:59 UTC

// Local calendar fields: full year, month 1-12, day 1-31, hour, minute, second.
struct LocalFields {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The values callers use, one field at a time, when a time cannot be split.
inline constexpr LocalFields kUnsplittableFields{0, 0, 0, -1, -1, -1};

// Calendar fields read as local time; a day past the end of its month runs on into the next.
// With a negative flag, as LocalSecondsOf reads them (a skipped or repeated time gives its
// standard-time reading); with 0 or a positive flag, as mktime reads them. Raises
// ResultCodeError: kResultFail for a field out of range, kResultInvalidArg for a time that
// cannot be represented.
StatusTime MakeStatusTime(std::int32_t year, std::int32_t month, std::int32_t day,
                          std::int32_t hour, std::int32_t minute, std::int32_t second,
                          int daylightFlag);

// A UTC file time shown in the offset in force now, as a StatusTime; 0 before the year 1900.
StatusTime FileTimeToStatusTime(platform::FileTime time, int daylightFlag);

// The inverse of FileTimeToStatusTime. Raises FileError (no path) when the platform refuses.
platform::FileTime StatusTimeToFileTime(StatusTime time);

// Local calendar fields of a time; nothing outside 0 to kStatusTimeMax.
std::optional<LocalFields> StatusTimeToLocal(StatusTime time);
// The same, with kUnsplittableFields when the time cannot be split.
LocalFields StatusTimeToLocalOrFill(StatusTime time);

int DaysInMonth(int year, int month);

}  // namespace tempinex
