// Asks the machine what a desktop would ask it about this program, for the package test:
//   tempinex_desktop_check type-name PATH  prints the type name the main dialog shows for PATH
//   tempinex_desktop_check icon            prints the sizes of the program icon in the icon
//                                          theme; fails when the theme does not have it
// Both answers come from the installed data (shared-mime-info, the hicolor theme), not from
// anything built into the program.

#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "file_name.hpp"
#include "qt_shell_info.hpp"
#include "text_convert.hpp"

namespace {

int PrintTypeName(const char* path) {
  tempinex::qt::QtShellInfo shell;
  const QString name = tempinex::qt::ToQString(shell.TypeName(tempinex::DecodeFileName(path)));
  std::printf("%s\n", name.toUtf8().constData());
  return name.isEmpty() ? 1 : 0;
}

int PrintIconSizes() {
  const QString id = QStringLiteral(TEMPINEX_APP_ID);
  if (!QIcon::hasThemeIcon(id)) {
    std::fprintf(stderr, "no icon %s in theme '%s' or its fallbacks\n", TEMPINEX_APP_ID,
                 QIcon::themeName().toUtf8().constData());
    return 1;
  }
  const QIcon icon = QIcon::fromTheme(id);
  QStringList sizes;
  for (const QSize& size : icon.availableSizes()) {
    sizes << QString::number(size.width());
  }
  std::printf("%s\n", sizes.join(QLatin1Char(' ')).toUtf8().constData());
  // A size the theme has no image for is scaled from the nearest one.
  return icon.pixmap(48).isNull() || icon.pixmap(200).isNull() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "type-name") == 0) {
    return PrintTypeName(argv[2]);
  }
  if (argc == 2 && std::strcmp(argv[1], "icon") == 0) {
    return PrintIconSizes();
  }
  std::fprintf(stderr, "usage: %s type-name PATH | icon\n", argv[0]);
  return 2;
}
