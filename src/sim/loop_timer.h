#pragma once
// A single-shot timer on the simulator's event loop (a steady_timer of its io_context): start()
// runs the callback once after the given time unless stop() or another start() comes first. A
// completion that was already queued when the timer was stopped, restarted or destroyed is
// ignored, so the callback never runs late or on a destroyed owner.
#include <functional>
#include <memory>

namespace boost::asio {
class io_context;
}

namespace kestrova::sim {

class LoopTimer {
 public:
  explicit LoopTimer(boost::asio::io_context& io);
  ~LoopTimer();
  LoopTimer(const LoopTimer&) = delete;
  LoopTimer& operator=(const LoopTimer&) = delete;

  void start(int ms, std::function<void()> due);
  void stop();
  bool isActive() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kestrova::sim
