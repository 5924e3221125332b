#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "open_file.hpp"
#include "status_time.hpp"

namespace tempinex {

inline constexpr std::size_t kMaxPath = 260;  // UTF-16 units, terminator included

// Everything the program shows or changes about one file. All zero means nothing is known.
struct FileStatus {
  StatusTime created = 0;
  StatusTime modified = 0;
  StatusTime accessed = 0;
  std::uint64_t size = 0;
  std::uint8_t attribute = 0;
  char16_t fullPath[kMaxPath] = {};
};

inline std::u16string_view FullPathOf(const FileStatus& status) {
  return std::u16string_view(status.fullPath);
}

// Absolute form of path into out. Raises InvalidArgumentError for a null path or buffer.
bool ResolveFullPath(const char16_t* path, char16_t (*out)[kMaxPath]);
bool ResolveFullPath(const std::u16string& path, char16_t (*out)[kMaxPath]);

// Fills status from the file at path. On failure returns false and keeps what was filled.
// Raises ResultCodeError when a file time gives fields MakeStatusTime rejects.
bool ReadFileStatus(const char16_t* path, FileStatus& status);

// Writes the times that are not 0 and, unless leaveAttributes, the attribute byte where it
// differs from the file's attribute word. Raises FileError (naming path) when the file cannot
// be opened or a step fails; a file whose write failed half-way is put back where the
// platform can, and the error says when it could not be. A change the volume took and did not
// keep is put back and raises too.
void WriteFileStatus(const std::u16string& path, const FileStatus& status, bool leaveAttributes);
// The same for a file already open: false, raising nothing, when the volume did not keep the
// change and the file was put back, which makes it a refused file rather than a failure.
bool WriteFileStatus(platform::OpenFile& file, const std::u16string& path,
                     const platform::Change& change);

// The times a status record asks to write: those that are not 0, converted (all of them before
// anything is written). Raises FileError when one cannot be converted.
platform::Change TimesOfStatus(const FileStatus& status);
// The change a status record asks of a file whose attribute word is `word`: `times` (as
// TimesOfStatus gave them) and, unless leaveAttributes, the attribute byte where it differs
// from the word.
platform::Change ChangeOfStatus(const platform::Change& times, const FileStatus& status,
                                bool leaveAttributes, std::uint32_t word);

}  // namespace tempinex
