#pragma once

// The information list's view: a report-style table that reports a click after the view has
// handled it, so that selection changes come first, as on Windows, and a click beside the
// rows counts as a click on row -1.

#include <QTableView>
#include <functional>

namespace tempinex::qt {

class InfoListView : public QTableView {
 public:
  explicit InfoListView(QWidget* parent);

  // Called with the clicked row, -1 beside the rows.
  std::function<void(int)> onClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace tempinex::qt
