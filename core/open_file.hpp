#pragma once

// One file, opened once. Every change the program makes to a file goes through one OpenFile:
// its name is resolved when it is opened, and every later step (reading its state, the
// writability test, each write, putting it back after a failure) reaches the file that was
// opened, whatever happens to the name meanwhile. The platform layers implement it: Linux on an
// O_PATH descriptor, Windows on a handle.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "file_time.hpp"
#include "platform.hpp"

namespace tempinex::platform {

using tempinex::PreciseTime;
using tempinex::PreciseTimes;

// Tells one file from another: two names of the same file give the same identity.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Why a file cannot take a change. Every refusal names one; kSystemError leaves the reason to
// the system's error code.
enum class Obstacle : std::uint8_t {
  kNone,
  kSystemError,            // the error code says why (a missing file, no permission, ...)
  kNotRegular,             // a pipe, a device, a socket or a link: never written
  kFolderTimes,            // the times of a folder, which this caller does not change
  kReadOnly,               // read-only, and this change does not clear it
  kImmutable,              // immutable or append-only
  kReadOnlyVolume,         // the volume is mounted read-only
  kNotOwner,               // only the owner, or a privileged user, may make this change
  kNeedsPrivilege,         // only a privileged user may make this change on this volume
  kNoExtendedAttributes,   // the volume keeps no extended attributes, which the change needs
  kCreationTimeFixed,      // this volume's creation time cannot be set from this system
  kAttributesUnsupported,  // the kernel cannot change this volume's attributes
  kRootFolder,             // a FAT or exFAT volume's root folder: keeps no attributes, no times
  kWouldTurnSpecial,       // the volume would show the file as a pipe or a socket afterwards
  kRecordUnreadable,       // what the volume keeps of the file could not be read; error says why
  kNotKept,                // the volume took the change but did not keep it (found afterwards)
};

struct Verdict {
  Obstacle obstacle = Obstacle::kNone;
  NativeError error = 0;  // the system's code, where one goes with the obstacle
  bool Admitted() const { return obstacle == Obstacle::kNone; }
};

// What one file is to become. A value left empty stays as it is on the file. Times keep
// nanoseconds where the file system does; Windows keeps 100-nanosecond units.
struct Change {
  std::optional<PreciseTime> creation;
  std::optional<PreciseTime> lastAccess;
  std::optional<PreciseTime> lastWrite;
  // The new attribute set; its read-only, hidden, system and archive bits are written where
  // they differ from the file's, every other bit of the file stays.
  std::optional<std::uint32_t> attributes;
  // The user cleared this file's read-only box: a read-only file may be made writable. Without
  // it a read-only file is refused whatever `attributes` says.
  bool mayClearReadOnly = false;
  // The times of a folder, or of a symbolic link opened as itself, may be set. The dialog never
  // sets them; the command-line program may.
  bool foldersAndLinks = false;

  bool SetsTimes() const { return creation || lastAccess || lastWrite; }
  bool Empty() const { return !SetsTimes() && !attributes; }
};

// A value a volume keeps for a file beside its data (an extended attribute, a driver's
// attribute byte), as it was read.
struct SavedValue {
  std::string name;
  bool known = false;                // false when it could not be read: never put back
  std::optional<std::string> bytes;  // nothing when the file had no such value
  bool operator==(const SavedValue&) const = default;
};

// Everything a change may alter on one file, as it was: what a failed change and an undo put
// back. The change time is not in it: the system sets it at every change and nothing sets it
// back.
struct SavedState {
  FileIdentity identity;
  std::uint32_t mode = 0;  // Linux: the permission bits; Windows: the attribute word
  PreciseTime creation;    // Windows only; Linux keeps a settable creation time in `values`
  PreciseTime lastAccess;
  PreciseTime lastWrite;
  std::vector<SavedValue> values;
  bool operator==(const SavedState&) const = default;
};

class OpenFile {
 public:
  virtual ~OpenFile() = default;

  // The file's state as last read: when it was opened, refreshed by Reread and kept up to date
  // by each write step.
  virtual const AttributeData& State() const = 0;
  // The same three times to the nanosecond where the file system keeps them; all zero for a
  // creation time that is not known.
  virtual PreciseTimes Times() const = 0;
  virtual NativeError Reread() = 0;
  virtual FileIdentity Identity() const = 0;
  // True for a folder; true for a symbolic link opened as itself.
  virtual bool IsFolder() const = 0;
  virtual bool IsLink() const = 0;

  // The writability test: whether this user can make all of `change` to the file as last read.
  // Nothing is written, and nothing is opened for writing.
  virtual Verdict Admit(const Change& change) = 0;

  // The two write steps of a change, in the order the caller chooses (file_change.hpp). The
  // first of them saves the file's state for Restore. Each returns 0 or the failure.
  virtual NativeError WriteAttributes(const Change& change) = 0;
  virtual NativeError WriteTimes(const Change& change) = 0;
  // After both steps: whether the volume kept what they wrote, where it can tell only by asking
  // afterwards (a server may take a value and drop it). kNotKept when it did not; the caller
  // then puts the file back. A platform that cannot tell answers that it kept it.
  virtual Verdict Kept(const Change&) { return {}; }
  // After a failed step: puts back what the steps so far changed. 0, or the first failure (the
  // file may then be half-written).
  virtual NativeError Restore() = 0;

  // What a change may alter, as the file was last read (opened, or Reread).
  virtual SavedState Saved() const = 0;
  // Makes the file as `state` describes it: refused (ENOENT or the platform's own code) when
  // `state` is of another file. 0, or the first failure.
  virtual NativeError PutBack(const SavedState& state) = 0;
};

// How the last component of a name is taken when it is a symbolic link.
enum class LinkRule {
  kFollow,  // the file it points to, as touch does for a name the user gave
  kItself,  // the link itself: a link is never followed
};

// Resolves path once and opens what it names for every later step. 0, or why it cannot
// (ENOENT, EACCES, ...). Nothing is opened for writing, and a device or a pipe is never opened
// for reading either.
NativeError OpenFileAt(const std::u16string& path, LinkRule rule, std::unique_ptr<OpenFile>& file);

#ifndef _WIN32
// The command-line program's walk through folders, which runs on Linux only. The entry `name`
// of the open folder `folder`, opened as itself (a link is never followed).
NativeError OpenEntry(OpenFile& folder, const std::u16string& name,
                      std::unique_ptr<OpenFile>& file);

struct FolderEntry {
  std::u16string name;
  bool folder = false;  // as the listing tells it: OpenEntry tells what the entry is now
  bool link = false;
};
// The entries of the open folder, "." and ".." left out, in no particular order.
NativeError ListFolder(OpenFile& folder, std::vector<FolderEntry>& entries);

// A descriptor open for reading the contents of the open regular file (the file that was
// opened, whatever its name names now), its last access time left as it is where this user
// may ask that; -1 with errno set for anything but a regular file, which is never opened.
int OpenContents(OpenFile& file);
#endif

}  // namespace tempinex::platform
