#pragma once

// Whether a control's text fits where its style draws it, with the control's own font: the
// caption of a label, button, check box or group box, or the widest value of a date-time edit
// (widestDigits digits of the font's widest digit). Controls without such a text always fit.
// What a text needs depends on the font alone; the room on the control's size, which the
// layout changes while the need stays.

#include <QSize>
#include <optional>

class QWidget;

namespace tempinex::qt {

struct TextFit {
  bool across = true;
  bool down = true;
};

// The size the control's text needs; nothing for a control without such a text.
std::optional<QSize> TextNeed(const QWidget& control, int widestDigits);
// Whether a text of size need fits the room the control gives it at its present size.
TextFit FitOfText(const QWidget& control, QSize need);

}  // namespace tempinex::qt
