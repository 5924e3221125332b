#pragma once

// The main dialog's window in Qt: template 102 with real widgets, IDialogControls for the
// dialog, and every notification of the widgets handed to one INotificationSink.

#include <QFont>
#include <vector>

#include "batch_progress.hpp"
#include "dialog_controls.hpp"
#include "prompts.hpp"
#include "template_dialog.hpp"

class QTableView;

namespace tempinex::qt {

class InfoListModel;

class QtDialogWindow : public TemplateDialog, public IDialogControls {
 public:
  // prompts answers message boxes and the open-file dialog; it must outlive the window.
  QtDialogWindow(IPrompts& prompts, const QFont& font);

  // Shows the window and delivers the init notification to sink; returns at once.
  void Open(INotificationSink& sink);
  // Open, then the modal run; returns the result given to EndDialog.
  int RunModal(INotificationSink& sink);

  // IMessageBox
  void ShowMessage(const std::u16string& caption, const std::u16string& text, MessageIcon icon,
                   bool systemModal) override;

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
  bool HasSystemMenu() const override { return true; }
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, const std::u16string& text) override;
  std::optional<std::vector<std::u16string>> ChooseFilesToOpen(
      const std::u16string& filterCaption, const std::u16string& filterPattern) override;
  std::optional<std::u16string> ChooseFileToOpen(const std::u16string& filterCaption,
                                                 const std::u16string& filterPattern) override;
  int RunModalDialog(int templateId) override;
  void EndDialog(int result) override;
  void BatchProgress(std::size_t done, std::size_t total) override;
  void BatchFinished() override;

 protected:
  void OnClicked(int id) override;
  void OnTextChanged(int id) override;

  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct MenuItem {
    int command;  // 0: a separator
    QString text;
  };

  void Deliver(const Notification& notification);
  void ConnectList();
  QTableView* ListView(int id) const;
  InfoListModel* ListModel(int id) const;

  IPrompts& prompts;
  BatchProgressDisplay batchProgress{this};
  QFont dialogFont;
  INotificationSink* sink = nullptr;
  std::vector<MenuItem> systemMenu;
  SetIcon iconSquare;
  QPixmap iconSquareImage;  // looked up once per load, not at every repaint
};

}  // namespace tempinex::qt
