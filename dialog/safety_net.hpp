#pragma once

// Every notification runs inside SafetyNet::Run. An error that leaves the handler abandons the
// rest of it, the dialog stays open, and one message box titled with the application name says
// what went wrong. Toolkits such as Qt must not see an exception cross their event loop, and a
// nested notification (a validation raised by a text write) is caught at its own level, so the
// handler that wrote the text goes on.

#include <cstdint>
#include <functional>
#include <string>

#include "dialog_controls.hpp"
#include "errors.hpp"

namespace tempinex {

// Where a command came from: the fallback text of a result code depends on it.
enum class CommandSource { kControl, kMenu };

std::u16string FileErrorText(const FileError& error);
// The program's own description of the result codes it raises, for a system that keeps no
// texts of its own (Linux); empty for any other code.
std::u16string OwnResultCodeText(std::uint32_t code);

inline constexpr char16_t kOutOfMemoryText[] = u"メモリが不足しています。";
inline constexpr char16_t kInvalidArgumentText[] = u"引数が正しくありません。";

class SafetyNet {
 public:
  // The window shows the boxes and gives the system's text of a result code.
  SafetyNet(IDialogControls& window, std::u16string caption);

  // Runs handler; returns false when it was abandoned because of an error.
  bool Run(const std::function<void()>& handler, CommandSource source = CommandSource::kControl);

 private:
  // The system's text of the code, or the fallback for a code it has none for.
  std::u16string ResultCodeText(std::uint32_t code, CommandSource source) const;

  IDialogControls& window;
  std::u16string caption;
};

}  // namespace tempinex
