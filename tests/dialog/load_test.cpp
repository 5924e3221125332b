// Loading files into the main window: the command line, drops and Browse, the information list
// in its two modes, the size text, the list notifications and the stored row settings, on real
// files in temporary folders.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "icon_resources.hpp"
#include "prompts.hpp"
#include "size_text.hpp"
#include "test_support.hpp"
#include "text_convert.hpp"

namespace tempinex::test {
namespace {

const int kRowBoxes[] = {ids::kCreateCheck, ids::kLastChangeCheck, ids::kLastReadCheck};
const int kAttributeBoxes[] = {ids::kReadOnly, ids::kHidden, ids::kArchive, ids::kSystem};

class LoadTest : public ::testing::Test {
 protected:
  LoadTest() { EXPECT_TRUE(folder.isValid()); }

  // A file of `size` bytes in the temporary folder; its full path.
  QString MakeFile(const QString& name, qint64 size = 0) {
    const QString path = folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_TRUE(file.resize(size));  // sparse beyond what is written
    return path;
  }

  static std::vector<std::u16string> U16(const QStringList& paths) {
    std::vector<std::u16string> result;
    for (const QString& path : paths) {
      result.push_back(qt::ToU16(path));
    }
    return result;
  }

  MainDialogHarness& Dialog(const QStringList& commandLine = {}) {
    if (!dlg) {
      dlg = std::make_unique<MainDialogHarness>(U16(commandLine));
    }
    return *dlg;
  }

  void Drop(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) {
      urls << QUrl::fromLocalFile(path);
    }
    data.setUrls(urls);
    DropData(data);
  }
  void DropData(const QMimeData& data) {
    const QPoint at(150, 150);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Dialog().window.get(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Dialog().window.get(), &drop);
  }

  QTableView* List() { return static_cast<QTableView*>(Dialog().Control(ids::kInfoList)); }
  QString Cell(int row, int column) {
    return List()->model()->index(row, column).data().toString();
  }
  QString Header(int column) {
    return List()->model()->headerData(column, Qt::Horizontal).toString();
  }
  int Rows() { return List()->model()->rowCount(); }
  QStringList Column(int column) {
    QStringList texts;
    for (int row = 0; row < Rows(); ++row) {
      texts << Cell(row, column);
    }
    return texts;
  }
  QString Text(int id) { return qt::ToQString(Dialog().window->GetText(id)); }
  bool Enabled(int id) { return Dialog().window->IsEnabled(id); }
  bool Checked(int id) { return Dialog().window->IsChecked(id); }
  void ClickRow(int row) {
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                      List()->visualRect(List()->model()->index(row, 0)).center());
  }
  void ClickBesideRows() {
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                      QPoint(5, List()->viewport()->height() - 3));
  }

  // The creation row's six fields and the four attribute boxes, as one text.
  QString RowsAndBoxes() {
    QString text;
    for (int id : {ids::kCreateYear, ids::kCreateMonth, ids::kCreateDay, ids::kCreateHour,
                   ids::kCreateMinute, ids::kCreateSecond, ids::kLastChangeYear,
                   ids::kLastChangeHour, ids::kLastReadYear, ids::kLastReadSecond}) {
      text += Text(id) + QLatin1Char('|');
    }
    for (int id : kAttributeBoxes) {
      text += Checked(id) ? QLatin1Char('1') : QLatin1Char('0');
    }
    return text;
  }

  QImage IconSquare() {
    return Dialog()
        .window->grab(QRect(20, 0, 32, 32))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  QTemporaryDir folder;
  std::unique_ptr<MainDialogHarness> dlg;
};

