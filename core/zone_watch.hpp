#pragma once

// localtime_r never looks at TZ or the zone file again once the C library has read them;
// tzset does, and mktime calls it every time, at the price of a stat of the zone file. The
// conversions that use localtime_r for speed ask a ZoneWatch instead: it calls tzset at most
// once a second, and at once when TZ changes.

#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace tempinex {

// The value of TZ, or null. getenv reads the whole environment, and the time conversions ask
// several times per file: while the environment is the array it was, with the same entry where
// TZ was (or nothing added after its end when TZ was missing), TZ is what it was. setenv and
// unsetenv replace or move those entries.
class TzLookup {
 public:
  const char* Get() {
    char** const now = environ;
    const bool same = now == array && now != nullptr &&
                      (at != kMissing ? now[at] == entry : now[count] == nullptr);
    if (!same) {
      Find(now);
    }
    return at != kMissing ? entry + 3 : nullptr;
  }

 private:
  static constexpr std::size_t kMissing = static_cast<std::size_t>(-1);

  void Find(char** now) {
    array = now;
    at = kMissing;
    count = 0;
    for (; now != nullptr && now[count] != nullptr; ++count) {
      if (at == kMissing && std::strncmp(now[count], "TZ=", 3) == 0) {
        at = count;
        entry = now[count];
      }
    }
  }

  char** array = nullptr;
  std::size_t at = kMissing;
  const char* entry = nullptr;
  std::size_t count = 0;
};

class ZoneWatch {
 public:
  // True when the zone may have changed since the last call (tzset has then been called).
  bool Changed(std::time_t now) {
    const char* zone = tz.Get();
    const bool same =
        now == second && zoneSet == (zone != nullptr) && (zone == nullptr || this->zone == zone);
    if (same) {
      return false;
    }
    tzset();
    second = now;
    zoneSet = zone != nullptr;
    this->zone = zone != nullptr ? zone : "";
    return true;
  }

 private:
  TzLookup tz;
  std::time_t second = -1;
  bool zoneSet = false;
  std::string zone;
};

}  // namespace tempinex
