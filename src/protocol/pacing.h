#pragma once
// How long a read waits between sending a query and taking its reply.
//
// The window always uses FixedPacing: the full pause, whatever arrives. ReplyTerminatedPacing,
// for the command-line tool's --fast option, stops waiting as soon as the link holds a 0x00 (the
// end of a reply), and never waits longer than the full pause. Only the waits before a take are
// paced this way; the pauses of the write and the test prints are always fixed.
#include "link/byte_link.h"
#include "link/clock.h"

namespace kestrova {

// The pause after every command of the serial and TCP/IP read and of the serial and TCP/IP write.
constexpr int kCommandPauseMs = 200;

class PacingPolicy {
 public:
  virtual ~PacingPolicy() = default;
  // Called right after a query was sent; returns when its reply may be taken, at most pauseMs later.
  virtual Task<void> awaitReply(ByteLink& link, Clock& clock, int pauseMs) const = 0;
};

class FixedPacing : public PacingPolicy {
 public:
  Task<void> awaitReply(ByteLink& link, Clock& clock, int pauseMs) const override;
  static const FixedPacing& instance();
};

class ReplyTerminatedPacing : public PacingPolicy {
 public:
  Task<void> awaitReply(ByteLink& link, Clock& clock, int pauseMs) const override;
};

}  // namespace kestrova
