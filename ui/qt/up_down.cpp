#include "up_down.hpp"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tempinex::qt {

namespace {

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  return button;
}

}  // namespace

UpDown::UpDown(QLineEdit* buddy, QWidget* parent)
    : QWidget(parent),
      buddy(buddy),
      up(MakeArrow(Qt::UpArrow, this)),
      down(MakeArrow(Qt::DownArrow, this)) {
  setFocusPolicy(Qt::NoFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(up);
  layout->addWidget(down);
  connect(up, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
  // The arrow keys in the buddy step it, as they do in a Windows up-down with arrow keys.
  buddy->installEventFilter(this);
}

void UpDown::SetAccessibleNames(const QString& name) {
  setAccessibleName(name);
  up->setAccessibleName(name + QStringLiteral(" 増やす"));
  down->setAccessibleName(name + QStringLiteral(" 減らす"));
}

void UpDown::SetRange(int newLow, int newHigh) {
  low = std::min(newLow, newHigh);
  high = std::max(newLow, newHigh);
  position = std::clamp(position, low, high);
}

int UpDown::CurrentValue() const {
  bool ok = false;
  int value = buddy->text().trimmed().toInt(&ok, 10);
  return ok ? value : position;
}

void UpDown::Step(int direction) {
  // A disabled field is not edited from its up-down either.
  if (buddy == nullptr || !buddy->isEnabled()) {
    return;
  }
  int value = std::clamp(CurrentValue(), low, high);
  if (direction > 0) {
    value = value >= high ? low : value + 1;
  } else {
    value = value <= low ? high : value - 1;
  }
  position = value;
  buddy->setText(QString::number(value));  // decimal, no thousands separator
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy && event->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? +1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tempinex::qt
