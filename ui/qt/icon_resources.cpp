#include "icon_resources.hpp"

#include <QApplication>
#include <QImageReader>
#include <QString>
#include <QStyle>
#include <vector>

// The icons are compiled into this static library; a static library's resources are
// registered by hand, once, before the first use.
static void RegisterIconResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  (void)registered;
}

namespace tempinex::qt {

QPixmap ReadPng(const QString& path) {
  // Left to guess, the reader first loads every image plugin installed (and the libraries
  // behind them) to ask each whether it reads PNG: a seventh of the program's start-up.
  QImageReader reader(path, "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

QPixmap IconResourceImage(int id, int size) {
  RegisterIconResources();
  return ReadPng(QStringLiteral(":/icons/%1_%2.png").arg(id).arg(size));
}

QIcon IconResource(int id) {
  QIcon icon;
  icon.addPixmap(IconResourceImage(id, 32));
  icon.addPixmap(IconResourceImage(id, 16));
  return icon;
}

QIcon PlainFileIcon(bool directory) {
  // The pictures Qt's common style draws files and folders with, where this Qt keeps them;
  // the largest only where the screen has more pixels than the dialog's units.
  const QString stem = directory
                           ? QStringLiteral(":/qt-project.org/styles/commonstyle/images/dirclosed-")
                           : QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-");
  std::vector<int> sizes = {16, 32};
  if (qApp->devicePixelRatio() > 1.0) {
    sizes.push_back(128);
  }
  QIcon icon;
  for (const int size : sizes) {
    const QPixmap image = ReadPng(stem + QString::number(size) + QStringLiteral(".png"));
    if (image.isNull()) {
      return QApplication::style()->standardIcon(directory ? QStyle::SP_DirIcon
                                                           : QStyle::SP_FileIcon);
    }
    icon.addPixmap(image);
  }
  return icon;
}

}  // namespace tempinex::qt
