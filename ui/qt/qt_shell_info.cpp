#include "qt_shell_info.hpp"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include "file_name.hpp"
#include "text_convert.hpp"

namespace tempinex::qt {

QString NativePath(const std::u16string& path) {
  std::optional<std::string> bytes = EncodeFileName(path);
  if (!bytes) {
    return {};
  }
  return QFile::decodeName(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())));
}

std::u16string QtShellInfo::DisplayName(const std::u16string& path) {
  QFileInfo info(NativePath(path));
  if (!info.exists()) {
    return {};
  }
  // The name part of our own UTF-16 path keeps bytes that Qt's decoding would lose.
  std::size_t slash = path.find_last_of(u'/');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string QtShellInfo::TypeName(const std::u16string& path) {
  QFileInfo info(NativePath(path));
  if (!info.exists()) {
    return {};
  }
  static const QMimeDatabase database;
  return ToU16(database.mimeTypeForFile(info).comment().trimmed());
}

}  // namespace tempinex::qt
