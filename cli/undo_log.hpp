#pragma once

// The undo log of `set --undo-log LOG` and `tempinex undo LOG`. One JSON object a line, each
// line written whole or not at all:
//
//   {"tempinex undo log":3}
//   {"tempinex":"before","path":"/abs/name","before":STATE,"planned":STATE,"saved":SAVED}
//   {"tempinex":"after","path":"/abs/name","after":STATE,"saved":SAVED}
//
// STATE is what show prints of the file, {"attributes":N,"created":T,"modified":T,
// "accessed":T,"size":N}, each time T as [seconds since 1970 UTC, nanoseconds], or null for a
// creation time the file does not keep. SAVED is everything the change may alter, as the file
// state core saves it: {"identity":[DEVICE,INODE],"mode":N,"created":T,"accessed":T,
// "modified":T,"values":[VALUE...]}, where each VALUE is one that the volume keeps beside the
// data (user.DOSATTRIB, a driver's attribute byte): {"name":NAME,"bytes":HEX} with its bytes in
// hexadecimal, {"name":NAME,"bytes":null} when the file had none, or {"name":NAME,
// "unknown":true} when it could not be read. A path that is not valid UTF-8 comes as
// "pathBytes" in hexadecimal instead; "link":true marks a symbolic link changed itself.
//
// Before a file is changed, its state then and the state planned are written and flushed to
// the disk, so that a run cut short can still be undone; after the change, the state the file
// was left in. Undo goes back from the last entry to the first and puts back the saved state
// exactly (the mode, the times to the nanosecond, each value's bytes, a value the file did not
// have removed), only on the same file and only where it is still as the change left it (its
// last access time compared only where the change set it: reading a file moves it). Logs of
// versions 1 and 2, without SAVED, are undone from STATE alone.
//
// The log is never reached through a symbolic link, and a run holds it locked from start to
// end, so that runs sharing a log append their entries one run after the other.

#include <optional>
#include <string>

#include "core_access.hpp"

namespace tempinex::cli {

class UndoLog {
 public:
  // Appends to FILE, created when missing; nothing, with error set, when it cannot or when
  // FILE holds something else than an undo log (EINVAL), which is then left as it is. Waits
  // while another run holds the log.
  static std::optional<UndoLog> Open(const std::string& file, int& error);
  UndoLog(UndoLog&& other) noexcept;
  UndoLog& operator=(UndoLog&& other) noexcept;
  ~UndoLog();

  // 0 once the entry is in the log (for Before, on the disk), else the errno; the log then
  // ends with its last whole line, as it did before.
  int Before(const std::string& name, const File& file, const FileState& planned);
  int After(const std::string& name, const File& file);
  // 0 once every entry is on the disk.
  int Close();
  // True when file is the log itself, which a run never changes.
  bool Is(const Identity& file) const;

 private:
  UndoLog(int fd, std::string folder);
  int Write(const std::string& line, bool sync);
  std::string Absolute(const std::string& name) const;

  int fd = -1;
  Identity self;
  std::string folder;  // the working folder, against which names are made absolute
};

// Why the log could not be opened, for the user.
std::string LogProblem(int error);

int RunUndo(const std::string& file);

}  // namespace tempinex::cli
