#pragma once

// What the stores share beyond the inode helpers: the attribute word as shown, the refusals
// they make alike, the birth time, and numbers kept as a value's bytes.

#include <cstdint>
#include <cstring>
#include <string>

#include "linux_inode.hpp"
#include "writability.hpp"

namespace tempinex::platform::linux_fs {

// The word a file shows from the bits its file system keeps: the directory bit from the file
// itself, normal when nothing else is set; never the compressed bit.
std::uint32_t ShownWord(std::uint32_t kept, const Inode& inode);

// The word of a store that keeps read-only in the write bits as well: the kept bits, with
// read-only for a file without write bits.
std::uint32_t WordWithWriteBits(const Inode& inode, std::uint32_t kept);

// A read-only file (as `word` shows it) takes a change only when the change clears its
// read-only box.
Verdict ReadOnlyVerdict(std::uint32_t word, const Change& change);
// The kind of file (KindVerdict), then its read-only state: what every store asks first.
Verdict KindAndReadOnlyVerdict(const Inode& inode, std::uint32_t word, const Change& change);

// What the stores of file systems that keep the Windows notions themselves (cifs, FAT, ntfs3)
// refuse alike: the kind of file, a read-only file whose read-only this change does not clear,
// a record that could not be read, and the kernel's rules for the values and times written.
// valuesNeedOwner: the driver lets only the owner (or CAP_FOWNER) set the attributes, as
// FAT's ioctl does; otherwise writing them needs write permission, like any user xattr.
Verdict CommonAdmit(const Inode& inode, const FileRef& file, std::uint32_t word,
                    const Change& change, bool valuesNeedOwner);

// A volume whose creation time is the birth time cannot take a new one: no system call sets it.
Verdict BirthTimeVerdict(const Change& change);
FileTime BirthTime(const Inode& inode);

// Reads the statx record of the file again, after a driver changed its mode.
void RereadInfo(const FileRef& file, Inode& inode);

// A fixed-size number as a value's bytes in CPU order, and back.
template <typename Number>
std::string BytesOf(Number number) {
  return std::string(reinterpret_cast<const char*>(&number), sizeof number);
}

template <typename Number>
bool NumberOf(const SavedValue& saved, Number& number) {
  if (!saved.bytes || saved.bytes->size() != sizeof number) {
    return false;
  }
  std::memcpy(&number, saved.bytes->data(), sizeof number);
  return true;
}

}  // namespace tempinex::platform::linux_fs
