#pragma once

// Times as the command line writes them: `now`, `@SECONDS` or an ISO 8601 date-time (local
// when it names no offset), and shown back as local ISO 8601 with the offset in force at that
// instant. All of them are true instants; no local offset of the present moment is involved.
// The program's own arithmetic keeps nanoseconds; what a file keeps of them is the file
// system's affair.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core_access.hpp"

namespace tempinex::cli {

// The times the program accepts, shows and writes, in whole seconds of UTC at both ends: from
// the first second after 1601-01-01T00:00:00Z, where file times begin and which the file state
// core takes for "no time", to 9999-12-31T23:59:59Z.
inline constexpr PreciseTime kFirstTime{1 - kSecondsFrom1601To1970, 0};
inline constexpr PreciseTime kLastTime{253'402'300'799, 0};

inline bool WithinRange(const PreciseTime& time) {
  return time >= kFirstTime && time <= kLastTime;
}

// The present second.
PreciseTime Now();

// The time T names, or nothing with why set to a sentence for the user.
std::optional<PreciseTime> ParseTime(std::string_view text, std::string& why);

// [-]D:HH:MM:SS as a signed number of seconds, or nothing.
std::optional<std::int64_t> ParseShift(std::string_view text);

// The time moved by shift seconds, or nothing when that leaves the range.
std::optional<PreciseTime> Shifted(const PreciseTime& time, std::int64_t shift);

// Local ISO 8601 with the offset of that instant, and the fraction of a second when it has
// one: 2026-03-29T03:00:00+02:00, 2026-03-29T03:00:00.25+02:00. Within hours of the ends of the
// range, where the local date would leave the years 1601 to 9999, the time is shown in UTC.
std::string FormatTime(const PreciseTime& time);

}  // namespace tempinex::cli
