// Tempinex64: start-up. The application object names itself after the program file, fixes the
// settings company key and runs the main dialog modally; the program ends when it closes.

#include <QApplication>

#include "dialog_font.hpp"
#include "geometry_dump.hpp"
#include "program_path.hpp"
#include "prompts.hpp"
#include "qt_dialog_window.hpp"
#include "qt_settings_store.hpp"
#include "qt_shell_info.hpp"
#include "qt_translations.hpp"
#include "tempinex_app.hpp"
#include "tempinex_dlg.hpp"

int main(int argc, char** argv) {
  using namespace tempinex;
  // Every argument after the program name is a path, even one that reads like a Qt option
  // ("-reverse", "-style"): Qt is shown only the program name, so it takes none of them away.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication application(qtArgc, qtArgv);
  qt::InstallQtTranslations(application);
  // Ties the windows to the installed desktop entry, whose icon Wayland desktops show.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kanorem.Tempinex64"));
  qt::QtSettingsStore store;
  CTempinexApp app(qt::ProgramFilePath(), store);
  std::vector<std::u16string> paths = qt::CommandLinePaths(argc, argv);
  app.InitInstance([&](CTempinexApp& self) {
    qt::QtPrompts prompts;
    qt::QtShellInfo shell;
    qt::QtDialogWindow window(prompts, qt::ChooseDialogFont());
    CTempinexDlg dialog(self, window, shell, paths);
    qt::DumpGeometryWhenShown(window);  // test hook, inert unless asked for
    window.RunModal(dialog);
  });
  return 0;
}
