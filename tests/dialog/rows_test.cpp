// The three date-time rows on the real window: typing, the up-downs, the field bounds and the
// day clamp, reading a row back, the four buttons, the row boxes and a list selection, on real
// files whose times are set in a temporary folder.

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QToolButton>
#include <chrono>
#include <random>

#include "errors.hpp"
#include "field_number.hpp"
#include "rows_support.hpp"

namespace tempinex::test {
namespace {

constexpr Fields kCreated{2010, 5, 6, 7, 8, 9};
constexpr Fields kModified{2011, 3, 31, 10, 20, 30};
constexpr Fields kAccessed{2012, 2, 29, 23, 59, 58};

class RowsTest : public DialogFilesTest {
 protected:
  // One file with three different times, loaded, with the last-write row switched on.
  QString LoadOne(const QString& name = QStringLiteral("report.txt")) {
    const QString path = MakeFile(name, kCreated, kModified, kAccessed);
    Load({path});
    if (!Checked(ids::kLastChangeCheck)) {
      Click(ids::kLastChangeCheck);
    }
    EXPECT_FALSE(ApplyEnabled());
    return path;
  }

  int W(RowField field) { return Field(kLastWriteRow, field); }

  // The row read back as the apply reads it; the result code when it is refused.
  std::optional<std::uint32_t> RowFailure(int row) {
    try {
      DialogProbe::GetRowTime(*Dialog().dialog, row);
    } catch (const ResultCodeError& error) {
      return error.code;
    }
    return std::nullopt;
  }

