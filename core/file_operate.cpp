#include "file_operate.hpp"

#include <memory>

#include "open_file.hpp"

namespace tempinex {

namespace {

char16_t FoldAsciiCase(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

std::size_t LastSeparator(std::u16string_view path) {
  return path.rfind(platform::kSeparator);
}

bool IsPlainFileName(std::u16string_view name) {
  return !name.empty() && name != u"." && name != u".." &&
         name.find(platform::kSeparator) == std::u16string_view::npos &&
         name.find(u'\0') == std::u16string_view::npos;
}

}  // namespace

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) {
      return false;
    }
  }
  return true;
}

CFileOperate::CFileOperate(IShellInfo& shell, IMessageBox& messages)
    : shell(shell), messages(messages) {}

void CFileOperate::SetFiles(const std::vector<std::u16string>& paths) {
  files.clear();
  count = static_cast<std::int32_t>(paths.size());
  if (paths.empty()) {
    return;  // the previous currentPath stays
  }
  currentPath = paths.front();
  files = paths;
}

const std::u16string& CFileOperate::FileAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= files.size()) {
    throw InvalidArgumentError();
  }
  return files[static_cast<std::size_t>(index)];
}

FileStatus CFileOperate::GetFileStatus(int index) const {
  FileStatus status;
  if (files.empty()) {
    return status;
  }
  const std::u16string& path = FileAt(index);
  if (!path.empty()) {
    ReadFileStatus(path.c_str(), status);  // an unreadable file gives the zero record
  }
  return status;
}

bool CFileOperate::ProbeWritable(const std::u16string& path) const {
  // What opening a file for writing stands for: a new last-write time.
  platform::Change change;
  change.lastWrite = PreciseTime{};
  std::unique_ptr<platform::OpenFile> file;
  return Open(path, file) && file->Admit(change).Admitted();
}

bool CFileOperate::Open(const std::u16string& path, std::unique_ptr<platform::OpenFile>& file) {
  if (path.size() >= kMaxPath) {
    return false;
  }
  char16_t resolved[kMaxPath];
  if (!ResolveFullPath(path, &resolved)) {
    return false;
  }
  return platform::OpenFileAt(path, platform::LinkRule::kFollow, file) == 0;
}

bool CFileOperate::ApplyStatus(const FileStatus& status, bool leaveAttributes,
                               int readOnlyClearedAt) {
  failedFiles.clear();
  // The same times go to every file: converted once.
  const platform::Change times = TimesOfStatus(status);
  const std::vector<std::u16string> targets =
      count <= 1 ? std::vector<std::u16string>{currentPath}
                 : std::vector<std::u16string>(files.begin(), files.begin() + count);
  struct FinishProgress {
    IBatchProgress* progress;
    ~FinishProgress() {
      if (progress != nullptr) {
        progress->BatchFinished();
      }
    }
  } finish{progress};
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (progress != nullptr) {
      progress->BatchProgress(i, targets.size());
    }
    const std::u16string& path = targets[i];
    // The file is opened once: what the test looks at is what is written.
    std::unique_ptr<platform::OpenFile> file;
    if (!Open(path, file)) {
      failedFiles.push_back(path);
      continue;
    }
    platform::Change change =
        ChangeOfStatus(times, status, leaveAttributes, file->State().attributes);
    // Only the file whose read-only box the user cleared may be made writable.
    change.mayClearReadOnly = static_cast<int>(i) == readOnlyClearedAt;
    if (!file->Admit(change).Admitted()) {
      failedFiles.push_back(path);
      continue;
    }
    try {
      // A change the volume took and did not keep was put back: the file is refused.
      if (!WriteFileStatus(*file, path, change)) {
        failedFiles.push_back(path);
      }
    } catch (const FileError&) {
      // The batch stops here; the files refused so far are still told, and the error names
      // the file it happened to.
      if (progress != nullptr) {
        progress->BatchFinished();
        finish.progress = nullptr;
      }
      ReportFailures();
      throw;
    }
  }
  return failedFiles.empty();
}

