// Loading a file set into the dialog: the command line, drops and Browse, the information list
// in its two modes, and showing one file of the set when its row is selected.

#include "control_ids.hpp"
#include "date_time_rows.hpp"
#include "size_text.hpp"
#include "tempinex_dlg.hpp"

namespace tempinex {

namespace {

constexpr char16_t kBrowseFilterCaption[] = u"ALL(*.*)";
constexpr char16_t kBrowseFilterPattern[] = u"*.*";

const char16_t* const kSingleFileCaptions[] = {u"種類", u"パス名", u"MS-DOS名", u"サイズ"};

}  // namespace

void CTempinexDlg::RouteLoading() {
  dispatcher.Route(ids::kBrowse, Event::kClicked,
                   [this](const Notification&) { OnBrowseButton(); });
  dispatcher.RouteAny(Event::kFilesDropped,
                      [this](const Notification& n) { OnFilesDropped(n.paths); });
  dispatcher.Route(ids::kInfoList, Event::kListClick,
                   [this](const Notification& n) { OnListClick(n.index); });
  dispatcher.Route(ids::kInfoList, Event::kListItemChanged,
                   [this](const Notification& n) { OnListItemChanged(n.index); });
}

void CTempinexDlg::LoadCommandLine() {
  if (!commandLine.empty()) {
    LoadNewSet(commandLine);
  }
}

void CTempinexDlg::OnFilesDropped(const std::vector<std::u16string>& paths) {
  if (paths.empty()) {
    return;  // nothing that names a local file was dropped
  }
  LoadNewSet(paths);
}

void CTempinexDlg::OnBrowseButton() {
  const auto chosen = controls.ChooseFilesToOpen(kBrowseFilterCaption, kBrowseFilterPattern);
  if (!chosen || chosen->empty()) {
    return;
  }
  LoadNewSet(*chosen);
}

void CTempinexDlg::LoadNewSet(const std::vector<std::u16string>& paths) {
  std::vector<std::u16string> shown = files.GetFiles();
  files.SetFiles(paths);
  try {
    LoadFileSet();  // a status that cannot be read raises before anything is shown
  } catch (...) {
    files.SetFiles(shown);
    throw;
  }
}

void CTempinexDlg::LoadFileSet() {
  const FileStatus status = ReadStatus(0);
  controls.ListDeleteAllRows(ids::kInfoList);
  if (files.GetCount() <= 1) {
    ShowSingleFile(status);
  } else {
    ShowFileList();
  }
  SetUpDownRanges();
  for (int row = 0; row < kRowCount; ++row) {
    SetRowTime(row, status.*kDateTimeRows[row].time);
  }
  for (const int button :
       {ids::kRestoreTime, ids::kCurrentTime, ids::kClearTime, ids::kSameAsCreation}) {
    controls.Enable(button, true);
  }
  RestoreRowChecks();
  controls.Enable(ids::kAttributeCheck, true);
  const bool attributesOn = IsAttributeSettingOn();
  controls.SetCheck(ids::kAttributeCheck, attributesOn);
  if (attributesOn) {
    OnAttributeCheck();
  }
  ShowAttributes(status.attribute);
  shownIndex = 0;
  readOnlyShownFor = (status.attribute & platform::kAttrReadOnly) ? 0 : -1;
  // Last: the texts written above may have enabled Apply on their way.
  controls.Enable(ids::kApply, false);
}

// A time of the file that cannot be shown raises an error that says which file it is.
FileStatus CTempinexDlg::ReadStatus(int index) const {
  try {
    return files.GetFileStatus(index);
  } catch (const ResultCodeError& error) {
    throw ResultCodeError(error.code, files.GetPath(index));
  }
}

void CTempinexDlg::ShowSingleFile(const FileStatus& status) {
  DrawFileIcon();
  controls.Enable(ids::kFileName, true);
  controls.SetText(ids::kFileName, files.GetBaseName(0));
  controls.Enable(ids::kExtension, true);
  controls.SetText(ids::kExtension, files.GetExtension(0));
  ShowFileFacts(status);
}

// The four rows about the single file.
void CTempinexDlg::ShowFileFacts(const FileStatus& status) {
  const std::u16string fullPath(FullPathOf(status));
  const std::u16string shortPath = platform::ShortPathName(fullPath);
  controls.ListSetHeader(ids::kInfoList, 0, u"項目");
  controls.ListSetHeader(ids::kInfoList, 1, u"値");
  for (int row = 0; row < 4; ++row) {
    controls.ListInsertRow(ids::kInfoList, row, kSingleFileCaptions[row]);
  }
  controls.ListSetCell(ids::kInfoList, 0, 1, files.GetTypeName(0));
  controls.ListSetCell(ids::kInfoList, 1, 1, fullPath);
  controls.ListSetCell(ids::kInfoList, 2, 1, shortPath);
  controls.ListSetCell(ids::kInfoList, 3, 1, FormatSizeText(status.size));
}

// After a rename the list and the icon show the file under its new name, as the name fields
// do; the times and boxes keep what the user set.
void CTempinexDlg::ShowRenamedFile() {
  const FileStatus status = ReadStatus(0);
  controls.ListDeleteAllRows(ids::kInfoList);
  DrawFileIcon();
  ShowFileFacts(status);
}

void CTempinexDlg::ShowFileList() {
  controls.Enable(ids::kFileName, false);
  controls.SetText(ids::kFileName, u"");
  controls.Enable(ids::kExtension, false);
  controls.SetText(ids::kExtension, u"");
  DrawFileIcon();
  controls.ListSetHeader(ids::kInfoList, 0, u"ファイル名");
  controls.ListSetHeader(ids::kInfoList, 1, u"ファイルタイプ");
  std::vector<ListRow> rows;
  rows.reserve(static_cast<std::size_t>(files.GetCount()));
  const ManyQuestions asking = files.AskAboutEveryFile();
  for (int i = 0; i < files.GetCount(); ++i) {
    // The display name first: the shell answers the type name from what it found for it.
    std::u16string displayName = files.GetDisplayName(i);
    rows.emplace_back(std::move(displayName), files.GetTypeName(i));
  }
  controls.ListAppendRows(ids::kInfoList, rows);
}

void CTempinexDlg::RestoreRowChecks() {
  // All three settings are read before any box is touched.
  bool on[kRowCount];
  for (int row = 0; row < kRowCount; ++row) {
    on[row] = app.ReadSetting(kSettingsSection, kDateTimeRows[row].settingsKey, 0) == 1;
  }
  for (int row = 0; row < kRowCount; ++row) {
    controls.Enable(kDateTimeRows[row].checkBox, true);
  }
  for (int row = 0; row < kRowCount; ++row) {
    controls.SetCheck(kDateTimeRows[row].checkBox, on[row]);
    if (on[row]) {
      OnRowCheck(row);
    }
  }
}

void CTempinexDlg::DrawFileIcon() {
  controls.ShowIconSquare(files.GetSetIcon(1));
}

void CTempinexDlg::OnListClick(int index) {
  ShowFileStatus(index);
}
void CTempinexDlg::OnListItemChanged(int index) {
  ShowFileStatus(index);
}

void CTempinexDlg::ShowFileStatus(int index) {
  if (index < 0 || index >= files.GetCount()) {
    return;  // beside the rows, or a row of facts about the single file
  }
  const FileStatus status = ReadStatus(index);
  for (int row = 0; row < kRowCount; ++row) {
    SetRowTime(row, status.*kDateTimeRows[row].time);
  }
  ShowAttributes(status.attribute);
  shownIndex = index;
  readOnlyShownFor = (status.attribute & platform::kAttrReadOnly) ? index : -1;
}

}  // namespace tempinex
