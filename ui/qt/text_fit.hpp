#pragma once

// Whether a control's text fits where its style draws it, with the control's own font: the
// caption of a label, button, check box or group box, or the widest value of a date-time edit
// (widestDigits digits of the font's widest digit). Controls without such a text always fit.

class QWidget;

namespace tempinex::qt {

struct TextFit {
  bool across = true;
  bool down = true;
};

TextFit FitOfText(const QWidget& control, int widestDigits);

}  // namespace tempinex::qt