TEST_F(LoadTest, StartsEmptyWithoutArguments) {
  MainDialogHarness& d = Dialog();
  EXPECT_EQ(Header(0), QStringLiteral("ファイル名"));
  EXPECT_EQ(Header(1), QStringLiteral("ファイルタイプ"));
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(List()->horizontalHeader()->sectionSize(0), 300);
  EXPECT_EQ(List()->horizontalHeader()->sectionSize(1), 270);
  for (int id : {ids::kFileName, ids::kExtension, ids::kCreateYear, ids::kRestoreTime,
                 ids::kCurrentTime, ids::kClearTime, ids::kSameAsCreation, ids::kAttributeCheck,
                 ids::kReadOnly, ids::kHidden, ids::kArchive, ids::kSystem, ids::kCreateCheck,
                 ids::kLastChangeCheck, ids::kLastReadCheck, ids::kApply}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  EXPECT_NE(IconSquare().pixelColor(0, 0), QColor(210, 210, 210));  // no icon painted
  EXPECT_TRUE(d.prompts.messages.empty());
}

TEST_F(LoadTest, OneRelativeArgumentLoadsTheSingleFile) {
  const QString path = MakeFile(QStringLiteral("報告書.txt"), 1536);
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(folder.path()));
  MainDialogHarness& d = Dialog({QStringLiteral("報告書.txt")});
  QDir::setCurrent(previous);
  EXPECT_EQ(Header(0), QStringLiteral("項目"));
  EXPECT_EQ(Header(1), QStringLiteral("値"));
  EXPECT_EQ(Column(0), (QStringList{QStringLiteral("種類"), QStringLiteral("パス名"),
                                    QStringLiteral("MS-DOS名"), QStringLiteral("サイズ")}));
  EXPECT_FALSE(Cell(0, 1).isEmpty());                         // a text file has a type name
  EXPECT_EQ(Cell(1, 1), QFileInfo(path).absoluteFilePath());  // made absolute by the read
  EXPECT_EQ(Cell(2, 1), Cell(1, 1));                          // no short names on this volume
  EXPECT_EQ(Cell(3, 1), QStringLiteral("1.5KB(1536バイト)"));
  EXPECT_TRUE(Enabled(ids::kFileName));
  EXPECT_TRUE(Enabled(ids::kExtension));
  EXPECT_EQ(Text(ids::kFileName), QStringLiteral("報告書"));
  EXPECT_EQ(Text(ids::kExtension), QStringLiteral("txt"));
  for (int id :
       {ids::kRestoreTime, ids::kCurrentTime, ids::kClearTime, ids::kSameAsCreation,
        ids::kCreateCheck, ids::kLastChangeCheck, ids::kLastReadCheck, ids::kAttributeCheck}) {
    EXPECT_TRUE(Enabled(id)) << id;
  }
  EXPECT_FALSE(Enabled(ids::kApply));  // the load ends with Apply off
  EXPECT_FALSE(Text(ids::kCreateYear).isEmpty());
  EXPECT_EQ(IconSquare().pixelColor(0, 0), QColor(210, 210, 210));
  EXPECT_TRUE(d.prompts.messages.empty());
}

