// Apply and OK on real files: what reaches the disk (times, user.DOSATTRIB, names), what does
// not, and what the user is told.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <QFile>
#include <QTableView>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "dos_attrib.hpp"
#include "file_status.hpp"
#include "test_support.hpp"
#include "text_convert.hpp"

namespace tempinex::test {
namespace {

constexpr std::uint8_t kReadOnlyBit = 0x01;
constexpr std::uint8_t kHiddenBit = 0x02;
constexpr std::uint8_t kArchiveBit = 0x20;
constexpr std::uint8_t kFourBits = 0x27;

class ApplyTest : public ::testing::Test {
 protected:
  ApplyTest() { EXPECT_TRUE(folder.isValid()); }

  // A file with some content, times of 2010 and the given attribute byte; its full path.
  QString MakeFile(const QString& name, std::uint8_t attribute = kArchiveBit,
                   const QByteArray& content = "content") {
    const QString path = folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    const timespec times[2] = {{1262347200, 0}, {1267358400, 0}};  // 2010-01-01, 2010-02-28
    EXPECT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    FileStatus status;
    status.attribute = attribute;
    WriteFileStatus(qt::ToU16(path), status, false);  // attributes only
    return path;
  }

  static FileStatus Status(const QString& path) {
    FileStatus status;
    EXPECT_TRUE(ReadFileStatus(qt::ToU16(path).c_str(), status)) << path.toStdString();
    return status;
  }
  // The value of user.DOSATTRIB as stored; empty when there is none.
  static std::string RawDosAttribValue(const QString& path) {
    char value[256];
    const ssize_t length =
        getxattr(QFile::encodeName(path).constData(), kDosAttribName, value, sizeof value);
    return length < 0 ? std::string() : std::string(value, static_cast<std::size_t>(length));
  }
  static std::optional<DosAttrib> RawDosAttrib(const QString& path) {
    const std::string value = RawDosAttribValue(path);
    return value.empty() ? std::nullopt : ParseDosAttrib(value);
  }
  static struct stat Stat(const QString& path) {
    struct stat info {};
    EXPECT_EQ(stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
  }
  static QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  MainDialogHarness& Open(const QStringList& paths) {
    std::vector<std::u16string> line;
    for (const QString& path : paths) {
      line.push_back(qt::ToU16(path));
    }
    dlg = std::make_unique<MainDialogHarness>(line);
    return *dlg;
  }
  void Click(int id) { QTest::mouseClick(dlg->Control(id), Qt::LeftButton); }
  // A whole new text in an edit, as a paste over its selected text would put it.
  void Type(int id, const QString& text) { dlg->window->SetText(id, qt::ToU16(text)); }
  void ClickRow(int row) {
    auto* view = static_cast<QTableView*>(dlg->Control(ids::kInfoList));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 0)).center());
  }
  // Switches a row on and types a year into it; Apply is then enabled.
  void CheckRowWithYear(int box, int yearEdit, const QString& year) {
    if (!dlg->window->IsChecked(box)) {
      Click(box);
    }
    Type(yearEdit, year);
    EXPECT_TRUE(dlg->window->IsEnabled(ids::kApply));
  }
  static int YearOf(StatusTime time) {
    const auto fields = StatusTimeToLocal(time);
    return fields ? fields->year : 0;
  }
  std::vector<std::u16string> Captions() const {
    std::vector<std::u16string> captions;
    for (const auto& message : dlg->prompts.messages) {
      captions.push_back(message.caption);
    }
    return captions;
  }

  QTemporaryDir folder;
  std::unique_ptr<MainDialogHarness> dlg;
};

TEST_F(ApplyTest, OkWithNothingChangedLeavesTheFileUntouched) {
  const QString path = MakeFile(QStringLiteral("keep.txt"), kArchiveBit);
  const struct stat before = Stat(path);
  const std::string dosBefore = RawDosAttribValue(path);
  Open({path});
  Click(ids::kOk);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  EXPECT_FALSE(dlg->window->isVisible());  // OK closed the dialog
  EXPECT_EQ(dlg->window->result(), ids::kOk);
  const struct stat after = Stat(path);
  // Not even the change time moved: nothing was written, renamed or re-tagged.
  EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
  EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
  EXPECT_EQ(RawDosAttribValue(path), dosBefore);
}

TEST_F(ApplyTest, OkOnAnEmptyDialogDoesNothing) {
  MainDialogHarness& d = Open({});
  Click(ids::kOk);
  EXPECT_TRUE(d.window->isVisible());
  EXPECT_TRUE(d.prompts.messages.empty());
}

