// Times one digit typed into a date-time field of the main window: the key press, the text
// change and its validation, which reads the first file's status afresh.
//   QT_QPA_PLATFORM=offscreen keystroke_bench [KEYS]
// Prints the median and the 90th percentile in microseconds.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "control_ids.hpp"
#include "dialog_font.hpp"
#include "prompts.hpp"
#include "qt_dialog_window.hpp"
#include "qt_settings_store.hpp"
#include "qt_shell_info.hpp"
#include "silent_prompts.hpp"
#include "tempinex_app.hpp"
#include "tempinex_dlg.hpp"
#include "text_convert.hpp"

int main(int argc, char** argv) {
  using namespace tempinex;
  const int keys = argc > 1 ? std::atoi(argv[1]) : 2000;
  QApplication application(argc, argv);
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QTemporaryDir folder;
  const QString file = folder.filePath(QStringLiteral("typed.txt"));
  std::ofstream(file.toStdString()) << "text";

  qt::QtSettingsStore store;
  CTempinexApp app(u"Tempinex64", store);
  app.SetCompanyKey(kCompanyKey);
  bench::SilentPrompts prompts;
  qt::QtShellInfo shell;
  qt::QtDialogWindow window(prompts, qt::ChooseDialogFont());
  CTempinexDlg dialog(app, window, shell, {qt::ToU16(file)});
  window.Open(dialog);
  QTest::mouseClick(window.Control(ids::kLastChangeCheck), Qt::LeftButton);  // rows editable
  auto* minute = static_cast<QLineEdit*>(window.Control(ids::kLastChangeMinute));
  minute->setFocus();

  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(keys));
  for (int i = 0; i < keys; ++i) {
    minute->selectAll();
    const char digit = static_cast<char>('1' + i % 5);  // the text changes at every key
    const auto start = std::chrono::steady_clock::now();
    QTest::keyClick(minute, digit);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    micros.push_back(took.count());
  }
  std::sort(micros.begin(), micros.end());
  std::printf("keystroke median %.1f us, p90 %.1f us over %d keys\n", micros[micros.size() / 2],
              micros[micros.size() * 9 / 10], keys);
  return 0;
}
