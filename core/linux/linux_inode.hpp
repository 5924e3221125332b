#pragma once

// What the Linux layer reads of one file to answer for its Windows attributes: the statx
// record and the user.DOSATTRIB value that Samba and Wine keep.

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dos_attrib.hpp"
#include "platform.hpp"

namespace tempinex::platform::linux_fs {

struct Inode {
  struct statx info {};
  std::optional<DosAttrib> dos;  // nothing when absent, unreadable or in no known form
};

NativeError ReadInode(const std::string& path, Inode& inode);
NativeError ReadInode(int fd, Inode& inode);
// The two halves of ReadInode(fd): the statx record, and the user.DOSATTRIB value.
NativeError ReadInodeInfo(int fd, Inode& inode);
void ReadDos(int fd, Inode& inode);
// True when both records describe the same file.
bool SameFile(const Inode& one, const Inode& other);

// The bits a file has when it carries no user.DOSATTRIB: hidden for a dot name, archive for
// everything but a directory, and the directory bit.
std::uint32_t ImplicitBits(const Inode& inode, std::string_view path);

// The attribute word without the compressed bit.
std::uint32_t AttributeWord(const Inode& inode, std::string_view path);
bool IsCompressed(const Inode& inode, const std::string& path);

bool HasWriteBits(const Inode& inode);
bool IsDirectory(const Inode& inode);
bool IsRegular(const Inode& inode);

// Stores info as user.DOSATTRIB of path (or of fd when fd >= 0).
NativeError StoreDosAttrib(const std::string& path, int fd, const DosAttrib& info);

// Converts between timespecs and file times.
FileTime FileTimeFromTimestamp(const struct statx_timestamp& stamp);
struct timespec TimespecFromFileTime(FileTime time);

}  // namespace tempinex::platform::linux_fs
