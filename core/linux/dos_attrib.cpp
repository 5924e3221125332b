#include "dos_attrib.hpp"

#include <charconv>

namespace tempinex {

namespace {

constexpr std::uint32_t kValidAttrib = 0x01;
constexpr std::uint32_t kValidCreateTime = 0x10;

// Field positions within the body of each binary version.
struct BodyLayout {
  std::size_t flags;  // npos: the version has no flags
  std::size_t attrib;
  std::size_t createTime;
  std::size_t size;  // least body size
};

constexpr std::size_t kNone = std::string_view::npos;
constexpr BodyLayout kLayouts[] = {
    {kNone, 0, 24, 40},  // version 1
    {0, 4, 28, 52},      // version 2
    {0, 4, 28, 44},      // version 3
    {0, 4, 16, 24},      // version 4
    {0, 4, 8, 16},       // version 5
};

std::uint64_t ReadLittleEndian(std::string_view bytes, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

void AppendLittleEndian(std::string& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

std::size_t RoundUp(std::size_t value, std::size_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

std::optional<std::uint32_t> ParseHexText(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data() + 2, end, value, 16);
  if (error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return value;
}

std::optional<DosAttrib> ParseBinary(std::string_view value, std::size_t textEnd) {
  const std::string_view text = value.substr(0, textEnd);
  std::size_t at = RoundUp(textEnd + 1, 2);
  if (at + 4 > value.size()) {
    return std::nullopt;
  }
  const auto version = ReadLittleEndian(value, at, 2);
  if (ReadLittleEndian(value, at + 2, 2) != version || version < 1 || version > 5) {
    return std::nullopt;
  }
  const std::size_t body = RoundUp(at + 4, 4);
  const BodyLayout& layout = kLayouts[version - 1];
  if (body + layout.size > value.size()) {
    return std::nullopt;
  }
  DosAttrib info;
  const std::uint32_t flags =
      layout.flags == kNone ? kValidAttrib : ReadLittleEndian(value, body + layout.flags, 4);
  const std::uint64_t createTime = ReadLittleEndian(value, body + layout.createTime, 8);
  if (flags & kValidAttrib) {
    info.attrib = static_cast<std::uint32_t>(ReadLittleEndian(value, body + layout.attrib, 4));
  } else {
    info.attrib = ParseHexText(text).value_or(0);
  }
  const bool createTimeValid = layout.flags == kNone || (flags & kValidCreateTime);
  info.createTime = createTimeValid ? createTime : 0;
  return info;
}

}  // namespace

std::optional<DosAttrib> ParseDosAttrib(std::string_view value) {
  const std::size_t nul = value.find('\0');
  if (nul == std::string_view::npos || nul + 1 == value.size()) {
    // Text form, with or without its terminating NUL.
    const auto attrib = ParseHexText(value.substr(0, nul));
    if (!attrib) {
      return std::nullopt;
    }
    return DosAttrib{*attrib, 0};
  }
  return ParseBinary(value, nul);
}

std::string EncodeDosAttrib(const DosAttrib& info) {
  char hex[16];
  const auto [end, error] = std::to_chars(hex, hex + sizeof hex, info.attrib, 16);
  static_cast<void>(error);  // 16 characters always hold a 32-bit value
  std::string out;
  out.reserve(64);
  out = "0x";
  out.append(hex, end);
  out.push_back('\0');
  out.resize(RoundUp(out.size(), 2), '\0');
  AppendLittleEndian(out, 3, 2);
  AppendLittleEndian(out, 3, 2);
  out.resize(RoundUp(out.size(), 4), '\0');
  const std::uint32_t flags = kValidAttrib | (info.createTime != 0 ? kValidCreateTime : 0);
  AppendLittleEndian(out, flags, 4);
  AppendLittleEndian(out, info.attrib, 4);
  AppendLittleEndian(out, 0, 4);  // ea_size
  AppendLittleEndian(out, 0, 8);  // size
  AppendLittleEndian(out, 0, 8);  // alloc_size
  AppendLittleEndian(out, info.createTime, 8);
  AppendLittleEndian(out, 0, 8);  // change_time
  return out;
}

}  // namespace tempinex
