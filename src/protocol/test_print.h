#pragma once
// The two test prints: the printer's own self test, and the font test that prints every code from
// 0x21 to 0xFF in two fonts and cuts the paper. Nothing is read back. The font test is the same on
// every link; the self test and what follows both prints are the framing the caller asks for.
#include <array>
#include <vector>

#include "link/byte_link.h"
#include "link/clock.h"
#include "protocol/write_sequence.h"

namespace kestrova {

enum class TestPrint { SelfTest, FontTest };

// How a test print is framed over one link.
struct TestPrintFraming {
  int selfTestPauseMs = 0;      // after the self-test command
  bool selfTestPadded = false;  // a 0x00 follows the self-test command
  // The print ends the link's operation: both directions are discarded and the link is closed,
  // whatever happened. Such a print is the window's worker's own work, which traces an
  // exception's bare message; otherwise it is traced tagged, in debug mode only.
  bool endsOperation = false;
  int fontBlockPauseMs = 0;     // after each block of the font test
};

// 1D 28 41 02 00 00 02: GS ( A, two parameter bytes 00 02.
Bytes SelfTestCommand();

// The seven blocks (15, 97, 130, 15, 97, 130 and 6 bytes).
constexpr int kFontTestBlockCount = 7;
const std::array<Bytes, kFontTestBlockCount>& FontTestBlocks();

// The exact sends of a test print, each with its pause after it.
std::vector<WriteCommand> BuildTestPrint(TestPrint print, const TestPrintFraming& framing);

// Sends a test print over a link opened by the caller. True only when every block went out in
// full; stops at the first that did not. A framing that ends the operation discards and closes
// the link afterwards, also when the link throws (the exception goes on to the caller).
Task<bool> RunTestPrint(ByteLink& link, Clock& clock, TestPrint print, const TestPrintFraming& framing);

}  // namespace kestrova
