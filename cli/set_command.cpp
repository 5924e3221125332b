#include "set_command.hpp"

#include <cstdio>
#include <cstring>

#include "attribute_text.hpp"
#include "messages.hpp"
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
    case Refusal::kNoExtendedAttributes:
      return _("the file system keeps no extended attributes");
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

void PrintDryRun(const std::string& name, const FileState& before, const Change& change) {
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
    if (!arguments.recursive) {
      File(name, false);
      return;
    }
    Walk(name, {[this](const std::string& path, bool isFolder) { File(path, isFolder); },
                [this](const std::string& folder, int error) {
                  Complain(Format(_("cannot read the folder %s: %s"),
                                  {Quote(folder), std::strerror(error)}));
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

  void File(const std::string& name, bool walkedFolder) {
    if (stopped) {
      return;
    }
    if (log != nullptr && log->Is(name)) {
      return;  // the log is written by this run, and never changed as one of its files
    }
    const std::u16string path = PathFromBytes(name);
    const Visit visit(path);
    FileState before;
    if (!WithinPathLimit(path)) {
      return Refuse(name, Reason({Refusal::kPathTooLong, 0}));
    }
    if (const int error = ReadState(path, before)) {
      return Refuse(name, std::strerror(error));
    }
    const Plan plan = PlanChange(arguments.set, before, walkedFolder);
    if (plan.outOfRange) {
      return Refuse(name, _("a shifted time falls outside the years 1601 to 9999"));
    }
    if (plan.change.Empty()) {
      if (arguments.dryRun) {
        PrintDryRun(name, before, plan.change);
      }
      return;
    }
    if (const Admission admission = Admit(path, before, plan.change);
        admission.refusal != Refusal::kNone) {
      return Refuse(name, Reason(admission));
    }
    if (arguments.dryRun) {
      return PrintDryRun(name, before, plan.change);
    }
    if (log != nullptr) {
      if (const int error = log->Before(name, before, Changed(before, plan.change))) {
        // No file is changed without its entry on the disk.
        Complain(Format(_("cannot write the undo log: %s"), {std::strerror(error)}));
        refused = stopped = true;
        return;
      }
    }
    const int error = MakeChange(path, before, plan.change);
    if (error != 0) {
      Refuse(name, std::strerror(error));
    }
    FileState after;
    if (log != nullptr && ReadState(path, after) == 0) {
      log->After(name, after);
    }
  }

  const Arguments& arguments;
  UndoLog* log;
  bool refused = false;
  bool stopped = false;
};

}  // namespace

int RunSet(Arguments& arguments) {
  if (!arguments.reference.empty()) {
    FileState reference;
    const std::u16string path = PathFromBytes(arguments.reference);
    if (const int error = ReadState(path, reference)) {
      Complain(Format(_("--from: cannot read %s: %s"),
                      {Quote(arguments.reference), std::strerror(error)}));
      return kExitUsage;
    }
    arguments.set.reference = reference;
  }
  std::optional<UndoLog> log;
  if (arguments.undoLog && !arguments.dryRun) {
    int error = 0;
    log = UndoLog::Open(*arguments.undoLog, error);
    if (!log) {
      Complain(
          Format(_("cannot write the undo log %s: %s"),
                 {Quote(*arguments.undoLog),
                  error == EINVAL ? _("the file holds something else") : std::strerror(error)}));
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
      return kExitRefused;
    }
  }
  return run.Refused() ? kExitRefused : kExitDone;
}

}  // namespace tempinex::cli
