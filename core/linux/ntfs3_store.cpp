// NTFS mounted with the kernel's ntfs3 driver: the file's own attributes as system.ntfs_attrib
// (a u32 in CPU order, exactly four bytes; the driver keeps the directory bit as the file is).
// Whenever the word changes, the driver takes the write bits away (read-only) or gives all
// three back (any other word), files and folders alike, until the next mount; a chmod it maps
// back onto the word: write bits clear read-only, none set it, and the mode is kept. So after
// a word without read-only the file is given the mode it had (a read-only file, the write bits
// a writable file gets), never left writable for all. The creation time is the birth time
// statx reports: shown, never settable.

#include <cerrno>

#include "native_store_support.hpp"
#include "value_names.hpp"

namespace tempinex::platform::linux_fs {

namespace {

// The word a new attribute set stores: every bit this program does not edit stays as read,
// compressed and sparse above all, which the driver would otherwise try to change.
std::uint32_t NewWord(const Inode& inode, std::uint32_t attributes) {
  const std::uint32_t base = inode.record.kept ? inode.record.attributes : 0;
  return (base & ~(kAttrEditable | kAttrNormal)) | (attributes & kAttrEditable);
}

// True when writing `word` moves the write bits, which the mode written after it then puts
// right: a word without read-only that differs from the file's.
bool NeedsModeAfter(const Inode& inode, std::uint32_t word) {
  return !(word & kAttrReadOnly) && !(inode.record.kept && word == inode.record.attributes);
}

// The mode a file is given after a word without read-only: the one it had, with the write bits
// a file made writable gets where it had none.
mode_t ModeAfter(mode_t before) {
  return (before & 0222) ? before : WritableMode(before);
}

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
    // The mode written after the word needs the owner (or CAP_FOWNER); the word alone needs
    // write permission.
    const bool modeAfter =
        change.attributes && NeedsModeAfter(inode, NewWord(inode, *change.attributes));
    if (const Verdict verdict = CommonAdmit(inode, file, AttributeWord(inode), change, modeAfter);
        !verdict.Admitted()) {
      return verdict;
    }
    return BirthTimeVerdict(change);
  }

  NativeError WriteAttributes(const FileRef& file, Inode& inode,
                              const Change& change) const override {
    const std::uint32_t value = NewWord(inode, *change.attributes);
    if (inode.record.kept && value == inode.record.attributes) {
      return 0;
    }
    const bool modeAfter = NeedsModeAfter(inode, value);
    const mode_t before = inode.info.stx_mode & 07777;
    if (const NativeError error = file.Set(kNtfsAttribName, BytesOf(value)); error != 0) {
      return error;
    }
    inode.record.kept = true;
    inode.record.attributes = value;
    RereadInfo(file, inode);  // the driver has moved the write bits
    if (modeAfter && (inode.info.stx_mode & 07777) != ModeAfter(before)) {
      return ChangeMode(file, inode, ModeAfter(before));
    }
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
    // The word cannot be removed; written, it moves the write bits, so the mode comes after
    // it (and the driver maps it back onto the same word).
    PutBackParts parts;
    parts.removable = false;
    parts.mode = false;
    const NativeError error = PutBackCommon(file, now, state, parts);
    struct statx info {};
    const NativeError stated = file.Stat(info);
    if (stated == 0 && (info.stx_mode & 07777) != (state.mode & 07777)) {
      const NativeError moded = file.ChangeMode(state.mode);
      return error != 0 ? error : moded;
    }
    return error != 0 ? error : stated;
  }
};

}  // namespace

const AttributeStore& Ntfs3StoreInstance() {
  static const Ntfs3Store store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
