#include "set_plan.hpp"

namespace tempinex::cli {

namespace {

// One time of the file: set outright, copied from the source and/or shifted, to the
// nanosecond; nothing when it stays.
std::optional<PreciseTime> PlanTime(const SetOptions& options, std::optional<PreciseTime> given,
                                    std::optional<PreciseTime> own,
                                    std::optional<PreciseTime> copied, unsigned which,
                                    bool& outOfRange) {
  if (given) {
    return given;
  }
  if (!(options.only & which) || (!options.source && !options.shift)) {
    return std::nullopt;
  }
  const std::optional<PreciseTime> base = options.source ? copied : own;
  if (!base) {
    return std::nullopt;  // no creation time known to copy or move
  }
  if (!options.shift) {
    return base;
  }
  const std::optional<PreciseTime> moved = Shifted(*base, *options.shift);
  outOfRange = outOfRange || !moved;
  return moved;
}

// The planned time, when it differs from the file's.
std::optional<PreciseTime> IfDifferent(std::optional<PreciseTime> wanted,
                                       std::optional<PreciseTime> now) {
  return wanted != now ? wanted : std::nullopt;
}

}  // namespace

Source TimesOf(const FileState& state) {
  return {state.created, state.modified, state.accessed, std::nullopt};
}

Plan PlanChange(const SetOptions& options, const FileState& before, bool attributesOnly) {
  Plan plan;
  const Source copied = options.source.value_or(Source{});
  if (!attributesOnly) {
    const Source own = TimesOf(before);
    plan.change.created = IfDifferent(PlanTime(options, options.created, own.created,
                                               copied.created, kOnlyCreated, plan.outOfRange),
                                      before.created);
    plan.change.modified = IfDifferent(PlanTime(options, options.modified, own.modified,
                                                copied.modified, kOnlyModified, plan.outOfRange),
                                       before.modified);
    plan.change.accessed = IfDifferent(PlanTime(options, options.accessed, own.accessed,
                                                copied.accessed, kOnlyAccessed, plan.outOfRange),
                                       before.accessed);
  }
  if (options.attributes || copied.attributes) {
    const std::uint32_t now = before.attributes & kEditable;
    std::uint32_t wanted = copied.attributes.value_or(now) & kEditable;
    if (options.attributes) {
      wanted = options.attributes->ApplyTo(wanted);
    }
    if (wanted != now) {
      plan.change.attributes = wanted;
    }
  }
  return plan;
}

FileState Changed(const FileState& before, const Change& change) {
  FileState after = before;
  if (change.created) {
    after.created = change.created;
  }
  after.modified = change.modified.value_or(before.modified);
  after.accessed = change.accessed.value_or(before.accessed);
  if (change.attributes) {
    after.attributes = (before.attributes & ~kEditable) | *change.attributes;
  }
  return after;
}

}  // namespace tempinex::cli
