#pragma once

// Times as the command line writes them: `now`, `@SECONDS` or an ISO 8601 date-time (local
// when it names no offset), and shown back as local ISO 8601 with the offset in force at that
// instant. All of them are true instants; no local offset of the present moment is involved.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core_access.hpp"

namespace tempinex::cli {

inline constexpr std::int64_t kTicksPerSecond = 10'000'000;

// The present second.
FileTime Now();
FileTime WholeSeconds(FileTime time);

// The time T names, or nothing with why set to a sentence for the user.
std::optional<FileTime> ParseTime(std::string_view text, std::string& why);

// [-]D:HH:MM:SS as a signed number of ticks, or nothing.
std::optional<std::int64_t> ParseShift(std::string_view text);

// The time moved by shift ticks, or nothing when that leaves the range of file times.
std::optional<FileTime> Shifted(FileTime time, std::int64_t shift);

// Local ISO 8601 with the offset of that instant, and the fraction of a second when it has
// one: 2026-03-29T03:00:00+02:00, 2026-03-29T03:00:00.25+02:00.
std::string FormatTime(FileTime time);

}  // namespace tempinex::cli
