// The floor for loading a large file set: a bare Qt program that fills a table view's model
// with the same two strings per row as the program's list (the file name and the MIME type's
// comment), worked out before the clock starts, and lets the view lay out and paint.
//   QT_QPA_PLATFORM=offscreen load_floor COUNT [RUNS]
// Prints each fill's wall time, the median and the peak resident memory, like load_bench.

#include <sys/resource.h>

#include <QApplication>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardItemModel>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "load_names.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: load_floor COUNT [RUNS]\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  QApplication application(argc, argv);

  // The names load_bench makes, and their type names.
  QMimeDatabase database;
  std::vector<std::pair<QString, QString>> cells;
  cells.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const QString name = tempinex::bench::LoadFileName(i);
    cells.emplace_back(name,
                       database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment());
  }

  QTableView view;
  view.resize(560, 120);
  view.show();
  QApplication::processEvents();

  // The quick way with a standard model: filled before the view sees it, then handed over.
  std::vector<double> times;
  std::unique_ptr<QStandardItemModel> shown;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    auto model = std::make_unique<QStandardItemModel>(count, 2);
    for (int row = 0; row < count; ++row) {
      const auto& [name, type] = cells[static_cast<std::size_t>(row)];
      model->setItem(row, 0, new QStandardItem(name));
      model->setItem(row, 1, new QStandardItem(type));
    }
    view.setModel(model.get());
    shown = std::move(model);
    QApplication::processEvents();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    std::printf("run %d: %.1f ms\n", run + 1, times.back());
  }
  std::sort(times.begin(), times.end());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%d rows: median %.1f ms over %d fills, peak %.0f MB\n", count,
              times[times.size() / 2], runs, usage.ru_maxrss / 1024.0);
  return 0;
}
