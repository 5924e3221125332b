#pragma once

// What the Linux layer reads of one file to answer for its Windows attributes: the statx
// record, the store that serves the file's volume and what that store keeps of the file.

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "attribute_store.hpp"
#include "platform.hpp"

namespace tempinex::platform::linux_fs {

struct Inode {
  struct statx info {};
  const AttributeStore* store = nullptr;  // set with the record
  StoreRecord record;
};

// The statx record, then the volume's store and its record of the file.
NativeError ReadInode(const std::string& path, Inode& inode);
NativeError ReadInode(int fd, Inode& inode);
// The two halves of ReadInode(fd): the statx record, and the store's record.
NativeError ReadInodeInfo(int fd, Inode& inode);
// The statx record of the file path names, without the store's record.
NativeError ReadInodeInfo(const std::string& path, Inode& inode);
void ReadRecord(int fd, Inode& inode);
// True when both records describe the same file.
bool SameFile(const Inode& one, const Inode& other);

// The attribute word without the compressed bit, as the file's store answers it.
std::uint32_t AttributeWord(const Inode& inode, std::string_view path);

bool HasWriteBits(const Inode& inode);
bool IsDirectory(const Inode& inode);
bool IsRegular(const Inode& inode);

// The final component of path, trailing slashes ignored.
std::string_view LastComponent(std::string_view path);
// True for a name that begins with a dot ("." and ".." excepted).
bool IsDotName(std::string_view path);

// Helpers the stores share.
// Changes the permission bits and keeps inode up to date.
NativeError ChangeMode(const std::string& path, Inode& inode, mode_t mode);
// Write bits given back to a file made writable, as Wine does: the owner's always, and the
// group's and others' where they may read, less the umask.
mode_t WritableMode(mode_t mode);
// Sets last access and last write on fd; a null pointer leaves that time as it is.
NativeError SetTimesOnDescriptor(int fd, const FileTime* lastAccess, const FileTime* lastWrite);
// The snapshot of the file inode describes, in the parts every store keeps: identity, mode,
// last access and last write, and raw.
Snapshot SnapshotOf(const Inode& inode);
// Opens the file snapshot was taken of, for putting it back: -1 (errno set) when path no longer
// names that file or it cannot be opened. `now` receives what the file is now.
int OpenSnapshotFile(const std::string& path, const Snapshot& snapshot, Inode& now);
// Puts back the raw values of snapshot on fd, then its times when they were written, then its
// mode where it changed: the values first, while a file made writable still is.
NativeError RestoreCommon(int fd, const Inode& now, const Snapshot& snapshot);
// Reads the extended attribute `name` of fd (or of path when fd < 0). Known and without value
// when the file has none or the file system keeps none; not known when it cannot be read.
StoredValue ReadValue(const std::string& path, int fd, const char* name);
// Stores value as the extended attribute `name` of fd (or of path when fd < 0).
NativeError StoreValue(const std::string& path, int fd, const char* name, std::string_view value);

// Converts between timespecs and file times.
FileTime FileTimeFromTimestamp(const struct statx_timestamp& stamp);
struct timespec TimespecFromFileTime(FileTime time);
struct timespec TimespecFromTimestamp(const struct statx_timestamp& stamp);

}  // namespace tempinex::platform::linux_fs
