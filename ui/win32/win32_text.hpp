#pragma once

// UTF-16 texts of the program as the wide strings of the Windows API (both 16-bit there).

#include <string>

namespace tempinex::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters are needed");

inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* text) {
  return text == nullptr ? std::u16string()
                         : std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace tempinex::win32
