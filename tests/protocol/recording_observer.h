#pragma once
// A ReadObserver that records every call, in order, and the record it builds.
#include <functional>
#include <string>
#include <vector>

#include "model/debug_trace.h"
#include "protocol/read_observer.h"

class RecordingObserver : public kestrova::ReadObserver {
 public:
  bool cancelled() override { return cancelWhen && cancelWhen(); }
  void stopWatchdog() override { calls.push_back("stopWatchdog"); }
  void restartWatchdog() override { calls.push_back("restartWatchdog"); }
  void clearRecord() override {
    calls.push_back("clearRecord");
    record.clearTexts();
    log.clear();
  }
  void logLine(const std::string& line) override {
    calls.push_back("log");
    log.push_back(line);
  }
  void fieldText(kestrova::RecordField field, const std::string& text) override {
    calls.push_back("field");
    record.setText(field, text);
  }
  void progressStep() override {
    calls.push_back("progress");
    ++progress;
  }
  std::string applyCodePage(int number) override {
    calls.push_back("codePage");
    codePages.push_back(number);
    return codePageText;
  }
  std::string applyCharSet(int number) override {
    calls.push_back("charSet");
    charSets.push_back(number);
    return charSetText;
  }
  std::string applyNewFont(kestrova::FontReply reply) override {
    calls.push_back("newFont");
    fonts.push_back(reply);
    return reply == kestrova::FontReply::On ? "ON" : reply == kestrova::FontReply::Off ? "OFF" : "";
  }
  void applySwitchReplies(const kestrova::SwitchSlots& s, kestrova::ModelNo model) override {
    calls.push_back("applySwitchReplies");
    switchSlots = s;
    appliedModel = model;
    ++applied;
  }

  int count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call;
    return n;
  }

  std::function<bool()> cancelWhen;
  std::string codePageText = "17 - Cyrillic";
  std::string charSetText = "3 - U.K.";

  std::vector<std::string> calls;
  std::vector<std::string> log;
  kestrova::PrinterRecord record;
  int progress = 0;
  std::vector<int> codePages;
  std::vector<int> charSets;
  std::vector<kestrova::FontReply> fonts;
  kestrova::SwitchSlots switchSlots{};
  kestrova::ModelNo appliedModel = 0;
  int applied = 0;
};

inline std::string SlotText(const kestrova::SwitchSlot& slot) { return std::string(slot.data(), slot.size()); }

// Collects trace lines (debug mode on) for the lifetime of the object.
class TraceCapture {
 public:
  TraceCapture() {
    wasOn_ = kestrova::DebugModeOn();
    kestrova::SetDebugMode(true);
    previous_ = kestrova::SetTraceSink([this](const std::string& line) { lines.push_back(line); });
  }
  ~TraceCapture() {
    kestrova::SetTraceSink(previous_);
    kestrova::SetDebugMode(wasOn_);
  }
  int countStartingWith(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
  }
  std::vector<std::string> lines;

 private:
  kestrova::TraceSink previous_;
  bool wasOn_ = false;
};
