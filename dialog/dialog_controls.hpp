#pragma once

// The dialog's view of the window it runs in. Controls are addressed by their numeric IDs
// (control_ids.hpp), so the same dialog code drives a Qt window and a Win32 dialog resource.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "file_operate.hpp"
#include "shell_seams.hpp"

namespace tempinex {

// What happened, as the window reports it.
enum class Event {
  kInitDialog,       // the window and its controls exist; the dialog sets itself up
  kClicked,          // a push button or check box was clicked (1 = OK/Enter, 2 = Cancel/Esc)
  kTextChanged,      // an edit's text changed, by typing or by a SetText write
  kListClick,        // index: the clicked row, -1 beside the rows
  kListItemChanged,  // index: a row whose selection state changed
  kFilesDropped,     // paths: the dropped names in drop order
  kSysCommand,       // id: the system command
};

struct Notification {
  Notification(int id, Event event, int index = -1, std::vector<std::u16string> paths = {})
      : id(id), event(event), index(index), paths(std::move(paths)) {}

  int id;
  Event event;
  int index;
  std::vector<std::u16string> paths;
};

// Receives every notification of a window. The answer tells a platform that has default
// processing (system commands) whether the notification was handled.
class INotificationSink {
 public:
  virtual ~INotificationSink() = default;
  virtual bool Notify(const Notification& notification) = 0;
};

// One row of the information list: column 0 and column 1.
using ListRow = std::pair<std::u16string, std::u16string>;

class IDialogControls : public IMessageBox, public IBatchProgress {
 public:
  // A long batch apply may show that the window is busy; a window without such a display
  // ignores it.
  void BatchProgress(std::size_t, std::size_t) override {}
  void BatchFinished() override {}

  // The system's own description of a result code, in the user's language; empty when it has
  // none. The safety net shows it. A system that keeps no such texts (Linux) answers with the
  // program's own (OwnResultCodeText).
  virtual std::u16string SystemResultCodeText(std::uint32_t code) const = 0;

  // Text of an edit, button, check box or static. A write that changes the text delivers
  // kTextChanged for an edit synchronously, before SetText returns; writing the text the
  // control already holds delivers nothing.
  virtual void SetText(int id, const std::u16string& text) = 0;
  virtual std::u16string GetText(int id) const = 0;

  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;

  // Check boxes. Writing the state delivers no notification.
  virtual void SetCheck(int id, bool checked) = 0;
  virtual bool IsChecked(int id) const = 0;

  // Report-view lists.
  virtual void ListInsertColumn(int id, int column, const std::u16string& header,
                                int widthPixels) = 0;
  virtual void ListSetHeader(int id, int column, const std::u16string& header) = 0;
  virtual void ListDeleteAllRows(int id) = 0;
  virtual void ListInsertRow(int id, int row, const std::u16string& column0) = 0;
  virtual void ListSetCell(int id, int row, int column, const std::u16string& text) = 0;
  // Appends many rows at once; a load of a large file set goes through here.
  virtual void ListAppendRows(int id, const std::vector<ListRow>& rows) = 0;
  virtual int ListRowCount(int id) const = 0;

  // Range of an up-down; its buddy is the edit created just before it.
  virtual void SetUpDownRange(int upDownId, int low, int high) = 0;

  // The window's big and small icon, from an icon resource.
  virtual void SetDialogIcon(int iconId) = 0;
  // The file icon square at the top left; it is shown again after every repaint.
  virtual void ShowIconSquare(const SetIcon& icon) = 0;

  // The window's system menu (on platforms without one reachable, a menu of our own).
  virtual bool HasSystemMenu() const = 0;
  virtual void AppendSystemMenuSeparator() = 0;
  virtual void AppendSystemMenuItem(int command, const std::u16string& text) = 0;

  // The open-file dialog with one filter entry and multiple selection of existing files.
  // Nothing when the user cancels.
  virtual std::optional<std::vector<std::u16string>> ChooseFilesToOpen(
      const std::u16string& filterCaption, const std::u16string& filterPattern) = 0;

  // The open-file dialog with one filter entry for a single existing file. Nothing when the
  // user cancels.
  virtual std::optional<std::u16string> ChooseFileToOpen(const std::u16string& filterCaption,
                                                         const std::u16string& filterPattern) = 0;

  // Runs another dialog template modally over this window and returns its result.
  virtual int RunModalDialog(int templateId) = 0;

  // Ends this dialog's modal run with a result (ids::kOk, ids::kCancel).
  virtual void EndDialog(int result) = 0;
};

}  // namespace tempinex