TEST_F(LoadTest, DropsReplaceTheSetInEitherMode) {
  const QString first = MakeFile(QStringLiteral("zeta.txt"));
  const QString second = MakeFile(QStringLiteral("Makefile"));
  Dialog({first});
  ASSERT_EQ(Rows(), 4);

  Drop({first, second});
  EXPECT_EQ(Header(0), QStringLiteral("ファイル名"));
  EXPECT_EQ(Header(1), QStringLiteral("ファイルタイプ"));
  EXPECT_EQ(Column(0), (QStringList{QStringLiteral("zeta.txt"), QStringLiteral("Makefile")}));
  EXPECT_FALSE(Cell(0, 1).isEmpty());
  EXPECT_FALSE(Enabled(ids::kFileName));
  EXPECT_FALSE(Enabled(ids::kExtension));
  EXPECT_TRUE(Text(ids::kFileName).isEmpty());
  EXPECT_TRUE(Text(ids::kExtension).isEmpty());
  // The square holds the stack-of-sheets icon on its grey ground.
  QImage expected(32, 32, QImage::Format_RGB32);
  expected.fill(QColor(210, 210, 210));
  {
    QPainter painter(&expected);
    painter.drawPixmap(0, 0, qt::IconResourceImage(ids::kMultiFileIcon, 32));
  }
  EXPECT_EQ(IconSquare(), expected);
  // The order of the drop, not of the names.
  Drop({second, first});
  EXPECT_EQ(Column(0), (QStringList{QStringLiteral("Makefile"), QStringLiteral("zeta.txt")}));

  // One file over two: single-file mode again.
  Drop({second});
  EXPECT_EQ(Header(0), QStringLiteral("項目"));
  EXPECT_EQ(Header(1), QStringLiteral("値"));
  EXPECT_EQ(Rows(), 4);
  EXPECT_EQ(Cell(1, 1), second);
  EXPECT_TRUE(Enabled(ids::kFileName));
  EXPECT_EQ(Text(ids::kFileName), QStringLiteral("Makefile"));
  EXPECT_EQ(Text(ids::kExtension), QString());
  EXPECT_EQ(List()->horizontalHeader()->sectionSize(0), 300);  // widths never change

  // A drop without a local file changes nothing.
  QMimeData web;
  web.setUrls({QUrl(QStringLiteral("https://example.org/a.txt"))});
  DropData(web);
  EXPECT_EQ(Cell(1, 1), second);
}

TEST_F(LoadTest, SizeTextKeepsTheByteCountExactAndTheKilobytesInSinglePrecision) {
  EXPECT_EQ(FormatSizeText(0), u"0.0KB(0バイト)");
  EXPECT_EQ(FormatSizeText(1536), u"1.5KB(1536バイト)");
  EXPECT_EQ(FormatSizeText(1023), u"1.0KB(1023バイト)");
  // 1 GiB + 60 bytes: single precision drops the 60 bytes, the exact quotient would end in .1.
  EXPECT_EQ(FormatSizeText(1073741884), u"1048576.0KB(1073741884バイト)");
  // Past 32 bits the count stays whole.
  EXPECT_EQ(FormatSizeText(5368709120ull), u"5242880.0KB(5368709120バイト)");
  EXPECT_EQ(FormatSizeText(18446744073709551615ull),
            u"18014398509481984.0KB(18446744073709551615バイト)");

  // The same through the list, on real (sparse) files.
  const struct {
    const char* name;
    qint64 size;
    const char16_t* text;
  } kFiles[] = {
      {"empty", 0, u"0.0KB(0バイト)"},
      {"half", 1536, u"1.5KB(1536バイト)"},
      {"large", 3221225572LL, u"3145728.0KB(3221225572バイト)"},  // 3 GiB + 100
      // 64 MiB + 52 bytes: single precision rounds to 64 MiB + 48, exact would end in .1.
      {"over16", 67108916LL, u"65536.0KB(67108916バイト)"},
  };
  for (const auto& file : kFiles) {
    SCOPED_TRACE(file.name);
    Drop({MakeFile(QLatin1String(file.name), file.size)});
    EXPECT_EQ(Cell(3, 0), QStringLiteral("サイズ"));
    EXPECT_EQ(Cell(3, 1), qt::ToQString(file.text));
  }
}

