#include "batch_progress.hpp"

#include <QCoreApplication>

#include "text_convert.hpp"

namespace tempinex::qt {

BatchProgressDisplay::~BatchProgressDisplay() {
  Finished();
}

void BatchProgressDisplay::Progress(std::size_t done, std::size_t total) {
  if (done == 0) {
    sinceStart.start();
    sinceRepaint.start();
    return;
  }
  if (!sinceStart.isValid() || sinceRepaint.elapsed() < kBatchProgressRepaintMs) {
    return;
  }
  if (dialog == nullptr) {
    if (sinceStart.elapsed() < kBatchProgressShowAfterMs) {
      return;
    }
    dialog = new QProgressDialog(owner);
    dialog->setWindowTitle(ToQString(kBatchProgressTitle));
    dialog->setCancelButton(nullptr);  // a batch, once started, runs to its end
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
  }
  dialog->setMaximum(static_cast<int>(total));
  dialog->setValue(static_cast<int>(done));
  dialog->setLabelText(QStringLiteral("%1 / %2").arg(done).arg(total));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  sinceRepaint.start();
}

void BatchProgressDisplay::Finished() {
  sinceStart.invalidate();
  delete dialog.data();
}

}  // namespace tempinex::qt
