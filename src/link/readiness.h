#pragma once
// Waiting, on the loop, until a socket or descriptor can be read or written, bounded by a
// deadline: the one wait of every link whose bytes the loop watches.
#include <boost/asio/as_tuple.hpp>
#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <chrono>

#include "link/task.h"

namespace kestrova {

// True when `waitable` became ready for `what` within timeoutMs (at once when it already is);
// false at the deadline, or when the wait failed (the descriptor closed, an error on it).
template <typename Waitable>
Task<bool> ReadyWithin(Waitable& waitable, typename Waitable::wait_type what, int timeoutMs) {
  using namespace boost::asio::experimental::awaitable_operators;
  constexpr auto token = boost::asio::as_tuple(boost::asio::use_awaitable);
  boost::asio::steady_timer deadline(waitable.get_executor(), std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0));
  const auto first = co_await (waitable.async_wait(what, token) || deadline.async_wait(token));
  if (first.index() != 0) co_return false;
  const auto [error] = std::get<0>(first);
  co_return !error;
}

}  // namespace kestrova