TEST_F(LoadTest, ListClicksShowOnlyFilesOfTheSet) {
  const QString path = MakeFile(QStringLiteral("a.dat"), 10);
  MainDialogHarness& d = Dialog({path});
  d.sandbox.WriteFile(QStringLiteral("Tempinex64"), "[Prop]\nAttribute=1\n");
  Drop({path});  // reload with the attribute boxes editable
  ASSERT_TRUE(Checked(ids::kAttributeCheck));
  const QString loaded = RowsAndBoxes();

  // The user types into the creation row and flips a box.
  QTest::mouseClick(d.Control(ids::kCreateCheck), Qt::LeftButton);
  auto* year = static_cast<QLineEdit*>(d.Control(ids::kCreateYear));
  year->selectAll();
  QTest::keyClicks(year, QStringLiteral("2001"));
  QTest::mouseClick(d.Control(ids::kHidden), Qt::LeftButton);
  const QString edited = RowsAndBoxes();
  ASSERT_NE(edited, loaded);

  for (int row = 1; row <= 3; ++row) {
    ClickRow(row);
    EXPECT_EQ(RowsAndBoxes(), edited) << row;
    List()->clearSelection();  // rows 1-3 unselected again: that change is ignored as well
    EXPECT_EQ(RowsAndBoxes(), edited) << row;
  }
  ClickBesideRows();
  EXPECT_EQ(RowsAndBoxes(), edited);

  // Row 0 stands for the file: the stored values come back.
  ClickRow(0);
  EXPECT_EQ(RowsAndBoxes(), loaded);
  // Edited again while row 0 stays selected; clicking away deselects row 0 and resets too.
  year->selectAll();
  QTest::keyClicks(year, QStringLiteral("2002"));
  QTest::mouseClick(d.Control(ids::kHidden), Qt::LeftButton);
  ASSERT_NE(RowsAndBoxes(), loaded);
  ClickRow(2);
  EXPECT_EQ(RowsAndBoxes(), loaded);
  // The row check boxes and the list are not touched by a selection.
  EXPECT_TRUE(Checked(ids::kCreateCheck));
  EXPECT_EQ(Rows(), 4);
  EXPECT_TRUE(d.prompts.messages.empty());
}

TEST_F(LoadTest, SelectingAFileOfTheListShowsThatFile) {
  const QString first = MakeFile(QStringLiteral("one"));
  const QString second = MakeFile(QStringLiteral("two"));
  // Different access times, through a plain utime outside the program.
  const timespec times[2] = {{946684800, 0}, {946684800, 0}};  // 2000-01-01
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(second).constData(), times, 0), 0);
  Dialog();
  Drop({first, second});
  const QString firstYear = Text(ids::kLastChangeYear);
  ClickRow(1);
  EXPECT_TRUE(Text(ids::kLastChangeYear) == QStringLiteral("2000") ||
              Text(ids::kLastChangeYear) == QStringLiteral("1999"));  // any time zone
  ClickRow(0);
  EXPECT_EQ(Text(ids::kLastChangeYear), firstYear);
  EXPECT_EQ(Rows(), 2);
}

TEST_F(LoadTest, EveryLoadTakesTheRowBoxesFromTheStoredSettings) {
  const QString a = MakeFile(QStringLiteral("a"));
  const QString b = MakeFile(QStringLiteral("b"));
  MainDialogHarness& d = Dialog();
  d.sandbox.WriteFile(QStringLiteral("Tempinex64"),
                      "[Prop]\nfileCreate=1\nfileLastChange=0\nfileLastRead=2\n");
  const auto expectSettingsShown = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_TRUE(Checked(ids::kCreateCheck));
    EXPECT_FALSE(Checked(ids::kLastChangeCheck));
    EXPECT_FALSE(Checked(ids::kLastReadCheck));  // 2 is not 1
    EXPECT_TRUE(Enabled(ids::kCreateYear));
    EXPECT_TRUE(Enabled(ids::kCreateSecond));
    EXPECT_FALSE(Enabled(ids::kLastChangeYear));
    EXPECT_FALSE(Enabled(ids::kLastReadYear));
    for (int id : kRowBoxes) {
      EXPECT_TRUE(Enabled(id));
    }
    EXPECT_FALSE(Enabled(ids::kApply));
  };
  Drop({a});
  expectSettingsShown("single file");
  // The boxes' states are not carried from one load to the next: only the stored values count.
  for (int id : kRowBoxes) {
    d.window->SetCheck(id, id != ids::kCreateCheck);
  }
  Drop({a, b});
  expectSettingsShown("two files");
  d.window->SetCheck(ids::kCreateCheck, false);
  Drop({b});
  expectSettingsShown("back to one");
}

