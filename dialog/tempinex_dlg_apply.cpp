// Apply and OK: the dialog's state turned into one status, the rename of a single file, the
// batch write and the report of refused files.

#include "control_ids.hpp"
#include "date_time_rows.hpp"
#include "tempinex_dlg.hpp"

namespace tempinex {

void CTempinexDlg::RouteApply() {
  dispatcher.Route(ids::kApply, Event::kClicked, [this](const Notification&) { OnApply(); });
  dispatcher.Route(ids::kOk, Event::kClicked, [this](const Notification&) { OnOK(); });
}

void CTempinexDlg::OnApply() {
  ApplyChanges(ReadStatus(0));
  controls.Enable(ids::kApply, false);
}

void CTempinexDlg::OnOK() {
  if (files.GetCount() == 0) {
    return;
  }
  ApplyChanges(ReadStatus(0));
  controls.EndDialog(ids::kOk);
}

void CTempinexDlg::ApplyChanges(const FileStatus& loaded) {
  FileStatus status = loaded;
  if (files.GetCount() == 0) {
    return;
  }
  if (files.GetCount() == 1) {
    const std::u16string before = files.GetCurrentPath();
    files.RenameFile(ComposeNewPath());
    if (files.GetCurrentPath() != before) {
      ShowRenamedFile();
    }
  }
  for (int row = 0; row < kRowCount; ++row) {
    status.*kDateTimeRows[row].time = IsRowChecked(row) ? GetRowTime(row) : 0;
  }
  // With attribute editing switched off the boxes only show a file; they never change one.
  const std::uint8_t attribute = GetAttributeByte();
  const bool leaveAttributes =
      !controls.IsChecked(ids::kAttributeCheck) || attribute == loaded.attribute;
  if (!leaveAttributes) {
    status.attribute = attribute;
  }
  // The read-only box was cleared by the user when it showed the file checked and is now off.
  const int readOnlyClearedAt =
      readOnlyShownFor >= 0 && !controls.IsChecked(ids::kReadOnly) ? readOnlyShownFor : -1;
  files.ApplyStatus(status, leaveAttributes, readOnlyClearedAt);
  // The boxes now stand for what was just written: a read-only box the user has just checked
  // can be cleared by the next apply without a reload.
  readOnlyShownFor = controls.IsChecked(ids::kReadOnly) ? shownIndex : -1;
  files.ReportFailures();
}

std::u16string CTempinexDlg::ComposeNewPath() const {
  std::u16string path;
  if (files.GetCurrentPath().find(platform::kSeparator) != std::u16string::npos) {
    path = files.GetFolder() + platform::kSeparator;
  }
  path += controls.GetText(ids::kFileName);
  const std::u16string extension = controls.GetText(ids::kExtension);
  if (!extension.empty()) {
    path += u'.';
    path += extension;
  }
  return path;
}

}  // namespace tempinex
