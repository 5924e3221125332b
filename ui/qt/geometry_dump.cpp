#include "geometry_dump.hpp"

#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace tempinex::qt {

void DumpGeometryWhenShown(QWidget& window) {
  const QString target = qEnvironmentVariable("TEMPINEX_DUMP_GEOMETRY");
  if (target.isEmpty()) {
    return;
  }
  // Queued, so it runs in the dialog's own loop, after the window has been shown.
  QTimer::singleShot(0, &window, [&window, target] {
    // Written beside the target and renamed onto it, so that it appears whole or not at all.
    // Not forced to the disk: a reader on this machine has no need of it, and start-ups are
    // timed by the file's appearance.
    const QString part = target + QStringLiteral(".part");
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
      return;
    }
    QTextStream out(&file);
    for (QWidget* control : window.findChildren<QWidget*>()) {
      const QVariant id = control->property("controlId");
      if (!id.isValid() || control->window() != &window) {
        continue;
      }
      const QPoint origin = control->mapTo(&window, QPoint(0, 0));
      out << id.toInt() << ' ' << origin.x() << ' ' << origin.y() << ' ' << control->width() << ' '
          << control->height() << '\n';
    }
    out.flush();
    file.close();
    std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData());
  });
}

}  // namespace tempinex::qt
