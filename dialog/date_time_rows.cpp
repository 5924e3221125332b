#include "date_time_rows.hpp"

#include "control_ids.hpp"

namespace tempinex {

using namespace ids;

const std::array<DateTimeRow, kRowCount> kDateTimeRows = {{
    {kCreateCheck,
     u"fileCreate",
     &FileStatus::created,
     {kCreateYear, kCreateMonth, kCreateDay, kCreateHour, kCreateMinute, kCreateSecond},
     {kCreateYearSpin, kCreateMonthSpin, kCreateDaySpin, kCreateHourSpin, kCreateMinuteSpin,
      kCreateSecondSpin}},
    {kLastChangeCheck,
     u"fileLastChange",
     &FileStatus::modified,
     {kLastChangeYear, kLastChangeMonth, kLastChangeDay, kLastChangeHour, kLastChangeMinute,
      kLastChangeSecond},
     {kLastChangeYearSpin, kLastChangeMonthSpin, kLastChangeDaySpin, kLastChangeHourSpin,
      kLastChangeMinuteSpin, kLastChangeSecondSpin}},
    {kLastReadCheck,
     u"fileLastRead",
     &FileStatus::accessed,
     {kLastReadYear, kLastReadMonth, kLastReadDay, kLastReadHour, kLastReadMinute, kLastReadSecond},
     {kLastReadYearSpin, kLastReadMonthSpin, kLastReadDaySpin, kLastReadHourSpin,
      kLastReadMinuteSpin, kLastReadSecondSpin}},
}};

const FieldLimits& LimitsOf(RowField field) {
  // The hour goes up to 24 in the field; only 0 to 23 convert to a time.
  static const FieldLimits kLimits[kFieldCount] = {
      {1950, 2049, 1950, 2049},             // year
      {1, 12, std::nullopt, 12},            // month
      {1, 31, std::nullopt, std::nullopt},  // day: its month's length
      {0, 24, std::nullopt, 24},            // hour
      {0, 59, std::nullopt, 59},            // minute
      {0, 59, std::nullopt, 59},            // second
  };
  return kLimits[static_cast<int>(field)];
}

std::optional<FieldPosition> FindDateTimeField(int editId) {
  for (int row = 0; row < kRowCount; ++row) {
    for (int field = 0; field < kFieldCount; ++field) {
      if (kDateTimeRows[row].edits[field] == editId) {
        return FieldPosition{row, static_cast<RowField>(field)};
      }
    }
  }
  return std::nullopt;
}

int PartOf(const LocalFields& fields, RowField field) {
  switch (field) {
    case RowField::kYear:
      return fields.year;
    case RowField::kMonth:
      return fields.month;
    case RowField::kDay:
      return fields.day;
    case RowField::kHour:
      return fields.hour;
    case RowField::kMinute:
      return fields.minute;
    case RowField::kSecond:
      return fields.second;
  }
  return 0;
}

}  // namespace tempinex
