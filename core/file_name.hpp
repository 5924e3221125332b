#pragma once

// File names are bytes on Linux and UTF-16 in the program. Valid UTF-8 converts as usual; every
// byte that is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte, and such a
// surrogate converts back to its byte, so that any name read from the disk names the same file
// when it is written back.

#include <optional>
#include <string>
#include <string_view>

namespace tempinex {

std::u16string DecodeFileName(std::string_view bytes);

// The length of the valid UTF-8 sequence that bytes starts with, its code point in codePoint;
// 0 when it starts none (an empty text included). Overlong forms, surrogates and values above
// U+10FFFF are not valid.
std::size_t Utf8Sequence(std::string_view bytes, char32_t& codePoint);
bool IsValidUtf8(std::string_view text);

// Nothing when the text holds a NUL or a surrogate that did not come from DecodeFileName.
std::optional<std::string> EncodeFileName(std::u16string_view text);

// Plain conversions for texts that are known to be valid (messages, settings keys).
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace tempinex
