#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>

namespace tempinex {

// Why a file operation failed, in the categories the error messages are written for.
enum class ErrorCause : int {
  kNone = 0,
  kGeneric = 1,
  kFileNotFound = 2,
  kBadPath = 3,
  kTooManyOpenFiles = 4,
  kAccessDenied = 5,
  kInvalidFile = 6,
  kRemoveCurrentDir = 7,
  kDirectoryFull = 8,
  kBadSeek = 9,
  kHardwareIO = 10,
  kSharingViolation = 11,
  kLockViolation = 12,
  kDiskFull = 13,
  kEndOfFile = 14,
};

// Windows error codes (GetLastError) to causes; every code not known is generic.
ErrorCause CauseFromWindowsError(std::uint32_t code);
// errno values to causes; every value not known is generic.
ErrorCause CauseFromErrno(int error);

class FileError : public std::exception {
 public:
  FileError(ErrorCause cause, std::int32_t osError, std::u16string path = {},
            bool mayBeHalfWritten = false)
      : cause(cause), osError(osError), path(std::move(path)), mayBeHalfWritten(mayBeHalfWritten) {}
  const char* what() const noexcept override { return "file error"; }

  ErrorCause cause;
  std::int32_t osError;  // the platform's code, -1 when there is none
  std::u16string path;   // may be empty
  // The write failed half-way and putting the file back failed too: it may be half-written.
  bool mayBeHalfWritten;
};

// Result codes raised by the time conversions.
inline constexpr std::uint32_t kResultFail = 0x80004005;        // E_FAIL
inline constexpr std::uint32_t kResultInvalidArg = 0x80070057;  // E_INVALIDARG

class ResultCodeError : public std::exception {
 public:
  explicit ResultCodeError(std::uint32_t code, std::u16string path = {})
      : code(code), path(std::move(path)) {}
  const char* what() const noexcept override { return "result code error"; }

  std::uint32_t code;
  std::u16string path;  // the file whose status gave the code; may be empty
};

class InvalidArgumentError : public std::exception {
 public:
  const char* what() const noexcept override { return "invalid argument"; }
};

// An allocation failure. Derives from std::bad_alloc so that one handler sees both.
class OutOfMemoryError : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "out of memory"; }
};

}  // namespace tempinex
