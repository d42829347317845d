#include "app/ui_bridge.h"

#include <QThread>
#include <chrono>
#include <future>
#include <memory>

#include "link/thread_handoff.h"

bool UiBridge::run(std::function<void()> fn) {
  if (closing_) return false;
  if (QThread::currentThread() == context_->thread()) {
    fn();
    return true;
  }
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  QMetaObject::invokeMethod(
      context_,
      kestrova::HandedOff(
                          [this, fn = std::move(fn), done] {
                            if (!closing_) fn();
                            done->set_value();
                          }),
      Qt::QueuedConnection);
  // Waiting in short slices lets a closing window release the worker even when the queued call
  // is never delivered.
  while (finished.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
    if (closing_) return false;
  }
  return !closing_;
}
