#pragma once

// localtime_r never looks at TZ or the zone file again once the C library has read them;
// tzset does, and mktime calls it every time, at the price of a stat of the zone file. The
// conversions that use localtime_r for speed ask a ZoneWatch instead: it calls tzset at most
// once a second, and at once when TZ changes.

#include <cstdlib>
#include <ctime>
#include <string>

namespace tempinex {

class ZoneWatch {
 public:
  // True when the zone may have changed since the last call (tzset has then been called).
  bool Changed(std::time_t now) {
    const char* zone = std::getenv("TZ");
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
  std::time_t second = -1;
  bool zoneSet = false;
  std::string zone;
};

}  // namespace tempinex
