#pragma once

// What the row and attribute tests share: a fixed time zone, files with chosen times and
// attributes in a temporary folder, the main window loaded with them, and typing helpers.

#include <fcntl.h>
#include <sys/stat.h>

#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "date_time_rows.hpp"
#include "file_status.hpp"
#include "status_time.hpp"
#include "test_support.hpp"
#include "text_convert.hpp"

namespace tempinex::test {

// Reaches the dialog's row reading and attribute byte, as the apply uses them.
class DialogProbe {
 public:
  static StatusTime GetRowTime(CTempinexDlg& dialog, int row) { return dialog.GetRowTime(row); }
  static std::uint8_t GetAttributeByte(const CTempinexDlg& dialog) {
    return dialog.GetAttributeByte();
  }
};

// Japan has kept no daylight saving since 1951, so local fields and instants map one to one.
class TokyoZone {
 public:
  TokyoZone() {
    if (const char* old = std::getenv("TZ")) {
      saved = old;
    }
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
  }
  ~TokyoZone() {
    if (saved) {
      setenv("TZ", saved->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  TokyoZone(const TokyoZone&) = delete;
  TokyoZone& operator=(const TokyoZone&) = delete;

 private:
  std::optional<std::string> saved;
};

struct Fields {
  int year, month, day, hour, minute, second;
};

inline StatusTime TimeOf(const Fields& f) {
  return MakeStatusTime(f.year, f.month, f.day, f.hour, f.minute, f.second, -1);
}

class DialogFilesTest : public ::testing::Test {
 protected:
  DialogFilesTest() { EXPECT_TRUE(folder.isValid()); }

  // An empty file whose three times show the given local fields.
  QString MakeFile(const QString& name, const Fields& created, const Fields& modified,
                   const Fields& accessed) {
    const QString path = folder.filePath(name);
    const int fd = open(path.toLocal8Bit().constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    close(fd);
    SetTimes(path, created, modified, accessed);
    return path;
  }
  QString MakeFile(const QString& name, const Fields& all) { return MakeFile(name, all, all, all); }

  static void SetTimes(const QString& path, const Fields& created, const Fields& modified,
                       const Fields& accessed) {
    timespec times[2] = {{TimeOf(accessed), 0}, {TimeOf(modified), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0), 0);
    // Linux keeps no settable birth time: the creation time lives where Samba keeps it.
    FileStatus status;
    status.created = TimeOf(created);
    WriteFileStatus(qt::ToU16(path), status, true);
  }

  static void SetAttributes(const QString& path, std::uint8_t attribute) {
    FileStatus status;
    status.attribute = attribute;
    WriteFileStatus(qt::ToU16(path), status, false);
  }

  static FileStatus Read(const QString& path) {
    FileStatus status;
    EXPECT_TRUE(ReadFileStatus(qt::ToU16(path).c_str(), status));
    return status;
  }

  MainDialogHarness& Dialog() {
    if (!harness) {
      harness = std::make_unique<MainDialogHarness>();
    }
    return *harness;
  }

  void Load(const QStringList& paths) {
    std::vector<std::u16string> names;
    for (const QString& path : paths) {
      names.push_back(qt::ToU16(path));
    }
    Dialog().dialog->Notify(Notification{0, Event::kFilesDropped, -1, names});
  }

  void SelectListRow(int row) {
    auto* list = static_cast<QTableView*>(Dialog().Control(ids::kInfoList));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 0)).center());
  }

  QLineEdit* Edit(int id) { return static_cast<QLineEdit*>(Dialog().Control(id)); }
  QString Text(int id) { return Edit(id)->text(); }
  static int Field(int row, RowField field) {
    return kDateTimeRows[row].edits[static_cast<int>(field)];
  }
  QString Text(int row, RowField field) { return Text(Field(row, field)); }

  // Selects the whole text and types over it, key by key.
  void TypeOver(int id, const QString& keys) {
    Edit(id)->selectAll();
    QTest::keyClicks(Edit(id), keys);
  }
  // Replaces the year one digit at a time, so that every state on the way stays a year.
  void TypeYear(int row, const QString& year) {
    QLineEdit* edit = Edit(Field(row, RowField::kYear));
    for (int i = 0; i < year.size(); ++i) {
      edit->setSelection(i, 1);
      QTest::keyClicks(edit, year.mid(i, 1));
    }
  }

  void Click(int id) { QTest::mouseClick(Dialog().Control(id), Qt::LeftButton); }
  bool Checked(int id) { return Dialog().window->IsChecked(id); }
  bool Enabled(int id) { return Dialog().window->IsEnabled(id); }
  bool ApplyEnabled() { return Enabled(ids::kApply); }

  std::uint32_t Setting(const char16_t* key) {
    return Dialog().app.ReadSetting(kSettingsSection, key, 77);
  }

  // The six texts of a row as local fields.
  std::vector<QString> RowTexts(int row) {
    std::vector<QString> texts;
    for (const int edit : kDateTimeRows[row].edits) {
      texts.push_back(Text(edit));
    }
    return texts;
  }
  static std::vector<QString> TextsOf(const Fields& f) {
    return {QString::number(f.year), QString::number(f.month),  QString::number(f.day),
            QString::number(f.hour), QString::number(f.minute), QString::number(f.second)};
  }

  TokyoZone zone;
  QTemporaryDir folder;
  std::unique_ptr<MainDialogHarness> harness;
};

}  // namespace tempinex::test
