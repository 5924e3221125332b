#include "core_access.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "file_name.hpp"
#include "file_status.hpp"
#include "platform.hpp"

namespace tempinex::cli {

namespace {

namespace platform = tempinex::platform;

// What kind of file the path names now, without following a last symbolic link: the probe's
// errno alone does not tell a pipe or an immutable file from a file of another user.
struct Kind {
  bool known = false;
  bool regular = false;
  bool frozen = false;  // immutable or append-only
};

Kind KindOf(const std::u16string& path) {
  const std::string native = BytesFromPath(path);
  struct statx info {};
  if (native.empty() ||
      statx(AT_FDCWD, native.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &info) != 0) {
    return {};
  }
  constexpr std::uint64_t kFrozen = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
  return {true, S_ISREG(info.stx_mode),
          (info.stx_attributes_mask & info.stx_attributes & kFrozen) != 0};
}

Admission RefusalOf(const std::u16string& path, platform::NativeError error) {
  const Kind kind = KindOf(path);
  if (kind.known && !kind.regular) {
    return {Refusal::kNotRegular, error};
  }
  if (kind.frozen) {
    return {Refusal::kImmutable, error};
  }
  if (error == ENOTSUP || error == EOPNOTSUPP) {
    return {Refusal::kNoExtendedAttributes, error};
  }
  return {Refusal::kNoPermission, error};
}

bool ClearsReadOnly(const FileState& before, const Change& change) {
  return change.attributes && (before.attributes & kReadOnly) && !(*change.attributes & kReadOnly);
}

int WriteTimes(const std::u16string& path, const Change& change) {
  if (!change.created && !change.modified && !change.accessed) {
    return 0;
  }
  platform::FileHandle handle;
  if (const platform::NativeError error = platform::OpenForTimeWrite(path, handle)) {
    return error;
  }
  const platform::NativeError error = platform::SetFileTimes(
      handle, change.created ? &*change.created : nullptr,
      change.accessed ? &*change.accessed : nullptr, change.modified ? &*change.modified : nullptr);
  const platform::NativeError closeError = platform::CloseFile(handle);
  return error != 0 ? error : closeError;
}

}  // namespace

std::u16string PathFromBytes(std::string_view bytes) {
  return DecodeFileName(bytes);
}

std::string BytesFromPath(const std::u16string& path) {
  return EncodeFileName(path).value_or(std::string());
}

bool WithinPathLimit(const std::u16string& path) {
  if (path.size() >= kMaxPath) {
    return false;
  }
  // A relative path is made absolute against the working folder, which a run never changes:
  // asked once, not once per file.
  static const std::optional<std::u16string> folder = [] {
    std::u16string full;
    std::size_t lastComponent = 0;
    return platform::GetFullPathName(u".", full, lastComponent) == 0
               ? std::optional<std::u16string>(full)
               : std::nullopt;
  }();
  const bool relative = !path.empty() && path.front() != platform::kSeparator;
  std::u16string full;
  std::size_t lastComponent = 0;
  const std::u16string absolute = relative && folder ? *folder + u'/' + path : path;
  // A path that cannot be made absolute is left to the calls that follow to refuse.
  return platform::GetFullPathName(absolute, full, lastComponent) != 0 || full.size() < kMaxPath;
}

Visit::Visit(const std::u16string& path) : visit(new platform::FileVisit(path)) {}

Visit::~Visit() {
  delete static_cast<platform::FileVisit*>(visit);
}

int ReadState(const std::u16string& path, FileState& state) {
  platform::AttributeData data;
  if (const platform::NativeError error = platform::GetAttributeData(path, data)) {
    return error;
  }
  state = {data.attributes, data.creation, data.lastWrite, data.lastAccess, data.size};
  return 0;
}

Admission Admit(const std::u16string& path, const FileState& before, const Change& change) {
  const bool setsTime = change.created || change.modified || change.accessed;
  if (before.attributes & kDirectory) {
    // A folder takes attributes alone, in a single step that cannot be left half-done; its
    // times are never written.
    return setsTime ? Admission{Refusal::kDirectoryTimes, 0} : Admission{};
  }
  if ((before.attributes & kReadOnly) && !ClearsReadOnly(before, change)) {
    return {Refusal::kReadOnly, 0};
  }
  // The dialog's writability test, asked about the whole change.
  platform::PlannedChange planned;
  planned.lastWrite = change.modified.has_value();
  planned.lastAccess = change.accessed.has_value();
  planned.creation = change.created.has_value();
  planned.attributes = change.attributes.has_value();
  planned.newAttributes = change.attributes.value_or(0);
  planned.mayClearReadOnly = ClearsReadOnly(before, change);
  if (const platform::NativeError error = platform::ProbeOpenForWrite(path, planned)) {
    return RefusalOf(path, error);
  }
  return {};
}

namespace {

int MakeSteps(const std::u16string& path, const FileState& before, const Change& change) {
  const bool attributesFirst = ClearsReadOnly(before, change);
  if (change.attributes && attributesFirst) {
    if (const platform::NativeError error = platform::SetAttributes(path, *change.attributes)) {
      return error;
    }
  }
  if (const int error = WriteTimes(path, change)) {
    return error;
  }
  if (change.attributes && !attributesFirst) {
    return platform::SetAttributes(path, *change.attributes);
  }
  return 0;
}

}  // namespace

int MakeChange(const std::u16string& path, const FileState& before, const Change& change) {
  const int error = MakeSteps(path, before, change);
  if (error != 0) {
    // A file whose change failed half-way is put back as it was, where the platform can.
    platform::UndoWrites(path);
  }
  return error;
}

}  // namespace tempinex::cli
