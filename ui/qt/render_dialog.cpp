// Renders the main dialog (and the About box) to PNG files for people to look at, with the
// font pinned so that renders from different machines compare.
// Usage: tempinex_render <main.png> [about.png] [font family] [file...]

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "control_ids.hpp"
#include "dialog_font.hpp"
#include "dialog_template.hpp"
#include "file_name.hpp"
#include "prompts.hpp"
#include "qt_dialog_window.hpp"
#include "qt_settings_store.hpp"
#include "qt_shell_info.hpp"
#include "tempinex_app.hpp"
#include "tempinex_dlg.hpp"

int main(int argc, char** argv) {
  using namespace tempinex;
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s main.png [about.png] [font family]\n", argv[0]);
    return 2;
  }
  QString family = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("IPAPGothic");
  QFont font = qt::PinnedDialogFont(family);
  qt::QtSettingsStore store;
  CTempinexApp app(u"Tempinex64", store);
  app.SetCompanyKey(kCompanyKey);
  qt::QtPrompts prompts;
  qt::QtShellInfo shell;
  qt::QtDialogWindow window(prompts, font);
  std::vector<std::u16string> files;  // loaded as if given on the command line
  for (int i = 4; i < argc; ++i) {
    files.push_back(DecodeFileName(argv[i]));
  }
  CTempinexDlg dialog(app, window, shell, files);
  window.Open(dialog);
  bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
  if (argc > 2) {
    qt::TemplateDialog about(qt::AboutDialogTemplate(), font, &window, Qt::Dialog);
    about.show();
    saved = about.grab().save(QString::fromLocal8Bit(argv[2])) && saved;
  }
  return saved ? 0 : 1;
}
