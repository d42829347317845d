#include "protocol/pacing.h"

namespace kestrova {

Task<void> FixedPacing::awaitReply(ByteLink&, Clock& clock, int pauseMs) const { co_await clock.pause(pauseMs); }

const FixedPacing& FixedPacing::instance() {
  static const FixedPacing pacing;
  return pacing;
}

Task<void> ReplyTerminatedPacing::awaitReply(ByteLink& link, Clock& clock, int pauseMs) const {
  const auto deadline = clock.nowMs() + pauseMs;
  for (;;) {
    const auto remaining = deadline - clock.nowMs();
    if (remaining <= 0) co_return;
    // peek waits for new bytes only, so a reply still without its 0x00 costs no busy loop.
    if ((co_await link.peek(static_cast<int>(remaining))).find('\0') != Bytes::npos) co_return;
  }
}

}  // namespace kestrova
