// NTFS mounted with the kernel's ntfs3 driver: the file's own attributes as system.ntfs_attrib
// (a u32 in CPU order, exactly four bytes; the driver keeps the directory bit as the file is,
// and setting read-only takes away the write bits, clearing it gives them back). The creation
// time is the birth time statx reports: shown, never settable.

#include <cerrno>

#include "native_store_support.hpp"
#include "value_names.hpp"

namespace tempinex::platform::linux_fs {

namespace {

class Ntfs3Store final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kNtfs3; }

  void ReadRecord(const FileRef& file, Inode& inode) const override {
    SavedValue stored = file.Get(kNtfsAttribName, &inode.record.unreadable);
    inode.record.kept = NumberOf(stored, inode.record.attributes);
    inode.record.raw[0] = std::move(stored);
  }

  std::uint32_t AttributeWord(const Inode& inode) const override {
    return WordWithWriteBits(inode, inode.record.kept ? inode.record.attributes : 0);
  }

  bool IsCompressed(const Inode& inode, const FileRef&) const override {
    return inode.record.kept && (inode.record.attributes & kAttrCompressed) != 0;
  }

  FileTime CreationTime(const Inode& inode) const override { return BirthTime(inode); }

  Verdict Admit(const Inode& inode, const FileRef& file, const Change& change) const override {
    if (const Verdict verdict = CommonAdmit(inode, file, AttributeWord(inode), change, false);
        !verdict.Admitted()) {
      return verdict;
    }
    return BirthTimeVerdict(change);
  }

  NativeError WriteAttributes(const FileRef& file, Inode& inode,
                              const Change& change) const override {
    // Every bit this program does not edit stays as read: compressed and sparse above all,
    // which the driver would otherwise try to change.
    const std::uint32_t base = inode.record.kept ? inode.record.attributes : 0;
    const std::uint32_t value =
        (base & ~(kAttrEditable | kAttrNormal)) | (*change.attributes & kAttrEditable);
    if (inode.record.kept && value == base) {
      return 0;
    }
    if (const NativeError error = file.Set(kNtfsAttribName, BytesOf(value)); error != 0) {
      return error;
    }
    inode.record.kept = true;
    inode.record.attributes = value;
    RereadInfo(file, inode);  // the driver has moved the write bits
    return 0;
  }

  NativeError WriteTimes(const FileRef& file, Inode& inode, const Change& change) const override {
    if (change.creation) {
      return ENOTSUP;  // refused before anything is written
    }
    return SetAccessAndWrite(file, inode, change);
  }

  NativeError PutBack(const FileRef& file, const Inode& now,
                      const SavedState& state) const override {
    // The value carries read-only, and with it the mode; it cannot be removed.
    PutBackParts parts;
    parts.removable = false;
    parts.mode = false;
    return PutBackCommon(file, now, state, parts);
  }
};

}  // namespace

const AttributeStore& Ntfs3StoreInstance() {
  static const Ntfs3Store store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
