#pragma once
// A clock that only counts: sleepMs moves time on at once.
#include <cstdint>
#include <vector>

#include "link/clock.h"

class FakeClock : public kestrova::Clock {
 public:
  void sleepMs(int ms) override {
    sleeps.push_back(ms);
    if (ms > 0) now_ += ms;
  }
  std::int64_t nowMs() const override { return now_; }

  // Time passing inside a link call (a receive that waits).
  void advanceTo(std::int64_t t) {
    if (t > now_) now_ = t;
  }
  void advance(std::int64_t ms) { now_ += ms; }

  std::vector<int> sleeps;

 private:
  std::int64_t now_ = 0;
};
