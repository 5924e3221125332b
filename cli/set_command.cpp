#include "set_command.hpp"

#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "attribute_text.hpp"
#include "messages.hpp"
#include "photo_time.hpp"
#include "show.hpp"
#include "time_text.hpp"
#include "undo_log.hpp"
#include "walk.hpp"

namespace tempinex::cli {

namespace {

std::string Reason(const Admission& admission) {
  switch (admission.refusal) {
    case Refusal::kPathTooLong:
      return _("path too long (260 UTF-16 units or more)");
    case Refusal::kNotRegular:
      return _("not a regular file or folder");
    case Refusal::kReadOnly:
      return _("read-only file (clear it with --attrib -r)");
    case Refusal::kImmutable:
      return _("immutable or append-only file");
    case Refusal::kReadOnlyVolume:
      return _("the file system is mounted read-only");
    case Refusal::kNotOwner:
      return _("only its owner or a privileged user may change it");
    case Refusal::kNeedsPrivilege:
      return _("only a privileged user may make this change on this file system");
    case Refusal::kNoExtendedAttributes:
      return _("the file system keeps no extended attributes");
    case Refusal::kCreationTimeFixed:
      return _("the creation time of this file system cannot be set from Linux");
    case Refusal::kAttributesUnsupported:
      return _("this kernel cannot change exFAT attributes; Linux 6.7 or later can");
    case Refusal::kRootFolder:
      return _("the root folder of a FAT or exFAT volume keeps neither attributes nor times");
    case Refusal::kWouldTurnSpecial:
      return _("System without Hidden would turn this small file into a special file");
    case Refusal::kNotKept:
      return _("the file system did not keep the change");
    case Refusal::kRecordUnreadable:
      return Format(_("its attributes could not be read: %s"), {std::strerror(admission.error)});
    case Refusal::kNone:
    case Refusal::kNoPermission:
      break;
  }
  return std::strerror(admission.error);
}

std::string Transition(const std::string& from, const std::string& to) {
  return from + " -> " + to;
}

// {"path": ..., "modified": {"old": ..., "new": ...}, ...} with what the change sets.
void PrintDryRunJson(const std::string& name, const FileState& before, const Change& change) {
  nlohmann::json object;
  PutPath(object, name);
  const auto put = [&](const char* key, const std::optional<PreciseTime>& planned,
                       const std::optional<PreciseTime>& now) {
    if (planned) {
      object[key] = {{"old", TimeJson(now)}, {"new", TimeJson(planned)}};
    }
  };
  put("created", change.created, before.created);
  put("modified", change.modified, before.modified);
  put("accessed", change.accessed, before.accessed);
  if (change.attributes) {
    object["attributes"] = {{"old", AttributesJson(before.attributes)},
                            {"new", AttributesJson(Changed(before, change).attributes)}};
  }
  PrintJsonLine(object);
}

void PrintDryRun(const std::string& name, const FileState& before, const Change& change,
                 bool json) {
  if (json) {
    return PrintDryRunJson(name, before, change);
  }
  std::string text = ShowName(name) + "\n";
  if (change.created) {
    text += StateLine(_("created"),
                      Transition(TimeOrUnknown(before.created), TimeOrUnknown(*change.created)));
  }
  if (change.modified) {
    text += StateLine(_("modified"),
                      Transition(TimeOrUnknown(before.modified), TimeOrUnknown(*change.modified)));
  }
  if (change.accessed) {
    text += StateLine(_("accessed"),
                      Transition(TimeOrUnknown(before.accessed), TimeOrUnknown(*change.accessed)));
  }
  if (change.attributes) {
    text += StateLine(_("attributes"),
                      Transition(AttributeLetters(before.attributes),
                                 AttributeLetters(Changed(before, change).attributes)));
  }
  if (change.Empty()) {
    text += std::string("  ") + _("(no change)") + "\n";
  }
  std::fputs(text.c_str(), stdout);
}

// What of a change a file can take: all of it; the attributes alone (a folder met in a walk
// with --from-exif, which holds no photo); the last write and last access times alone (a link
// met in a walk with --no-dereference, which has no attributes or creation time of its own).
enum class Part { kAll, kAttributes, kTimes };

std::string OutcomeReason(const Outcome& outcome) {
  // A change the volume took and did not keep is refused like one it could not take.
  const std::string why =
      outcome.refusal != Refusal::kNone ? Reason({outcome.refusal, outcome.error})
      : outcome.error == kTimeNotStored ? _("the file system cannot store this time")
                                        : std::strerror(outcome.error);
  if (outcome.restoreError == 0) {
    return why;
  }
  return Format(_("%s; putting it back failed too (%s): it may be half-written"),
                {why, std::strerror(outcome.restoreError)});
}

class SetRun {
 public:
  SetRun(const Arguments& arguments, UndoLog* log) : arguments(arguments), log(log) {}

