#pragma once

// Everything the command-line program asks of the file state core goes through here: the
// state of one file as true instants, whether a planned change can be made whole, and making
// it. Nothing else in cli/ includes a core header.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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
  kNoPermission,  // error says why
  kNoExtendedAttributes,
};

struct Admission {
  Refusal refusal = Refusal::kNone;
  int error = 0;  // errno, where the refusal has one
};

// File names are bytes on Linux; the core names files in UTF-16, with every byte that is not
// valid UTF-8 kept as a lone surrogate so that the name still reaches the same file.
std::u16string PathFromBytes(std::string_view bytes);
std::string BytesFromPath(const std::u16string& path);

// Paths hold fewer than 260 UTF-16 units, as given and made absolute, as everywhere in the
// core; longer ones are refused.
bool WithinPathLimit(const std::u16string& path);

// Within one of these, the calls on one file may answer from what earlier calls learnt of it.
class Visit {
 public:
  explicit Visit(const std::u16string& path);
  ~Visit();
  Visit(const Visit&) = delete;
  Visit& operator=(const Visit&) = delete;

 private:
  void* visit;
};

// Reads the file's state; 0 or the errno of the failure.
int ReadState(const std::u16string& path, FileState& state);

// Whether the whole change can be made to the file as it is now (before), without writing.
// The path is taken to be within the limit.
Admission Admit(const std::u16string& path, const FileState& before, const Change& change);

// Makes the change: the attributes first when they clear read-only (so that the file can take
// its times), else after the times (so that a file made read-only still takes them).
// 0 or the errno of the first failure.
int MakeChange(const std::u16string& path, const FileState& before, const Change& change);

}  // namespace tempinex::cli
