#pragma once

#include <string>
#include <vector>

#include "date_time_rows.hpp"
#include "dialog_controls.hpp"
#include "dispatcher.hpp"
#include "file_operate.hpp"
#include "safety_net.hpp"
#include "tempinex_app.hpp"

namespace tempinex {

namespace test {
class DialogProbe;
}

// The main dialog (template 102). It owns the file set and the routing of every notification
// of its window; the window itself is reached only through IDialogControls.
class CTempinexDlg : public INotificationSink {
 public:
  CTempinexDlg(CTempinexApp& app, IDialogControls& controls, IShellInfo& shell,
               std::vector<std::u16string> commandLine);

  // The window calls this for every notification; it runs the routed handler, guarded.
  bool Notify(const Notification& notification) override;

 private:
  // Tests read a row and the attribute byte the way the apply does.
  friend class test::DialogProbe;

  void RouteShell();

  // Dialog shell handlers.
  void OnInitDialog();
  void OnSysCommand(int command);
  void OnCancel();

  void AddAboutItem();
  void SetUpInformationList();

  // Date-time rows.
  void RouteRows();
  void SetUpDownRanges();
  void SetRowTime(int row, StatusTime time);
  StatusTime GetRowTime(int row);
  void CheckField(std::uint32_t id);
  bool CheckDateTimeField(int edit, FieldPosition position, const FileStatus& reference);
  void ClampDay(FieldPosition position, std::int32_t value);
  void OnRowCheck(int row);
  bool IsRowChecked(int row) const;
  void OnRestoreTime();
  void OnCurrentTime();
  void OnClearTime();
  void OnSameAsCreation();

  // Attribute boxes.
  void RouteAttributes();
  void ShowAttributes(std::uint8_t attribute);
  void OnAttributeCheck();
  std::uint8_t GetAttributeByte() const;
  bool IsAttributeSettingOn();

  // Loading a file set.
  void RouteLoading();
  void LoadCommandLine();
  void OnFilesDropped(const std::vector<std::u16string>& paths);
  void OnBrowseButton();
  void LoadFileSet();
  // Replaces the set with paths and loads it; a set that cannot be loaded leaves the one the
  // dialog shows in its place, so that Apply never writes files the dialog did not show.
  void LoadNewSet(const std::vector<std::u16string>& paths);
  FileStatus ReadStatus(int index) const;
  void ShowSingleFile(const FileStatus& status);
  void ShowFileFacts(const FileStatus& status);
  void ShowRenamedFile();
  void ShowFileList();
  void RestoreRowChecks();
  void DrawFileIcon();
  void OnListClick(int index);
  void OnListItemChanged(int index);
  void ShowFileStatus(int index);

  // Times of another file, from the item beside About.
  void AddLoadTimesItem();
  void OnLoadTimesFromFile();

  // Apply and OK.
  void RouteApply();
  void OnApply();
  void OnOK();
  void ApplyChanges(const FileStatus& loaded);
  std::u16string ComposeNewPath() const;

  CTempinexApp& app;
  IDialogControls& controls;
  CFileOperate files;
  // The paths after the program name, as written; the file-loading unit loads them at init.
  std::vector<std::u16string> commandLine;
  // The member whose times and attributes the rows and boxes took at the last load or list
  // selection.
  int shownIndex = 0;
  // The member whose read-only box showed checked after the last load, list selection or
  // apply; -1 when the box showed unchecked.
  int readOnlyShownFor = -1;
  SafetyNet net;
  Dispatcher dispatcher;
};

}  // namespace tempinex
