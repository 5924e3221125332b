#include "file_status.hpp"

#include <algorithm>

namespace tempinex {

namespace {

void CopyToBuffer(std::u16string_view text, char16_t (*out)[kMaxPath]) {
  const std::size_t length = std::min(text.size(), kMaxPath - 1);
  std::copy_n(text.begin(), length, *out);
  (*out)[length] = u'\0';
}

// A file time as a StatusTime, or 0 when the platform cannot show it in local time.
StatusTime ShownTime(platform::FileTime time) {
  platform::FileTime local = 0;
  platform::CalendarTime calendar;
  if (platform::FileTimeToLocalFileTime(time, local) != 0 ||
      platform::FileTimeToCalendar(local, calendar) != 0) {
    return 0;
  }
  return FileTimeToStatusTime(time, -1);
}

[[noreturn]] void RaiseFileError(platform::NativeError error, const std::u16string& path) {
  throw FileError(platform::CauseOf(error), error, path);
}

void SetAttributesOrRaise(const std::u16string& path, std::uint32_t attributes) {
  if (const platform::NativeError error = platform::SetAttributes(path, attributes)) {
    RaiseFileError(error, path);
  }
}

void WriteTimes(const std::u16string& path, const FileStatus& status) {
  // Converted in this order so that a conversion failure is met before the file is opened.
  platform::FileTime modified = 0;
  platform::FileTime accessed = 0;
  platform::FileTime created = 0;
  if (status.modified != 0) {
    modified = StatusTimeToFileTime(status.modified);
  }
  if (status.accessed != 0) {
    accessed = StatusTimeToFileTime(status.accessed);
  }
  if (status.created != 0) {
    created = StatusTimeToFileTime(status.created);
  }
  if (status.modified == 0 && status.accessed == 0 && status.created == 0) {
    return;
  }
  platform::FileHandle handle;
  if (const platform::NativeError error = platform::OpenForTimeWrite(path, handle)) {
    RaiseFileError(error, path);
  }
  const platform::NativeError error = platform::SetFileTimes(
      handle, status.created != 0 ? &created : nullptr, status.accessed != 0 ? &accessed : nullptr,
      status.modified != 0 ? &modified : nullptr);
  if (error != 0) {
    platform::CloseFile(handle);
    RaiseFileError(error, path);
  }
  if (const platform::NativeError closeError = platform::CloseFile(handle)) {
    RaiseFileError(closeError, path);
  }
}

}  // namespace

bool ResolveFullPath(const char16_t* path, char16_t (*out)[kMaxPath]) {
  if (path == nullptr || out == nullptr) {
    throw InvalidArgumentError();
  }
  const std::u16string given(path);
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

namespace {

// The steps of WriteFileStatus, within its visit.
void WriteSteps(const std::u16string& path, const FileStatus& status, bool leaveAttributes) {
  std::uint32_t word = 0;
  if (const platform::NativeError error = platform::GetAttributes(path, word)) {
    RaiseFileError(error, path);
  }
  const std::uint32_t attribute = status.attribute;
  const bool writeAttributes = !leaveAttributes && attribute != word;
  // A file being made writable takes its times only after the attribute; a file being made
  // read-only only before it.
  const bool wasReadOnly = (word & platform::kAttrReadOnly) != 0;
  if (writeAttributes && wasReadOnly) {
    SetAttributesOrRaise(path, attribute);
  }
  WriteTimes(path, status);
  if (writeAttributes && !wasReadOnly) {
    SetAttributesOrRaise(path, attribute);
  }
}

}  // namespace

void WriteFileStatus(const std::u16string& path, const FileStatus& status, bool leaveAttributes) {
  const platform::FileVisit visit(path);
  try {
    WriteSteps(path, status, leaveAttributes);
  } catch (...) {
    // A file whose write failed half-way is put back as it was where the platform can; the
    // failure that stopped it is what is told.
    platform::UndoWrites(path);
    throw;
  }
}

}  // namespace tempinex
