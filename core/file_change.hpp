#pragma once

// Making one planned change to one open file, in the one order every caller uses: the dialog's
// batch apply and the command-line program both come here.

#include "open_file.hpp"

namespace tempinex {

struct ChangeOutcome {
  platform::NativeError error = 0;  // the failure that stopped the change, or 0
  // Putting the file back after that failure failed too: the file may be half-written.
  platform::NativeError restoreError = 0;
  // kNotKept when every step was taken but the volume did not keep the change (error then
  // holds the code that goes with it): the file was put back, and counts as refused.
  platform::Obstacle obstacle = platform::Obstacle::kNone;
  bool Done() const { return error == 0; }
  bool NotKept() const { return obstacle == platform::Obstacle::kNotKept && restoreError == 0; }
};

// Writes `change` to the file: the attributes before the times when the file is read-only now,
// so that a file being made writable can take its times (and likewise when the change takes
// System off a file that has it); after them otherwise, so that a file being made read-only
// still takes them. When a step fails, what the steps before it wrote is
// put back where the platform can; so is a change the volume took and did not keep.
ChangeOutcome ApplyChange(platform::OpenFile& file, const platform::Change& change);

}  // namespace tempinex
