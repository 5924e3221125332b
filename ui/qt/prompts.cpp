#include "prompts.hpp"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "file_name.hpp"
#include "long_message_box.hpp"
#include "text_convert.hpp"

namespace tempinex::qt {

void QtPrompts::ShowMessage(QWidget* owner, const std::u16string& caption,
                            const std::u16string& text, MessageIcon icon, bool systemModal) {
  const QMessageBox::Icon shown =
      icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::Critical;
  // Qt has no system-modal box; blocking every window of the program comes closest.
  const Qt::WindowModality modality = systemModal ? Qt::ApplicationModal : Qt::WindowModal;
  QMessageBox box(shown, ToQString(caption), ToQString(text), QMessageBox::Ok, owner);
  const QRect room = RoomForMessage(owner);
  if (MessageFits(box.sizeHint(), room)) {
    box.setWindowModality(modality);
    box.exec();
    return;
  }
  LongMessageBox longBox(owner, ToQString(caption), ToQString(text), shown, room);
  longBox.setWindowModality(modality);
  longBox.exec();
}

namespace {

// Qt's own open-file dialog, which shows the filter by its caption alone ("ALL(*.*)"); a
// desktop's dialog would show the pattern Linux needs as well. Gives the names chosen, or
// nothing when the user cancelled.
std::optional<std::vector<std::u16string>> AskForFiles(QWidget* owner, QFileDialog::FileMode mode,
                                                       const std::u16string& filterCaption,
                                                       const std::u16string& filterPattern) {
  // On Linux "*.*" would hide every name without a dot: the pattern for all files is "*".
  QString pattern = ToQString(filterPattern);
  if (pattern == QStringLiteral("*.*")) {
    pattern = QStringLiteral("*");
  }
  QString filter = ToQString(filterCaption) + QStringLiteral(" (") + pattern + QStringLiteral(")");
  QFileDialog dialog(owner);
  dialog.setFileMode(mode);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(filter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  std::vector<std::u16string> paths;
  for (const QString& path : dialog.selectedFiles()) {
    // Back to the bytes of the name, then through our own decoding, which keeps names that are
    // not valid UTF-8.
    QByteArray bytes = QFile::encodeName(path);
    paths.push_back(DecodeFileName(std::string_view(bytes.constData(), bytes.size())));
  }
  return paths;
}

}  // namespace

std::optional<std::vector<std::u16string>> QtPrompts::ChooseFilesToOpen(
    QWidget* owner, const std::u16string& filterCaption, const std::u16string& filterPattern) {
  return AskForFiles(owner, QFileDialog::ExistingFiles, filterCaption, filterPattern);
}

// The single-file dialog of the times of another file.
std::optional<std::u16string> QtPrompts::ChooseFileToOpen(QWidget* owner,
                                                          const std::u16string& filterCaption,
                                                          const std::u16string& filterPattern) {
  auto chosen = AskForFiles(owner, QFileDialog::ExistingFile, filterCaption, filterPattern);
  if (!chosen) {
    return std::nullopt;
  }
  return chosen->front();
}

}  // namespace tempinex::qt
