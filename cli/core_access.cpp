#include "core_access.hpp"

#include <unistd.h>

#include <cstdlib>

#include "file_change.hpp"
#include "file_status.hpp"
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
    case platform::Obstacle::kFolderTimes:  // never: the command sets folders' times
      return Refusal::kNotRegular;
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
    case platform::Obstacle::kRootFolder:
      return Refusal::kRootFolder;
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

platform::Change PlatformChange(const FileState& before, const Change& change) {
  platform::Change planned;
  planned.creation = change.created;
  planned.lastWrite = change.modified;
  planned.lastAccess = change.accessed;
  planned.attributes = change.attributes;
  // The command clears read-only only when asked to, and then for the file it names.
  planned.mayClearReadOnly = ClearsReadOnly(before, change);
  planned.foldersAndLinks = true;
  return planned;
}

// The working folder as bytes, asked once: a run never changes it.
const std::string& WorkingFolder() {
  static const std::string folder = [] {
    char* name = getcwd(nullptr, 0);
    const std::string bytes = name != nullptr ? name : "";
    free(name);
    return bytes;
  }();
  return folder;
}

}  // namespace

bool WithinPathLimit(std::string_view name) {
  // No UTF-8 sequence takes more UTF-16 units than bytes, and making a path absolute only
  // folds components away: a path short in bytes is short in units.
  const bool relative = !name.empty() && name.front() != '/';
  const std::size_t upperBound = name.size() + (relative ? WorkingFolder().size() + 1 : 0);
  if (upperBound < kMaxPath && (!relative || !WorkingFolder().empty())) {
    return true;
  }
  const std::u16string path = DecodeFileName(name);
  if (path.size() >= kMaxPath) {
    return false;
  }
  std::u16string full;
  std::size_t lastComponent = 0;
  // A path that cannot be made absolute is left to the calls that follow to refuse.
  return platform::GetFullPathName(path, full, lastComponent) != 0 || full.size() < kMaxPath;
}

File::File(std::unique_ptr<platform::OpenFile> opened) : file(std::move(opened)) {
  Refresh();
}

File::~File() = default;

std::unique_ptr<File> File::Open(std::string_view name, LinkRule rule, int& error) {
  std::unique_ptr<platform::OpenFile> opened;
  error = platform::OpenFileAt(DecodeFileName(name), rule, opened);
  return error == 0 ? std::unique_ptr<File>(new File(std::move(opened))) : nullptr;
}

void File::Refresh() {
  const platform::AttributeData& data = file->State();
  const PreciseTimes times = file->Times();
  state.attributes = data.attributes;
  state.created = data.creation != 0 ? std::optional<PreciseTime>(times.creation) : std::nullopt;
  state.modified = times.lastWrite;
  state.accessed = times.lastAccess;
  state.size = data.size;
}

int File::Reread() {
  const int error = file->Reread();
  Refresh();
  return error;
}

Identity File::Id() const {
  return file->Identity();
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

SavedState File::Saved() const {
  return file->Saved();
}

int File::PutBack(const SavedState& saved) {
  const int error = file->PutBack(saved);
  Refresh();
  return error;
}

int File::OpenContents() {
  return platform::OpenContents(*file);
}

std::unique_ptr<File> File::OpenEntry(const std::string& name, int& error) {
  std::unique_ptr<platform::OpenFile> opened;
  error = platform::OpenEntry(*file, DecodeFileName(name), opened);
  return error == 0 ? std::unique_ptr<File>(new File(std::move(opened))) : nullptr;
}

int File::List(std::vector<Entry>& entries) {
  std::vector<platform::FolderEntry> listed;
  const int error = platform::ListFolder(*file, listed);
  for (const platform::FolderEntry& entry : listed) {
    entries.push_back(
        {EncodeFileName(entry.name).value_or(std::string()), entry.folder, entry.link});
  }
  return error;
}

}  // namespace tempinex::cli
