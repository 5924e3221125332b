#pragma once

// Where one kind of file system keeps the Windows notions of a file: its four attribute bits,
// its compressed state and its creation time. Each volume is served by one store (chosen in
// store_select.cpp); the rest of the Linux layer asks the store and never knows which it is.
// A store reaches the file only through the FileRef it is given: for a change, the descriptor
// the file was opened as.

#include <sys/types.h>

#include <array>
#include <cstdint>

#include "file_ref.hpp"
#include "open_file.hpp"
#include "platform.hpp"

namespace tempinex::platform::linux_fs {

struct Inode;

// What a store read of one file, in its own terms.
struct StoreRecord {
  bool kept = false;             // the store holds a record of this file
  std::uint32_t attributes = 0;  // the attribute word as kept, when kept
  FileTime creation = 0;         // the creation time as kept; 0 when none
  // What the store keeps could not be read (no permission to read it, an I/O error): why. A
  // change that needs it is refused rather than built on a guess.
  NativeError unreadable = 0;
  bool noValues = false;  // the volume keeps no extended attributes at all
  // The values as read, for SavedState: what a failed change and an undo put back.
  std::array<SavedValue, 2> raw;
};

enum class StoreKind {
  kSamba,   // user.DOSATTRIB and the mode bits, as Samba and Wine keep them
  kNtfs3g,  // the NTFS volume's own attributes and times, through ntfs-3g
  kCifs,    // an SMB share through the kernel client: user.cifs.dosattrib and .creationtime
  kVfat,    // FAT: the driver's attribute ioctls; the creation time is the birth time
  kVfatSysImmutable,    // the same, mounted sys_immutable: System needs CAP_LINUX_IMMUTABLE
  kExfat,               // the same ioctls; System always needs CAP_LINUX_IMMUTABLE
  kExfatWithoutIoctls,  // exFAT before Linux 6.7: no attribute ioctls; read-only in the mode
  kNtfs3,  // NTFS through the kernel's ntfs3 driver: system.ntfs_attrib and the birth time
};

class AttributeStore {
 public:
  virtual ~AttributeStore() = default;
  virtual StoreKind Kind() const = 0;

  // Fills inode.record for `file`; inode.info is already read. Only regular files and folders
  // have records: nothing is asked of a link, a pipe or a device.
  virtual void ReadRecord(const FileRef& file, Inode& inode) const = 0;

  // The attribute word the file shows, without the compressed bit.
  virtual std::uint32_t AttributeWord(const Inode& inode) const = 0;
  virtual bool IsCompressed(const Inode& inode, const FileRef& file) const = 0;
  // The creation time the file shows; 0 when none is known.
  virtual FileTime CreationTime(const Inode& inode) const = 0;

  // Whether this user can make all of `change` to the file as `inode` last read it, and the
  // volume can keep it. Asked before anything of the file is written; nothing is written.
  virtual Verdict Admit(const Inode& inode, const FileRef& file, const Change& change) const = 0;

  // The attribute step of `change` (its `attributes`, written where they differ from the
  // file's) and its time step (its three times; a creation time only where the store keeps
  // one). Each keeps inode up to date; 0 or the failure.
  virtual NativeError WriteAttributes(const FileRef& file, Inode& inode,
                                      const Change& change) const = 0;
  virtual NativeError WriteTimes(const FileRef& file, Inode& inode, const Change& change) const = 0;
  // After both steps: whether the volume kept the values they wrote (kNotKept when not), for a
  // volume that may take a value and drop it. Keeps inode up to date with what it found.
  virtual Verdict Kept(const FileRef&, Inode&, const Change&) const { return {}; }

  // Makes the file as `state` describes it, on the file `now` describes (the same file: the
  // caller checked): its values, its times and its mode, each only where it differs, in an
  // order that a file made writable or read-only in between can take. 0 or the first failure.
  virtual NativeError PutBack(const FileRef& file, const Inode& now,
                              const SavedState& state) const = 0;
};

// The store that serves every volume of `kind`.
const AttributeStore& StoreOfKind(StoreKind kind);

// The stores themselves, one per file system.
const AttributeStore& SambaStoreInstance();
const AttributeStore& Ntfs3gStoreInstance();
const AttributeStore& CifsStoreInstance();
// The FAT store of kind kVfat, kVfatSysImmutable, kExfat or kExfatWithoutIoctls.
const AttributeStore& FatStoreInstance(StoreKind kind);
const AttributeStore& Ntfs3StoreInstance();

}  // namespace tempinex::platform::linux_fs
