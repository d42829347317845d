#pragma once
// Hands work from the link thread to the window's thread, in order, and waits for each piece to
// be done. Once the window closes, nothing more runs and no caller waits.
#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>

class UiBridge {
 public:
  explicit UiBridge(QObject* windowContext) : context_(windowContext) {}

  // Runs fn on the window's thread (at once when called there) and waits for it. False when the
  // window is closing: fn did not run, or may never run.
  bool run(std::function<void()> fn);

  // Releases every caller waiting in run(); nothing queued runs from now on.
  void setClosing();
  bool closing() const;

 private:
  QObject* context_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;  // a queued call ended, or the window began closing
  bool closing_ = false;
};
