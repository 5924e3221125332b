#pragma once

// What `set` is to do to one file, worked out from the options and the file's state alone.

#include <cstdint>
#include <optional>

#include "attribute_text.hpp"
#include "core_access.hpp"

namespace tempinex::cli {

// The times --from and --shift touch.
inline constexpr unsigned kOnlyCreated = 1;
inline constexpr unsigned kOnlyModified = 2;
inline constexpr unsigned kOnlyAccessed = 4;

struct SetOptions {
  std::optional<FileTime> created;
  std::optional<FileTime> modified;
  std::optional<FileTime> accessed;
  std::optional<FileState> reference;  // --from, as read
  std::optional<std::int64_t> shift;   // ticks
  unsigned only = kOnlyCreated | kOnlyModified | kOnlyAccessed;
  std::optional<AttributeEdit> attributes;
};

struct Plan {
  Change change;            // only what differs from the file as it is
  bool outOfRange = false;  // a shifted time falls outside the file times
};

// The change for a file in state before. A folder met in a recursive walk takes the
// attribute part alone.
Plan PlanChange(const SetOptions& options, const FileState& before, bool attributesOnly);

// The file's state once the change is made.
FileState Changed(const FileState& before, const Change& change);

}  // namespace tempinex::cli
