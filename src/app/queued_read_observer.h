#pragma once
// A read's observer on the link thread: every call is carried over to the window's thread, carried
// out there by the window's own observer, and waited for. Calls of a read that was given up
// (reported as failed, replaced by a newer read, or the window closing) change nothing.
#include <functional>
#include <string>

#include "app/ui_bridge.h"
#include "session/vocabulary.h"

class QueuedReadObserver : public kestrova::ReadObserver {
 public:
  // current: whether the read is still the window's current one (safe to call on any thread).
  QueuedReadObserver(UiBridge& bridge, kestrova::ReadObserver& window, std::function<bool()> current)
      : bridge_(bridge), window_(window), current_(std::move(current)) {}

  bool cancelled() override { return bridge_.closing() || !current_(); }
  void stopWatchdog() override { onWindow([this] { window_.stopWatchdog(); }); }
  void restartWatchdog() override { onWindow([this] { window_.restartWatchdog(); }); }
  void clearRecord() override { onWindow([this] { window_.clearRecord(); }); }
  void logLine(const std::string& line) override { onWindow([&] { window_.logLine(line); }); }
  void fieldText(kestrova::RecordField field, const std::string& text) override {
    onWindow([&] { window_.fieldText(field, text); });
  }
  void progressStep() override { onWindow([this] { window_.progressStep(); }); }
  std::string applyCodePage(int number) override {
    return answer([&] { return window_.applyCodePage(number); });
  }
  std::string applyCharSet(int number) override {
    return answer([&] { return window_.applyCharSet(number); });
  }
  std::string applyNewFont(kestrova::FontReply reply) override {
    return answer([&] { return window_.applyNewFont(reply); });
  }
  void applySwitchReplies(const kestrova::SwitchSlots& replies, kestrova::ModelNo activeModelNo) override {
    onWindow([&] { window_.applySwitchReplies(replies, activeModelNo); });
  }

 private:
  void onWindow(const std::function<void()>& fn) {
    bridge_.run([&] {
      if (current_()) fn();
    });
  }
  std::string answer(const std::function<std::string()>& fn) {
    std::string shown;
    onWindow([&] { shown = fn(); });
    return shown;
  }

  UiBridge& bridge_;
  kestrova::ReadObserver& window_;
  std::function<bool()> current_;
};
