#pragma once

// What the two halves of the Windows layer (status reads and renames in platform_win32.cpp,
// the open file in open_file_win32.cpp) convert alike between Win32 values and the core's.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform.hpp"

namespace tempinex::platform::win32 {

inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The code of the call that just failed. A call that failed always leaves one; a failure stays
// a failure even when it did not.
inline NativeError LastError() {
  const DWORD error = ::GetLastError();
  return error == 0 ? static_cast<NativeError>(ERROR_GEN_FAILURE) : static_cast<NativeError>(error);
}

inline FILETIME ToFiletime(FileTime time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

inline FileTime FromFiletime(const FILETIME& time) {
  return (static_cast<FileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Attributes, times and size from a record that has them under the Win32 names
// (WIN32_FILE_ATTRIBUTE_DATA, BY_HANDLE_FILE_INFORMATION).
template <typename Info>
AttributeData DataFrom(const Info& info) {
  AttributeData data;
  data.attributes = info.dwFileAttributes;
  data.creation = FromFiletime(info.ftCreationTime);
  data.lastAccess = FromFiletime(info.ftLastAccessTime);
  data.lastWrite = FromFiletime(info.ftLastWriteTime);
  data.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return data;
}

}  // namespace tempinex::platform::win32
