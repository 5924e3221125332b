// The test program's entry: one QApplication for every test, headless unless told otherwise,
// settings kept out of the user's, and a watchdog that ends a test stuck in a modal loop
// instead of letting it hang.

#include <QApplication>
#include <QSettings>
#include <cstdlib>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "watchdog.hpp"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  // A test that runs this program as its child names the child's settings folder itself.
  if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       tempinex::test::RunSettingsRoot());
  }
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new tempinex::test::Watchdog());
  return RUN_ALL_TESTS();
}
