#pragma once

// Dialog units to pixels, computed the way Windows does for a dialog font: a horizontal unit
// is a quarter of the font's average character width, a vertical unit an eighth of its height.

#include <QFont>
#include <QRect>
#include <QSize>

namespace tempinex::qt {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int BaseWidth() const { return baseWidth; }
  int BaseHeight() const { return baseHeight; }

  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const;

 private:
  int baseWidth;
  int baseHeight;
};

}  // namespace tempinex::qt
