#pragma once

// The three date-time rows of the main dialog: which controls make up each row, which time of
// a file status it shows, the setting that remembers its check box, and each field's limits.

#include <array>
#include <cstdint>
#include <optional>

#include "file_status.hpp"

namespace tempinex {

enum class RowField { kYear, kMonth, kDay, kHour, kMinute, kSecond };
inline constexpr int kFieldCount = 6;
inline constexpr int kRowCount = 3;
inline constexpr int kCreationRow = 0;
inline constexpr int kLastWriteRow = 1;
inline constexpr int kLastAccessRow = 2;

struct DateTimeRow {
  int checkBox;
  const char16_t* settingsKey;
  StatusTime FileStatus::*time;
  std::array<int, kFieldCount> edits;    // year, month, day, hour, minute, second
  std::array<int, kFieldCount> upDowns;  // in the same order
};

extern const std::array<DateTimeRow, kRowCount> kDateTimeRows;

struct FieldLimits {
  int upDownLow;
  int upDownHigh;
  std::optional<int> lowerBound;  // what the validator clamps to; the day's upper bound is
  std::optional<int> upperBound;  // the length of its month and is worked out separately
};

const FieldLimits& LimitsOf(RowField field);

struct FieldPosition {
  int row;
  RowField field;
};

// Where a date-time edit sits, or nothing for any other control.
std::optional<FieldPosition> FindDateTimeField(int editId);

// A field's part of local calendar fields.
int PartOf(const LocalFields& fields, RowField field);

}  // namespace tempinex
