#include "linux_inode.hpp"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

namespace tempinex::platform::linux_fs {

namespace {

constexpr unsigned kStatxWanted = STATX_BASIC_STATS | STATX_BTIME;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr std::int64_t kTicksPerSecond = 10'000'000;

// Reads the value with the call given; a value longer than the first buffer is fetched whole.
template <typename Get>
std::optional<DosAttrib> ReadDosAttrib(Get get) {
  char buffer[512];
  ssize_t length = get(buffer, sizeof buffer);
  if (length >= 0) {
    return ParseDosAttrib(std::string_view(buffer, static_cast<std::size_t>(length)));
  }
  if (errno != ERANGE) {
    return std::nullopt;  // absent, not supported, or not readable: as if absent
  }
  const ssize_t needed = get(nullptr, 0);
  if (needed <= 0) {
    return std::nullopt;
  }
  std::string value(static_cast<std::size_t>(needed), '\0');
  length = get(value.data(), value.size());
  if (length < 0) {
    return std::nullopt;
  }
  value.resize(static_cast<std::size_t>(length));
  return ParseDosAttrib(value);
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

}  // namespace

NativeError ReadInode(const std::string& path, Inode& inode) {
  if (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, kStatxWanted, &inode.info) != 0) {
    return errno;
  }
  inode.dos = ReadDosAttrib([&](char* buffer, std::size_t size) {
    return getxattr(path.c_str(), kDosAttribName, buffer, size);
  });
  return 0;
}

NativeError ReadInode(int fd, Inode& inode) {
  if (NativeError error = ReadInodeInfo(fd, inode); error != 0) {
    return error;
  }
  ReadDos(fd, inode);
  return 0;
}

NativeError ReadInodeInfo(int fd, Inode& inode) {
  if (statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, kStatxWanted, &inode.info) != 0) {
    return errno;
  }
  return 0;
}

void ReadDos(int fd, Inode& inode) {
  inode.dos = ReadDosAttrib(
      [&](char* buffer, std::size_t size) { return fgetxattr(fd, kDosAttribName, buffer, size); });
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

std::uint32_t ImplicitBits(const Inode& inode, std::string_view path) {
  std::uint32_t bits = IsDirectory(inode) ? kAttrDirectory : kAttrArchive;
  if (IsDotName(path)) {
    bits |= kAttrHidden;
  }
  return bits;
}

std::uint32_t AttributeWord(const Inode& inode, std::string_view path) {
  // Directory, normal and compressed come from the file itself, never from the stored value.
  constexpr std::uint32_t kComputed = kAttrDirectory | kAttrNormal | kAttrCompressed;
  std::uint32_t word = inode.dos ? (inode.dos->attrib & ~kComputed) : ImplicitBits(inode, path);
  if (IsDirectory(inode)) {
    word |= kAttrDirectory;
  }
  if (!HasWriteBits(inode)) {
    word |= kAttrReadOnly;
  }
  return word == 0 ? kAttrNormal : word;
}

bool IsCompressed(const Inode& inode, const std::string& path) {
  if (inode.info.stx_attributes_mask & STATX_ATTR_COMPRESSED) {
    return (inode.info.stx_attributes & STATX_ATTR_COMPRESSED) != 0;
  }
  if (!IsRegular(inode) && !IsDirectory(inode)) {
    return false;  // never open a device or a pipe just to ask
  }
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  int flags = 0;
  const bool known = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  close(fd);
  return known && (flags & FS_COMPR_FL) != 0;
}

NativeError StoreDosAttrib(const std::string& path, int fd, const DosAttrib& info) {
  const std::string value = EncodeDosAttrib(info);
  const int result = fd >= 0
                         ? fsetxattr(fd, kDosAttribName, value.data(), value.size(), 0)
                         : setxattr(path.c_str(), kDosAttribName, value.data(), value.size(), 0);
  return result == 0 ? 0 : errno;
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

}  // namespace tempinex::platform::linux_fs
