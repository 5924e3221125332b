#pragma once

// Helpers of the Windows tests: a temporary folder, files made and inspected with plain Win32
// calls (not through the code under test), the C library's time zone, and Wine detection.

#include <windows.h>
// windows.h maps these to their W forms; the platform layer has functions of these names.
#undef MoveFile
#undef GetFullPathName

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_operate.hpp"
#include "shell_seams.hpp"

namespace tempinex::win32_test {

inline const wchar_t* W(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string U(const std::wstring& text) {
  return std::u16string(text.begin(), text.end());
}

// Wine answers to the same calls with a few differences of its own; the tests that meet one
// skip that single assertion and say why.
inline bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A fresh folder under the user's temporary folder, removed with its files at the end.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::wstring candidate = std::wstring(base) + L"tempinex-" +
                               std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(++serial);
      if (CreateDirectoryW(candidate.c_str(), nullptr)) {
        path = U(candidate);
        return;
      }
    }
    ADD_FAILURE() << "cannot create a temporary folder";
  }
  ~TempFolder() { RemoveTree(path); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::u16string Join(const std::u16string& name) const { return path + u"\\" + name; }

  std::u16string path;

 private:
  static void RemoveTree(const std::u16string& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(W(folder + u"\\*"), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::u16string name = U(found.cFileName);
        if (name == u"." || name == u"..") {
          continue;
        }
        const std::u16string child = folder + u"\\" + name;
        SetFileAttributesW(W(child), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(child);
        } else {
          DeleteFileW(W(child));
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(W(folder));
  }
};

// Makes a file holding `bytes` bytes.
inline void MakeFile(const std::u16string& path, std::size_t bytes = 0) {
  const HANDLE file = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create a test file";
  const std::string data(bytes, 'x');
  DWORD written = 0;
  if (bytes > 0) {
    WriteFile(file, data.data(), static_cast<DWORD>(bytes), &written, nullptr);
  }
  CloseHandle(file);
  ASSERT_EQ(written, bytes);
}

inline bool Exists(const std::u16string& path) {
  return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES;
}

inline DWORD Attributes(const std::u16string& path) {
  return GetFileAttributesW(W(path));
}

inline WIN32_FILE_ATTRIBUTE_DATA Info(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_TRUE(GetFileAttributesExW(W(path), GetFileExInfoStandard, &data));
  return data;
}

inline std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline void SetTimes(const std::u16string& path, std::uint64_t creation, std::uint64_t access,
                     std::uint64_t write) {
  const HANDLE file = CreateFileW(W(path), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const FILETIME c{static_cast<DWORD>(creation), static_cast<DWORD>(creation >> 32)};
  const FILETIME a{static_cast<DWORD>(access), static_cast<DWORD>(access >> 32)};
  const FILETIME w{static_cast<DWORD>(write), static_cast<DWORD>(write >> 32)};
  EXPECT_TRUE(SetFileTime(file, &c, &a, &w));
  CloseHandle(file);
}

// 100-ns ticks since 1601 of a UTC instant given in seconds since 1970.
inline std::uint64_t TicksOfUnix(std::int64_t seconds) {
  return static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
}

// The C library's zone, in POSIX form (the library misreads zone names), for one scope.
class ScopedCrtZone {
 public:
  explicit ScopedCrtZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
      previous = old;
      hadPrevious = true;
    }
    _putenv_s("TZ", zone);
    _tzset();
  }
  ~ScopedCrtZone() {
    _putenv_s("TZ", hadPrevious ? previous.c_str() : "");
    _tzset();
  }
  ScopedCrtZone(const ScopedCrtZone&) = delete;
  ScopedCrtZone& operator=(const ScopedCrtZone&) = delete;

 private:
  std::string previous;
  bool hadPrevious = false;
};

class RecordingShell : public IShellInfo {
 public:
  std::u16string DisplayName(const std::u16string& path) override { return path; }
  std::u16string TypeName(const std::u16string&) override { return u"type"; }
};

class RecordingMessages : public IMessageBox {
 public:
  struct Shown {
    std::u16string caption;
    std::u16string text;
  };
  void ShowMessage(const std::u16string& caption, const std::u16string& text, MessageIcon,
                   bool) override {
    shown.push_back({caption, text});
  }
  std::vector<Shown> shown;
};

}  // namespace tempinex::win32_test
