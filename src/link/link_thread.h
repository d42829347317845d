#pragma once
// The thread every link lives on, for the whole run of the program.
//
// Link objects (serial component, TCP client, device handle slot, USB backend) must be created,
// used and destroyed on this thread: the serial port and socket objects inside belong to the
// thread that created them, and their error events are delivered there. Other threads hand work
// over with post() (fire and forget, in order) or call() (a future for the job's result).
// Error handlers run on this thread too; a handler that touches the window passes the work on
// to the window's thread.
#include <QThread>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <type_traits>

class QObject;

namespace kestrova {

class LinkThread : public QThread {
 public:
  LinkThread();
  // Runs the jobs already posted, then stops (see stop()).
  ~LinkThread() override;

  LinkThread(const LinkThread&) = delete;
  LinkThread& operator=(const LinkThread&) = delete;

  // Starts the thread's event loop. Jobs posted before start() wait for it.
  void begin();

  // Queues a job; jobs run one after another in the order posted. False when the thread has
  // been stopped (the job is dropped).
  bool post(std::function<void()> job);

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

  // True when called from the link thread.
  bool isCurrent() const { return QThread::currentThread() == this; }

  // Lets the jobs already posted run, then ends the event loop; refuses new jobs. Waits up to
  // timeoutMs for the thread to end; true when it has ended. Every link call is bounded, so a
  // thread that has not ended yet will end within the longest link bound.
  bool stop(int timeoutMs = kStopTimeoutMs);

  static constexpr int kStopTimeoutMs = 5000;

 private:
  std::mutex mutex_;
  bool stopped_ = false;
  std::unique_ptr<QObject> context_;  // lives on this thread; queued jobs are delivered to it
};

}  // namespace kestrova
