#include "linux_inode.hpp"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "store_select.hpp"

namespace tempinex::platform::linux_fs {

namespace {

// The mount id tells a volume mounted again on a device number used before from the old one;
// the unique one (Linux 6.8) is never reused, the older one may be after an unmount.
#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x00004000U
#endif
constexpr unsigned kStatxWanted =
    STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID | STATX_MNT_ID_UNIQUE;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr std::int64_t kTicksPerSecond = 10'000'000;

// Reads a value with the call given; a value longer than the first buffer is fetched whole.
template <typename Get>
StoredValue ReadWith(const char* name, Get get) {
  StoredValue stored{name, false, std::nullopt};
  char buffer[512];
  ssize_t length = get(buffer, sizeof buffer);
  if (length < 0 && errno == ERANGE) {
    const ssize_t needed = get(nullptr, 0);
    if (needed >= 0) {
      std::string value(static_cast<std::size_t>(needed), '\0');
      length = get(value.data(), value.size());
      if (length >= 0) {
        value.resize(static_cast<std::size_t>(length));
        stored.known = true;
        stored.value = std::move(value);
        return stored;
      }
    }
  }
  if (length >= 0) {
    stored.known = true;
    stored.value.emplace(buffer, static_cast<std::size_t>(length));
  } else {
    // Absent, or a file system without extended attributes: known to have none.
    stored.known = errno == ENODATA || errno == ENOTSUP;
  }
  return stored;
}

}  // namespace

NativeError ReadInode(const std::string& path, Inode& inode) {
  if (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, kStatxWanted, &inode.info) != 0) {
    return errno;
  }
  inode.store = &StoreFor(inode.info, path, -1);
  inode.store->ReadRecord(path, -1, inode);
  return 0;
}

NativeError ReadInode(int fd, Inode& inode) {
  if (NativeError error = ReadInodeInfo(fd, inode); error != 0) {
    return error;
  }
  ReadRecord(fd, inode);
  return 0;
}

NativeError ReadInodeInfo(int fd, Inode& inode) {
  if (statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, kStatxWanted, &inode.info) != 0) {
    return errno;
  }
  return 0;
}

NativeError ReadInodeInfo(const std::string& path, Inode& inode) {
  if (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, kStatxWanted, &inode.info) != 0) {
    return errno;
  }
  return 0;
}

void ReadRecord(int fd, Inode& inode) {
  inode.store = &StoreFor(inode.info, {}, fd);
  inode.store->ReadRecord({}, fd, inode);
}

bool SameFile(const Inode& one, const Inode& other) {
  return one.info.stx_ino == other.info.stx_ino &&
         one.info.stx_dev_major == other.info.stx_dev_major &&
         one.info.stx_dev_minor == other.info.stx_dev_minor;
}

bool IsDirectory(const Inode& inode) {
  return S_ISDIR(inode.info.stx_mode);
}
bool IsRegular(const Inode& inode) {
  return S_ISREG(inode.info.stx_mode);
}
bool HasWriteBits(const Inode& inode) {
  return (inode.info.stx_mode & 0222) != 0;
}

std::uint32_t AttributeWord(const Inode& inode, std::string_view path) {
  return inode.store->AttributeWord(inode, path);
}

std::string_view LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') {
    path.remove_suffix(1);
  }
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsDotName(std::string_view path) {
  const std::string_view name = LastComponent(path);
  return name.size() > 1 && name[0] == '.' && name != "..";
}

NativeError ChangeMode(const std::string& path, Inode& inode, mode_t mode) {
  if (chmod(path.c_str(), mode & 07777) != 0) {
    return errno;
  }
  inode.info.stx_mode = static_cast<std::uint16_t>((inode.info.stx_mode & S_IFMT) | (mode & 07777));
  return 0;
}

