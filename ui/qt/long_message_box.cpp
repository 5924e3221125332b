#include "long_message_box.hpp"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace tempinex::qt {

namespace {

// What a window manager's frame and title bar take at most, beside the box itself.
constexpr int kFrameAllowance = 64;

QLabel* TextLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

QRect RoomForMessage(const QWidget* owner) {
  QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

bool MessageFits(QSize size, QRect room) {
  return room.isEmpty() || (size.width() + kFrameAllowance <= room.width() &&
                            size.height() + kFrameAllowance <= room.height());
}

LongMessageBox::LongMessageBox(QWidget* owner, const QString& caption, const QString& text,
                               QMessageBox::Icon icon, QRect room)
    : QDialog(owner) {
  setWindowTitle(caption);
  // The text's lines end in "\r\n"; the last one closes it.
  QStringList lines =
      QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'));
  const QString closing = lines.takeLast();

  auto* iconLabel = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  iconLabel->setPixmap(style()
                           ->standardIcon(icon == QMessageBox::Warning
                                              ? QStyle::SP_MessageBoxWarning
                                              : QStyle::SP_MessageBoxCritical,
                                          nullptr, this)
                           .pixmap(iconSize, iconSize));
  auto* lead = TextLabel(lines.join(QLatin1Char('\n')), this);
  auto* scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(lead);
  scroll->setWidgetResizable(true);
  auto* sentence = TextLabel(closing, this);
  const int sentenceWidth = sentence->sizeHint().width();  // on one line
  sentence->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(iconLabel, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(scroll, 0, 1);
  layout->addWidget(sentence, 1, 1);
  layout->addWidget(buttons, 2, 0, 1, 2);

  // The box takes what the lines need, up to what the screen leaves; the lines scroll within.
  // Across: the widest line and the sentence on one line, where the screen has the room.
  const QSize most = room.isEmpty() ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)
                                    : room.size() - QSize(kFrameAllowance, kFrameAllowance);
  const QMargins margins = layout->contentsMargins();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
  const int besideText = margins.left() + margins.right() + iconLabel->sizeHint().width() +
                         layout->horizontalSpacing();
  const int textWidth =
      std::min(std::max(lead->sizeHint().width() + bar, sentenceWidth), most.width() - besideText);
  // Down: the lines as far as the sentence and the buttons leave room.
  const int belowLines = margins.top() + margins.bottom() + 2 * layout->verticalSpacing() +
                         sentence->heightForWidth(textWidth) + buttons->sizeHint().height();
  const int linesHeight = std::min(lead->sizeHint().height(), most.height() - belowLines);
  scroll->setMinimumSize(textWidth, linesHeight);
  sentence->setMinimumWidth(textWidth);
  setMaximumSize(most);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
}

}  // namespace tempinex::qt
