// A renamed program file names the application, and its settings live under that name: this
// test copies its own program under another name and runs the copy, which starts the
// application object from its real program path.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "program_path.hpp"
#include "qt_settings_store.hpp"
#include "tempinex_app.hpp"
#include "text_convert.hpp"

namespace tempinex::test {
namespace {

// Runs only inside the renamed copy (disabled tests are not run otherwise).
TEST(RenamedProgramChild, DISABLED_StartsUnderItsOwnName) {
  qt::QtSettingsStore store;
  CTempinexApp app(qt::ProgramFilePath(), store);
  EXPECT_EQ(app.AppName(), u"Zweitname");
  app.InitInstance([](CTempinexApp& self) {
    // The original program's stored 1 is not this program's setting.
    EXPECT_EQ(self.ReadSetting(kSettingsSection, u"fileCreate", 0), 0u);
    EXPECT_TRUE(self.WriteSetting(kSettingsSection, u"fileLastRead", 1));
  });
}

TEST(RenamedProgramTest, SettingsLiveUnderTheNewName) {
  QTemporaryDir folder;
  QString copy = folder.path() + QStringLiteral("/Zweitname.bin");
  ASSERT_TRUE(QFile::copy(qt::ToQString(qt::ProgramFilePath()), copy));
  QString config = folder.path() + QStringLiteral("/config");
  ASSERT_TRUE(QDir().mkpath(config + QStringLiteral("/kanorem")));
  QFile original(config + QStringLiteral("/kanorem/Tempinex64.conf"));
  ASSERT_TRUE(original.open(QIODevice::WriteOnly));
  original.write("[Prop]\nfileCreate=1\n");
  original.close();

  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child.setProcessEnvironment(environment);
  child.start(copy, {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=RenamedProgramChild.*")});
  ASSERT_TRUE(child.waitForFinished(15000));
  EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();

  QFile written(config + QStringLiteral("/kanorem/Zweitname.conf"));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  QByteArray content = written.readAll();
  EXPECT_TRUE(content.contains("[Prop]"));
  EXPECT_TRUE(content.contains("fileLastRead=1"));
}

}  // namespace
}  // namespace tempinex::test
