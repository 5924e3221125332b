#include "flat_button.hpp"

#include <QPainter>

namespace tempinex::qt {

FlatButton::FlatButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setFlat(true);
}

void FlatButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  // Qt's flat buttons have no outline at all until pressed, which leaves nothing to tell
  // them from a label. A one-pixel line along each edge, drawn with a cosmetic pen through
  // the middle of a device pixel; scaled up, it lies one device pixel in, since a child
  // placed at a fractional device position loses its outermost column to rounding.
  QPainter painter(this);
  QPen pen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  pen.setCosmetic(true);
  painter.setPen(pen);
  const qreal ratio = devicePixelRatioF();
  const qreal inset = (ratio > 1 ? 1.5 : 0.5) / ratio;
  painter.drawRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
}

}  // namespace tempinex::qt
