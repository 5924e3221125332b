// The dialog shell in its window: Enter, Esc and the close box, and the About box reached from
// the context menu.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "test_support.hpp"

namespace tempinex::test {
namespace {

int CountOf(const std::vector<Notification>& seen, int id, Event event) {
  int count = 0;
  for (const Notification& n : seen) {
    count += n.id == id && n.event == event;
  }
  return count;
}

// Calls action with the first widget found, polling the event loop; the watchdog bounds it.
void WhenShown(const std::function<QWidget*()>& find, const std::function<void(QWidget*)>& act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, find, act] {
    if (QWidget* widget = find()) {
      timer->stop();
      timer->deleteLater();
      act(widget);
    }
  });
  timer->start();
}

class DialogShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.window->activateWindow();
    QApplication::setActiveWindow(dlg.window.get());
  }
  MainDialogHarness dlg;
};

TEST_F(DialogShellTest, EnterActsAsOkFromEditsCheckBoxesAndTheList) {
  dlg.window->Enable(ids::kFileName, true);
  dlg.window->Enable(ids::kCreateCheck, true);
  for (int id : {ids::kFileName, ids::kCreateCheck, ids::kInfoList}) {
    SCOPED_TRACE(id);
    dlg.notifications.seen.clear();
    dlg.Control(id)->setFocus();
    QTest::keyClick(dlg.Control(id), Qt::Key_Return);
    EXPECT_EQ(CountOf(dlg.notifications.seen, ids::kOk, Event::kClicked), 1);
    // With no files loaded OK does nothing: the dialog stays open.
    EXPECT_TRUE(dlg.window->isVisible());
  }
}

TEST_F(DialogShellTest, EscClosesWithCancel) {
  dlg.Control(ids::kInfoList)->setFocus();
  QTest::keyClick(dlg.Control(ids::kInfoList), Qt::Key_Escape);
  EXPECT_EQ(CountOf(dlg.notifications.seen, ids::kCancel, Event::kClicked), 1);
  EXPECT_FALSE(dlg.window->isVisible());
  EXPECT_EQ(dlg.window->result(), ids::kCancel);
}

TEST_F(DialogShellTest, CloseBoxAndCancelButtonCloseWithCancel) {
  dlg.window->close();
  EXPECT_FALSE(dlg.window->isVisible());
  EXPECT_EQ(dlg.window->result(), ids::kCancel);

  MainDialogHarness second;
  QTest::mouseClick(second.Control(ids::kCancel), Qt::LeftButton);
  EXPECT_FALSE(second.window->isVisible());
  EXPECT_EQ(second.window->result(), ids::kCancel);
  EXPECT_TRUE(second.prompts.messages.empty());
}

TEST_F(DialogShellTest, ContextMenuOpensTheAboutBox) {
  QString menuText;
  QString aboutTitle;
  QStringList aboutTexts;
  bool aboutHadIcon = false;
  WhenShown([] { return QApplication::activePopupWidget(); },
            [&](QWidget* popup) {
              auto* menu = qobject_cast<QMenu*>(popup);
              ASSERT_NE(menu, nullptr);
              for (QAction* action : menu->actions()) {
                if (action->text().startsWith(QStringLiteral("Tempinex"))) {
                  menuText = action->text();
                  action->trigger();
                }
              }
              menu->close();
            });
  WhenShown([] { return QApplication::activeModalWidget(); },
            [&](QWidget* modal) {
              aboutTitle = modal->windowTitle();
              for (QLabel* label : modal->findChildren<QLabel*>()) {
                if (label->pixmap().isNull()) {
                  aboutTexts << label->text();
                } else {
                  aboutHadIcon = true;
                }
              }
              QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("ctl1")),
                                Qt::LeftButton);
            });
  // A right click on the dialog's background, away from every control.
  QPoint background(dlg.window->width() - 4, dlg.window->height() / 2);
  ASSERT_EQ(dlg.window->childAt(background), nullptr);
  QContextMenuEvent click(QContextMenuEvent::Mouse, background,
                          dlg.window->mapToGlobal(background));
  QApplication::sendEvent(dlg.window.get(), &click);

  EXPECT_EQ(menuText, QStringLiteral("Tempinex のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
  EXPECT_EQ(CountOf(dlg.notifications.seen, ids::kAboutCommand, Event::kSysCommand), 1);
  EXPECT_EQ(aboutTitle, QStringLiteral("Tempinexのﾊﾞｰｼﾞｮﾝ情報"));
  EXPECT_TRUE(aboutTexts.contains(QStringLiteral("Tempinex64 Ver1.02")));
  EXPECT_EQ(aboutTexts.size(), 2);  // the version line and the author notice
  EXPECT_TRUE(aboutHadIcon);
  // Back to the unchanged main dialog.
  EXPECT_TRUE(dlg.window->isVisible());
  EXPECT_TRUE(dlg.prompts.messages.empty());
}

TEST_F(DialogShellTest, OtherSystemCommandsAreLeftToThePlatform) {
  EXPECT_FALSE(dlg.dialog->Notify({0xF060, Event::kSysCommand}));  // close
  EXPECT_TRUE(dlg.window->isVisible());
}

}  // namespace
}  // namespace tempinex::test
