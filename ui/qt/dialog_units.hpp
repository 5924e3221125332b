#pragma once

// Dialog units to pixels, computed the way Windows does for a dialog font: a horizontal unit
// is a quarter of the font's average character width, a vertical unit an eighth of its height.
// The bases may then be enlarged (never shrunk) where the font's own glyphs need more room
// than its average promises.

#include <QFont>
#include <QRect>
#include <QSize>

namespace tempinex::qt {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  double BaseWidth() const { return baseWidth; }
  double BaseHeight() const { return baseHeight; }
  // Bases in pixels; a base smaller than the current one is ignored.
  void Enlarge(double width, double height);

  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const;

 private:
  double baseWidth;
  double baseHeight;
};

}  // namespace tempinex::qt
