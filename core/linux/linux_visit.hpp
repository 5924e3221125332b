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
  std::optional<PlannedChange> planned;  // what the writability test was asked about
  // The file as it was before the visit's first write, and the store that can put it back.
  std::optional<Snapshot> before;
  const AttributeStore* beforeStore = nullptr;
};

// Notes, before a write step runs, that the visit to native takes it: the first such step
// takes the snapshot an undo puts back.
void NoteStep(const std::string& native, const Inode& inode, bool times);

// Closes the parked descriptor, if any.
void CloseParked(VisitMemo& memo);

// The memo of the visit under way on this thread when it is a visit to `native`, else null.
VisitMemo* MemoFor(const std::string& native);

}  // namespace tempinex::platform::linux_fs
