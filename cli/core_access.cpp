#include "core_access.hpp"

#include <cerrno>

#include "change_probe.hpp"
#include "file_name.hpp"
#include "file_status.hpp"
#include "platform.hpp"

namespace tempinex::cli {

namespace {

namespace platform = tempinex::platform;

Refusal RefusalOf(platform::ChangeRefusal refusal) {
  switch (refusal) {
    case platform::ChangeRefusal::kNone:
      return Refusal::kNone;
    case platform::ChangeRefusal::kNotFound:
      return Refusal::kCannotRead;
    case platform::ChangeRefusal::kNotRegular:
      return Refusal::kNotRegular;
    case platform::ChangeRefusal::kDirectoryTimes:
      return Refusal::kDirectoryTimes;
    case platform::ChangeRefusal::kReadOnly:
      return Refusal::kReadOnly;
    case platform::ChangeRefusal::kImmutable:
      return Refusal::kImmutable;
    case platform::ChangeRefusal::kNoPermission:
      return Refusal::kNoPermission;
    case platform::ChangeRefusal::kNoExtendedAttributes:
      return Refusal::kNoExtendedAttributes;
  }
  return Refusal::kNoPermission;
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
  platform::PlannedChange planned;
  planned.writesTimes = change.modified || change.accessed;
  planned.writesCreation = change.created.has_value();
  planned.oldAttributes = before.attributes & kEditable;
  planned.newAttributes = change.attributes.value_or(planned.oldAttributes);
  const platform::ChangeAnswer answer = platform::ProbeChange(path, planned);
  if (answer.refusal != platform::ChangeRefusal::kNone) {
    return {RefusalOf(answer.refusal), answer.error};
  }
  // A file is also put to the dialog's own test: it must open for writing, as it would be
  // once a read-only attribute that the change clears is gone.
  if (!(before.attributes & kDirectory)) {
    const platform::NativeError error =
        platform::ProbeOpenForWrite(path, ClearsReadOnly(before, change));
    if (error != 0) {
      return {Refusal::kNoPermission, error};
    }
  }
  return {};
}

int MakeChange(const std::u16string& path, const FileState& before, const Change& change) {
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

}  // namespace tempinex::cli
