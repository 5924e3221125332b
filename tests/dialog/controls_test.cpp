// The window's controls as the dialog drives them: text writes and their notifications, check
// boxes, digit-only fields, up-downs, the information list, drops and the icon square.

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QtTest/QTest>
#include <algorithm>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "test_support.hpp"
#include "text_convert.hpp"
#include "up_down.hpp"

namespace tempinex::test {
namespace {

// Types text key by key, characters beyond ASCII too (QTest::keyClicks takes ASCII only).
void Type(QWidget* widget, const QString& text) {
  for (QChar unit : text) {
    if (unit.unicode() < 0x80) {
      QTest::keyClick(widget, unit.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(unit), Qt::NoModifier);
    }
  }
}

class ControlsTest : public ::testing::Test {
 protected:
  // Clicks the up (+1) or down (-1) arrow of an up-down.
  void ClickSpin(int id, int direction) {
    QList<QToolButton*> arrows = dlg.Control(id)->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QToolButton* arrow = arrows[0]->arrowType() == (direction > 0 ? Qt::UpArrow : Qt::DownArrow)
                             ? arrows[0]
                             : arrows[1];
    QTest::mouseClick(arrow, Qt::LeftButton);
  }
  std::vector<Notification>& Seen() { return dlg.notifications.seen; }
  int Count(int id, Event event) {
    int count = 0;
    for (const Notification& n : Seen()) {
      count += n.id == id && n.event == event;
    }
    return count;
  }
  MainDialogHarness dlg;
};

TEST_F(ControlsTest, TextWriteNotifiesInsideTheWriteAndOnlyOnAChange) {
  // A sink that reads the field while its notification is delivered sees the new text.
  struct Probe : INotificationSink {
    bool Notify(const Notification& n) override {
      if (n.event == Event::kTextChanged) {
        texts.push_back(window->GetText(n.id));
      }
      return false;
    }
    qt::QtDialogWindow* window = nullptr;
    std::vector<std::u16string> texts;
  } probe;
  probe.window = dlg.window.get();
  dlg.window->Open(probe);
  dlg.window->SetText(ids::kCreateYear, u"2011");
  ASSERT_EQ(probe.texts.size(), 1u);
  EXPECT_EQ(probe.texts[0], u"2011");
  dlg.window->SetText(ids::kCreateYear, u"2011");
  EXPECT_EQ(probe.texts.size(), 1u);  // the same text again: no notification
  dlg.window->SetText(ids::kCreateYear, u"");
  EXPECT_EQ(probe.texts.size(), 2u);
}

TEST_F(ControlsTest, CheckBoxWritesAreSilentAndClicksNotify) {
  dlg.window->SetCheck(ids::kCreateCheck, true);
  EXPECT_TRUE(dlg.window->IsChecked(ids::kCreateCheck));
  EXPECT_EQ(Count(ids::kCreateCheck, Event::kClicked), 0);
  dlg.window->Enable(ids::kCreateCheck, true);
  QTest::mouseClick(dlg.Control(ids::kCreateCheck), Qt::LeftButton);
  EXPECT_FALSE(dlg.window->IsChecked(ids::kCreateCheck));  // the click toggles first
  EXPECT_EQ(Count(ids::kCreateCheck, Event::kClicked), 1);
  // A disabled box takes no click.
  dlg.window->Enable(ids::kCreateCheck, false);
  QTest::mouseClick(dlg.Control(ids::kCreateCheck), Qt::LeftButton);
  EXPECT_EQ(Count(ids::kCreateCheck, Event::kClicked), 1);
}

TEST_F(ControlsTest, DateFieldsTakeOnlyDigitsFromTheKeyboard) {
  dlg.window->Enable(ids::kCreateMonth, true);
  QWidget* month = dlg.Control(ids::kCreateMonth);
  month->setFocus();
  Type(month, QStringLiteral("1a-2 ｂ３."));
  EXPECT_EQ(dlg.window->GetText(ids::kCreateMonth), u"12３");
  QTest::keyClick(month, Qt::Key_Backspace);
  EXPECT_EQ(dlg.window->GetText(ids::kCreateMonth), u"12");
  // What the program writes is not filtered; the name field takes any text.
  dlg.window->SetText(ids::kCreateMonth, u"-x");
  EXPECT_EQ(dlg.window->GetText(ids::kCreateMonth), u"-x");
  dlg.window->Enable(ids::kFileName, true);
  dlg.Control(ids::kFileName)->setFocus();
  QTest::keyClicks(dlg.Control(ids::kFileName), QStringLiteral("a.b-1"));
  EXPECT_EQ(dlg.window->GetText(ids::kFileName), u"a.b-1");
}

TEST_F(ControlsTest, UpDownStepsItsBuddyAndWrapsAtTheEnds) {
  qt::QtDialogWindow& w = *dlg.window;
  w.Enable(ids::kCreateMonth, true);
  w.SetUpDownRange(ids::kCreateMonthSpin, 1, 12);
  w.SetText(ids::kCreateMonth, u"11");
  ClickSpin(ids::kCreateMonthSpin, +1);
  EXPECT_EQ(w.GetText(ids::kCreateMonth), u"12");
  ClickSpin(ids::kCreateMonthSpin, +1);
  EXPECT_EQ(w.GetText(ids::kCreateMonth), u"1");
  ClickSpin(ids::kCreateMonthSpin, -1);
  EXPECT_EQ(w.GetText(ids::kCreateMonth), u"12");
  // The arrow keys in the field step it too; each write is a text change of the field.
  int before = Count(ids::kCreateMonth, Event::kTextChanged);
  dlg.Control(ids::kCreateMonth)->setFocus();
  QTest::keyClick(dlg.Control(ids::kCreateMonth), Qt::Key_Down);
  QTest::keyClick(dlg.Control(ids::kCreateMonth), Qt::Key_Down);
  EXPECT_EQ(w.GetText(ids::kCreateMonth), u"10");
  EXPECT_EQ(Count(ids::kCreateMonth, Event::kTextChanged), before + 2);
}

TEST_F(ControlsTest, YearUpDownWritesNoThousandsSeparator) {
  qt::QtDialogWindow& w = *dlg.window;
  w.Enable(ids::kLastReadYear, true);
  w.SetUpDownRange(ids::kLastReadYearSpin, 1950, 2049);
  w.SetText(ids::kLastReadYear, u"2049");
  ClickSpin(ids::kLastReadYearSpin, +1);
  EXPECT_EQ(w.GetText(ids::kLastReadYear), u"1950");
  ClickSpin(ids::kLastReadYearSpin, -1);
  EXPECT_EQ(w.GetText(ids::kLastReadYear), u"2049");
  // Each up-down is bound to the edit created just before it.
  w.Enable(ids::kLastReadSecond, true);
  w.SetUpDownRange(ids::kLastReadSecondSpin, 0, 59);
  w.SetText(ids::kLastReadSecond, u"0");
  ClickSpin(ids::kLastReadSecondSpin, -1);
  EXPECT_EQ(w.GetText(ids::kLastReadSecond), u"59");
  EXPECT_EQ(w.GetText(ids::kLastReadYear), u"2049");
  // 1999 + 1 is written as 2000, never 2,000.
  w.SetText(ids::kLastReadYear, u"1999");
  ClickSpin(ids::kLastReadYearSpin, +1);
  EXPECT_EQ(w.GetText(ids::kLastReadYear), u"2000");
}

TEST_F(ControlsTest, ListTakesRowsCellsHeadersAndABigBatch) {
  qt::QtDialogWindow& w = *dlg.window;
  auto* view = static_cast<QTableView*>(dlg.Control(ids::kInfoList));
  w.ListSetHeader(ids::kInfoList, 0, u"項目");
  w.ListSetHeader(ids::kInfoList, 1, u"値");
  for (int row = 0; row < 4; ++row) {
    w.ListInsertRow(ids::kInfoList, row, u"r" + std::u16string(1, u'0' + row));
  }
  w.ListSetCell(ids::kInfoList, 3, 1, u"1.5KB(1536バイト)");
  EXPECT_EQ(w.ListRowCount(ids::kInfoList), 4);
  QAbstractItemModel* model = view->model();
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("項目"));
  EXPECT_EQ(model->index(3, 1).data().toString(), QStringLiteral("1.5KB(1536バイト)"));
  EXPECT_EQ(model->index(2, 0).data().toString(), QStringLiteral("r2"));
  EXPECT_EQ(view->horizontalHeader()->sectionSize(0), 300);  // renaming keeps the widths

