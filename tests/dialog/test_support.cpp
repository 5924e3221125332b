#include "test_support.hpp"

#include <QFile>

#include "dialog_font.hpp"

namespace tempinex::test {

QString RunSettingsRoot() {
  static const QTemporaryDir folder;
  return folder.path();
}

void SettingsSandbox::WriteFile(const QString& application, const QByteArray& bytes) const {
  QDir().mkpath(Root() + QStringLiteral("/kanorem"));
  QFile file(FileOf(application));
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(bytes);
}

MainDialogHarness::MainDialogHarness(std::vector<std::u16string> commandLine)
    : app(u"/opt/tempinex/Tempinex64", store) {
  app.SetCompanyKey(kCompanyKey);
  window = std::make_unique<qt::QtDialogWindow>(prompts, qt::ChooseDialogFont());
  dialog = std::make_unique<CTempinexDlg>(app, *window, shell, std::move(commandLine));
  notifications.target = dialog.get();
  window->Open(notifications);
}

MainDialogHarness::~MainDialogHarness() {
  window->hide();
}

}  // namespace tempinex::test
