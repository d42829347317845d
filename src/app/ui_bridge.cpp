#include "app/ui_bridge.h"

#include <QThread>
#include <memory>

#include "session/vocabulary.h"

bool UiBridge::run(std::function<void()> fn) {
  if (closing()) return false;
  if (QThread::currentThread() == context_->thread()) {
    fn();
    return true;
  }
  // Shared with the queued call, which may outlive this wait when the window closes first.
  auto done = std::make_shared<bool>(false);
  QMetaObject::invokeMethod(
      context_,
      kestrova::HandedOff([this, fn = std::move(fn), done] {
        if (!closing()) fn();
        std::lock_guard<std::mutex> lock(mutex_);
        *done = true;
        changed_.notify_all();
      }),
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(mutex_);
  // A closing window releases the worker even when the queued call is never delivered.
  changed_.wait(lock, [&] { return *done || closing_; });
  return !closing_;
}

void UiBridge::setClosing() {
  std::lock_guard<std::mutex> lock(mutex_);
  closing_ = true;
  changed_.notify_all();
}

bool UiBridge::closing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closing_;
}
