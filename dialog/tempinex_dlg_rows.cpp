// The three date-time rows: filling a row from a time, reading it back, the field validator,
// the row check boxes and the four time buttons.

#include <ctime>

#include "control_ids.hpp"
#include "date_time_rows.hpp"
#include "field_number.hpp"
#include "tempinex_dlg.hpp"

namespace tempinex {

namespace {

bool IsAttributeBox(int id) {
  return id == ids::kReadOnly || id == ids::kArchive || id == ids::kHidden || id == ids::kSystem;
}

// A field's part of a time, as text; the fill value when the time cannot be split.
std::u16string ReferencePart(StatusTime time, RowField field) {
  return FormatFieldNumber(PartOf(StatusTimeToLocalOrFill(time), field));
}

}  // namespace

void CTempinexDlg::RouteRows() {
  for (int row = 0; row < kRowCount; ++row) {
    dispatcher.Route(kDateTimeRows[row].checkBox, Event::kClicked,
                     [this, row](const Notification&) { OnRowCheck(row); });
    for (const int edit : kDateTimeRows[row].edits) {
      dispatcher.Route(edit, Event::kTextChanged,
                       [this, edit](const Notification&) { CheckField(edit); });
    }
  }
  for (const int edit : {ids::kFileName, ids::kExtension}) {
    dispatcher.Route(edit, Event::kTextChanged,
                     [this, edit](const Notification&) { CheckField(edit); });
  }
  for (const int box : {ids::kReadOnly, ids::kHidden, ids::kArchive, ids::kSystem}) {
    dispatcher.Route(box, Event::kClicked, [this, box](const Notification&) { CheckField(box); });
  }
  dispatcher.Route(ids::kRestoreTime, Event::kClicked,
                   [this](const Notification&) { OnRestoreTime(); });
  dispatcher.Route(ids::kCurrentTime, Event::kClicked,
                   [this](const Notification&) { OnCurrentTime(); });
  dispatcher.Route(ids::kClearTime, Event::kClicked,
                   [this](const Notification&) { OnClearTime(); });
  dispatcher.Route(ids::kSameAsCreation, Event::kClicked,
                   [this](const Notification&) { OnSameAsCreation(); });
}

void CTempinexDlg::SetUpDownRanges() {
  for (const DateTimeRow& row : kDateTimeRows) {
    for (int field = 0; field < kFieldCount; ++field) {
      const FieldLimits& limits = LimitsOf(static_cast<RowField>(field));
      controls.SetUpDownRange(row.upDowns[field], limits.upDownLow, limits.upDownHigh);
    }
  }
}

void CTempinexDlg::SetRowTime(int row, StatusTime time) {
  // Field by field, year first: every write is validated as it lands, so the day is clamped
  // against the month that stands in the row at that moment.
  for (int field = 0; field < kFieldCount; ++field) {
    controls.SetText(kDateTimeRows[row].edits[field],
                     ReferencePart(time, static_cast<RowField>(field)));
  }
}

StatusTime CTempinexDlg::GetRowTime(int row) {
  const DateTimeRow& rowControls = kDateTimeRows[row];
  const FileStatus reference = ReadStatus(0);
  std::int32_t values[kFieldCount];
  for (int field = 0; field < kFieldCount; ++field) {
    const int edit = rowControls.edits[field];
    if (controls.GetText(edit).empty()) {
      controls.SetText(edit,
                       ReferencePart(reference.*rowControls.time, static_cast<RowField>(field)));
    }
    values[field] = ReadFieldNumber(controls.GetText(edit));
  }
  return MakeStatusTime(values[0], values[1], values[2], values[3], values[4], values[5], -1);
}

void CTempinexDlg::CheckField(std::uint32_t id) {
  const FileStatus reference = ReadStatus(0);
  if (FullPathOf(reference).empty()) {
    return;  // nothing loaded, or the first file cannot be found
  }
  const int control = static_cast<int>(id);
  bool changed = false;
  if (const auto position = FindDateTimeField(control)) {
    changed = CheckDateTimeField(control, *position, reference);
  } else if (control == ids::kFileName) {
    changed = !EqualIgnoringAsciiCase(controls.GetText(control), files.GetBaseName(0));
  } else if (control == ids::kExtension) {
    changed = !EqualIgnoringAsciiCase(controls.GetText(control), files.GetExtension(0));
  } else if (IsAttributeBox(control)) {
    changed = true;
  }
  if (changed) {
    controls.Enable(ids::kApply, true);
  }
}

bool CTempinexDlg::CheckDateTimeField(int edit, FieldPosition position,
                                      const FileStatus& reference) {
  std::u16string text = controls.GetText(edit);
  const std::int32_t value = ReadFieldNumber(text);
  if (text.size() >= 2 && text[0] == u'0') {
    text = FormatFieldNumber(value);  // 05 becomes 5; the write validates itself first
    controls.SetText(edit, text);
  }
  const DateTimeRow& row = kDateTimeRows[position.row];
  // Compared before the bound: a value typed out of range is a change even when its bound
  // equals the reference.
  const bool changed =
      !EqualIgnoringAsciiCase(text, ReferencePart(reference.*row.time, position.field));

  const FieldLimits& limits = LimitsOf(position.field);
  if (limits.upperBound && value > *limits.upperBound) {
    controls.SetText(edit, FormatFieldNumber(*limits.upperBound));
  } else if (limits.lowerBound && value < *limits.lowerBound) {
    controls.SetText(edit, FormatFieldNumber(*limits.lowerBound));
  }
  ClampDay(position, value);
  return changed;
}

// Keeps the row's day within its month after a year, month or day was written.
void CTempinexDlg::ClampDay(FieldPosition position, std::int32_t value) {
  const DateTimeRow& row = kDateTimeRows[position.row];
  const auto fieldValue = [&](RowField field) {
    return ReadFieldNumber(controls.GetText(row.edits[static_cast<int>(field)]));
  };
  int year = 0;
  int month = 0;
  switch (position.field) {
    case RowField::kYear:
      year = value;
      month = fieldValue(RowField::kMonth);
      break;
    case RowField::kMonth:
      year = fieldValue(RowField::kYear);
      month = value;
      break;
    case RowField::kDay:
      year = fieldValue(RowField::kYear);
      month = fieldValue(RowField::kMonth);
      break;
    default:
      return;
  }
  const int day = position.field == RowField::kDay ? value : fieldValue(RowField::kDay);
  const int length = DaysInMonth(year, month);
  if (day > length) {
    controls.SetText(row.edits[static_cast<int>(RowField::kDay)], FormatFieldNumber(length));
  }
}

void CTempinexDlg::OnRowCheck(int row) {
  const DateTimeRow& rowControls = kDateTimeRows[row];
  const bool on = controls.IsChecked(rowControls.checkBox);
  app.WriteSetting(kSettingsSection, rowControls.settingsKey, on ? 1 : 0);
  for (const int edit : rowControls.edits) {
    controls.Enable(edit, on);
  }
}

bool CTempinexDlg::IsRowChecked(int row) const {
  return controls.IsChecked(kDateTimeRows[row].checkBox);
}

void CTempinexDlg::OnRestoreTime() {
  const FileStatus reference = ReadStatus(0);
  for (int row = 0; row < kRowCount; ++row) {
    if (IsRowChecked(row)) {
      SetRowTime(row, reference.*kDateTimeRows[row].time);
    }
  }
  controls.Enable(ids::kApply, true);
}

void CTempinexDlg::OnCurrentTime() {
  const StatusTime now = static_cast<StatusTime>(std::time(nullptr));
  for (int row = 0; row < kRowCount; ++row) {
    if (IsRowChecked(row)) {
      SetRowTime(row, now);
    }
  }
  controls.Enable(ids::kApply, true);
}

void CTempinexDlg::OnClearTime() {
  for (int row = 0; row < kRowCount; ++row) {
    if (!IsRowChecked(row)) {
      continue;
    }
    for (const RowField field : {RowField::kHour, RowField::kMinute, RowField::kSecond}) {
      controls.SetText(kDateTimeRows[row].edits[static_cast<int>(field)], u"0");
    }
  }
  controls.Enable(ids::kApply, true);
}

void CTempinexDlg::OnSameAsCreation() {
  std::u16string creation[kFieldCount];
  for (int field = 0; field < kFieldCount; ++field) {
    creation[field] = controls.GetText(kDateTimeRows[kCreationRow].edits[field]);
  }
  for (const int row : {kLastWriteRow, kLastAccessRow}) {
    if (!IsRowChecked(row)) {
      continue;
    }
    for (int field = 0; field < kFieldCount; ++field) {
      controls.SetText(kDateTimeRows[row].edits[field], creation[field]);
    }
  }
  controls.Enable(ids::kApply, true);
}

}  // namespace tempinex
