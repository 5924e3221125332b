#include "arguments.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <tuple>

#include "help.hpp"
#include "listed_names.hpp"
#include "messages.hpp"
#include "parse_errors.hpp"
#include "time_text.hpp"

namespace tempinex::cli {

namespace {

constexpr const char* kSubcommands[] = {"show", "set", "undo"};

// `tempinex FILE...` means `tempinex show FILE...`.
std::vector<std::string> WithCommand(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  const bool named = !words.empty() && (std::find(std::begin(kSubcommands), std::end(kSubcommands),
                                                  words[0]) != std::end(kSubcommands) ||
                                        words[0] == "--help" || words[0] == "--version");
  if (!words.empty() && !named) {
    words.insert(words.begin(), "show");
  }
  return words;
}

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What CLI11 read for one option; nothing when the option was not given, so that an empty
// value given is read (and refused) like any other.
class Given {
 public:
  void Add(CLI::App& command, const char* name, const char* value) {
    option = command.add_option(name, text)->type_name(value);
  }
  CLI::Option* Option() const { return option; }
  std::optional<std::string> Text() const {
    return option->count() > 0 ? std::optional<std::string>(text) : std::nullopt;
  }

 private:
  CLI::Option* option = nullptr;
  std::string text;
};

struct SetTexts {
  Given all, created, modified, accessed, from, fromTree, shift, only, attributes;
};

std::optional<PreciseTime> TimeOrThrow(const std::string& option,
                                       const std::optional<std::string>& text) {
  if (!text) {
    return std::nullopt;
  }
  std::string why;
  const std::optional<PreciseTime> time = ParseTime(*text, why);
  if (!time) {
    throw UsageError(Format(_("%s: %s: %s"), {option, Quote(*text), why}));
  }
  return time;
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
void ReadSetOptions(const SetTexts& texts, Arguments& arguments) {
  SetOptions& set = arguments.set;
  if (const std::optional<PreciseTime> all = TimeOrThrow("--all", texts.all.Text())) {
    set.created = set.modified = set.accessed = all;
  }
  for (auto [time, given, name] : {std::tuple{&set.created, &texts.created, "--created"},
                                   {&set.modified, &texts.modified, "--modified"},
                                   {&set.accessed, &texts.accessed, "--accessed"}}) {
    if (const std::optional<PreciseTime> read = TimeOrThrow(name, given->Text())) {
      *time = read;
    }
  }
  arguments.reference = texts.from.Text();
  arguments.fromTree = texts.fromTree.Text();
  if (arguments.withAttributes && !arguments.fromTree) {
    throw UsageError(_("--with-attributes: give --from-tree as well"));
  }
  if (const std::optional<std::string> shift = texts.shift.Text()) {
    set.shift = ParseShift(*shift);
    if (!set.shift) {
      throw UsageError(
          Format(_("--shift: %s: give [-]D:HH:MM:SS, for example -0:01:00:00"), {Quote(*shift)}));
    }
  }
  if (const std::optional<std::string> only = texts.only.Text()) {
    if (!arguments.reference && !arguments.fromTree && !arguments.fromExif && !set.shift) {
      throw UsageError(_("--only: give --from, --from-tree, --from-exif or --shift as well"));
    }
    set.only = OnlyOrThrow(*only);
  }
  if (const std::optional<std::string> attributes = texts.attributes.Text()) {
    AttributeEdit edit;
    if (!ParseAttributeEdit(*attributes, edit)) {
      throw UsageError(Format(_("--attrib: %s: give signed letters r, h, s, a, for example +r-h"),
                              {Quote(*attributes)}));
    }
    set.attributes = edit;
  }
  const bool anything = set.created || set.modified || set.accessed || arguments.reference ||
                        arguments.fromTree || arguments.fromExif || set.shift || set.attributes;
  if (!anything) {
    throw UsageError(
        _("set: nothing to change; give a time, --from, --from-tree, --from-exif, --shift or "
          "--attrib"));
  }
  if (arguments.json && !arguments.dryRun) {
    throw UsageError(_("set: --json prints what --dry-run plans; give --dry-run as well"));
  }
}

// Where the names of files come from besides the command line.
struct ListOptions {
  bool nulSeparated = false;
  std::string filesFrom;
  CLI::Option* filesFromOption = nullptr;

  void Add(CLI::App& command) {
    command.add_flag("-0,--null", nulSeparated);
    filesFromOption = command.add_option("--files-from", filesFrom)->type_name("LIST");
  }

  // Appends the names listed; a command line without names and without a list is refused.
  void Read(std::vector<std::string>& files) const {
    const bool listed = nulSeparated || filesFromOption->count() > 0;
    if (!listed) {
      if (files.empty()) {
        throw UsageError(_("no files given; name them, or list them with --files-from or -0"));
      }
      return;
    }
    const std::string source = filesFromOption->count() > 0 ? filesFrom : "-";
    std::string why;
    if (!ReadListedNames(source, nulSeparated ? '\0' : '\n', files, why)) {
      throw UsageError(Format(_("--files-from: cannot read %s: %s"),
                              {source == "-" ? _("standard input") : Quote(source), why}));
    }
  }
};

}  // namespace

std::optional<Arguments> ParseArguments(int argc, char** argv, int& exitStatus) {
  Arguments arguments;
  CLI::App app("", "tempinex");
  app.set_help_flag("--help");
  app.set_version_flag("--version", std::string("tempinex (Tempinex64) ") + TEMPINEX_VERSION);
  app.require_subcommand(1);

  CLI::App* show = app.add_subcommand("show");
  show->add_flag("--json", arguments.json);
  show->add_option("FILE", arguments.files);
  ListOptions showList;
  showList.Add(*show);

  CLI::App* set = app.add_subcommand("set");
  SetTexts texts;
  for (auto [given, name, value] : {std::tuple{&texts.all, "--all", "T"},
                                    {&texts.created, "--created", "T"},
                                    {&texts.modified, "--modified", "T"},
                                    {&texts.accessed, "--accessed", "T"},
                                    {&texts.from, "--from", "REF"},
                                    {&texts.fromTree, "--from-tree", "ORIGINAL"},
                                    {&texts.shift, "--shift", "[-]D:HH:MM:SS"},
                                    {&texts.only, "--only", "cma"},
                                    {&texts.attributes, "--attrib", "+r-h+s-a"}}) {
    given->Add(*set, name, value);
  }
  CLI::Option* fromExif = set->add_flag("--from-exif", arguments.fromExif);
  set->add_flag("--with-attributes", arguments.withAttributes);
  set->add_flag("--recursive", arguments.recursive);
  set->add_flag("-h,--no-dereference", arguments.noDereference);
  set->add_flag("--dry-run", arguments.dryRun);
  set->add_flag("--json", arguments.json);
  set->add_option("--undo-log", arguments.undoLog)->type_name("LOG");
  set->add_option("FILE", arguments.files);
  ListOptions setList;
  setList.Add(*set);
  texts.all.Option()
      ->excludes(texts.created.Option())
      ->excludes(texts.modified.Option())
      ->excludes(texts.accessed.Option());
  for (const Given* given : {&texts.all, &texts.created, &texts.modified, &texts.accessed}) {
    given->Option()->excludes(texts.from.Option())->excludes(fromExif);
    given->Option()->excludes(texts.shift.Option())->excludes(texts.fromTree.Option());
  }
  fromExif->excludes(texts.from.Option())->excludes(texts.fromTree.Option());
  texts.fromTree.Option()->excludes(texts.from.Option());
  texts.only.Option()->excludes(texts.all.Option());

  CLI::App* undo = app.add_subcommand("undo");
  std::string log;
  undo->add_option("LOG", log)->required();

  for (CLI::App* command : {show, set, undo}) {
    command->set_help_flag("--help");
  }

  std::vector<std::string> words = WithCommand(argc, argv);
  // Everything after "--" is a name, whatever it looks like: taken as it is, past the parser,
  // which would weigh each of a hundred thousand names against every option.
  std::vector<std::string> names;
  if (!words.empty() && (words[0] == "show" || words[0] == "set")) {
    const auto dashes = std::find(words.begin() + 1, words.end(), "--");
    if (dashes != words.end()) {
      names.assign(dashes + 1, words.end());
      words.erase(dashes, words.end());
    }
  }
  std::reverse(words.begin(), words.end());
  try {
    app.parse(words);
    arguments.files.insert(arguments.files.end(), names.begin(), names.end());
    if (set->parsed()) {
      arguments.command = Command::kSet;
      ReadSetOptions(texts, arguments);
      setList.Read(arguments.files);
    } else if (undo->parsed()) {
      arguments.command = Command::kUndo;
      arguments.files = {log};
    } else {
      showList.Read(arguments.files);
    }
  } catch (const CLI::CallForHelp&) {
    PrintHelp();
    exitStatus = kExitDone;
    return std::nullopt;
  } catch (const CLI::CallForVersion& version) {
    std::cout << version.what() << '\n';
    exitStatus = kExitDone;
    return std::nullopt;
  } catch (const CLI::ParseError& error) {
    Complain(TranslatedParseError(error.what()));
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
