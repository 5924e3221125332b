// An SMB share mounted with the kernel client (cifs): the server's own attributes and creation
// time, which the client offers as user.cifs.dosattrib (a u32 in CPU order, sent to the
// server as FileBasicInformation) and user.cifs.creationtime (a u64 NT time). The value 0
// means "leave the attributes as they are" to the server, so a file left with no attribute is
// written as normal (0x80). Read-only is the attribute's bit; the client shows it in the write
// bits too, and the mode is kept in step at once so that the kernel's view agrees before the
// client next asks the server.

#include <cerrno>

#include "native_store_support.hpp"

namespace tempinex::platform::linux_fs {

namespace {

constexpr char kCifsAttribName[] = "user.cifs.dosattrib";
constexpr char kCifsCreationName[] = "user.cifs.creationtime";

// The value written for a new attribute set: the bits the server keeps that this program does
// not edit stay, never 0.
std::uint32_t NewValue(const Inode& inode, std::uint32_t attributes) {
  const std::uint32_t base = inode.record.kept ? inode.record.attributes : 0;
  std::uint32_t value = (base & ~(kEditableBits | kAttrNormal | kAttrDirectory)) |
                        (attributes & kEditableBits) | (IsDirectory(inode) ? kAttrDirectory : 0);
  return value == 0 ? kAttrNormal : value;
}

class CifsLayout final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kCifs; }

  void ReadRecord(const std::string& path, int fd, Inode& inode) const override {
    inode.record = StoreRecord{};
    StoredValue attrib = ReadValue(path, fd, kCifsAttribName);
    StoredValue creation = ReadValue(path, fd, kCifsCreationName);
    std::uint32_t word = 0;
    if (NumberOf(attrib, word)) {
      inode.record.kept = true;
      inode.record.attributes = word;
    }
    std::uint64_t created = 0;
    if (NumberOf(creation, created)) {
      inode.record.creation = created;
    }
    inode.record.raw[0] = std::move(attrib);
    inode.record.raw[1] = std::move(creation);
  }

  std::uint32_t AttributeWord(const Inode& inode, std::string_view) const override {
    return WordWithWriteBits(inode, inode.record.kept ? inode.record.attributes : 0);
  }

  bool IsCompressed(const Inode& inode, const std::string&) const override {
    if (inode.record.kept) {
      return (inode.record.attributes & kAttrCompressed) != 0;
    }
    return (inode.info.stx_attributes_mask & STATX_ATTR_COMPRESSED) &&
           (inode.info.stx_attributes & STATX_ATTR_COMPRESSED);
  }

  FileTime CreationTime(const Inode& inode) const override {
    return inode.record.creation != 0 ? inode.record.creation : BirthTime(inode);
  }

  NativeError Refusal(const Inode& inode, const std::string& path,
                      const PlannedChange& change) const override {
    return CommonRefusal(inode, path, AttributeWord(inode, path), change, false);
  }

  NativeError WriteAttributes(const std::string& path, Inode& inode,
                              std::uint32_t attributes) const override {
    const std::uint32_t value = NewValue(inode, attributes);
    const bool readOnly = (attributes & kAttrReadOnly) != 0;
    const bool modeFollows = !IsDirectory(inode) && HasWriteBits(inode) == readOnly;
    const mode_t mode = inode.info.stx_mode;
    // In the Samba layout's order: the write bits before the attribute when the file is made
    // writable, after it when it is made read-only.
    if (modeFollows && !readOnly) {
      if (NativeError error = ChangeMode(path, inode, WritableMode(mode)); error != 0) {
        return error;
      }
    }
    if (!inode.record.kept || inode.record.attributes != value) {
      if (NativeError error = StoreValue(path, -1, kCifsAttribName, BytesOf(value)); error != 0) {
        return error;
      }
      inode.record.kept = true;
      inode.record.attributes = value;
    }
    if (modeFollows && readOnly) {
      return ChangeMode(path, inode, mode & ~0222);
    }
    return 0;
  }

  NativeError WriteTimes(const std::string& path, int fd, Inode& inode, const FileTime* creation,
                         const FileTime* lastAccess, const FileTime* lastWrite) const override {
    if (NativeError error = SetTimesOnDescriptor(fd, lastAccess, lastWrite); error != 0) {
      return error;
    }
    if (!creation) {
      return 0;
    }
    const std::uint64_t value = *creation;
    if (NativeError error = StoreValue(path, fd, kCifsCreationName, BytesOf(value)); error != 0) {
      return error;
    }
    inode.record.creation = value;
    return 0;
  }

  Snapshot Take(const Inode& inode) const override { return SnapshotOf(inode); }

  NativeError Restore(const std::string& path, const Snapshot& snapshot) const override {
    if (!StillTheFile(path, snapshot)) {
      return ENOENT;
    }
    NativeError first = 0;
    const auto keep = [&first](NativeError error) {
      if (first == 0) {
        first = error;
      }
    };
    if (snapshot.attributesWritten || snapshot.timesWritten) {
      keep(RestoreReadValues(path, snapshot.raw));
    }
    if (snapshot.timesWritten) {
      keep(RestoreTimes(path, snapshot));
    }
    if (snapshot.attributesWritten) {
      keep(chmod(path.c_str(), snapshot.mode) == 0 ? 0 : errno);
    }
    return first;
  }
};

}  // namespace

const AttributeStore& CifsStore() {
  static const CifsLayout store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
