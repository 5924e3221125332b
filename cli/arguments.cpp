#include "arguments.hpp"

#include <CLI/CLI.hpp>
#include <iostream>

#include "messages.hpp"
#include "time_text.hpp"

namespace tempinex::cli {

namespace {

constexpr const char* kSubcommands[] = {"show", "set", "undo"};

// `tempinex FILE...` means `tempinex show FILE...`.
std::vector<std::string> WithCommand(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  const bool named =
      !words.empty() && (std::find(std::begin(kSubcommands), std::end(kSubcommands), words[0]) !=
                             std::end(kSubcommands) ||
                         words[0] == "--help" || words[0] == "-h" || words[0] == "--version");
  if (!words.empty() && !named) {
    words.insert(words.begin(), "show");
  }
  return words;
}

struct TimeTexts {
  std::string created, modified, accessed, all, shift, only, attributes;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

FileTime TimeOrThrow(const std::string& option, const std::string& text) {
  std::string why;
  const std::optional<FileTime> time = ParseTime(text, why);
  if (!time) {
    throw UsageError(Format(_("%s: %s: %s"), {option, Quote(text), why}));
  }
  return *time;
}

unsigned OnlyOrThrow(const std::string& text) {
  unsigned only = 0;
  for (const char c : text) {
    const unsigned bit = c == 'c'   ? kOnlyCreated
                         : c == 'm' ? kOnlyModified
                         : c == 'a' ? kOnlyAccessed
                                    : 0;
    if (bit == 0 || (only & bit)) {
      throw UsageError(Format(_("--only: %s: give some of the letters c, m and a"), {Quote(text)}));
    }
    only |= bit;
  }
  if (only == 0) {
    throw UsageError(Format(_("--only: %s: give some of the letters c, m and a"), {Quote(text)}));
  }
  return only;
}

// The texts CLI11 has read, turned into the options of set.
void ReadSetOptions(const TimeTexts& texts, Arguments& arguments) {
  SetOptions& set = arguments.set;
  if (!texts.all.empty()) {
    set.created = set.modified = set.accessed = TimeOrThrow("--all", texts.all);
  }
  if (!texts.created.empty()) {
    set.created = TimeOrThrow("--created", texts.created);
  }
  if (!texts.modified.empty()) {
    set.modified = TimeOrThrow("--modified", texts.modified);
  }
  if (!texts.accessed.empty()) {
    set.accessed = TimeOrThrow("--accessed", texts.accessed);
  }
  if (!texts.shift.empty()) {
    set.shift = ParseShift(texts.shift);
    if (!set.shift) {
      throw UsageError(Format(_("--shift: %s: give [-]D:HH:MM:SS, for example -0:01:00:00"),
                              {Quote(texts.shift)}));
    }
  }
  if (!texts.only.empty()) {
    if (arguments.reference.empty() && !set.shift) {
      throw UsageError(_("--only: give --from or --shift as well"));
    }
    set.only = OnlyOrThrow(texts.only);
  }
  if (!texts.attributes.empty()) {
    AttributeEdit edit;
    if (!ParseAttributeEdit(texts.attributes, edit)) {
      throw UsageError(Format(_("--attrib: %s: give signed letters r, h, s, a, for example +r-h"),
                              {Quote(texts.attributes)}));
    }
    set.attributes = edit;
  }
  const bool anything = set.created || set.modified || set.accessed ||
                        !arguments.reference.empty() || set.shift || set.attributes;
  if (!anything) {
    throw UsageError(_("set: nothing to change; give a time, --from, --shift or --attrib"));
  }
}

void Describe(CLI::App& app) {
  app.get_formatter()->label("Usage", _("Usage"));
  app.get_formatter()->label("OPTIONS", _("OPTIONS"));
  app.get_formatter()->label("SUBCOMMAND", _("SUBCOMMAND"));
  app.get_formatter()->label("Positionals", _("Positionals"));
  app.get_formatter()->label("REQUIRED", _("REQUIRED"));
  app.get_formatter()->label("Excludes", _("Excludes"));
  app.get_formatter()->label("Needs", _("Needs"));
  app.get_formatter()->column_width(34);
  app.option_defaults()->group(_("Options"));
}

}  // namespace

std::optional<Arguments> ParseArguments(int argc, char** argv, int& exitStatus) {
  Arguments arguments;
  TimeTexts texts;
  CLI::App app(_("Shows and changes the times and the Windows attributes of files."), "tempinex");
  Describe(app);
  app.set_help_flag("-h,--help", _("Print this help and exit"));
  app.set_version_flag("--version", std::string("tempinex (Tempinex64) ") + TEMPINEX_VERSION,
                       _("Print the version and exit"));
  app.require_subcommand(1);
  app.footer(
      _("T is now, @SECONDS or an ISO 8601 date-time such as 2026-03-29T02:30:00\n"
        "(local time) or 2026-03-29T00:30:00Z.\n"
        "Exit status: 0 all done, 1 some files refused, 2 bad usage. See tempinex(1)."));

  CLI::App* show = app.add_subcommand("show", _("Show the times, attributes, size and path"));
  show->group(_("Commands"));
  show->add_flag("--json", arguments.json, _("One JSON object per file, one a line"));
  show->add_option("FILE", arguments.files, _("Files to show"))->required()->type_name("FILE");

  CLI::App* set = app.add_subcommand("set", _("Change times and attributes"));
  set->group(_("Commands"));
  auto* all = set->add_option("--all", texts.all, _("All three times"))->type_name("T");
  auto* created = set->add_option("--created", texts.created, _("Creation time"))->type_name("T");
  auto* modified =
      set->add_option("--modified", texts.modified, _("Last write time"))->type_name("T");
  auto* accessed =
      set->add_option("--accessed", texts.accessed, _("Last access time"))->type_name("T");
  auto* from =
      set->add_option("--from", arguments.reference, _("Copy the times of REF (whole seconds)"))
          ->type_name("REF");
  auto* shift = set->add_option("--shift", texts.shift, _("Move each file's own times"))
                    ->type_name("[-]D:HH:MM:SS");
  auto* only =
      set->add_option("--only", texts.only, _("Times --from and --shift touch (default cma)"))
          ->type_name("cma");
  set->add_option("--attrib", texts.attributes,
                  _("Set (+) or clear (-) read-only, hidden, system, archive"))
      ->type_name("+r-h+s-a");
  set->add_flag("--recursive", arguments.recursive,
                _("Walk folders: their contents and their own attributes"));
  set->add_flag("--dry-run", arguments.dryRun, _("Print old and new values; change nothing"));
  set->add_option("--undo-log", arguments.undoLog, _("Record each file's previous state in FILE"))
      ->type_name("FILE");
  set->add_option("FILE", arguments.files, _("Files to change"))->required()->type_name("FILE");
  all->excludes(created)->excludes(modified)->excludes(accessed);
  for (CLI::Option* given : {all, created, modified, accessed}) {
    given->excludes(from)->excludes(shift);
  }
  only->excludes(all);

  CLI::App* undo = app.add_subcommand("undo", _("Restore what an undo log recorded"));
  undo->group(_("Commands"));
  std::string log;
  undo->add_option("FILE", log, _("The undo log"))->required()->type_name("FILE");

  for (CLI::App* command : {&app, show, set, undo}) {
    command->get_help_ptr()->group(_("Options"));
  }

  std::vector<std::string> words = WithCommand(argc, argv);
  std::reverse(words.begin(), words.end());
  try {
    app.parse(words);
    if (set->parsed()) {
      arguments.command = Command::kSet;
      ReadSetOptions(texts, arguments);
    } else if (undo->parsed()) {
      arguments.command = Command::kUndo;
      arguments.files = {log};
    }
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    exitStatus = kExitDone;
    return std::nullopt;
  } catch (const CLI::CallForVersion& version) {
    std::cout << version.what() << '\n';
    exitStatus = kExitDone;
    return std::nullopt;
  } catch (const CLI::ParseError& error) {
    Complain(error.what());
    Complain(_("Try 'tempinex --help' for more information."));
    exitStatus = kExitUsage;
    return std::nullopt;
  } catch (const UsageError& error) {
    Complain(error.what());
    exitStatus = kExitUsage;
    return std::nullopt;
  }
  return arguments;
}

}  // namespace tempinex::cli
