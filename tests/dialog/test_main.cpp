// The test program's entry: one QApplication for every test, headless unless told otherwise,
// and a watchdog that ends a test stuck in a modal loop instead of letting it hang.

#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

#include "watchdog.hpp"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new tempinex::test::Watchdog());
  return RUN_ALL_TESTS();
}
