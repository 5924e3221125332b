#pragma once

// What the calls of one file visit (platform::FileVisit) have learnt of the visited file.

#include <optional>
#include <string>

#include "linux_inode.hpp"

namespace tempinex::platform::linux_fs {

struct VisitMemo {
  std::string native;          // the visited path, as bytes
  std::optional<Inode> inode;  // the file as last read, or as this program last wrote it
  int parkedFd = -1;           // the writability test's descriptor, open for writing, or -1
};

// Closes the parked descriptor, if any.
void CloseParked(VisitMemo& memo);

// The memo of the visit under way on this thread when it is a visit to `native`, else null.
VisitMemo* MemoFor(const std::string& native);

}  // namespace tempinex::platform::linux_fs