  w.ListDeleteAllRows(ids::kInfoList);
  EXPECT_EQ(w.ListRowCount(ids::kInfoList), 0);
  std::vector<ListRow> rows;
  for (int i = 0; i < 100000; ++i) {
    rows.emplace_back(u"file" + qt::ToU16(QString::number(i)), u"type");
  }
  w.ListAppendRows(ids::kInfoList, rows);
  EXPECT_EQ(w.ListRowCount(ids::kInfoList), 100000);
  EXPECT_EQ(model->index(99999, 0).data().toString(), QStringLiteral("file99999"));
  EXPECT_EQ(model->index(99999, 1).data().toString(), QStringLiteral("type"));
}

TEST_F(ControlsTest, ListReportsClicksAndSelectionChangesByRow) {
  qt::QtDialogWindow& w = *dlg.window;
  w.ListAppendRows(ids::kInfoList, {{u"a", u"x"}, {u"b", u"y"}});
  auto* view = static_cast<QTableView*>(dlg.Control(ids::kInfoList));
  QPoint row0 = view->visualRect(view->model()->index(0, 0)).center();
  QPoint row1 = view->visualRect(view->model()->index(1, 0)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row0);
  Seen().clear();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row1);
  std::vector<std::pair<Event, int>> got;
  for (const Notification& n : Seen()) {
    got.emplace_back(n.event, n.index);
  }
  std::vector<std::pair<Event, int>> expected = {
      {Event::kListItemChanged, 0}, {Event::kListItemChanged, 1}, {Event::kListClick, 1}};
  EXPECT_EQ(got, expected);
  Seen().clear();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    QPoint(5, view->viewport()->height() - 3));
  ASSERT_FALSE(Seen().empty());
  EXPECT_EQ(Seen().back().event, Event::kListClick);
  EXPECT_EQ(Seen().back().index, -1);
}

