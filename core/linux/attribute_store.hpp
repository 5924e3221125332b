#pragma once

// Where one kind of file system keeps the Windows notions of a file: its four attribute bits,
// its compressed state and its creation time. Each volume is served by one store (chosen in
// store_select.cpp); the rest of the Linux layer asks the store and never knows which it is.

#include <sys/types.h>
#include <time.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform.hpp"

namespace tempinex::platform::linux_fs {

struct Inode;

// One raw value a store read of a file, kept so that a failed write can put it back.
struct StoredValue {
  const char* name = nullptr;        // the extended attribute, or null for a slot not in use
  bool known = false;                // false when it could not be read: never put back
  std::optional<std::string> value;  // nothing when the file had no such attribute
};

// What a store read of one file, in its own terms.
struct StoreRecord {
  bool kept = false;               // the store holds a record of this file
  std::uint32_t attributes = 0;    // the attribute word as kept, when kept
  FileTime creation = 0;           // the creation time as kept; 0 when none
  std::array<StoredValue, 2> raw;  // the values as read, for Snapshot
};

// The state one file's write may change, taken before its first step. The change time is not
// in it: the kernel sets it at every change and nothing can set it back.
struct Snapshot {
  // The file it was taken of: nothing is put back on another file found under the same name.
  std::uint64_t inodeNumber = 0;
  std::uint32_t deviceMajor = 0;
  std::uint32_t deviceMinor = 0;
  mode_t mode = 0;
  struct timespec lastAccess {};
  struct timespec lastWrite {};
  std::array<StoredValue, 2> raw;
  // Which steps have run since it was taken, set by the caller of the store.
  bool attributesWritten = false;
  bool timesWritten = false;
};

enum class StoreKind {
  kSamba,   // user.DOSATTRIB and the mode bits, as Samba and Wine keep them
  kNtfs3g,  // the NTFS volume's own attributes and times, through ntfs-3g
  kCifs,    // an SMB share through the kernel client: user.cifs.dosattrib and .creationtime
  kVfat,    // FAT: the driver's attribute ioctls; the creation time is the birth time
  kVfatSysImmutable,  // the same, mounted sys_immutable: System needs CAP_LINUX_IMMUTABLE
  kExfat,             // the same ioctls; System always needs CAP_LINUX_IMMUTABLE
  kNtfs3,  // NTFS through the kernel's ntfs3 driver: system.ntfs_attrib and the birth time
};

class AttributeStore {
 public:
  virtual ~AttributeStore() = default;
  virtual StoreKind Kind() const = 0;

  // Fills inode.record for the file open as fd, or named by path when fd < 0; inode.info is
  // already read. A record that cannot be read reads as none.
  virtual void ReadRecord(const std::string& path, int fd, Inode& inode) const = 0;

  // The attribute word the file shows, without the compressed bit.
  virtual std::uint32_t AttributeWord(const Inode& inode, std::string_view path) const = 0;
  virtual bool IsCompressed(const Inode& inode, const std::string& path) const = 0;
  // The creation time the file shows; 0 when none is known.
  virtual FileTime CreationTime(const Inode& inode) const = 0;

  // 0 when this user can make all of `change` to the file inode describes, else the reason.
  // Asked before anything of the file is written.
  virtual NativeError Refusal(const Inode& inode, const std::string& path,
                              const PlannedChange& change) const = 0;

  // Replaces the attribute set (the editable bits of `attributes`) and keeps inode up to date.
  virtual NativeError WriteAttributes(const std::string& path, Inode& inode,
                                      std::uint32_t attributes) const = 0;
  // Sets the times given on the file open as fd (a null pointer leaves that time), the
  // creation time where this store keeps it; keeps inode up to date.
  virtual NativeError WriteTimes(const std::string& path, int fd, Inode& inode,
                                 const FileTime* creation, const FileTime* lastAccess,
                                 const FileTime* lastWrite) const = 0;

  // What WriteAttributes and WriteTimes may change, as inode last read it.
  virtual Snapshot Take(const Inode& inode) const = 0;
  // Puts back what the steps snapshot names changed, on the file it was taken of; 0, or the
  // first failure.
  virtual NativeError Restore(const std::string& path, const Snapshot& snapshot) const = 0;
};

const AttributeStore& SambaStore();
const AttributeStore& Ntfs3gStoreInstance();
const AttributeStore& CifsStore();
// The FAT store of kind kVfat, kVfatSysImmutable or kExfat.
const AttributeStore& FatStore(StoreKind kind);
const AttributeStore& Ntfs3Store();

}  // namespace tempinex::platform::linux_fs
