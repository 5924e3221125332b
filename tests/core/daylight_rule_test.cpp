// Skipped and repeated local times against Python's zoneinfo: every change of offset from
// 1990 to 2035 in zones with one-hour, half-hour and southern-hemisphere daylight saving,
// asked in shuffled order between questions that move glibc's own guess about; unique times,
// near the changes and anywhere up to the year 3000, keep the one instant they name.

#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "errors.hpp"
#include "status_time.hpp"
#include "test_support.hpp"

namespace tempinex {
namespace {

struct Case {
  std::string kind;  // skipped, repeated or unique
  int year, month, day, hour, minute, second;
  long long instant;
};

constexpr const char* kZones[] = {"America/New_York", "Europe/Berlin", "Australia/Lord_Howe",
                                  "Australia/Sydney", "America/Santiago"};

// The cases the helper script prints for one zone; none when Python or zoneinfo is missing.
std::vector<Case> ZoneinfoCases(unsigned seed, const std::string& zone) {
  const std::string command = std::string("/usr/bin/python3 ") + TEMPINEX_ZONEINFO_CASES + " " +
                              std::to_string(seed) + " " + zone;
  std::vector<Case> cases;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return cases;
  }
  char line[256];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string name;
    Case c;
    if (fields >> name >> c.kind >> c.year >> c.month >> c.day >> c.hour >> c.minute >> c.second >>
        c.instant) {
      cases.push_back(c);
    }
  }
  if (pclose(pipe) != 0) {
    cases.clear();
  }
  return cases;
}

TEST(DaylightRuleTest, LocalTimesGiveWhatZoneinfoWorksOut) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 shuffle(seed);
  for (const char* name : kZones) {
    SCOPED_TRACE(name);
    std::vector<Case> cases = ZoneinfoCases(seed, name);
    ASSERT_FALSE(cases.empty()) << "no cases: /usr/bin/python3 with zoneinfo and tzdata needed";
    std::shuffle(cases.begin(), cases.end(), shuffle);
    support::ScopedTimeZone zone(name);
    int asked[3] = {};
    int wrong = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const Case& c = cases[i];
      const auto make = [&](int flag) {
        return MakeStatusTime(c.year, c.month, c.day, c.hour, c.minute, c.second, flag);
      };
      if (i % 3 != 0) {
        make(static_cast<int>(i % 3) - 1);  // glibc remembers the offset of its last answer
      }
      const StatusTime made = make(-1);
      ++asked[c.kind == "skipped" ? 0 : c.kind == "repeated" ? 1 : 2];
      if (made != c.instant && ++wrong <= 20) {
        ADD_FAILURE() << c.kind << " " << c.year << "-" << c.month << "-" << c.day << " " << c.hour
                      << ":" << c.minute << ":" << c.second << " gave " << made << ", zoneinfo "
                      << c.instant;
      }
    }
    EXPECT_EQ(wrong, 0);
    // Two changes a year for 46 years, and each skipped or repeated minute of them.
    EXPECT_GE(asked[0], 46 * 30);
    EXPECT_EQ(asked[1], asked[0]);
    EXPECT_GE(asked[2], 400);
  }
}

}  // namespace
}  // namespace tempinex
