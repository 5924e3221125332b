#pragma once

// Whether this user may make a whole planned change of one file now, asked before any part of
// it is written, so that a file that cannot take all of it is left as it is.

#include <cstdint>
#include <string>

#include "platform.hpp"

namespace tempinex::platform {

struct PlannedChange {
  bool writesTimes = false;     // last write or last access
  bool writesCreation = false;  // kept beside the file, where the platform keeps it
  std::uint32_t oldAttributes = 0;
  std::uint32_t newAttributes = 0;  // equal to oldAttributes when they stay
};

enum class ChangeRefusal {
  kNone,
  kNotFound,              // error: why the file could not be looked at
  kNotRegular,            // a pipe, a socket or a device
  kDirectoryTimes,        // the times of a directory are never written
  kReadOnly,              // read-only, and the change does not clear that
  kImmutable,             // the file system keeps the file immutable or append-only
  kNoPermission,          // error: EPERM (not the owner), EACCES or EROFS
  kNoExtendedAttributes,  // the change needs extended attributes the file system lacks
};

struct ChangeAnswer {
  ChangeRefusal refusal = ChangeRefusal::kNone;
  NativeError error = 0;
};

// A file (not a folder) that passes is still to be put to ProbeOpenForWrite, which this does
// not repeat.
ChangeAnswer ProbeChange(const std::u16string& path, const PlannedChange& change);

}  // namespace tempinex::platform
