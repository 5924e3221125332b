#pragma once

// How the Linux layer reaches one file. A change reaches it through the O_PATH descriptor it
// was opened as, so that no step looks its name up again; the dialog's status reads, which
// change nothing, reach it by name. Every call the stores make of a file goes through here.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <time.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "open_file.hpp"
#include "platform.hpp"

namespace tempinex::platform::linux_fs {

// A descriptor closed with its owner.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  ~UniqueFd();
  int Get() const { return fd; }
  int Release();
  explicit operator bool() const { return fd >= 0; }

 private:
  int fd = -1;
};

class FileRef {
 public:
  // The file open as fd, an O_PATH descriptor that stays open while the reference is used.
  static FileRef Descriptor(int fd);
  // The file path names now, looked up again at every call: for reads that change nothing.
  static FileRef Name(std::string path);

  bool ByDescriptor() const { return fd >= 0; }

  // The statx record: type, mode, owner, times, birth time, mount id.
  NativeError Stat(struct statx& info) const;
  NativeError VolumeOf(struct statfs& volume) const;

  // The extended attribute `name`: known and without bytes when the file has none (ENODATA);
  // not known, with the reason in `error`, when it could not be read. `unsupported` is set when
  // the volume keeps no extended attributes at all.
  SavedValue Get(const char* name, NativeError* error = nullptr, bool* unsupported = nullptr) const;
  NativeError Set(const char* name, std::string_view bytes) const;
  NativeError Remove(const char* name) const;

  // Permission bits and the last-access and last-write times, on the inode itself.
  NativeError ChangeMode(mode_t mode) const;
  NativeError SetTimes(const struct timespec times[2]) const;

  // True when this process may write the file's data, as the kernel decides it (owner, group,
  // access lists, capabilities, a read-only mount).
  bool MayWrite() const;

  // A descriptor open for reading, for the ioctls of a driver. Only for a regular file or a
  // folder: a device or a pipe is never opened. Fails where this user may not read it.
  UniqueFd OpenForReading() const;

 private:
  // The name the path-taking calls use: the descriptor's /proc entry, or the path.
  const char* CallName() const;

  int fd = -1;
  std::string path;        // the name, for a reference by name
  char procPath[32] = {};  // "/proc/self/fd/N", for a descriptor
  // Where "N", the descriptor's entry in /proc/self/fd, begins within procPath.
  std::uint8_t entryAt = 0;
  const char* Entry() const { return procPath + entryAt; }
};

}  // namespace tempinex::platform::linux_fs
