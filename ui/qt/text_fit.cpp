#include "text_fit.hpp"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <map>
#include <utility>

#include "group_frame.hpp"

namespace tempinex::qt {

namespace {

// A QLineEdit keeps 2 pixels clear at either side and 1 above and below its text, and one
// pixel for the cursor after it; a text any wider scrolls.
constexpr int kEditMarginAcross = 2;
constexpr int kEditMarginDown = 1;
constexpr int kCursorWidth = 1;

TextFit Compare(QSize need, QSize room) {
  return {need.width() <= room.width(), need.height() <= room.height()};
}

QSize CaptionSize(const QWidget& control, const QString& text) {
  QFontMetrics metrics(control.font());
  return QSize(metrics.horizontalAdvance(text), metrics.height());
}

QRect ButtonContents(const QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.rect = button.rect();
  option.text = button.text();
  QStyle::SubElement element = QStyle::SE_CheckBoxContents;
  if (auto* push = qobject_cast<const QPushButton*>(&button)) {
    element = QStyle::SE_PushButtonContents;
    if (push->isFlat()) {
      option.features |= QStyleOptionButton::Flat;
    }
    if (push->autoDefault()) {
      option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    if (push->isDefault()) {
      option.features |= QStyleOptionButton::DefaultButton;
    }
  }
  return button.style()->subElementRect(element, &option, &button);
}

QSize EditRoom(const QLineEdit& edit) {
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.rect = edit.rect();
  option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
  option.state |= QStyle::State_Sunken;
  QRect room = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
  room = room.marginsRemoved(edit.textMargins());
  return QSize(room.width() - 2 * kEditMarginAcross - kCursorWidth,
               room.height() - 2 * kEditMarginDown);
}

// Every date-time edit of a font asks the same question: ten texts shaped once per font and
// number of digits.
int WidestDigitsAdvance(const QFont& font, int digits) {
  static std::map<std::pair<QString, int>, int> known;
  const auto key = std::make_pair(font.key(), digits);
  if (const auto found = known.find(key); found != known.end()) {
    return found->second;
  }
  const QFontMetrics metrics(font);
  int widest = 0;
  for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
    widest = std::max(widest, metrics.horizontalAdvance(QString(digits, QChar(digit))));
  }
  known.emplace(key, widest);
  return widest;
}

}  // namespace

std::optional<QSize> TextNeed(const QWidget& control, int widestDigits) {
  if (auto* button = qobject_cast<const QAbstractButton*>(&control)) {
    return CaptionSize(control, button->text());
  }
  if (auto* label = qobject_cast<const QLabel*>(&control)) {
    return CaptionSize(control, label->text());
  }
  if (auto* group = dynamic_cast<const GroupFrame*>(&control)) {
    return CaptionSize(control, group->title());
  }
  if (auto* edit = qobject_cast<const QLineEdit*>(&control); edit && widestDigits > 0) {
    return QSize(WidestDigitsAdvance(edit->font(), widestDigits),
                 QFontMetrics(edit->font()).height());
  }
  return std::nullopt;
}

TextFit FitOfText(const QWidget& control, QSize need) {
  if (auto* button = qobject_cast<const QAbstractButton*>(&control)) {
    return Compare(need, ButtonContents(*button).size());
  }
  if (auto* label = qobject_cast<const QLabel*>(&control)) {
    return Compare(need, label->contentsRect().size());
  }
  if (auto* group = dynamic_cast<const GroupFrame*>(&control)) {
    return Compare(need, QSize(group->TitleRoom(), group->height()));
  }
  if (auto* edit = qobject_cast<const QLineEdit*>(&control)) {
    return Compare(need, EditRoom(*edit));
  }
  return {};
}

}  // namespace tempinex::qt
