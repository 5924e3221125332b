#include "file_ref.hpp"

#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace tempinex::platform::linux_fs {

namespace {

// The mount id tells a volume mounted again on a device number used before from the old one;
// the unique one (Linux 6.8) is never reused, the older one may be after an unmount.
#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x00004000U
#endif
constexpr unsigned kStatxWanted =
    STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID | STATX_MNT_ID_UNIQUE;

#ifndef SYS_fchmodat2
#define SYS_fchmodat2 452
#endif

// fchmodat2 (Linux 6.6) changes the mode of an O_PATH descriptor itself; older kernels answer
// ENOSYS, and the /proc entry of the descriptor serves instead. Asked once.
std::atomic<bool> noFchmodat2{false};

// Extended attributes take no O_PATH descriptor. Their *xattrat calls (Linux 6.13) reach it
// through its entry in an open /proc/self/fd, which costs far less than looking up the whole
// "/proc/self/fd/N" at every call; older kernels take that path. The folder is this process's
// own: a child made by fork opens its own.
#ifndef SYS_setxattrat
#define SYS_setxattrat 463
#define SYS_getxattrat 464
#define SYS_removexattrat 466
#endif

struct XattrArgs {
  std::uint64_t value;
  std::uint32_t size;
  std::uint32_t flags;
};

std::atomic<bool> noXattrAt{false};

class ProcFdFolder {
 public:
  // The open /proc/self/fd of this process, or -1.
  int Get() {
    static const bool registered = pthread_atfork(nullptr, nullptr, &ProcFdFolder::Forget) == 0;
    int fd = folder.load(std::memory_order_acquire);
    if (fd >= 0 && registered) {
      return fd;
    }
    std::lock_guard lock(mutex);
    fd = folder.load(std::memory_order_relaxed);
    if (fd < 0 || !registered) {
      if (fd >= 0) {
        close(fd);
      }
      fd = open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
      folder.store(fd, std::memory_order_release);
    }
    return fd;
  }

 private:
  static void Forget() {
    // In the child: the descriptor still names the parent's folder.
    const int inherited = Instance().folder.exchange(-1);
    if (inherited >= 0) {
      close(inherited);
    }
  }

 public:
  static ProcFdFolder& Instance() {
    static ProcFdFolder instance;
    return instance;
  }

 private:
  std::atomic<int> folder{-1};
  std::mutex mutex;
};

// The *xattrat call on the entry of a descriptor; -1 with errno ENOSYS where the kernel or
// /proc cannot serve it, so that the caller takes the path.
template <typename Call>
long AtEntry(const char* entry, Call call) {
  if (noXattrAt.load(std::memory_order_relaxed)) {
    errno = ENOSYS;
    return -1;
  }
  const int folder = ProcFdFolder::Instance().Get();
  if (folder < 0) {
    errno = ENOSYS;
    return -1;
  }
  const long result = call(folder, entry);
  if (result < 0 && errno == ENOSYS) {
    noXattrAt.store(true, std::memory_order_relaxed);
  }
  return result;
}

// Reads a value with the call given; a value longer than the first buffer is fetched whole.
template <typename Get>
ssize_t ReadWith(Get get, std::string& value) {
  char buffer[256];
  ssize_t length = get(buffer, sizeof buffer);
  if (length >= 0) {
    value.assign(buffer, static_cast<std::size_t>(length));
    return length;
  }
  while (errno == ERANGE) {
    const ssize_t needed = get(nullptr, 0);
    if (needed < 0) {
      return needed;
    }
    value.resize(static_cast<std::size_t>(needed));
    length = get(value.data(), value.size());
    if (length >= 0) {
      value.resize(static_cast<std::size_t>(length));
      return length;
    }
  }
  return length;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd >= 0) {
      close(fd);
    }
    fd = other.Release();
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (fd >= 0) {
    close(fd);
  }
}

int UniqueFd::Release() {
  const int released = fd;
  fd = -1;
  return released;
}

FileRef FileRef::Descriptor(int fd) {
  FileRef file;
  file.fd = fd;
  constexpr char kFolder[] = "/proc/self/fd/";
  std::memcpy(file.procPath, kFolder, sizeof kFolder - 1);
  char* const number = file.procPath + sizeof kFolder - 1;
  const auto [end, error] = std::to_chars(number, file.procPath + sizeof file.procPath - 1, fd);
  static_cast<void>(error);  // an int always fits
  *end = '\0';
  file.entryAt = static_cast<std::uint8_t>(number - file.procPath);
  return file;
}

FileRef FileRef::Name(std::string path) {
  FileRef file;
  file.path = std::move(path);
  return file;
}

const char* FileRef::CallName() const {
  return fd >= 0 ? procPath : path.c_str();
}

