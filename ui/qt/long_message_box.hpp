#pragma once

// A message box for a text too long for the screen, such as the list of a few thousand files
// that could not be changed: the lines before the last scroll, while the last line (the
// sentence that says what happened) and the OK button stay in view. Caption and icon are those
// of the ordinary box.

#include <QDialog>
#include <QMessageBox>
#include <QRect>
#include <QString>

namespace tempinex::qt {

class LongMessageBox : public QDialog {
 public:
  // room: the part of the screen the box may take, frame included.
  LongMessageBox(QWidget* owner, const QString& caption, const QString& text,
                 QMessageBox::Icon icon, QRect room);
};

// The part of the screen a box over owner may take: the available area of owner's screen
// (the primary screen without an owner).
QRect RoomForMessage(const QWidget* owner);

// Whether a box of size fits room with a frame around it.
bool MessageFits(QSize size, QRect room);

}  // namespace tempinex::qt
