#pragma once

// The operating-system services the file state core needs, in the shape the core uses them.
// Every call that can fail returns a NativeError: 0 on success, else the platform's own code
// (errno on Linux, GetLastError() on Windows). CauseOf() turns such a code into an ErrorCause.

#include <cstdint>
#include <string>

#include "errors.hpp"

namespace tempinex::platform {

using NativeError = std::int32_t;

// 100-nanosecond units since 1601-01-01 00:00:00 UTC (or local time, where a call says so).
using FileTime = std::uint64_t;

// Broken-down calendar time, field for field the Windows SYSTEMTIME.
struct CalendarTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};

inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrDevice = 0x40;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kAttrCompressed = 0x800;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

// Volume flags of interest to path resolution.
inline constexpr std::uint32_t kVolumeCasePreserved = 0x2;
inline constexpr std::uint32_t kVolumeUnicodeStored = 0x4;

#ifdef _WIN32
inline constexpr char16_t kSeparator = u'\\';
#else
inline constexpr char16_t kSeparator = u'/';
#endif

ErrorCause CauseOf(NativeError error);
// The code of a file name that the platform cannot take.
NativeError InvalidNameError();
// A short sentence saying why a call failed, for messages to the user.
std::u16string DescribeError(NativeError error);

// Time conversions. The local ones shift by the offset in force at the moment of the call,
// whatever the date converted.
NativeError FileTimeToLocalFileTime(FileTime utc, FileTime& local);
NativeError LocalFileTimeToFileTime(FileTime local, FileTime& utc);
NativeError FileTimeToCalendar(FileTime time, CalendarTime& calendar);
NativeError CalendarToFileTime(const CalendarTime& calendar, FileTime& time);

struct AttributeData {
  std::uint32_t attributes = 0;
  FileTime creation = 0;
  FileTime lastAccess = 0;
  FileTime lastWrite = 0;
  std::uint64_t size = 0;
};

NativeError GetAttributeData(const std::u16string& path, AttributeData& data);
NativeError GetAttributes(const std::u16string& path, std::uint32_t& attributes);
// Replaces the attribute set of path with `attributes`.
NativeError SetAttributes(const std::u16string& path, std::uint32_t attributes);

// A file opened for one operation and closed right after it.
struct FileHandle {
  std::intptr_t value = -1;
};

// Opens an existing file so that its time stamps can be set.
NativeError OpenForTimeWrite(const std::u16string& path, FileHandle& handle);
// Sets the times that are given; a null pointer leaves that time as it is.
NativeError SetFileTimes(FileHandle handle, const FileTime* creation, const FileTime* lastAccess,
                         const FileTime* lastWrite);
NativeError CloseFile(FileHandle handle);

// What one apply is about to do to one file, for the writability test.
struct PlannedChange {
  bool lastWrite = false;   // the last-write time is set
  bool lastAccess = false;  // the last-access time is set
  bool creation = false;    // the creation time is set
  // A new attribute set is written (where it differs from the file's): newAttributes.
  bool attributes = false;
  std::uint32_t newAttributes = 0;
  // The user cleared this file's read-only box: a read-only file may be made writable. Without
  // it a read-only file is refused whatever the new set says.
  bool mayClearReadOnly = false;
};

// The writability test: 0 when this user can make all of `change` to the file at path, else
// the reason. Nothing is written. Windows opens the file for writing, unshared, and closes it
// again (opened only to change attributes where a read-only file is being made writable);
// Linux asks what the kernel and the volume's store will allow.
NativeError ProbeOpenForWrite(const std::u16string& path, const PlannedChange& change);

// Moves `from` to `to` within a volume. Never replaces an existing `to`.
NativeError MoveFile(const std::u16string& from, const std::u16string& to);

// Marks the calls this thread makes while it lives as one short visit to one file, during
// which nobody but this program is expected to change the file's attributes: the platform may
// then answer a call from what an earlier call of the same visit learnt of the file, instead of
// asking the file system again. Times and sizes are always read afresh. A visit begun while
// another is under way on the thread does nothing.
class FileVisit {
 public:
  explicit FileVisit(const std::u16string& path);
  ~FileVisit();
  FileVisit(const FileVisit&) = delete;
  FileVisit& operator=(const FileVisit&) = delete;

 private:
  bool began = false;
};

// Within a visit, puts the visited file back as it was before the visit's first write, where
// it can (after a later step of the same file failed): the attribute record, the mode and the
// last-access and last-write times. 0, or the first failure; does nothing outside a visit or
// before a write. The Windows layer keeps nothing to put back and does nothing.
NativeError UndoWrites(const std::u16string& path);

// Path resolution.
// The absolute form of path; lastComponent receives the position of its last component
// (npos when it has none).
NativeError GetFullPathName(const std::u16string& path, std::u16string& full,
                            std::size_t& lastComponent);
std::u16string RootOf(const std::u16string& fullPath);
bool IsNetworkRoot(const std::u16string& root);
NativeError GetVolumeFlags(const std::u16string& root, std::uint32_t& flags);
// The name of path's last component as the file system stores it.
NativeError FindStoredName(const std::u16string& path, std::u16string& name);
std::u16string UpperCase(const std::u16string& text);
// The short (8.3) form of a full path; the path itself where the volume has no short names.
std::u16string ShortPathName(const std::u16string& fullPath);

}  // namespace tempinex::platform
