// Printer replies as the read takes them: a whole ReadData (serial component, TCP/IP), ReadDeviceData
// or ReadPrinter against a link whose replies, failed sends and drops all come from the input, on a
// clock that only counts. The read decodes the switch replies, matches the reported model name and
// applies the language values.
//
// Input: byte 0 picks the link (bits 0-1: serial, TCP/IP, device handle, device handle through
// ReadPrinter) and the pacing (bit 2: reply-terminated); byte 1 the model USB discovery set (none or
// one of the catalogue); then per command sent one control byte: 0x00..0xEF a reply of that many
// bytes arrives, 0xFC the send times out, 0xFE the command goes out and the link drops, 0xFF the send
// fails, anything else nothing arrives.
#include <algorithm>
#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "link/fake_clock.h"
#include "model/language_settings.h"
#include "protocol/plain_read_observer.h"
#include "protocol/query_table.h"
#include "protocol/read_sequence.h"

using namespace kestrova;

namespace {

// The link, on the tests' virtual clock: a read with all its pauses runs in microseconds. Replies
// not taken stay buffered for later takes, as on a real link.
struct ScriptedLink : ByteLink {
  ScriptedLink(ReplyStyle s, fuzz::InputReader& in) : linkShape(s), script(in) {}
  ReplyStyle linkShape;
  fuzz::InputReader& script;
  std::vector<Bytes> attempted;  // every command handed to send(), failed ones included
  bool open = true, lastSendOk = true, unplugged = false;
  Bytes buffer;
  std::size_t peeked = 0;
  FakeClock clock;
  LinkError error;

