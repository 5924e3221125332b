// The floor for start-up: a bare Qt program that shows an empty dialog of the main window's
// size and, like the program's geometry hook, writes a file once it is on screen.
//   QT_QPA_PLATFORM=offscreen TEMPINEX_DUMP_GEOMETRY=FILE empty_dialog
// Built a second time as text_dialog (SHOW_TEXT), with one line of Japanese text on the
// dialog, to tell the font system's share of a start-up from the program's own: fontconfig,
// FreeType and HarfBuzz start as they must for any window that shows text.

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <cstdlib>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QDialog dialog;
  dialog.setFixedSize(614, 489);  // the main window's size with the usual dialog font
#ifdef SHOW_TEXT
  QLabel label(QStringLiteral(u"作成日時"), &dialog);
#endif
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
