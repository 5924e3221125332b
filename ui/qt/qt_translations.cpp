#include "qt_translations.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tempinex::qt {

void InstallQtTranslations(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  // qtbase_ja.qm for a Japanese locale; "qtbase" holds the widgets' texts.
  if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace tempinex::qt
