#pragma once
// Hands work from the link thread to the window's thread, in order, and waits for each piece to
// be done. Once the window closes, nothing more runs and no caller waits.
#include <QObject>
#include <atomic>
#include <functional>

class UiBridge {
 public:
  explicit UiBridge(QObject* windowContext) : context_(windowContext) {}

  // Runs fn on the window's thread (at once when called there) and waits for it. False when the
  // window is closing: fn did not run, or may never run.
  bool run(std::function<void()> fn);

  void setClosing() { closing_ = true; }
  bool closing() const { return closing_; }

 private:
  QObject* context_;
  std::atomic<bool> closing_{false};
};
