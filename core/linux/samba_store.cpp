// The Samba layout: hidden, system, archive and the creation time in user.DOSATTRIB, the way
// Samba and Wine keep them, read-only in the mode bits and in user.DOSATTRIB as well (Samba
// takes read-only from the value, never from the mode). Serves every volume that keeps no
// Windows notions of its own.

#include <linux/fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <optional>

#include "dos_attrib.hpp"
#include "native_store_support.hpp"
#include "value_names.hpp"

namespace tempinex::platform::linux_fs {

namespace {

constexpr std::uint32_t kNeedValue = kAttrHidden | kAttrSystem | kAttrArchive;

std::optional<DosAttrib> DosOf(const Inode& inode) {
  if (!inode.record.kept) {
    return std::nullopt;
  }
  return DosAttrib{inode.record.attributes, inode.record.creation};
}

// The bits a file has when it carries no user.DOSATTRIB: hidden for a dot name, archive for
// everything but a directory, and the directory bit.
std::uint32_t ImplicitBits(const Inode& inode) {
  std::uint32_t bits = IsDirectory(inode) ? kAttrDirectory : kAttrArchive;
  if (inode.dotName) {
    bits |= kAttrHidden;
  }
  return bits;
}

NativeError StoreDos(const FileRef& file, Inode& inode, const DosAttrib& info) {
  std::string value = EncodeDosAttrib(info);
  if (const NativeError error = file.Set(kDosAttribName, value); error != 0) {
    return error;
  }
  inode.record.kept = true;
  inode.record.attributes = info.attrib;
  inode.record.creation = info.createTime;
  return 0;
}

// True when the file already reads as info says, with or without a stored value.
bool Unchanged(const Inode& inode, const DosAttrib& info) {
  return inode.record.kept ? inode.record.attributes == info.attrib
                           : info.attrib == ImplicitBits(inode);
}

// True when the file reads back as info says without any stored value: the only attribute
// sets a volume without extended attributes can take.
bool ReadsBackWithoutValue(const Inode& inode, const DosAttrib& info) {
  return (info.attrib & kNeedValue) == (ImplicitBits(inode) & kNeedValue);
}

// Stores the new attribute set; where the file system keeps no extended attributes, only a
// set that reads back the same without one is accepted.
NativeError StoreAttributes(const FileRef& file, Inode& inode, const DosAttrib& info) {
  if (Unchanged(inode, info)) {
    return 0;
  }
  const NativeError error = StoreDos(file, inode, info);
  if (error == ENOTSUP && ReadsBackWithoutValue(inode, info)) {
    return 0;
  }
  return error;
}

DosAttrib NewAttributes(const Inode& inode, std::uint32_t attributes) {
  constexpr std::uint32_t kNeverStored =
      kAttrEditable | kAttrNormal | kAttrCompressed | kAttrDirectory;
  const std::uint32_t base = inode.record.kept ? inode.record.attributes : ImplicitBits(inode);
  DosAttrib info;
  info.attrib = (base & ~kNeverStored) | (attributes & kAttrEditable) |
                (IsDirectory(inode) ? kAttrDirectory : 0);
  info.createTime = inode.record.kept ? inode.record.creation : 0;
  return info;
}

class SambaStore final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kSamba; }

  void ReadRecord(const FileRef& file, Inode& inode) const override {
    SavedValue stored = file.Get(kDosAttribName, &inode.record.unreadable, &inode.record.noValues);
    // A value in no known form reads as none, like a missing one.
    const std::optional<DosAttrib> dos =
        stored.bytes ? ParseDosAttrib(*stored.bytes) : std::nullopt;
    if (dos) {
      inode.record.kept = true;
      inode.record.attributes = dos->attrib;
      inode.record.creation = dos->createTime;
    }
    inode.record.raw[0] = std::move(stored);
  }

  std::uint32_t AttributeWord(const Inode& inode) const override {
    // Directory, normal and compressed come from the file itself, never from the stored value.
    constexpr std::uint32_t kComputed = kAttrDirectory | kAttrNormal | kAttrCompressed;
    std::uint32_t word =
        inode.record.kept ? (inode.record.attributes & ~kComputed) : ImplicitBits(inode);
    if (IsDirectory(inode)) {
      word |= kAttrDirectory;
    }
    if (!HasWriteBits(inode)) {
      word |= kAttrReadOnly;
    }
    return word == 0 ? kAttrNormal : word;
  }

