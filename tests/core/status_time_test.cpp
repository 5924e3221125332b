// Calendar rules and time conversions, under several time zones set in the process.

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "errors.hpp"
#include "file_status.hpp"
#include "status_time.hpp"
#include "test_support.hpp"

namespace tempinex {
namespace {

using support::NtTime;
using support::OffsetAt;
using support::ScopedTimeZone;
using support::UtcSeconds;

void ExpectResultCode(const std::function<void()>& call, std::uint32_t code, const char* what) {
  try {
    call();
    ADD_FAILURE() << what << ": no error raised";
  } catch (const ResultCodeError& error) {
    EXPECT_EQ(error.code, code) << what;
  }
}

void ExpectFields(const LocalFields& fields, const std::tm& expected, const char* what) {
  EXPECT_EQ(fields.year, expected.tm_year + 1900) << what;
  EXPECT_EQ(fields.month, expected.tm_mon + 1) << what;
  EXPECT_EQ(fields.day, expected.tm_mday) << what;
  EXPECT_EQ(fields.hour, expected.tm_hour) << what;
  EXPECT_EQ(fields.minute, expected.tm_min) << what;
  EXPECT_EQ(fields.second, expected.tm_sec) << what;
}

std::tm UtcFields(std::time_t seconds) {
  std::tm fields{};
  gmtime_r(&seconds, &fields);
  return fields;
}

// How many instants the local fields that `wallClock` spells (read as UTC) name in the current
// zone: one, none (skipped) or two (repeated).
int InstantsNamed(std::time_t wallClock) {
  std::vector<long> offsets;
  for (std::time_t probe = wallClock - 27 * 3600; probe <= wallClock + 27 * 3600; probe += 3600) {
    const long offset = OffsetAt(probe);
    if (std::find(offsets.begin(), offsets.end(), offset) == offsets.end()) {
      offsets.push_back(offset);
    }
  }
  return static_cast<int>(std::count_if(offsets.begin(), offsets.end(), [&](long offset) {
    return OffsetAt(wallClock - offset) == offset;
  }));
}

TEST(CalendarTest, DaysInMonthFollowsTheGregorianCalendar) {
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2011, 2), 28);
  EXPECT_EQ(DaysInMonth(2012, 2), 29);
  for (const int month : {0, 13, -1, 100}) {
    EXPECT_EQ(DaysInMonth(2011, month), 31) << month;
  }
  // Every month from 1900 to 2400 against the distance between two first days.
  for (int year = 1900; year <= 2400; ++year) {
    for (int month = 1; month <= 12; ++month) {
      const std::time_t first = UtcSeconds(year, month, 1);
      const std::time_t next =
          month == 12 ? UtcSeconds(year + 1, 1, 1) : UtcSeconds(year, month + 1, 1);
      ASSERT_EQ(DaysInMonth(year, month), (next - first) / 86400) << year << "-" << month;
    }
  }
}

