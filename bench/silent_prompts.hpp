#pragma once

#include "prompts.hpp"

namespace tempinex::bench {

// Answers nothing: a benchmark must never wait for a person.
class SilentPrompts : public qt::IPrompts {
 public:
  void ShowMessage(QWidget*, const std::u16string&, const std::u16string&, MessageIcon,
                   bool) override {}
  std::optional<std::vector<std::u16string>> ChooseFilesToOpen(QWidget*, const std::u16string&,
                                                               const std::u16string&) override {
    return std::nullopt;
  }
  std::optional<std::u16string> ChooseFileToOpen(QWidget*, const std::u16string&,
                                                 const std::u16string&) override {
    return std::nullopt;
  }
};

}  // namespace tempinex::bench
