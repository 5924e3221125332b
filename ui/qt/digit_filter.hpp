#pragma once

// Lets only digits through from the keyboard into an edit; editing keys, shortcuts and text the
// program writes pass unchanged.

#include <QObject>

namespace tempinex::qt {

class DigitFilter : public QObject {
 public:
  explicit DigitFilter(QObject* parent) : QObject(parent) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tempinex::qt