TEST(CalendarTest, MakeStatusTimeChecksEachFieldAndNormalisesDays) {
  ScopedTimeZone zone("UTC");
  struct Fields {
    int year, month, day, hour, minute, second;
  };
  const Fields outOfRange[] = {
      {1899, 6, 1, 0, 0, 0},  {2011, 0, 1, 0, 0, 0},  {2011, 13, 1, 0, 0, 0},
      {2011, 6, 0, 0, 0, 0},  {2011, 6, 32, 0, 0, 0}, {2011, 6, 1, 24, 0, 0},
      {2011, 6, 1, -1, 0, 0}, {2011, 6, 1, 0, 60, 0}, {2011, 6, 1, 0, -1, 0},
      {2011, 6, 1, 0, 0, 60}, {2011, 6, 1, 0, 0, -1}, {-5, 6, 1, 0, 0, 0},
  };
  for (const Fields& f : outOfRange) {
    ExpectResultCode(
        [&] { MakeStatusTime(f.year, f.month, f.day, f.hour, f.minute, f.second, -1); },
        kResultFail, "field out of range");
  }
  EXPECT_EQ(MakeStatusTime(2011, 12, 31, 23, 59, 59, -1), UtcSeconds(2011, 12, 31, 23, 59, 59));
  EXPECT_EQ(MakeStatusTime(2011, 4, 31, 0, 0, 0, -1), MakeStatusTime(2011, 5, 1, 0, 0, 0, -1));
  EXPECT_EQ(MakeStatusTime(2011, 2, 30, 0, 0, 0, -1), UtcSeconds(2011, 3, 2));
  EXPECT_EQ(MakeStatusTime(2012, 2, 30, 0, 0, 0, -1), UtcSeconds(2012, 3, 1));

  // Valid fields whose instant lies outside 1970 to 3001-01-01 07:59:59 UTC.
  for (const int year : {1900, 1950, 1960, 1969}) {
    ExpectResultCode([&] { MakeStatusTime(year, 6, 15, 12, 0, 0, -1); }, kResultInvalidArg,
                     "before 1970");
  }
  ExpectResultCode([] { MakeStatusTime(1969, 12, 31, 23, 59, 59, -1); }, kResultInvalidArg,
                   "last second of 1969");
  EXPECT_EQ(MakeStatusTime(1970, 1, 1, 0, 0, 1, -1), 1);
  EXPECT_EQ(MakeStatusTime(3001, 1, 1, 7, 59, 59, -1), kStatusTimeMax);
  ExpectResultCode([] { MakeStatusTime(3001, 1, 1, 8, 0, 0, -1); }, kResultInvalidArg,
                   "past the last second");

  ScopedTimeZone tokyo("Asia/Tokyo");
  ExpectResultCode([] { MakeStatusTime(1970, 1, 1, 0, 0, 0, -1); }, kResultInvalidArg,
                   "1970-01-01 00:00:00 in Tokyo");
  EXPECT_EQ(MakeStatusTime(1970, 1, 1, 9, 0, 1, -1), 1);
  EXPECT_EQ(MakeStatusTime(3001, 1, 1, 16, 59, 59, -1), kStatusTimeMax);
}

TEST(TimeZoneTest, CalendarFieldsFollowEachZoneRulesForTheirDate) {
  struct Case {
    const char* zone;
    long winterOffset;  // hours east of UTC in January 2011
    long summerOffset;  // and in July 2011
  };
  for (const Case& c : {Case{"Asia/Tokyo", 9, 9}, Case{"UTC", 0, 0},
                        Case{"America/New_York", -5, -4}, Case{"Europe/Berlin", 1, 2}}) {
    SCOPED_TRACE(c.zone);
    ScopedTimeZone zone(c.zone);
    const StatusTime winter = UtcSeconds(2011, 1, 15, 12, 34, 56) - c.winterOffset * 3600;
    const StatusTime summer = UtcSeconds(2011, 7, 15, 12, 34, 56) - c.summerOffset * 3600;
    EXPECT_EQ(MakeStatusTime(2011, 1, 15, 12, 34, 56, -1), winter);
    EXPECT_EQ(MakeStatusTime(2011, 7, 15, 12, 34, 56, -1), summer);
    ExpectFields(*StatusTimeToLocal(winter), UtcFields(UtcSeconds(2011, 1, 15, 12, 34, 56)),
                 "winter");
    ExpectFields(*StatusTimeToLocal(summer), UtcFields(UtcSeconds(2011, 7, 15, 12, 34, 56)),
                 "summer");
    EXPECT_FALSE(StatusTimeToLocal(-1));
    EXPECT_FALSE(StatusTimeToLocal(kStatusTimeMax + 1));
    EXPECT_TRUE(StatusTimeToLocal(kStatusTimeMax));
    const LocalFields fill = StatusTimeToLocalOrFill(-1);
    EXPECT_EQ(fill.year, 0);
    EXPECT_EQ(fill.month, 0);
    EXPECT_EQ(fill.day, 0);
    EXPECT_EQ(fill.hour, -1);
    EXPECT_EQ(fill.minute, -1);
    EXPECT_EQ(fill.second, -1);
    EXPECT_THROW(StatusTimeToFileTime(-1), FileError);
  }
}

