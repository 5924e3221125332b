#include "file_status.hpp"

#include <algorithm>
#include <memory>
#include <optional>

#include "file_change.hpp"

namespace tempinex {

namespace {

void CopyToBuffer(std::u16string_view text, char16_t (*out)[kMaxPath]) {
  const std::size_t length = std::min(text.size(), kMaxPath - 1);
  std::copy_n(text.begin(), length, *out);
  (*out)[length] = u'\0';
}

// A file time as a StatusTime, or 0 when the platform cannot show it in local time; as
// FileTimeToStatusTime otherwise, converted once.
StatusTime ShownTime(platform::FileTime time) {
  platform::FileTime local = 0;
  platform::CalendarTime calendar;
  if (platform::FileTimeToLocalFileTime(time, local) != 0 ||
      platform::FileTimeToCalendar(local, calendar) != 0 || calendar.year < 1900) {
    return 0;
  }
  return MakeStatusTime(calendar.year, calendar.month, calendar.day, calendar.hour, calendar.minute,
                        calendar.second, -1);
}

[[noreturn]] void RaiseFileError(platform::NativeError error, const std::u16string& path) {
  throw FileError(platform::CauseOf(error), error, path);
}

std::optional<PreciseTime> PreciseOf(StatusTime time) {
  if (time == 0) {
    return std::nullopt;
  }
  return PreciseFromFileTime(StatusTimeToFileTime(time));
}

}  // namespace

bool ResolveFullPath(const char16_t* path, char16_t (*out)[kMaxPath]) {
  if (path == nullptr || out == nullptr) {
    throw InvalidArgumentError();
  }
  return ResolveFullPath(std::u16string(path), out);
}

bool ResolveFullPath(const std::u16string& given, char16_t (*out)[kMaxPath]) {
  if (out == nullptr) {
    throw InvalidArgumentError();
  }
  std::u16string full;
  std::size_t lastComponent = std::u16string::npos;
  if (platform::GetFullPathName(given, full, lastComponent) != 0) {
    CopyToBuffer(given, out);
    return false;
  }
  if (full.size() >= kMaxPath) {
    return false;
  }
  const std::u16string root = platform::RootOf(full);
  if (!platform::IsNetworkRoot(root)) {
    std::uint32_t flags = 0;
    if (platform::GetVolumeFlags(root, flags) != 0) {
      return false;
    }
    if (!(flags & platform::kVolumeCasePreserved)) {
      full = platform::UpperCase(full);
    }
    std::u16string stored;
    if (!(flags & platform::kVolumeUnicodeStored) && platform::FindStoredName(given, stored) == 0) {
      if (lastComponent == std::u16string::npos) {
        return false;
      }
      full = full.substr(0, lastComponent) + stored;
      if (full.size() >= kMaxPath) {
        return false;
      }
    }
  }
  CopyToBuffer(full, out);
  return true;
}

bool ReadFileStatus(const char16_t* path, FileStatus& status) {
  if (path == nullptr || std::char_traits<char16_t>::length(path) >= kMaxPath) {
    return false;
  }
  if (!ResolveFullPath(path, &status.fullPath)) {
    status.fullPath[0] = u'\0';
    return false;
  }
  platform::AttributeData data;
  if (platform::GetAttributeData(path, data) != 0) {
    return false;
  }
  status.attribute = static_cast<std::uint8_t>(data.attributes & 0x7F);
  status.size = data.size;
  status.created = ShownTime(data.creation);
  status.accessed = ShownTime(data.lastAccess);
  status.modified = ShownTime(data.lastWrite);
  if (status.created == 0) {
    status.created = status.modified;
  }
  if (status.accessed == 0) {
    status.accessed = status.modified;
  }
  return true;
}

platform::Change TimesOfStatus(const FileStatus& status) {
  platform::Change change;
  // Converted in this order, and all before the file is written.
  change.lastWrite = PreciseOf(status.modified);
  change.lastAccess = PreciseOf(status.accessed);
  change.creation = PreciseOf(status.created);
  return change;
}

platform::Change ChangeOfStatus(const platform::Change& times, const FileStatus& status,
                                bool leaveAttributes, std::uint32_t word) {
  platform::Change change = times;
  const std::uint32_t attribute = status.attribute;
  if (!leaveAttributes && attribute != word) {
    change.attributes = attribute;
  }
  return change;
}

namespace {

// Makes the change; raises FileError for a step that failed. The outcome, for a change the
// volume did not keep.
ChangeOutcome Write(platform::OpenFile& file, const std::u16string& path,
                    const platform::Change& change) {
  const ChangeOutcome outcome = ApplyChange(file, change);
  if (!outcome.Done() && !outcome.NotKept()) {
    throw FileError(platform::CauseOf(outcome.error), outcome.error, path,
                    outcome.restoreError != 0);
  }
  return outcome;
}

}  // namespace

bool WriteFileStatus(platform::OpenFile& file, const std::u16string& path,
                     const platform::Change& change) {
  return !Write(file, path, change).NotKept();
}

void WriteFileStatus(const std::u16string& path, const FileStatus& status, bool leaveAttributes) {
  std::unique_ptr<platform::OpenFile> file;
  if (const platform::NativeError error =
          platform::OpenFileAt(path, platform::LinkRule::kFollow, file)) {
    RaiseFileError(error, path);
  }
  platform::Change change =
      ChangeOfStatus(TimesOfStatus(status), status, leaveAttributes, file->State().attributes);
  if (change.Empty()) {
    return;  // nothing to write
  }
  // Asked for on its own, a write may clear read-only; a file that cannot take the whole
  // change is refused before any of it is written.
  change.mayClearReadOnly = true;
  if (const platform::Verdict verdict = file->Admit(change); !verdict.Admitted()) {
    RaiseFileError(verdict.error != 0 ? verdict.error : platform::AccessDeniedError(), path);
  }
  if (const ChangeOutcome outcome = Write(*file, path, change); outcome.NotKept()) {
    RaiseFileError(outcome.error, path);
  }
}

}  // namespace tempinex
