// The context menu's "他のファイルの日時を読み込む..." on the real window: the times of a chosen
// file fill the three rows, Apply then writes the checked rows only, and nothing happens before
// a load, on a cancel or on a file that cannot be read.

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

#include "rows_support.hpp"

namespace tempinex::test {
namespace {

constexpr Fields kCreated{2010, 5, 6, 7, 8, 9};
constexpr Fields kModified{2011, 3, 31, 10, 20, 30};
constexpr Fields kAccessed{2012, 2, 29, 23, 59, 58};
// The other file's times: a leap day, then a 31st after it, so the day clamp is crossed.
constexpr Fields kOtherCreated{2020, 2, 29, 1, 2, 3};
constexpr Fields kOtherModified{2019, 1, 31, 4, 5, 6};
constexpr Fields kOtherAccessed{2018, 12, 24, 7, 8, 9};

const QString kAboutText = QStringLiteral("Tempinex のﾊﾞｰｼﾞｮﾝ情報(&A)...");
const QString kLoadTimesText = QStringLiteral("他のファイルの日時を読み込む...");

class TimesFromFileTest : public DialogFilesTest {
 protected:
  // Right-clicks the dialog's background and picks the load-times item; the texts of the
  // menu's items, in order.
  QStringList ChooseLoadTimes() {
    QStringList texts;
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &texts] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) {
        return;
      }
      timer->stop();
      timer->deleteLater();
      for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
          texts << action->text();
        }
        if (action->text() == kLoadTimesText) {
          action->trigger();
        }
      }
      menu->close();
    });
    timer->start();
    QWidget* window = Dialog().window.get();
    const QPoint background(window->width() - 4, window->height() / 2);
    QContextMenuEvent click(QContextMenuEvent::Mouse, background, window->mapToGlobal(background));
    QApplication::sendEvent(window, &click);
    return texts;
  }

  void Answer(const std::optional<QString>& path) {
    Dialog().prompts.singleAnswers.push_back(path ? std::optional(qt::ToU16(*path)) : std::nullopt);
  }

  std::vector<std::vector<QString>> AllRows() {
    return {RowTexts(kCreationRow), RowTexts(kLastWriteRow), RowTexts(kLastAccessRow)};
  }
  static std::vector<std::vector<QString>> RowsOf(const Fields& c, const Fields& m,
                                                  const Fields& a) {
    return {TextsOf(c), TextsOf(m), TextsOf(a)};
  }
};

TEST_F(TimesFromFileTest, OtherFilesTimesFillTheRowsAndApplyWritesOnlyTheCheckedRows) {
  const QString target = MakeFile(QStringLiteral("target.txt"), kCreated, kModified, kAccessed);
  const QString other =
      MakeFile(QStringLiteral("other.dat"), kOtherCreated, kOtherModified, kOtherAccessed);
  Load({target});
  Click(ids::kCreateCheck);
  Click(ids::kLastChangeCheck);
  const QString name = Text(ids::kFileName);
  const int listRows = Dialog().window->ListRowCount(ids::kInfoList);
  const std::uint8_t attributes = DialogProbe::GetAttributeByte(*Dialog().dialog);
  ASSERT_FALSE(ApplyEnabled());

  Answer(other);
  EXPECT_EQ(ChooseLoadTimes(), (QStringList{kAboutText, kLoadTimesText}));
  EXPECT_EQ(Dialog().prompts.singleFileDialogs, std::vector<std::u16string>{u"ALL(*.*)|*.*"});
  EXPECT_TRUE(Dialog().prompts.fileDialogs.empty());  // not the Browse dialog
  EXPECT_EQ(AllRows(), RowsOf(kOtherCreated, kOtherModified, kOtherAccessed));
  EXPECT_TRUE(ApplyEnabled());
  // Nothing else changed, and nothing was written yet.
  EXPECT_EQ(Text(ids::kFileName), name);
  EXPECT_EQ(Dialog().window->ListRowCount(ids::kInfoList), listRows);
  EXPECT_EQ(DialogProbe::GetAttributeByte(*Dialog().dialog), attributes);
  EXPECT_EQ(Read(target).modified, TimeOf(kModified));
  EXPECT_TRUE(Dialog().prompts.messages.empty());

  Click(ids::kApply);
  const FileStatus written = Read(target);
  EXPECT_EQ(written.created, TimeOf(kOtherCreated));
  EXPECT_EQ(written.modified, TimeOf(kOtherModified));
  EXPECT_EQ(written.accessed, TimeOf(kAccessed));  // its row was not checked
  const FileStatus source = Read(other);
  EXPECT_EQ(source.created, TimeOf(kOtherCreated));
  EXPECT_EQ(source.modified, TimeOf(kOtherModified));
  EXPECT_EQ(source.accessed, TimeOf(kOtherAccessed));
  EXPECT_TRUE(Dialog().prompts.messages.empty());
}

TEST_F(TimesFromFileTest, SameTimesLeaveApplyOff) {
  const QString target = MakeFile(QStringLiteral("target.txt"), kCreated, kModified, kAccessed);
  const QString twin = MakeFile(QStringLiteral("twin.txt"), kCreated, kModified, kAccessed);
  Load({target});
  Answer(twin);
  ChooseLoadTimes();
  EXPECT_EQ(AllRows(), RowsOf(kCreated, kModified, kAccessed));
  EXPECT_FALSE(ApplyEnabled());
}

TEST_F(TimesFromFileTest, NothingHappensBeforeALoadOnCancelOrForAnUnreadableFile) {
  const QString other =
      MakeFile(QStringLiteral("other.dat"), kOtherCreated, kOtherModified, kOtherAccessed);
  Answer(other);
  ChooseLoadTimes();  // the set is empty
  EXPECT_TRUE(Dialog().prompts.singleFileDialogs.empty());
  EXPECT_EQ(Text(Field(kCreationRow, RowField::kYear)), QString());
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_TRUE(Dialog().prompts.messages.empty());

  Dialog().prompts.singleAnswers.clear();
  const QString target = MakeFile(QStringLiteral("target.txt"), kCreated, kModified, kAccessed);
  Load({target});
  Answer(std::nullopt);  // cancelled
  ChooseLoadTimes();
  EXPECT_EQ(Dialog().prompts.singleFileDialogs.size(), 1u);
  EXPECT_EQ(AllRows(), RowsOf(kCreated, kModified, kAccessed));
  EXPECT_FALSE(ApplyEnabled());

  Answer(folder.filePath(QStringLiteral("gone.txt")));  // chosen, then removed
  ChooseLoadTimes();
  EXPECT_EQ(AllRows(), RowsOf(kCreated, kModified, kAccessed));
  EXPECT_FALSE(ApplyEnabled());
  ASSERT_EQ(Dialog().prompts.messages.size(), 1u);
  EXPECT_EQ(Dialog().prompts.messages[0].caption, u"Tempinex64");
  EXPECT_NE(Dialog().prompts.messages[0].text.find(u"gone.txt が見つかりませんでした。"),
            std::u16string::npos);
}

}  // namespace
}  // namespace tempinex::test
