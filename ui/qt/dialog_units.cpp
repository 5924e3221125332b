#include "dialog_units.hpp"

#include <QFontMetrics>
#include <QString>

namespace tempinex::qt {

namespace {

// Windows measures the 52 letters and rounds the half of (width / 26).
int AverageCharWidth(const QFontMetrics& metrics) {
  int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return (letters / 26 + 1) / 2;
}

// MulDiv: value * numerator / denominator, rounded half away from zero.
int MulDiv(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics metrics(font);
  baseWidth = AverageCharWidth(metrics);
  baseHeight = metrics.height();
}

int DialogUnits::X(int units) const {
  return MulDiv(units, baseWidth, 4);
}

int DialogUnits::Y(int units) const {
  return MulDiv(units, baseHeight, 8);
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
