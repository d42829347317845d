#pragma once
// The read's observer in the window: every call is carried out on the window's thread, in order,
// and the link thread waits for it. Calls of a read that was given up (reported as failed, or
// replaced by a newer read, or the window closing) change nothing.
#include <functional>

#include "model/language_settings.h"
#include "protocol/read_observer.h"

class TForm2;

class WindowReadObserver : public kestrova::ReadObserver {
 public:
  WindowReadObserver(TForm2& form, int generation) : form_(form), generation_(generation) {}

  bool cancelled() override;
  void stopWatchdog() override;
  void restartWatchdog() override;
  void clearRecord() override;
  void logLine(const std::string& line) override;
  void fieldText(kestrova::RecordField field, const std::string& text) override;
  void progressStep() override;
  std::string applyCodePage(int number) override;
  std::string applyCharSet(int number) override;
  std::string applyNewFont(kestrova::FontReply reply) override;
  void applySwitchReplies(const kestrova::SwitchSlots& replies, kestrova::ModelNo activeModelNo) override;

 private:
  // Runs fn on the window's thread when this read is still the current one.
  void onWindow(const std::function<void()>& fn);
  // Applies a language reply to the four lists; returns the text its display field shows.
  std::string applyLanguage(const std::function<std::string(kestrova::LanguageState&)>& apply);

  TForm2& form_;
  int generation_;
};
