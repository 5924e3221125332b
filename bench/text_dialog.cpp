// A second floor for start-up, to tell the font system's share from the program's own: the bare
// dialog of empty_dialog with one line of Japanese text on it, so that fontconfig, FreeType
// and HarfBuzz start as they must for any window that shows text.
//   QT_QPA_PLATFORM=offscreen TEMPINEX_DUMP_GEOMETRY=FILE text_dialog

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <cstdlib>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QDialog dialog;
  dialog.setFixedSize(614, 489);
  QLabel label(QStringLiteral(u"作成日時"), &dialog);
  const char* marker = std::getenv("TEMPINEX_DUMP_GEOMETRY");
  QTimer::singleShot(0, &dialog, [marker] {
    if (marker != nullptr) {
      QFile file(QString::fromLocal8Bit(marker));
      if (file.open(QIODevice::WriteOnly)) {
        file.write("shown\n");
      }
    }
  });
  return dialog.exec();
}
