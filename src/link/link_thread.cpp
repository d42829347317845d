#include "link/link_thread.h"

#include <QMetaObject>
#include <QObject>

#include "link/thread_handoff.h"

namespace kestrova {

LinkThread::LinkThread() : context_(std::make_unique<QObject>()) {
  setObjectName("link");
  context_->moveToThread(this);
}

LinkThread::~LinkThread() {
  if (!stop()) {
    // Every link call has its own bound, so the last job ends; the thread must not be torn
    // down under it.
    wait();
  }
  context_.reset();
}

void LinkThread::begin() { start(); }

bool LinkThread::post(std::function<void()> job) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return false;
  QMetaObject::invokeMethod(context_.get(), HandedOff(std::move(job)), Qt::QueuedConnection);
  return true;
}

bool LinkThread::stop(int timeoutMs) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stopped_) {
      stopped_ = true;
      // Behind every job posted so far.
      QMetaObject::invokeMethod(context_.get(), HandedOff([this] { quit(); }), Qt::QueuedConnection);
    }
  }
  // An ended thread's jobs happened before this return (ordered by QThread's own wait).
  if (!isRunning()) {
    HandOffAcquire();
    return true;
  }
  if (isCurrent()) return false;
  const bool ended = wait(QDeadlineTimer(timeoutMs));
  if (ended) HandOffAcquire();
  return ended;
}

}  // namespace kestrova
