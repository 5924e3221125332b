#include "qt_dialog_window.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <unordered_map>

#include "control_ids.hpp"
#include "file_name.hpp"
#include "icon_resources.hpp"
#include "info_list_model.hpp"
#include "info_list_view.hpp"
#include "qt_shell_info.hpp"
#include "safety_net.hpp"
#include "text_convert.hpp"
#include "up_down.hpp"

namespace tempinex::qt {

namespace {

// Caption, system menu and close box; fixed size, so no minimise or maximise box.
constexpr Qt::WindowFlags kMainWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
constexpr Qt::WindowFlags kAboutFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint;

const QRect kIconSquare(20, 0, 32, 32);
const QColor kIconBackground(210, 210, 210);

// The path bytes of a local file URL decoded as our file names are, so that a name that is
// not UTF-8 still names its file.
std::u16string PathOfUrl(const QUrl& url) {
  QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  return DecodeFileName(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// The icon of the file's type, worked out from its name: looking at its contents would read
// the file and so change its last-access time.
QPixmap FileIconImage(const SetIcon& icon) {
  int size = icon.large ? 32 : 16;
  if (icon.kind == SetIcon::Kind::kMultiFile) {
    return IconResourceImage(ids::kMultiFileIcon, size);
  }
  static const QMimeDatabase database;
  const bool directory = QFileInfo(NativePath(icon.path)).isDir();
  const QMimeType type =
      directory ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                : database.mimeTypeForFile(NativePath(icon.path), QMimeDatabase::MatchExtension);
  QIcon themed = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
  if (themed.isNull()) {
    themed = PlainFileIcon(directory);
  }
  return themed.pixmap(size, size);
}

}  // namespace

QtDialogWindow::QtDialogWindow(IPrompts& prompts, const QFont& font)
    : TemplateDialog(MainDialogTemplate(), font, nullptr, kMainWindowFlags),
      prompts(prompts),
      dialogFont(font) {
  setAcceptDrops(true);
  setSizeGripEnabled(false);
  ConnectList();
}

void QtDialogWindow::Open(INotificationSink& receiver) {
  sink = &receiver;
  // Shown first: a message that the start-up raises (a file on the command line that cannot
  // be loaded) stands in front of the window it concerns, not alone before it. The window is
  // painted only once the start-up is done or a message box waits.
  show();
  Deliver({0, Event::kInitDialog});
}

int QtDialogWindow::RunModal(INotificationSink& receiver) {
  Open(receiver);
  return exec();
}

void QtDialogWindow::Deliver(const Notification& notification) {
  if (sink != nullptr) {
    sink->Notify(notification);
  }
}

void QtDialogWindow::OnClicked(int id) {
  Deliver({id, Event::kClicked});
}

void QtDialogWindow::OnTextChanged(int id) {
  Deliver({id, Event::kTextChanged});
}

// Linux keeps no texts for result codes: the program's own stand in for them.
std::u16string QtDialogWindow::SystemResultCodeText(std::uint32_t code) const {
  return OwnResultCodeText(code);
}

void QtDialogWindow::ShowMessage(const std::u16string& caption, const std::u16string& text,
                                 MessageIcon icon, bool systemModal) {
  prompts.ShowMessage(this, caption, text, icon, systemModal);
}

void QtDialogWindow::SetText(int id, const std::u16string& text) {
  QWidget* widget = Control(id);
  const QString value = ToQString(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(value);  // textChanged, and so the notification, only on a real change
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(value);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(value);
  }
}

std::u16string QtDialogWindow::GetText(int id) const {
  QWidget* widget = Control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    return ToU16(edit->text());
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    return ToU16(button->text());
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    return ToU16(label->text());
  }
  if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    return ToU16(group->title());
  }
  return {};
}

void QtDialogWindow::Enable(int id, bool enabled) {
  if (QWidget* widget = Control(id)) {
    widget->setEnabled(enabled);
  }
}

bool QtDialogWindow::IsEnabled(int id) const {
  QWidget* widget = Control(id);
  return widget != nullptr && widget->isEnabledTo(const_cast<QtDialogWindow*>(this));
}

void QtDialogWindow::SetCheck(int id, bool checked) {
  if (auto* box = qobject_cast<QCheckBox*>(Control(id))) {
    box->setChecked(checked);  // toggled, not clicked: no notification, as on Windows
  }
}

bool QtDialogWindow::IsChecked(int id) const {
  auto* box = qobject_cast<QCheckBox*>(Control(id));
  return box != nullptr && box->checkState() == Qt::Checked;
}

QTableView* QtDialogWindow::ListView(int id) const {
  return qobject_cast<QTableView*>(Control(id));
}

InfoListModel* QtDialogWindow::ListModel(int id) const {
  QTableView* view = ListView(id);
  return view != nullptr ? static_cast<InfoListModel*>(view->model()) : nullptr;
}

void QtDialogWindow::ListInsertColumn(int id, int column, const std::u16string& header,
                                      int widthPixels) {
  if (InfoListModel* model = ListModel(id)) {
    model->InsertColumn(column, ToQString(header));
    ListView(id)->horizontalHeader()->resizeSection(column, widthPixels);
  }
}

void QtDialogWindow::ListSetHeader(int id, int column, const std::u16string& header) {
  if (InfoListModel* model = ListModel(id)) {
    model->SetHeader(column, ToQString(header));
  }
}

void QtDialogWindow::ListDeleteAllRows(int id) {
  if (InfoListModel* model = ListModel(id)) {
    model->Clear();
  }
}

void QtDialogWindow::ListInsertRow(int id, int row, const std::u16string& column0) {
  if (InfoListModel* model = ListModel(id)) {
    model->InsertRow(row, ToQString(column0));
  }
}

void QtDialogWindow::ListSetCell(int id, int row, int column, const std::u16string& text) {
  if (InfoListModel* model = ListModel(id)) {
    model->SetCell(row, column, ToQString(text));
  }
}

void QtDialogWindow::ListAppendRows(int id, const std::vector<ListRow>& rows) {
  InfoListModel* model = ListModel(id);
  if (model == nullptr) {
    return;
  }
  std::vector<QString> cells;
  cells.reserve(rows.size() * 2);
  // A large set has many rows but few type names: rows of one type share one string.
  std::unordered_map<std::u16string_view, QString> shared;
  for (const ListRow& row : rows) {
    auto type = shared.find(row.second);
    if (type == shared.end()) {
      type = shared.emplace(row.second, ToQString(row.second)).first;
    }
    cells.push_back(ToQString(row.first));
    cells.push_back(type->second);
  }
  model->AppendRows(std::move(cells), 2);
}

int QtDialogWindow::ListRowCount(int id) const {
  InfoListModel* model = ListModel(id);
  return model != nullptr ? model->rowCount() : 0;
}

void QtDialogWindow::SetUpDownRange(int upDownId, int low, int high) {
  if (auto* upDown = dynamic_cast<UpDown*>(Control(upDownId))) {
    upDown->SetRange(low, high);
  }
}

void QtDialogWindow::SetDialogIcon(int iconId) {
  setWindowIcon(IconResource(iconId));
}

void QtDialogWindow::ShowIconSquare(const SetIcon& icon) {
  iconSquare = icon;
  iconSquareImage = icon.kind == SetIcon::Kind::kNone ? QPixmap() : FileIconImage(icon);
  update(kIconSquare);
}

void QtDialogWindow::paintEvent(QPaintEvent* event) {
  TemplateDialog::paintEvent(event);
  if (iconSquare.kind == SetIcon::Kind::kNone) {
    return;  // nothing is painted without an icon
  }
  QPainter painter(this);
  painter.fillRect(kIconSquare, kIconBackground);
  painter.drawPixmap(kIconSquare.topLeft(), iconSquareImage);
}

void QtDialogWindow::AppendSystemMenuSeparator() {
  systemMenu.push_back({0, QString()});
}

void QtDialogWindow::AppendSystemMenuItem(int command, const std::u16string& text) {
  systemMenu.push_back({command, ToQString(text)});
}

// Linux gives a program no hand in the title bar's window menu, so the items appended to the
// system menu are offered from the dialog background's context menu.
void QtDialogWindow::contextMenuEvent(QContextMenuEvent* event) {
  if (systemMenu.empty()) {
    return;
  }
  QMenu menu(this);
  int chosen = 0;
  for (const MenuItem& item : systemMenu) {
    if (item.command == 0) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(item.text);
    connect(action, &QAction::triggered, &menu,
            [&chosen, command = item.command] { chosen = command; });
  }
  menu.exec(event->globalPos());
  // As with a system command, the notification comes after the menu has closed.
  if (chosen != 0) {
    Deliver({chosen, Event::kSysCommand});
  }
}

std::optional<std::vector<std::u16string>> QtDialogWindow::ChooseFilesToOpen(
    const std::u16string& filterCaption, const std::u16string& filterPattern) {
  return prompts.ChooseFilesToOpen(this, filterCaption, filterPattern);
}

std::optional<std::u16string> QtDialogWindow::ChooseFileToOpen(
    const std::u16string& filterCaption, const std::u16string& filterPattern) {
  return prompts.ChooseFileToOpen(this, filterCaption, filterPattern);
}

int QtDialogWindow::RunModalDialog(int templateId) {
  if (templateId != AboutDialogTemplate().id) {
    return 0;
  }
  TemplateDialog about(AboutDialogTemplate(), dialogFont, this, kAboutFlags);
  about.setObjectName(QStringLiteral("dialog%1").arg(templateId));
  return about.exec();
}

void QtDialogWindow::EndDialog(int result) {
  done(result);
}

void QtDialogWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  }
}

