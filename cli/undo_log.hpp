#pragma once

// The undo log of `set --undo-log FILE` and `tempinex undo FILE`. One JSON object a line:
// before a file is changed, its state then and the state planned, written and flushed to the
// disk before the change starts, so that a run cut short can still be undone; after the
// change, the state the file was left in. Undo goes back from the last entry to the first and
// restores only a file that is still as the change left it.

#include <optional>
#include <string>

#include "core_access.hpp"

namespace tempinex::cli {

class UndoLog {
 public:
  // Appends to FILE (created when missing); nothing, with error set, when it cannot.
  static std::optional<UndoLog> Open(const std::string& file, int& error);
  UndoLog(UndoLog&& other) noexcept;
  UndoLog& operator=(UndoLog&& other) noexcept;
  ~UndoLog();

  // 0 once the entry is on the disk, else the errno.
  int Before(const std::string& name, const FileState& before, const FileState& planned);
  int After(const std::string& name, const FileState& after);
  int Close();

 private:
  explicit UndoLog(int fd) : fd(fd) {}
  int Write(const std::string& line, bool sync);

  int fd = -1;
};

int RunUndo(const std::string& file);

}  // namespace tempinex::cli
