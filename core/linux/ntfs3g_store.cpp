// NTFS volumes mounted through ntfs-3g: the attributes and the creation time are the volume's
// own, reached through ntfs-3g's system.ntfs_attrib and system.ntfs_times. Read-only is the
// 0x01 attribute bit alone: ntfs-3g shows every file 0777 and does not map the bit to the mode.

#include <cerrno>
#include <cstring>

#include "native_store_support.hpp"
#include "value_names.hpp"

namespace tempinex::platform::linux_fs {

namespace {

constexpr std::size_t kTimesSet = 3 * sizeof(std::uint64_t);  // creation, last write, last access
constexpr std::uint32_t kComputed = kAttrDirectory | kAttrNormal | kAttrCompressed;

std::uint64_t Word64At(const std::string& value, std::size_t index) {
  std::uint64_t word = 0;
  std::memcpy(&word, value.data() + index * sizeof word, sizeof word);
  return word;
}

std::uint32_t NewWord(const Inode& inode, std::uint32_t attributes) {
  return (inode.record.attributes & ~(kAttrEditable | kAttrNormal)) | (attributes & kAttrEditable);
}

// ntfs-3g emulates Interix special files: a regular file of 0 or 1 byte with System and not
// Hidden becomes a FIFO or a socket to every Linux program. Never made so.
bool WouldTurnSpecial(const Inode& inode, std::uint32_t word) {
  return inode.info.stx_size <= 1 && (word & kAttrSystem) && !(word & kAttrHidden);
}

class Ntfs3gStore final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kNtfs3g; }

  void ReadRecord(const FileRef& file, Inode& inode) const override {
    NativeError error = 0;
    SavedValue attrib = file.Get(kNtfsAttribName, &error);
    SavedValue times = file.Get(kNtfsTimesName, &error);
    if (NumberOf(attrib, inode.record.attributes)) {
      inode.record.kept = true;
    }
    if (times.bytes && times.bytes->size() >= kTimesSet) {
      inode.record.creation = Word64At(*times.bytes, 0);
      times.bytes->resize(kTimesSet);  // what a restore writes back: the change time is now
    } else {
      times.known = false;
    }
    // The volume answers both for every file; one it does not answer for cannot be changed.
    if (!inode.record.kept || !times.known) {
      inode.record.unreadable = error != 0 ? error : EIO;
    }
    inode.record.raw = {std::move(attrib), std::move(times)};
  }

  std::uint32_t AttributeWord(const Inode& inode) const override {
    std::uint32_t word = inode.record.kept ? inode.record.attributes & ~kComputed : 0;
    if (IsDirectory(inode)) {
      word |= kAttrDirectory;
    }
    return word == 0 ? kAttrNormal : word;
  }

  bool IsCompressed(const Inode& inode, const FileRef&) const override {
    return inode.record.kept && (inode.record.attributes & kAttrCompressed);
  }

  FileTime CreationTime(const Inode& inode) const override { return inode.record.creation; }

  Verdict Admit(const Inode& inode, const FileRef& file, const Change& change) const override {
    if (const Verdict verdict = KindAndReadOnlyVerdict(inode, AttributeWord(inode), change);
        !verdict.Admitted()) {
      return verdict;
    }
    if (!change.Empty() && inode.record.unreadable != 0) {
      return {Obstacle::kRecordUnreadable, inode.record.unreadable};
    }
    PlannedSteps steps;
    // Every time goes through system.ntfs_times, which only the owner may set.
    steps.values = change.SetsTimes();
    steps.valuesNeedOwner = true;
    if (change.attributes) {
      const std::uint32_t word = NewWord(inode, *change.attributes);
      if (word != inode.record.attributes && WouldTurnSpecial(inode, word)) {
        return {Obstacle::kWouldTurnSpecial, EINVAL};
      }
      steps.values |= word != inode.record.attributes;
    }
    return KernelVerdict(inode, file, steps);
  }

  NativeError WriteAttributes(const FileRef& file, Inode& inode,
                              const Change& change) const override {
    if (!inode.record.kept) {
      return EIO;
    }
    const std::uint32_t word = NewWord(inode, *change.attributes);
    if (word == inode.record.attributes) {
      return 0;
    }
    if (WouldTurnSpecial(inode, word)) {
      return EINVAL;
    }
    if (const NativeError error = file.Set(kNtfsAttribName, BytesOf(word)); error != 0) {
      return error;
    }
    inode.record.attributes = word;
    return 0;
  }

  // All of a file's times in one value: ntfs-3g loses a utimensat that follows a creation
  // time set on the same cached inode.
  NativeError WriteTimes(const FileRef& file, Inode& inode, const Change& change) const override {
    if (!change.SetsTimes()) {
      return 0;
    }
    NativeError error = 0;
    const SavedValue read = file.Get(kNtfsTimesName, &error);
    if (!read.bytes || read.bytes->size() < kTimesSet) {
      return error != 0 ? error : EIO;
    }
    std::uint64_t times[3];
    std::memcpy(times, read.bytes->data(), sizeof times);
    const std::optional<PreciseTime>* given[3] = {&change.creation, &change.lastWrite,
                                                  &change.lastAccess};
    for (int i = 0; i < 3; ++i) {
      if (*given[i]) {
        times[i] = FileTimeFromPrecise(**given[i]);
      }
    }
    const std::string value(reinterpret_cast<const char*>(times), sizeof times);
    if (const NativeError setError = file.Set(kNtfsTimesName, value); setError != 0) {
      return setError;
    }
    inode.record.creation = times[0];
    RereadInfo(file, inode);
    return 0;
  }

  NativeError PutBack(const FileRef& file, const Inode& now,
                      const SavedState& state) const override {
    // The times come back with system.ntfs_times (a utimensat after it would be lost), and
    // ntfs-3g keeps no mode of its own; neither value can be removed.
    PutBackParts parts;
    parts.removable = false;
    parts.times = false;
    parts.mode = false;
    return PutBackCommon(file, now, state, parts);
  }
};

}  // namespace

const AttributeStore& Ntfs3gStoreInstance() {
  static const Ntfs3gStore store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
