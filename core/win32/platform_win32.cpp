// The Windows platform layer: every service of platform.hpp is the Win32 call of the same
// purpose, and every NativeError is a GetLastError() code.

#include <windows.h>
// After windows.h, which it needs.
#include <shlwapi.h>

// windows.h maps these names to their W forms; ours are functions of their own.
#undef MoveFile
#undef GetFullPathName

#include <cstring>
#include <vector>

#include "platform.hpp"
#include "win32_values.hpp"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters are needed");

namespace tempinex::platform {

namespace {

using win32::FromFiletime;
using win32::LastError;
using win32::ToFiletime;
using win32::Wide;

std::u16string FromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

std::u16string TrimLineEnds(std::u16string text) {
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

ErrorCause CauseOf(NativeError error) {
  return CauseFromWindowsError(static_cast<std::uint32_t>(error));
}

NativeError InvalidNameError() {
  return ERROR_INVALID_NAME;
}

NativeError AccessDeniedError() {
  return ERROR_ACCESS_DENIED;
}

std::u16string DescribeError(NativeError error) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) {
    return u"エラー コード " + FromWide(std::to_wstring(static_cast<DWORD>(error)).c_str());
  }
  std::u16string text = FromWide(buffer, length);
  ::LocalFree(buffer);
  return TrimLineEnds(std::move(text));
}

namespace {

// One of the two calls that shift a FILETIME between UTC and local time.
NativeError Shift(BOOL(WINAPI* shift)(const FILETIME*, LPFILETIME), FileTime from, FileTime& to) {
  const FILETIME in = ToFiletime(from);
  FILETIME out{};
  if (!shift(&in, &out)) {
    return LastError();
  }
  to = FromFiletime(out);
  return 0;
}

}  // namespace

NativeError FileTimeToLocalFileTime(FileTime utc, FileTime& local) {
  return Shift(::FileTimeToLocalFileTime, utc, local);
}

NativeError LocalFileTimeToFileTime(FileTime local, FileTime& utc) {
  return Shift(::LocalFileTimeToFileTime, local, utc);
}

NativeError FileTimeToCalendar(FileTime time, CalendarTime& calendar) {
  const FILETIME in = ToFiletime(time);
  SYSTEMTIME out{};
  if (!::FileTimeToSystemTime(&in, &out)) {
    return LastError();
  }
  calendar.year = out.wYear;
  calendar.month = out.wMonth;
  calendar.dayOfWeek = out.wDayOfWeek;
  calendar.day = out.wDay;
  calendar.hour = out.wHour;
  calendar.minute = out.wMinute;
  calendar.second = out.wSecond;
  calendar.milliseconds = out.wMilliseconds;
  return 0;
}

NativeError CalendarToFileTime(const CalendarTime& calendar, FileTime& time) {
  SYSTEMTIME in{};
  in.wYear = calendar.year;
  in.wMonth = calendar.month;
  in.wDayOfWeek = calendar.dayOfWeek;
  in.wDay = calendar.day;
  in.wHour = calendar.hour;
  in.wMinute = calendar.minute;
  in.wSecond = calendar.second;
  in.wMilliseconds = calendar.milliseconds;
  FILETIME out{};
  if (!::SystemTimeToFileTime(&in, &out)) {
    return LastError();
  }
  time = FromFiletime(out);
  return 0;
}

NativeError GetAttributeData(const std::u16string& path, AttributeData& data) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!::GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &info)) {
    return LastError();
  }
  data = win32::DataFrom(info);
  return 0;
}

NativeError GetAttributes(const std::u16string& path, std::uint32_t& attributes) {
  attributes = ::GetFileAttributesW(Wide(path));
  return attributes == INVALID_FILE_ATTRIBUTES ? LastError() : 0;
}

NativeError MoveFile(const std::u16string& from, const std::u16string& to) {
  return ::MoveFileW(Wide(from), Wide(to)) ? 0 : LastError();
}

NativeError GetFullPathName(const std::u16string& path, std::u16string& full,
                            std::size_t& lastComponent) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    wchar_t* filePart = nullptr;
    const DWORD length =
        ::GetFullPathNameW(Wide(path), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    if (length == 0) {
      return LastError();
    }
    if (length < buffer.size()) {
      full = FromWide(buffer.data(), length);
      lastComponent = filePart != nullptr ? static_cast<std::size_t>(filePart - buffer.data())
                                          : std::u16string::npos;
      return 0;
    }
    buffer.resize(length + 1);  // the length asked for, terminator included
  }
}

std::u16string RootOf(const std::u16string& fullPath) {
  std::vector<wchar_t> buffer(fullPath.size() + 1 + MAX_PATH, L'\0');
  std::memcpy(buffer.data(), fullPath.c_str(), fullPath.size() * sizeof(char16_t));
  if (!::PathStripToRootW(buffer.data())) {
    return {};
  }
  return FromWide(buffer.data());
}

bool IsNetworkRoot(const std::u16string& root) {
  return ::PathIsUNCW(Wide(root)) != FALSE;
}

NativeError GetVolumeFlags(const std::u16string& root, std::uint32_t& flags) {
  DWORD systemFlags = 0;
  if (!::GetVolumeInformationW(root.empty() ? nullptr : Wide(root), nullptr, 0, nullptr, nullptr,
                               &systemFlags, nullptr, 0)) {
    return LastError();
  }
  flags = systemFlags;
  return 0;
}

NativeError FindStoredName(const std::u16string& path, std::u16string& name) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(Wide(path), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return LastError();
  }
  ::FindClose(search);
  name = FromWide(found.cFileName);
  return 0;
}

std::u16string UpperCase(const std::u16string& text) {
  std::u16string upper = text;
  ::CharUpperW(reinterpret_cast<wchar_t*>(upper.data()));
  return upper;
}

std::u16string ShortPathName(const std::u16string& fullPath) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetShortPathNameW(Wide(fullPath), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return fullPath;
    }
    if (length < buffer.size()) {
      return FromWide(buffer.data(), length);
    }
    buffer.resize(length);
  }
}

}  // namespace tempinex::platform
