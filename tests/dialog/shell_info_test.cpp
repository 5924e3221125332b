// Type names as the desktop gives them: whatever shortcut the lookup takes for names without a
// suffix, the answer must be the MIME database's own.

#include <QFile>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <random>

#include <gtest/gtest.h>

#include "qt_shell_info.hpp"
#include "text_convert.hpp"

namespace tempinex::test {
namespace {

// Every name without a dot that the database's glob lists name outright, with case variants.
QStringList NamesFromGlobLists() {
  QStringList names;
  for (const QString& path : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                       QStringLiteral("mime/globs2"))) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
      continue;
    }
    while (!file.atEnd()) {
      const QStringList fields =
          QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(':'));
      if (fields.size() >= 3 && !fields[2].contains(QLatin1Char('.')) &&
          !fields[2].contains(QLatin1Char('*')) && !fields[2].contains(QLatin1Char('['))) {
        names << fields[2] << fields[2].toUpper();
        names << fields[2].left(1).toUpper() + fields[2].mid(1);
      }
    }
  }
  return names;
}

TEST(ShellInfoTest, TypeNamesOfNamesWithoutSuffixAreTheDatabasesOwn) {
  QTemporaryDir folder;
  QStringList names = NamesFromGlobLists();
  ASSERT_FALSE(names.isEmpty()) << "no MIME glob lists on this machine";
  names << QStringLiteral("Makefile") << QStringLiteral("README") << QStringLiteral("READMEfirst")
        << QStringLiteral("readme-now") << QStringLiteral("notes~") << QStringLiteral("draft%")
        << QStringLiteral("file,v") << QStringLiteral("core") << QStringLiteral("CORE")
        << QStringLiteral("trailing.") << QStringLiteral("data01");
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    QString name;
    for (int length = 1 + random() % 12; length > 0; --length) {
      name += QChar(u"abcXYZ019_-~%,"[random() % 14]);
    }
    names << name;
  }
  qt::QtShellInfo shell;
  QMimeDatabase database;
  for (const QString& name : names) {
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) {
      continue;  // a name the file system will not take
    }
    file.close();
    const QString expected =
        database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment().trimmed();
    EXPECT_EQ(qt::ToQString(shell.TypeName(qt::ToU16(file.fileName()))), expected)
        << name.toStdString();
  }
}

}  // namespace
}  // namespace tempinex::test
