#pragma once
// Time as the protocol's pacing sees it. The real clock sleeps; tests inject a clock that only
// counts, so that sequences with 200/250/500/1000 ms pauses run in microseconds.
#include <cstdint>

namespace kestrova {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void sleepMs(int ms) = 0;
  virtual std::int64_t nowMs() const = 0;
};

// The steady system clock.
class SteadyClock : public Clock {
 public:
  void sleepMs(int ms) override;
  std::int64_t nowMs() const override;
  static SteadyClock& instance();
};

}  // namespace kestrova
