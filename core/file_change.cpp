#include "file_change.hpp"

namespace tempinex {

ChangeOutcome ApplyChange(platform::OpenFile& file, const platform::Change& change) {
  const bool attributesFirst = (file.State().attributes & platform::kAttrReadOnly) != 0;
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
