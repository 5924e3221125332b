// The failure report as a user meets it: the real box on the screen the program runs on. With
// many refused files its paths scroll, while the closing sentence and OK stay within reach.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "file_operate.hpp"
#include "prompts.hpp"
#include "text_convert.hpp"

namespace tempinex::test {
namespace {

// The report's text for count refused files, as the file set builds it.
std::u16string ReportText(int count) {
  std::u16string text;
  for (int i = 0; i < count; ++i) {
    text +=
        u"/home/利用者/写真/2024年の旅行/IMG_" + qt::ToU16(QString::number(1000 + i)) + u".jpg\r\n";
  }
  return text + kFailureText;
}

struct SeenBox {
  QRect room;
  QRect frame;
  QString caption;
  QRect okOnScreen;
  bool okWithinBox = false;
  bool sentenceShown = false;
  bool sentenceClearOfPaths = false;
  QString paths;
  int pathsScrollBy = 0;
  bool icon = false;
};

// Shows the report, looks at the box on the screen, then closes it with a click on OK.
SeenBox ShowAndClickOk(const std::u16string& text) {
  SeenBox seen;
  QTimer::singleShot(0, [&seen] {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr) {
      ADD_FAILURE() << "no box";
      return;
    }
    seen.room = box->screen()->availableGeometry();
    seen.frame = box->frameGeometry();
    seen.caption = box->windowTitle();
    for (QLabel* label : box->findChildren<QLabel*>()) {
      seen.icon = seen.icon || !label->pixmap().isNull();
      seen.sentenceShown =
          seen.sentenceShown || (label->text() == qt::ToQString(kFailureText) &&
                                 label->isVisible() && box->rect().contains(label->geometry()));
    }
    if (auto* scroll = box->findChild<QScrollArea*>()) {
      seen.paths = static_cast<QLabel*>(scroll->widget())->text();
      seen.pathsScrollBy = scroll->verticalScrollBar()->maximum();
      for (QLabel* label : box->findChildren<QLabel*>()) {
        if (label->text() == qt::ToQString(kFailureText)) {
          seen.sentenceClearOfPaths = !label->geometry().intersects(scroll->geometry());
        }
      }
    }
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>()) {
      if (button->text().remove(QLatin1Char('&')) == QStringLiteral("OK") && button->isVisible()) {
        seen.okOnScreen = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
        seen.okWithinBox =
            box->rect().contains(QRect(button->mapTo(box, QPoint(0, 0)), button->size()));
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
      }
    }
  });
  qt::QtPrompts prompts;
  prompts.ShowMessage(nullptr, kFailureCaption, text, MessageIcon::kError, false);
  return seen;
}

TEST(FailureReportTest, EightyRefusedFilesFitTheScreenWithTheirButtonInside) {
  const SeenBox seen = ShowAndClickOk(ReportText(80));
  // Run by ctest on a 1280 x 900 screen too, the size the report was seen to overflow.
  const QString wanted = qEnvironmentVariable("TEMPINEX_TEST_SCREEN");
  if (!wanted.isEmpty()) {
    EXPECT_EQ(QStringLiteral("%1x%2").arg(seen.room.width()).arg(seen.room.height()), wanted);
  }
  EXPECT_TRUE(seen.room.contains(seen.frame)) << seen.frame.height();
  EXPECT_TRUE(seen.room.contains(seen.okOnScreen));
  EXPECT_TRUE(seen.okWithinBox);
  EXPECT_TRUE(seen.sentenceShown);
  EXPECT_TRUE(seen.sentenceClearOfPaths);
  EXPECT_EQ(seen.caption, QStringLiteral("エラーのパス"));
  EXPECT_TRUE(seen.icon);
  // Every path is there, one a line, and what does not fit scrolls.
  EXPECT_EQ(seen.paths.split(QLatin1Char('\n')).size(), 80);
  EXPECT_TRUE(seen.paths.startsWith(QStringLiteral("/home/利用者/写真/2024年の旅行/IMG_1000.jpg")));
  EXPECT_GT(seen.pathsScrollBy, 0);
}

TEST(FailureReportTest, AFewRefusedFilesShowInTheUsualBox) {
  SeenBox seen;
  QString shownText;
  QTimer::singleShot(0, [&shownText] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shownText = box->text();
      box->accept();
    }
  });
  qt::QtPrompts prompts;
  prompts.ShowMessage(nullptr, kFailureCaption, ReportText(3), MessageIcon::kError, false);
  EXPECT_EQ(shownText, qt::ToQString(ReportText(3)));
}

}  // namespace
}  // namespace tempinex::test
