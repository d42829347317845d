#pragma once
// The clock of every test. By default time is virtual: it moves only when the code under test
// pauses (or a fake link moves it to a reply's arrival), so pacings of 200 to 1000 ms run in
// microseconds. Against a real simulator a test lets real time through: each pause then sleeps at
// most realSleepCapMs, enough for the simulator's reply on loopback or a pty to be in before it is
// taken, and still counts whole; pauseInFull() lets every pause last as long as asked.
#include <algorithm>
#include <atomic>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <chrono>
#include <cstdint>

#include "link/clock.h"

class FakeClock : public kestrova::Clock {
 public:
  explicit FakeClock(int realSleepCapMs = 0) : realSleepCapMs_(realSleepCapMs) {}

  kestrova::Task<void> pause(int ms) override {
    if (ms < 0) ++negativePauses_;
    if (ms <= 0) co_return;
    const int slept = realSleepCapMs_ == 0 ? 0 : full_ ? ms : std::min(ms, realSleepCapMs_);
    if (slept > 0) {
      boost::asio::steady_timer timer(co_await boost::asio::this_coro::executor, std::chrono::milliseconds(slept));
      co_await timer.async_wait(boost::asio::use_awaitable);
    }
    skippedMs_ += ms - slept;
  }
  std::int64_t nowMs() const override {
    return (realSleepCapMs_ == 0 ? 0 : kestrova::SteadyClock::instance().nowMs()) + skippedMs_;
  }

  // Virtual time only: moves the clock on to `ms` (never back).
  void advanceTo(std::int64_t ms) { skippedMs_ = std::max<std::int64_t>(skippedMs_, ms); }
  void pauseInFull() { full_ = true; }
  // Pauses asked for with a negative length: none is ever meant.
  int negativePauses() const { return negativePauses_; }

 private:
  const int realSleepCapMs_;
  std::atomic<bool> full_{false};
  std::atomic<std::int64_t> skippedMs_{0};  // paused for but not slept
  std::atomic<int> negativePauses_{0};
};
