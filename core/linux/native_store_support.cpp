#include "native_store_support.hpp"

#include <unistd.h>

#include <cerrno>

#include "writability.hpp"

namespace tempinex::platform::linux_fs {

std::uint32_t ShownWord(std::uint32_t kept, const Inode& inode) {
  std::uint32_t word = kept & ~(kAttrDirectory | kAttrNormal | kAttrCompressed);
  if (IsDirectory(inode)) {
    word |= kAttrDirectory;
  }
  return word == 0 ? kAttrNormal : word;
}

NativeError CommonRefusal(const Inode& inode, const std::string& path, std::uint32_t word,
                          const PlannedChange& change, bool valuesNeedOwner) {
  if (!IsRegular(inode)) {
    return EACCES;
  }
  if (word & kAttrReadOnly) {
    const bool cleared =
        change.attributes && change.mayClearReadOnly && !(change.newAttributes & kAttrReadOnly);
    if (!cleared) {
      return EACCES;
    }
  }
  // The kernel's own rules: owner for explicit times, nothing on an immutable file, ...
  PlannedSteps steps;
  steps.times = change.lastWrite || change.lastAccess;
  steps.values = change.attributes || change.creation;
  steps.valuesNeedOwner = valuesNeedOwner;
  steps.madeWritable = change.attributes && !(change.newAttributes & kAttrReadOnly) &&
                       (word & kAttrReadOnly) && !HasWriteBits(inode);
  return KernelRefusal(inode, path, steps);
}

NativeError BirthTimeRefusal(const PlannedChange& change) {
  // No system call sets a birth time: the file system cannot store one.
  return change.creation ? ENOTSUP : 0;
}

FileTime BirthTime(const Inode& inode) {
  return (inode.info.stx_mask & STATX_BTIME) ? FileTimeFromTimestamp(inode.info.stx_btime) : 0;
}

std::uint32_t WordWithWriteBits(const Inode& inode, std::uint32_t kept) {
  return ShownWord(HasWriteBits(inode) ? kept : kept | kAttrReadOnly, inode);
}

NativeError WriteTimesBesideBirthTime(int fd, const FileTime* creation, const FileTime* lastAccess,
                                      const FileTime* lastWrite) {
  if (creation) {
    return ENOTSUP;  // refused before anything is written; never half-done here either
  }
  return SetTimesOnDescriptor(fd, lastAccess, lastWrite);
}

void RereadInfo(const std::string& path, int fd, Inode& inode) {
  Inode fresh;
  const NativeError error =
      fd >= 0 ? ReadInodeInfo(fd, fresh)
              : (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT,
                       STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID, &fresh.info) == 0
                     ? 0
                     : errno);
  if (error == 0) {
    inode.info = fresh.info;
  }
}

bool StillTheFile(const std::string& path, const Snapshot& snapshot) {
  Inode now;
  const int fd = OpenSnapshotFile(path, snapshot, now);
  if (fd < 0) {
    return false;
  }
  close(fd);
  return true;
}

NativeError RestoreTimes(const std::string& path, const Snapshot& snapshot) {
  const struct timespec times[2] = {snapshot.lastAccess, snapshot.lastWrite};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
}

NativeError RestoreReadValues(const std::string& path, const std::array<StoredValue, 2>& raw) {
  for (const StoredValue& stored : raw) {
    if (stored.name == nullptr || !stored.known || !stored.value) {
      continue;
    }
    if (NativeError error = StoreValue(path, -1, stored.name, *stored.value); error != 0) {
      return error;
    }
  }
  return 0;
}

}  // namespace tempinex::platform::linux_fs