  bool IsCompressed(const Inode& inode, const FileRef& file) const override {
    if (inode.info.stx_attributes_mask & STATX_ATTR_COMPRESSED) {
      return (inode.info.stx_attributes & STATX_ATTR_COMPRESSED) != 0;
    }
    if (!IsRegular(inode) && !IsDirectory(inode)) {
      return false;  // never open a device or a pipe just to ask
    }
    const UniqueFd readable = file.OpenForReading();
    int flags = 0;
    return readable && ioctl(readable.Get(), FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & FS_COMPR_FL) != 0;
  }

  FileTime CreationTime(const Inode& inode) const override {
    if (inode.record.kept && inode.record.creation != 0) {
      return inode.record.creation;
    }
    return BirthTime(inode);
  }

  Verdict Admit(const Inode& inode, const FileRef& file, const Change& change) const override {
    if (const Verdict verdict = KindAndReadOnlyVerdict(inode, AttributeWord(inode), change);
        !verdict.Admitted()) {
      return verdict;
    }
    PlannedSteps steps;
    steps.times = change.lastWrite || change.lastAccess;
    steps.values = change.creation.has_value();  // the creation time lives in user.DOSATTRIB
    bool needsValue = change.creation.has_value();
    if (change.attributes) {
      const DosAttrib wanted = NewAttributes(inode, *change.attributes);
      const bool setsReadOnly = (*change.attributes & kAttrReadOnly) != 0;
      steps.values |= !Unchanged(inode, wanted);
      needsValue |= !ReadsBackWithoutValue(inode, wanted);
      steps.madeWritable = !setsReadOnly && !HasWriteBits(inode);
      steps.mode =
          steps.madeWritable || (setsReadOnly && HasWriteBits(inode) && !IsDirectory(inode));
    }
    if (const Verdict verdict = KernelVerdict(inode, file, steps); !verdict.Admitted()) {
      return verdict;
    }
    // What is kept must be known before it is rewritten, and the volume must keep it.
    if (steps.values && inode.record.unreadable != 0) {
      return {Obstacle::kRecordUnreadable, inode.record.unreadable};
    }
    if (needsValue && inode.record.noValues) {
      return {Obstacle::kNoExtendedAttributes, ENOTSUP};
    }
    return {};
  }

  NativeError WriteAttributes(const FileRef& file, Inode& inode,
                              const Change& change) const override {
    const std::uint32_t attributes = *change.attributes;
    const DosAttrib info = NewAttributes(inode, attributes);
    const mode_t mode = inode.info.stx_mode;
    if (attributes & kAttrReadOnly) {
      // Attribute first: once the write bits are gone the owner may no longer set it.
      if (const NativeError error = StoreAttributes(file, inode, info); error != 0) {
        return error;
      }
      const bool dropWriteBits = !IsDirectory(inode) && HasWriteBits(inode);
      return dropWriteBits ? ChangeMode(file, inode, mode & ~0222) : 0;
    }
    if (!HasWriteBits(inode)) {
      if (const NativeError error = ChangeMode(file, inode, WritableMode(mode)); error != 0) {
        return error;
      }
    }
    return StoreAttributes(file, inode, info);
  }

  NativeError WriteTimes(const FileRef& file, Inode& inode, const Change& change) const override {
    if (const NativeError error = SetAccessAndWrite(file, inode, change); error != 0) {
      return error;
    }
    if (!change.creation) {
      return 0;
    }
    // Linux cannot set a birth time; the creation time lives where Samba keeps it.
    DosAttrib info = DosOf(inode).value_or(DosAttrib{ImplicitBits(inode), 0});
    // The attribute step that follows the times of a writable file would write the same value
    // again: its new set goes in now, one write instead of two. Nothing shows earlier than it
    // did: the attributes still land after the last-write and last-access times, and a file
    // made read-only loses its write bits only after the value is stored.
    if (change.attributes && !(AttributeWord(inode) & kAttrReadOnly)) {
      info = NewAttributes(inode, *change.attributes);
    }
    info.createTime = FileTimeFromPrecise(*change.creation);
    return StoreDos(file, inode, info);
  }

  NativeError PutBack(const FileRef& file, const Inode& now,
                      const SavedState& state) const override {
    return PutBackCommon(file, now, state, PutBackParts{});
  }
};

}  // namespace

const AttributeStore& SambaStoreInstance() {
  static const SambaStore store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
