// FAT and exFAT volumes: the attribute byte of the directory entry, through the drivers'
// FAT_IOCTL_GET_ATTRIBUTES and FAT_IOCTL_SET_ATTRIBUTES (<linux/msdos_fs.h>) on a descriptor
// open for reading. The drivers mirror read-only in the write bits, keep volume and directory
// themselves and take no attributes on the root folder. The creation time is the birth time:
// shown, never settable. exfat, and vfat mounted sys_immutable, refuse any set that involves
// System (set before or after) without CAP_LINUX_IMMUTABLE; vfat mounted sys_immutable also
// makes a file with System immutable, so that its times cannot be set until System is off.
//
// The exFAT driver has the ioctls only from Linux 6.7; before, they answer ENOTTY (the store
// selection asks the first file of the volume). Such a volume shows what can be known without
// them: read-only from the write bits (the driver writes them to the entry's read-only bit),
// archive on a file, as every new file has it. Read-only can be set through the write bits and
// nothing else changed: the driver keeps the read-only bit it read from the entry, so write bits
// given back are lost at the next mount.

#include <linux/capability.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "native_store_support.hpp"
#include "value_names.hpp"

namespace tempinex::platform::linux_fs {

namespace {

// The bits the drivers keep of their own accord, never sent as ours.
constexpr std::uint32_t kDriverBits = ATTR_VOLUME | ATTR_DIR;

// The root folder has no directory entry, so nothing to keep its attributes and times in. Both
// drivers give it inode number 1 (MSDOS_ROOT_INO, EXFAT_ROOT_INO) and answer EINVAL to any byte
// but the directory bit; new times succeed and are lost (vfat drops them at once, exfat at the
// next mount).
bool IsRootFolder(const Inode& inode) {
  return inode.info.stx_ino == 1 && IsDirectory(inode);
}

NativeError GetByte(const FileRef& file, std::uint32_t& attributes) {
  const UniqueFd readable = file.OpenForReading();
  if (!readable) {
    return errno;
  }
  return ioctl(readable.Get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0 ? 0 : errno;
}

NativeError SetByte(const FileRef& file, Inode& inode, std::uint32_t attributes) {
  const UniqueFd readable = file.OpenForReading();
  if (!readable) {
    return errno;
  }
  if (ioctl(readable.Get(), FAT_IOCTL_SET_ATTRIBUTES, &attributes) != 0) {
    return errno;
  }
  RereadInfo(file, inode);  // the driver has moved the write bits
  return 0;
}

// What a volume without the ioctls shows: archive on a file, read-only from the write bits.
std::uint32_t KnowableBits(const Inode& inode) {
  return IsDirectory(inode) ? 0 : ATTR_ARCH;
}

// Whether a volume without the ioctls can keep the attribute set `attributes`: the ones shown,
// or read-only added to a file's.
bool KeepableWithoutIoctls(const Inode& inode, std::uint32_t shown, std::uint32_t attributes) {
  const std::uint32_t wanted = attributes & kAttrEditable;
  shown &= kAttrEditable;
  return wanted == shown || (!IsDirectory(inode) && wanted == (shown | kAttrReadOnly));
}

class FatStore final : public AttributeStore {
 public:
  explicit FatStore(StoreKind kind) : kind(kind) {}

  StoreKind Kind() const override { return kind; }

  void ReadRecord(const FileRef& file, Inode& inode) const override {
    if (kind == StoreKind::kExfatWithoutIoctls) {
      return;  // nothing to ask
    }
    std::uint32_t attributes = 0;
    // The root folder answers too.
    inode.record.unreadable = GetByte(file, attributes);
    if (inode.record.unreadable == 0) {
      inode.record.kept = true;
      inode.record.attributes = attributes;
      inode.record.raw[0] = SavedValue{kFatAttributesSlot, true, BytesOf(attributes)};
    }
  }

  std::uint32_t AttributeWord(const Inode& inode) const override {
    if (kind == StoreKind::kExfatWithoutIoctls) {
      return WordWithWriteBits(inode, KnowableBits(inode));
    }
    const std::uint32_t kept = inode.record.kept ? inode.record.attributes & ~ATTR_VOLUME : 0;
    return WordWithWriteBits(inode, kept);
  }

  bool IsCompressed(const Inode&, const FileRef&) const override { return false; }

  FileTime CreationTime(const Inode& inode) const override { return BirthTime(inode); }

  Verdict Admit(const Inode& inode, const FileRef& file, const Change& change) const override {
    if (const Verdict verdict = CommonAdmit(inode, file, AttributeWord(inode), change, true);
        !verdict.Admitted()) {
      return verdict;
    }
    if (const Verdict verdict = BirthTimeVerdict(change); !verdict.Admitted()) {
      return verdict;
    }
    if (IsRootFolder(inode) && (change.lastWrite || change.lastAccess)) {
      return {Obstacle::kRootFolder, 0};
    }
    if (kind == StoreKind::kExfatWithoutIoctls) {
      const bool keepable = !change.attributes ||
                            KeepableWithoutIoctls(inode, AttributeWord(inode), *change.attributes);
      return keepable ? Verdict{} : Verdict{Obstacle::kAttributesUnsupported, ENOTTY};
    }
    const std::uint32_t old = inode.record.attributes;
    const std::uint32_t wanted = change.attributes ? NewByte(inode, *change.attributes) : old;
    const bool written =
        change.attributes && (!inode.record.kept || wanted != (old & ~kDriverBits));
    if (written && wanted != 0 && IsRootFolder(inode)) {
      return {Obstacle::kRootFolder, EINVAL};
    }
    // The attribute step comes first when it takes System off (see ApplyChange), and the file
    // is then no longer immutable.
    const bool immutable = kind == StoreKind::kVfatSysImmutable && inode.record.kept &&
                           (old & ATTR_SYS) && !(written && !(wanted & ATTR_SYS));
    if (immutable && (change.lastWrite || change.lastAccess)) {
      return {Obstacle::kImmutable, EPERM};
    }
    const bool systemInvolved = written && ((wanted | old) & ATTR_SYS);
    if (systemInvolved && SystemNeedsCapability() && !HasCapability(CAP_LINUX_IMMUTABLE)) {
      return {Obstacle::kNeedsPrivilege, EPERM};
    }
    return {};
  }

  NativeError WriteAttributes(const FileRef& file, Inode& inode,
                              const Change& change) const override {
    if (kind == StoreKind::kExfatWithoutIoctls) {
      return WriteWithoutIoctls(file, inode, *change.attributes);
    }
    const std::uint32_t wanted = NewByte(inode, *change.attributes);
    if (inode.record.kept && wanted == (inode.record.attributes & ~kDriverBits)) {
      return 0;
    }
    if (const NativeError error = SetByte(file, inode, wanted); error != 0) {
      return error;
    }
    const std::uint32_t kept = inode.record.attributes & kDriverBits;
    inode.record.kept = true;
    inode.record.attributes = wanted | kept | (IsDirectory(inode) ? ATTR_DIR : 0);
    return 0;
  }

  NativeError WriteTimes(const FileRef& file, Inode& inode, const Change& change) const override {
    if (change.creation) {
      return ENOTSUP;  // refused before anything is written; never half-done here either
    }
    return SetAccessAndWrite(file, inode, change);
  }

  NativeError PutBack(const FileRef& file, const Inode& now,
                      const SavedState& state) const override {
    NativeError first = 0;
    std::uint32_t old = 0;
    std::uint32_t current = 0;
    const bool differs = !state.values.empty() && NumberOf(state.values.front(), old) &&
                         (GetByte(file, current) != 0 || current != old);
    if (differs) {
      Inode scratch = now;
      first = SetByte(file, scratch, old & ~kDriverBits);  // the mode follows the byte
    }
    PutBackParts parts;
    parts.values = false;
    parts.mode = kind == StoreKind::kExfatWithoutIoctls;  // else the byte carries read-only
    const NativeError error = PutBackCommon(file, now, state, parts);
    return first != 0 ? first : error;
  }

 private:
  bool SystemNeedsCapability() const { return kind != StoreKind::kVfat; }

  // Read-only set through the write bits, the one change such a volume keeps.
  NativeError WriteWithoutIoctls(const FileRef& file, Inode& inode,
                                 std::uint32_t attributes) const {
    const std::uint32_t shown = AttributeWord(inode);
    if (!KeepableWithoutIoctls(inode, shown, attributes)) {
      return ENOTTY;  // refused before anything is written
    }
    if ((attributes & kAttrReadOnly) && !(shown & kAttrReadOnly)) {
      return ChangeMode(file, inode, inode.info.stx_mode & ~0222);
    }
    return 0;
  }

  // The byte a new attribute set stores: the bits this program does not edit stay.
  static std::uint32_t NewByte(const Inode& inode, std::uint32_t attributes) {
    const std::uint32_t base = inode.record.kept ? inode.record.attributes : 0;
    return (base & 0xff & ~(kAttrEditable | kDriverBits)) | (attributes & kAttrEditable);
  }

  StoreKind kind;
};

}  // namespace

const AttributeStore& FatStoreInstance(StoreKind kind) {
  static const FatStore vfat(StoreKind::kVfat);
  static const FatStore sysImmutable(StoreKind::kVfatSysImmutable);
  static const FatStore exfat(StoreKind::kExfat);
  static const FatStore exfatWithoutIoctls(StoreKind::kExfatWithoutIoctls);
  switch (kind) {
    case StoreKind::kExfatWithoutIoctls:
      return exfatWithoutIoctls;
    case StoreKind::kVfatSysImmutable:
      return sysImmutable;
    case StoreKind::kExfat:
      return exfat;
    default:
      return vfat;
  }
}

}  // namespace tempinex::platform::linux_fs