  ReplyStyle replyStyle() const override { return linkShape; }
  bool isOpen() const override { return open; }
  Task<bool> send(Bytes bytes) override {
    attempted.push_back(bytes);
    const std::uint8_t control = open ? script.byte() : 0xFF;
    lastSendOk = control != 0xFF && control != 0xFC;
    if (!lastSendOk) error = {control == 0xFF ? LinkError::Kind::Io : LinkError::Kind::TimedOut, 0, "fuzz", "failed"};
    if (control == 0xFE) { open = false; unplugged = true; }
    if (control < 0xF0) buffer += script.bytes(control);
    co_return lastSendOk;
  }
  Bytes take(std::size_t maxBytes, int timeoutMs) {
    FUZZ_CHECK(timeoutMs >= 0 && timeoutMs <= kReceiveTimeoutMs);
    if (buffer.empty()) clock.advanceTo(clock.nowMs() + timeoutMs);  // waited in vain
    const Bytes out = buffer.substr(0, maxBytes);
    buffer.erase(0, out.size());
    peeked = 0;
    return out;
  }
  Task<Bytes> receive(std::size_t maxBytes, int timeoutMs) override { co_return take(maxBytes, timeoutMs); }
  Task<Bytes> peek(int timeoutMs) override {
    if (peeked >= buffer.size()) clock.advanceTo(clock.nowMs() + timeoutMs);  // nothing new since the last peek
    peeked = buffer.size();
    co_return buffer;
  }
  Bytes takeAvailable() override { return take(buffer.size(), 0); }
  void discard() override { take(buffer.size(), 0); }
  void close() override { open = false; }
  LinkError lastError() const override { return error; }
};

// The window's read state, plus the calls to the watchdog, clearRecord and applySwitchReplies in
// order, one letter each: s stop, r restart, c clear, a apply.
struct RecordingObserver : PlainReadObserver {
  std::string calls;
  void stopWatchdog() override { calls += 's'; }
  void restartWatchdog() override { calls += 'r'; }
  void clearRecord() override { calls += 'c'; PlainReadObserver::clearRecord(); }
  void applySwitchReplies(const SwitchSlots& slots, ModelNo model) override {
    calls += 'a';
    PlainReadObserver::applySwitchReplies(slots, model);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader in{std::string_view(reinterpret_cast<const char*>(data), size)};
  const std::uint8_t mode = in.byte();
  const std::size_t pick = in.byte() % (Catalogue().size() + 1);
  const ModelNo startModel = pick == 0 ? ModelNo{0} : Catalogue()[pick - 1].no;
  const bool device = (mode & 3) >= 2;
  const ReplyStyle shape = device ? ReplyStyle::Block : (mode & 3) == 1 ? ReplyStyle::Bounded : ReplyStyle::Stream;
  static const ReplyTerminatedPacing replyTerminated;
  const PacingPolicy& pacing = (mode & 4) ? static_cast<const PacingPolicy&>(replyTerminated) : FixedPacing::instance();
  ScriptedLink link(shape, in);
  RecordingObserver seen;
  const ReadResult r = RunToEnd((mode & 3) == 3 ? ReadPrinter(link, link.clock, seen, startModel, pacing)
                                : device        ? ReadDeviceData(link, link.clock, seen, startModel, pacing)
                                                : ReadData(link, link.clock, seen, pacing));
  FUZZ_CHECK(link.clock.negativePauses() == 0);

  // Every command is a query of a step, steps never go back, none is sent more often than allowed.
  FUZZ_CHECK(link.attempted.size() <= (device ? 18u : shape == ReplyStyle::Bounded ? 35u : 20u));
  std::vector<int> perStep(kQueryCount + 1, 0);
  int last = 0;
  const auto command = device ? &DeviceQueryCommand : &QueryCommand;
  for (const Bytes& sent : link.attempted) {
    const auto q = std::find_if(Queries().begin(), Queries().end(), [&](const Query& x) { return command(x) == sent; });
    FUZZ_CHECK(q != Queries().end() && q->step >= last);
    last = q->step;
    const int attempts = device ? 1 : q->effect == QueryEffect::ModelName ? kModelNameAttempts
                                    : q->effect == QueryEffect::Switch && shape == ReplyStyle::Bounded ? kBoundedSwitchAttempts : 1;
    FUZZ_CHECK(++perStep[static_cast<std::size_t>(last)] <= attempts);
  }
  // A success sent every step and (but over the device handle) identified a model. The device-handle
  // read always closes the link, and ends early only when the device is gone (dropped, or a send
  // failed for another reason than a time-out), then aborted.
  FUZZ_CHECK(r.ok() == r.reason.empty() && r.outcome != ReadOutcome::Cancelled);
  FUZZ_CHECK(!r.ok() || (*std::min_element(perStep.begin() + 1, perStep.end()) >= 1 && (device || r.activeModelNo != 0)));
  const bool gone = link.unplugged || (!link.lastSendOk && link.lastError().kind != LinkError::Kind::TimedOut);
  if (device) FUZZ_CHECK(!link.isOpen() && (link.attempted.size() == kQueryCount || (gone && !r.ok())));

  // The window sees the watchdog stopped and the record cleared first, the replies applied once and
  // last on success, the watchdog restarted exactly when the read aborted, every text within a reply.
  const std::string& c = seen.calls;
  FUZZ_CHECK(c.rfind("sc", 0) == 0 && std::count(c.begin(), c.end(), 'c') == 1 && (!r.ok() || c.back() == 'a'));
  FUZZ_CHECK(std::count(c.begin(), c.end(), 'a') == r.ok() && std::count(c.begin(), c.end(), 'r') == !r.ok());
  for (const std::string& text : seen.record.texts) FUZZ_CHECK(text.size() <= kReplyKeep);

  // A reported name gives a catalogue model that its link's name list knows: never RT5502, RT5500E
  // (read as RT5500) or MV7120SK over TCP/IP, never RT3206 or RT3207 over serial.
  const ModelNo m = r.activeModelNo;
  FUZZ_CHECK((m == 0 || FindModel(m) != nullptr) && (shape != ReplyStyle::Bounded || (m != 12 && m != 13 && m != 17)));
  if (shape == ReplyStyle::Stream) FUZZ_CHECK(m != 18 && m != 19);

  // A switch reply decodes only with the 0x5F header, to what strtol makes of its value text when
  // that is 0..255; a switch counted clean holds exactly that byte's decimal text.
  for (std::size_t i = 0; i < kSwitchBytes; ++i) {
    const SwitchSlot& slot = r.switchSlots[i];
    FUZZ_CHECK(slot.back() == '\0');
    if (device) FUZZ_CHECK(std::all_of(slot.begin() + kDeviceSwitchCopy, slot.end(), [](char b) { return b == '\0'; }));
    if (!r.ok()) continue;
    const std::optional<std::uint8_t> decoded = seen.replyBytes[i];
    const long value = std::strtol(slot.data() + 1, nullptr, 10);
    FUZZ_CHECK(decoded.has_value() == (slot[0] == '_' && value >= 0 && value <= 255) && (!decoded || *decoded == value));
    if (decoded) FUZZ_CHECK(seen.bankBytes()[i] == decoded);
    if (r.integrity.isClean(static_cast<int>(i) + 2)) FUZZ_CHECK(decoded && slot.data() + 1 == std::to_string(*decoded));
  }

  // The language values leave every position in its list (or none), the code page name with its
  // code page.
  const LanguageState& l = seen.language;
  FUZZ_CHECK(fuzz::InList(l.codePagePosition, CodePageTable()) && l.codePageNamePosition == l.codePagePosition);
  FUZZ_CHECK(fuzz::InList(l.charsetPosition, CharsetEntries()) && fuzz::InList(l.fontPosition, New8x16FontEntries()));
  return 0;
}