void QtDialogWindow::dropEvent(QDropEvent* event) {
  Notification dropped{0, Event::kFilesDropped};
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) {
      dropped.paths.push_back(PathOfUrl(url));
    }
  }
  if (dropped.paths.empty()) {
    return;  // a drop without local files changes nothing
  }
  event->acceptProposedAction();
  Deliver(dropped);
}

void QtDialogWindow::ConnectList() {
  auto* view = static_cast<InfoListView*>(ListView(ids::kInfoList));
  view->onClick = [this](int row) { Deliver({ids::kInfoList, Event::kListClick, row}); };
  connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            // The row losing the selection first, then the row gaining it.
            for (const QModelIndex& index : deselected.indexes()) {
              if (index.column() == 0) {
                Deliver({ids::kInfoList, Event::kListItemChanged, index.row()});
              }
            }
            for (const QModelIndex& index : selected.indexes()) {
              if (index.column() == 0) {
                Deliver({ids::kInfoList, Event::kListItemChanged, index.row()});
              }
            }
          });
}

void QtDialogWindow::BatchProgress(std::size_t done, std::size_t total) {
  batchProgress.Progress(done, total);
}

void QtDialogWindow::BatchFinished() {
  batchProgress.Finished();
}

}  // namespace tempinex::qt
