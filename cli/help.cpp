#include "help.hpp"

#include <cstdio>
#include <string>

#include "messages.hpp"

namespace tempinex::cli {

namespace {

struct OptionLine {
  const char* option;       // as typed, never translated
  const char* description;  // for the catalogue
};

// The column the descriptions start at.
constexpr std::size_t kDescriptionColumn = 30;

constexpr OptionLine kShowOptions[] = {
    {"      --json", N_("print one JSON object a line")},
};

constexpr OptionLine kSetOptions[] = {
    {"      --created=T", N_("set the creation time")},
    {"      --modified=T", N_("set the last write time")},
    {"      --accessed=T", N_("set the last access time")},
    {"      --all=T", N_("set all three times")},
    {"      --from=REF", N_("copy the times of the file REF")},
    {"      --from-tree=ORIGINAL", N_("copy the times of the same path below ORIGINAL")},
    {"      --with-attributes", N_("with --from-tree: also attributes, creation time")},
    {"      --from-exif", N_("take each photo's time from its EXIF data")},
    {"      --shift=[-]D:HH:MM:SS", N_("move the times by this much")},
    {"      --only=cma", N_("the times copied or shifted: some of c, m, a")},
    {"      --attrib=+r-h+s-a", N_("set or clear read-only, hidden, system, archive")},
    {"      --recursive", N_("also all below each folder; folders after contents")},
    {"  -h, --no-dereference", N_("change a symbolic link itself, not what it names")},
    {"      --dry-run", N_("print the old and new values; change nothing")},
    {"      --json", N_("with --dry-run: one JSON object a line")},
    {"      --undo-log=LOG", N_("record in LOG each file's state before")},
};

constexpr OptionLine kNameOptions[] = {
    {"  -0, --null", N_("names listed end with NUL, not a newline")},
    {"      --files-from=LIST", N_("read names from LIST (- standard input)")},
};

constexpr OptionLine kGeneralOptions[] = {
    {"      --help", N_("display this help and exit")},
    {"      --version", N_("output version information and exit")},
};

template <std::size_t N>
std::string Lines(const OptionLine (&options)[N]) {
  std::string text;
  for (const OptionLine& line : options) {
    const std::string option = line.option;
    text += option;
    text += option.size() + 2 <= kDescriptionColumn
                ? std::string(kDescriptionColumn - option.size(), ' ')
                : "\n" + std::string(kDescriptionColumn, ' ');
    text += _(line.description);
    text += '\n';
  }
  return text;
}

}  // namespace

void PrintHelp() {
  std::string text =
      _("Usage: tempinex [show] [OPTION]... FILE...\n"
        "  or:  tempinex set OPTION... FILE...\n"
        "  or:  tempinex undo LOG\n"
        "Show or change the times and the Windows attributes of files: the creation,\n"
        "last write and last access times, read-only, hidden, system and archive.\n");
  text += "\n";
  text += _("Options of show:\n");
  text += Lines(kShowOptions);
  text += "\n";
  text += _("Options of set:\n");
  text += Lines(kSetOptions);
  text += "\n";
  text += _("The names of the files, for show and set, may also be listed:\n");
  text += Lines(kNameOptions);
  text += "\n";
  text += Lines(kGeneralOptions);
  text += "\n";
  text +=
      _("T is now, @SECONDS or an ISO 8601 date-time such as 2026-03-29T02:30:00 (local\n"
        "time), 2026-03-29T00:30:00Z or 2026-03-29T02:30:00.25+02:00, from\n"
        "1601-01-01T00:00:01Z to 9999-12-31T23:59:59Z. --only takes some of c (creation),\n"
        "m (last write) and a (last access); all three by default.\n");
  text += "\n";
  text +=
      _("Exit status:\n"
        " 0  if all was done,\n"
        " 1  if some files were refused or could not be read,\n"
        " 2  if the usage was wrong, or the undo log could not be written or read.\n");
  text += "\n";
  text += _("Full documentation: man tempinex\n");
  std::fputs(text.c_str(), stdout);
}

}  // namespace tempinex::cli
