#include "sim/loop_timer.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

namespace kestrova::sim {

struct LoopTimer::State {
  explicit State(boost::asio::io_context& io) : timer(io) {}
  boost::asio::steady_timer timer;
  std::function<void()> due;
  unsigned generation = 0;  // of the wait whose completion counts
  bool active = false;
};

LoopTimer::LoopTimer(boost::asio::io_context& io) : state_(std::make_shared<State>(io)) {}

LoopTimer::~LoopTimer() { stop(); }

void LoopTimer::start(int ms, std::function<void()> due) {
  State& s = *state_;
  s.due = std::move(due);
  s.active = true;
  s.timer.expires_after(std::chrono::milliseconds(ms));
  const unsigned generation = ++s.generation;
  s.timer.async_wait([weak = std::weak_ptr<State>(state_), generation](const boost::system::error_code& ec) {
    const auto state = weak.lock();
    if (ec || !state || !state->active || state->generation != generation) return;
    state->active = false;
    const auto callback = state->due;  // it may start the timer again
    callback();
  });
}

void LoopTimer::stop() {
  state_->active = false;
  ++state_->generation;
  state_->timer.cancel();
}

bool LoopTimer::isActive() const { return state_->active; }

}  // namespace kestrova::sim
