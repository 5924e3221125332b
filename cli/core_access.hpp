#pragma once

// Everything the command-line program asks of the file state core goes through here: the
// state of one file as true instants, whether a planned change can be made whole, making it,
// and the saved state that undoes it, all on one open file; and the notions the program shares
// with the core (precise times, file times, the calendar rule, UTF-8). Nothing else in cli/
// includes a core header.

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "file_name.hpp"
#include "file_time.hpp"
#include "open_file.hpp"

namespace tempinex::cli {

// Seconds and nanoseconds since 1970-01-01 00:00:00 UTC; file times count 100-nanosecond
// units since 1601-01-01 00:00:00 UTC.
using tempinex::FileTimeFromPrecise;
using tempinex::IsLeapYear;
using tempinex::kSecondsFrom1601To1970;
using tempinex::kTicksPerSecond;
using tempinex::PreciseFromFileTime;
using tempinex::PreciseTime;
using FileTime = std::uint64_t;

using tempinex::IsValidUtf8;
using tempinex::Utf8Sequence;

// Everything a change may alter on one file, as it was, to the byte: what undo puts back.
using platform::SavedState;
using platform::SavedValue;
// Two names of one file give the same identity (device and inode).
using Identity = platform::FileIdentity;
struct IdentityHash {
  std::size_t operator()(const Identity& id) const {
    return std::hash<std::uint64_t>()(id.index * 31 + id.volume);
  }
};
using platform::LinkRule;

inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kCompressed = 0x800;
inline constexpr std::uint32_t kEditable = kReadOnly | kHidden | kSystem | kArchive;

struct FileState {
  std::uint32_t attributes = 0;        // the platform's attribute word
  std::optional<PreciseTime> created;  // none when the file system keeps none
  PreciseTime modified;
  PreciseTime accessed;
  std::uint64_t size = 0;
};

// What one file is to become; a time or attribute set left empty stays as it is. Times keep
// nanoseconds where the file system does.
struct Change {
  std::optional<PreciseTime> created;
  std::optional<PreciseTime> modified;
  std::optional<PreciseTime> accessed;
  std::optional<std::uint32_t> attributes;  // the new R, H, S and A bits

  bool Empty() const { return !created && !modified && !accessed && !attributes; }
};

enum class Refusal {
  kNone,
  kPathTooLong,  // 260 UTF-16 units or more, given or made absolute
  kNotRegular,
  kReadOnly,
  kImmutable,
  kReadOnlyVolume,
  kNotOwner,
  kNeedsPrivilege,
  kNoPermission,  // error says why
  kNoExtendedAttributes,
  kCreationTimeFixed,
  kAttributesUnsupported,
  kRootFolder,
  kWouldTurnSpecial,
  kRecordUnreadable,  // error says why
  kNotKept,
};

struct Admission {
  Refusal refusal = Refusal::kNone;
  int error = 0;  // errno, where the refusal has one
};

// How a change ended: 0, or the errno of the failure that stopped it; and when putting the
// file back after that failure failed too, its errno (the file may be half-written). A change
// the volume took and did not keep is put back and fails too, refusal saying so.
struct Outcome {
  int error = 0;
  int restoreError = 0;
  Refusal refusal = Refusal::kNone;
};

// The error of a change whose time the file system cannot store (it would have kept another):
// the change was put back.
inline constexpr int kTimeNotStored = ERANGE;

// Paths hold fewer than 260 UTF-16 units, as given and made absolute, as everywhere in the
// core; longer ones are refused.
bool WithinPathLimit(std::string_view name);

// One file, opened once: its name is resolved when it is opened, and every later call reaches
// that file whatever happens to the name meanwhile.
class File {
 public:
  // The file name names, a last symbolic link followed as touch does (kFollow) or taken
  // itself; nothing, with error set, when it cannot be opened. A device or a pipe is looked
  // at, never opened.
  static std::unique_ptr<File> Open(std::string_view name, LinkRule rule, int& error);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Its state as last read: when opened, after Reread, and as each step of Make left it.
  const FileState& State() const { return state; }
  int Reread();
  Identity Id() const;
  bool IsFolder() const;
  bool IsLink() const;

  // Whether the whole change can be made to the file as it is now, without writing anything.
  // The times of folders and of links opened as themselves are changed too.
  Admission Admit(const Change& change) const;
  // Makes the change: the attributes first when the file is read-only now (so that it can
  // take its times), else after the times (so that a file made read-only still takes them). A
  // change that fails half-way is put back.
  Outcome Make(const Change& change);

  // What a change may alter, as the file was last read; and making the file so again, refused
  // (ENOENT) when the state is another file's. 0 or the first failure.
  SavedState Saved() const;
  int PutBack(const SavedState& saved);

  // A descriptor open for reading a regular file's contents, or -1 with errno set.
  int OpenContents();

  // The entry `name` of this folder, opened as itself: a link there is never followed.
  std::unique_ptr<File> OpenEntry(const std::string& name, int& error);
  struct Entry {
    std::string name;
    bool folder = false;  // as the listing says; the entry opened tells what it is now
    bool link = false;
  };
  // The entries of this folder, "." and ".." left out, in no particular order.
  int List(std::vector<Entry>& entries);

 private:
  explicit File(std::unique_ptr<platform::OpenFile> opened);
  void Refresh();

  std::unique_ptr<platform::OpenFile> file;
  FileState state;
};

}  // namespace tempinex::cli
