#include "link/link_thread.h"

#include <QMetaObject>
#include <QObject>

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
  QMetaObject::invokeMethod(context_.get(), std::move(job), Qt::QueuedConnection);
  return true;
}

bool LinkThread::stop(int timeoutMs) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stopped_) {
      stopped_ = true;
      // Behind every job posted so far.
      QMetaObject::invokeMethod(context_.get(), [this] { quit(); }, Qt::QueuedConnection);
    }
  }
  if (!isRunning()) return true;
  if (isCurrent()) return false;
  return wait(QDeadlineTimer(timeoutMs));
}

}  // namespace kestrova
