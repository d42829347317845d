#include "protocol/read_sequence.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "model/c_decimal.h"
#include "model/debug_trace.h"
#include "protocol/query_table.h"

namespace kestrova {

namespace {

// The bytes of a slot or buffer up to its first 0x00, as a C string would show them.
std::string CText(std::string_view raw) { return std::string(raw.substr(0, std::min(raw.find('\0'), raw.size()))); }

std::string_view SlotView(const SwitchSlot& slot) { return std::string_view(slot.data(), slot.size()); }

struct Aborted {
  std::string reason;
};

// What the query series does differently on the two reply styles it serves.
struct SeriesStyle {
  NameList names;           // the names a printer reports over such a link
  const char* port;         // "(ReadData) Port = ..."
  const char* tag;          // prefix of a failed model-name attempt's trace
  const char* notOpen;      // why a read of a closed link stops
  int switchAttempts;       // queries per switch byte until a reply starts with 0x5F
  std::size_t receiveMax;   // one receive (Bounded only): for a query, and for a switch byte
  std::size_t switchReceiveMax;
};

const SeriesStyle& StyleOf(ReplyStyle style) {
  static const SeriesStyle stream{NameList::Serial, "COM", "(COM)", "serial port not open", 1, 0, 0};
  static const SeriesStyle bounded{NameList::Tcp, "TCP/IP", "(TCP)", "TCP/IP client not connected",
                                   kBoundedSwitchAttempts, kBoundedReceiveMax, kBoundedSwitchReceiveMax};
  return style == ReplyStyle::Stream ? stream : bounded;
}

// One read over a Stream or Bounded link.
class QuerySeries {
 public:
  QuerySeries(ByteLink& link, Clock& clock, ReadObserver& observer, const PacingPolicy& pacing)
      : link_(link), clock_(clock), observer_(observer), pacing_(pacing),
        stream_(link.replyStyle() == ReplyStyle::Stream), style_(StyleOf(link.replyStyle())) {}

  // Runs the 18 steps; throws Aborted. Returns false when cancelled.
  Task<bool> run() {
    for (const Query& q : Queries()) {
      if (observer_.cancelled()) co_return false;
      switch (q.effect) {
        case QueryEffect::ModelName:
          if (!co_await modelName(q)) co_return false;
          break;
        case QueryEffect::Switch:
          if (!co_await switchByte(q)) co_return false;
          break;
        case QueryEffect::Field:
        case QueryEffect::CodePage:
        case QueryEffect::CharSet:
        case QueryEffect::NewFont:
          co_await plain(q);
          break;
      }
    }
    // A query that went unanswered may still be answered: bytes arriving now show that the
    // replies were taken one query late.
    if (missed_ && !(co_await link_.peek(kStrayReplyWaitMs)).empty()) integrity_.outOfStep = true;
    co_return true;
  }

  ModelNo model() const { return model_; }
  const SwitchSlots& slots() const { return slots_; }
  const ReadIntegrity& integrity() const { return integrity_; }

 private:
  // Send, pause, take: the reply kept to `keep` bytes; `whole` tells whether it came whole.
  Task<Bytes> ask(const Query& q, std::size_t keep, std::size_t receiveMax, bool& whole) {
    // Bytes waiting before a query are a late reply to an earlier one. Before the first query
    // of the read they belong to no query of it and are only dropped.
    if (!link_.takeAvailable().empty() && asked_) integrity_.outOfStep = true;
    asked_ = true;
    if (!co_await link_.send(QueryCommand(q))) {
      throw Aborted{"query " + std::to_string(q.step) + " not sent: " + DescribeLinkError(link_.lastError())};
    }
    co_await pacing_.awaitReply(link_, clock_, kCommandPauseMs);
    // Not a conditional expression: GCC 12 destroys the result of a co_await inside one twice.
    Bytes reply;
    if (stream_)
      reply = link_.takeAvailable();
    else
      reply = co_await link_.receive(receiveMax, kReceiveTimeoutMs);
    whole = WholeReply(reply) && reply.size() <= keep;
    if (MoreThanOneReply(reply)) integrity_.outOfStep = true;
    if (!whole) missed_ = true;
    if (reply.size() > keep) reply.resize(keep);
    co_return reply;
  }

  // Log line, progress step (where the table has one).
  void logged(const Query& q, std::string_view value) {
    observer_.logLine(FormatLogLine(q.logTemplate, value));
    if (q.progressStep) observer_.progressStep();
  }

  Task<bool> modelName(const Query& q) {
    for (int attempt = 1; attempt <= kModelNameAttempts; ++attempt) {
      if (attempt > 1 && observer_.cancelled()) co_return false;
      bool whole = false;
      const Bytes reply = co_await ask(q, kReplyKeep, style_.receiveMax, whole);
      const std::string value = ValueText(reply);
      if (const auto match = MatchReportedName(style_.names, value)) {
        model_ = *match;
        integrity_.markClean(q.step, whole);
        logged(q, value);
        observer_.fieldText(q.field, value);
        co_return true;
      }
      DebugTrace(std::string(style_.tag) + "read model name failed cc=" + std::to_string(attempt) + ", tmp=" + CText(reply));
    }
    throw Aborted{"model name not recognised after " + std::to_string(kModelNameAttempts) + " attempts"};
  }

