#pragma once

// What the stores of file systems that keep the Windows notions themselves (cifs, FAT, ntfs3)
// share: the attribute word as shown, the refusals they make alike, the birth time, and the
// undo of the mode-and-times part of a file's write.

#include <cstdint>
#include <cstring>
#include <string>

#include "linux_inode.hpp"

namespace tempinex::platform::linux_fs {

inline constexpr std::uint32_t kEditableBits =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

// The word a file shows from the bits its file system keeps: the directory bit from the file
// itself, normal when nothing else is set; never the compressed bit.
std::uint32_t ShownWord(std::uint32_t kept, const Inode& inode);

// What every store refuses alike: anything but a regular file, and a read-only file whose
// read-only this change does not clear.
// valuesNeedOwner: the driver lets only the owner (or CAP_FOWNER) set the attributes, as
// FAT's ioctl does; otherwise writing them needs write permission, like any user xattr.
NativeError CommonRefusal(const Inode& inode, const std::string& path, std::uint32_t word,
                          const PlannedChange& change, bool valuesNeedOwner);

// A file system whose creation time is the birth time cannot take a new one.
NativeError BirthTimeRefusal(const PlannedChange& change);
FileTime BirthTime(const Inode& inode);

// The word of a store that keeps read-only in the write bits as well: the kept bits, with
// read-only for a file without write bits.
std::uint32_t WordWithWriteBits(const Inode& inode, std::uint32_t kept);

// The time write of a store whose creation time is the birth time: never a creation time
// (refused before anything is written), the two others on fd.
NativeError WriteTimesBesideBirthTime(int fd, const FileTime* creation, const FileTime* lastAccess,
                                      const FileTime* lastWrite);

// Reads the statx record of the file again, after a driver changed its mode.
void RereadInfo(const std::string& path, int fd, Inode& inode);

// True while path still names the file the snapshot was taken of: what is put back by path
// never lands on a file that replaced it.
bool StillTheFile(const std::string& path, const Snapshot& snapshot);
// Puts the two times back; 0 or the failure.
NativeError RestoreTimes(const std::string& path, const Snapshot& snapshot);
// Puts back each value that was read; a value that was missing is left alone, since these
// names are answered by the driver and cannot be removed.
NativeError RestoreReadValues(const std::string& path, const std::array<StoredValue, 2>& raw);

// A fixed-size number as a value's bytes in CPU order, and back.
template <typename Number>
std::string BytesOf(Number number) {
  return std::string(reinterpret_cast<const char*>(&number), sizeof number);
}

template <typename Number>
bool NumberOf(const StoredValue& stored, Number& number) {
  if (!stored.value || stored.value->size() != sizeof number) {
    return false;
  }
  std::memcpy(&number, stored.value->data(), sizeof number);
  return true;
}

}  // namespace tempinex::platform::linux_fs