namespace {

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

mode_t WritableMode(mode_t mode) {
  return mode | ((0600 | ((mode & 044) >> 1)) & ~CurrentUmask());
}

NativeError SetTimesOnDescriptor(int fd, const FileTime* lastAccess, const FileTime* lastWrite) {
  if (!lastAccess && !lastWrite) {
    return 0;
  }
  struct timespec times[2];
  times[0] = lastAccess ? TimespecFromFileTime(*lastAccess) : timespec{0, UTIME_OMIT};
  times[1] = lastWrite ? TimespecFromFileTime(*lastWrite) : timespec{0, UTIME_OMIT};
  return futimens(fd, times) == 0 ? 0 : errno;
}

StoredValue ReadValue(const std::string& path, int fd, const char* name) {
  return ReadWith(name, [&](char* buffer, std::size_t size) {
    return fd >= 0 ? fgetxattr(fd, name, buffer, size) : getxattr(path.c_str(), name, buffer, size);
  });
}

NativeError StoreValue(const std::string& path, int fd, const char* name, std::string_view value) {
  const int result = fd >= 0 ? fsetxattr(fd, name, value.data(), value.size(), 0)
                             : setxattr(path.c_str(), name, value.data(), value.size(), 0);
  return result == 0 ? 0 : errno;
}

Snapshot SnapshotOf(const Inode& inode) {
  Snapshot snapshot;
  snapshot.inodeNumber = inode.info.stx_ino;
  snapshot.deviceMajor = inode.info.stx_dev_major;
  snapshot.deviceMinor = inode.info.stx_dev_minor;
  snapshot.mode = inode.info.stx_mode & 07777;
  snapshot.lastAccess = TimespecFromTimestamp(inode.info.stx_atime);
  snapshot.lastWrite = TimespecFromTimestamp(inode.info.stx_mtime);
  snapshot.raw = inode.record.raw;
  return snapshot;
}

int OpenSnapshotFile(const std::string& path, const Snapshot& snapshot, Inode& now) {
  // Read-only is enough: extended attributes, mode and times are checked against the inode,
  // not against how it was opened.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return -1;
  }
  const bool same = ReadInodeInfo(fd, now) == 0 && now.info.stx_ino == snapshot.inodeNumber &&
                    now.info.stx_dev_major == snapshot.deviceMajor &&
                    now.info.stx_dev_minor == snapshot.deviceMinor;
  if (!same) {
    close(fd);
    errno = ENOENT;
    return -1;
  }
  return fd;
}

NativeError RestoreCommon(int fd, const Inode& now, const Snapshot& snapshot) {
  NativeError first = 0;
  const auto keep = [&first](NativeError error) {
    if (first == 0) {
      first = error;
    }
  };
  // Only what differs is put back: each write moves the change time.
  if (snapshot.attributesWritten || snapshot.timesWritten) {
    for (const StoredValue& stored : snapshot.raw) {
      if (stored.name == nullptr || !stored.known) {
        continue;  // never guess at a value that could not be read
      }
      const StoredValue current = ReadValue({}, fd, stored.name);
      if (current.known && current.value == stored.value) {
        continue;
      }
      if (stored.value) {
        keep(StoreValue({}, fd, stored.name, *stored.value));
      } else if (fremovexattr(fd, stored.name) != 0 && errno != ENODATA && errno != ENOTSUP) {
        keep(errno);
      }
    }
  }
  const auto same = [](const struct statx_timestamp& stamp, const struct timespec& time) {
    return stamp.tv_sec == time.tv_sec && stamp.tv_nsec == time.tv_nsec;
  };
  if (snapshot.timesWritten && !(same(now.info.stx_atime, snapshot.lastAccess) &&
                                 same(now.info.stx_mtime, snapshot.lastWrite))) {
    const struct timespec times[2] = {snapshot.lastAccess, snapshot.lastWrite};
    keep(futimens(fd, times) == 0 ? 0 : errno);
  }
  if ((now.info.stx_mode & 07777) != snapshot.mode) {
    keep(fchmod(fd, snapshot.mode) == 0 ? 0 : errno);
  }
  return first;
}

FileTime FileTimeFromTimestamp(const struct statx_timestamp& stamp) {
  // Linux keeps 64-bit seconds, far more than a file time can count. A later time becomes the
  // latest one that still takes any zone's shift to local time, so that it is met like every
  // other time past the year 3001 instead of wrapping round to some other date.
  constexpr std::int64_t kLatestTicks =
      std::numeric_limits<std::int64_t>::max() - 86'400 * kTicksPerSecond;
  if (stamp.tv_sec > kLatestTicks / kTicksPerSecond - kSecondsFrom1601To1970 - 1) {
    return static_cast<FileTime>(kLatestTicks);
  }
  const std::int64_t seconds = stamp.tv_sec + kSecondsFrom1601To1970;
  if (seconds < 0) {
    return 0;
  }
  return static_cast<FileTime>(seconds * kTicksPerSecond + stamp.tv_nsec / 100);
}

struct timespec TimespecFromFileTime(FileTime time) {
  const std::int64_t ticks = static_cast<std::int64_t>(time);
  struct timespec result {};
  result.tv_sec = ticks / kTicksPerSecond - kSecondsFrom1601To1970;
  result.tv_nsec = ticks % kTicksPerSecond * 100;
  return result;
}

struct timespec TimespecFromTimestamp(const struct statx_timestamp& stamp) {
  struct timespec result {};
  result.tv_sec = stamp.tv_sec;
  result.tv_nsec = stamp.tv_nsec;
  return result;
}

}  // namespace tempinex::platform::linux_fs