  Task<bool> switchByte(const Query& q) {
    SwitchSlot& slot = slots_[static_cast<std::size_t>(q.switchNo - 1)];
    const int attempts = style_.switchAttempts;
    bool whole = false;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
      if (attempt > 1 && observer_.cancelled()) co_return false;
      slot.fill('\0');
      const Bytes reply = co_await ask(q, kSwitchKeep, style_.switchReceiveMax, whole);
      std::copy(reply.begin(), reply.end(), slot.begin());
      if (stream_ && q.switchNo == 1 && reply.empty()) throw Aborted{"no reply to the SW1 query"};
      if (static_cast<unsigned char>(slot[0]) == 0x5F) break;
    }
    const std::string value = ValueText(SlotView(slot));
    integrity_.markClean(q.step, whole && ValueFits(q, value));
    logged(q, value);
    co_return true;
  }

  Task<void> plain(const Query& q) {
    bool whole = false;
    const Bytes reply = co_await ask(q, kReplyKeep, style_.receiveMax, whole);
    const std::string value = ValueText(reply);
    integrity_.markClean(q.step, whole && ValueFits(q, value));
    logged(q, value);
    switch (q.effect) {
      case QueryEffect::CodePage: observer_.fieldText(q.field, observer_.applyCodePage(CDecimalToInt(value))); break;
      case QueryEffect::CharSet: observer_.fieldText(q.field, observer_.applyCharSet(CDecimalToInt(value))); break;
      case QueryEffect::NewFont: observer_.fieldText(q.field, observer_.applyNewFont(FontReplyOf(reply))); break;
      default: observer_.fieldText(q.field, value); break;
    }
  }

  ByteLink& link_;
  Clock& clock_;
  ReadObserver& observer_;
  const PacingPolicy& pacing_;
  const bool stream_;
  const SeriesStyle& style_;
  ModelNo model_ = 0;
  SwitchSlots slots_{};
  ReadIntegrity integrity_;
  bool asked_ = false;   // a query has been sent
  bool missed_ = false;  // some take was not a whole reply
};

ReadResult Stopped(ReadOutcome outcome, std::string reason = {}) {
  ReadResult r;
  r.outcome = outcome;
  r.reason = std::move(reason);
  return r;
}

}  // namespace

FontReply FontReplyOf(std::string_view reply) {
  const char second = reply.size() > 1 ? reply[1] : '\0';
  const char third = reply.size() > 2 ? reply[2] : '\0';
  if (second == 'O' && third == 'N') return FontReply::On;
  if (second == '\0' && third == '\0') return FontReply::Off;
  return FontReply::Unchanged;
}

void ApplySwitchReplies(ReadObserver& observer, const SwitchSlots& slots, ModelNo activeModelNo) {
  std::string trace = "(ReadSW)";
  for (std::size_t n = 0; n < 4; ++n) {
    if (n > 0) trace += ",";
    trace += "SW" + std::to_string(n + 1) + "=" + ValueText(SlotView(slots[n]));
  }
  DebugTrace(trace);
  observer.applySwitchReplies(slots, activeModelNo);
}

Task<ReadResult> ReadData(ByteLink& link, Clock& clock, ReadObserver& observer, const PacingPolicy& pacing) {
  if (link.replyStyle() == ReplyStyle::Block) co_return Stopped(ReadOutcome::Aborted, "not a serial or TCP/IP link");
  if (observer.cancelled()) co_return Stopped(ReadOutcome::Cancelled);
  observer.stopWatchdog();
  observer.clearRecord();
  const SeriesStyle& style = StyleOf(link.replyStyle());
  DebugTrace(std::string("(ReadData) Port = \"") + style.port + "\"");
  QuerySeries series(link, clock, observer, pacing);
  // A coroutine may not wait inside a handler, so the series' end is noted here and told below.
  std::optional<Aborted> aborted;
  bool unexpected = false;
  try {
    if (!link.isOpen()) throw Aborted{style.notOpen};
    if (!co_await series.run() || observer.cancelled()) co_return Stopped(ReadOutcome::Cancelled);
  } catch (const Aborted& a) {
    aborted = a;
  } catch (const std::exception& e) {
    DebugTrace(std::string("(ReadData)") + e.what());
    aborted = Aborted{e.what()};
    unexpected = true;
  }
  if (aborted) {
    if (observer.cancelled()) co_return Stopped(ReadOutcome::Cancelled);
    observer.restartWatchdog();
    ReadResult r = Stopped(ReadOutcome::Aborted, aborted->reason);
    // An exception nobody expected leaves nothing of the read; an abort keeps what came.
    if (unexpected) co_return r;
    r.activeModelNo = series.model();
    r.switchSlots = series.slots();
    r.integrity = series.integrity();
    co_return r;
  }
  ApplySwitchReplies(observer, series.slots(), series.model());
  ReadResult r;
  r.outcome = ReadOutcome::Success;
  r.activeModelNo = series.model();
  r.switchSlots = series.slots();
  r.integrity = series.integrity();
  co_return r;
}

int FullReadProgressSteps(ReplyStyle style) {
  if (style == ReplyStyle::Block) return kQueryCount;
  int steps = 0;
  for (const Query& q : Queries()) steps += q.progressStep ? 1 : 0;
  return steps;
}

Task<ReadResult> ReadPrinter(ByteLink& link, Clock& clock, ReadObserver& observer, ModelNo activeModelNo,
                             const PacingPolicy& pacing) {
  if (link.replyStyle() == ReplyStyle::Block) co_return co_await ReadDeviceData(link, clock, observer, activeModelNo, pacing);
  co_return co_await ReadData(link, clock, observer, pacing);
}

}  // namespace kestrova
