// Type names as the desktop gives them: whatever shortcut the lookup takes for names without a
// suffix, the answer must be the MIME database's own.

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "file_name.hpp"
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

// Names the glob lists know by more than their suffix (CMakeLists.txt, pom.xml, makefile.am,
// README.md) must get their own type even after a plain name with the same suffix was asked.
TEST(ShellInfoTest, NamesKnownBeyondTheirSuffixKeepTheirOwnType) {
  QTemporaryDir folder;
  qt::QtShellInfo shell;
  QMimeDatabase database;
  const QStringList names = {QStringLiteral("notes.txt"),   QStringLiteral("CMakeLists.txt"),
                             QStringLiteral("a.xml"),       QStringLiteral("pom.xml"),
                             QStringLiteral("b.am"),        QStringLiteral("Makefile.am"),
                             QStringLiteral("c.md"),        QStringLiteral("README.md"),
                             QStringLiteral("d.vdr"),       QStringLiteral("001.vdr"),
                             QStringLiteral("e.txt~"),      QStringLiteral("f.dat"),
                             QStringLiteral("winmail.dat"), QStringLiteral("meson_options.txt")};
  for (const QString& name : names) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString expected =
        database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment().trimmed();
    EXPECT_EQ(qt::ToQString(shell.TypeName(qt::ToU16(file.fileName()))), expected)
        << name.toStdString();
  }
}

// A folder that this user may read but not search lists its names, yet none of its files can
// be looked at: the answers are those of missing files, however many are asked at once.
TEST(ShellInfoTest, FilesOfAFolderThatCannotBeSearchedAreMissingEitherWay) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to make the files and to become the user nobody";
  }
  QTemporaryDir folder;
  chmod(folder.path().toLocal8Bit().constData(), 0755);
  const std::string root = folder.path().toStdString() + "/readable";
  ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
  std::vector<std::u16string> paths;
  for (int i = 0; i < 70; ++i) {
    const std::string path = root + "/file" + std::to_string(i) + ".txt";
    std::fclose(std::fopen(path.c_str(), "w"));
    paths.push_back(DecodeFileName(path));
  }
  ASSERT_EQ(chmod(root.c_str(), 0744), 0);  // others may read it, not search it
  const auto run = [&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) {
      _exit(90);
    }
    qt::QtShellInfo shell;
    const ManyQuestions asking(shell, paths);
    for (const auto& path : paths) {
      if (!shell.DisplayName(path).empty() || !shell.TypeName(path).empty()) {
        _exit(91);
      }
    }
    _exit(0);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
}

// Asked about many files at once, the shell reads their folders instead of each file; its
// answers must be the ones it gives file by file, for every kind of entry, and nothing it read
// may outlive the questions.
TEST(ShellInfoTest, ManyQuestionsAtOnceAnswerAsOneByOne) {
  QTemporaryDir folder;
  const std::string root = folder.path().toStdString();
  // QTemporaryDir removes by Qt's names, which miss the name that is not UTF-8.
  const struct RemoveByBytes {
    std::string path;
    ~RemoveByBytes() { std::filesystem::remove_all(path); }
  } cleanup{root};
  const auto make = [&](const std::string& name) {
    const std::string path = root + "/" + name;
    FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr) << path;
    std::fclose(file);
  };
  std::vector<std::u16string> paths;
  const auto add = [&](const std::string& name) {
    paths.push_back(DecodeFileName(root + "/" + name));
  };
  for (int i = 0; i < 80; ++i) {
    make("file" + std::to_string(i) + (i % 2 ? ".txt" : ".png"));
    add("file" + std::to_string(i) + (i % 2 ? ".txt" : ".png"));
  }
  ASSERT_EQ(mkdir((root + "/sub.d").c_str(), 0755), 0);
  make("Makefile");
  make("bad\xff\xfename.txt");
  ASSERT_EQ(symlink("sub.d", (root + "/link-to-folder").c_str()), 0);
  ASSERT_EQ(symlink("file1.txt", (root + "/link-to-file.cpp").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (root + "/dangling.md").c_str()), 0);
  ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0644), 0);
  for (const char* name :
       {"sub.d", "Makefile", "bad\xff\xfename.txt", "link-to-folder", "link-to-file.cpp",
        "dangling.md", "pipe", "missing.txt", "sub.d/", ".", "sub.d/.."}) {
    add(name);
  }

  qt::QtShellInfo oneByOne;
  std::vector<std::pair<std::u16string, std::u16string>> expected;
  for (const auto& path : paths) {
    expected.emplace_back(oneByOne.DisplayName(path), oneByOne.TypeName(path));
  }
  EXPECT_EQ(
      expected[80].second,
      qt::ToU16(
          QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment().trimmed()));
  EXPECT_EQ(expected[87].first, u"");  // missing.txt

  qt::QtShellInfo shell;
  {
    const ManyQuestions asking(shell, paths);
    for (std::size_t i = 0; i < paths.size(); ++i) {
      EXPECT_EQ(shell.DisplayName(paths[i]), expected[i].first) << i;
      EXPECT_EQ(shell.TypeName(paths[i]), expected[i].second) << i;
    }
  }
  // Once the questions are over, a file deleted since is missing at once.
  ASSERT_EQ(unlink((root + "/file3.txt").c_str()), 0);
  EXPECT_EQ(shell.DisplayName(paths[3]), u"");
  const ManyQuestions again(shell, paths);
  EXPECT_EQ(shell.TypeName(paths[3]), u"");
  EXPECT_EQ(shell.DisplayName(paths[4]), expected[4].first);
}

}  // namespace
}  // namespace tempinex::test
