#pragma once

// Numeric identifiers of the dialogs, their controls, commands and resources. Every unit of the
// dialog addresses a control by one of these numbers, on every platform.

namespace tempinex::ids {

// Dialog templates.
inline constexpr int kMainDialog = 102;
inline constexpr int kAboutDialog = 100;

// Icons and strings.
inline constexpr int kProgramIcon = 128;
inline constexpr int kMultiFileIcon = 133;
inline constexpr int kAboutMenuString = 101;

// Commands.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kAboutCommand = 16;  // system command of the About item
// System command of the item beside About that loads the times of another file; a multiple of
// 16, as the platform keeps the low four bits of a system command.
inline constexpr int kLoadTimesCommand = 32;
inline constexpr int kStatic = -1;  // labels and group boxes carry no identifier

// Top area and command buttons.
inline constexpr int kBrowse = 3;
inline constexpr int kApply = 4;
inline constexpr int kFileName = 1002;
inline constexpr int kExtension = 1053;
inline constexpr int kInfoList = 1050;

// Row check boxes.
inline constexpr int kCreateCheck = 1048;
inline constexpr int kLastChangeCheck = 1051;
inline constexpr int kLastReadCheck = 1052;

// Creation row: edit / up-down.
inline constexpr int kCreateYear = 1000;
inline constexpr int kCreateYearSpin = 1006;
inline constexpr int kCreateMonth = 1024;
inline constexpr int kCreateMonthSpin = 1009;
inline constexpr int kCreateDay = 1027;
inline constexpr int kCreateDaySpin = 1012;
inline constexpr int kCreateHour = 1030;
inline constexpr int kCreateHourSpin = 1015;
inline constexpr int kCreateMinute = 1033;
inline constexpr int kCreateMinuteSpin = 1018;
inline constexpr int kCreateSecond = 1036;
inline constexpr int kCreateSecondSpin = 1021;

// Last-write row.
inline constexpr int kLastChangeYear = 1001;
inline constexpr int kLastChangeYearSpin = 1007;
inline constexpr int kLastChangeMonth = 1025;
inline constexpr int kLastChangeMonthSpin = 1010;
inline constexpr int kLastChangeDay = 1028;
inline constexpr int kLastChangeDaySpin = 1013;
inline constexpr int kLastChangeHour = 1031;
inline constexpr int kLastChangeHourSpin = 1016;
inline constexpr int kLastChangeMinute = 1034;
inline constexpr int kLastChangeMinuteSpin = 1019;
inline constexpr int kLastChangeSecond = 1037;
inline constexpr int kLastChangeSecondSpin = 1022;

// Last-access row.
inline constexpr int kLastReadYear = 1005;
inline constexpr int kLastReadYearSpin = 1008;
inline constexpr int kLastReadMonth = 1026;
inline constexpr int kLastReadMonthSpin = 1011;
inline constexpr int kLastReadDay = 1029;
inline constexpr int kLastReadDaySpin = 1014;
inline constexpr int kLastReadHour = 1032;
inline constexpr int kLastReadHourSpin = 1017;
inline constexpr int kLastReadMinute = 1035;
inline constexpr int kLastReadMinuteSpin = 1020;
inline constexpr int kLastReadSecond = 1038;
inline constexpr int kLastReadSecondSpin = 1023;

// Buttons below the rows.
inline constexpr int kRestoreTime = 1046;
inline constexpr int kCurrentTime = 1047;
inline constexpr int kClearTime = 1049;
inline constexpr int kSameAsCreation = 1054;

// Attribute boxes.
inline constexpr int kAttributeCheck = 1039;
inline constexpr int kReadOnly = 1040;
inline constexpr int kHidden = 1043;
inline constexpr int kArchive = 1041;
inline constexpr int kSystem = 1044;
inline constexpr int kCompressed = 1042;

}  // namespace tempinex::ids
