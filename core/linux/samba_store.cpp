// The Samba layout: hidden, system, archive and the creation time in user.DOSATTRIB, the way
// Samba and Wine keep them, read-only in the mode bits and in user.DOSATTRIB as well (Samba
// takes read-only from the value, never from the mode). Serves every volume that keeps no
// Windows notions of its own.

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "dos_attrib.hpp"
#include "linux_inode.hpp"
#include "linux_visit.hpp"
#include "writability.hpp"

namespace tempinex::platform::linux_fs {

namespace {

constexpr std::uint32_t kEditable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::uint32_t kNeedXattr = kAttrHidden | kAttrSystem | kAttrArchive;

std::optional<DosAttrib> DosOf(const Inode& inode) {
  if (!inode.record.kept) {
    return std::nullopt;
  }
  return DosAttrib{inode.record.attributes, inode.record.creation};
}

void KeepDos(Inode& inode, const DosAttrib& info, std::string value) {
  inode.record.kept = true;
  inode.record.attributes = info.attrib;
  inode.record.creation = info.createTime;
  inode.record.raw[0] = StoredValue{kDosAttribName, true, std::move(value)};
}

// The bits a file has when it carries no user.DOSATTRIB: hidden for a dot name, archive for
// everything but a directory, and the directory bit.
std::uint32_t ImplicitBits(const Inode& inode, std::string_view path) {
  std::uint32_t bits = IsDirectory(inode) ? kAttrDirectory : kAttrArchive;
  if (IsDotName(path)) {
    bits |= kAttrHidden;
  }
  return bits;
}

NativeError StoreDos(const std::string& path, int fd, Inode& inode, const DosAttrib& info) {
  std::string value = EncodeDosAttrib(info);
  const NativeError error = StoreValue(path, fd, kDosAttribName, value);
  if (error == 0) {
    KeepDos(inode, info, std::move(value));
  }
  return error;
}

// True when the file already reads as info says, with or without a stored value.
bool Unchanged(const Inode& inode, std::string_view path, const DosAttrib& info) {
  return inode.record.kept ? inode.record.attributes == info.attrib
                           : info.attrib == ImplicitBits(inode, path);
}

// Stores the new attribute set; where the file system keeps no extended attributes, only a
// set that reads back the same without one is accepted.
NativeError StoreAttributes(const std::string& path, Inode& inode, const DosAttrib& info) {
  if (Unchanged(inode, path, info)) {
    return 0;
  }
  const std::uint32_t implicit = ImplicitBits(inode, path);
  const NativeError error = StoreDos(path, -1, inode, info);
  const bool readsBackWithout = (info.attrib & kNeedXattr) == (implicit & kNeedXattr);
  if (error == ENOTSUP && readsBackWithout) {
    return 0;
  }
  return error;
}

DosAttrib NewAttributes(const Inode& inode, const std::string& path, std::uint32_t attributes) {
  constexpr std::uint32_t kNeverStored = kEditable | kAttrNormal | kAttrCompressed | kAttrDirectory;
  const std::uint32_t base =
      inode.record.kept ? inode.record.attributes : ImplicitBits(inode, path);
  DosAttrib info;
  info.attrib =
      (base & ~kNeverStored) | (attributes & kEditable) | (IsDirectory(inode) ? kAttrDirectory : 0);
  info.createTime = inode.record.kept ? inode.record.creation : 0;
  return info;
}

class SambaLayout final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kSamba; }

  void ReadRecord(const std::string& path, int fd, Inode& inode) const override {
    inode.record = StoreRecord{};
    StoredValue stored = ReadValue(path, fd, kDosAttribName);
    // A value in no known form reads as none, like a missing one.
    const std::optional<DosAttrib> dos =
        stored.value ? ParseDosAttrib(*stored.value) : std::nullopt;
    if (dos) {
      inode.record.kept = true;
      inode.record.attributes = dos->attrib;
      inode.record.creation = dos->createTime;
    }
    inode.record.raw[0] = std::move(stored);
  }

