// Times the load of a large file set into the main window in multi-file mode: the set replaced,
// the list filled with display and type names, the first file's status, rows and boxes.
//   QT_QPA_PLATFORM=offscreen load_bench COUNT [RUNS]
// Makes COUNT files with a mix of suffixes in a temporary folder, then drops them on the window
// RUNS times (default 5) and prints each load's wall time and the median, in milliseconds.

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "control_ids.hpp"
#include "dialog_font.hpp"
#include "load_names.hpp"
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
  if (argc < 2) {
    std::fprintf(stderr, "usage: load_bench COUNT [RUNS]\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  QApplication application(argc, argv);
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tempinex-load-XXXXXX"));

  std::vector<std::u16string> paths;
  paths.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const QString path = folder.filePath(bench::LoadFileName(i));
    std::ofstream(path.toStdString());
    paths.push_back(qt::ToU16(path));
  }

  qt::QtSettingsStore store;
  CTempinexApp app(u"/opt/tempinex/Tempinex64", store);
  app.SetCompanyKey(kCompanyKey);
  bench::SilentPrompts prompts;
  qt::QtShellInfo shell;
  qt::QtDialogWindow window(prompts, qt::ChooseDialogFont());
  CTempinexDlg dialog(app, window, shell, {});
  window.Open(dialog);
  QApplication::processEvents();

  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    dialog.Notify({0, Event::kFilesDropped, -1, paths});
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    if (window.ListRowCount(ids::kInfoList) != count) {
      std::fprintf(stderr, "the list holds %d rows, not %d\n", window.ListRowCount(ids::kInfoList),
                   count);
      return 1;
    }
    std::printf("run %d: %.1f ms\n", run + 1, times.back());
    QApplication::processEvents();
  }
  std::sort(times.begin(), times.end());
  // Run 1 starts with an empty type-name cache; the median is that of all runs.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%d files: median %.1f ms over %d loads, peak %.0f MB\n", count,
              times[times.size() / 2], runs, usage.ru_maxrss / 1024.0);
  return 0;
}