TEST_F(LoadTest, BrowseLoadsTheChosenFilesInOrderAndCancelChangesNothing) {
  const QString a = MakeFile(QStringLiteral("a.txt"));
  const QString b = MakeFile(QStringLiteral("README"));
  const QString c = MakeFile(QStringLiteral("c.tar.gz"));
  MainDialogHarness& d = Dialog({a});
  const QString before = RowsAndBoxes();

  QTest::mouseClick(d.Control(ids::kBrowse), Qt::LeftButton);  // no answer: cancelled
  ASSERT_EQ(d.prompts.fileDialogs.size(), 1u);
  EXPECT_EQ(d.prompts.fileDialogs[0], u"ALL(*.*)|*.*");
  EXPECT_EQ(Rows(), 4);
  EXPECT_EQ(Cell(1, 1), a);
  EXPECT_EQ(Text(ids::kFileName), QStringLiteral("a"));
  EXPECT_EQ(RowsAndBoxes(), before);

  d.prompts.answers.push_back(U16({c, a, b}));
  QTest::mouseClick(d.Control(ids::kBrowse), Qt::LeftButton);
  EXPECT_EQ(Column(0), (QStringList{QStringLiteral("c.tar.gz"), QStringLiteral("a.txt"),
                                    QStringLiteral("README")}));
  EXPECT_FALSE(Enabled(ids::kFileName));
  EXPECT_TRUE(d.prompts.messages.empty());
}

// The real open-file dialog behind Browse lists names without a dot and returns every file
// selected.
TEST_F(LoadTest, OpenFileDialogListsEveryFileAndReturnsTheSelection) {
  const QString a = MakeFile(QStringLiteral("Makefile"));
  const QString b = MakeFile(QStringLiteral("b.txt"));
  const QString c = MakeFile(QStringLiteral("LICENSE"));
  qt::QtPrompts prompts;
  QStringList filters;
  bool sawNoDotName = false;
  QString shownFilter;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no file dialog";
      return;
    }
    filters = dialog->nameFilters();
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    dialog->setDirectory(folder.path());
    dialog->selectFile(QStringLiteral("\"Makefile\" \"b.txt\" \"LICENSE\""));
    // The filter is shown by its caption alone; its pattern lists the names without a dot too.
    if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
      shownFilter = types->currentText();
    }
    const QString pattern = dialog->nameFilters().value(0).section(QLatin1Char('('), -1).chopped(1);
    sawNoDotName = QDir(folder.path()).entryList({pattern}, QDir::Files).size() == 3;
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  const auto chosen = prompts.ChooseFilesToOpen(nullptr, u"ALL(*.*)", u"*.*");
  ASSERT_TRUE(chosen.has_value());
  // Every selected file comes back (in the order of the dialog's own view).
  std::vector<std::u16string> got = *chosen;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, U16({c, a, b}));
  EXPECT_EQ(filters, QStringList{QStringLiteral("ALL(*.*) (*)")});
  EXPECT_EQ(shownFilter, QStringLiteral("ALL(*.*)"));
  EXPECT_TRUE(sawNoDotName);
}

// The status read refuses times before 1970 (the local-time conversion has no such times):
// the window is on the screen before the message, and the message says which file it is.
TEST_F(LoadTest, FileDatedBefore1970ShowsTheWindowFirstAndAnErrorNamingIt) {
  const QString path = MakeFile(QStringLiteral("古い.txt"));
  const timespec times[2] = {{-315619200, 0}, {-315619200, 0}};  // 1960-01-01
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
  MainDialogHarness& d = Dialog({path});
  ASSERT_EQ(d.prompts.messages.size(), 1u);
  const auto& message = d.prompts.messages[0];
  EXPECT_TRUE(message.ownerVisible);
  EXPECT_EQ(message.icon, MessageIcon::kError);
  EXPECT_EQ(message.text, qt::ToU16(path) + u"\r\nパラメーターが正しくありません。");
  EXPECT_TRUE(d.window->isVisible());
}

