// The main window as it opens: every control of template 102 with its kind, caption, enabled
// and checked state, the tab order, the window itself and the list's set-up.

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "dialog_units.hpp"
#include "test_support.hpp"
#include "text_convert.hpp"
#include "up_down.hpp"

namespace tempinex::test {
namespace {

enum class Kind { kEdit, kButton, kCheck, kUpDown, kList };

struct Expected {
  int id;
  Kind kind;
  const char16_t* caption;
  bool enabled;
};

// Written out from the control table, in creation order: the tab stops among them give the
// expected tab order.
const Expected kControls[] = {
    {1, Kind::kButton, u"OK", true},
    {2, Kind::kButton, u"ｷｬﾝｾﾙ", true},
    {3, Kind::kButton, u"参照", true},
    {1002, Kind::kEdit, u"", false},
    {1048, Kind::kCheck, u"作成：", false},
    {1000, Kind::kEdit, u"", false},
    {1006, Kind::kUpDown, u"", true},
    {1024, Kind::kEdit, u"", false},
    {1009, Kind::kUpDown, u"", true},
    {1027, Kind::kEdit, u"", false},
    {1012, Kind::kUpDown, u"", true},
    {1030, Kind::kEdit, u"", false},
    {1015, Kind::kUpDown, u"", true},
    {1033, Kind::kEdit, u"", false},
    {1018, Kind::kUpDown, u"", true},
    {1036, Kind::kEdit, u"", false},
    {1021, Kind::kUpDown, u"", true},
    {1051, Kind::kCheck, u"更新：", false},
    {1001, Kind::kEdit, u"", false},
    {1007, Kind::kUpDown, u"", true},
    {1025, Kind::kEdit, u"", false},
    {1010, Kind::kUpDown, u"", true},
    {1028, Kind::kEdit, u"", false},
    {1013, Kind::kUpDown, u"", true},
    {1031, Kind::kEdit, u"", false},
    {1016, Kind::kUpDown, u"", true},
    {1034, Kind::kEdit, u"", false},
    {1019, Kind::kUpDown, u"", true},
    {1037, Kind::kEdit, u"", false},
    {1022, Kind::kUpDown, u"", true},
    {1052, Kind::kCheck, u"アクセス：", false},
    {1005, Kind::kEdit, u"", false},
    {1008, Kind::kUpDown, u"", true},
    {1026, Kind::kEdit, u"", false},
    {1011, Kind::kUpDown, u"", true},
    {1029, Kind::kEdit, u"", false},
    {1014, Kind::kUpDown, u"", true},
    {1032, Kind::kEdit, u"", false},
    {1017, Kind::kUpDown, u"", true},
    {1035, Kind::kEdit, u"", false},
    {1020, Kind::kUpDown, u"", true},
    {1038, Kind::kEdit, u"", false},
    {1023, Kind::kUpDown, u"", true},
    {1039, Kind::kCheck, u"属性", false},
    {1040, Kind::kCheck, u"読み取り専用", false},
    {1043, Kind::kCheck, u"隠しファイル", false},
    {1041, Kind::kCheck, u"アーカイブ", false},
    {1044, Kind::kCheck, u"システム", false},
    {1042, Kind::kCheck, u"圧縮", false},
    {4, Kind::kButton, u"適用", false},
    {1047, Kind::kButton, u"現在日時", false},
    {1046, Kind::kButton, u"元の日時", false},
    {1049, Kind::kButton, u"時間0クリア", false},
    {1050, Kind::kList, u"", true},
    {1053, Kind::kEdit, u"", false},
    {1054, Kind::kButton, u"作成日と同じ", false},
};

QString CaptionOf(QWidget* widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    return button->text();
  }
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    return edit->text();
  }
  return {};
}

bool HasKind(QWidget* widget, Kind kind) {
  switch (kind) {
    case Kind::kEdit:
      return qobject_cast<QLineEdit*>(widget) != nullptr;
    case Kind::kButton:
      return qobject_cast<QPushButton*>(widget) != nullptr;
    case Kind::kCheck:
      return qobject_cast<QCheckBox*>(widget) != nullptr;
    case Kind::kUpDown:
      return dynamic_cast<qt::UpDown*>(widget) != nullptr;
    case Kind::kList:
      return qobject_cast<QTableView*>(widget) != nullptr;
  }
  return false;
}

class InitialStateTest : public ::testing::Test {
 protected:
  MainDialogHarness dlg;
};

TEST_F(InitialStateTest, EveryControlHasItsKindCaptionAndState) {
  for (const Expected& expected : kControls) {
    SCOPED_TRACE(expected.id);
    QWidget* widget = dlg.Control(expected.id);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(HasKind(widget, expected.kind));
    EXPECT_EQ(CaptionOf(widget), qt::ToQString(expected.caption));
    EXPECT_EQ(widget->isEnabled(), expected.enabled);
    EXPECT_EQ(dlg.window->IsEnabled(expected.id), expected.enabled);
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      EXPECT_FALSE(box->isChecked());
      EXPECT_FALSE(box->isTristate());
    }
  }
  // OK alone is the default button.
  for (int id : {1, 2, 3, 4, 1046, 1047, 1049, 1054}) {
    EXPECT_EQ(static_cast<QPushButton*>(dlg.Control(id))->isDefault(), id == 1) << id;
  }
}

