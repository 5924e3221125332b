// NTFS volumes mounted through ntfs-3g: the attributes and the creation time are the volume's
// own, reached through ntfs-3g's system.ntfs_attrib and system.ntfs_times. Read-only is the
// 0x01 attribute bit alone: ntfs-3g shows every file 0777 and does not map the bit to the mode.

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "linux_inode.hpp"
#include "writability.hpp"

namespace tempinex::platform::linux_fs {

namespace {

constexpr char kAttribName[] = "system.ntfs_attrib";
// Creation, last write, last access and change, NT times. A value of 8, 16 or 24 bytes sets
// the first one, two or three; the change time then becomes now.
constexpr char kTimesName[] = "system.ntfs_times";
constexpr std::size_t kTimesSet = 3 * sizeof(std::uint64_t);

constexpr std::uint32_t kEditable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::uint32_t kComputed = kAttrDirectory | kAttrNormal | kAttrCompressed;

std::uint64_t Word64At(const std::string& value, std::size_t index) {
  std::uint64_t word = 0;
  std::memcpy(&word, value.data() + index * sizeof word, sizeof word);
  return word;
}

// ntfs-3g keeps the value in CPU order.
std::string WordValue(std::uint32_t word) {
  return std::string(reinterpret_cast<const char*>(&word), sizeof word);
}

std::uint32_t NewWord(const Inode& inode, std::uint32_t attributes) {
  return (inode.record.attributes & ~(kEditable | kAttrNormal)) | (attributes & kEditable);
}

// ntfs-3g emulates Interix special files: a regular file of 0 or 1 byte with System and not
// Hidden becomes a FIFO or a socket to every Linux program. Never made so.
bool WouldTurnSpecial(const Inode& inode, std::uint32_t word) {
  return inode.info.stx_size <= 1 && (word & kAttrSystem) && !(word & kAttrHidden);
}

class Ntfs3gStore final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kNtfs3g; }

  void ReadRecord(const std::string& path, int fd, Inode& inode) const override {
    inode.record = StoreRecord{};
    StoredValue attrib = ReadValue(path, fd, kAttribName);
    StoredValue times = ReadValue(path, fd, kTimesName);
    if (attrib.value && attrib.value->size() == sizeof(std::uint32_t)) {
      inode.record.kept = true;
      std::memcpy(&inode.record.attributes, attrib.value->data(), sizeof(std::uint32_t));
    }
    if (times.value && times.value->size() >= kTimesSet) {
      inode.record.creation = Word64At(*times.value, 0);
      times.value->resize(kTimesSet);  // what a restore writes back: the change time is now
    } else {
      times.known = false;
    }
    inode.record.raw = {std::move(attrib), std::move(times)};
  }

  std::uint32_t AttributeWord(const Inode& inode, std::string_view) const override {
    std::uint32_t word = inode.record.kept ? inode.record.attributes & ~kComputed : 0;
    if (IsDirectory(inode)) {
      word |= kAttrDirectory;
    }
    return word == 0 ? kAttrNormal : word;
  }

  bool IsCompressed(const Inode& inode, const std::string&) const override {
    return inode.record.kept && (inode.record.attributes & kAttrCompressed);
  }

  FileTime CreationTime(const Inode& inode) const override { return inode.record.creation; }

  NativeError Refusal(const Inode& inode, const std::string& path,
                      const PlannedChange& change) const override {
    if (!IsRegular(inode)) {
      return EACCES;
    }
    const bool setsReadOnly = change.attributes && (change.newAttributes & kAttrReadOnly);
    if ((AttributeWord(inode, path) & kAttrReadOnly) &&
        !(change.attributes && !setsReadOnly && change.mayClearReadOnly)) {
      return EACCES;
    }
    PlannedSteps steps;
    // Every time goes through system.ntfs_times, which only the owner may set.
    steps.values = change.lastWrite || change.lastAccess || change.creation;
    if (change.attributes) {
      const std::uint32_t word = NewWord(inode, change.newAttributes);
      if (!inode.record.kept) {
        return EIO;  // the volume did not answer for this file
      }
      if (word != inode.record.attributes && WouldTurnSpecial(inode, word)) {
        return EINVAL;
      }
      steps.values |= word != inode.record.attributes;
    }
    steps.valuesNeedOwner = true;
    return KernelRefusal(inode, path, steps);
  }

  NativeError WriteAttributes(const std::string& path, Inode& inode,
                              std::uint32_t attributes) const override {
    if (!inode.record.kept) {
      return EIO;
    }
    const std::uint32_t word = NewWord(inode, attributes);
    if (word == inode.record.attributes) {
      return 0;
    }
    if (WouldTurnSpecial(inode, word)) {
      return EINVAL;
    }
    const std::string value = WordValue(word);
    if (NativeError error = StoreValue(path, -1, kAttribName, value); error != 0) {
      return error;
    }
    inode.record.attributes = word;
    inode.record.raw[0].value = value;
    return 0;
  }

  // All of a file's times in one value: ntfs-3g loses a utimensat that follows a creation
  // time set on the same cached inode.
  NativeError WriteTimes(const std::string& path, int fd, Inode& inode, const FileTime* creation,
                         const FileTime* lastAccess, const FileTime* lastWrite) const override {
    if (!creation && !lastAccess && !lastWrite) {
      return 0;
    }
    const StoredValue read = ReadValue(path, fd, kTimesName);
    if (!read.value || read.value->size() < kTimesSet) {
      return read.known ? EIO : errno;
    }
    std::uint64_t times[3];
    std::memcpy(times, read.value->data(), sizeof times);
    if (creation) {
      times[0] = *creation;
    }
    if (lastWrite) {
      times[1] = *lastWrite;
    }
    if (lastAccess) {
      times[2] = *lastAccess;
    }
    const std::string value(reinterpret_cast<const char*>(times), sizeof times);
    if (NativeError error = StoreValue(path, fd, kTimesName, value); error != 0) {
      return error;
    }
    inode.record.creation = times[0];
    return 0;
  }

  Snapshot Take(const Inode& inode) const override { return SnapshotOf(inode); }

  NativeError Restore(const std::string& path, const Snapshot& snapshot) const override {
    Inode now;
    const int fd = OpenSnapshotFile(path, snapshot, now);
    if (fd < 0) {
      return errno;
    }
    // The times come back with system.ntfs_times; a utimensat after it would be lost.
    Snapshot values = snapshot;
    values.timesWritten = false;
    values.attributesWritten = true;
    values.mode = now.info.stx_mode & 07777;  // ntfs-3g keeps no mode of its own
    const NativeError error = RestoreCommon(fd, now, values);
    close(fd);
    return error;
  }
};

}  // namespace

const AttributeStore& Ntfs3gStoreInstance() {
  static const Ntfs3gStore store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
