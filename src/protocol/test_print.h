#pragma once
// The two test prints: the printer's own self test, and the font test that prints every code from
// 0x21 to 0xFF in two fonts and cuts the paper. Nothing is read back.
//
//   path            self test                  font test                  afterwards
//   USB             7 bytes, then 500 ms       each block, then 50 ms     handle left open
//   TCP/IP          7 bytes, then 200 ms       each block, then 50 ms     connection kept
//   serial (device  8 bytes (7 + 00), no pause each block, then 50 ms     discard, close
//   handle)
#include <array>
#include <vector>

#include "link/byte_link.h"
#include "link/clock.h"
#include "protocol/write_sequence.h"

namespace kestrova {

enum class TestPrint { SelfTest, FontTest };
enum class TestPrintPath { Usb, Tcp, SerialDevice };

// 1D 28 41 02 00 00 02: GS ( A, two parameter bytes 00 02.
Bytes SelfTestCommand();

// The seven blocks (15, 97, 130, 15, 97, 130 and 6 bytes).
constexpr int kFontTestBlockCount = 7;
const std::array<Bytes, kFontTestBlockCount>& FontTestBlocks();

constexpr int kUsbSelfTestPauseMs = 500;
constexpr int kTcpSelfTestPauseMs = 200;
constexpr int kFontBlockPauseMs = 50;

// The exact sends of a test print on a path, each with its pause after it.
std::vector<WriteCommand> BuildTestPrint(TestPrint print, TestPrintPath path);

// Sends a test print over a link opened by the caller. True only when every block went out in
// full; stops at the first that did not. Over the serial device handle the link is discarded and
// closed at the end in every case.
bool RunTestPrint(ByteLink& link, Clock& clock, TestPrint print, TestPrintPath path);

}  // namespace kestrova