TEST_F(ApplyTest, OnlyTheCheckedCreationRowIsWrittenAndApplySwitchesOff) {
  const QString path = MakeFile(QStringLiteral("times.dat"));
  const FileStatus before = Status(path);
  Open({path});
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2003"));
  Click(ids::kApply);
  EXPECT_FALSE(dlg->window->IsEnabled(ids::kApply));
  EXPECT_TRUE(dlg->window->isVisible());
  const FileStatus after = Status(path);
  EXPECT_EQ(YearOf(after.created), 2003);
  EXPECT_EQ(after.modified, before.modified);
  EXPECT_EQ(after.accessed, before.accessed);
  EXPECT_EQ(after.attribute, before.attribute);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  // The new creation time is kept where Samba keeps it.
  const auto dos = RawDosAttrib(path);
  ASSERT_TRUE(dos.has_value());
  EXPECT_NE(dos->createTime, 0u);
}

TEST_F(ApplyTest, RenameFollowsTheNameFields) {
  const QString path = MakeFile(QStringLiteral("report.txt"), kArchiveBit, "report body");
  Open({path});
  // Unchanged fields: no rename is attempted, so none can fail.
  CheckRowWithYear(ids::kLastChangeCheck, ids::kLastChangeYear, QStringLiteral("2004"));
  Click(ids::kApply);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  EXPECT_EQ(YearOf(Status(path).modified), 2004);

  // The extension emptied: a name without extension in the same folder.
  Type(ids::kExtension, QString());
  ASSERT_TRUE(dlg->window->GetText(ids::kExtension).empty());
  Click(ids::kOk);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(Content(folder.filePath(QStringLiteral("report"))), QByteArray("report body"));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("report")});
}

// After a rename the dialog works on the file under its new name: the list shows it,
// "元の日時" puts back its times, and the next apply writes it.
TEST_F(ApplyTest, AfterARenameTheListTheTimesAndTheNextApplyFollowTheFile) {
  const QString path = MakeFile(QStringLiteral("before.txt"), kArchiveBit, "body");
  const QString renamed = folder.filePath(QStringLiteral("after.txt"));
  Open({path});
  Type(ids::kFileName, QStringLiteral("after"));
  Click(ids::kApply);
  ASSERT_TRUE(QFile::exists(renamed));
  auto* list = static_cast<QTableView*>(dlg->Control(ids::kInfoList));
  EXPECT_EQ(list->model()->index(1, 1).data().toString(), renamed);  // パス名

  CheckRowWithYear(ids::kLastChangeCheck, ids::kLastChangeYear, QStringLiteral("2020"));
  Click(ids::kRestoreTime);
  EXPECT_EQ(dlg->window->GetText(ids::kLastChangeYear), u"2010");  // not 1970

  Type(ids::kLastChangeYear, QStringLiteral("2015"));
  ASSERT_TRUE(dlg->window->IsEnabled(ids::kApply));
  Click(ids::kApply);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  EXPECT_EQ(YearOf(Status(renamed).modified), 2015);
  EXPECT_EQ(Content(renamed), QByteArray("body"));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("after.txt")});
}

TEST_F(ApplyTest, SeveralFilesGetTheSameTimesAndKeepTheirNames) {
  const QStringList paths = {MakeFile(QStringLiteral("a.txt")), MakeFile(QStringLiteral("b.txt")),
                             MakeFile(QStringLiteral("c"))};
  const timespec later[2] = {{1300000000, 0}, {1310000000, 0}};  // b differs from a and c
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(paths[1]).constData(), later, 0), 0);
  std::vector<FileStatus> before;
  for (const QString& path : paths) {
    before.push_back(Status(path));
  }
  Open(paths);
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2001"));
  CheckRowWithYear(ids::kLastReadCheck, ids::kLastReadYear, QStringLiteral("2002"));
  Click(ids::kApply);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  const FileStatus first = Status(paths[0]);
  EXPECT_EQ(YearOf(first.created), 2001);
  EXPECT_EQ(YearOf(first.accessed), 2002);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const FileStatus after = Status(paths[i]);
    EXPECT_EQ(after.created, first.created);
    EXPECT_EQ(after.accessed, first.accessed);
    EXPECT_EQ(after.modified, before[i].modified);  // the unchecked row is left alone
  }
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
            (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c")}));
}

