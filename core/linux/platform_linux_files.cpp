// Attributes, time stamps, the write probe and rename on Linux. Where the Windows notions are
// kept is the business of the volume's attribute store.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <unordered_map>

#include "file_name.hpp"
#include "linux_inode.hpp"
#include "linux_visit.hpp"
#include "platform.hpp"
#include "writability.hpp"

namespace tempinex::platform {

namespace {

using linux_fs::Inode;

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
  const uid_t user = linux_fs::EffectiveUser();
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
  if (inode.store->IsCompressed(inode, native)) {
    attributes |= kAttrCompressed;
  }
  return attributes;
}

// What was read of a file when it was opened for the time write, kept until it is closed so
// that the creation time can be stored without reading the file again.
struct OpenedFile {
  std::string native;
  Inode inode;
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
  data.creation = inode.store->CreationTime(inode);
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
  linux_fs::NoteStep(native, inode, false);
  const NativeError error = inode.store->WriteAttributes(native, inode, attributes);
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
  if (NativeError error = linux_fs::ReadInodeInfo(native, named); error != 0) {
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
  // the file it was opened on: the one the test looked at just before opening it.
  if (fd >= 0 && memo->inode && linux_fs::SameFile(named, *memo->inode)) {
    opened.info = named.info;
  } else if (fd >= 0) {
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
    opened.store = memo->inode->store;
    opened.record = memo->inode->record;
  } else {
    linux_fs::ReadRecord(fd, opened);
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
  Opened().Add(fd, {native, opened});
  return 0;
}

NativeError SetFileTimes(FileHandle handle, const FileTime* creation, const FileTime* lastAccess,
                         const FileTime* lastWrite) {
  const int fd = static_cast<int>(handle.value);
  OpenedFile* opened = Opened().Find(fd);
  if (opened == nullptr) {
    return EBADF;
  }
  Inode& inode = opened->inode;
  linux_fs::NoteStep(opened->native, inode, true);
  const NativeError error =
      inode.store->WriteTimes(opened->native, fd, inode, creation, lastAccess, lastWrite);
  if (error != 0) {
    Forget(opened->native);
    return error;
  }
  linux_fs::VisitMemo* memo = linux_fs::MemoFor(opened->native);
  if (memo && memo->inode) {
    memo->inode->record = inode.record;
  }
  return 0;
}

NativeError CloseFile(FileHandle handle) {
  const int fd = static_cast<int>(handle.value);
  Opened().Remove(fd);
  return close(fd) == 0 ? 0 : errno;
}

NativeError ProbeOpenForWrite(const std::u16string& path, const PlannedChange& change) {
  std::string native;
  Inode inode;
  if (NativeError error = RecallNamedInode(path, native, inode); error != 0) {
    return error;
  }
  if (NativeError refusal = inode.store->Refusal(inode, native, change); refusal != 0) {
    return refusal;
  }
  if (linux_fs::VisitMemo* memo = linux_fs::MemoFor(native)) {
    memo->planned = change;
  }
  if (!linux_fs::HasWriteBits(inode)) {
    return 0;  // made writable before anything else is written; nothing to open yet
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
