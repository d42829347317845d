// A whole read (ReadData over the serial component or TCP/IP, ReadDeviceData over the device
// handle) against a link whose every reply, late byte, failed send and drop comes from the fuzz
// input, on a clock that only counts.
//
// Input: byte 0 picks the link (bits 0-1: serial, TCP/IP, device handle, device handle through
// ReadPrinter) and the pacing (bit 2: reply-terminated); byte 1 the model USB discovery set (none
// or one of the catalogue); the rest is the link's script (see ScriptedLink).
//
// Properties:
//  - nothing crashes, and the read ends;
//  - every command sent (or tried) is the query command of a step, steps never go back, and no step
//    is sent more often than its attempts allow: at most 20 commands over serial, 35 over TCP/IP,
//    18 over the device handle;
//  - the device-handle read tries every step exactly once, unless a send fails for another reason
//    than a time-out (the device is gone): then that was its last command and the read failed; a
//    successful serial or TCP/IP read sent all 18 steps and identified a model;
//  - the observer sees one clearRecord first, at most 18 log lines and progress steps, the switch
//    replies applied exactly once and last on success, the watchdog restarted exactly when the
//    read was aborted;
//  - the model is 0 or a catalogue ModelNo; a switch slot keeps its last byte 0;
//  - the same input read through PlainReadObserver sends the same commands, ends the same way and
//    leaves every language position within its list and every text within a reply's length.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/catalogue.h"
#include "protocol/pacing.h"
#include "protocol/plain_read_observer.h"
#include "protocol/query_table.h"
#include "protocol/read_sequence.h"

using namespace kestrova;

namespace {

class RecordingObserver : public ReadObserver {
 public:
  std::vector<std::string> calls;
  int clears = 0, logs = 0, steps = 0, restarts = 0, applies = 0;