bool CFileOperate::IsWithinFolder(const std::u16string& newPath) const {
  const std::size_t separator = LastSeparator(currentPath);
  if (separator == std::u16string::npos) {
    return IsPlainFileName(newPath);
  }
  const std::u16string_view prefix(currentPath.data(), separator + 1);
  if (newPath.size() <= prefix.size() ||
      std::u16string_view(newPath).substr(0, prefix.size()) != prefix) {
    return false;
  }
  return IsPlainFileName(std::u16string_view(newPath).substr(prefix.size()));
}

void CFileOperate::RenameFile(const std::u16string& newPath) {
  if (EqualIgnoringAsciiCase(currentPath, newPath)) {
    return;
  }
  // A name the set could not hold afterwards (ProbeWritable refuses it) is not made.
  if (newPath.size() >= kMaxPath || !IsWithinFolder(newPath)) {
    ReportRenameFailure(newPath, platform::InvalidNameError());
    return;
  }
  if (const platform::NativeError error = platform::MoveFile(currentPath, newPath)) {
    ReportRenameFailure(newPath, error);
    return;
  }
  currentPath = newPath;
  // The single file is known by its new name from now on: its status, its name and its type
  // are read under the name it has, not under one that is gone.
  if (count == 1 && files.size() == 1) {
    files.front() = newPath;
  }
}

void CFileOperate::ReportRenameFailure(const std::u16string& newPath, platform::NativeError error) {
  const std::u16string text = currentPath + u"\r\nの名前を\r\n" + newPath +
                              u"\r\nに変更できませんでした。\r\n理由: " +
                              platform::DescribeError(error);
  messages.ShowMessage(kRenameFailureCaption, text, MessageIcon::kError);
}

void CFileOperate::ReportFailures() {
  if (failedFiles.empty()) {
    return;
  }
  std::u16string text;
  for (const std::u16string& path : failedFiles) {
    text += path;
    text += u"\r\n";
  }
  text += kFailureText;
  messages.ShowMessage(kFailureCaption, text, MessageIcon::kError);
}

std::u16string CFileOperate::FileNameAt(int index) const {
  const std::u16string& path = FileAt(index);
  const std::size_t separator = LastSeparator(path);
  return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

std::u16string CFileOperate::GetBaseName(int index) const {
  // Only an index past the count gives nothing; any other outside the set (a negative one,
  // or the count itself) raises, as every index does elsewhere.
  if (index > count) {
    return {};
  }
  const std::u16string name = FileNameAt(index);
  return name.substr(0, name.rfind(u'.'));
}

std::u16string CFileOperate::GetExtension(int index) const {
  const std::u16string name = FileNameAt(index);
  const std::size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? std::u16string() : name.substr(dot + 1);
}

std::u16string CFileOperate::GetFolder() const {
  const std::size_t separator = LastSeparator(currentPath);
  return separator == std::u16string::npos ? std::u16string() : currentPath.substr(0, separator);
}

std::u16string CFileOperate::GetDisplayName(int index) const {
  if (currentPath.empty() || index > count) {
    return {};
  }
  return shell.DisplayName(FileAt(index));
}

ManyQuestions CFileOperate::AskAboutEveryFile() const {
  return ManyQuestions(shell, files);
}

std::u16string CFileOperate::GetTypeName(int index) const {
  if (currentPath.empty() || index > count) {
    return {};
  }
  return shell.TypeName(FileAt(index));
}

SetIcon CFileOperate::GetSetIcon(int large) const {
  if (currentPath.empty()) {
    return {};
  }
  if (count > 1) {
    return {SetIcon::Kind::kMultiFile, {}, large == 1};
  }
  if (large != 0 && large != 1) {
    return {};
  }
  return {SetIcon::Kind::kFile, currentPath, large == 1};
}

std::uint32_t CFileOperate::GetCurrentPathAttributes() const {
  std::uint32_t word = platform::kInvalidAttributes;
  if (currentPath.empty() || platform::GetAttributes(currentPath, word) != 0) {
    return platform::kInvalidAttributes;
  }
  return word;
}

}  // namespace tempinex