NativeError FileRef::Stat(struct statx& info) const {
  const int result =
      fd >= 0 ? statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, kStatxWanted, &info)
              : statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, kStatxWanted, &info);
  return result == 0 ? 0 : errno;
}

NativeError FileRef::VolumeOf(struct statfs& volume) const {
  // fstatfs takes an O_PATH descriptor.
  const int result = fd >= 0 ? fstatfs(fd, &volume) : statfs(path.c_str(), &volume);
  return result == 0 ? 0 : errno;
}

SavedValue FileRef::Get(const char* name, NativeError* error, bool* unsupported) const {
  SavedValue saved;
  saved.name = name;
  std::string bytes;
  const ssize_t length = ReadWith(
      [&](char* buffer, std::size_t size) -> ssize_t {
        if (fd >= 0) {
          XattrArgs args{reinterpret_cast<std::uintptr_t>(buffer), static_cast<std::uint32_t>(size),
                         0};
          const long result = AtEntry(Entry(), [&](int folder, const char* at) {
            return syscall(SYS_getxattrat, folder, at, 0, name, &args, sizeof args);
          });
          if (result >= 0 || errno != ENOSYS) {
            return result;
          }
        }
        return getxattr(CallName(), name, buffer, size);
      },
      bytes);
  if (length >= 0) {
    saved.known = true;
    saved.bytes = std::move(bytes);
    return saved;
  }
  const NativeError why = errno;
  // Only "no such value" is an absence, and a volume that keeps none has none to lose; any
  // other failure (no permission to read it, an I/O error) leaves it unknown.
  const bool none = why == ENODATA || why == ENOTSUP;
  saved.known = none;
  if (why == ENOTSUP && unsupported != nullptr) {
    *unsupported = true;
  }
  if (!none && error != nullptr) {
    *error = why;
  }
  return saved;
}

NativeError FileRef::Set(const char* name, std::string_view bytes) const {
  if (fd >= 0) {
    XattrArgs args{reinterpret_cast<std::uintptr_t>(bytes.data()),
                   static_cast<std::uint32_t>(bytes.size()), 0};
    const long result = AtEntry(Entry(), [&](int folder, const char* at) {
      return syscall(SYS_setxattrat, folder, at, 0, name, &args, sizeof args);
    });
    if (result >= 0 || errno != ENOSYS) {
      return result == 0 ? 0 : errno;
    }
  }
  return setxattr(CallName(), name, bytes.data(), bytes.size(), 0) == 0 ? 0 : errno;
}

NativeError FileRef::Remove(const char* name) const {
  long result = -1;
  errno = ENOSYS;
  if (fd >= 0) {
    result = AtEntry(Entry(), [&](int folder, const char* at) {
      return syscall(SYS_removexattrat, folder, at, 0, name);
    });
  }
  if (result < 0 && errno == ENOSYS) {
    result = removexattr(CallName(), name);
  }
  if (result == 0) {
    return 0;
  }
  return errno == ENODATA ? 0 : errno;
}

NativeError FileRef::ChangeMode(mode_t mode) const {
  if (fd >= 0 && !noFchmodat2.load(std::memory_order_relaxed)) {
    if (syscall(SYS_fchmodat2, fd, "", mode & 07777, AT_EMPTY_PATH) == 0) {
      return 0;
    }
    if (errno != ENOSYS && errno != EINVAL) {
      return errno;
    }
    noFchmodat2.store(true, std::memory_order_relaxed);
  }
  return chmod(CallName(), mode & 07777) == 0 ? 0 : errno;
}

NativeError FileRef::SetTimes(const struct timespec times[2]) const {
  const int result = fd >= 0 ? utimensat(fd, "", times, AT_EMPTY_PATH)
                             : utimensat(AT_FDCWD, path.c_str(), times, 0);
  return result == 0 ? 0 : errno;
}

bool FileRef::MayWrite() const {
  const int result = fd >= 0 ? faccessat(fd, "", W_OK, AT_EMPTY_PATH | AT_EACCESS)
                             : faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS);
  return result == 0;
}

UniqueFd FileRef::OpenForReading() const {
  if (fd < 0) {
    // Resolved once here too: what is looked at is what is opened.
    const UniqueFd resolved(open(path.c_str(), O_PATH | O_CLOEXEC));
    return resolved ? Descriptor(resolved.Get()).OpenForReading() : UniqueFd();
  }
  struct statx info {};
  if (Stat(info) != 0) {
    return UniqueFd();
  }
  if (!S_ISREG(info.stx_mode) && !S_ISDIR(info.stx_mode)) {
    errno = ENOTTY;
    return UniqueFd();
  }
  // Through the descriptor's /proc entry: the file that was opened, never what the name
  // names now.
  return UniqueFd(open(CallName(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

}  // namespace tempinex::platform::linux_fs
