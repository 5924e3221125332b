#pragma once

// What the fault tests share: a folder whose every entry can be recorded and compared later,
// a recording message box, mounts that undo themselves, and a way to run a piece of the core
// in a child process (as another user, with a time limit) so that a hang or crash is seen.

#include <sys/stat.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_operate.hpp"
#include "file_status.hpp"

namespace tempinex::faults {

// Everything about one directory entry that a stray write could change.
struct EntryState {
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
  std::string contents;  // regular files; the link text for symbolic links
  std::int64_t mtimeNs = 0;
  std::int64_t atimeNs = 0;
  std::int64_t ctimeNs = 0;
  std::map<std::string, std::string> xattrs;
  bool operator==(const EntryState&) const = default;
};

// Every entry below a folder by its path, symbolic links not followed.
using Snapshot = std::map<std::string, EntryState>;
Snapshot TakeSnapshot(const std::string& root);
// For a file the code under test reads: reading moves the access time and is no change.
void IgnoreAccessTime(Snapshot& snapshot, const std::string& path);
// Describes each entry that was added, removed or changed, except the paths in `expected`.
std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after,
                                     const std::set<std::string>& expected = {});

// A fresh folder under /tmp that other users may enter, removed at the end.
class FaultFolder {
 public:
  FaultFolder();
  ~FaultFolder();
  FaultFolder(const FaultFolder&) = delete;
  FaultFolder& operator=(const FaultFolder&) = delete;
  std::string Join(const std::string& name) const { return path + "/" + name; }
  std::string path;
};

void WriteFile(const std::string& path, const std::string& contents);
std::u16string U(const std::string& bytes);

// A mount that is taken down (lazily) when the object goes. `error` is the errno of a refused
// mount, 0 when it is in place.
class ScopedMount {
 public:
  ScopedMount(const std::string& source, const std::string& target, const std::string& type,
              unsigned long flags, const std::string& options);
  ~ScopedMount();
  ScopedMount(const ScopedMount&) = delete;
  ScopedMount& operator=(const ScopedMount&) = delete;
  int error = 0;
  std::string target;
};
// Makes `target` a read-only view of `source`; error as above.
int BindReadOnly(const std::string& source, const std::string& target,
                 std::optional<ScopedMount>& mount);

class RecordingMessages : public IMessageBox {
 public:
  void ShowMessage(const std::u16string& caption, const std::u16string& text, MessageIcon,
                   bool) override {
    shown.push_back(caption + u"|" + text);
  }
  std::vector<std::u16string> shown;
};

class PlainShell : public IShellInfo {
 public:
  std::u16string DisplayName(const std::u16string& path) override { return path; }
  std::u16string TypeName(const std::u16string&) override { return u"file"; }
};

// A file set with its recording message box.
struct FileSet {
  PlainShell shell;
  RecordingMessages messages;
  CFileOperate operate{shell, messages};
};

// How a child process ended: its report (empty when every check held), or why it did not.
struct ChildResult {
  bool finished = false;  // exited normally, not killed by a signal (crash, time limit)
  std::string report;
};
// Runs body in a child process, as uid/gid when given, killed after `seconds`. body returns
// the empty string when every check it made held, else what went wrong.
ChildResult RunInChild(const std::function<std::string()>& body, unsigned seconds,
                       std::optional<uid_t> asUser = std::nullopt);

// The user and group id of `nobody`, when the machine has one.
std::optional<std::pair<uid_t, gid_t>> NobodyIds();

// A status that changes only the last write time, to a fixed instant.
inline constexpr StatusTime kNewWriteTime = 1600000000;  // 2020-09-13 12:26:40 UTC
FileStatus WriteTimeOnly();

// The text of the message box, with a readable form for failures.
std::string Narrow(const std::u16string& text);

}  // namespace tempinex::faults
