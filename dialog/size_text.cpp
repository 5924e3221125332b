#include "size_text.hpp"

#include <charconv>

namespace tempinex {

std::u16string FormatSizeText(std::uint64_t bytes) {
  // Single precision first: files past 16 MiB show the rounding that brings.
  const float kilobytes = static_cast<float>(bytes) * (1.0f / 1024.0f);
  // to_chars rather than printf: the decimal point must not follow the user's locale.
  char figure[64];
  const auto end = std::to_chars(figure, figure + sizeof figure, static_cast<double>(kilobytes),
                                 std::chars_format::fixed, 1)
                       .ptr;
  const std::string text = std::string(figure, end) + "KB(" + std::to_string(bytes);
  return std::u16string(text.begin(), text.end()) + u"バイト)";
}

}  // namespace tempinex