  std::size_t Messages() { return Dialog().prompts.messages.size(); }
};

TEST_F(RowsTest, YearIsHeldWithinItsRangeAtOnceAndOldYearsFailAtApply) {
  const QString path = LoadOne();
  TypeOver(W(RowField::kYear), QStringLiteral("2"));
  EXPECT_EQ(Text(W(RowField::kYear)), QStringLiteral("1950"));
  EXPECT_TRUE(ApplyEnabled());

  Load({path});
  EXPECT_FALSE(ApplyEnabled());
  TypeOver(W(RowField::kYear), QStringLiteral("3000"));
  EXPECT_EQ(Text(W(RowField::kYear)), QStringLiteral("2049"));
  EXPECT_TRUE(ApplyEnabled());

  // The year up-down wraps at 2049 to 1950; a year before 1970 stays but cannot be applied.
  Edit(W(RowField::kYear))->setFocus();
  QTest::keyClick(Edit(W(RowField::kYear)), Qt::Key_Up);
  EXPECT_EQ(Text(W(RowField::kYear)), QStringLiteral("1950"));
  EXPECT_EQ(RowFailure(kLastWriteRow), std::optional<std::uint32_t>(kResultInvalidArg));
  Click(ids::kApply);
  ASSERT_EQ(Messages(), 1u);
  EXPECT_EQ(Dialog().prompts.messages[0].icon, MessageIcon::kError);
  EXPECT_EQ(Text(W(RowField::kYear)), QStringLiteral("1950"));
  EXPECT_EQ(Read(path).modified, TimeOf(kModified));
}

TEST_F(RowsTest, LeadingZerosDropInDateTimeFieldsButNotInTheName) {
  LoadOne(QStringLiteral("report.txt"));
  TypeOver(W(RowField::kMonth), QStringLiteral("05"));
  EXPECT_EQ(Text(W(RowField::kMonth)), QStringLiteral("5"));
  TypeOver(W(RowField::kDay), QStringLiteral("07"));
  EXPECT_EQ(Text(W(RowField::kDay)), QStringLiteral("7"));
  TypeOver(W(RowField::kHour), QStringLiteral("00"));
  EXPECT_EQ(Text(W(RowField::kHour)), QStringLiteral("0"));
  TypeOver(W(RowField::kMinute), QStringLiteral("0"));
  EXPECT_EQ(Text(W(RowField::kMinute)), QStringLiteral("0"));
  TypeOver(W(RowField::kSecond), QStringLiteral("0"));
  EXPECT_EQ(Text(W(RowField::kSecond)), QStringLiteral("0"));

  TypeOver(ids::kFileName, QStringLiteral("007"));
  EXPECT_EQ(Text(ids::kFileName), QStringLiteral("007"));
  TypeOver(ids::kExtension, QStringLiteral("007"));
  EXPECT_EQ(Text(ids::kExtension), QStringLiteral("007"));
}

TEST_F(RowsTest, MonthIsCappedAtTwelveAndMonthZeroFailsAtApply) {
  const QString path = LoadOne();
  TypeOver(W(RowField::kMonth), QStringLiteral("13"));
  EXPECT_EQ(Text(W(RowField::kMonth)), QStringLiteral("12"));
  EXPECT_TRUE(ApplyEnabled());

  TypeOver(W(RowField::kMonth), QStringLiteral("0"));
  EXPECT_EQ(Text(W(RowField::kMonth)), QStringLiteral("0"));
  EXPECT_EQ(RowFailure(kLastWriteRow), std::optional<std::uint32_t>(kResultFail));
  Click(ids::kApply);
  EXPECT_EQ(Messages(), 1u);
  EXPECT_EQ(Text(W(RowField::kMonth)), QStringLiteral("0"));
  EXPECT_EQ(Read(path).modified, TimeOf(kModified));
}

TEST_F(RowsTest, DayFollowsTheLengthOfItsMonth) {
  LoadOne();  // last write: 31 March 2011
  TypeOver(W(RowField::kMonth), QStringLiteral("4"));
  EXPECT_EQ(Text(W(RowField::kDay)), QStringLiteral("30"));
  TypeOver(W(RowField::kDay), QStringLiteral("31"));
  EXPECT_EQ(Text(W(RowField::kDay)), QStringLiteral("30"));

  const struct {
    const char* year;
    const char* february;
  } cases[] = {{"2000", "29"}, {"2023", "28"}, {"2024", "29"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.year);
    TypeOver(W(RowField::kMonth), QStringLiteral("3"));
    TypeOver(W(RowField::kDay), QStringLiteral("31"));
    ASSERT_EQ(Text(W(RowField::kDay)), QStringLiteral("31"));
    TypeYear(kLastWriteRow, QString::fromLatin1(c.year));
    ASSERT_EQ(Text(W(RowField::kYear)), QString::fromLatin1(c.year));
    TypeOver(W(RowField::kMonth), QStringLiteral("2"));
    EXPECT_EQ(Text(W(RowField::kDay)), QString::fromLatin1(c.february));
  }

  // 29 February 2024, then the year becomes 2023: the year's write shortens the day.
  TypeOver(W(RowField::kDay), QStringLiteral("29"));
  TypeYear(kLastWriteRow, QStringLiteral("2023"));
  EXPECT_EQ(Text(W(RowField::kDay)), QStringLiteral("28"));
}

TEST_F(RowsTest, TimeOfDayBoundsAndTheHourTwentyFour) {
  const QString path = LoadOne();
  TypeOver(W(RowField::kHour), QStringLiteral("25"));
  EXPECT_EQ(Text(W(RowField::kHour)), QStringLiteral("24"));
  EXPECT_EQ(RowFailure(kLastWriteRow), std::optional<std::uint32_t>(kResultFail));
  Click(ids::kApply);
  EXPECT_EQ(Messages(), 1u);
  EXPECT_EQ(Text(W(RowField::kHour)), QStringLiteral("24"));

  TypeOver(W(RowField::kMinute), QStringLiteral("75"));
  EXPECT_EQ(Text(W(RowField::kMinute)), QStringLiteral("59"));
  TypeOver(W(RowField::kSecond), QStringLiteral("75"));
  EXPECT_EQ(Text(W(RowField::kSecond)), QStringLiteral("59"));

  // The hour up-down reaches 24 and wraps from there to 0.
  Edit(W(RowField::kHour))->setFocus();
  QTest::keyClick(Edit(W(RowField::kHour)), Qt::Key_Up);
  EXPECT_EQ(Text(W(RowField::kHour)), QStringLiteral("0"));
  QTest::keyClick(Edit(W(RowField::kHour)), Qt::Key_Down);
  EXPECT_EQ(Text(W(RowField::kHour)), QStringLiteral("24"));
  QTest::keyClick(Edit(W(RowField::kHour)), Qt::Key_Down);
  EXPECT_EQ(Text(W(RowField::kHour)), QStringLiteral("23"));

  Click(ids::kApply);
  EXPECT_EQ(Messages(), 1u);
  EXPECT_EQ(Read(path).modified, TimeOf({2011, 3, 31, 23, 59, 59}));
}

TEST_F(RowsTest, EmptiedFieldsAreRefilledFromTheFirstFileWhenTheRowIsRead) {
  const QString path = LoadOne();
  for (const RowField field : {RowField::kDay, RowField::kHour, RowField::kSecond}) {
    Edit(W(field))->selectAll();
    QTest::keyClick(Edit(W(field)), Qt::Key_Backspace);
    EXPECT_EQ(Text(W(field)), QString());
  }
  EXPECT_TRUE(ApplyEnabled());
  // Another time on the file: the fill comes from the file as it is when the row is read.
  SetTimes(path, kCreated, {2011, 3, 30, 4, 5, 6}, kAccessed);

  EXPECT_EQ(DialogProbe::GetRowTime(*Dialog().dialog, kLastWriteRow),
            TimeOf({2011, 3, 30, 4, 20, 6}));
  EXPECT_EQ(Text(W(RowField::kDay)), QStringLiteral("30"));
  EXPECT_EQ(Text(W(RowField::kHour)), QStringLiteral("4"));
  EXPECT_EQ(Text(W(RowField::kSecond)), QStringLiteral("6"));
  EXPECT_EQ(Messages(), 0u);
}

TEST_F(RowsTest, SameAsCreationAndClearTimeTouchOnlyCheckedRows) {
  const QString path = LoadOne();
  ASSERT_FALSE(Checked(ids::kCreateCheck));
  ASSERT_FALSE(Checked(ids::kLastReadCheck));
  Click(ids::kSameAsCreation);
  EXPECT_EQ(RowTexts(kLastWriteRow), TextsOf(kCreated));
  EXPECT_EQ(RowTexts(kLastAccessRow), TextsOf(kAccessed));
  EXPECT_EQ(RowTexts(kCreationRow), TextsOf(kCreated));
  EXPECT_TRUE(ApplyEnabled());

  // Neither target row checked: nothing changes, Apply is still switched on.
  Load({path});
  Click(ids::kLastChangeCheck);
  ASSERT_FALSE(Checked(ids::kLastChangeCheck));
  ASSERT_FALSE(ApplyEnabled());
  Click(ids::kSameAsCreation);
  EXPECT_EQ(RowTexts(kLastWriteRow), TextsOf(kModified));
  EXPECT_EQ(RowTexts(kLastAccessRow), TextsOf(kAccessed));
  EXPECT_TRUE(ApplyEnabled());

  // Clearing the time of the checked last-access row keeps its date and every other row.
  Load({path});
  Click(ids::kLastReadCheck);
  Click(ids::kClearTime);
  const std::vector<QString> cleared = {QStringLiteral("2012"), QStringLiteral("2"),
                                        QStringLiteral("29"),   QStringLiteral("0"),
                                        QStringLiteral("0"),    QStringLiteral("0")};
  EXPECT_EQ(RowTexts(kLastAccessRow), cleared);
  EXPECT_EQ(RowTexts(kLastWriteRow), TextsOf(kModified));
  EXPECT_EQ(RowTexts(kCreationRow), TextsOf(kCreated));
  EXPECT_TRUE(ApplyEnabled());
}

TEST_F(RowsTest, RowBoxesStoreTheirSettingAndNeverEnableApply) {
  const QString path = MakeFile(QStringLiteral("Report.TXT"), kCreated, kModified, kAccessed);
  Load({path});
  const int rowBoxes[] = {ids::kCreateCheck, ids::kLastChangeCheck, ids::kLastReadCheck};
  for (int row = 0; row < kRowCount; ++row) {
    SCOPED_TRACE(row);
    Click(rowBoxes[row]);
    EXPECT_EQ(Setting(kDateTimeRows[row].settingsKey), 1u);
    EXPECT_TRUE(Enabled(Field(row, RowField::kSecond)));
    Click(rowBoxes[row]);
    EXPECT_EQ(Setting(kDateTimeRows[row].settingsKey), 0u);
    EXPECT_FALSE(Enabled(Field(row, RowField::kYear)));
    EXPECT_FALSE(ApplyEnabled());
  }

  // A change of ASCII letter case only, pasted in one go, is no change of the name.
  Edit(ids::kFileName)->selectAll();
  Edit(ids::kFileName)->insert(QStringLiteral("rEPORT"));
  Edit(ids::kExtension)->selectAll();
  Edit(ids::kExtension)->insert(QStringLiteral("txt"));
  EXPECT_EQ(Text(ids::kFileName), QStringLiteral("rEPORT"));
  EXPECT_FALSE(ApplyEnabled());
  Edit(ids::kExtension)->insert(QStringLiteral("s"));
  EXPECT_TRUE(ApplyEnabled());

  // Typing every reference value back leaves Apply on.
  Load({path});
  Click(ids::kLastChangeCheck);
  TypeOver(W(RowField::kHour), QStringLiteral("9"));
  EXPECT_TRUE(ApplyEnabled());
  TypeOver(W(RowField::kHour), QStringLiteral("10"));
  EXPECT_EQ(RowTexts(kLastWriteRow), TextsOf(kModified));
  EXPECT_TRUE(ApplyEnabled());
}

TEST_F(RowsTest, ListSelectionFillsRowsThroughIntermediateStatesAgainstTheFirstFile) {
  const Fields leapDay{2012, 2, 29, 12, 0, 0};
  const Fields marchEnd{2011, 3, 31, 12, 0, 0};
  const QString first = MakeFile(QStringLiteral("a.txt"), leapDay);
  const QString second = MakeFile(QStringLiteral("b.txt"), marchEnd);
  const QString third = MakeFile(QStringLiteral("c.txt"), leapDay);
  Load({first, second, third});
  ASSERT_FALSE(ApplyEnabled());

  SelectListRow(2);  // same times as the first file: nothing differs
  EXPECT_EQ(RowTexts(kLastWriteRow), TextsOf(leapDay));
  EXPECT_FALSE(ApplyEnabled());

  std::vector<std::unique_ptr<QSignalSpy>> days;
  for (int row = 0; row < kRowCount; ++row) {
    days.push_back(
        std::make_unique<QSignalSpy>(Edit(Field(row, RowField::kDay)), &QLineEdit::textChanged));
  }
  SelectListRow(1);
  for (int row = 0; row < kRowCount; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(RowTexts(row), TextsOf(marchEnd));
    // The year lands while February is still the month: 29 becomes 28, then 31 is written.
    ASSERT_EQ(days[row]->count(), 2);
    EXPECT_EQ(days[row]->at(0).at(0).toString(), QStringLiteral("28"));
    EXPECT_EQ(days[row]->at(1).at(0).toString(), QStringLiteral("31"));
  }
  EXPECT_TRUE(ApplyEnabled());
}

// Keys and texts the random edits are made of.
QString RandomText(std::mt19937& random, int maxLength) {
  static const char16_t pieces[] = {u'0',      u'1',      u'2',      u'5',      u'9', u'\uFF10',
                                    u'\uFF13', u'\uFF19', u'\u0663', u'\u0969', u' ', u'+',
                                    u'-',      u'x',      u'A',      u'\u3042', u'.', u'\t'};
  std::uniform_int_distribution<int> length(0, maxLength);
  std::uniform_int_distribution<int> pick(0, std::size(pieces) - 1);
  QString text;
  for (int n = length(random); n > 0; --n) {
    text += QChar(pieces[pick(random)]);
  }
  return text;
}

TEST_F(RowsTest, RandomEditsKeepEveryFieldWithinItsBounds) {
  LoadOne();
  Click(ids::kCreateCheck);
  Click(ids::kLastReadCheck);
  const unsigned seed = static_cast<unsigned>(
      std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFFFF);
  std::printf("random seed %u\n", seed);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> anyRow(0, kRowCount - 1);
  std::uniform_int_distribution<int> anyField(0, kFieldCount - 1);
  std::uniform_int_distribution<int> anyAction(0, 7);
  QClipboard* clipboard = QApplication::clipboard();

  const auto value = [&](int row, RowField field) {
    return ReadFieldNumber(qt::ToU16(Text(row, field)));
  };
  const auto start = std::chrono::steady_clock::now();
  int edits = 0;
  for (; edits < 4000 && std::chrono::steady_clock::now() - start < std::chrono::seconds(12);
       ++edits) {
    const int row = anyRow(random);
    const int field = anyField(random);
    QLineEdit* edit = Edit(kDateTimeRows[row].edits[field]);
    const int length = static_cast<int>(edit->text().size());
    edit->setCursorPosition(std::uniform_int_distribution<int>(0, length)(random));
    if (random() % 3 == 0) {
      edit->selectAll();
    }
    switch (anyAction(random)) {
      case 0:
      case 1:
        QTest::keyClicks(edit, QString::number(random() % 100));
        break;
      case 2:
        // A full-width digit typed as one key press with its text.
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown,
                            QString(QChar(char16_t(u'\uFF10' + random() % 10))), {});
        break;
      case 3:
        QTest::keyClicks(edit, random() % 2 ? QStringLiteral("-") : QStringLiteral("+"));
        break;
      case 4:
        QTest::keyClick(edit, random() % 2 ? Qt::Key_Backspace : Qt::Key_Delete);
        break;
      case 5: {
        auto* upDown = Dialog().Control(kDateTimeRows[row].upDowns[field]);
        const auto arrows = upDown->findChildren<QToolButton*>();
        ASSERT_EQ(arrows.size(), 2);
        QTest::mouseClick(arrows[random() % 2], Qt::LeftButton);
        break;
      }
      case 6:
        QTest::keyClick(edit, random() % 2 ? Qt::Key_Up : Qt::Key_Down);
        break;
      default:
        clipboard->setText(RandomText(random, 6));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        break;
    }
    for (int r = 0; r < kRowCount; ++r) {
      const int year = value(r, RowField::kYear);
      const int month = value(r, RowField::kMonth);
      ASSERT_GE(year, 1950) << "edit " << edits << " row " << r;
      ASSERT_LE(year, 2049) << "edit " << edits << " row " << r;
      ASSERT_LE(month, 12) << "edit " << edits << " row " << r;
      ASSERT_LE(value(r, RowField::kDay), DaysInMonth(year, month)) << "edit " << edits;
      ASSERT_LE(value(r, RowField::kHour), 24) << "edit " << edits << " row " << r;
      ASSERT_LE(value(r, RowField::kMinute), 59) << "edit " << edits << " row " << r;
      ASSERT_LE(value(r, RowField::kSecond), 59) << "edit " << edits << " row " << r;
    }
  }
  EXPECT_GE(edits, 1000);
  EXPECT_EQ(Dialog().prompts.messages.size(), 0u);

  int readable = 0;
  for (int row = 0; row < kRowCount; ++row) {
    SCOPED_TRACE(row);
    StatusTime time = 0;
    try {
      time = DialogProbe::GetRowTime(*Dialog().dialog, row);
    } catch (const ResultCodeError&) {
      continue;
    }
    ++readable;
    const auto local = StatusTimeToLocal(time);
    ASSERT_TRUE(local.has_value());
    EXPECT_EQ(local->year, value(row, RowField::kYear));
    EXPECT_EQ(local->month, value(row, RowField::kMonth));
    EXPECT_EQ(local->day, value(row, RowField::kDay));
    EXPECT_EQ(local->hour, value(row, RowField::kHour));
    EXPECT_EQ(local->minute, value(row, RowField::kMinute));
    EXPECT_EQ(local->second, value(row, RowField::kSecond));
  }
  std::printf("%d edits, %d of 3 rows readable\n", edits, readable);
}

}  // namespace
}  // namespace tempinex::test
