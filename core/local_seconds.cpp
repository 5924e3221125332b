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

// Stretches of time over which the zone's offset is known not to change, learnt from the
// questions answered so far: a status read converts three times per file, and the files of a
// set mostly lie in a few such stretches. Forgotten whenever the zone may have changed.
class KnownStretches {
 public:
  void Forget() { stretches.clear(); }

  // The instant wallClock names, when a known stretch holds it a window's width inside.
  std::optional<zone::Seconds> Find(zone::Seconds wallClock) const {
    for (const Stretch& stretch : stretches) {
      const zone::Seconds candidate = wallClock - stretch.offset;
      if (candidate - kWindow >= stretch.from && candidate + kWindow <= stretch.to) {
        return candidate;
      }
    }
    return std::nullopt;
  }

  // Notes that the offset is `offset` all through [from, to]; joins the stretches it touches.
  void Learn(zone::Seconds from, zone::Seconds to, long offset) {
    for (auto it = stretches.begin(); it != stretches.end();) {
      if (it->offset == offset && it->from <= to && from <= it->to) {
        from = std::min(from, it->from);
        to = std::max(to, it->to);
        it = stretches.erase(it);
      } else {
        ++it;
      }
    }
    if (stretches.size() >= kMost) {
      stretches.erase(stretches.begin());
    }
    stretches.push_back({from, to, offset});
  }

 private:
  struct Stretch {
    zone::Seconds from;
    zone::Seconds to;
    long offset;
  };
  static constexpr std::size_t kMost = 32;
  std::vector<Stretch> stretches;
};

// The instant wallClock names when no change of offset lies within a day of it, which is
// what nearly every file time meets: a handful of localtime_r calls.
std::optional<zone::Seconds> FarFromAnyChange(zone::Seconds wallClock, KnownStretches& known) {
  // The offset at the fields read as UTC is at most a change away from the right one; a
  // second guess from the first answer settles it.
  long offset = zone::MomentAt(wallClock).offset;
  for (int guess = 0; guess < 2; ++guess) {
    const zone::Seconds candidate = wallClock - offset;
    const long found = zone::MomentAt(candidate).offset;
    if (found == offset) {
      const bool settled = zone::MomentAt(candidate - kWindow).offset == offset &&
                           zone::MomentAt(candidate + kWindow).offset == offset;
      if (!settled) {
        return std::nullopt;
      }
      // No zone changes its offset twice within a window, so it held all through.
      known.Learn(candidate - kWindow, candidate + kWindow, offset);
      return candidate;
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
  thread_local KnownStretches known;
  if (watch.Changed(std::time(nullptr))) {
    known.Forget();
  }
  if (const std::optional<zone::Seconds> instant = known.Find(wallClock)) {
    return instant;
  }
  if (const std::optional<zone::Seconds> instant = FarFromAnyChange(wallClock, known)) {
    return instant;
  }
  return NearAChange(wallClock);
}

#endif

}  // namespace tempinex
