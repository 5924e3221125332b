#pragma once

// What the Linux layer reads of one file to answer for its Windows attributes: the statx
// record, the store that serves the file's volume and what that store keeps of the file; and
// the helpers every store shares to read, write and put back the parts of a file they have in
// common (mode, times, extended attributes).

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <string_view>

#include "attribute_store.hpp"
#include "file_ref.hpp"
#include "file_time.hpp"
#include "platform.hpp"

namespace tempinex::platform::linux_fs {

struct Inode {
  struct statx info {};
  bool dotName = false;  // the name it was reached by begins with a dot
  const AttributeStore* store = nullptr;
  StoreRecord record;
};

// The statx record of `file`, then the volume's store and its record of the file.
NativeError ReadInode(const FileRef& file, bool dotName, Inode& inode);
FileIdentity IdentityOf(const Inode& inode);

// The attribute word as the file's store answers it, with the compressed bit.
std::uint32_t AttributesOf(const Inode& inode, const FileRef& file);
// What the program shows of the file: its attribute word, its three times and its size.
AttributeData DataOf(const Inode& inode, const FileRef& file);
PreciseTimes TimesOf(const Inode& inode);

bool HasWriteBits(const Inode& inode);
bool IsDirectory(const Inode& inode);
bool IsRegular(const Inode& inode);
bool IsLink(const Inode& inode);

// The final component of path, trailing slashes ignored.
std::string_view LastComponent(std::string_view path);
// True for a name that begins with a dot ("." and ".." excepted).
bool IsDotName(std::string_view path);

// Write bits given back to a file made writable, as Wine does: the owner's always, and the
// group's and others' where they may read, less the umask.
mode_t WritableMode(mode_t mode);
// Changes the permission bits and keeps inode up to date.
NativeError ChangeMode(const FileRef& file, Inode& inode, mode_t mode);
// Sets the last-access and last-write times of `change` (those it holds) and keeps inode up
// to date. A time outside the years every Linux file system keeps is read back: where the
// volume kept another one (clamped to its range), ERANGE, and inode is left as it was read.
NativeError SetAccessAndWrite(const FileRef& file, Inode& inode, const Change& change);

// The saved state of the file inode describes: identity, mode, times and the store's raw
// values.
SavedState SavedOf(const Inode& inode);

// What PutBackParts puts back of a saved state.
struct PutBackParts {
  bool values = true;
  bool removable = true;  // a value the file did not have is removed (not for driver values)
  bool times = true;
  bool mode = true;
};
// Puts back the parts of `state` on `file` (now as `now` read it), each only where it differs.
// A file that lost its write bits since gets its mode back first, so that its values can be
// written; otherwise the mode comes last, so that a file made writable keeps its write bits
// while its values are written.
NativeError PutBackCommon(const FileRef& file, const Inode& now, const SavedState& state,
                          const PutBackParts& parts);

// Conversions between the kernel's times and the program's.
FileTime FileTimeFromTimestamp(const struct statx_timestamp& stamp);
PreciseTime PreciseFromTimestamp(const struct statx_timestamp& stamp);
struct timespec TimespecFromPrecise(const PreciseTime& time);

}  // namespace tempinex::platform::linux_fs
