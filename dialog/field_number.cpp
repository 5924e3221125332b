#include "field_number.hpp"

#include <algorithm>
#include <limits>

namespace tempinex {

namespace {

// The zero of every run of ten decimal digits in the Basic Multilingual Plane.
constexpr char16_t kDigitZeros[] = {
    0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6,
    0x0C66, 0x0CE6, 0x0D66, 0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0,
    0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50, 0x1BB0, 0x1C40, 0x1C50, 0xA620,
    0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10,
};

bool IsWhiteSpace(char16_t unit) {
  return (unit >= 0x09 && unit <= 0x0D) || unit == 0x20 || unit == 0x85 || unit == 0xA0 ||
         unit == 0x1680 || (unit >= 0x2000 && unit <= 0x200A) || unit == 0x2028 || unit == 0x2029 ||
         unit == 0x202F || unit == 0x205F || unit == 0x3000;
}

}  // namespace

int DecimalDigitValue(char16_t unit) {
  for (const char16_t zero : kDigitZeros) {
    if (unit >= zero && unit < zero + 10) {
      return unit - zero;
    }
  }
  return -1;
}

std::int32_t ReadFieldNumber(std::u16string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsWhiteSpace(text[at])) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
    negative = text[at] == u'-';
    ++at;
  }
  // Accumulated as a magnitude that stops growing once it is past every 32-bit value.
  constexpr std::int64_t kCeiling = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const int digit = DecimalDigitValue(text[at]);
    if (digit < 0) {
      break;
    }
    magnitude = std::min(magnitude * 10 + digit, kCeiling);
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::u16string FormatFieldNumber(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace tempinex
