#pragma once

// A flat push button as Windows draws one: no raised bevel, a thin frame around the caption,
// pressed in while held down.

#include <QPushButton>

namespace tempinex::qt {

class FlatButton : public QPushButton {
 public:
  FlatButton(const QString& caption, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tempinex::qt
