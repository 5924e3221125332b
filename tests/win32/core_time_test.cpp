// Time conversions through the Windows calls and the C library's local time.

#include "platform.hpp"
#include "status_time.hpp"
#include "win32_support.hpp"

namespace tempinex {
namespace {

using namespace win32_test;

TEST(Win32Calendar, FileTimesSplitIntoCalendarFieldsAndBack) {
  platform::CalendarTime fields;
  // 1970-01-01 00:00:00.250 UTC was a Thursday.
  ASSERT_EQ(platform::FileTimeToCalendar(TicksOfUnix(0) + 2'500'000, fields), 0);
  EXPECT_EQ(fields.year, 1970);
  EXPECT_EQ(fields.month, 1);
  EXPECT_EQ(fields.day, 1);
  EXPECT_EQ(fields.dayOfWeek, 4);
  EXPECT_EQ(fields.hour, 0);
  EXPECT_EQ(fields.milliseconds, 250);

  platform::CalendarTime leapDay{2012, 2, 0, 29, 23, 59, 58, 0};
  platform::FileTime time = 0;
  ASSERT_EQ(platform::CalendarToFileTime(leapDay, time), 0);
  EXPECT_EQ(time, TicksOfUnix(1330559998));  // 2012-02-29 23:59:58 UTC
}

TEST(Win32Calendar, ImpossibleFieldsAreRefusedWithAWindowsCode) {
  platform::FileTime time = 0;
  const platform::CalendarTime noLeapDay{2011, 2, 0, 29, 0, 0, 0, 0};
  const platform::NativeError error = platform::CalendarToFileTime(noLeapDay, time);
  if (RunningUnderWine()) {
    std::cout << "[ note ] Wine accepts 2011-02-29; the refusal is not checked\n";
  } else {
    EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
  }
  // The value a field takes when a time cannot be split is refused too.
  const platform::CalendarTime unsplit{0, 0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0};
  EXPECT_NE(platform::CalendarToFileTime(unsplit, time), 0);
  EXPECT_THROW(
      {
        try {
          StatusTimeToFileTime(-5);
        } catch (const FileError& raised) {
          EXPECT_EQ(raised.osError, ERROR_INVALID_PARAMETER);
          EXPECT_TRUE(raised.path.empty());
          throw;
        }
      },
      FileError);
}

TEST(Win32LocalTime, LocalShiftIsUndoneExactly) {
  const platform::FileTime utc = TicksOfUnix(1304208000) + 1234567;
  platform::FileTime local = 0;
  platform::FileTime back = 0;
  ASSERT_EQ(platform::FileTimeToLocalFileTime(utc, local), 0);
  ASSERT_EQ(platform::LocalFileTimeToFileTime(local, back), 0);
  EXPECT_EQ(back, utc);
  // Whole minutes: every zone in use is.
  EXPECT_EQ((static_cast<std::int64_t>(local) - static_cast<std::int64_t>(utc)) % 600'000'000, 0);
}

TEST(Win32LocalTime, CalendarFieldsAreReadInTheLibraryZone) {
  {
    ScopedCrtZone zone("JST-9");
    // 2011-05-01 09:00:00 in Japan is midnight UTC.
    EXPECT_EQ(MakeStatusTime(2011, 5, 1, 9, 0, 0, -1), 1304208000);
    const auto fields = StatusTimeToLocal(1304208000);
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->hour, 9);
    EXPECT_EQ(fields->day, 1);
    // The first second of 1970 in Japan lies before the epoch.
    EXPECT_THROW(MakeStatusTime(1970, 1, 1, 0, 0, 0, -1), ResultCodeError);
  }
  {
    ScopedCrtZone zone("EST5EDT");
    // Mid-January: standard time, five hours behind UTC.
    EXPECT_EQ(MakeStatusTime(2011, 1, 15, 0, 0, 0, -1), 1295067600);
    EXPECT_EQ(StatusTimeToLocal(1295067600)->hour, 0);
  }
}

TEST(Win32LocalTime, FieldRangeAndNormalisation) {
  ScopedCrtZone zone("JST-9");
  for (const auto& bad : std::vector<std::vector<int>>{{1899, 1, 1, 0, 0, 0},
                                                       {2011, 13, 1, 0, 0, 0},
                                                       {2011, 1, 32, 0, 0, 0},
                                                       {2011, 1, 1, 24, 0, 0},
                                                       {2011, 1, 1, 0, -1, 0}}) {
    try {
      MakeStatusTime(bad[0], bad[1], bad[2], bad[3], bad[4], bad[5], -1);
      ADD_FAILURE() << "accepted " << bad[0] << "-" << bad[1] << "-" << bad[2];
    } catch (const ResultCodeError& raised) {
      EXPECT_EQ(raised.code, kResultFail);
    }
  }
  try {
    MakeStatusTime(1960, 6, 1, 0, 0, 0, -1);
    ADD_FAILURE() << "1960 accepted";
  } catch (const ResultCodeError& raised) {
    EXPECT_EQ(raised.code, kResultInvalidArg);
  }
  EXPECT_EQ(MakeStatusTime(2011, 4, 31, 0, 0, 0, -1), MakeStatusTime(2011, 5, 1, 0, 0, 0, -1));
  // The far end of the library's range still splits; beyond it nothing does.
  EXPECT_TRUE(StatusTimeToLocal(32535215999).has_value());
  EXPECT_FALSE(StatusTimeToLocal(kStatusTimeMax + 1).has_value());
  EXPECT_FALSE(StatusTimeToLocal(-1).has_value());
}

TEST(Win32LocalTime, FileTimeRoundTripDropsOnlyTheFraction) {
  ScopedCrtZone zone("JST-9");
  for (const std::int64_t seconds : {86400LL, 1304208000LL, 1700000000LL, 4102444800LL}) {
    const platform::FileTime original = TicksOfUnix(seconds) + 9'999'999;
    const StatusTime shown = FileTimeToStatusTime(original, -1);
    ASSERT_NE(shown, 0);
    EXPECT_EQ(StatusTimeToFileTime(shown), TicksOfUnix(seconds)) << seconds;
  }
  // Before 1900 in local time nothing is shown.
  EXPECT_EQ(FileTimeToStatusTime(TicksOfUnix(-2300000000LL), -1), 0);
}

}  // namespace
}  // namespace tempinex
