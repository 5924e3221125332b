#pragma once

// Attributes as letters: shown in fixed places (RHSADC, '-' where clear) and changed with
// +r-h+s-a.

#include <cstdint>
#include <string>
#include <string_view>

namespace tempinex::cli {

std::string AttributeLetters(std::uint32_t attributes);

struct AttributeEdit {
  std::uint32_t set = 0;
  std::uint32_t clear = 0;

  std::uint32_t ApplyTo(std::uint32_t attributes) const { return (attributes | set) & ~clear; }
};

// False for anything but a sequence of [+-][rhsa] that names each letter at most once.
bool ParseAttributeEdit(std::string_view text, AttributeEdit& edit);

}  // namespace tempinex::cli
