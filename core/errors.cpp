#include "errors.hpp"

#include <cerrno>

namespace tempinex {

namespace {

struct CodeRange {
  ErrorCause cause;
  std::initializer_list<std::uint32_t> codes;
};

// The classic mapping of Windows error codes to file-error causes.
const CodeRange kWindowsCodes[] = {
    {ErrorCause::kNone, {0}},
    {ErrorCause::kFileNotFound, {2, 6, 18, 107}},
    {ErrorCause::kBadPath,
     {3, 15, 17, 34, 52, 53, 55, 67, 70, 85, 111, 123, 124, 125, 144, 154, 161, 206, 208, 267}},
    {ErrorCause::kTooManyOpenFiles, {4, 36, 68, 113}},
    {ErrorCause::kAccessDenied, {5, 12, 19, 29, 54, 58, 64, 65, 71, 80, 82, 86, 170, 183, 999}},
    {ErrorCause::kInvalidFile, {11, 26, 60, 66, 114, 182, 191, 193}},
    {ErrorCause::kRemoveCurrentDir, {16, 145}},
    {ErrorCause::kDirectoryFull, {62}},
    {ErrorCause::kBadSeek, {24, 25, 27, 30, 131, 132}},
    {ErrorCause::kHardwareIO, {20, 21, 22, 23, 57, 59, 88, 117, 995, 996, 997}},
    {ErrorCause::kSharingViolation, {32}},
    {ErrorCause::kLockViolation, {33, 108, 167}},
    {ErrorCause::kDiskFull, {39, 112}},
    {ErrorCause::kEndOfFile, {38}},
};

}  // namespace

ErrorCause CauseFromWindowsError(std::uint32_t code) {
  for (const CodeRange& range : kWindowsCodes) {
    for (std::uint32_t listed : range.codes) {
      if (listed == code) {
        return range.cause;
      }
    }
  }
  return ErrorCause::kGeneric;
}

ErrorCause CauseFromErrno(int error) {
  switch (error) {
    case 0:
      return ErrorCause::kNone;
    case ENOENT:
      return ErrorCause::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ErrorCause::kBadPath;
    case EMFILE:
    case ENFILE:
      return ErrorCause::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
      return ErrorCause::kAccessDenied;
    case EBADF:
      return ErrorCause::kInvalidFile;
    case EBUSY:
    case ETXTBSY:
      return ErrorCause::kSharingViolation;
    case ENOSPC:
#ifdef EDQUOT  // not in every C library (MinGW-w64 has none)
    case EDQUOT:
#endif
      return ErrorCause::kDiskFull;
    case EIO:
      return ErrorCause::kHardwareIO;
    default:
      return ErrorCause::kGeneric;
  }
}

}  // namespace tempinex