TEST_F(ApplyTest, AttributesOfTheSelectedFileReachTheSetOnlyWithTheMasterBoxOn) {
  const QString a = MakeFile(QStringLiteral("a.txt"), kArchiveBit);
  const QString b = MakeFile(QStringLiteral("b.txt"), kHiddenBit);
  Open({a, b});
  ASSERT_FALSE(dlg->window->IsChecked(ids::kAttributeCheck));
  ClickRow(1);
  ASSERT_TRUE(dlg->window->IsChecked(ids::kHidden));  // b's bits shown in the disabled boxes
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2005"));
  Click(ids::kApply);
  // Attribute editing off: the boxes only showed b; they change nobody.
  EXPECT_EQ(Status(a).attribute & kFourBits, kArchiveBit);
  EXPECT_EQ(Status(b).attribute & kFourBits, kHiddenBit);
  EXPECT_EQ(YearOf(Status(a).created), 2005);

  // Attribute editing on: b's bits, untouched in the boxes, go to every file.
  Click(ids::kAttributeCheck);
  ASSERT_TRUE(dlg->window->IsChecked(ids::kAttributeCheck));
  ClickRow(0);
  ClickRow(1);
  ASSERT_TRUE(dlg->window->IsChecked(ids::kHidden));
  ASSERT_FALSE(dlg->window->IsChecked(ids::kArchive));
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2006"));
  Click(ids::kApply);
  EXPECT_EQ(Status(a).attribute & kFourBits, kHiddenBit);
  EXPECT_EQ(Status(b).attribute & kFourBits, kHiddenBit);
  EXPECT_TRUE(dlg->prompts.messages.empty());
}

TEST_F(ApplyTest, ClearingTheArchiveBoxWritesNoAttributeAtAll) {
  const QString path = MakeFile(QStringLiteral("arch.bin"), kArchiveBit);
  Open({path});
  Click(ids::kAttributeCheck);
  ASSERT_TRUE(dlg->window->IsChecked(ids::kArchive));
  Click(ids::kArchive);
  ASSERT_FALSE(dlg->window->IsChecked(ids::kArchive));
  Click(ids::kOk);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  EXPECT_EQ(Status(path).attribute & kFourBits, 0);
  const auto dos = RawDosAttrib(path);
  ASSERT_TRUE(dos.has_value());
  EXPECT_EQ(dos->attrib & kFourBits, 0u);
}

TEST_F(ApplyTest, UnconvertibleRowStopsBeforeWritingButKeepsTheRename) {
  const QString path = MakeFile(QStringLiteral("old.txt"));
  const QString renamed = folder.filePath(QStringLiteral("new.txt"));
  const FileStatus before = Status(path);
  Open({path});
  Type(ids::kFileName, QStringLiteral("new"));
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2007"));
  Type(ids::kCreateHour, QStringLiteral("24"));
  ASSERT_EQ(dlg->window->GetText(ids::kCreateHour), u"24");
  Click(ids::kApply);
  ASSERT_EQ(dlg->prompts.messages.size(), 1u);
  EXPECT_EQ(dlg->prompts.messages[0].icon, MessageIcon::kError);
  EXPECT_TRUE(dlg->window->IsEnabled(ids::kApply));  // still there to try again
  EXPECT_FALSE(QFile::exists(path));
  const FileStatus after = Status(renamed);
  EXPECT_EQ(after.created, before.created);
  EXPECT_EQ(after.modified, before.modified);

  // A year before 1970 under OK: the error box, the dialog stays open, nothing written.
  Type(ids::kCreateHour, QStringLiteral("10"));
  Type(ids::kCreateYear, QStringLiteral("1969"));
  CheckRowWithYear(ids::kLastChangeCheck, ids::kLastChangeYear, QStringLiteral("2008"));
  Click(ids::kOk);
  ASSERT_EQ(dlg->prompts.messages.size(), 2u);
  EXPECT_EQ(dlg->prompts.messages[1].icon, MessageIcon::kError);
  EXPECT_TRUE(dlg->window->isVisible());
  EXPECT_EQ(Status(renamed).created, before.created);
  EXPECT_EQ(Status(renamed).modified, before.modified);
}

TEST_F(ApplyTest, OkReportsRefusedFilesBeforeClosing) {
  const QString a = MakeFile(QStringLiteral("a.txt"));
  const QString locked = MakeFile(QStringLiteral("locked.txt"), kReadOnlyBit | kArchiveBit);
  const QString c = MakeFile(QStringLiteral("c.txt"));
  const FileStatus lockedBefore = Status(locked);
  Open({a, locked, c});
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2009"));
  Click(ids::kOk);
  ASSERT_EQ(dlg->prompts.messages.size(), 1u);
  const auto& report = dlg->prompts.messages[0];
  EXPECT_EQ(report.caption, kFailureCaption);
  EXPECT_EQ(report.text, qt::ToU16(locked) + u"\r\n" + kFailureText);
  EXPECT_TRUE(report.ownerVisible);  // shown while the dialog was still open
  EXPECT_FALSE(dlg->window->isVisible());
  EXPECT_EQ(dlg->window->result(), ids::kOk);
  EXPECT_EQ(YearOf(Status(a).created), 2009);
  EXPECT_EQ(YearOf(Status(c).created), 2009);
  EXPECT_EQ(Status(locked).created, lockedBefore.created);
  EXPECT_EQ(Status(locked).attribute, lockedBefore.attribute);
}

