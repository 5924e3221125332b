#pragma once

// What `set` is to do to one file, worked out from the options and the file's state alone.

#include <cstdint>
#include <optional>

#include "attribute_text.hpp"
#include "core_access.hpp"
#include "time_text.hpp"

namespace tempinex::cli {

// The times --from, --from-exif and --shift touch.
inline constexpr unsigned kOnlyCreated = 1;
inline constexpr unsigned kOnlyModified = 2;
inline constexpr unsigned kOnlyAccessed = 4;

// Times copied to the files: those of --from's file, or a photo's own time for all three. A
// time left empty (a creation time the file does not keep) is not copied.
struct SourceTimes {
  std::optional<PreciseTime> created;
  std::optional<PreciseTime> modified;
  std::optional<PreciseTime> accessed;
};

struct SetOptions {
  std::optional<PreciseTime> created;
  std::optional<PreciseTime> modified;
  std::optional<PreciseTime> accessed;
  std::optional<SourceTimes> source;
  std::optional<std::int64_t> shift;  // seconds
  unsigned only = kOnlyCreated | kOnlyModified | kOnlyAccessed;
  std::optional<AttributeEdit> attributes;
};

struct Plan {
  Change change;            // only what differs from the file as it is
  bool outOfRange = false;  // a shifted time falls outside the range of times
};

// The times of a file as the core reads them; a creation time it does not keep is empty.
SourceTimes TimesOf(const FileState& state);

// The change for a file in state before. A folder met in a recursive walk takes the
// attribute part alone.
Plan PlanChange(const SetOptions& options, const FileState& before, bool attributesOnly);

// The file's state once the change is made.
FileState Changed(const FileState& before, const Change& change);

}  // namespace tempinex::cli
