#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <cstddef>

class QWidget;

namespace tempinex::qt {

// Shows a modal progress bar once a batch apply has run for half a second, so that a long
// batch does not leave the window looking dead. It repaints by processing events other than
// user input: no other command can start while the batch runs.
class BatchProgressDisplay {
 public:
  explicit BatchProgressDisplay(QWidget* owner) : owner(owner) {}
  ~BatchProgressDisplay();

  void Progress(std::size_t done, std::size_t total);
  void Finished();

 private:
  static constexpr int kShowAfterMs = 500;
  static constexpr int kRepaintEveryMs = 50;

  QWidget* owner;
  QPointer<QProgressDialog> dialog;
  QElapsedTimer sinceStart;
  QElapsedTimer sinceRepaint;
};

// The window title of the progress display.
inline constexpr char16_t kBatchProgressTitle[] = u"適用中";

}  // namespace tempinex::qt
