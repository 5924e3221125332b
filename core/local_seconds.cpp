#include "local_seconds.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace tempinex {

#ifdef _WIN32

std::optional<std::time_t> UniqueLocalSeconds(const std::tm&) {
  return std::nullopt;  // no tm_gmtoff; the C library's mktime is quick there anyway
}

#else

namespace {

// Wider than any difference between two offsets a zone has had (-12 h to +14 h).
constexpr std::time_t kWindow = 27 * 3600;

// localtime_r does not look at TZ or the zone file again; tzset does. Done at most once a
// second and whenever TZ changes, as the shift of file times into local time is.
void KeepZoneCurrent() {
  struct Seen {
    std::time_t second = -1;
    bool zoneSet = false;
    std::string zone;
  };
  thread_local Seen seen;
  const std::time_t now = std::time(nullptr);
  const char* zone = std::getenv("TZ");
  const bool same = now == seen.second && seen.zoneSet == (zone != nullptr) &&
                    (zone == nullptr || seen.zone == zone);
  if (!same) {
    tzset();
    seen.second = now;
    seen.zoneSet = zone != nullptr;
    seen.zone = zone != nullptr ? zone : "";
  }
}

// Days since 1970-01-01 of a proleptic Gregorian date (the era-based algorithm).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

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
  KeepZoneCurrent();
  const std::int64_t days =
      DaysFromCivil(std::int64_t{fields.tm_year} + 1900, static_cast<unsigned>(fields.tm_mon + 1),
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
