#pragma once

// What `set` is to do to one file, worked out from the options and the file's state alone.

#include <cstdint>
#include <optional>

#include "attribute_text.hpp"
#include "core_access.hpp"
#include "time_text.hpp"

namespace tempinex::cli {

// The times --from, --from-exif, --from-tree and --shift touch.
inline constexpr unsigned kOnlyCreated = 1;
inline constexpr unsigned kOnlyModified = 2;
inline constexpr unsigned kOnlyAccessed = 4;

// What is copied to a file: the times of --from's file or of its original under --from-tree,
// or a photo's own time for all three; with --from-tree --with-attributes, the original's
// attributes too. A time left empty (a creation time the file does not keep) is not copied.
struct Source {
  std::optional<PreciseTime> created;
  std::optional<PreciseTime> modified;
  std::optional<PreciseTime> accessed;
  std::optional<std::uint32_t> attributes;  // R, H, S and A
};

struct SetOptions {
  std::optional<PreciseTime> created;
  std::optional<PreciseTime> modified;
  std::optional<PreciseTime> accessed;
  std::optional<Source> source;
  std::optional<std::int64_t> shift;  // seconds
  unsigned only = kOnlyCreated | kOnlyModified | kOnlyAccessed;
  std::optional<AttributeEdit> attributes;
};

struct Plan {
  Change change;            // only what differs from the file as it is
  bool outOfRange = false;  // a shifted time falls outside the range of times
};

// The times of a file as the core reads them; a creation time it does not keep is empty.
Source TimesOf(const FileState& state);

// The change for a file in state before. A folder met with --from-exif takes the attribute
// part alone.
Plan PlanChange(const SetOptions& options, const FileState& before, bool attributesOnly);

// The file's state once the change is made.
FileState Changed(const FileState& before, const Change& change);

}  // namespace tempinex::cli
