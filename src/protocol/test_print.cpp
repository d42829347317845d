#include "protocol/test_print.h"

namespace kestrova {

namespace {

Bytes CodesFromTo(int first, int last) {
  Bytes b;
  for (int c = first; c <= last; ++c) b.push_back(static_cast<char>(c));
  return b + "\r\n";
}

}  // namespace

Bytes SelfTestCommand() { return Bytes("\x1D\x28\x41\x02\x00\x00\x02", 7); }

const std::array<Bytes, kFontTestBlockCount>& FontTestBlocks() {
  static const std::array<Bytes, kFontTestBlockCount> blocks = {
      Bytes("\x1B\x21\x01" "FONT:08X16\r\n"),  // print mode 01
      CodesFromTo(0x21, 0x7F),
      CodesFromTo(0x80, 0xFF),
      Bytes("\x1B\x21\x02" "FONT:12X24\r\n"),  // print mode 02
      CodesFromTo(0x21, 0x7F),
      CodesFromTo(0x80, 0xFF),
      Bytes("\x1B\x40\r\n\x1B\x69"),  // initialise, line end, cut
  };
  return blocks;
}

std::vector<WriteCommand> BuildTestPrint(TestPrint print, const TestPrintFraming& framing) {
  std::vector<WriteCommand> sends;
  if (print == TestPrint::SelfTest) {
    const Bytes command = SelfTestCommand() + (framing.selfTestPadded ? Bytes(1, '\0') : Bytes());
    sends.push_back({"Self test", command, framing.selfTestPauseMs});
    return sends;
  }
  int n = 1;
  for (const Bytes& block : FontTestBlocks())
    sends.push_back({"Font block " + std::to_string(n++), block, framing.fontBlockPauseMs});
  return sends;
}

Task<bool> RunTestPrint(ByteLink& link, Clock& clock, TestPrint print, const TestPrintFraming& framing) {
  if (!link.isOpen()) co_return false;
  // A print that ends the operation discards both directions and closes the link, also when an
  // exception ends it; the exception goes on to the caller, which names it as the cause.
  struct EndOfPrint {
    ByteLink& link;
    bool ends;
    ~EndOfPrint() {
      if (!ends) return;
      link.discard();
      link.close();
    }
  } end{link, framing.endsOperation};
  for (const WriteCommand& send : BuildTestPrint(print, framing)) {
    if (!co_await link.send(send.bytes)) co_return false;
    co_await clock.pause(send.pauseAfterMs);
  }
  co_return true;
}

}  // namespace kestrova
