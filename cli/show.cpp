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

void PrintJson(const std::string& name, const FileState& state) {
  nlohmann::json object;
  PutPath(object, name);
  object["created"] = TimeJson(state.created);
  object["modified"] = TimeJson(state.modified);
  object["accessed"] = TimeJson(state.accessed);
  object["attributes"] = AttributesJson(state.attributes);
  object["size"] = state.size;
  PrintJsonLine(object);
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

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

std::string StateLine(const char* label, const std::string& value) {
  const std::size_t width = DisplayWidth(label) + 1;
  return "  " + std::string(label) + ":" + std::string(width < 12 ? 12 - width : 1, ' ') + value +
         "\n";
}

std::string TimeOrUnknown(const std::optional<PreciseTime>& time) {
  return time ? FormatTime(*time) : _("unknown");
}

void PutPath(nlohmann::json& object, const std::string& name) {
  // JSON holds text only; a name that is not valid UTF-8 comes with its bytes too.
  object["path"] = name;
  if (!IsValidUtf8(name)) {
    object["pathBytes"] = Hex(name);
  }
}

nlohmann::json TimeJson(const std::optional<PreciseTime>& time) {
  return time ? nlohmann::json(FormatTime(*time)) : nlohmann::json(nullptr);
}

nlohmann::json AttributesJson(std::uint32_t attributes) {
  return {{"readOnly", (attributes & kReadOnly) != 0},
          {"hidden", (attributes & kHidden) != 0},
          {"system", (attributes & kSystem) != 0},
          {"archive", (attributes & kArchive) != 0},
          {"directory", (attributes & kDirectory) != 0},
          {"compressed", (attributes & kCompressed) != 0}};
}

void PrintJsonLine(const nlohmann::json& object) {
  const std::string line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::printf("%s\n", line.c_str());
}

int RunShow(const std::vector<std::string>& files, bool json) {
  int status = kExitDone;
  for (const std::string& name : files) {
    int error = ENAMETOOLONG;
    const std::unique_ptr<File> file =
        WithinPathLimit(name) ? File::Open(name, LinkRule::kFollow, error) : nullptr;
    if (!file) {
      Complain(
          Format(_("cannot read %s: %s"),
                 {Quote(name), error == ENAMETOOLONG ? _("path too long (260 UTF-16 units or more)")
                                                     : std::strerror(error)}));
      status = kExitRefused;
      continue;
    }
    const FileState& state = file->State();
    if (json) {
      PrintJson(name, state);
    } else {
      PrintText(name, state);
    }
  }
  return status;
}

}  // namespace tempinex::cli
