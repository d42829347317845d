#pragma once
// An in-memory ByteLink on a clock that only counts. Every send is recorded with its time and
// answered from a script: per command, replies in turn (the last one repeated), each made of parts
// that arrive a given time after the send. Bytes not taken stay for the next take or receive.
#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "link/byte_link.h"
#include "link/fake_clock.h"

struct Part {
  int delayMs;
  kestrova::Bytes bytes;
};

class FakeLink : public kestrova::ByteLink {
 public:
  FakeLink(kestrova::ReplyStyle shape, FakeClock& clock) : shape_(shape), clock_(clock) {}
  // The next reply to a command; no parts: no reply.
  void answer(const kestrova::Bytes& command, std::vector<Part> parts) { script_[command].push_back(std::move(parts)); }
  // Sends first..last (0-based) fail, each delivering all but shortBy bytes (nothing when 0).
  void failSends(int first, int last = 1 << 30, int shortBy = 0) {
    failFirst_ = first;
    failLast_ = last;
    shortBy_ = shortBy;
  }
  std::function<void(int index)> afterSend;  // after every send accepted, with its index
  bool open = true;
  kestrova::Bytes pending;                                      // arrived, not yet taken
  std::vector<std::pair<std::int64_t, kestrova::Bytes>> sent;  // time, bytes (short ones too)
  std::string events;                                           // S send, T take, R receive, P peek, D discard, C close
  std::vector<std::size_t> receiveSizes;

  kestrova::ReplyStyle replyStyle() const override { return shape_; }
  bool isOpen() const override { return open; }
  kestrova::Task<bool> send(kestrova::Bytes bytes) override;
  kestrova::Bytes takeAvailable() override;
  kestrova::Task<kestrova::Bytes> receive(std::size_t maxBytes, int timeoutMs) override;
  kestrova::Task<kestrova::Bytes> peek(int timeoutMs) override;
  void discard() override;
  void close() override;
  kestrova::LinkError lastError() const override { return error_; }

 private:
  void deliver();                      // arrivals due by now into pending
  void waitForArrival(int timeoutMs);  // the clock to the next arrival within the timeout

  kestrova::ReplyStyle shape_;
  FakeClock& clock_;
  std::map<kestrova::Bytes, std::vector<std::vector<Part>>> script_;
  std::multimap<std::int64_t, kestrova::Bytes> arrivals_;
  std::size_t peeked_ = 0;
  int sends_ = 0, failFirst_ = -1, failLast_ = 0, shortBy_ = 0;
  kestrova::LinkError error_;
};

// A reply as printers send it: 0x5F, the text, 0x00.
inline kestrova::Bytes Reply(const std::string& text) { return "_" + text + kestrova::Bytes(1, '\0'); }

// The query of step 1..18 as it goes on the wire; typed here rather than taken from the query table,
// so that a mistyped command there fails. Over the device handle steps 1 and 7 go without their 0x00.
inline kestrova::Bytes QueryBytes(int step, bool device) {
  static const char* const wire[18] = {"\x1D\x49\x43", "\x1Dg4'", "\x1Dg4(", "\x1Dg4)", "\x1Dg4*", "\x1Dg4+",
                                       "\x1D\x49\x41", "\x1Dg4\x10", "\x1Dg4\x15", "\x1Dg4\x09", "\x1Dg4\x16",
                                       "\x1Dg4\x1B", "\x1Dg4\x05", "\x1Dg4$", "\x1D\x49\x45", "\x1Dg4!", "\x1Dg4\"",
                                       "\x1Dg4%"};
  const kestrova::Bytes b = wire[step - 1];
  return b.size() == 4 || (device && step != 15) ? b : b + kestrova::Bytes(1, '\0');
}

// The printer's value texts by step.
inline const std::array<std::string, 18> kPrinterValues = {
    "RT-6100", "0", "1", "128", "255", "30", "V1.02", "1234", "567", "2021-03-04",
    "2", "89012", "SN0001", "Latin", "ROM-A", "17", "15", "ON"};

// Every query but those of `except` answered delayMs after it with its value.
inline void ScriptPrinter(FakeLink& link, int delayMs = 0, const std::vector<int>& except = {}) {
  for (int step = 1; step <= 18; ++step)
    if (std::find(except.begin(), except.end(), step) == except.end())
      link.answer(QueryBytes(step, link.replyStyle() == kestrova::ReplyStyle::Block),
                  {{delayMs, Reply(kPrinterValues[static_cast<std::size_t>(step - 1)])}});
}