TEST_F(ApplyTest, ReadOnlyFileIsRefusedUnlessItsReadOnlyBoxIsCleared) {
  const QString path = MakeFile(QStringLiteral("ro.txt"), kReadOnlyBit);
  const FileStatus before = Status(path);
  Open({path});
  Click(ids::kAttributeCheck);
  ASSERT_TRUE(dlg->window->IsChecked(ids::kReadOnly));
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2011"));
  Click(ids::kHidden);  // another attribute changed, read-only kept
  Click(ids::kApply);
  EXPECT_EQ(Captions(), std::vector<std::u16string>{kFailureCaption});
  EXPECT_EQ(Status(path).created, before.created);
  EXPECT_EQ(Status(path).attribute, before.attribute);

  Click(ids::kReadOnly);  // now made writable by the same apply
  Click(ids::kHidden);
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2012"));
  Click(ids::kApply);
  EXPECT_EQ(dlg->prompts.messages.size(), 1u);  // no second report
  const FileStatus after = Status(path);
  EXPECT_EQ(YearOf(after.created), 2012);
  EXPECT_EQ(after.attribute & kFourBits, 0);
}

// What the boxes show after an apply is what the next apply starts from: read-only set and
// cleared again in one sitting, as after a restart.
TEST_F(ApplyTest, ReadOnlySetByAnApplyIsClearedByTheNext) {
  const QString path = MakeFile(QStringLiteral("plain.txt"), kArchiveBit);
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0644), 0);
  Open({path});
  Click(ids::kAttributeCheck);
  Click(ids::kReadOnly);
  Click(ids::kApply);
  ASSERT_EQ(Stat(path).st_mode & 0777, 0444u);
  Click(ids::kReadOnly);
  Click(ids::kApply);
  EXPECT_TRUE(dlg->prompts.messages.empty());
  EXPECT_NE(Stat(path).st_mode & 0200, 0u);
  EXPECT_EQ(Status(path).attribute & kFourBits, kArchiveBit);
}

TEST_F(ApplyTest, InASetOnlyTheShownFileWhoseReadOnlyBoxWasClearedIsMadeWritable) {
  const QString a = MakeFile(QStringLiteral("a.txt"));
  const QString r = MakeFile(QStringLiteral("r.txt"), kReadOnlyBit | kArchiveBit);
  const struct stat before = Stat(r);
  const std::string dosBefore = RawDosAttribValue(r);
  Open({a, r});
  Click(ids::kAttributeCheck);
  Click(ids::kHidden);  // a is shown: hidden ticked, read-only never touched
  Click(ids::kApply);
  ASSERT_EQ(Captions(), std::vector<std::u16string>{kFailureCaption});
  EXPECT_EQ(dlg->prompts.messages[0].text, qt::ToU16(r) + u"\r\n" + kFailureText);
  EXPECT_EQ(Status(a).attribute & kFourBits, kHiddenBit | kArchiveBit);
  const struct stat after = Stat(r);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);  // not even re-tagged and put back
  EXPECT_EQ(RawDosAttribValue(r), dosBefore);

  ClickRow(1);  // r is shown, its read-only box checked, and the user clears it
  ASSERT_TRUE(dlg->window->IsChecked(ids::kReadOnly));
  Click(ids::kReadOnly);
  Click(ids::kApply);
  EXPECT_EQ(dlg->prompts.messages.size(), 1u);  // nobody refused this time
  EXPECT_NE(Stat(r).st_mode & 0200, 0u);
  EXPECT_EQ(Status(r).attribute & kFourBits, kArchiveBit);
  EXPECT_EQ(Status(a).attribute & kFourBits, kArchiveBit);
}

TEST_F(ApplyTest, FailedRenameIsToldAndTheFileChangesUnderItsOldName) {
  const QString path = MakeFile(QStringLiteral("draft.txt"), kArchiveBit, "draft");
  const QString taken = MakeFile(QStringLiteral("final.txt"), kArchiveBit, "final");
  const FileStatus takenBefore = Status(taken);
  Open({path});
  Type(ids::kFileName, QStringLiteral("final"));
  CheckRowWithYear(ids::kCreateCheck, ids::kCreateYear, QStringLiteral("2013"));
  Click(ids::kApply);
  ASSERT_EQ(Captions(), std::vector<std::u16string>{kRenameFailureCaption});
  const std::u16string& text = dlg->prompts.messages[0].text;
  EXPECT_NE(text.find(qt::ToU16(path)), std::u16string::npos);
  EXPECT_NE(text.find(qt::ToU16(taken)), std::u16string::npos);
  EXPECT_EQ(Content(path), QByteArray("draft"));
  EXPECT_EQ(Content(taken), QByteArray("final"));
  EXPECT_EQ(YearOf(Status(path).created), 2013);
  EXPECT_EQ(Status(taken).created, takenBefore.created);
}

}  // namespace
}  // namespace tempinex::test
