#include "local_seconds.hpp"

#include <cstdint>

#include "civil_days.hpp"
#include "zone_watch.hpp"

namespace tempinex {

#ifdef _WIN32

std::optional<std::time_t> UniqueLocalSeconds(const std::tm&) {
  return std::nullopt;  // no tm_gmtoff; the C library's mktime is quick there anyway
}

#else

namespace {

// Wider than any difference between two offsets a zone has had (-12 h to +14 h).
constexpr std::time_t kWindow = 27 * 3600;

bool SameFields(const std::tm& one, const std::tm& other) {
  return one.tm_year == other.tm_year && one.tm_mon == other.tm_mon &&
         one.tm_mday == other.tm_mday && one.tm_hour == other.tm_hour &&
         one.tm_min == other.tm_min && one.tm_sec == other.tm_sec;
}

std::optional<long> OffsetAt(std::time_t when) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) {
    return std::nullopt;
  }
  return local.tm_gmtoff;
}

}  // namespace

std::optional<std::time_t> UniqueLocalSeconds(const std::tm& fields) {
  const bool plain = fields.tm_isdst == -1 && fields.tm_mon >= 0 && fields.tm_mon <= 11 &&
                     fields.tm_mday >= 1 && fields.tm_mday <= 31 && fields.tm_hour >= 0 &&
                     fields.tm_hour <= 23 && fields.tm_min >= 0 && fields.tm_min <= 59 &&
                     fields.tm_sec >= 0 && fields.tm_sec <= 59;
  if (!plain) {
    return std::nullopt;
  }
  thread_local ZoneWatch watch;
  watch.Changed(std::time(nullptr));
  const std::int64_t days = civil::DaysFromCivil(std::int64_t{fields.tm_year} + 1900,
                                                 static_cast<unsigned>(fields.tm_mon + 1),
                                                 static_cast<unsigned>(fields.tm_mday));
  const std::time_t asIfUtc =
      days * 86400 + fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
  // The offset at the fields read as UTC is at most a transition away from the right one; a
  // second guess from the first answer settles it.
  std::optional<long> offset = OffsetAt(asIfUtc);
  for (int guess = 0; guess < 2 && offset; ++guess) {
    const std::time_t candidate = asIfUtc - *offset;
    std::tm back{};
    if (localtime_r(&candidate, &back) == nullptr) {
      return std::nullopt;
    }
    if (SameFields(back, fields)) {
      // Another instant with the same fields would lie within a day or so, across a
      // transition; with the same offset on both sides there is none to fear.
      const bool settled = OffsetAt(candidate - kWindow) == back.tm_gmtoff &&
                           OffsetAt(candidate + kWindow) == back.tm_gmtoff;
      return settled ? std::optional<std::time_t>(candidate) : std::nullopt;
    }
    offset = back.tm_gmtoff;
  }
  return std::nullopt;
}

#endif

}  // namespace tempinex
