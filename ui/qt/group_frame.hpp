#pragma once

// A group box drawn as Windows draws one: the frame line runs through the middle of the title,
// which interrupts it near the left end. Like every group box it only frames the controls laid
// over it; the mouse passes through it to them.

#include <QGroupBox>

namespace tempinex::qt {

class GroupFrame : public QGroupBox {
 public:
  GroupFrame(const QString& title, QWidget* parent);

  // Where the title is drawn, in the frame's coordinates.
  QRect TitleRect() const;
  // The width the title may take without running past the frame's right end.
  int TitleRoom() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tempinex::qt
