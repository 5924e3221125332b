#pragma once

// Everything the command-line program asks of the file state core goes through here: the
// state of one file as true instants, whether a planned change can be made whole, and making
// it, all on one open file. Nothing else in cli/ includes a core header.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tempinex::platform {
class OpenFile;
}

namespace tempinex::cli {

// 100-nanosecond units since 1601-01-01 00:00:00 UTC.
using FileTime = std::uint64_t;

inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kCompressed = 0x800;
inline constexpr std::uint32_t kEditable = kReadOnly | kHidden | kSystem | kArchive;

struct FileState {
  std::uint32_t attributes = 0;  // the platform's attribute word
  FileTime created = 0;          // 0 when the file system keeps none
  FileTime modified = 0;
  FileTime accessed = 0;
  std::uint64_t size = 0;
};

// What one file is to become; a time or attribute set left empty stays as it is.
struct Change {
  std::optional<FileTime> created;
  std::optional<FileTime> modified;
  std::optional<FileTime> accessed;
  std::optional<std::uint32_t> attributes;  // the new R, H, S and A bits

  bool Empty() const { return !created && !modified && !accessed && !attributes; }
};

enum class Refusal {
  kNone,
  kCannotRead,   // error says why
  kPathTooLong,  // 260 UTF-16 units or more, given or made absolute
  kNotRegular,
  kDirectoryTimes,
  kReadOnly,
  kImmutable,
  kReadOnlyVolume,
  kNotOwner,
  kNeedsPrivilege,
  kNoPermission,  // error says why
  kNoExtendedAttributes,
  kCreationTimeFixed,
  kAttributesUnsupported,
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

// Two names of one file give the same identity.
struct Identity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const Identity&) const = default;
};

// File names are bytes on Linux; the core names files in UTF-16, with every byte that is not
// valid UTF-8 kept as a lone surrogate so that the name still reaches the same file.
std::u16string PathFromBytes(std::string_view bytes);
std::string BytesFromPath(const std::u16string& path);

// Paths hold fewer than 260 UTF-16 units, as given and made absolute, as everywhere in the
// core; longer ones are refused.
bool WithinPathLimit(const std::u16string& path);

// Reads the file's state by its name, without opening it; 0 or the errno of the failure.
int ReadState(const std::u16string& path, FileState& state);

// One file, opened once: its name is resolved when it is opened, and every later call reaches
// that file whatever happens to the name meanwhile.
class File {
 public:
  // The file path names, a last symbolic link followed as touch does; nothing, with error set,
  // when it cannot be opened. A device or a pipe is looked at, never opened.
  static std::unique_ptr<File> Open(const std::u16string& path, int& error);
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
  Admission Admit(const Change& change) const;
  // Makes the change: the attributes first when the file is read-only now (so that it can
  // take its times), else after the times (so that a file made read-only still takes them). A
  // change that fails half-way is put back.
  Outcome Make(const Change& change);

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
