#include "flat_button.hpp"

#include <QPainter>

namespace tempinex::qt {

FlatButton::FlatButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setFlat(true);
}

void FlatButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  // Qt's flat buttons have no outline at all until pressed, which leaves nothing to tell
  // them from a label.
  QPainter painter(this);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tempinex::qt
