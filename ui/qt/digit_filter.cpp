#include "digit_filter.hpp"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace tempinex::qt {

namespace {

// Any Unicode decimal digit counts, full-width ones included, as on Windows.
bool AllDigits(const QString& text) {
  for (QChar unit : text) {
    if (!unit.isDigit()) {
      return false;
    }
  }
  return true;
}

bool IsTyping(const QKeyEvent& key) {
  const QString text = key.text();
  if (text.isEmpty() || key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
    return false;
  }
  // Control characters (backspace, tab, return, escape) are editing keys, not typed text.
  return text.front().isPrint();
}

}  // namespace

bool DigitFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsTyping(*key) && !AllDigits(key->text())) {
      return true;  // swallowed: Windows beeps here
    }
  } else if (event->type() == QEvent::InputMethod) {
    auto* input = static_cast<QInputMethodEvent*>(event);
    if (!AllDigits(input->commitString())) {
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tempinex::qt
