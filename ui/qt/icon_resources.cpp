#include "icon_resources.hpp"

#include <QString>

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

QPixmap IconResourceImage(int id, int size) {
  RegisterIconResources();
  return QPixmap(QStringLiteral(":/icons/%1_%2.png").arg(id).arg(size));
}

QIcon IconResource(int id) {
  QIcon icon;
  icon.addPixmap(IconResourceImage(id, 32));
  icon.addPixmap(IconResourceImage(id, 16));
  return icon;
}

}  // namespace tempinex::qt
