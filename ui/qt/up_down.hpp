#pragma once

// An up-down control bound to an edit (its buddy): each step reads the buddy's number, moves
// it by one, wraps at the ends of the range and writes the result back as decimal text. The
// buddy's own text-changed notification is what tells the dialog about it.

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace tempinex::qt {

class UpDown : public QWidget {
 public:
  UpDown(QLineEdit* buddy, QWidget* parent);

  void SetRange(int low, int high);
  int Low() const { return low; }
  int High() const { return high; }

  // +1 for up, -1 for down.
  void Step(int direction);

  // Names the control and its two arrows for screen readers: "作成： 年" gives the arrows
  // "作成： 年 増やす" and "作成： 年 減らす".
  void SetAccessibleNames(const QString& name);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int CurrentValue() const;

  QPointer<QLineEdit> buddy;
  QToolButton* up;
  QToolButton* down;
  // Windows' default range until the dialog sets one.
  int low = 0;
  int high = 100;
  int position = 0;  // used when the buddy holds no number
};

}  // namespace tempinex::qt
