#include "link/link_thread.h"

#include <boost/asio/detached.hpp>
#include <boost/asio/post.hpp>
#include <system_error>

namespace kestrova {

LinkThread::LinkThread()
    : work_(std::make_unique<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>>(
          loop_.get_executor())),
      ended_(endedPromise_.get_future().share()) {}

LinkThread::~LinkThread() {
  stop();
  // Every link wait has its own bound, so the last job ends; the loop must not be torn down under it.
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

bool LinkThread::begin() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (started_) return threadId_ != std::thread::id();
  started_ = true;
  try {
    thread_ = std::thread([this] {
      threadId_ = std::this_thread::get_id();
      loop_.run();
      endedPromise_.set_value();
    });
  } catch (const std::system_error&) {
    return false;  // no thread to be had (thread or memory limits)
  }
  return true;
}

bool LinkThread::isRunning() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return threadId_ != std::thread::id() && ended_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

bool LinkThread::isCurrent() const { return std::this_thread::get_id() == threadId_; }

boost::asio::any_io_executor LinkThread::executor() { return loop_.get_executor(); }

bool LinkThread::post(Job job) {
  return postTask([job = std::move(job)]() -> Task<void> {
    job();
    co_return;
  });
}

bool LinkThread::postTask(TaskJob job) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return false;
  boost::asio::post(loop_, [this, job = std::move(job)]() mutable { enqueue(std::move(job)); });
  return true;
}

void LinkThread::enqueue(TaskJob job) {
  queue_.push_back(std::move(job));
  if (draining_) return;
  draining_ = true;
  boost::asio::co_spawn(loop_, drain(), boost::asio::detached);
}

Task<void> LinkThread::drain() {
  while (!queue_.empty()) {
    TaskJob job = std::move(queue_.front());
    queue_.pop_front();
    try {
      co_await job();
    } catch (...) {
      // A job's own failure is its caller's to report (call() hands it over in its future); the
      // jobs behind it still run.
    }
  }
  draining_ = false;
}

void LinkThread::wait() {
  // Only the thread that owns this object joins (here or in the destructor).
  if (!isCurrent() && thread_.joinable()) thread_.join();
}

bool LinkThread::stop(int timeoutMs) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stopped_) {
      stopped_ = true;
      // Behind every job posted so far: the loop ends once they and the tasks they started are done.
      boost::asio::post(loop_, [this] {
        enqueue([this]() -> Task<void> {
          work_.reset();
          co_return;
        });
      });
    }
    if (!started_) return true;
  }
  if (isCurrent()) return false;
  return ended_.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
}

}  // namespace kestrova
