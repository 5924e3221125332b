#pragma once

// Local calendar fields to seconds since the epoch, as mktime reads them with tm_isdst -1, for
// the fields that name exactly one instant.

#include <ctime>
#include <optional>

namespace tempinex {

// The instant `fields` name in the local time zone, when they name exactly one and no
// normalisation is needed; nothing otherwise (a skipped or repeated hour, a day past the end
// of its month, a flag other than -1, or a platform that cannot tell), and the caller asks
// mktime. With the system zone, mktime checks the zone file on every call, which makes it
// most of the cost of reading a file's status; this asks localtime_r, which does not.
std::optional<std::time_t> UniqueLocalSeconds(const std::tm& fields);

}  // namespace tempinex
