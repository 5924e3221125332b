// The busy display of a long batch: absent for a short one, shown and kept current for a long
// one, gone when the batch ends, and never letting user input through meanwhile.

#include <QApplication>
#include <QProgressDialog>
#include <QThread>

#include <gtest/gtest.h>

#include "batch_progress.hpp"
#include "text_convert.hpp"

namespace tempinex::test {
namespace {

QProgressDialog* Shown(QWidget& owner) {
  return owner.findChild<QProgressDialog*>();
}

TEST(BatchProgressTest, AppearsOnlyForLongBatchesAndGoesAwayAtTheEnd) {
  QWidget owner;
  qt::BatchProgressDisplay display(&owner);

  display.Progress(0, 1000);
  display.Progress(1, 1000);
  EXPECT_EQ(Shown(owner), nullptr);  // a quick batch shows nothing
  display.Finished();

  display.Progress(0, 1000);
  QThread::msleep(600);
  display.Progress(400, 1000);
  QProgressDialog* dialog = Shown(owner);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), qt::ToQString(kBatchProgressTitle));
  EXPECT_EQ(dialog->value(), 400);
  EXPECT_EQ(dialog->maximum(), 1000);
  EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);

  display.Finished();
  EXPECT_EQ(Shown(owner), nullptr);
}

}  // namespace
}  // namespace tempinex::test
