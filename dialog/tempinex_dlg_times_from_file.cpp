// Times of another file: the item beside About puts the three times of a file the user picks
// into the three date-time rows, the way selecting a file of the set does. The rows are only
// filled; what is written, and when, stays with Apply and OK.

#include "control_ids.hpp"
#include "date_time_rows.hpp"
#include "errors.hpp"
#include "platform.hpp"
#include "string_table.hpp"
#include "tempinex_dlg.hpp"

namespace tempinex {

namespace {

constexpr char16_t kLoadTimesMenuText[] = u"他のファイルの日時を読み込む...";
constexpr char16_t kFilterCaption[] = u"ALL(*.*)";
constexpr char16_t kFilterPattern[] = u"*.*";

// The chosen file could not be read: the user is told why instead of seeing rows of fill
// values.
[[noreturn]] void RaiseReadFailure(const std::u16string& path) {
  platform::AttributeData data;
  const platform::NativeError error = path.size() >= kMaxPath
                                          ? platform::InvalidNameError()
                                          : platform::GetAttributeData(path, data);
  if (error == 0) {
    throw FileError(ErrorCause::kGeneric, -1, path);  // it could be read a moment later
  }
  throw FileError(platform::CauseOf(error), error, path);
}

}  // namespace

void CTempinexDlg::AddLoadTimesItem() {
  if (!controls.HasSystemMenu()) {
    return;
  }
  if (LoadResourceString(ids::kAboutMenuString).empty()) {
    controls.AppendSystemMenuSeparator();  // there is no About item whose separator it shares
  }
  controls.AppendSystemMenuItem(ids::kLoadTimesCommand, kLoadTimesMenuText);
}

void CTempinexDlg::OnLoadTimesFromFile() {
  if (files.GetCount() == 0) {
    return;  // before a load the rows are disabled and Apply has nothing to write to
  }
  const auto chosen = controls.ChooseFileToOpen(kFilterCaption, kFilterPattern);
  if (!chosen || chosen->empty()) {
    return;
  }
  FileStatus status;
  if (!ReadFileStatus(chosen->c_str(), status)) {
    RaiseReadFailure(*chosen);
  }
  for (int row = 0; row < kRowCount; ++row) {
    SetRowTime(row, status.*kDateTimeRows[row].time);
  }
}

}  // namespace tempinex