// A drop that cannot be loaded leaves the set the dialog shows: Apply then writes the file on
// view, never the dropped files the dialog could not show.
TEST_F(LoadTest, FailedDropLeavesTheShownSetInPlace) {
  const QString shown = MakeFile(QStringLiteral("shown.txt"));
  const QString old = MakeFile(QStringLiteral("old.txt"));
  const QString other = MakeFile(QStringLiteral("other.txt"));
  const timespec times[2] = {{-315619200, 0}, {-315619200, 0}};  // 1960-01-01
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(old).constData(), times, 0), 0);
  const timespec day[2] = {{86400, 0}, {86400, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(other).constData(), day, 0), 0);
  MainDialogHarness& d = Dialog({shown});
  QTest::mouseClick(d.Control(ids::kLastChangeCheck), Qt::LeftButton);
  d.window->SetText(ids::kLastChangeYear, u"2004");
  ASSERT_TRUE(Enabled(ids::kApply));

  Drop({old, other});
  ASSERT_EQ(d.prompts.messages.size(), 1u);
  EXPECT_EQ(Cell(1, 1), shown);
  QTest::mouseClick(d.Control(ids::kApply), Qt::LeftButton);
  EXPECT_EQ(d.prompts.messages.size(), 1u);  // no error about a file the dialog does not show
  struct stat info {};
  ASSERT_EQ(stat(QFile::encodeName(other).constData(), &info), 0);
  EXPECT_EQ(info.st_mtime, 86400);
  ASSERT_EQ(stat(QFile::encodeName(shown).constData(), &info), 0);
  EXPECT_EQ(QDateTime::fromSecsSinceEpoch(info.st_mtime).date().year(), 2004);
}

TEST_F(LoadTest, UnreadableStatusShowsZerosWithoutAMessage) {
  const QString missing = folder.filePath(QStringLiteral("gone.txt"));
  // An existing file whose full path is 260 units long or more: too long to be read.
  QString deep = folder.path();
  while (deep.size() < 300) {
    deep += QStringLiteral("/") + QString(40, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(deep));
  }
  const QString longPath = deep + QStringLiteral("/long.bin");
  {
    QFile file(longPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'x'));
  }
  MainDialogHarness& d = Dialog();
  for (const QString& path : {missing, longPath}) {
    SCOPED_TRACE(path.toStdString());
    Drop({path});
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(3, 1), QStringLiteral("0.0KB(0バイト)"));
    for (int id : kAttributeBoxes) {
      EXPECT_FALSE(Checked(id)) << id;
    }
    EXPECT_TRUE(d.prompts.messages.empty());
  }
  Drop({missing});
  EXPECT_EQ(Cell(0, 1), QString());  // no type name for a file that is not there
}

// Looking at files must leave them exactly as they were: no content is read (which would
// move a last-access time), nothing is written.
TEST_F(LoadTest, LoadingAndRepaintingLeaveTheFilesUntouched) {
  const QString text = MakeFile(QStringLiteral("note.txt"), 100);
  const QString other = MakeFile(QStringLiteral("data.bin"), 10);
  const auto stamp = [](const QString& path) {
    struct stat info {};
    EXPECT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    return std::vector<long long>{info.st_atim.tv_sec,  info.st_atim.tv_nsec, info.st_mtim.tv_sec,
                                  info.st_mtim.tv_nsec, info.st_ctim.tv_sec,  info.st_ctim.tv_nsec};
  };
  // Times well in the past, so that any read would move the access time under relatime.
  for (const QString& path : {text, other}) {
    const struct timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0), 0);
  }
  const auto before = std::vector{stamp(text), stamp(other)};
  MainDialogHarness& dialog = Dialog({text});
  dialog.window->repaint();
  Drop({text, other});
  dialog.window->repaint();
  Drop({other});
  dialog.window->grab();
  EXPECT_EQ((std::vector{stamp(text), stamp(other)}), before);
}

}  // namespace
}  // namespace tempinex::test
