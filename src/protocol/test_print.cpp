#include "protocol/test_print.h"

#include <exception>

#include "model/debug_trace.h"

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

std::vector<WriteCommand> BuildTestPrint(TestPrint print, TestPrintPath path) {
  std::vector<WriteCommand> sends;
  if (print == TestPrint::SelfTest) {
    switch (path) {
      case TestPrintPath::Usb: sends.push_back({"Self test", SelfTestCommand(), kUsbSelfTestPauseMs}); break;
      case TestPrintPath::Tcp: sends.push_back({"Self test", SelfTestCommand(), kTcpSelfTestPauseMs}); break;
      case TestPrintPath::SerialDevice: sends.push_back({"Self test", SelfTestCommand() + Bytes(1, '\0'), 0}); break;
    }
    return sends;
  }
  int n = 1;
  for (const Bytes& block : FontTestBlocks())
    sends.push_back({"Font block " + std::to_string(n++), block, kFontBlockPauseMs});
  return sends;
}

bool RunTestPrint(ByteLink& link, Clock& clock, TestPrint print, TestPrintPath path) {
  if (!link.isOpen()) return false;
  bool allSent = true;
  try {
    for (const WriteCommand& send : BuildTestPrint(print, path)) {
      if (!link.send(send.bytes)) {
        allSent = false;
        break;
      }
      if (send.pauseAfterMs > 0) clock.sleepMs(send.pauseAfterMs);
    }
  } catch (const std::exception& e) {
    // Over the serial device handle the test runs as the connect thread's own work, which writes
    // the bare message; the USB and TCP/IP handlers tag it, in debug mode only.
    if (path == TestPrintPath::SerialDevice)
      DebugOutput(e.what());
    else
      DebugTrace(std::string(print == TestPrint::SelfTest ? "(SelfTest)" : "(FontTest)") + e.what());
    allSent = false;
  }
  if (path == TestPrintPath::SerialDevice) {
    link.discard();
    link.close();
  }
  return allSent;
}

}  // namespace kestrova
