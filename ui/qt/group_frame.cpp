#include "group_frame.hpp"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyle>

namespace tempinex::qt {

namespace {

// The title begins one average character in from the frame's left edge, with a little clear
// space either side of it that the line does not cross.
int TitleIndent(const QFontMetrics& metrics) {
  return metrics.averageCharWidth();
}
constexpr int kTitleGap = 2;

}  // namespace

GroupFrame::GroupFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

QRect GroupFrame::TitleRect() const {
  QFontMetrics metrics(font());
  return QRect(TitleIndent(metrics), 0, metrics.horizontalAdvance(title()) + 2 * kTitleGap,
               metrics.height());
}

int GroupFrame::TitleRoom() const {
  return width() - 2 * TitleIndent(QFontMetrics(font())) - 2 * kTitleGap;
}

void GroupFrame::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  // An etched line, drawn here: the styles' group box frames start below the title.
  const QRect frame = rect().adjusted(0, QFontMetrics(font()).height() / 2, 0, 0);
  qDrawShadeRect(&painter, frame, palette(), true, 1, 0);
  const QRect titleRect = TitleRect();
  painter.fillRect(titleRect, palette().window());
  style()->drawItemText(&painter, titleRect, Qt::AlignCenter | Qt::TextSingleLine, palette(),
                        isEnabled(), title(), QPalette::WindowText);
}

}  // namespace tempinex::qt
