#include "link/clock.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <chrono>

namespace kestrova {

Task<void> SteadyClock::pause(int ms) {
  if (ms <= 0) co_return;
  boost::asio::steady_timer timer(co_await boost::asio::this_coro::executor, std::chrono::milliseconds(ms));
  co_await timer.async_wait(boost::asio::use_awaitable);
}

std::int64_t SteadyClock::nowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

SteadyClock& SteadyClock::instance() {
  static SteadyClock clock;
  return clock;
}

}  // namespace kestrova
