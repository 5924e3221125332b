#include "core_access.hpp"

#include <cerrno>

#include "file_change.hpp"
#include "file_name.hpp"
#include "file_status.hpp"
#include "open_file.hpp"
#include "platform.hpp"

namespace tempinex::cli {

namespace {

namespace platform = tempinex::platform;

Refusal RefusalOf(platform::Obstacle obstacle) {
  switch (obstacle) {
    case platform::Obstacle::kNone:
      return Refusal::kNone;
    case platform::Obstacle::kSystemError:
      return Refusal::kNoPermission;
    case platform::Obstacle::kNotRegular:
      return Refusal::kNotRegular;
    case platform::Obstacle::kFolderTimes:
      return Refusal::kDirectoryTimes;
    case platform::Obstacle::kReadOnly:
      return Refusal::kReadOnly;
    case platform::Obstacle::kImmutable:
      return Refusal::kImmutable;
    case platform::Obstacle::kReadOnlyVolume:
      return Refusal::kReadOnlyVolume;
    case platform::Obstacle::kNotOwner:
      return Refusal::kNotOwner;
    case platform::Obstacle::kNeedsPrivilege:
      return Refusal::kNeedsPrivilege;
    case platform::Obstacle::kNoExtendedAttributes:
      return Refusal::kNoExtendedAttributes;
    case platform::Obstacle::kCreationTimeFixed:
      return Refusal::kCreationTimeFixed;
    case platform::Obstacle::kAttributesUnsupported:
      return Refusal::kAttributesUnsupported;
    case platform::Obstacle::kWouldTurnSpecial:
      return Refusal::kWouldTurnSpecial;
    case platform::Obstacle::kRecordUnreadable:
      return Refusal::kRecordUnreadable;
    case platform::Obstacle::kNotKept:
      return Refusal::kNotKept;
  }
  return Refusal::kNoPermission;
}

bool ClearsReadOnly(const FileState& before, const Change& change) {
  return change.attributes && (before.attributes & kReadOnly) && !(*change.attributes & kReadOnly);
}

std::optional<PreciseTime> PreciseOf(const std::optional<FileTime>& time) {
  return time ? std::optional<PreciseTime>(PreciseFromFileTime(*time)) : std::nullopt;
}

platform::Change PlatformChange(const FileState& before, const Change& change) {
  platform::Change planned;
  planned.creation = PreciseOf(change.created);
  planned.lastWrite = PreciseOf(change.modified);
  planned.lastAccess = PreciseOf(change.accessed);
  planned.attributes = change.attributes;
  // The command clears read-only only when asked to, and then for the file it names.
  planned.mayClearReadOnly = ClearsReadOnly(before, change);
  return planned;
}

FileState StateOf(const platform::AttributeData& data) {
  return {data.attributes, data.creation, data.lastWrite, data.lastAccess, data.size};
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

int ReadState(const std::u16string& path, FileState& state) {
  platform::AttributeData data;
  if (const platform::NativeError error = platform::GetAttributeData(path, data)) {
    return error;
  }
  state = StateOf(data);
  return 0;
}

File::File(std::unique_ptr<platform::OpenFile> opened) : file(std::move(opened)) {
  Refresh();
}

File::~File() = default;

std::unique_ptr<File> File::Open(const std::u16string& path, int& error) {
  std::unique_ptr<platform::OpenFile> opened;
  error = platform::OpenFileAt(path, platform::LinkRule::kFollow, opened);
  return error == 0 ? std::unique_ptr<File>(new File(std::move(opened))) : nullptr;
}

void File::Refresh() {
  state = StateOf(file->State());
}

int File::Reread() {
  const int error = file->Reread();
  Refresh();
  return error;
}

Identity File::Id() const {
  const platform::FileIdentity identity = file->Identity();
  return {identity.volume, identity.index};
}

bool File::IsFolder() const {
  return file->IsFolder();
}

bool File::IsLink() const {
  return file->IsLink();
}

Admission File::Admit(const Change& change) const {
  const platform::Verdict verdict = file->Admit(PlatformChange(state, change));
  return {RefusalOf(verdict.obstacle), verdict.error};
}

Outcome File::Make(const Change& change) {
  const ChangeOutcome outcome = ApplyChange(*file, PlatformChange(state, change));
  Refresh();
  return {outcome.error, outcome.restoreError, RefusalOf(outcome.obstacle)};
}

std::unique_ptr<File> File::OpenEntry(const std::string& name, int& error) {
  std::unique_ptr<platform::OpenFile> opened;
  error = platform::OpenEntry(*file, PathFromBytes(name), opened);
  return error == 0 ? std::unique_ptr<File>(new File(std::move(opened))) : nullptr;
}

int File::List(std::vector<Entry>& entries) {
  std::vector<platform::FolderEntry> listed;
  const int error = platform::ListFolder(*file, listed);
  for (const platform::FolderEntry& entry : listed) {
    entries.push_back({BytesFromPath(entry.name), entry.folder, entry.link});
  }
  return error;
}

}  // namespace tempinex::cli
