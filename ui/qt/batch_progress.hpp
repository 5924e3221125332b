#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <cstddef>

#include "batch_progress_rule.hpp"

class QWidget;

namespace tempinex::qt {

// Shows a modal progress bar once a batch apply has run for a while (batch_progress_rule.hpp),
// so that a long batch does not leave the window looking dead. It repaints by processing events
// other than user input: no other command can start while the batch runs.
class BatchProgressDisplay {
 public:
  explicit BatchProgressDisplay(QWidget* owner) : owner(owner) {}
  ~BatchProgressDisplay();

  void Progress(std::size_t done, std::size_t total);
  void Finished();

 private:
  QWidget* owner;
  QPointer<QProgressDialog> dialog;
  QElapsedTimer sinceStart;
  QElapsedTimer sinceRepaint;
};

}  // namespace tempinex::qt
