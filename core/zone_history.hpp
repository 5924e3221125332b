#pragma once

// The local zone's history as the C library knows it, asked one instant at a time with
// localtime_r: the offset and daylight-saving flag in force, the changes near an instant, and
// how far an instant's daylight time runs ahead of standard time. POSIX only (tm_gmtoff).

#include <cstdint>
#include <optional>
#include <vector>

namespace tempinex::zone {

using Seconds = std::int64_t;  // since 1970-01-01 00:00:00 UTC

struct Moment {
  long offset = 0;  // seconds east of UTC
  bool daylight = false;
  bool operator==(const Moment&) const = default;
};

struct Change {
  Seconds at = 0;  // the first second of `after`
  Moment before;
  Moment after;
};

Moment MomentAt(Seconds instant);

// The changes in (from, to], in order. The search walks an hour at a time, so two changes
// less than an hour apart (which no zone has had) may be seen as one.
std::vector<Change> ChangesBetween(Seconds from, Seconds to);

// 0 in standard time. In daylight time, the offset less that of the standard time just before
// this stretch of daylight time, or just after it when the one before does not tell; an hour
// when neither does.
long DaylightSavingAt(Seconds instant);

}  // namespace tempinex::zone
