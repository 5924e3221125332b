#include "dialog_template.hpp"

#include <array>

#include "control_ids.hpp"

namespace tempinex::qt {

namespace {

using K = ControlKind;
constexpr int kNone = ids::kStatic;

// One date-time row: its check box, the six edit / up-down pairs and where they sit.
struct RowLayout {
  int check;
  const char16_t* caption;
  int checkWidth;
  int checkY;
  int editY;
  int labelY;
  int minuteSecondLabelY;
  int hourWidth;
  std::array<int, 12> fieldIds;  // edit, up-down, edit, up-down, ...
};

constexpr RowLayout kRows[] = {
    {ids::kCreateCheck,
     u"作成：",
     37,
     163,
     162,
     165,
     164,
     23,
     {ids::kCreateYear, ids::kCreateYearSpin, ids::kCreateMonth, ids::kCreateMonthSpin,
      ids::kCreateDay, ids::kCreateDaySpin, ids::kCreateHour, ids::kCreateHourSpin,
      ids::kCreateMinute, ids::kCreateMinuteSpin, ids::kCreateSecond, ids::kCreateSecondSpin}},
    {ids::kLastChangeCheck,
     u"更新：",
     38,
     176,
     175,
     177,
     177,
     22,
     {ids::kLastChangeYear, ids::kLastChangeYearSpin, ids::kLastChangeMonth,
      ids::kLastChangeMonthSpin, ids::kLastChangeDay, ids::kLastChangeDaySpin, ids::kLastChangeHour,
      ids::kLastChangeHourSpin, ids::kLastChangeMinute, ids::kLastChangeMinuteSpin,
      ids::kLastChangeSecond, ids::kLastChangeSecondSpin}},
    {ids::kLastReadCheck,
     u"アクセス：",
     39,
     189,
     188,
     191,
     190,
     23,
     {ids::kLastReadYear, ids::kLastReadYearSpin, ids::kLastReadMonth, ids::kLastReadMonthSpin,
      ids::kLastReadDay, ids::kLastReadDaySpin, ids::kLastReadHour, ids::kLastReadHourSpin,
      ids::kLastReadMinute, ids::kLastReadMinuteSpin, ids::kLastReadSecond,
      ids::kLastReadSecondSpin}},
};

struct FieldColumn {
  int x;
  int width;
  const char16_t* unit;
  int unitX;
};

// Years have four digits; month, day, hour, minute and second at most two.
constexpr int kYearDigits = 4;
constexpr int kFieldDigits = 2;

// The year fields are wider than the template's 26 units, as in the Windows program: at the
// template's width a four-digit year does not show whole beside its up-down in the Japanese
// fonts. The rest of each row moves right and both group boxes grow by as much.
constexpr int kYearWidening = 5;
constexpr int kGroupWidth = 251 + kYearWidening;

constexpr FieldColumn kColumns[] = {
    {51, 26 + kYearWidening, u"年", 78 + kYearWidening},
    {87 + kYearWidening, 23, u"月", 112 + kYearWidening},
    {121 + kYearWidening, 24, u"日", 147 + kYearWidening},
    {155 + kYearWidening, 23, u"時", 180 + kYearWidening},
    {189 + kYearWidening, 23, u"分", 215 + kYearWidening},
    {223 + kYearWidening, 23, u"秒", 248 + kYearWidening},
};

constexpr int kFieldHeight = 12;
constexpr int kUpDownWidth = 9;
constexpr int kMinuteColumn = 4;

void AddRow(const RowLayout& row, std::vector<ControlEntry>& out) {
  out.push_back({row.check, K::kCheckBox, row.caption, 10, row.checkY, row.checkWidth, 10, true});
  for (int column = 0; column < 6; ++column) {
    const FieldColumn& field = kColumns[column];
    int width = column == 3 ? row.hourWidth : field.width;
    // "更新： 年": the row's caption and the field's unit, as a person reads them.
    std::u16string name = std::u16string(row.caption) + u" " + field.unit;
    ControlEntry edit{row.fieldIds[2 * column],
                      K::kDigitEdit,
                      u"",
                      field.x,
                      row.editY,
                      width,
                      kFieldHeight,
                      true};
    edit.widestDigits = column == 0 ? kYearDigits : kFieldDigits;
    edit.accessibleName = name;
    out.push_back(edit);
    // The up-down sits at the right end of its edit, which it shares.
    ControlEntry upDown{row.fieldIds[2 * column + 1],
                        K::kUpDown,
                        u"",
                        field.x + width - kUpDownWidth,
                        row.editY,
                        kUpDownWidth,
                        kFieldHeight};
    upDown.accessibleName = name;
    out.push_back(upDown);
  }
}

void AddUnitLabels(const RowLayout& row, std::vector<ControlEntry>& out) {
  for (int column = 0; column < 6; ++column) {
    int y = column >= kMinuteColumn ? row.minuteSecondLabelY : row.labelY;
    out.push_back({kNone, K::kStatic, kColumns[column].unit, kColumns[column].unitX, y, 8, 8});
  }
}

DialogTemplate BuildMainDialog() {
  DialogTemplate t{ids::kMainDialog, u"Tempinex Ver1.01", 351, 301, {}};
  std::vector<ControlEntry>& c = t.controls;
  c.push_back({ids::kOk, K::kDefaultButton, u"OK", 188, 280, 50, 14});
  c.push_back({ids::kCancel, K::kPushButton, u"ｷｬﾝｾﾙ", 241, 280, 50, 14});
  c.push_back({ids::kBrowse, K::kPushButton, u"参照", 294, 7, 50, 14});
  ControlEntry name{ids::kFileName, K::kEdit, u"", 73, 7, 167, 13, true};
  name.accessibleName = u"ファイル名";
  c.push_back(name);
  for (const RowLayout& row : kRows) {
    AddRow(row, c);
  }
  c.push_back({ids::kAttributeCheck, K::kCheckBox, u"属性", 12, 232, 26, 10, true});
  c.push_back({ids::kReadOnly, K::kCheckBox, u"読み取り専用", 55, 232, 53, 10, true});
  c.push_back({ids::kHidden, K::kCheckBox, u"隠しファイル", 112, 232, 47, 10, true});
  c.push_back({ids::kArchive, K::kCheckBox, u"アーカイブ", 55, 244, 44, 10, true});
  c.push_back({ids::kSystem, K::kCheckBox, u"システム", 112, 244, 40, 10, true});
  c.push_back({ids::kCompressed, K::kCheckBox, u"圧縮", 55, 257, 26, 10, true});
  c.push_back({kNone, K::kStatic, u"ファイル名", 40, 10, 31, 8});
  c.push_back({kNone, K::kStatic, u"．", 241, 13, 8, 8});
  for (const RowLayout& row : kRows) {
    AddUnitLabels(row, c);
  }
  c.push_back({kNone, K::kGroupBox, u"属性", 6, 222, kGroupWidth, 48});
  c.push_back({kNone, K::kGroupBox, u"ファイル日時", 6, 154, kGroupWidth, 64});
  c.push_back({ids::kApply, K::kPushButton, u"適用", 294, 280, 50, 14, true});
  c.push_back({ids::kCurrentTime, K::kFlatButton, u"現在日時", 86, 204, 31, 11, true});
  c.push_back({ids::kRestoreTime, K::kFlatButton, u"元の日時", 51, 204, 31, 11, true});
  c.push_back({ids::kClearTime, K::kFlatButton, u"時間0クリア", 122, 204, 39, 11, true});
  c.push_back({ids::kInfoList, K::kListView, u"", 6, 23, 338, 130});
  ControlEntry extension{ids::kExtension, K::kEdit, u"", 248, 7, 43, 13, true};
  extension.accessibleName = u"拡張子";
  c.push_back(extension);
  // 41 units instead of 39, as in the Windows program, where the caption is cut at 39.
  c.push_back({ids::kSameAsCreation, K::kFlatButton, u"作成日と同じ", 165, 204, 41, 11, true});
  return t;
}

DialogTemplate BuildAboutDialog() {
  DialogTemplate t{ids::kAboutDialog, u"Tempinexのﾊﾞｰｼﾞｮﾝ情報", 235, 46, {}};
  ControlEntry icon{kNone, K::kStaticIcon, u"", 11, 7, 20, 20};
  icon.iconId = ids::kProgramIcon;
  t.controls.push_back(icon);
  t.controls.push_back({kNone, K::kStatic, u"Tempinex64 Ver1.02", 40, 10, 119, 8});
  t.controls.push_back({kNone, K::kStatic, u"作者：Tempinex64 開発チーム", 40, 26, 119, 8});
  t.controls.push_back({ids::kOk, K::kDefaultButton, u"OK", 178, 7, 50, 14});
  return t;
}

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate kTemplate = BuildMainDialog();
  return kTemplate;
}

const DialogTemplate& AboutDialogTemplate() {
  static const DialogTemplate kTemplate = BuildAboutDialog();
  return kTemplate;
}

}  // namespace tempinex::qt
