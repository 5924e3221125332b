#include "dialog_units.hpp"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cmath>

namespace tempinex::qt {

namespace {

// Windows measures the 52 letters and rounds the half of (width / 26).
int AverageCharWidth(const QFontMetrics& metrics) {
  int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return (letters / 26 + 1) / 2;
}

// value * base / denominator, rounded half away from zero as MulDiv does.
int Scale(int value, double base, int denominator) {
  return static_cast<int>(std::lround(value * base / denominator));
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics metrics(font);
  baseWidth = AverageCharWidth(metrics);
  baseHeight = metrics.height();
}

void DialogUnits::Enlarge(double width, double height) {
  baseWidth = std::max(baseWidth, width);
  baseHeight = std::max(baseHeight, height);
}

int DialogUnits::X(int units) const {
  return Scale(units, baseWidth, 4);
}

int DialogUnits::Y(int units) const {
  return Scale(units, baseHeight, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  // Edges are converted, not sizes, so that adjacent controls stay adjacent.
  int left = X(x);
  int top = Y(y);
  return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

QSize DialogUnits::Size(int width, int height) const {
  return QSize(X(width), Y(height));
}

}  // namespace tempinex::qt