TEST(TimeZoneTest, FileTimesShiftByTheOffsetInForceNow) {
  for (const char* name : {"Asia/Tokyo", "UTC", "America/New_York", "Europe/Berlin"}) {
    SCOPED_TRACE(name);
    ScopedTimeZone zone(name);
    const long now = OffsetAt();
    // Instants far from any change of offset, so that shifting by now's offset keeps the
    // date's own offset.
    for (const std::time_t instant :
         {UtcSeconds(2011, 1, 15, 3, 4, 5), UtcSeconds(2011, 7, 15, 22, 0, 1),
          UtcSeconds(1995, 12, 1), UtcSeconds(2050, 8, 1, 12)}) {
      const StatusTime shown = FileTimeToStatusTime(NtTime(instant, 9'876'543), -1);
      EXPECT_EQ(shown, instant + now - OffsetAt(instant));
      ExpectFields(*StatusTimeToLocal(shown), UtcFields(instant + now), "shown fields");
      EXPECT_EQ(StatusTimeToFileTime(shown), NtTime(instant));
    }
    EXPECT_EQ(FileTimeToStatusTime(NtTime(UtcSeconds(1601, 1, 2)), -1), 0);
    if (now >= 0) {
      EXPECT_EQ(FileTimeToStatusTime(0, -1), 0);
    } else {
      // West of UTC the very first file time has no local time at all.
      ExpectResultCode([] { FileTimeToStatusTime(0, -1); }, kResultInvalidArg, "zero");
    }
    EXPECT_EQ(FileTimeToStatusTime(NtTime(UtcSeconds(1899, 6, 1)), -1), 0);
    ExpectResultCode([] { FileTimeToStatusTime(NtTime(UtcSeconds(1960, 6, 1)), -1); },
                     kResultInvalidArg, "1960");
    ExpectResultCode([] { FileTimeToStatusTime(~0ull, -1); }, kResultInvalidArg, "largest");
    ExpectResultCode([&] { FileTimeToStatusTime(NtTime(kStatusTimeMax + 86400 - now), -1); },
                     kResultInvalidArg, "past 3001");
  }
}

TEST(TimeZoneTest, ReadAndWriteBackKeepsTheSecondExceptInTheSkippedHour) {
  for (const char* name : {"Asia/Tokyo", "UTC", "America/New_York", "Europe/Berlin",
                           "Australia/Lord_Howe", "Australia/Sydney", "America/Santiago"}) {
    SCOPED_TRACE(name);
    ScopedTimeZone zone(name);
    const long now = OffsetAt();
    struct Change {
      std::time_t near;  // within the hour after the change
      long gap;          // how far the clocks went forward (negative: back)
    };
    std::vector<Change> changes;
    for (std::time_t hour = UtcSeconds(2026, 1, 1); hour < UtcSeconds(2027, 1, 1); hour += 3600) {
      if (OffsetAt(hour) != OffsetAt(hour + 3600)) {
        changes.push_back({hour + 3600, OffsetAt(hour + 3600) - OffsetAt(hour)});
      }
    }
    int skipped = 0;
    // Seven-minute steps around each change of 2026, shifted by now's offset as a file time
    // is read, so that the shown fields run through the skipped and repeated times.
    for (const Change& change : changes) {
      const std::time_t centre = change.near - now + OffsetAt(change.near);
      for (std::time_t instant = centre - 4 * 3600; instant <= centre + 4 * 3600; instant += 420) {
        const std::uint64_t time = NtTime(instant, 5'000'001);
        const std::int64_t back =
            static_cast<std::int64_t>(StatusTimeToFileTime(FileTimeToStatusTime(time, -1)));
        const std::int64_t drift = back - static_cast<std::int64_t>(NtTime(instant));
        if (InstantsNamed(instant + now) == 0) {
          // Read as standard time, before the clocks went forward: back by the gap.
          ++skipped;
          EXPECT_EQ(drift, -change.gap * static_cast<std::int64_t>(support::kTicksPerSecond))
              << instant;
        } else {
          EXPECT_EQ(drift, 0) << instant;
        }
      }
    }
    EXPECT_EQ(skipped > 0, !changes.empty());
  }
}

