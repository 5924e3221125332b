// The dialogs as a person meets them on the shown window: every text fits its control with the
// font in use, every date-time field shows its widest value beside its up-down, and the mouse
// reaches every control where it is seen. ctest runs these in more than one locale and scale.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "control_ids.hpp"
#include "dialog_font.hpp"
#include "dialog_template.hpp"
#include "test_support.hpp"
#include "text_convert.hpp"
#include "up_down.hpp"

namespace tempinex::test {
namespace {

QString NameOf(const QWidget* widget) {
  return widget->objectName() + QStringLiteral(" \"") + widget->property("text").toString() +
         QStringLiteral("\"");
}

// Where the style draws a button's or a box's text, asked of the style itself.
QRect ButtonTextRoom(const QAbstractButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.rect = button->rect();
  option.text = button->text();
  QStyle::SubElement element = QStyle::SE_CheckBoxContents;
  if (auto* push = qobject_cast<const QPushButton*>(button)) {
    element = QStyle::SE_PushButtonContents;
    if (push->isFlat())
      option.features |= QStyleOptionButton::Flat;
    if (push->autoDefault())
      option.features |= QStyleOptionButton::AutoDefaultButton;
    if (push->isDefault())
      option.features |= QStyleOptionButton::DefaultButton;
  }
  return button->style()->subElementRect(element, &option, button);
}

// The line of a line edit in which its text is drawn without scrolling: the style's contents
// rectangle less the edit's own margins of 2 pixels across and 1 down, and room for the cursor.
QSize EditTextRoom(const QLineEdit* edit) {
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.rect = edit->rect();
  option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
  option.state |= QStyle::State_Sunken;
  QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
  room = room.marginsRemoved(edit->textMargins());
  return QSize(room.width() - 2 * 2 - 1, room.height() - 2 * 1);
}

void ExpectTextFits(const QString& text, const QFont& font, QSize room, const QString& what) {
  QFontMetrics metrics(font);
  EXPECT_LE(metrics.horizontalAdvance(text), room.width()) << what.toStdString();
  EXPECT_LE(metrics.height(), room.height()) << what.toStdString();
}

int WidestDigits(const QFont& font, int count) {
  QFontMetrics metrics(font);
  int widest = 0;
  for (QChar digit = u'0'; digit <= u'9'; digit = QChar(digit.unicode() + 1)) {
    widest = std::max(widest, metrics.horizontalAdvance(QString(count, digit)));
  }
  return widest;
}

bool IsYearField(int id) {
  return id == ids::kCreateYear || id == ids::kLastChangeYear || id == ids::kLastReadYear;
}

// Every control of a shown dialog with a caption or a date-time value.
void ExpectEveryTextFits(const QWidget& dialog) {
  int checked = 0;
  for (QWidget* widget : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QString what = NameOf(widget);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      ExpectTextFits(button->text(), button->font(), ButtonTextRoom(button).size(), what);
    } else if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty()) {
      ExpectTextFits(label->text(), label->font(), label->contentsRect().size(), what);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      ExpectTextFits(group->title(), group->font(), group->size(), what);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      const int id = edit->property("controlId").toInt();
      if (id == ids::kFileName || id == ids::kExtension) {
        continue;  // names of any length scroll
      }
      QSize room = EditTextRoom(edit);
      int need = WidestDigits(edit->font(), IsYearField(id) ? 4 : 2);
      EXPECT_LE(need, room.width()) << what.toStdString();
      EXPECT_LE(QFontMetrics(edit->font()).height(), room.height()) << what.toStdString();
    } else {
      continue;
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// The centre of what can be seen of a control: its rectangle within the dialog's.
QPoint VisibleCentre(const QWidget* control) {
  QRect seen = control->geometry() & control->parentWidget()->rect();
  return control->parentWidget()->mapToGlobal(seen.center());
}

class LayoutTest : public ::testing::Test {
 protected:
  LayoutTest() {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.window.get()));
    dlg.window->activateWindow();
  }
  // Moves the window so that a point of it lies on the screen, which at a large scale is
  // smaller than the window.
  void BringToScreen(QPoint point) {
    QPoint centre = dlg.window->screen()->geometry().center();
    dlg.window->move(dlg.window->pos() + centre - point);
  }
  MainDialogHarness dlg;
};

TEST_F(LayoutTest, DialogFontIsFoundWhateverTheLocale) {
  // The fonts the project installs are named in the local language in Japanese locales.
  ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("IPAPGothic")));
  EXPECT_EQ(QFontInfo(dlg.window->font()).family(), QFontInfo(QFont("IPAPGothic")).family());
}

