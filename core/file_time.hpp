#pragma once

// The two ways the program counts time on a file, and the calendar rule both need: file times
// (100-nanosecond units since 1601-01-01 00:00:00 UTC, as Windows keeps them) and precise
// times (seconds and nanoseconds since 1970-01-01 00:00:00 UTC, as Linux keeps them).

#include <compare>
#include <cstdint>
#include <limits>

namespace tempinex {

inline constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kNanosecondsPerTick = 100;

struct PreciseTime {
  std::int64_t seconds = 0;
  std::int32_t nanoseconds = 0;  // 0 to 999,999,999
  bool operator==(const PreciseTime&) const = default;
  auto operator<=>(const PreciseTime&) const = default;
};

struct PreciseTimes {
  PreciseTime creation;
  PreciseTime lastAccess;
  PreciseTime lastWrite;
};

constexpr bool IsLeapYear(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// A file time as a precise time; exact.
constexpr PreciseTime PreciseFromFileTime(std::uint64_t fileTime) {
  const auto ticks = static_cast<std::int64_t>(fileTime);
  return {ticks / kTicksPerSecond - kSecondsFrom1601To1970,
          static_cast<std::int32_t>(ticks % kTicksPerSecond * kNanosecondsPerTick)};
}

// A precise time as a file time, nanoseconds below 100 dropped; 0 for a time before 1601 and
// the largest file time for one past what a file time can count.
constexpr std::uint64_t FileTimeFromPrecise(const PreciseTime& time) {
  constexpr std::int64_t kLastSecond =
      std::numeric_limits<std::int64_t>::max() / kTicksPerSecond - kSecondsFrom1601To1970 - 1;
  if (time.seconds < -kSecondsFrom1601To1970) {
    return 0;
  }
  if (time.seconds > kLastSecond) {
    return static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  }
  return static_cast<std::uint64_t>((time.seconds + kSecondsFrom1601To1970) * kTicksPerSecond +
                                    time.nanoseconds / kNanosecondsPerTick);
}

}  // namespace tempinex
