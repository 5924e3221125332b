#include "prompts.hpp"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "file_name.hpp"
#include "text_convert.hpp"

namespace tempinex::qt {

void QtPrompts::ShowMessage(QWidget* owner, const std::u16string& caption,
                            const std::u16string& text, MessageIcon icon, bool systemModal) {
  QMessageBox box(icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::Critical,
                  ToQString(caption), ToQString(text), QMessageBox::Ok, owner);
  // Qt has no system-modal box; blocking every window of the program comes closest.
  box.setWindowModality(systemModal ? Qt::ApplicationModal : Qt::WindowModal);
  box.exec();
}

std::optional<std::vector<std::u16string>> QtPrompts::ChooseFilesToOpen(
    QWidget* owner, const std::u16string& filterCaption, const std::u16string& filterPattern) {
  // On Linux "*.*" would hide every name without a dot: the pattern for all files is "*".
  QString pattern = ToQString(filterPattern);
  if (pattern == QStringLiteral("*.*")) {
    pattern = QStringLiteral("*");
  }
  QString filter = ToQString(filterCaption) + QStringLiteral(" (") + pattern + QStringLiteral(")");
  // Qt's own dialog, which shows the filter by its caption alone ("ALL(*.*)"); a desktop's
  // dialog would show the pattern Linux needs as well.
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(filter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  const QStringList chosen = dialog.selectedFiles();
  std::vector<std::u16string> paths;
  for (const QString& path : chosen) {
    // Back to the bytes of the name, then through our own decoding, which keeps names that are
    // not valid UTF-8.
    QByteArray bytes = QFile::encodeName(path);
    paths.push_back(DecodeFileName(std::string_view(bytes.constData(), bytes.size())));
  }
  return paths;
}

// The single-file dialog of the times of another file. Its filter and its names are made as the
// Browse dialog makes them.
std::optional<std::u16string> QtPrompts::ChooseFileToOpen(QWidget* owner,
                                                          const std::u16string& filterCaption,
                                                          const std::u16string& filterPattern) {
  QString pattern = ToQString(filterPattern);
  if (pattern == QStringLiteral("*.*")) {
    pattern = QStringLiteral("*");
  }
  QString filter = ToQString(filterCaption) + QStringLiteral(" (") + pattern + QStringLiteral(")");
  QString chosen = QFileDialog::getOpenFileName(owner, QString(), QString(), filter);
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  QByteArray bytes = QFile::encodeName(chosen);
  return DecodeFileName(std::string_view(bytes.constData(), bytes.size()));
}

}  // namespace tempinex::qt
