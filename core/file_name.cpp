#include "file_name.hpp"

#include <algorithm>
#include <cstdint>

namespace tempinex {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at the start of bytes, with its code point; 0 if the
// first byte does not start one. Overlong forms, surrogates and values above U+10FFFF are
// not valid.
std::size_t ValidSequence(std::string_view bytes, char32_t& codePoint) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (bytes.size() < length || at(1) < low || at(1) > high) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(at(i))) {
      return 0;
    }
    codePoint = (codePoint << 6) | (at(i) & 0x3F);
  }
  return length;
}

void AppendCodePoint(std::u16string& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    out.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  codePoint -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool IsEscapedByte(char16_t unit) {
  return unit >= 0xDC80 && unit <= 0xDCFF;
}

// Converts text to UTF-8; a unit that cannot be converted is handed to `odd`, which either
// appends something and returns true, or returns false to give up.
template <typename OddUnit>
std::optional<std::string> Encode(std::u16string_view text, OddUnit odd) {
  // Most names are ASCII: those units are their bytes, copied in one go.
  std::size_t i = 0;
  while (i < text.size() && text[i] < 0x80) {
    ++i;
  }
  std::string out(i, '\0');
  std::transform(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(i), out.begin(),
                 [](char16_t unit) { return static_cast<char>(unit); });
  out.reserve(text.size());
  for (; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const char32_t codePoint =
          0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      AppendUtf8(out, codePoint);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      if (!odd(out, unit)) {
        return std::nullopt;
      }
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace

std::size_t Utf8Sequence(std::string_view bytes, char32_t& codePoint) {
  if (bytes.empty()) {
    return 0;
  }
  if (static_cast<unsigned char>(bytes[0]) < 0x80) {
    codePoint = static_cast<unsigned char>(bytes[0]);
    return 1;
  }
  return ValidSequence(bytes, codePoint);
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    char32_t codePoint = 0;
    const std::size_t length = Utf8Sequence(text.substr(at), codePoint);
    if (length == 0) {
      return false;
    }
    at += length;
  }
  return true;
}

std::u16string DecodeFileName(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      out.push_back(byte);
      ++i;
      continue;
    }
    char32_t codePoint = 0;
    const std::size_t length = ValidSequence(bytes.substr(i), codePoint);
    if (length == 0) {
      out.push_back(static_cast<char16_t>(kEscapeBase + byte));
      ++i;
    } else {
      AppendCodePoint(out, codePoint);
      i += length;
    }
  }
  return out;
}

std::optional<std::string> EncodeFileName(std::u16string_view text) {
  if (text.find(u'\0') != std::u16string_view::npos) {
    return std::nullopt;
  }
  bool escaped = false;
  std::optional<std::string> out = Encode(text, [&escaped](std::string& out, char16_t unit) {
    if (!IsEscapedByte(unit)) {
      return false;
    }
    out.push_back(static_cast<char>(unit - kEscapeBase));
    escaped = true;
    return true;
  });
  // Escaped bytes that line up into valid UTF-8 (U+DCC3 U+DCA9 gives C3 A9, which reads as
  // U+00E9) did not come from DecodeFileName: taking them would give two texts for one name.
  if (out && escaped && DecodeFileName(*out) != text) {
    return std::nullopt;
  }
  return out;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  return DecodeFileName(text);
}

std::string Utf8FromUtf16(std::u16string_view text) {
  return *Encode(text, [](std::string& out, char16_t) {
    AppendUtf8(out, 0xFFFD);
    return true;
  });
}

}  // namespace tempinex
