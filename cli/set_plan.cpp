#include "set_plan.hpp"

#include "time_text.hpp"

namespace tempinex::cli {

namespace {

// One time of the file: set outright, copied from the reference (in whole seconds, as the
// dialog writes them) and/or shifted; nothing when it stays.
std::optional<FileTime> PlanTime(const SetOptions& options, std::optional<FileTime> given,
                                 FileTime own, FileTime referenced, unsigned which,
                                 bool& outOfRange) {
  if (given) {
    return given;
  }
  if (!(options.only & which) || (!options.reference && !options.shift)) {
    return std::nullopt;
  }
  const FileTime base = options.reference ? WholeSeconds(referenced) : own;
  if (base == 0) {
    return std::nullopt;  // no creation time known to copy or move
  }
  if (!options.shift) {
    return base;
  }
  const std::optional<FileTime> moved = Shifted(base, *options.shift);
  outOfRange = outOfRange || !moved;
  return moved;
}

template <typename T>
std::optional<T> IfDifferent(std::optional<T> wanted, T now) {
  return wanted && *wanted != now ? wanted : std::nullopt;
}

}  // namespace

Plan PlanChange(const SetOptions& options, const FileState& before, bool attributesOnly) {
  Plan plan;
  const FileState reference = options.reference.value_or(FileState{});
  if (!attributesOnly) {
    plan.change.created = IfDifferent(PlanTime(options, options.created, before.created,
                                               reference.created, kOnlyCreated, plan.outOfRange),
                                      before.created);
    plan.change.modified = IfDifferent(PlanTime(options, options.modified, before.modified,
                                                reference.modified, kOnlyModified, plan.outOfRange),
                                       before.modified);
    plan.change.accessed = IfDifferent(PlanTime(options, options.accessed, before.accessed,
                                                reference.accessed, kOnlyAccessed, plan.outOfRange),
                                       before.accessed);
  }
  if (options.attributes) {
    const std::uint32_t now = before.attributes & kEditable;
    plan.change.attributes = IfDifferent<std::uint32_t>(options.attributes->ApplyTo(now), now);
  }
  return plan;
}

FileState Changed(const FileState& before, const Change& change) {
  FileState after = before;
  after.created = change.created.value_or(before.created);
  after.modified = change.modified.value_or(before.modified);
  after.accessed = change.accessed.value_or(before.accessed);
  if (change.attributes) {
    after.attributes = (before.attributes & ~kEditable) | *change.attributes;
  }
  return after;
}

}  // namespace tempinex::cli
