#pragma once
// A thread that runs one event loop (Boost.Asio's io_context) for the whole run of the program.
//
// Links are created, used and destroyed by the jobs of one loop: the window's link thread, or
// each loop of a fleet. Other threads hand work over with post() (fire and forget, in order) or
// call() (a future for the job's result). A job is a plain function or a coroutine; jobs run one
// after another in the order posted: a coroutine job that pauses holds the next job back, while
// the tasks a job starts with spawn() run side by side on the same loop (a fleet's printers).
// Error handlers run on this thread too; a handler that touches the window passes the work on
// to the window's thread.
#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/io_context.hpp>
#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

#include "link/task.h"

namespace kestrova {

class LinkThread {
 public:
  using Job = std::function<void()>;
  using TaskJob = std::function<Task<void>()>;

  LinkThread();
  // Runs the jobs already posted, then stops (see stop()).
  ~LinkThread();

  LinkThread(const LinkThread&) = delete;
  LinkThread& operator=(const LinkThread&) = delete;

  // Starts the thread and its loop. Jobs posted before begin() wait for it. False when the
  // system gave no thread.
  bool begin();
  bool isRunning() const;

  // Queues a job; jobs run one after another in the order posted. False when the thread has
  // been stopped (the job is dropped).
  bool post(Job job);
  bool postTask(TaskJob job);

  // Queues a job and hands back its result. A job that can no longer run (thread stopped)
  // gives a future that reports std::future_error (broken promise). Called on the link thread
  // itself, the job runs at once (waiting for a queued job from here would never end).
  template <typename F>
  auto call(F job) -> std::future<std::invoke_result_t<F>> {
    using R = std::invoke_result_t<F>;
    auto task = std::make_shared<std::packaged_task<R()>>(std::move(job));
    std::future<R> result = task->get_future();
    if (isCurrent()) {
      (*task)();
      return result;
    }
    post([task] { (*task)(); });
    return result;
  }

  // The loop's executor: for tasks that run beside the queued jobs, and for timers and links.
  boost::asio::any_io_executor executor();

  // True when called from the link thread.
  bool isCurrent() const;

  // Lets the jobs already posted run, then ends the loop; refuses new jobs. Waits up to
  // timeoutMs for the thread to end; true when it has ended. Every link wait is bounded, so a
  // thread that has not ended yet will end within the longest link bound.
  bool stop(int timeoutMs = kStopTimeoutMs);

  static constexpr int kStopTimeoutMs = 5000;

  // After stop(): waits, without a bound, for the thread to end (its last job is bounded itself).
  void wait();

 private:
  Task<void> drain();
  void enqueue(TaskJob job);  // on the loop

  boost::asio::io_context loop_{1};
  std::unique_ptr<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work_;
  std::thread thread_;
  // Set by the thread itself before its first job, so that a job already queued sees isCurrent().
  std::atomic<std::thread::id> threadId_{};
  std::promise<void> endedPromise_;
  std::shared_future<void> ended_;
  mutable std::mutex mutex_;
  bool stopped_ = false;
  bool started_ = false;
  // Touched on the loop only.
  std::deque<TaskJob> queue_;
  bool draining_ = false;
};

}  // namespace kestrova