// Calendar fields that name exactly one instant must give what the C library's mktime gives,
// in zones with odd histories (half-hour daylight saving, a skipped day, changed standard
// offsets), days past the end of their month included.
TEST(TimeZoneTest, LocalFieldsThatNameOneInstantReadAsTheCLibraryReadsThem) {
  const auto expectLikeMktime = [](std::tm fields) {
    fields.tm_isdst = -1;
    std::tm copy = fields;
    const std::time_t expected = std::mktime(&copy);
    std::optional<StatusTime> made;
    try {
      made = MakeStatusTime(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                            fields.tm_hour, fields.tm_min, fields.tm_sec, -1);
    } catch (const ResultCodeError&) {
    }
    const bool refused = expected == -1 || expected < 0 || expected > kStatusTimeMax;
    if (refused ? !made : made == expected) {
      return;
    }
    // Only skipped or repeated fields may differ: glibc's answer for them depends on its
    // earlier calls.
    std::tm asUtc = fields;
    EXPECT_NE(InstantsNamed(timegm(&asUtc)), 1)
        << fields.tm_year + 1900 << "-" << fields.tm_mon + 1 << "-" << fields.tm_mday << " "
        << fields.tm_hour << ":" << fields.tm_min << ":" << fields.tm_sec << " gave "
        << made.value_or(-1) << ", mktime " << expected;
  };
  for (const char* name : {"UTC", "Asia/Tokyo", "America/New_York", "Europe/Berlin",
                           "Australia/Lord_Howe", "Pacific/Apia", "America/Sao_Paulo"}) {
    SCOPED_TRACE(name);
    ScopedTimeZone zone(name);
    // An odd step, so that the samples fall at every hour and minute of the year in turn.
    for (std::time_t when = 0; when < UtcSeconds(2040, 1, 1); when += 5 * 3600 + 37 * 60 + 11) {
      std::tm fields{};
      localtime_r(&when, &fields);
      expectLikeMktime(fields);  // fields that exist
      gmtime_r(&when, &fields);
      expectLikeMktime(fields);  // any fields: some skipped, some repeated, most plain
      if (when % 97 == 0) {
        fields.tm_mday = 31;  // past the end of most months
        expectLikeMktime(fields);
      }
    }
  }
  // The system zone, which the C library checks for changes at every mktime.
  const char* given = std::getenv("TZ");
  const std::optional<std::string> previous =
      given ? std::optional<std::string>(given) : std::nullopt;
  unsetenv("TZ");
  tzset();
  for (std::time_t when = 0; when < UtcSeconds(2040, 1, 1); when += 86400 * 7 + 3607) {
    std::tm fields{};
    gmtime_r(&when, &fields);
    expectLikeMktime(fields);
  }
  if (previous) {
    setenv("TZ", previous->c_str(), 1);
    tzset();
  }
}

