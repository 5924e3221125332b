#pragma once

// The undo log of `set --undo-log FILE` and `tempinex undo FILE`. One JSON object a line:
// before a file is changed, its state then and the state planned, written and flushed to the
// disk before the change starts, so that a run cut short can still be undone; after the
// change, the state the file was left in. Undo goes back from the last entry to the first and
// restores only a file that is still as the change left it.

#include <sys/types.h>

#include <optional>
#include <string>

#include "core_access.hpp"

namespace tempinex::cli {

class UndoLog {
 public:
  // Appends to FILE, created when missing; nothing, with error set, when it cannot or when
  // FILE holds something else than an undo log (EINVAL), which is then left as it is.
  static std::optional<UndoLog> Open(const std::string& file, int& error);
  UndoLog(UndoLog&& other) noexcept;
  UndoLog& operator=(UndoLog&& other) noexcept;
  ~UndoLog();

  // 0 once the entry is on the disk, else the errno.
  int Before(const std::string& name, const FileState& before, const FileState& planned);
  int After(const std::string& name, const FileState& after);
  int Close();
  // True when file is the log itself, which a run never changes.
  bool Is(const Identity& file) const;

 private:
  explicit UndoLog(int fd);
  int Write(const std::string& line, bool sync);

  int fd = -1;
  Identity self;
};

int RunUndo(const std::string& file);

}  // namespace tempinex::cli
