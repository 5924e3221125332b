// The rule by which date-time fields read their text: never crashes, always gives a 32-bit
// value, and on ASCII text agrees with a plain reference reading.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "field_number.hpp"

namespace {

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// White space, one sign, decimal digits; saturating at the 32-bit limits.
std::int64_t Reference(const std::u16string& text) {
  std::size_t at = 0;
  while (at < text.size() && ((text[at] >= 9 && text[at] <= 13) || text[at] == u' ')) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
    negative = text[at] == u'-';
    ++at;
  }
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    value = value * 10 + (text[at] - u'0');
    if (value > std::int64_t{1} << 32) {
      value = std::int64_t{1} << 32;
    }
  }
  value = negative ? -value : value;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // As UTF-16 units, reaching every script's digits and white space.
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  const std::int64_t wide = tempinex::ReadFieldNumber(units);
  Require(wide >= std::numeric_limits<std::int32_t>::min() &&
          wide <= std::numeric_limits<std::int32_t>::max());

  // As ASCII, one unit a byte, against the reference.
  std::u16string ascii;
  for (std::size_t i = 0; i < size; ++i) {
    ascii.push_back(static_cast<char16_t>(data[i] & 0x7F));
  }
  Require(tempinex::ReadFieldNumber(ascii) == Reference(ascii));
  // Whatever is read is written back in a form that reads the same.
  const std::int32_t read = tempinex::ReadFieldNumber(ascii);
  Require(tempinex::ReadFieldNumber(tempinex::FormatFieldNumber(read)) == read);
  return 0;
}