TEST(TimeZoneTest, SkippedAndRepeatedHours) {
  struct Case {
    const char* zone;
    int springMonth, springDay, springHour;  // the local hour skipped in spring 2011
    int autumnMonth, autumnDay, autumnHour;  // the local hour repeated in autumn 2011
    long standardOffset;                     // hours east of UTC
  };
  for (const Case& c : {Case{"America/New_York", 3, 13, 2, 11, 6, 1, -5},
                        Case{"Europe/Berlin", 3, 27, 2, 10, 30, 2, 1}}) {
    SCOPED_TRACE(c.zone);
    ScopedTimeZone zone(c.zone);
    // hh:30 in the skipped hour names no instant: read as standard time it lies past the
    // change, so it moves back by the hour of daylight saving, to (hh-1):30 standard time.
    const std::time_t asStandard =
        UtcSeconds(2011, c.springMonth, c.springDay, c.springHour, 30) - c.standardOffset * 3600;
    const StatusTime skipped =
        MakeStatusTime(2011, c.springMonth, c.springDay, c.springHour, 30, 0, -1);
    EXPECT_EQ(skipped, asStandard - 3600);
    const LocalFields moved = *StatusTimeToLocal(skipped);
    EXPECT_EQ(moved.hour, c.springHour - 1);
    EXPECT_EQ(moved.minute, 30);

    // The same through a file time whose fields, shifted by now's offset, fall in that hour:
    // written back, it comes out an hour earlier.
    const std::time_t wallClock = UtcSeconds(2011, c.springMonth, c.springDay, c.springHour, 30);
    const std::uint64_t fileTime = NtTime(wallClock - OffsetAt());
    EXPECT_EQ(FileTimeToStatusTime(fileTime, -1), skipped);
    const std::int64_t drift = static_cast<std::int64_t>(StatusTimeToFileTime(skipped)) -
                               static_cast<std::int64_t>(fileTime);
    EXPECT_EQ(drift, -3600 * static_cast<std::int64_t>(support::kTicksPerSecond));

    // hh:30 in the repeated hour names two instants: daylight first, then standard. Left to
    // decide, the standard-time one, whatever was asked before.
    const std::time_t second =
        UtcSeconds(2011, c.autumnMonth, c.autumnDay, c.autumnHour, 30) - c.standardOffset * 3600;
    const std::time_t first = second - 3600;
    const auto repeated = [&](int flag) {
      return MakeStatusTime(2011, c.autumnMonth, c.autumnDay, c.autumnHour, 30, 0, flag);
    };
    EXPECT_EQ(repeated(-1), second);
    EXPECT_EQ(repeated(1), first);
    EXPECT_EQ(repeated(-1), second);
    EXPECT_EQ(repeated(0), second);
    EXPECT_EQ(repeated(-1), second);
    for (const StatusTime time : {first, second}) {
      const LocalFields fields = *StatusTimeToLocal(time);
      EXPECT_EQ(fields.hour, c.autumnHour);
      EXPECT_EQ(fields.minute, 30);
    }
  }

  // Berlin, 2026: 02:30 on the day the clocks go forward is 01:30 CET; 02:30 on the day they go
  // back is 02:30 CET, asked first or after the summer-time reading of the same fields.
  ScopedTimeZone berlin("Europe/Berlin");
  EXPECT_EQ(MakeStatusTime(2026, 3, 29, 2, 30, 0, -1), 1774744200);
  EXPECT_EQ(MakeStatusTime(2026, 10, 25, 2, 30, 0, -1), 1792891800);
  EXPECT_EQ(MakeStatusTime(2026, 10, 25, 2, 30, 0, 1), 1792888200);
  EXPECT_EQ(MakeStatusTime(2026, 10, 25, 2, 30, 0, -1), 1792891800);
  // Lord Howe Island goes forward and back by half an hour.
  ScopedTimeZone lordHowe("Australia/Lord_Howe");
  EXPECT_EQ(MakeStatusTime(2026, 10, 4, 2, 15, 0, -1), UtcSeconds(2026, 10, 3, 15, 15));
  EXPECT_EQ(MakeStatusTime(2026, 4, 5, 1, 45, 0, -1), UtcSeconds(2026, 4, 4, 15, 15));
}

// A time past 3001 is refused alike whatever its distance: Linux keeps 64-bit seconds, which a
// file time of 100-nanosecond units cannot hold beyond the year 30828.
TEST(TimeZoneTest, FarFutureFileTimesAreRefusedAlike) {
  ScopedTimeZone zone("UTC");
  // tmpfs keeps every second it is given; most disk file systems stop in 2446 or 2486.
  char pattern[] = "/dev/shm/tempinex-far-XXXXXX";
  const char* folder = mkdtemp(pattern);
  if (folder == nullptr) {
    GTEST_SKIP() << "no /dev/shm";
  }
  const std::string path = std::string(folder) + "/far.txt";
  support::WriteFile(path, "x");
  const std::u16string name = support::U(path);
  const auto readModified = [&](long long seconds) {
    support::SetTimes(path, {seconds, 0}, {seconds, 0});
    EXPECT_EQ(support::StatOf(path).st_mtime, seconds) << "the file system cut the time";
    FileStatus status;
    EXPECT_TRUE(ReadFileStatus(name.c_str(), status));
    return status.modified;
  };
  EXPECT_EQ(readModified(static_cast<long long>(kStatusTimeMax)), kStatusTimeMax);
  for (const long long seconds : {static_cast<long long>(kStatusTimeMax) + 1, 900'000'000'000LL,
                                  922'000'000'000LL, 1'000'000'000'000LL, 1'844'674'407'371LL,
                                  2'000'000'000'000LL, 9'000'000'000'000'000'000LL}) {
    ExpectResultCode([&] { readModified(seconds); }, kResultInvalidArg,
                     std::to_string(seconds).c_str());
  }
  unlink(path.c_str());
  rmdir(folder);
}

}  // namespace
}  // namespace tempinex