  bool cancelled() override { return false; }
  void stopWatchdog() override { calls.push_back("stop"); }
  void restartWatchdog() override {
    calls.push_back("restart");
    ++restarts;
  }
  void clearRecord() override {
    calls.push_back("clear");
    ++clears;
  }
  void logLine(const std::string& line) override {
    FUZZ_CHECK(line.rfind("Read ", 0) == 0);
    FUZZ_CHECK(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0);
    calls.push_back("log");
    ++logs;
  }
  void fieldText(RecordField field, const std::string&) override {
    FUZZ_CHECK(static_cast<int>(field) >= 0 && static_cast<int>(field) < kRecordFieldCount);
    calls.push_back("field");
  }
  void progressStep() override {
    calls.push_back("progress");
    ++steps;
  }
  std::string applyCodePage(int) override {
    calls.push_back("codepage");
    return {};
  }
  std::string applyCharSet(int) override {
    calls.push_back("charset");
    return {};
  }
  std::string applyNewFont(FontReply reply) override {
    FUZZ_CHECK(reply == FontReply::On || reply == FontReply::Off || reply == FontReply::Unchanged);
    calls.push_back("font");
    return {};
  }
  void applySwitchReplies(const SwitchSlots&, ModelNo model) override {
    FUZZ_CHECK(model == 0 || FindModel(model) != nullptr);
    calls.push_back("apply");
    ++applies;
  }
};

// The step whose command (full or device-handle length) these bytes are; 0 for none.
int StepOf(const Bytes& sent, bool device) {
  for (const Query& q : Queries())
    if (sent == (device ? DeviceQueryCommand(q) : QueryCommand(q))) return q.step;
  return 0;
}

int AttemptsOf(const Query& q, LinkShape shape) {
  if (shape == LinkShape::DeviceHandle) return 1;
  if (q.effect == QueryEffect::ModelName) return kModelNameAttempts;
  if (q.effect == QueryEffect::Switch && shape == LinkShape::Tcp) return kTcpSwitchAttempts;
  return 1;
}

struct Run {
  ReadResult result;
  std::vector<Bytes> sent;
};

Run ReadOnce(std::string_view input, ReadObserver& observer) {
  fuzz::InputReader in(input);
  const std::uint8_t mode = in.byte();
  // USB discovery sets a model of the catalogue, or none.
  const std::size_t pick = in.byte() % (Catalogue().size() + 1);
  const ModelNo startModel = pick == 0 ? ModelNo{0} : Catalogue()[pick - 1].no;
  const LinkShape shape = (mode & 3) == 0 ? LinkShape::SerialComponent
                          : (mode & 3) == 1 ? LinkShape::Tcp
                                            : LinkShape::DeviceHandle;
  static const ReplyTerminatedPacing replyTerminated;
  const PacingPolicy& pacing = (mode & 4) ? static_cast<const PacingPolicy&>(replyTerminated) : FixedPacing::instance();

  fuzz::CountingClock clock;
  fuzz::ScriptedLink link(shape, clock, in);
  Run run;
  if ((mode & 3) == 3)
    run.result = ReadPrinter(link, clock, observer, startModel, pacing);
  else if (shape == LinkShape::DeviceHandle)
    run.result = ReadDeviceData(link, clock, observer, startModel, pacing);
  else
    run.result = ReadData(link, clock, observer, pacing);
  run.sent = link.attempted;

  // Commands: known, in step order, within their attempts.
  const bool device = shape == LinkShape::DeviceHandle;
  const std::size_t bound = device ? 18 : shape == LinkShape::Tcp ? 35 : 20;
  FUZZ_CHECK(link.attempted.size() <= bound);
  std::vector<int> perStep(kQueryCount + 1, 0);
  int last = 0;
  for (const Bytes& b : link.attempted) {
    const int step = StepOf(b, device);
    FUZZ_CHECK(step != 0);
    FUZZ_CHECK(step >= last);
    last = step;
    ++perStep[static_cast<std::size_t>(step)];
  }
  for (const Query& q : Queries()) FUZZ_CHECK(perStep[static_cast<std::size_t>(q.step)] <= AttemptsOf(q, shape));

  const ReadResult& r = run.result;
  FUZZ_CHECK(r.outcome != ReadOutcome::Cancelled);
  FUZZ_CHECK(r.activeModelNo == 0 || FindModel(r.activeModelNo) != nullptr);
  if (device && link.attempted.size() != static_cast<std::size_t>(kQueryCount)) {
    // Only a device that is gone (unplugged, or a failed write that did not just time out) ends
    // the read early.
    FUZZ_CHECK(link.unplugged || !link.lastSendOk);
    FUZZ_CHECK(link.unplugged || link.lastError().kind != LinkError::Kind::TimedOut);
    FUZZ_CHECK(r.outcome == ReadOutcome::Aborted);
  }
  if (r.ok()) {
    FUZZ_CHECK(r.reason.empty());
    for (const Query& q : Queries()) FUZZ_CHECK(perStep[static_cast<std::size_t>(q.step)] >= 1);
    if (!device) FUZZ_CHECK(r.activeModelNo != 0);
  } else {
    FUZZ_CHECK(!r.reason.empty());
  }
  for (const SwitchSlot& slot : r.switchSlots) {
    FUZZ_CHECK(slot[kSwitchSlotSize - 1] == '\0');
    if (device) FUZZ_CHECK(std::all_of(slot.begin() + kDeviceSwitchCopy, slot.end(), [](char c) { return c == '\0'; }));
  }
  if (device) FUZZ_CHECK(!link.isOpen());
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = fuzz::AsView(data, size);

  RecordingObserver rec;
  const Run first = ReadOnce(input, rec);
  FUZZ_CHECK(rec.clears == 1);
  FUZZ_CHECK(rec.calls.size() >= 2 && rec.calls[0] == "stop" && rec.calls[1] == "clear");
  FUZZ_CHECK(rec.logs <= kQueryCount && rec.steps <= kQueryCount);
  FUZZ_CHECK(rec.restarts == (first.result.outcome == ReadOutcome::Aborted ? 1 : 0));
  FUZZ_CHECK(rec.applies == (first.result.ok() ? 1 : 0));
  if (first.result.ok()) FUZZ_CHECK(rec.calls.back() == "apply");

  PlainReadObserver plain;
  const Run second = ReadOnce(input, plain);
  FUZZ_CHECK(second.sent == first.sent);
  FUZZ_CHECK(second.result.outcome == first.result.outcome);
  FUZZ_CHECK(second.result.activeModelNo == first.result.activeModelNo);
  FUZZ_CHECK(second.result.switchSlots == first.result.switchSlots);
  FUZZ_CHECK(plain.log.size() <= static_cast<std::size_t>(kQueryCount));
  FUZZ_CHECK(plain.progressSteps == rec.steps);
  const LanguageState& l = plain.language;
  FUZZ_CHECK(l.codePagePosition >= -1 && l.codePagePosition < static_cast<int>(CodePageTable().size()));
  FUZZ_CHECK(l.codePageNamePosition == l.codePagePosition);
  FUZZ_CHECK(l.charsetPosition >= -1 && l.charsetPosition < static_cast<int>(CharsetEntries().size()));
  FUZZ_CHECK(l.fontPosition >= -1 && l.fontPosition <= 1);
  for (const std::string& text : plain.record.texts) FUZZ_CHECK(text.size() <= kReplyKeep);
  if (first.result.ok()) {
    FUZZ_CHECK(plain.record.activeModelNo == first.result.activeModelNo);
    for (int n = 1; n <= kSwitchBytes; ++n) {
      const SwitchSlot& slot = first.result.switchSlots[static_cast<std::size_t>(n - 1)];
      const auto decoded = DecodeSwitchReply(std::string_view(slot.data(), slot.size()));
      FUZZ_CHECK(plain.replyBytes[static_cast<std::size_t>(n - 1)] == decoded);
      if (decoded) FUZZ_CHECK(plain.bankBytes()[static_cast<std::size_t>(n - 1)] == decoded);
      // A switch counted clean holds exactly the decimal text of the byte it decodes to.
      if (first.result.integrity.isClean(n + 1))
        FUZZ_CHECK(decoded && ValueText(std::string_view(slot.data(), slot.size())) == std::to_string(*decoded));
    }
  }
  // The same input, the same verdict on every value.
  FUZZ_CHECK(second.result.integrity.clean == first.result.integrity.clean);
  FUZZ_CHECK(second.result.integrity.outOfStep == first.result.integrity.outOfStep);
  return 0;
}