TEST_F(ControlsTest, DropsDeliverLocalPathsInOrder) {
  auto drop = [&](const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(dlg.window.get(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(dlg.window.get(), &dropped);
  };
  drop({QUrl::fromLocalFile(QStringLiteral("/tmp/b file.txt")),
        QUrl(QStringLiteral("https://example.org/x")),
        QUrl(QStringLiteral("file:///tmp/caf%C3%A9")), QUrl(QStringLiteral("file:///tmp/raw%FF"))});
  ASSERT_EQ(Count(0, Event::kFilesDropped), 1);
  // The load that follows the drop notifies more; the drop itself is the one to look at.
  const auto& seen = Seen();
  const auto dropped = std::find_if(seen.rbegin(), seen.rend(), [](const Notification& n) {
    return n.event == Event::kFilesDropped;
  });
  ASSERT_NE(dropped, seen.rend());
  const std::vector<std::u16string>& paths = dropped->paths;
  // A byte that is not UTF-8 keeps its identity (core's file-name decoding).
  std::vector<std::u16string> expected = {u"/tmp/b file.txt", u"/tmp/café",
                                          std::u16string(u"/tmp/raw") + char16_t(0xDCFF)};
  EXPECT_EQ(paths, expected);
  drop({QUrl(QStringLiteral("https://example.org/only"))});
  EXPECT_EQ(Count(0, Event::kFilesDropped), 1);  // nothing local: nothing happens
}

TEST_F(ControlsTest, IconSquareIsPaintedOnlyWithAnIcon) {
  QColor before = dlg.window->grab().toImage().pixelColor(21, 1);
  EXPECT_NE(before, QColor(210, 210, 210));
  dlg.window->ShowIconSquare({SetIcon::Kind::kMultiFile, u"", true});
  QImage shown = dlg.window->grab().toImage();
  EXPECT_EQ(shown.pixelColor(21, 1), QColor(210, 210, 210));
  EXPECT_NE(shown.pixelColor(36, 16), QColor(210, 210, 210));  // the sheets themselves
  dlg.window->ShowIconSquare({});
  EXPECT_EQ(dlg.window->grab().toImage().pixelColor(21, 1), before);
}

}  // namespace
}  // namespace tempinex::test
