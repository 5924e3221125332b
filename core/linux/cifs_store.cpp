// An SMB share mounted with the kernel client (cifs): the server's own attributes and creation
// time, which the client offers as user.cifs.dosattrib (a u32 in CPU order, sent to the
// server as FileBasicInformation) and user.cifs.creationtime (a u64 NT time). The value 0
// means "leave the attributes as they are" to the server, so a file left with no attribute is
// written as normal (0x80). Read-only is the attribute's bit; the client shows it in the write
// bits too, and the mode is kept in step at once so that the kernel's view agrees before the
// client next asks the server.
//
// A server may take these values and keep nothing (Samba's "store dos attributes = no"), so
// after a change the server is asked what it kept. The client answers user.cifs.dosattrib
// from the server again after a set, but user.cifs.creationtime (and the birth time) from what
// it set, until the share is mounted again, whatever the mount's caching options; only its
// query-info ioctl, which asks the server itself, shows the creation time kept.

#include <endian.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "native_store_support.hpp"
#include "value_names.hpp"

namespace tempinex::platform::linux_fs {

namespace {

// The value written for a new attribute set: the bits the server keeps that this program does
// not edit stay, never 0.
std::uint32_t NewValue(const Inode& inode, std::uint32_t attributes) {
  const std::uint32_t base = inode.record.kept ? inode.record.attributes : 0;
  const std::uint32_t value = (base & ~(kAttrEditable | kAttrNormal | kAttrDirectory)) |
                              (attributes & kAttrEditable) |
                              (IsDirectory(inode) ? kAttrDirectory : 0);
  return value == 0 ? kAttrNormal : value;
}

// The head of the client's CIFS_QUERY_INFO request; the answer follows it.
struct QueryInfoHead {
  std::uint32_t infoType;
  std::uint32_t fileInfoClass;
  std::uint32_t additionalInformation;
  std::uint32_t flags;
  std::uint32_t inputBufferLength;  // of a plain query: the size of the answer, then its length
  std::uint32_t outputBufferLength;
};
static_assert(sizeof(QueryInfoHead) == 24);
constexpr unsigned long kCifsQueryInfo = _IOWR(0xCF, 7, QueryInfoHead);
constexpr std::uint32_t kInfoTypeFile = 1;  // SMB2_0_INFO_FILE
constexpr std::uint32_t kFileBasicInformation = 4;
constexpr std::uint32_t kBasicInformationSize = 40;  // four NT times, attributes, padding

// What the server itself keeps of the file, asked past the client's cache.
struct ServerAnswer {
  FileTime creation = 0;
  std::uint32_t attributes = 0;
};

// The server's FileBasicInformation of the file; false when it cannot be asked (an SMB1 mount,
// a file this user may not open for reading).
bool AskServer(const FileRef& file, ServerAnswer& answer) {
  const UniqueFd readable = file.OpenForReading();
  if (!readable) {
    return false;
  }
  struct {
    QueryInfoHead head;
    unsigned char basic[kBasicInformationSize];
  } query{};
  query.head.infoType = kInfoTypeFile;
  query.head.fileInfoClass = kFileBasicInformation;
  query.head.inputBufferLength = kBasicInformationSize;
  if (ioctl(readable.Get(), kCifsQueryInfo, &query) != 0 || query.head.inputBufferLength < 36) {
    return false;
  }
  std::uint64_t creation = 0;
  std::uint32_t attributes = 0;
  std::memcpy(&creation, query.basic, sizeof creation);
  std::memcpy(&attributes, query.basic + 32, sizeof attributes);
  answer.creation = le64toh(creation);
  answer.attributes = le32toh(attributes);
  return true;
}

// A server may map attributes onto permission bits of its own and answer only some of them:
// Samba with "store dos attributes = no" takes read-only as the loss of the owner's write bit
// but does not answer it, and skips a value equal to the one it answers. When the server
// answers the value the file had (`had`, as read before the change), that value is sent after
// another, so that the server derives its bits from it afresh; the put back that follows would
// find nothing to write.
void SendAgain(const FileRef& file, const SavedValue& had, std::uint32_t answered) {
  std::uint32_t value = 0;
  if (!NumberOf(had, value) || value != answered) {
    return;
  }
  std::uint32_t other = value ^ kAttrArchive;
  other = (other & ~kAttrNormal) == 0 ? kAttrNormal : other & ~kAttrNormal;
  if (file.Set(kCifsAttribName, BytesOf(other)) == 0) {
    file.Set(kCifsAttribName, BytesOf(value));
  }
}

// Within the two seconds to which FAT, the coarsest volume a server may keep its files on,
// keeps times.
bool SameCreationTime(FileTime kept, FileTime wanted) {
  const FileTime apart = kept > wanted ? kept - wanted : wanted - kept;
  return apart < static_cast<FileTime>(2 * kTicksPerSecond);
}

class CifsStore final : public AttributeStore {
 public:
  StoreKind Kind() const override { return StoreKind::kCifs; }

