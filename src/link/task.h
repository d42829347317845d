#pragma once
// The printer operations are coroutines on an event loop (Boost.Asio's io_context): a Task<T> is
// one that ends with a T. Every wait inside one is a timer or a descriptor the loop watches, never
// a sleeping thread.
#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>
#include <utility>

namespace kestrova {

template <typename T = void>
using Task = boost::asio::awaitable<T>;

// Runs a task to its end on a loop of its own, in the calling thread: for one-shot callers and
// tests. An exception that ends the task is thrown here.
template <typename T>
T RunToEnd(Task<T> task) {
  boost::asio::io_context loop;
  auto result = boost::asio::co_spawn(loop, std::move(task), boost::asio::use_future);
  loop.run();
  return result.get();
}

}  // namespace kestrova
