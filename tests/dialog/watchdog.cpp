#include "watchdog.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tempinex::test {

void Watchdog::OnTestStart(const ::testing::TestInfo& info) {
  std::string name = std::string(info.test_suite_name()) + "." + info.name();
  std::unique_lock lock(mutex);
  running = true;
  timer = std::thread([this, name] {
    std::unique_lock wait(mutex);
    if (!finished.wait_for(wait, kTestTimeLimit, [this] { return !running; })) {
      std::fprintf(stderr, "%s exceeded its time limit of %lld s (a modal box left open?)\n",
                   name.c_str(), static_cast<long long>(kTestTimeLimit.count()));
      std::fflush(stderr);
      std::_Exit(EXIT_FAILURE);
    }
  });
}

void Watchdog::OnTestEnd(const ::testing::TestInfo&) {
  {
    std::unique_lock lock(mutex);
    running = false;
  }
  finished.notify_all();
  timer.join();
}

}  // namespace tempinex::test
