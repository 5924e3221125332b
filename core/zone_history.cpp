#include "zone_history.hpp"

#include <algorithm>
#include <ctime>

namespace tempinex::zone {

namespace {

constexpr Seconds kHour = 3600;
constexpr Seconds kWeek = 7 * 24 * kHour;
// Daylight time has lasted at most a couple of years at a stretch (Chile, 2014 to 2016);
// beyond this the stretch counts as having no standard time beside it.
constexpr int kWeeksToLookAround = 8 * 53;
constexpr long kUsualDaylightSaving = 3600;

// The first second in (inside, outside] whose moment is not `moment`, given that `inside`
// has it and `outside` has not.
Seconds EdgeBetween(Seconds inside, Seconds outside, const Moment& moment) {
  while (inside - outside > 1 || outside - inside > 1) {
    const Seconds middle = inside + (outside - inside) / 2;
    (MomentAt(middle) == moment ? inside : outside) = middle;
  }
  return outside;
}

// The moment of the stretch of time next to the one `instant` lies in: the one before it
// (direction -1) or after it (+1).
std::optional<Moment> NeighbourOf(Seconds instant, const Moment& moment, int direction) {
  Seconds inside = instant;
  for (int week = 1; week <= kWeeksToLookAround; ++week) {
    const Seconds probe = instant + direction * week * kWeek;
    if (!(MomentAt(probe) == moment)) {
      return MomentAt(EdgeBetween(inside, probe, moment));
    }
    inside = probe;
  }
  return std::nullopt;
}

}  // namespace

Moment MomentAt(Seconds instant) {
  const std::time_t when = static_cast<std::time_t>(instant);
  std::tm fields{};
  // Within the years a caller can ask about (a few thousand around the present) this does
  // not fail; should it, the instant reads as UTC.
  if (localtime_r(&when, &fields) == nullptr) {
    return {};
  }
  return {fields.tm_gmtoff, fields.tm_isdst > 0};
}

std::vector<Change> ChangesBetween(Seconds from, Seconds to) {
  std::vector<Change> changes;
  Moment previous = MomentAt(from);
  for (Seconds step = from; step < to;) {
    const Seconds next = std::min(step + kHour, to);
    const Moment moment = MomentAt(next);
    if (!(moment == previous)) {
      const Seconds at = EdgeBetween(step, next, previous);
      changes.push_back({at, previous, MomentAt(at)});
    }
    previous = moment;
    step = next;
  }
  return changes;
}

long DaylightSavingAt(Seconds instant) {
  const Moment moment = MomentAt(instant);
  if (!moment.daylight) {
    return 0;
  }
  for (const int direction : {-1, 1}) {
    const std::optional<Moment> neighbour = NeighbourOf(instant, moment, direction);
    if (neighbour && !neighbour->daylight && neighbour->offset != moment.offset) {
      return moment.offset - neighbour->offset;
    }
  }
  return kUsualDaylightSaving;
}

}  // namespace tempinex::zone
