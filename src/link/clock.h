#pragma once
// Time as the protocol's pacing sees it. The real clock pauses on a timer of the loop the
// operation runs on; tests inject a clock whose time is virtual, so that sequences with
// 200/250/500/1000 ms pauses run in microseconds.
#include <cstdint>

#include "link/task.h"

namespace kestrova {

class Clock {
 public:
  virtual ~Clock() = default;
  // Resumes the calling operation ms later; no wait for ms <= 0.
  virtual Task<void> pause(int ms) = 0;
  virtual std::int64_t nowMs() const = 0;
};

// The steady system clock; a pause is a timer on the operation's own loop.
class SteadyClock : public Clock {
 public:
  Task<void> pause(int ms) override;
  std::int64_t nowMs() const override;
  static SteadyClock& instance();
};

}  // namespace kestrova
