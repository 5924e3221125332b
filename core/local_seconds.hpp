#pragma once

// Local calendar fields to the instant they name, read the way MakeStatusTime reads them when
// it is left to decide about daylight saving, without the C library's mktime: glibc's mktime
// settles a skipped or repeated local time from its guess of the previous call, so the same
// fields could give another instant after another question, and it checks the zone file on
// every call, which made it most of the cost of reading a file's status.

#include <cstdint>
#include <optional>

namespace tempinex {

// `wallClock` is the fields counted as if they were UTC (civil::SecondsFromCivil). Fields
// that name exactly one instant give it. Fields that name none (skipped when the clocks go
// forward) or two (repeated when they go back) are read as standard time, with the standard
// offset in force just before that change; when that instant lies in daylight time, it moves
// back by that instant's daylight saving. So a skipped time comes out before the change, as
// the same fields in standard time, and a repeated time as its standard-time instant.
// Nothing on a platform that cannot tell the offset of an instant; the caller asks mktime.
std::optional<std::int64_t> LocalSecondsOf(std::int64_t wallClock);

}  // namespace tempinex