TEST_F(LayoutTest, EveryTextFitsItsControl) {
  {
    SCOPED_TRACE("main dialog");
    ExpectEveryTextFits(*dlg.window);
  }
  // The widest values of the date-time fields, as the program shows them, not scrolled.
  for (int id : {ids::kCreateYear, ids::kLastChangeMonth, ids::kLastReadHour}) {
    auto* edit = static_cast<QLineEdit*>(dlg.Control(id));
    edit->setText(IsYearField(id) ? QStringLiteral("2026") : QStringLiteral("24"));
    EXPECT_LE(QFontMetrics(edit->font()).horizontalAdvance(edit->text()),
              EditTextRoom(edit).width());
  }
  qt::TemplateDialog about(qt::AboutDialogTemplate(), dlg.window->font(), dlg.window.get(),
                           Qt::Dialog);
  about.show();
  {
    SCOPED_TRACE("About box");
    ExpectEveryTextFits(about);
  }
  // A font whose Latin letters are narrow beside its Japanese glyphs gives units too small for
  // the captions: the dialog grows until they fit.
  QFont narrow = qt::PinnedDialogFont(QStringLiteral("IPAGothic"));
  qt::QtDialogWindow grown(dlg.prompts, narrow);
  grown.show();
  SCOPED_TRACE("main dialog in IPAGothic");
  EXPECT_GT(grown.width(), qt::DialogUnits(narrow).X(351));
  ExpectEveryTextFits(grown);
}

TEST_F(LayoutTest, UpDownsSitBesideTheirFieldsAtTheRightEnd) {
  const std::pair<int, int> pairs[] = {{ids::kCreateYear, ids::kCreateYearSpin},
                                       {ids::kLastChangeHour, ids::kLastChangeHourSpin},
                                       {ids::kLastReadSecond, ids::kLastReadSecondSpin}};
  for (auto [editId, spinId] : pairs) {
    QRect edit = dlg.Control(editId)->geometry();
    QRect spin = dlg.Control(spinId)->geometry();
    EXPECT_EQ(edit.right() + 1, spin.left()) << editId;
    EXPECT_EQ(edit.top(), spin.top()) << editId;
    EXPECT_GT(spin.width(), 0) << editId;
  }
}

TEST_F(LayoutTest, EveryControlTakesTheMouseAtItsVisibleCentre) {
  // Enabled as after a load, so that every control is one a person can click.
  for (const qt::ControlEntry& entry : qt::MainDialogTemplate().controls) {
    if (entry.id != ids::kStatic) {
      dlg.window->Enable(entry.id, true);
    }
  }
  int probed = 0;
  for (const qt::ControlEntry& entry : qt::MainDialogTemplate().controls) {
    if (entry.id == ids::kStatic) {
      continue;
    }
    QWidget* control = dlg.Control(entry.id);
    BringToScreen(VisibleCentre(control));
    QWidget* hit = QApplication::widgetAt(VisibleCentre(control));
    EXPECT_TRUE(hit == control || control->isAncestorOf(hit))
        << entry.id << " is covered by " << (hit ? NameOf(hit).toStdString() : "nothing");
    ++probed;
  }
  EXPECT_EQ(probed, 56);
  // A click at the visible centre of a time button reaches the dialog.
  QWidget* now = dlg.Control(ids::kCurrentTime);
  BringToScreen(VisibleCentre(now));
  QWidget* hit = QApplication::widgetAt(VisibleCentre(now));
  ASSERT_NE(hit, nullptr);
  QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFromGlobal(VisibleCentre(now)));
  bool clicked = false;
  for (const Notification& n : dlg.notifications.seen) {
    clicked = clicked || (n.id == ids::kCurrentTime && n.event == Event::kClicked);
  }
  EXPECT_TRUE(clicked);
}

TEST_F(LayoutTest, FieldsAndUpDownsAreNamedForScreenReaders) {
  EXPECT_EQ(dlg.Control(ids::kLastChangeYear)->accessibleName(), QStringLiteral("更新： 年"));
  EXPECT_EQ(dlg.Control(ids::kLastReadSecondSpin)->accessibleName(),
            QStringLiteral("アクセス： 秒"));
  for (const qt::ControlEntry& entry : qt::MainDialogTemplate().controls) {
    if (entry.kind == qt::ControlKind::kEdit || entry.kind == qt::ControlKind::kDigitEdit ||
        entry.kind == qt::ControlKind::kUpDown) {
      EXPECT_FALSE(dlg.Control(entry.id)->accessibleName().isEmpty()) << entry.id;
    }
  }
  // Each arrow says what it does, as a screen reader is told; not just "button".
  QStringList arrows;
  for (const int id : {ids::kCreateYearSpin, ids::kLastReadSecondSpin}) {
    for (QToolButton* arrow : dlg.Control(id)->findChildren<QToolButton*>()) {
      arrows << QAccessible::queryAccessibleInterface(arrow)->text(QAccessible::Name);
    }
  }
  EXPECT_EQ(arrows,
            (QStringList{QStringLiteral("作成： 年 増やす"), QStringLiteral("作成： 年 減らす"),
                         QStringLiteral("アクセス： 秒 増やす"),
                         QStringLiteral("アクセス： 秒 減らす")}));
}

}  // namespace
}  // namespace tempinex::test
