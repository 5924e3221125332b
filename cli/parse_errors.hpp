#pragma once

// The errors CLI11 reports in English, told in the user's language through the catalogue.

#include <string>
#include <string_view>

namespace tempinex::cli {

// CLI11's message translated, with the option names and arguments it holds kept; a message not
// known here is returned as it is.
std::string TranslatedParseError(std::string_view english);

}  // namespace tempinex::cli