  void ReadRecord(const FileRef& file, Inode& inode) const override {
    SavedValue attrib = file.Get(kCifsAttribName, &inode.record.unreadable);
    SavedValue creation = file.Get(kCifsCreationName, &inode.record.unreadable);
    inode.record.kept = NumberOf(attrib, inode.record.attributes);
    NumberOf(creation, inode.record.creation);
    inode.record.raw = {std::move(attrib), std::move(creation)};
  }

  std::uint32_t AttributeWord(const Inode& inode) const override {
    return WordWithWriteBits(inode, inode.record.kept ? inode.record.attributes : 0);
  }

  bool IsCompressed(const Inode& inode, const FileRef&) const override {
    if (inode.record.kept) {
      return (inode.record.attributes & kAttrCompressed) != 0;
    }
    return (inode.info.stx_attributes_mask & STATX_ATTR_COMPRESSED) &&
           (inode.info.stx_attributes & STATX_ATTR_COMPRESSED);
  }

  FileTime CreationTime(const Inode& inode) const override {
    return inode.record.creation != 0 ? inode.record.creation : BirthTime(inode);
  }

  Verdict Admit(const Inode& inode, const FileRef& file, const Change& change) const override {
    return CommonAdmit(inode, file, AttributeWord(inode), change, false);
  }

  NativeError WriteAttributes(const FileRef& file, Inode& inode,
                              const Change& change) const override {
    const std::uint32_t value = NewValue(inode, *change.attributes);
    const bool readOnly = (*change.attributes & kAttrReadOnly) != 0;
    const bool modeFollows = !IsDirectory(inode) && HasWriteBits(inode) == readOnly;
    const mode_t mode = inode.info.stx_mode;
    // In the Samba layout's order: the write bits before the attribute when the file is made
    // writable, after it when it is made read-only.
    if (modeFollows && !readOnly) {
      if (const NativeError error = ChangeMode(file, inode, WritableMode(mode)); error != 0) {
        return error;
      }
    }
    if (!inode.record.kept || inode.record.attributes != value) {
      if (const NativeError error = file.Set(kCifsAttribName, BytesOf(value)); error != 0) {
        return error;
      }
      inode.record.kept = true;
      inode.record.attributes = value;
    }
    return modeFollows && readOnly ? ChangeMode(file, inode, mode & ~0222) : 0;
  }

  NativeError WriteTimes(const FileRef& file, Inode& inode, const Change& change) const override {
    if (const NativeError error = SetAccessAndWrite(file, inode, change); error != 0) {
      return error;
    }
    if (!change.creation) {
      return 0;
    }
    const std::uint64_t value = FileTimeFromPrecise(*change.creation);
    if (const NativeError error = file.Set(kCifsCreationName, BytesOf(value)); error != 0) {
      return error;
    }
    inode.record.creation = value;
    return 0;
  }

  Verdict Kept(const FileRef& file, Inode& inode, const Change& change) const override {
    if (!change.attributes && !change.creation) {
      return {};
    }
    ServerAnswer server;
    const bool asked = AskServer(file, server);
    bool kept = true;
    if (change.attributes) {
      std::uint32_t attributes = server.attributes;
      NativeError error = 0;
      if (!asked && !NumberOf(file.Get(kCifsAttribName, &error), attributes)) {
        return {Obstacle::kRecordUnreadable, error != 0 ? error : ENODATA};
      }
      const bool attributesKept =
          (attributes & kAttrEditable) == (*change.attributes & kAttrEditable);
      if (!attributesKept) {
        SendAgain(file, inode.record.raw[0], attributes);
      }
      kept = attributesKept;
      inode.record.kept = true;
      inode.record.attributes = attributes;
    }
    // Without the server's answer, the creation time cannot be told from the client's own.
    if (change.creation && asked) {
      kept = kept && SameCreationTime(server.creation, FileTimeFromPrecise(*change.creation));
      inode.record.creation = server.creation;
    }
    return kept ? Verdict{} : Verdict{Obstacle::kNotKept, ENOTSUP};
  }

  NativeError PutBack(const FileRef& file, const Inode& now,
                      const SavedState& state) const override {
    // These names are answered by the client for every file and cannot be removed.
    PutBackParts parts;
    parts.removable = false;
    return PutBackCommon(file, now, state, parts);
  }
};

}  // namespace

const AttributeStore& CifsStoreInstance() {
  static const CifsStore store;
  return store;
}

}  // namespace tempinex::platform::linux_fs
