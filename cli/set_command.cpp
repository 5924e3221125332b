#include "set_command.hpp"

#include <cstdio>
#include <cstring>

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
    case Refusal::kDirectoryTimes:
      return _("the times of a folder are not changed");
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
    case Refusal::kWouldTurnSpecial:
      return _("System without Hidden would turn this small file into a special file");
    case Refusal::kNotKept:
      return _("the file system did not keep the change");
    case Refusal::kRecordUnreadable:
      return Format(_("its attributes could not be read: %s"), {std::strerror(admission.error)});
    case Refusal::kNone:
    case Refusal::kCannotRead:
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
  const auto put = [&](const char* key, const std::optional<FileTime>& planned, FileTime now) {
    if (planned) {
      object[key] = {{"old", TimeJson(now)}, {"new", TimeJson(*planned)}};
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

class SetRun {
 public:
  SetRun(const Arguments& arguments, UndoLog* log) : arguments(arguments), log(log) {}

  void Operand(const std::string& name) {
    const std::u16string path = PathFromBytes(name);
    if (!WithinPathLimit(path)) {
      return Refuse(name, Reason({Refusal::kPathTooLong, 0}));
    }
    int error = 0;
    const std::unique_ptr<File> file = File::Open(path, error);
    if (!file) {
      return Refuse(name, std::strerror(error));
    }
    if (!arguments.recursive) {
      return ChangeFile(name, *file, false);
    }
    Walk(name, *file,
         {[this](const std::string& path, File& found) {
            ChangeFile(path, found, found.IsFolder());
          },
          [this](const std::string& path, int error) {
            Complain(
                Format(_("cannot read the folder %s: %s"), {Quote(path), std::strerror(error)}));
            refused = true;
          }});
  }

  bool Refused() const { return refused; }
  bool Stopped() const { return stopped; }

 private:
  void Refuse(const std::string& name, const std::string& reason) {
    Complain(Format(_("cannot change %s: %s"), {Quote(name), reason}));
    refused = true;
  }

  void ChangeFile(const std::string& name, File& file, bool walkedFolder) {
    if (stopped) {
      return;
    }
    if (log != nullptr && log->Is(file.Id())) {
      return;  // the log is written by this run, and never changed as one of its files
    }
    if (!WithinPathLimit(PathFromBytes(name))) {
      return Refuse(name, Reason({Refusal::kPathTooLong, 0}));
    }
    const FileState before = file.State();
    std::string why;
    const std::optional<SetOptions> options = OptionsFor(name, before, walkedFolder, why);
    if (!options) {
      return Refuse(name, why);
    }
    const Plan plan = PlanChange(*options, before, walkedFolder);
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
    if (!LogBefore(name, before, plan.change)) {
      return;
    }
    const Outcome outcome = file.Make(plan.change);
    if (outcome.error != 0) {
      Refuse(name,
             outcome.restoreError == 0
                 ? (outcome.refusal != Refusal::kNone ? Reason({outcome.refusal, outcome.error})
                                                      : std::string(std::strerror(outcome.error)))
                 : Format(_("%s; putting it back failed too (%s): it may be half-written"),
                          {std::strerror(outcome.error), std::strerror(outcome.restoreError)}));
    }
    LogAfter(name, file);
  }

  // The options for this file: with --from-exif, the times taken from its photo time; nothing,
  // with why set, for a file that has none. A folder met in the walk takes attributes alone.
  std::optional<SetOptions> OptionsFor(const std::string& name, const FileState& before,
                                       bool walkedFolder, std::string& why) const {
    SetOptions options = arguments.set;
    if (!arguments.fromExif || walkedFolder) {
      return options;
    }
    if (before.attributes & kDirectory) {
      why = Reason({Refusal::kDirectoryTimes, 0});
      return std::nullopt;
    }
    const std::optional<PreciseTime> taken = ReadPhotoTime(name, why);
    if (!taken) {
      return std::nullopt;
    }
    options.source = SourceTimes{taken, taken, taken};
    return options;
  }

  // No file is changed without its entry on the disk: a log that cannot be written stops the
  // run before the file.
  bool LogBefore(const std::string& name, const FileState& before, const Change& change) {
    if (log == nullptr) {
      return true;
    }
    if (const int error = log->Before(name, before, Changed(before, change))) {
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
    if (const int error = log->After(name, file.State())) {
      LogFailed(error);
    }
  }

  void LogFailed(int error) {
    Complain(Format(_("cannot write the undo log: %s"), {std::strerror(error)}));
    stopped = true;
  }

  const Arguments& arguments;
  UndoLog* log;
  bool refused = false;
  bool stopped = false;
};

}  // namespace

int RunSet(Arguments& arguments) {
  if (arguments.reference) {
    FileState reference;
    const std::u16string path = PathFromBytes(*arguments.reference);
    if (const int error = ReadState(path, reference)) {
      Complain(Format(_("--from: cannot read %s: %s"),
                      {Quote(*arguments.reference), std::strerror(error)}));
      return kExitUsage;
    }
    arguments.set.source = TimesOf(reference);
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
    run.Operand(name);
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