  // One name of the command line or of the list: the file, the tree below it with
  // --recursive, or each entry of the tree below it from its original with --from-tree.
  void Operand(const std::string& name, File* original) {
    if (!WithinPathLimit(name)) {
      return Refuse(name, Reason({Refusal::kPathTooLong, 0}));
    }
    int error = 0;
    const std::unique_ptr<File> file = File::Open(name, Rule(), error);
    if (!file) {
      return Refuse(name, std::strerror(error));
    }
    if (original != nullptr) {
      return FromTree(name, *file, *original);
    }
    if (!arguments.recursive) {
      if (FirstTime(*file)) {
        ChangeFile(name, *file, arguments.set, Part::kAll);
      }
      return;
    }
    WalkVisitor visitor = Visitor();
    visitor.enter = [this](const std::string& path, const std::string&, File& folder) {
      return Reachable(path) && FirstTime(folder);
    };
    visitor.entry = [this](const std::string& path, const std::string& entry, File& found) {
      if (found.IsFolder() || (Reachable(path) && FirstTime(found))) {
        ChangeFile(path, found, arguments.set, WalkedPart(found, entry.empty()));
      }
    };
    Walk(name, *file, visitor);
  }

  bool Refused() const { return refused; }
  bool Stopped() const { return stopped; }

 private:
  LinkRule Rule() const { return arguments.noDereference ? LinkRule::kItself : LinkRule::kFollow; }

  // A file reached under several names in one run (hard links, a tree named inside another,
  // a name given twice) is changed once.
  bool FirstTime(const File& file) { return seen.insert(file.Id()).second; }

  // A path met in a walk is refused, with everything below it, where it grows too long.
  bool Reachable(const std::string& path) {
    if (WithinPathLimit(path)) {
      return true;
    }
    Refuse(path, Reason({Refusal::kPathTooLong, 0}));
    return false;
  }

  WalkVisitor Visitor() {
    WalkVisitor visitor;
    visitor.unreadable = [this](const std::string& path, int error) {
      Complain(Format(_("cannot read the folder %s: %s"), {Quote(path), std::strerror(error)}));
      refused = true;
    };
    visitor.links = arguments.noDereference;
    return visitor;
  }

  // A link named itself is refused what it cannot take; one met below is left it.
  Part WalkedPart(const File& file, bool root) const {
    if (file.IsLink()) {
      return root ? Part::kAll : Part::kTimes;
    }
    return file.IsFolder() && arguments.fromExif ? Part::kAttributes : Part::kAll;
  }

  // Each file and folder under the copy named takes the times, and with --with-attributes the
  // attributes and creation time, of the same relative path under original; an entry whose
  // original is missing, or of another kind, is refused with everything below it.
  void FromTree(const std::string& name, File& copy, File& original) {
    struct Original {
      std::unique_ptr<File> opened;
      File* file;
      std::string path;
    };
    std::vector<Original> folders;
    // The original of an entry named `entry` in the folder last entered (the root's, for "").
    const auto originalOf = [&](const std::string& path, const std::string& entry,
                                const File& found) -> std::optional<Original> {
      Original counterpart{nullptr, &original, *arguments.fromTree};
      int error = 0;
      if (!entry.empty()) {
        const Original& folder = folders.back();
        counterpart.path = folder.path + "/" + entry;
        counterpart.opened = folder.file->OpenEntry(entry, error);
        counterpart.file = counterpart.opened.get();
      }
      if (!counterpart.file) {
        Refuse(path, error == ENOENT
                         ? Format(_("its original %s is missing"), {Quote(counterpart.path)})
                         : Format(_("cannot read its original %s: %s"),
                                  {Quote(counterpart.path), std::strerror(error)}));
        return std::nullopt;
      }
      if (counterpart.file->IsFolder() != found.IsFolder() ||
          counterpart.file->IsLink() != found.IsLink()) {
        Refuse(path,
               Format(_("its original %s is another kind of file"), {Quote(counterpart.path)}));
        return std::nullopt;
      }
      return counterpart;
    };
    WalkVisitor visitor = Visitor();
    visitor.enter = [&](const std::string& path, const std::string& entry, File& folder) {
      if (!Reachable(path) || !FirstTime(folder)) {
        return false;
      }
      std::optional<Original> counterpart = originalOf(path, entry, folder);
      if (counterpart) {
        folders.push_back(std::move(*counterpart));
      }
      return counterpart.has_value();
    };
    visitor.entry = [&](const std::string& path, const std::string& entry, File& found) {
      if (found.IsFolder()) {
        const Original counterpart = std::move(folders.back());
        folders.pop_back();
        return ChangeFile(path, found, FromOriginal(*counterpart.file), Part::kAll);
      }
      if (!Reachable(path) || !FirstTime(found)) {
        return;
      }
      if (const std::optional<Original> counterpart = originalOf(path, entry, found)) {
        ChangeFile(path, found, FromOriginal(*counterpart->file), WalkedPart(found, entry.empty()));
      }
    };
    Walk(name, copy, visitor);
  }

  // The options for a file of the copy whose original is `original`.
  SetOptions FromOriginal(const File& original) const {
    SetOptions options = arguments.set;
    Source source = TimesOf(original.State());
    if (arguments.withAttributes) {
      source.attributes = original.State().attributes & kEditable;
    } else {
      source.created.reset();
    }
    options.source = source;
    return options;
  }

