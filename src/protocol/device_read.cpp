// ReadDeviceData: the 18 queries over the device handle (USB, COM5..COM20).
//
// Per query: one write of the command (3 bytes for the model name and firmware queries), then up to
// three times: wait 250 ms, read at most 64 bytes into the start of a zeroed 256-byte buffer; the
// reply counts only when the buffer begins with 0x5F. A valid reply adds its log line, one progress
// step, and its value: edits show the value followed by one space. No valid reply: the field stays
// empty, no log line. A write that fails because the device is gone ends the read as failed.
#include <algorithm>

#include "model/c_decimal.h"
#include "protocol/query_table.h"
#include "protocol/read_sequence.h"

namespace kestrova {

namespace {

constexpr std::size_t kDeviceReplyBuffer = 256;

FontReply FontReplyOfValue(std::string_view value) {
  if (value.substr(0, 2) == "ON") return FontReply::On;
  if (value.empty()) return FontReply::Off;
  return FontReply::Unchanged;
}

}  // namespace

Task<ReadResult> ReadDeviceData(ByteLink& link, Clock& clock, ReadObserver& observer, ModelNo activeModelNo,
                                const PacingPolicy& pacing) {
  ReadResult result;
  result.activeModelNo = activeModelNo;
  if (observer.cancelled()) {
    result.outcome = ReadOutcome::Cancelled;
    co_return result;
  }
  if (!link.isOpen()) {
    result.reason = "device handle not open";
    co_return result;
  }
  observer.stopWatchdog();
  observer.clearRecord();

  int interQueryDelayMs = 0;
  int validReplies = 0;
  bool missed = false;  // some query had no whole reply
  for (const Query& q : Queries()) {
    for (int d = 0; d < q.deviceDelays; ++d)
      co_await clock.pause(interQueryDelayMs);
    if (observer.cancelled()) {
      result.outcome = ReadOutcome::Cancelled;
      co_return result;
    }

    // A write or read that only timed out shows as a query without reply. A device that is gone
    // (the line hung up, the adapter unplugged) answers no later query either: the read has
    // failed, and must not end as a success made of what came before, whichever query it was.
    auto lost = [&](const LinkError& error) {
      link.discard();
      link.close();
      if (observer.cancelled()) {
        result.outcome = ReadOutcome::Cancelled;
        return result;
      }
      observer.restartWatchdog();
      result.reason = "link lost at query " + std::to_string(q.step) + ": " + DescribeLinkError(error);
      return result;
    };
    auto gone = [&link] {
      const LinkError error = link.lastError();
      return !link.isOpen() || (!error.ok() && error.kind != LinkError::Kind::TimedOut);
    };

    // Bytes waiting before a query are a late reply to an earlier one (before the first query:
    // left over from before this read, and only dropped).
    if (!link.takeAvailable().empty() && q.step > 1) result.integrity.outOfStep = true;

    // Each read lands at the start of the buffer; what it does not cover stays from before.
    Bytes buffer(kDeviceReplyBuffer, '\0');
    if (!co_await link.send(DeviceQueryCommand(q)) && gone()) co_return lost(link.lastError());
    bool valid = false;
    bool whole = false;  // the read that made the reply valid brought all of it
    for (int attempt = 0; attempt < kDeviceAttempts && !valid; ++attempt) {
      if (attempt > 0 && observer.cancelled()) {
        result.outcome = ReadOutcome::Cancelled;
        co_return result;
      }
      co_await pacing.awaitReply(link, clock, kDeviceAttemptWaitMs);
      const Bytes got = co_await link.receive(kDeviceReadMax, kDeviceReceiveTimeoutMs);
      const std::size_t n = std::min(got.size(), kDeviceReadMax);
      buffer.replace(0, n, got, 0, n);
      if (MoreThanOneReply(got)) result.integrity.outOfStep = true;
      valid = static_cast<unsigned char>(buffer[0]) == 0x5F;
      whole = valid && WholeReply(got);
    }

    if (!valid && gone()) co_return lost(link.lastError());

    const std::string value = ValueText(buffer);
    if (!whole) missed = true;
    result.integrity.markClean(q.step, whole && ValueFits(q, value));
    if (valid) {
      ++validReplies;
      observer.logLine(FormatLogLine(q.logTemplate, value));
      observer.progressStep();
      switch (q.effect) {
        case QueryEffect::ModelName:
        case QueryEffect::Field: observer.fieldText(q.field, value + " "); break;
        case QueryEffect::Switch: {
          SwitchSlot& slot = result.switchSlots[static_cast<std::size_t>(q.switchNo - 1)];
          std::copy_n(buffer.begin(), kDeviceSwitchCopy, slot.begin());
          break;
        }
        case QueryEffect::CodePage: observer.fieldText(q.field, observer.applyCodePage(CDecimalToInt(value))); break;
        case QueryEffect::CharSet: observer.fieldText(q.field, observer.applyCharSet(CDecimalToInt(value))); break;
        case QueryEffect::NewFont: observer.fieldText(q.field, observer.applyNewFont(FontReplyOfValue(value))); break;
      }
    }

    if (q.effect == QueryEffect::ModelName) {
      // Matched whether or not the reply was valid: the buffer holds what the last read left.
      const auto match = MatchReportedName(NameList::Usb, value);
      if (match) result.activeModelNo = *match;
      if (!match) result.integrity.markClean(q.step, false);
      const PrinterModel* model = match ? FindModel(*match) : nullptr;
      interQueryDelayMs = model ? model->queryDelayMs : 0;
      observer.stopWatchdog();
    }
  }

  // A query that went unanswered may still be answered: bytes arriving now show that the
  // replies were taken one query late.
  if (missed && validReplies > 0 && !(co_await link.peek(kDeviceStrayReplyWaitMs)).empty()) result.integrity.outOfStep = true;
  link.discard();
  link.close();

  if (validReplies == 0) {
    // A printer that answered nothing was not read; the watchdog reports it.
    if (observer.cancelled()) {
      result.outcome = ReadOutcome::Cancelled;
      co_return result;
    }
    observer.restartWatchdog();
    result.reason = "no valid reply to any query";
    co_return result;
  }
  if (observer.cancelled()) {
    result.outcome = ReadOutcome::Cancelled;
    co_return result;
  }
  ApplySwitchReplies(observer, result.switchSlots, result.activeModelNo);
  result.outcome = ReadOutcome::Success;
  co_return result;
}

}  // namespace kestrova
