#include "file_change.hpp"

namespace tempinex {

namespace {

// True when the file takes its times only once its attributes have changed: it is read-only
// now, or it has System and the change takes it off (a FAT volume mounted sys_immutable makes
// such a file immutable).
bool AttributesFirst(std::uint32_t word, const platform::Change& change) {
  const bool takesSystemOff = (word & platform::kAttrSystem) && change.attributes &&
                              !(*change.attributes & platform::kAttrSystem);
  return (word & platform::kAttrReadOnly) || takesSystemOff;
}

}  // namespace

ChangeOutcome ApplyChange(platform::OpenFile& file, const platform::Change& change) {
  const bool attributesFirst = AttributesFirst(file.State().attributes, change);
  platform::NativeError error = 0;
  if (change.attributes && attributesFirst) {
    error = file.WriteAttributes(change);
  }
  if (error == 0 && change.SetsTimes()) {
    error = file.WriteTimes(change);
  }
  if (error == 0 && change.attributes && !attributesFirst) {
    error = file.WriteAttributes(change);
  }
  if (error != 0) {
    return {error, file.Restore()};
  }
  const platform::Verdict kept = file.Kept(change);
  if (kept.Admitted()) {
    return {};
  }
  return {kept.error, file.Restore(), kept.obstacle};
}

}  // namespace tempinex
