// NTFS mounted with the kernel's ntfs3 driver: the file's own attributes as system.ntfs_attrib
// (a u32 in CPU order, exactly four bytes; the driver keeps the directory bit as the file is,
// and setting read-only takes away the write bits, clearing it gives them back). The creation
// time is the birth time statx reports: shown, never settable.

#include <cerrno>

#include "native_store_support.hpp"

namespace tempinex::platform::linux_fs {

namespace {

constexpr char kNtfsAttribName[] = "system.ntfs_attrib";

class Ntfs3Layout final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kNtfs3; }

  void ReadRecord(const std::string& path, int fd, Inode& inode) const override {
    inode.record = StoreRecord{};
    StoredValue stored = ReadValue(path, fd, kNtfsAttribName);
    std::uint32_t word = 0;
    if (NumberOf(stored, word)) {
      inode.record.kept = true;
      inode.record.attributes = word;
    }
    inode.record.raw[0] = std::move(stored);
  }

  std::uint32_t AttributeWord(const Inode& inode, std::string_view) const override {
    return WordWithWriteBits(inode, inode.record.kept ? inode.record.attributes : 0);
  }

  bool IsCompressed(const Inode& inode, const std::string&) const override {
    return inode.record.kept && (inode.record.attributes & kAttrCompressed) != 0;
  }

  FileTime CreationTime(const Inode& inode) const override { return BirthTime(inode); }

  NativeError Refusal(const Inode& inode, const std::string& path,
                      const PlannedChange& change) const override {
    if (NativeError error = CommonRefusal(inode, path, AttributeWord(inode, path), change, false);
        error != 0) {
      return error;
    }
    return BirthTimeRefusal(change);
  }

  NativeError WriteAttributes(const std::string& path, Inode& inode,
                              std::uint32_t attributes) const override {
    // Every bit this program does not edit stays as read: compressed and sparse above all,
    // which the driver would otherwise try to change.
    const std::uint32_t base = inode.record.kept ? inode.record.attributes : 0;
    const std::uint32_t value =
        (base & ~(kEditableBits | kAttrNormal)) | (attributes & kEditableBits);
    if (inode.record.kept && value == base) {
      return 0;
    }
    if (NativeError error = StoreValue(path, -1, kNtfsAttribName, BytesOf(value)); error != 0) {
      return error;
    }
    inode.record.kept = true;
    inode.record.attributes = value;
    RereadInfo(path, -1, inode);  // the driver has moved the write bits
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
    // The value carries read-only, and with it the mode; no chmod of its own.
    NativeError first = snapshot.attributesWritten ? RestoreReadValues(path, snapshot.raw) : 0;
    if (snapshot.timesWritten) {
      const NativeError error = RestoreTimes(path, snapshot);
      first = first != 0 ? first : error;
    }
    return first;
  }
};

}  // namespace

const AttributeStore& Ntfs3Store() {
  static const Ntfs3Layout store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
