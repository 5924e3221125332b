#include "local_seconds.hpp"

#ifndef _WIN32
#include <algorithm>
#include <ctime>
#include <vector>

#include "zone_history.hpp"
#include "zone_watch.hpp"
#endif

namespace tempinex {

#ifdef _WIN32

std::optional<std::int64_t> LocalSecondsOf(std::int64_t) {
  // No offset per instant there; the C library's mktime itself reads the fields as standard
  // time and adds the daylight bias when they fall in daylight time.
  return std::nullopt;
}

#else

namespace {

// Wider than any difference between two offsets a zone has had (-12 h to +14 h).
constexpr zone::Seconds kWindow = 27 * 3600;

// The instant wallClock names when no change of offset lies within a day of it, which is
// what nearly every file time meets: a handful of localtime_r calls.
std::optional<zone::Seconds> FarFromAnyChange(zone::Seconds wallClock) {
  // The offset at the fields read as UTC is at most a change away from the right one; a
  // second guess from the first answer settles it.
  long offset = zone::MomentAt(wallClock).offset;
  for (int guess = 0; guess < 2; ++guess) {
    const zone::Seconds candidate = wallClock - offset;
    const long found = zone::MomentAt(candidate).offset;
    if (found == offset) {
      const bool settled = zone::MomentAt(candidate - kWindow).offset == offset &&
                           zone::MomentAt(candidate + kWindow).offset == offset;
      return settled ? std::optional<zone::Seconds>(candidate) : std::nullopt;
    }
    offset = found;
  }
  return std::nullopt;
}

// The fields near a change of offset: the one instant they name, or else the standard-time
// reading described in the header.
zone::Seconds NearAChange(zone::Seconds wallClock) {
  const zone::Seconds from = wallClock - kWindow;
  const zone::Seconds to = wallClock + kWindow;
  const std::vector<zone::Change> changes = zone::ChangesBetween(from, to);

  // Each stretch between two changes holds at most one instant with these fields.
  int named = 0;
  zone::Seconds instant = 0;
  zone::Seconds start = from;
  zone::Moment moment = zone::MomentAt(from);
  for (std::size_t i = 0; i <= changes.size(); ++i) {
    const zone::Seconds end = i < changes.size() ? changes[i].at : to + 1;
    const zone::Seconds candidate = wallClock - moment.offset;
    if (candidate >= start && candidate < end) {
      ++named;
      instant = candidate;
    }
    if (i < changes.size()) {
      start = changes[i].at;
      moment = changes[i].after;
    }
  }
  if (named == 1) {
    return instant;
  }

  // A change whose later offsets have all been passed by wallClock (the end of a gap, or
  // of a repeat) lies behind the fields; the last such change starts the stretch whose
  // standard offset reads them.
  zone::Seconds inStretch = from;
  for (const zone::Change& change : changes) {
    if (wallClock >= change.at + std::max(change.before.offset, change.after.offset)) {
      inStretch = change.at;
    }
  }
  const long standard = zone::MomentAt(inStretch).offset - zone::DaylightSavingAt(inStretch);
  const zone::Seconds asStandard = wallClock - standard;
  return asStandard - zone::DaylightSavingAt(asStandard);
}

}  // namespace

std::optional<std::int64_t> LocalSecondsOf(std::int64_t wallClock) {
  // localtime_r reads TZ and the zone file only when tzset asks it to.
  thread_local ZoneWatch watch;
  watch.Changed(std::time(nullptr));
  if (const std::optional<zone::Seconds> instant = FarFromAnyChange(wallClock)) {
    return instant;
  }
  return NearAChange(wallClock);
}

#endif

}  // namespace tempinex
