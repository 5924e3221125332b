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
// The bits the program edits: read-only, hidden, system and archive.
inline constexpr std::uint32_t kAttrEditable =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

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
// The code of a file this user may not change.
NativeError AccessDeniedError();
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

// A status read: what the file path names now shows, read without opening it.
NativeError GetAttributeData(const std::u16string& path, AttributeData& data);
NativeError GetAttributes(const std::u16string& path, std::uint32_t& attributes);

// Moves `from` to `to` within a volume. Never replaces an existing `to`.
NativeError MoveFile(const std::u16string& from, const std::u16string& to);

// Every change to a file goes through an open file: open_file.hpp.

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