  std::uint32_t AttributeWord(const Inode& inode, std::string_view path) const override {
    // Directory, normal and compressed come from the file itself, never from the stored value.
    constexpr std::uint32_t kComputed = kAttrDirectory | kAttrNormal | kAttrCompressed;
    std::uint32_t word =
        inode.record.kept ? (inode.record.attributes & ~kComputed) : ImplicitBits(inode, path);
    if (IsDirectory(inode)) {
      word |= kAttrDirectory;
    }
    if (!HasWriteBits(inode)) {
      word |= kAttrReadOnly;
    }
    return word == 0 ? kAttrNormal : word;
  }

  bool IsCompressed(const Inode& inode, const std::string& path) const override {
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

  FileTime CreationTime(const Inode& inode) const override {
    if (inode.record.kept && inode.record.creation != 0) {
      return inode.record.creation;
    }
    if (inode.info.stx_mask & STATX_BTIME) {
      return FileTimeFromTimestamp(inode.info.stx_btime);
    }
    return 0;
  }

  NativeError Refusal(const Inode& inode, const std::string& path,
                      const PlannedChange& change) const override {
    if (!IsRegular(inode)) {
      return EACCES;
    }
    const bool setsReadOnly = change.attributes && (change.newAttributes & kAttrReadOnly);
    // A read-only file is written only when the user cleared its read-only box.
    if ((AttributeWord(inode, path) & kAttrReadOnly) &&
        !(change.attributes && !setsReadOnly && change.mayClearReadOnly)) {
      return EACCES;
    }
    PlannedSteps steps;
    steps.times = change.lastWrite || change.lastAccess;
    steps.values = change.creation;  // the creation time lives in user.DOSATTRIB
    if (change.attributes) {
      steps.values |= !Unchanged(inode, path, NewAttributes(inode, path, change.newAttributes));
      steps.madeWritable = !setsReadOnly && !HasWriteBits(inode);
      steps.mode = steps.madeWritable || (setsReadOnly && HasWriteBits(inode));
    }
    return KernelRefusal(inode, path, steps);
  }

  NativeError WriteAttributes(const std::string& path, Inode& inode,
                              std::uint32_t attributes) const override {
    const DosAttrib info = NewAttributes(inode, path, attributes);
    const mode_t mode = inode.info.stx_mode;
    if (attributes & kAttrReadOnly) {
      // Attribute first: once the write bits are gone the owner may no longer set it.
      if (NativeError error = StoreAttributes(path, inode, info); error != 0) {
        return error;
      }
      const bool dropWriteBits = !IsDirectory(inode) && HasWriteBits(inode);
      return dropWriteBits ? ChangeMode(path, inode, mode & ~0222) : 0;
    }
    if (!HasWriteBits(inode)) {
      if (NativeError error = ChangeMode(path, inode, WritableMode(mode)); error != 0) {
        return error;
      }
    }
    return StoreAttributes(path, inode, info);
  }

  NativeError WriteTimes(const std::string& path, int fd, Inode& inode, const FileTime* creation,
                         const FileTime* lastAccess, const FileTime* lastWrite) const override {
    if (NativeError error = SetTimesOnDescriptor(fd, lastAccess, lastWrite); error != 0) {
      return error;
    }
    if (!creation) {
      return 0;
    }
    // Linux cannot set a birth time; the creation time lives where Samba keeps it.
    DosAttrib info = DosOf(inode).value_or(DosAttrib{ImplicitBits(inode, path), 0});
    // The attribute step that follows the times of a writable file would write the same value
    // again: its new set goes in now, one write instead of two. Nothing shows earlier than it
    // did: the attributes still land after the last-write and last-access times, and a file
    // made read-only loses its write bits only after the value is stored.
    const VisitMemo* memo = MemoFor(path);
    if (memo && memo->planned && memo->planned->attributes &&
        !(AttributeWord(inode, path) & kAttrReadOnly)) {
      info = NewAttributes(inode, path, memo->planned->newAttributes);
    }
    info.createTime = *creation;
    return StoreDos(path, fd, inode, info);
  }

  Snapshot Take(const Inode& inode) const override { return SnapshotOf(inode); }

  NativeError Restore(const std::string& path, const Snapshot& snapshot) const override {
    Inode now;
    const int fd = OpenSnapshotFile(path, snapshot, now);
    if (fd < 0) {
      return errno;
    }
    const NativeError error = RestoreCommon(fd, now, snapshot);
    close(fd);
    return error;
  }
};

}  // namespace

const AttributeStore& SambaStore() {
  static const SambaLayout store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
