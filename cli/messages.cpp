#include "messages.hpp"

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <filesystem>

#include "core_access.hpp"

namespace tempinex::cli {

namespace {

bool IsPrintable(char32_t codePoint) {
  return codePoint >= 0x20 && codePoint != 0x7F && !(codePoint >= 0x80 && codePoint < 0xA0);
}

bool NeedsQuotes(std::string_view name) {
  static constexpr std::string_view kShellSpecial = " \t'\"\\$`!*?[]{}()<>|&;#~=%^";
  for (std::size_t at = 0; at < name.size();) {
    char32_t codePoint = 0;
    const std::size_t length = Utf8Sequence(name.substr(at), codePoint);
    if (length == 0 || !IsPrintable(codePoint) ||
        (length == 1 && kShellSpecial.find(name[at]) != std::string_view::npos)) {
      return true;
    }
    at += length;
  }
  return name.empty();
}

std::string Octal(unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\%03o", byte);
  return text;
}

}  // namespace

void SetUpMessages() {
  std::setlocale(LC_ALL, "");
  // The catalogue lies at the same place relative to the program in the build tree and once
  // installed, so that the program finds it wherever the tree was installed to.
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path folder = error
                                           ? std::filesystem::path(TEMPINEX_LOCALEDIR)
                                           : program.parent_path() / TEMPINEX_LOCALEDIR_FROM_BINDIR;
  bindtextdomain("tempinex", folder.c_str());
  bind_textdomain_codeset("tempinex", "UTF-8");
  textdomain("tempinex");
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    if ((byte & 0xC0) == 0x80) {
      continue;
    }
    width += byte >= 0xE0 ? 2 : 1;
  }
  return width;
}

std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string result;
  auto next = args.begin();
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    if (pattern[at] == '%' && at + 1 < pattern.size() && pattern[at + 1] == 's' &&
        next != args.end()) {
      result += *next++;
      ++at;
    } else {
      result += pattern[at];
    }
  }
  return result;
}

std::string Quote(std::string_view name) {
  std::string result;
  bool open = false;
  const auto inside = [&] {
    if (!open) {
      result += '\'';
      open = true;
    }
  };
  const auto outside = [&] {
    if (open) {
      result += '\'';
      open = false;
    }
  };
  for (std::size_t at = 0; at < name.size();) {
    char32_t codePoint = 0;
    const std::size_t length = Utf8Sequence(name.substr(at), codePoint);
    if (length != 0 && IsPrintable(codePoint) && codePoint != '\'') {
      inside();
      result.append(name.substr(at, length));
      at += length;
    } else if (length != 0 && codePoint == '\'') {
      outside();
      result += "\\'";
      ++at;
    } else {
      // A control character or a byte that is no part of valid UTF-8.
      outside();
      result += "$'";
      const std::size_t count = length == 0 ? 1 : length;
      for (std::size_t i = 0; i < count; ++i) {
        result += Octal(static_cast<unsigned char>(name[at + i]));
      }
      result += '\'';
      at += count;
    }
  }
  if (result.empty()) {
    return "''";
  }
  outside();
  return result;
}

std::string ShowName(std::string_view name) {
  return NeedsQuotes(name) ? Quote(name) : std::string(name);
}

void Complain(const std::string& text) {
  std::fflush(stdout);
  std::fprintf(stderr, "tempinex: %s\n", text.c_str());
}

}  // namespace tempinex::cli
