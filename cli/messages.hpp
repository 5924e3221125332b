#pragma once

// What the program tells its user: texts in English in the code, translated through the
// gettext catalogue "tempinex" under the user's locale; file names quoted the way coreutils
// quotes them, so that any name, valid UTF-8 or not, reads unambiguously on a terminal.

#include <libintl.h>

#include <initializer_list>
#include <string>
#include <string_view>

#define _(text) ::gettext(text)
// A text for the catalogue that is translated later, where it is used.
#define N_(text) text

namespace tempinex::cli {

// Selects the user's locale and the catalogue installed beside the program.
void SetUpMessages();

// pattern with each %s replaced by the next of args.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args);

// Columns on a terminal: two for each wide character a translated text may hold.
std::size_t DisplayWidth(std::string_view text);

// Always quoted: 'a b', 'it'\''s', 'bad'$'\377'.
std::string Quote(std::string_view name);
// Quoted only when the name needs it.
std::string ShowName(std::string_view name);

// "tempinex: TEXT" on stderr.
void Complain(const std::string& text);

}  // namespace tempinex::cli
