#pragma once

// Bounds every test in time: a test still running after its limit (a stray modal box, an
// endless loop) is reported and the program ends with a failure.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace tempinex::test {

inline constexpr std::chrono::seconds kTestTimeLimit{20};

class Watchdog : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo& info) override;
  void OnTestEnd(const ::testing::TestInfo& info) override;

 private:
  std::mutex mutex;
  std::condition_variable finished;
  bool running = false;
  std::thread timer;
};

}  // namespace tempinex::test
