// Attributes, time stamps, the write probe and rename on Linux, with the Windows notions kept
// in user.DOSATTRIB and the mode bits the way Samba and Wine keep them.

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <unordered_map>

#include "file_name.hpp"
#include "linux_inode.hpp"
#include "linux_visit.hpp"
#include "platform.hpp"

namespace tempinex::platform {

namespace {

using linux_fs::Inode;

constexpr std::uint32_t kEditable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::uint32_t kNeedXattr = kAttrHidden | kAttrSystem | kAttrArchive;

NativeError NativeName(const std::u16string& path, std::string& native) {
  auto encoded = EncodeFileName(path);
  if (!encoded || encoded->empty()) {
    return EINVAL;
  }
  native = std::move(*encoded);
  return 0;
}

// Keeps what is now known of native for the rest of a visit to it.
void Remember(const std::string& native, const Inode& inode) {
  if (linux_fs::VisitMemo* memo = linux_fs::MemoFor(native)) {
    memo->inode = inode;
  }
}

// Drops what a visit to native knew, after a call whose effect on the file is not known.
void Forget(const std::string& native) {
  if (linux_fs::VisitMemo* memo = linux_fs::MemoFor(native)) {
    memo->inode.reset();
    linux_fs::CloseParked(*memo);
  }
}

// True when this user may read the file as well as write it. Only root and the owner can set
// a file's times, so only their answer must be exact: root reads anything, and the owner's
// access is the owner's bits, which no access list narrows.
bool MayRead(const Inode& inode) {
  if ((inode.info.stx_mode & 0444) == 0444) {
    return true;
  }
  const uid_t user = geteuid();
  return user == 0 || (user == inode.info.stx_uid && (inode.info.stx_mode & S_IRUSR));
}

// The descriptor the writability test of this visit left open, when it may stand for a new
// open for reading and writing: it is open for writing, and this user may read the file.
int TakeParked(linux_fs::VisitMemo* memo) {
  if (memo == nullptr || memo->parkedFd < 0) {
    return -1;
  }
  if (!memo->inode || !MayRead(*memo->inode)) {
    linux_fs::CloseParked(*memo);
    return -1;
  }
  const int fd = memo->parkedFd;
  memo->parkedFd = -1;
  return fd;
}

int OpenForReadWrite(const std::string& native) {
  return open(native.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// The file's name as bytes, and what the file system says about it now.
NativeError ReadNamedInode(const std::u16string& path, std::string& native, Inode& inode) {
  if (NativeError error = NativeName(path, native); error != 0) {
    return error;
  }
  const NativeError error = linux_fs::ReadInode(native, inode);
  if (error == 0) {
    Remember(native, inode);
  } else {
    Forget(native);
  }
  return error;
}

// The same, answered from the visit under way when an earlier call of it learnt the file.
NativeError RecallNamedInode(const std::u16string& path, std::string& native, Inode& inode) {
  if (NativeError error = NativeName(path, native); error != 0) {
    return error;
  }
  if (const linux_fs::VisitMemo* memo = linux_fs::MemoFor(native); memo && memo->inode) {
    inode = *memo->inode;
    return 0;
  }
  return ReadNamedInode(path, native, inode);
}

std::uint32_t AttributesOf(const Inode& inode, const std::string& native) {
  std::uint32_t attributes = linux_fs::AttributeWord(inode, native);
  if (linux_fs::IsCompressed(inode, native)) {
    attributes |= kAttrCompressed;
  }
  return attributes;
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// Write bits given back to a file made writable, as Wine does: the owner's always, and the
// group's and others' where they may read, less the umask.
mode_t WritableMode(mode_t mode) {
  return mode | ((0600 | ((mode & 044) >> 1)) & ~CurrentUmask());
}

NativeError ChangeMode(const std::string& native, Inode& inode, mode_t mode) {
  if (chmod(native.c_str(), mode & 07777) != 0) {
    return errno;
  }
  inode.info.stx_mode = static_cast<std::uint16_t>((inode.info.stx_mode & S_IFMT) | (mode & 07777));
  return 0;
}

// Stores the new attribute set; where the file system keeps no extended attributes, only a
// set that reads back the same without one is accepted.
NativeError StoreAttributes(const std::string& native, Inode& inode, const DosAttrib& info) {
  const std::uint32_t implicit = linux_fs::ImplicitBits(inode, native);
  const bool unchanged = inode.dos ? inode.dos->attrib == info.attrib : info.attrib == implicit;
  if (unchanged) {
    return 0;
  }
  const NativeError error = linux_fs::StoreDosAttrib(native, -1, info);
  if (error == 0) {
    inode.dos = info;
  }
  const bool readsBackWithout = (info.attrib & kNeedXattr) == (implicit & kNeedXattr);
  if (error == ENOTSUP && readsBackWithout) {
    return 0;
  }
  return error;
}

DosAttrib NewAttributes(const Inode& inode, const std::string& native, std::uint32_t attributes) {
  constexpr std::uint32_t kNeverStored = kEditable | kAttrNormal | kAttrCompressed | kAttrDirectory;
  const std::uint32_t base = inode.dos ? inode.dos->attrib : linux_fs::ImplicitBits(inode, native);
  DosAttrib info;
  info.attrib = (base & ~kNeverStored) | (attributes & kEditable) |
                (linux_fs::IsDirectory(inode) ? kAttrDirectory : 0);
  info.createTime = inode.dos ? inode.dos->createTime : 0;
  return info;
}

NativeError CanClearReadOnly(const Inode& inode, const std::string& native) {
  const uid_t user = geteuid();
  if (user != 0 && user != inode.info.stx_uid) {
    return EPERM;
  }
  struct statvfs volume {};
  if (statvfs(native.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY)) {
    return EROFS;
  }
  return 0;
}

// What was read of a file when it was opened for the time write, kept until it is closed so
// that the creation time can be stored without reading the file again.
struct OpenedFile {
  std::string native;
  std::optional<DosAttrib> dos;
  std::uint32_t implicitBits = 0;
};

class OpenedFiles {
 public:
  void Add(int fd, OpenedFile file) {
    std::lock_guard lock(mutex);
    files[fd] = std::move(file);
  }
  OpenedFile* Find(int fd) {
    std::lock_guard lock(mutex);
    const auto found = files.find(fd);
    return found == files.end() ? nullptr : &found->second;
  }
  void Remove(int fd) {
    std::lock_guard lock(mutex);
    files.erase(fd);
  }

 private:
  std::mutex mutex;
  std::unordered_map<int, OpenedFile> files;
};

OpenedFiles& Opened() {
  static OpenedFiles opened;
  return opened;
}

// Replaces the attribute set of the file inode describes, and keeps inode up to date.
NativeError ReplaceAttributes(const std::string& native, Inode& inode, std::uint32_t attributes) {
  const DosAttrib info = NewAttributes(inode, native, attributes);
  const mode_t mode = inode.info.stx_mode;
  if (attributes & kAttrReadOnly) {
    // Attribute first: once the write bits are gone the owner may no longer set it.
    if (NativeError error = StoreAttributes(native, inode, info); error != 0) {
      return error;
    }
    const bool dropWriteBits = !linux_fs::IsDirectory(inode) && linux_fs::HasWriteBits(inode);
    return dropWriteBits ? ChangeMode(native, inode, mode & ~0222) : 0;
  }
  if (!linux_fs::HasWriteBits(inode)) {
    if (NativeError error = ChangeMode(native, inode, WritableMode(mode)); error != 0) {
      return error;
    }
  }
  return StoreAttributes(native, inode, info);
}

NativeError MoveByLink(const std::string& from, const std::string& to) {
  struct stat info {};
  if (lstat(from.c_str(), &info) != 0) {
    return errno;
  }
  if (!S_ISREG(info.st_mode)) {
    return EINVAL;
  }
  if (link(from.c_str(), to.c_str()) != 0) {
    return errno;  // EEXIST: the target is never replaced
  }
  if (unlink(from.c_str()) != 0) {
    const NativeError error = errno;
    unlink(to.c_str());
    return error;
  }
  return 0;
}

}  // namespace

NativeError GetAttributeData(const std::u16string& path, AttributeData& data) {
  std::string native;
  Inode inode;
  if (NativeError error = ReadNamedInode(path, native, inode); error != 0) {
    return error;
  }
  data.attributes = AttributesOf(inode, native);
  if (inode.dos && inode.dos->createTime != 0) {
    data.creation = inode.dos->createTime;
  } else if (inode.info.stx_mask & STATX_BTIME) {
    data.creation = linux_fs::FileTimeFromTimestamp(inode.info.stx_btime);
  } else {
    data.creation = 0;
  }
  data.lastAccess = linux_fs::FileTimeFromTimestamp(inode.info.stx_atime);
  data.lastWrite = linux_fs::FileTimeFromTimestamp(inode.info.stx_mtime);
  data.size = linux_fs::IsDirectory(inode) ? 0 : inode.info.stx_size;
  return 0;
}

NativeError GetAttributes(const std::u16string& path, std::uint32_t& attributes) {
  std::string native;
  Inode inode;
  const NativeError error = RecallNamedInode(path, native, inode);
  attributes = error == 0 ? AttributesOf(inode, native) : kInvalidAttributes;
  return error;
}

NativeError SetAttributes(const std::u16string& path, std::uint32_t attributes) {
  std::string native;
  Inode inode;
  if (NativeError error = RecallNamedInode(path, native, inode); error != 0) {
    return error;
  }
  const NativeError error = ReplaceAttributes(native, inode, attributes);
  if (error == 0) {
    Remember(native, inode);
  } else {
    Forget(native);
  }
  return error;
}

NativeError OpenForTimeWrite(const std::u16string& path, FileHandle& handle) {
  std::string native;
  if (NativeError error = NativeName(path, native); error != 0) {
    return error;
  }
  // Directories, pipes and devices are never opened, and a file without write bits is
  // read-only: refused before the open, whatever the user's privileges. Asked afresh even
  // within a visit: a file deleted or replaced since the visit began is met as it is now.
  linux_fs::VisitMemo* memo = linux_fs::MemoFor(native);
  Inode named;
  if (statx(AT_FDCWD, native.c_str(), AT_STATX_SYNC_AS_STAT, STATX_TYPE | STATX_MODE | STATX_INO,
            &named.info) != 0) {
    const NativeError error = errno;
    Forget(native);
    return error;
  }
  if (!linux_fs::IsRegular(named) || !linux_fs::HasWriteBits(named)) {
    Forget(native);
    return EACCES;
  }
  int fd = TakeParked(memo);
  Inode opened;
  // The writability test's descriptor stands in for the open only while the path still names
  // the file it was opened on.
  if (fd >= 0 && (linux_fs::ReadInodeInfo(fd, opened) != 0 || !linux_fs::SameFile(named, opened))) {
    close(fd);
    fd = -1;
  }
  if (fd < 0) {
    fd = OpenForReadWrite(native);
    if (fd < 0) {
      const NativeError error = errno;
      Forget(native);
      return error;
    }
    opened = Inode{};
    if (linux_fs::ReadInodeInfo(fd, opened) != 0) {
      close(fd);
      Forget(native);
      return EACCES;
    }
  }
  // Checked again on what was opened: it may have been replaced since it was looked at, and
  // the read-only bit of user.DOSATTRIB may only be known now.
  if (memo && memo->inode && linux_fs::SameFile(*memo->inode, opened)) {
    opened.dos = memo->inode->dos;
  } else {
    linux_fs::ReadDos(fd, opened);
  }
  const bool usable =
      linux_fs::IsRegular(opened) && !(linux_fs::AttributeWord(opened, native) & kAttrReadOnly);
  if (!usable) {
    close(fd);
    Forget(native);
    return EACCES;
  }
  Remember(native, opened);
  handle.value = fd;
  Opened().Add(fd, {native, opened.dos, linux_fs::ImplicitBits(opened, native)});
  return 0;
}

NativeError SetFileTimes(FileHandle handle, const FileTime* creation, const FileTime* lastAccess,
                         const FileTime* lastWrite) {
  const int fd = static_cast<int>(handle.value);
  if (lastAccess || lastWrite) {
    struct timespec times[2];
    times[0] = lastAccess ? linux_fs::TimespecFromFileTime(*lastAccess) : timespec{0, UTIME_OMIT};
    times[1] = lastWrite ? linux_fs::TimespecFromFileTime(*lastWrite) : timespec{0, UTIME_OMIT};
    if (futimens(fd, times) != 0) {
      const NativeError error = errno;
      if (const OpenedFile* opened = Opened().Find(fd)) {
        Forget(opened->native);
      }
      return error;
    }
  }
  if (!creation) {
    return 0;
  }
  // Linux cannot set a birth time; the creation time lives where Samba keeps it.
  OpenedFile* opened = Opened().Find(fd);
  if (opened == nullptr) {
    return EBADF;
  }
  DosAttrib info = opened->dos.value_or(DosAttrib{opened->implicitBits, 0});
  info.createTime = *creation;
  const NativeError error = linux_fs::StoreDosAttrib({}, fd, info);
  linux_fs::VisitMemo* memo = linux_fs::MemoFor(opened->native);
  if (error == 0) {
    opened->dos = info;
    if (memo && memo->inode) {
      memo->inode->dos = info;
    }
  } else {
    Forget(opened->native);
  }
  return error;
}

NativeError CloseFile(FileHandle handle) {
  const int fd = static_cast<int>(handle.value);
  Opened().Remove(fd);
  return close(fd) == 0 ? 0 : errno;
}

NativeError ProbeOpenForWrite(const std::u16string& path, bool readOnlyBeingCleared) {
  std::string native;
  Inode inode;
  if (NativeError error = RecallNamedInode(path, native, inode); error != 0) {
    return error;
  }
  if (!linux_fs::IsRegular(inode)) {
    return EACCES;
  }
  if (linux_fs::AttributeWord(inode, native) & kAttrReadOnly) {
    if (!readOnlyBeingCleared) {
      return EACCES;
    }
    if (!linux_fs::HasWriteBits(inode)) {
      return CanClearReadOnly(inode, native);
    }
  }
  const int fd = open(native.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  // Within a visit the descriptor is kept for the time write that usually follows; it is
  // closed with the visit otherwise.
  if (linux_fs::VisitMemo* memo = linux_fs::MemoFor(native)) {
    linux_fs::CloseParked(*memo);
    memo->parkedFd = fd;
    return 0;
  }
  close(fd);
  return 0;
}

NativeError MoveFile(const std::u16string& from, const std::u16string& to) {
  std::string nativeFrom;
  std::string nativeTo;
  if (NativeError error = NativeName(from, nativeFrom); error != 0) {
    return error;
  }
  if (NativeError error = NativeName(to, nativeTo); error != 0) {
    return error;
  }
  Forget(nativeFrom);
  Forget(nativeTo);
  if (renameat2(AT_FDCWD, nativeFrom.c_str(), AT_FDCWD, nativeTo.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  const NativeError error = errno;
  // File systems without the no-replace flag (NFS, for one) answer EINVAL.
  if (error == EINVAL || error == ENOSYS) {
    return MoveByLink(nativeFrom, nativeTo);
  }
  return error;
}

}  // namespace tempinex::platform
