#pragma once

// Every notification runs inside SafetyNet::Run. An error that leaves the handler abandons the
// rest of it, the dialog stays open, and one message box titled with the application name says
// what went wrong. Toolkits such as Qt must not see an exception cross their event loop, and a
// nested notification (a validation raised by a text write) is caught at its own level, so the
// handler that wrote the text goes on.

#include <cstdint>
#include <functional>
#include <string>

#include "errors.hpp"
#include "shell_seams.hpp"

namespace tempinex {

// Where a command came from: the fallback text of a result code depends on it.
enum class CommandSource { kControl, kMenu };

std::u16string FileErrorText(const FileError& error);
// Our description of a result code; the fallback for codes we have none for.
std::u16string ResultCodeText(std::uint32_t code, CommandSource source);

inline constexpr char16_t kOutOfMemoryText[] = u"メモリが不足しています。";
inline constexpr char16_t kInvalidArgumentText[] = u"引数が正しくありません。";

class SafetyNet {
 public:
  SafetyNet(IMessageBox& messages, std::u16string caption);

  // Runs handler; returns false when it was abandoned because of an error.
  bool Run(const std::function<void()>& handler, CommandSource source = CommandSource::kControl);

 private:
  IMessageBox& messages;
  std::u16string caption;
};

}  // namespace tempinex
