#pragma once

// The main dialog's window on Windows: dialog resource 102 run by the dialog manager,
// IDialogControls for the dialog, and every notification of its controls handed to one
// INotificationSink.

#include <windows.h>

#include "batch_progress_win32.hpp"
#include "dialog_controls.hpp"

namespace tempinex::win32 {

class Win32DialogWindow : public IDialogControls {
 public:
  explicit Win32DialogWindow(HINSTANCE instance);
  ~Win32DialogWindow() override;

  // Runs dialog 102 modally; the init notification reaches sink before it is first shown.
  // Returns the result given to EndDialog.
  int RunModal(INotificationSink& sink);
  HWND Handle() const { return window; }

  // IMessageBox
  void ShowMessage(const std::u16string& caption, const std::u16string& text, MessageIcon icon,
                   bool systemModal) override;

  // IBatchProgress
  void BatchProgress(std::size_t done, std::size_t total) override;
  void BatchFinished() override;

  // IDialogControls
  std::u16string SystemResultCodeText(std::uint32_t code) const override;
  void SetText(int id, const std::u16string& text) override;
  std::u16string GetText(int id) const override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void SetCheck(int id, bool checked) override;
  bool IsChecked(int id) const override;
  void ListInsertColumn(int id, int column, const std::u16string& header, int widthPixels) override;
  void ListSetHeader(int id, int column, const std::u16string& header) override;
  void ListDeleteAllRows(int id) override;
  void ListInsertRow(int id, int row, const std::u16string& column0) override;
  void ListSetCell(int id, int row, int column, const std::u16string& text) override;
  void ListAppendRows(int id, const std::vector<ListRow>& rows) override;
  int ListRowCount(int id) const override;
  void SetUpDownRange(int upDownId, int low, int high) override;
  void SetDialogIcon(int iconId) override;
  void ShowIconSquare(const SetIcon& icon) override;
  bool HasSystemMenu() const override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, const std::u16string& text) override;
  std::optional<std::vector<std::u16string>> ChooseFilesToOpen(
      const std::u16string& filterCaption, const std::u16string& filterPattern) override;
  std::optional<std::u16string> ChooseFileToOpen(const std::u16string& filterCaption,
                                                 const std::u16string& filterPattern) override;
  int RunModalDialog(int templateId) override;
  void EndDialog(int result) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool Deliver(const Notification& notification);
  HWND Control(int id) const { return GetDlgItem(window, id); }
  void DrawFileIcon();
  void PaintMinimized();
  void OnDrop(HDROP drop);
  INT_PTR OnNotify(const NMHDR& header);

  HINSTANCE instance;
  HWND window = nullptr;
  INotificationSink* sink = nullptr;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  SetIcon iconSquare;
  Win32BatchProgress batchProgress{instance};
};

}  // namespace tempinex::win32