TEST_F(InitialStateTest, LabelsAndGroupBoxesCarryTheirTexts) {
  QStringList labels;
  for (QLabel* label : dlg.window->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    labels << label->text();
  }
  labels.sort();
  QStringList expected = {QStringLiteral("ファイル名"), QStringLiteral("．")};
  for (int row = 0; row < 3; ++row) {
    for (const char16_t* unit : {u"年", u"月", u"日", u"時", u"分", u"秒"}) {
      expected << qt::ToQString(unit);
    }
  }
  expected.sort();
  EXPECT_EQ(labels, expected);  // the twenty static texts
  QStringList groups;
  for (QGroupBox* group : dlg.window->findChildren<QGroupBox*>()) {
    groups << group->title();
    EXPECT_EQ(group->focusPolicy(), Qt::NoFocus);
  }
  groups.sort();
  EXPECT_EQ(groups, (QStringList{QStringLiteral("ファイル日時"), QStringLiteral("属性")}));
}

TEST_F(InitialStateTest, TabOrderFollowsCreationOrder) {
  std::vector<int> expected;
  for (const Expected& control : kControls) {
    if (control.kind != Kind::kUpDown) {
      expected.push_back(control.id);
    }
  }
  std::vector<int> chain;
  QWidget* first = dlg.Control(ids::kOk);
  QWidget* widget = first;
  do {
    if (widget->focusPolicy() & Qt::TabFocus) {
      chain.push_back(widget->property("controlId").toInt());
    }
    widget = widget->nextInFocusChain();
  } while (widget != first && chain.size() < 200);
  EXPECT_EQ(chain, expected);
}

TEST_F(InitialStateTest, WindowHasTitleFixedSizeAndNoMinimiseOrMaximise) {
  qt::QtDialogWindow& window = *dlg.window;
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Tempinex Ver1.01"));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_EQ(window.size(), window.Units().Size(351, 301));
  Qt::WindowFlags flags = window.windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(window.acceptDrops());
  EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(InitialStateTest, ControlsSitAtTheirDialogUnitRectangles) {
  const qt::DialogUnits& units = dlg.window->Units();
  EXPECT_EQ(dlg.Control(ids::kOk)->geometry(), units.Rect(188, 280, 50, 14));
  EXPECT_EQ(dlg.Control(ids::kInfoList)->geometry(), units.Rect(6, 23, 338, 130));
  EXPECT_EQ(dlg.Control(ids::kAttributeCheck)->geometry(), units.Rect(12, 232, 26, 10));
  // An edit gives the right end of its rectangle to its up-down.
  QRect year = dlg.Control(ids::kCreateYear)->geometry();
  QRect spin = dlg.Control(ids::kCreateYearSpin)->geometry();
  EXPECT_EQ(year.left(), units.X(51));
  EXPECT_EQ(spin.right(), units.Rect(51, 162, 31, 12).right());  // widened year column
  EXPECT_EQ(year.right() + 1, spin.left());
  // The last-write hour is one unit narrower than the other hours.
  EXPECT_LT(dlg.Control(ids::kLastChangeHour)->width(), dlg.Control(ids::kCreateHour)->width());
}

TEST_F(InitialStateTest, DialogUnitsFollowTheFont) {
  QFont small = dlg.window->font();
  small.setPointSize(6);
  QFont large = dlg.window->font();
  large.setPointSize(18);
  qt::DialogUnits a(small), b(large);
  EXPECT_GT(b.BaseWidth(), a.BaseWidth());
  EXPECT_GT(b.BaseHeight(), a.BaseHeight());
  EXPECT_EQ(b.X(4), b.BaseWidth());
  EXPECT_EQ(b.Y(8), b.BaseHeight());
}

TEST_F(InitialStateTest, InformationListIsAnEmptyReportWithTwoColumns) {
  auto* view = static_cast<QTableView*>(dlg.Control(ids::kInfoList));
  QAbstractItemModel* model = view->model();
  EXPECT_EQ(model->rowCount(), 0);
  ASSERT_EQ(model->columnCount(), 2);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ファイル名"));
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ファイルタイプ"));
  EXPECT_EQ(view->horizontalHeader()->sectionSize(0), 300);
  EXPECT_EQ(view->horizontalHeader()->sectionSize(1), 270);
  EXPECT_TRUE(view->showGrid());
  EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(view->horizontalHeader()->sectionsClickable());
  EXPECT_FALSE(view->isSortingEnabled());
}

}  // namespace
}  // namespace tempinex::test
