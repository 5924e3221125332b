#pragma once

// Helpers shared by the core tests: a temporary folder, time-zone switching, plain file and
// extended-attribute access that bypasses the code under test, and a way to run the Samba
// helper script.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "dos_attrib.hpp"
#include "file_change.hpp"
#include "file_name.hpp"
#include "file_time.hpp"
#include "open_file.hpp"

namespace tempinex::support {

inline std::u16string U(const std::string& bytes) {
  return DecodeFileName(bytes);
}

// A fresh folder under /tmp, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/tempinex-core-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
      ADD_FAILURE() << "cannot create a temporary folder";
      return;
    }
    path = made;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Join(const std::string& name) const { return path + "/" + name; }

  std::string path;
};

// Switches the process to another time zone for the lifetime of the object.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& zone) {
    if (const char* old = std::getenv("TZ")) {
      previous = old;
    }
    if (zone != "UTC" && !std::filesystem::exists("/usr/share/zoneinfo/" + zone)) {
      ADD_FAILURE() << "time zone " << zone << " is not installed (package tzdata)";
    }
    setenv("TZ", zone.c_str(), 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (previous) {
      setenv("TZ", previous->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> previous;
};

// The zone's offset from UTC in seconds at the instant given (now by default).
inline long OffsetAt(std::time_t instant = std::time(nullptr)) {
  std::tm fields{};
  localtime_r(&instant, &fields);
  return fields.tm_gmtoff;
}

inline std::time_t UtcSeconds(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  return timegm(&fields);
}

using tempinex::kTicksPerSecond;

inline std::uint64_t NtTime(std::int64_t unixSeconds, std::uint64_t ticks = 0) {
  return FileTimeFromPrecise({unixSeconds, 0}) + ticks;
}

// Replaces the attribute set of the file at path as the program does (read-only may be
// cleared); 0 or the failure.
inline int SetAttributes(const std::u16string& path, std::uint32_t attributes) {
  std::unique_ptr<platform::OpenFile> file;
  if (const int error = platform::OpenFileAt(path, platform::LinkRule::kFollow, file)) {
    return error;
  }
  platform::Change change;
  change.attributes = attributes;
  change.mayClearReadOnly = true;
  return ApplyChange(*file, change).error;
}

inline void WriteFile(const std::string& path, const std::string& content) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
}

inline struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}

inline void SetTimes(const std::string& path, timespec accessed, timespec modified) {
  const timespec times[2] = {accessed, modified};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

inline std::optional<std::string> ReadXattr(const std::string& path) {
  char buffer[1024];
  const ssize_t length = getxattr(path.c_str(), kDosAttribName, buffer, sizeof buffer);
  if (length < 0) {
    return std::nullopt;
  }
  return std::string(buffer, static_cast<std::size_t>(length));
}

inline void SetXattr(const std::string& path, const std::string& value) {
  ASSERT_EQ(setxattr(path.c_str(), kDosAttribName, value.data(), value.size(), 0), 0) << path;
}

inline std::string ToHex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char byte : bytes) {
    hex.push_back(kDigits[static_cast<unsigned char>(byte) >> 4]);
    hex.push_back(kDigits[static_cast<unsigned char>(byte) & 0xF]);
  }
  return hex;
}

inline std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// Runs the Samba helper with the arguments given; its output, or nothing when it failed.
inline std::optional<std::string> RunSambaHelper(const std::string& arguments) {
  const std::string command =
      std::string("/usr/bin/python3 ") + TEMPINEX_SAMBA_CHECK + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return std::nullopt;
  }
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    output += buffer;
  }
  const int status = pclose(pipe);
  if (status != 0) {
    return std::nullopt;
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) {
    output.pop_back();
  }
  return output;
}

inline bool SambaAvailable() {
  static const bool available = RunSambaHelper("check").has_value();
  return available;
}

}  // namespace tempinex::support
