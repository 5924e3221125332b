#pragma once

// What the file set asks of the desktop around it: names and type names as the file manager
// shows them, and a message box. The user interface fills these in; tests record them.

#include <cstddef>
#include <string>
#include <vector>

namespace tempinex {

class IShellInfo {
 public:
  virtual ~IShellInfo() = default;
  // Both give the empty string for a path that does not exist.
  virtual std::u16string DisplayName(const std::u16string& path) = 0;
  virtual std::u16string TypeName(const std::u16string& path) = 0;
  // The questions until the matching end concern all of `paths` (a list being filled): an
  // implementation may look at their folders once instead of at each file. The answers must
  // be those it would give file by file.
  virtual void BeginManyQuestions(const std::vector<std::u16string>& paths) { (void)paths; }
  virtual void EndManyQuestions() {}
};

// Brackets many questions for as long as it lives.
class ManyQuestions {
 public:
  ManyQuestions(IShellInfo& shell, const std::vector<std::u16string>& paths) : shell(shell) {
    shell.BeginManyQuestions(paths);
  }
  ~ManyQuestions() { shell.EndManyQuestions(); }
  ManyQuestions(const ManyQuestions&) = delete;
  ManyQuestions& operator=(const ManyQuestions&) = delete;

 private:
  IShellInfo& shell;
};

enum class MessageIcon {
  kError,        // stop sign
  kExclamation,  // warning
};

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // Shows a modal box with a single OK button and returns when it is dismissed.
  virtual void ShowMessage(const std::u16string& caption, const std::u16string& text,
                           MessageIcon icon, bool systemModal = false) = 0;
};

// Told how far a batch apply has come. A batch runs on the user-interface thread; this is
// where the window gets to show that it is busy. Nothing here may run another command.
class IBatchProgress {
 public:
  virtual ~IBatchProgress() = default;
  virtual void BatchProgress(std::size_t done, std::size_t total) = 0;
  virtual void BatchFinished() = 0;
};

}  // namespace tempinex
