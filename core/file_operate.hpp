#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "file_status.hpp"
#include "open_file.hpp"
#include "platform.hpp"
#include "shell_seams.hpp"

namespace tempinex {

// The icon that stands for the whole set: nothing, the stack-of-sheets icon of a multi-file
// set, or the desktop's icon of the single file at `path`.
struct SetIcon {
  enum class Kind { kNone, kMultiFile, kFile };
  Kind kind = Kind::kNone;
  std::u16string path;
  bool large = true;
};

// The set of files the dialog works on, and every operation on it.
class CFileOperate {
 public:
  CFileOperate(IShellInfo& shell, IMessageBox& messages);
  virtual ~CFileOperate() = default;

  void SetFiles(const std::vector<std::u16string>& paths);
  int GetCount() const { return count; }
  const std::u16string& GetCurrentPath() const { return currentPath; }
  // The path of member index, as given to SetFiles (or renamed to).
  const std::u16string& GetPath(int index) const { return FileAt(index); }
  const std::vector<std::u16string>& GetFiles() const { return files; }
  const std::vector<std::u16string>& GetFailedFiles() const { return failedFiles; }

  FileStatus GetFileStatus(int index) const;
  // Writes status to every file of the set; false when some file was refused. A file this
  // user cannot change as asked is refused before anything is written to it, and the batch
  // goes on. A read-only file is refused unless it is the member at readOnlyClearedAt (its
  // index in the set; 0 for the single file), whose read-only box the user cleared. A write
  // that fails raises FileError naming that file, after the file has been put back where the
  // platform can and the refused files have been reported.
  bool ApplyStatus(const FileStatus& status, bool leaveAttributes, int readOnlyClearedAt = -1);
  bool ProbeWritable(const std::u16string& path) const;
  // Renames the single file within its folder; currentPath and the set's one path follow a
  // rename that succeeded. A failure is told to the user and leaves both as they were.
  void RenameFile(const std::u16string& newPath);
  void ReportFailures();
  // Where ApplyStatus reports its progress; nothing by default.
  void SetProgress(IBatchProgress* progress) { this->progress = progress; }

  std::u16string GetBaseName(int index) const;
  std::u16string GetExtension(int index) const;
  std::u16string GetFolder() const;
  std::u16string GetDisplayName(int index) const;
  std::u16string GetTypeName(int index) const;
  // While the result lives, the shell knows that every file of the set is about to be asked
  // about.
  [[nodiscard]] ManyQuestions AskAboutEveryFile() const;
  SetIcon GetSetIcon(int large) const;
  // The platform attribute word of currentPath, or kInvalidAttributes.
  std::uint32_t GetCurrentPathAttributes() const;

 private:
  // Opens a member of the set for a change: false when its path is too long, cannot be
  // resolved or names nothing that can be opened.
  static bool Open(const std::u16string& path, std::unique_ptr<platform::OpenFile>& file);
  const std::u16string& FileAt(int index) const;
  std::u16string FileNameAt(int index) const;
  bool IsWithinFolder(const std::u16string& newPath) const;
  void ReportRenameFailure(const std::u16string& newPath, platform::NativeError error);

  IShellInfo& shell;
  IMessageBox& messages;
  IBatchProgress* progress = nullptr;

  std::vector<std::u16string> files;
  std::vector<std::u16string> failedFiles;
  std::u16string currentPath;
  std::int32_t count = 0;
};

// The failure report's caption and closing sentence.
inline constexpr char16_t kFailureCaption[] = u"エラーのパス";
inline constexpr char16_t kFailureText[] =
    u"は、ファイルが使用中か権限が足り無い為情報変更不能でした。";
inline constexpr char16_t kRenameFailureCaption[] = u"名前の変更エラー";

// Compares two texts ignoring the case of the ASCII letters A to Z only.
bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace tempinex
