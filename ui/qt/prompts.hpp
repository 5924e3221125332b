#pragma once

// The modal questions a window asks the user: message boxes and the open-file dialog. The
// program shows real ones; tests answer them with a recording implementation.

#include <optional>
#include <string>
#include <vector>

#include "shell_seams.hpp"

class QWidget;

namespace tempinex::qt {

class IPrompts {
 public:
  virtual ~IPrompts() = default;
  virtual void ShowMessage(QWidget* owner, const std::u16string& caption,
                           const std::u16string& text, MessageIcon icon, bool systemModal) = 0;
  virtual std::optional<std::vector<std::u16string>> ChooseFilesToOpen(
      QWidget* owner, const std::u16string& filterCaption, const std::u16string& filterPattern) = 0;
  // One existing file; nothing when the user cancels.
  virtual std::optional<std::u16string> ChooseFileToOpen(QWidget* owner,
                                                         const std::u16string& filterCaption,
                                                         const std::u16string& filterPattern) = 0;
};

class QtPrompts : public IPrompts {
 public:
  void ShowMessage(QWidget* owner, const std::u16string& caption, const std::u16string& text,
                   MessageIcon icon, bool systemModal) override;
  std::optional<std::vector<std::u16string>> ChooseFilesToOpen(
      QWidget* owner, const std::u16string& filterCaption,
      const std::u16string& filterPattern) override;
  std::optional<std::u16string> ChooseFileToOpen(QWidget* owner,
                                                 const std::u16string& filterCaption,
                                                 const std::u16string& filterPattern) override;
};

}  // namespace tempinex::qt
