#include "show.hpp"

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "arguments.hpp"
#include "attribute_text.hpp"
#include "messages.hpp"
#include "time_text.hpp"

namespace tempinex::cli {

namespace {

// Columns on a terminal: two for the wide characters a translated label may hold.
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

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

nlohmann::json TimeValue(FileTime time) {
  return time == 0 ? nlohmann::json(nullptr) : nlohmann::json(FormatTime(time));
}

void PrintJson(const std::string& name, const FileState& state) {
  nlohmann::json object;
  // JSON holds text only; a name that is not valid UTF-8 comes with its bytes too.
  object["path"] = name;
  if (!IsValidUtf8(name)) {
    object["pathBytes"] = Hex(name);
  }
  object["created"] = TimeValue(state.created);
  object["modified"] = TimeValue(state.modified);
  object["accessed"] = TimeValue(state.accessed);
  object["attributes"] = {{"readOnly", (state.attributes & kReadOnly) != 0},
                          {"hidden", (state.attributes & kHidden) != 0},
                          {"system", (state.attributes & kSystem) != 0},
                          {"archive", (state.attributes & kArchive) != 0},
                          {"directory", (state.attributes & kDirectory) != 0},
                          {"compressed", (state.attributes & kCompressed) != 0}};
  object["size"] = state.size;
  const std::string line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::printf("%s\n", line.c_str());
}

void PrintText(const std::string& name, const FileState& state) {
  std::string text = ShowName(name) + "\n";
  text += StateLine(_("created"), TimeOrUnknown(state.created));
  text += StateLine(_("modified"), TimeOrUnknown(state.modified));
  text += StateLine(_("accessed"), TimeOrUnknown(state.accessed));
  text += StateLine(_("attributes"), AttributeLetters(state.attributes));
  text += StateLine(_("size"), std::to_string(state.size));
  std::fputs(text.c_str(), stdout);
}

}  // namespace

std::string StateLine(const char* label, const std::string& value) {
  const std::size_t width = DisplayWidth(label) + 1;
  return "  " + std::string(label) + ":" + std::string(width < 12 ? 12 - width : 1, ' ') + value +
         "\n";
}

std::string TimeOrUnknown(FileTime time) {
  return time == 0 ? _("unknown") : FormatTime(time);
}

int RunShow(const std::vector<std::string>& files, bool json) {
  int status = kExitDone;
  for (const std::string& name : files) {
    const std::u16string path = PathFromBytes(name);
    FileState state;
    const int error = WithinPathLimit(path) ? ReadState(path, state) : ENAMETOOLONG;
    if (error != 0) {
      Complain(
          Format(_("cannot read %s: %s"),
                 {Quote(name), error == ENAMETOOLONG ? _("path too long (260 UTF-16 units or more)")
                                                     : std::strerror(error)}));
      status = kExitRefused;
      continue;
    }
    if (json) {
      PrintJson(name, state);
    } else {
      PrintText(name, state);
    }
  }
  return status;
}

}  // namespace tempinex::cli
