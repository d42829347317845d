#pragma once
// An in-memory ByteLink on a FakeClock. Records every send with its time and answers from a
// script: per command, a reply in one or more parts, each arriving a given time after the send.
// Replies not taken stay buffered for the next take (a late reply), receives take at most what they
// ask for (a partial TCP reply), and sends can be made to fail or to be short from the nth on.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fake_clock.h"
#include "link/byte_link.h"

struct ReplyPart {
  int delayMs;             // after the send of the command
  kestrova::Bytes bytes;
};
using ScriptedReply = std::vector<ReplyPart>;

struct SentRecord {
  std::int64_t timeMs;
  kestrova::Bytes bytes;
};

class FakeLink : public kestrova::ByteLink {
 public:
  FakeLink(kestrova::LinkShape shape, FakeClock& clock, bool open = true) : shape_(shape), clock_(clock), open_(open) {}

  // Script. Replies to a command are used in order; the last one is repeated for later sends.
  void answer(const kestrova::Bytes& command, const kestrova::Bytes& reply, int delayMs = 0);
  void answerParts(const kestrova::Bytes& command, ScriptedReply parts);
  // The command gets no reply (the next send of it uses the next scripted reply, if any).
  void silence(const kestrova::Bytes& command);
  // Bytes that are already waiting before anything is sent.
  void preload(const kestrova::Bytes& bytes) { buffer_ += bytes; }
  // Sends from the nth (0-based) on fail; shortBy > 0 makes the failing send deliver all but that
  // many bytes (a short write), 0 deliver nothing.
  void failSendsFrom(int n, int shortBy = 0) {
    failFrom_ = n;
    shortBy_ = shortBy;
  }
  // Sends first..last (0-based) fail in the same way; later ones go through again.
  void failSends(int first, int last, int shortBy = 0) {
    failFrom_ = first;
    failUntil_ = last;
    shortBy_ = shortBy;
  }
  // Only the nth send (0-based) fails, in the same way.
  void failSendAt(int n, int shortBy = 0) {
    failAt_ = n;
    shortBy_ = shortBy;
  }
  // Called after every send accepted, with its index (a test may drop the link there).
  std::function<void(int index)> afterSend;
  void setOpen(bool open) { open_ = open; }

  // What happened.
  std::vector<SentRecord> sent;             // every send accepted (in full or short)
  std::vector<std::string> events;          // "send", "take", "receive", "peek", "discard", "close"
  std::vector<std::size_t> receiveSizes;    // maxBytes of every receive
  int closes = 0;
  int discards = 0;
  std::vector<kestrova::Bytes> sentBytes() const {
    std::vector<kestrova::Bytes> out;
    for (const auto& s : sent) out.push_back(s.bytes);
    return out;
  }
  std::vector<std::int64_t> sentTimes() const {
    std::vector<std::int64_t> out;
    for (const auto& s : sent) out.push_back(s.timeMs);
    return out;
  }

  // ByteLink
  kestrova::LinkShape shape() const override { return shape_; }
  bool isOpen() const override { return open_; }
  bool send(const kestrova::Bytes& bytes) override;
  kestrova::Bytes takeAvailable() override;
  kestrova::Bytes receive(std::size_t maxBytes, int timeoutMs) override;
  kestrova::Bytes peek(int timeoutMs) override;
  void discard() override;
  void close() override;
  kestrova::LinkError lastError() const override { return error_; }

 private:
  struct Arrival {
    std::int64_t at;
    kestrova::Bytes bytes;
  };
  void deliver();                        // moves arrivals due by now into the buffer
  bool waitForArrival(int timeoutMs);    // advances the clock to the next arrival within the timeout

  kestrova::LinkShape shape_;
  FakeClock& clock_;
  bool open_;
  std::map<kestrova::Bytes, std::deque<ScriptedReply>> script_;
  std::vector<Arrival> arrivals_;
  kestrova::Bytes buffer_;
  std::size_t peeked_ = 0;
  int sendCount_ = 0;
  int failFrom_ = -1;
  int failUntil_ = 1 << 30;
  int failAt_ = -1;
  int shortBy_ = 0;
  kestrova::LinkError error_;
};

// Helpers for byte strings.
inline kestrova::Bytes B(std::initializer_list<int> bytes) {
  kestrova::Bytes b;
  for (int c : bytes) b.push_back(static_cast<char>(c));
  return b;
}
// A reply as printers send it: 0x5F, the text, 0x00.
inline kestrova::Bytes Reply(const std::string& text) { return "_" + text + kestrova::Bytes(1, '\0'); }
