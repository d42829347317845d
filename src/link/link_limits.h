#pragma once
// Bounds of every call in the link layer that can wait. Nothing waits for ever: the read's
// watchdog reports a failure after about 4 s, and each bound here stays well inside that.
#include "link/byte_link.h"

namespace kestrova {

// Sending one command or block (the largest is 130 bytes) until every byte has gone out.
constexpr int kSendTimeoutMs = 1000;
// Longest wait for written bytes to leave a serial port before its queues are discarded.
constexpr int kDrainTimeoutMs = 500;
// A TCP connect, from the first SYN to the connected state.
constexpr int kConnectTimeoutMs = 3000;
// One USB bulk transfer (either direction) when the caller gives no shorter bound.
constexpr int kUsbTransferTimeoutMs = 500;
// What "do not wait" means on USB: libusb treats a time-out of 0 as "wait for ever".
constexpr int kUsbPollTimeoutMs = 5;
// Bytes asked for by one block read over the device handle.
constexpr std::size_t kDeviceReadBytes = 64;

static_assert(kReceiveTimeoutMs < 1000, "a receive must give up well inside a second");
static_assert(kUsbTransferTimeoutMs < 1000, "a USB transfer must give up well inside a second");

}  // namespace kestrova