  void Refuse(const std::string& name, const std::string& reason) {
    Complain(Format(_("cannot change %s: %s"), {Quote(name), reason}));
    refused = true;
  }

  void ChangeFile(const std::string& name, File& file, const SetOptions& given, Part part) {
    if (stopped) {
      return;
    }
    if (log != nullptr && log->Is(file.Id())) {
      return;  // the log is written by this run, and never changed as one of its files
    }
    const FileState before = file.State();  // Make brings the file's state up to date
    std::string why;
    const std::optional<SetOptions> options = OptionsFor(file, given, part, why);
    if (!options) {
      return Refuse(name, why);
    }
    Plan plan = PlanChange(*options, before, part == Part::kAttributes);
    if (part == Part::kTimes) {
      plan.change.created.reset();
      plan.change.attributes.reset();
    }
    if (plan.outOfRange) {
      return Refuse(name, _("a shifted time falls outside the range of times, "
                            "1601-01-01T00:00:01Z to 9999-12-31T23:59:59Z"));
    }
    if (plan.change.Empty()) {
      if (arguments.dryRun) {
        PrintDryRun(name, before, plan.change, arguments.json);
      }
      return;
    }
    if (const Admission admission = file.Admit(plan.change); admission.refusal != Refusal::kNone) {
      return Refuse(name, Reason(admission));
    }
    if (arguments.dryRun) {
      return PrintDryRun(name, before, plan.change, arguments.json);
    }
    if (!LogBefore(name, file, Changed(before, plan.change))) {
      return;
    }
    if (const Outcome outcome = file.Make(plan.change); outcome.error != 0) {
      Refuse(name, OutcomeReason(outcome));
    }
    LogAfter(name, file);
  }

  // The options for this file: with --from-exif, the times taken from its photo time; nothing,
  // with why set, for a file that has none.
  std::optional<SetOptions> OptionsFor(File& file, const SetOptions& given, Part part,
                                       std::string& why) const {
    if (!arguments.fromExif || part != Part::kAll) {
      return given;
    }
    const std::optional<PreciseTime> taken = ReadPhotoTime(file.OpenContents(), why);
    if (!taken) {
      return std::nullopt;
    }
    SetOptions options = given;
    options.source = Source{taken, taken, taken, std::nullopt};
    return options;
  }

  // No file is changed without its entry on the disk: a log that cannot be written stops the
  // run before the file.
  bool LogBefore(const std::string& name, const File& file, const FileState& planned) {
    if (log == nullptr) {
      return true;
    }
    if (const int error = log->Before(name, file, planned)) {
      LogFailed(error);
      return false;
    }
    return true;
  }

  // The state the file was left in; without it, undo compares with the state planned. The run
  // stops all the same when it cannot be written, as the log's disk is failing.
  void LogAfter(const std::string& name, File& file) {
    if (log == nullptr || file.Reread() != 0) {
      return;
    }
    if (const int error = log->After(name, file)) {
      LogFailed(error);
    }
  }

  void LogFailed(int error) {
    Complain(Format(_("cannot write the undo log: %s"), {std::strerror(error)}));
    stopped = true;
  }

  const Arguments& arguments;
  UndoLog* log;
  std::unordered_set<Identity, IdentityHash> seen;
  bool refused = false;
  bool stopped = false;
};

// The file named by --from or --from-tree, read as it is; nothing after a complaint.
std::unique_ptr<File> OpenSource(const char* option, const std::string& name, LinkRule rule) {
  int error = 0;
  std::unique_ptr<File> file = File::Open(name, rule, error);
  if (!file) {
    Complain(Format(_("%s: cannot read %s: %s"), {option, Quote(name), std::strerror(error)}));
  }
  return file;
}

}  // namespace

int RunSet(Arguments& arguments) {
  const LinkRule rule = arguments.noDereference ? LinkRule::kItself : LinkRule::kFollow;
  if (arguments.reference) {
    const std::unique_ptr<File> reference =
        OpenSource("--from", *arguments.reference, LinkRule::kFollow);
    if (!reference) {
      return kExitUsage;
    }
    arguments.set.source = TimesOf(reference->State());
  }
  std::unique_ptr<File> original;
  if (arguments.fromTree) {
    original = OpenSource("--from-tree", *arguments.fromTree, rule);
    if (!original) {
      return kExitUsage;
    }
  }
  std::optional<UndoLog> log;
  if (arguments.undoLog && !arguments.dryRun) {
    int error = 0;
    log = UndoLog::Open(*arguments.undoLog, error);
    if (!log) {
      Complain(Format(_("cannot write the undo log %s: %s"),
                      {Quote(*arguments.undoLog), LogProblem(error)}));
      return kExitUsage;
    }
  }
  SetRun run(arguments, log ? &*log : nullptr);
  for (const std::string& name : arguments.files) {
    run.Operand(name, original.get());
  }
  if (log) {
    if (const int error = log->Close()) {
      Complain(Format(_("cannot write the undo log: %s"), {std::strerror(error)}));
      return kExitUsage;
    }
  }
  return run.Stopped() ? kExitUsage : run.Refused() ? kExitRefused : kExitDone;
}

}  // namespace tempinex::cli
