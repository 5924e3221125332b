// File names: any byte string decodes to a text that encodes back to exactly those bytes, and
// any text the encoder accepts decodes back to exactly that text (so two different texts never
// name the same file). The input is used both as bytes and as UTF-16 units.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "file_name.hpp"

namespace {

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.find('\0') == std::string_view::npos) {
    const std::u16string text = tempinex::DecodeFileName(bytes);
    const auto encoded = tempinex::EncodeFileName(text);
    Require(encoded.has_value() && *encoded == bytes);
    Require(tempinex::DecodeFileName(*encoded) == text);
  }

  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  if (const auto encoded = tempinex::EncodeFileName(units)) {
    Require(encoded->find('\0') == std::string::npos);
    Require(tempinex::DecodeFileName(*encoded) == units);
  }
  // The plain conversion never fails and gives valid UTF-8, which comes back unchanged.
  const std::string utf8 = tempinex::Utf8FromUtf16(units);
  Require(tempinex::Utf8FromUtf16(tempinex::Utf16FromUtf8(utf8)) == utf8);
  return 0;
}
