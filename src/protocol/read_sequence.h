#pragma once
// The read: the 18 queries of query_table.h over one open link, their replies into the observer,
// and the final step that hands the five switch replies to the window.
//
//  - ReadData: Stream and Bounded links. A 200 ms pause after every command and one take per
//    reply; up to 3 model-name attempts; on a Bounded link up to 4 attempts per switch byte.
//  - ReadDeviceData: Block links. Up to three 250 ms-spaced reads per query; only replies that
//    begin with 0x5F count.
//  - ReadPrinter: one of the two, by the link's reply style.
//
// A read that cannot go on is aborted: it restarts the watchdog (which then reports "Read software
// switch FAILED") and returns Aborted with the reason. A read whose observer says cancelled() stops
// at once and returns Cancelled without another call on the observer or the link.
#include <string>
#include <string_view>

#include "link/byte_link.h"
#include "link/clock.h"
#include "model/catalogue.h"
#include "protocol/pacing.h"
#include "protocol/read_integrity.h"
#include "protocol/read_observer.h"

namespace kestrova {

// Reply buffer of a query: 128 bytes, so a reply is kept to 127 bytes.
constexpr std::size_t kReplyKeep = 127;
// A switch slot keeps 7 bytes of a reply, its 8th stays zero.
constexpr std::size_t kSwitchKeep = kSwitchSlotSize - 1;
// One receive from a Bounded link: at most 64 bytes for a query, 8 for a switch.
constexpr std::size_t kBoundedReceiveMax = 64;
constexpr std::size_t kBoundedSwitchReceiveMax = 8;
constexpr int kModelNameAttempts = 3;
constexpr int kBoundedSwitchAttempts = 4;

// Block read: up to 3 reads per query, each after a 250 ms wait, of at most 64 bytes.
constexpr int kDeviceAttempts = 3;
constexpr int kDeviceAttemptWaitMs = 250;
constexpr std::size_t kDeviceReadMax = 64;
// How long one device read may wait for bytes that are not there yet.
constexpr int kDeviceReceiveTimeoutMs = 50;
// A valid device-handle switch reply fills the first five bytes of its slot ("_255" + 0x00).
constexpr std::size_t kDeviceSwitchCopy = 5;
// After a read in which a query went unanswered, how long the link is watched for that reply
// coming late: one query's window on each kind of link.
constexpr int kStrayReplyWaitMs = kCommandPauseMs + kReceiveTimeoutMs;
constexpr int kDeviceStrayReplyWaitMs = kDeviceAttempts * (kDeviceAttemptWaitMs + kDeviceReceiveTimeoutMs);

enum class ReadOutcome { Success, Aborted, Cancelled };

struct ReadResult {
  ReadOutcome outcome = ReadOutcome::Aborted;
  std::string reason;            // why an aborted read stopped; empty on success
  ModelNo activeModelNo = 0;     // the model the read ended with
  SwitchSlots switchSlots{};     // the raw switch replies
  ReadIntegrity integrity;       // which values came cleanly

  bool ok() const { return outcome == ReadOutcome::Success; }
};

// The query series over a Stream or Bounded link (ActiveModelNo starts at 0).
Task<ReadResult> ReadData(ByteLink& link, Clock& clock, ReadObserver& observer,
                          const PacingPolicy& pacing = FixedPacing::instance());

// The query series over a Block link. activeModelNo is the model the read starts with (USB
// discovery may have set it); a recognised name replaces it. Discards and closes the link at its end.
Task<ReadResult> ReadDeviceData(ByteLink& link, Clock& clock, ReadObserver& observer, ModelNo activeModelNo,
                          const PacingPolicy& pacing = FixedPacing::instance());

// The progress steps of a full read: one per query that advances the bar (Stream, Bounded), one
// per valid reply (Block).
int FullReadProgressSteps(ReplyStyle style);

// ReadData or ReadDeviceData, by link.replyStyle().
Task<ReadResult> ReadPrinter(ByteLink& link, Clock& clock, ReadObserver& observer, ModelNo activeModelNo = 0,
                             const PacingPolicy& pacing = FixedPacing::instance());

// Final step of every successful read: the "(ReadSW)..." trace of slots 1 to 4, then the observer
// decodes the five slots and shows the model's definitions.
void ApplySwitchReplies(ReadObserver& observer, const SwitchSlots& slots, ModelNo activeModelNo);

// The font state a new 8x16 font reply asks for: second and third bytes "O" "N" give On; both 0x00
// (or missing) give Off; anything else leaves the selection.
FontReply FontReplyOf(std::string_view reply);

}  // namespace kestrova
