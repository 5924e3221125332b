// FAT and exFAT volumes: the attribute byte of the directory entry, through the drivers'
// FAT_IOCTL_GET_ATTRIBUTES and FAT_IOCTL_SET_ATTRIBUTES (<linux/msdos_fs.h>) on a descriptor.
// The drivers mirror read-only in the write bits, keep volume and directory themselves and
// take no attributes on the root folder. The creation time is the birth time: shown, never
// settable. exfat, and vfat mounted sys_immutable, refuse any set that involves System
// (set before or after) without CAP_LINUX_IMMUTABLE; vfat mounted sys_immutable also makes a
// file with System immutable, so that its times cannot be set at all.

#include <linux/capability.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "native_store_support.hpp"
#include "writability.hpp"

namespace tempinex::platform::linux_fs {

namespace {

// The slot of a snapshot that holds the attribute byte as read; not an extended attribute.
constexpr char kFatSlotName[] = "FAT attributes";

// The bits the drivers keep of their own accord, never sent as ours.
constexpr std::uint32_t kDriverBits = ATTR_VOLUME | ATTR_DIR;

int OpenForIoctl(const std::string& path, const Inode& inode) {
  if (!IsRegular(inode) && !IsDirectory(inode)) {
    errno = ENOTTY;  // never open a device or a pipe just to ask
    return -1;
  }
  return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// The attribute byte of the file open as fd, or named by path when fd < 0.
NativeError GetAttributes(const std::string& path, int fd, const Inode& inode,
                          std::uint32_t& attributes) {
  const int own = fd >= 0 ? -1 : OpenForIoctl(path, inode);
  const int used = fd >= 0 ? fd : own;
  if (used < 0) {
    return errno;
  }
  const NativeError error = ioctl(used, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0 ? 0 : errno;
  if (own >= 0) {
    close(own);
  }
  return error;
}

NativeError SetAttributes(const std::string& path, Inode& inode, std::uint32_t attributes) {
  const int fd = OpenForIoctl(path, inode);
  if (fd < 0) {
    return errno;
  }
  const NativeError error = ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes) == 0 ? 0 : errno;
  if (error == 0) {
    RereadInfo(path, fd, inode);  // the driver has moved the write bits
  }
  close(fd);
  return error;
}

class FatLayout final : public AttributeStore {
 public:
  explicit FatLayout(StoreKind kind) : kind(kind) {}

  StoreKind Kind() const override { return kind; }

  void ReadRecord(const std::string& path, int fd, Inode& inode) const override {
    inode.record = StoreRecord{};
    std::uint32_t attributes = 0;
    // The root folder answers too; a file whose byte cannot be read keeps no record.
    if (GetAttributes(path, fd, inode, attributes) == 0) {
      inode.record.kept = true;
      inode.record.attributes = attributes;
      inode.record.raw[0] = StoredValue{kFatSlotName, true, BytesOf(attributes)};
    }
  }

  std::uint32_t AttributeWord(const Inode& inode, std::string_view) const override {
    std::uint32_t word = inode.record.kept ? inode.record.attributes & ~ATTR_VOLUME : 0;
    if (!HasWriteBits(inode) && !IsDirectory(inode)) {
      word |= kAttrReadOnly;
    }
    return ShownWord(word, inode);
  }

  bool IsCompressed(const Inode&, const std::string&) const override { return false; }

  FileTime CreationTime(const Inode& inode) const override { return BirthTime(inode); }

  NativeError Refusal(const Inode& inode, const std::string& path,
                      const PlannedChange& change) const override {
    if (NativeError error = CommonRefusal(inode, path, AttributeWord(inode, path), change, true);
        error != 0) {
      return error;
    }
    if (NativeError error = BirthTimeRefusal(change); error != 0) {
      return error;
    }
    const bool immutable = kind == StoreKind::kVfatSysImmutable && inode.record.kept &&
                           (inode.record.attributes & ATTR_SYS);
    if (immutable && (change.lastWrite || change.lastAccess)) {
      return EPERM;
    }
    if (change.attributes && SystemNeedsCapability()) {
      const std::uint32_t old = inode.record.attributes;
      const std::uint32_t wanted = NewByte(inode, change.newAttributes);
      const bool written = !inode.record.kept || wanted != (old & ~kDriverBits);
      if (written && ((wanted | old) & ATTR_SYS) && !HasCapability(CAP_LINUX_IMMUTABLE)) {
        return EPERM;
      }
    }
    return 0;
  }

  NativeError WriteAttributes(const std::string& path, Inode& inode,
                              std::uint32_t attributes) const override {
    const std::uint32_t wanted = NewByte(inode, attributes);
    if (inode.record.kept && wanted == (inode.record.attributes & ~kDriverBits)) {
      return 0;
    }
    if (NativeError error = SetAttributes(path, inode, wanted); error != 0) {
      return error;
    }
    const std::uint32_t kept = inode.record.attributes & kDriverBits;
    inode.record.kept = true;
    inode.record.attributes = wanted | kept | (IsDirectory(inode) ? ATTR_DIR : 0);
    return 0;
  }

  NativeError WriteTimes(const std::string&, int fd, Inode&, const FileTime* creation,
                         const FileTime* lastAccess, const FileTime* lastWrite) const override {
    return WriteTimesBesideBirthTime(fd, creation, lastAccess, lastWrite);
  }

  Snapshot Take(const Inode& inode) const override { return SnapshotOf(inode); }

  NativeError Restore(const std::string& path, const Snapshot& snapshot) const override {
    if (!StillTheFile(path, snapshot)) {
      return ENOENT;
    }
    NativeError first = 0;
    std::uint32_t old = 0;
    if (snapshot.attributesWritten && NumberOf(snapshot.raw[0], old)) {
      Inode inode;  // only asked whether the file may be opened: folders open the same way
      inode.info.stx_mode = static_cast<std::uint16_t>(S_IFREG | snapshot.mode);
      first = SetAttributes(path, inode, old & ~kDriverBits);  // the mode follows the byte
    }
    if (snapshot.timesWritten) {
      const NativeError error = RestoreTimes(path, snapshot);
      first = first != 0 ? first : error;
    }
    return first;
  }

 private:
  bool SystemNeedsCapability() const { return kind != StoreKind::kVfat; }

  // The byte a new attribute set stores: the bits this program does not edit stay.
  static std::uint32_t NewByte(const Inode& inode, std::uint32_t attributes) {
    const std::uint32_t base = inode.record.kept ? inode.record.attributes : 0;
    return (base & 0xff & ~(kEditableBits | kDriverBits)) | (attributes & kEditableBits);
  }

  StoreKind kind;
};

}  // namespace

const AttributeStore& FatStore(StoreKind kind) {
  static const FatLayout vfat(StoreKind::kVfat);
  static const FatLayout sysImmutable(StoreKind::kVfatSysImmutable);
  static const FatLayout exfat(StoreKind::kExfat);
  switch (kind) {
    case StoreKind::kVfatSysImmutable:
      return sysImmutable;
    case StoreKind::kExfat:
      return exfat;
    default:
      return vfat;
  }
}

}  // namespace tempinex::platform::linux_fs
