#include "parse_errors.hpp"

#include <optional>
#include <vector>

#include "messages.hpp"

namespace tempinex::cli {

namespace {

// CLI11's texts (version 2.1) for the mistakes a user can make on this command line, each
// argument it fills in as %s. A text that is the start of another comes after it.
constexpr const char* kPatterns[] = {
    N_("A subcommand is required"),
    N_("The following argument was not expected: %s"),
    N_("The following arguments were not expected: %s"),
    N_("%s excludes %s"),
    N_("%s: %s required %s missing"),
    N_("%s: too many inputs for a flag"),
    N_("%s: Should be true/false or a number"),
    N_("Could not convert: %s = %s"),
    N_("%s is required"),
};

// The texts standing for each %s when text is pattern filled in; nothing when it is not.
std::optional<std::vector<std::string_view>> Fill(std::string_view pattern, std::string_view text) {
  std::vector<std::string_view> literals;
  for (std::size_t at = 0;;) {
    const std::size_t hole = pattern.find("%s", at);
    literals.push_back(pattern.substr(at, hole - at));
    if (hole == std::string_view::npos) {
      break;
    }
    at = hole + 2;
  }
  if (!text.starts_with(literals.front())) {
    return std::nullopt;
  }
  std::vector<std::string_view> arguments;
  std::size_t at = literals.front().size();
  for (std::size_t i = 1; i < literals.size(); ++i) {
    const bool last = i + 1 == literals.size();
    const std::size_t end = last ? (text.ends_with(literals[i]) ? text.size() - literals[i].size()
                                                                : std::string_view::npos)
                                 : text.find(literals[i], at);
    if (end == std::string_view::npos || end < at || (end == at && !last)) {
      return std::nullopt;
    }
    arguments.push_back(text.substr(at, end - at));
    at = end + literals[i].size();
  }
  if (at != text.size()) {
    return std::nullopt;
  }
  return arguments;
}

}  // namespace

std::string TranslatedParseError(std::string_view english) {
  for (const char* pattern : kPatterns) {
    if (const auto arguments = Fill(pattern, english)) {
      std::string translated = _(pattern);
      std::size_t from = 0;
      for (const std::string_view argument : *arguments) {
        const std::size_t hole = translated.find("%s", from);
        if (hole == std::string::npos) {
          break;
        }
        translated.replace(hole, 2, argument);
        from = hole + argument.size();
      }
      return translated;
    }
  }
  return std::string(english);
}

}  // namespace tempinex::cli
