// The connect thread's modes, run as jobs of the link thread: 1 read, 2 switch write, 3 self test,
// 4 font test. The write and the test prints over the serial component, TCP/IP and USB run here
// too, so the window never waits on a link.
#include <exception>

#include "app/exception_report.h"
#include "app/main_window.h"
#include "app/window_links.h"
#include "app/window_read_observer.h"
#include "link/link_selection.h"
#include "model/debug_trace.h"
#include "protocol/read_sequence.h"
#include "protocol/test_print.h"
#include "protocol/write_sequence.h"

using namespace kestrova;

namespace {

std::string CauseOf(const LinkError& error) { return error.ok() ? std::string() : DescribeLinkError(error); }

// Where a job's exception is traced. The connect thread's own work (every read, and the write and
// test prints over the device handle) writes the bare message whatever the debug mode; the test
// prints over USB and TCP/IP trace it tagged, in debug mode only; the write over the serial
// component or TCP/IP is reported by its closing box alone.
void TraceJobException(TForm2::ConnectMode mode, const LinkKind& kind, const std::string& what) {
  using Mode = TForm2::ConnectMode;
  const bool testPrint = mode == Mode::SelfTest || mode == Mode::FontTest;
  if (mode == Mode::Read || (!kind.isTcp() && !kind.usesSerialComponent() && !(kind.isUsb() && testPrint)))
    DebugOutput(what);
  else if (testPrint)
    DebugTrace((mode == Mode::SelfTest ? "(SelfTest)" : "(FontTest)") + what);
}

}  // namespace

void TForm2::ConnectThreadExecute(ConnectMode mode, const JobInput& input) {
  const LinkKind kind = LinkKind::FromSelectionText(input.portText);
  try {
    if (mode == ConnectMode::Read) {
      DebugOutput("(ConnectThread)enter Execute()");
      ExecuteRead(input);
    } else if (kind.isTcp()) {
      mode == ConnectMode::WriteSwitches ? ExecuteTcpWrite(input) : ExecuteTcpTestPrint(mode, input);
    } else if (kind.usesSerialComponent() && mode == ConnectMode::WriteSwitches) {
      ExecuteSerialWrite(input);
    } else if (kind.isUsb() && mode != ConnectMode::WriteSwitches) {
      ExecuteUsbTestPrint(mode, input);
    } else {
      DebugOutput("(ConnectThread)enter Execute()");
      ExecuteDeviceOperation(mode, input);
    }
  } catch (...) {
    // The job ends here; the window learns of it once and stays usable.
    const std::string what = CurrentExceptionText();
    TraceJobException(mode, kind, what);
    if (mode == ConnectMode::Read) {
      FailRead(input, 0, what);
    } else {
      const UserMessage failed = WriteOutcomeMessage({WriteOutcome::SendFailed, what});
      bridge_.run([this, mode, failed] { FinishOperation(mode == ConnectMode::WriteSwitches ? &failed : nullptr); });
    }
  }
}

void TForm2::FailRead(const JobInput& input, int code, const std::string& cause) {
  bridge_.run([this, input, code, cause] {
    if (generation_ == input.generation) ReadFailed(code, cause);
  });
}

void TForm2::ExecuteRead(const JobInput& input) {
  WindowReadObserver observer(*this, input.generation);
  if (observer.cancelled()) return;
  if (linkErrorFlag_) return FailRead(input, 0, "link error");

  const LinkKind kind = LinkKind::FromSelectionText(input.portText);
  ReadResult result;
  if (kind.isTcp()) {
    TcpLink& tcp = links_->tcpClient1;
    tcp.setActive(true);
    if (!tcp.connectToPrinter() || linkErrorFlag_) return FailRead(input, 0, CauseOf(tcp.lastError()));
    if (observer.cancelled()) return;
    result = ReadData(tcp, *clock_, observer);
  } else if (kind.usesSerialComponent()) {
    SerialComponentLink& comm = links_->comm1;
    if (!comm.probeAndOpen() || linkErrorFlag_) return FailRead(input, 0, CauseOf(comm.lastError()));
    if (observer.cancelled()) return;
    result = ReadData(comm, *clock_, observer);
  } else if (kind.isUsb() || kind.isCom()) {
    ModelNo active = 0;
    DeviceHandleSlot& slot = links_->deviceHandle;
    const int opened = OpenDevice(input.portText, *links_->usb, input.selectedModelNo, active, slot);
    if (opened != kOpenOk || !slot.valid()) {
      return FailRead(input, opened == kOpenOk ? 0 : opened, CauseOf(slot.lastOpenError()));
    }
    if (observer.cancelled()) return slot.close();
    result = ReadDeviceData(*slot.link(), *clock_, observer, active);
  } else {
    return FailRead(input, 0, "no link selected");
  }

  if (result.outcome == ReadOutcome::Aborted) {
    // The read restarted the watchdog, which reports the failure on one of its next ticks.
    bridge_.run([this, input, reason = result.reason] {
      if (generation_ == input.generation) lastAbortReason_ = reason;
    });
    return;
  }
  if (result.outcome == ReadOutcome::Success) {
    bridge_.run([this, input, tcp = kind.isTcp(), integrity = result.integrity] {
      if (generation_ == input.generation) ReadSucceeded(tcp, integrity);
    });
  }
  // Successful or cancelled: the serial port and the device handle are closed; TCP stays open.
  if (links_->comm1.isOpen()) links_->comm1.close();
  links_->deviceHandle.close();
}

void TForm2::ExecuteDeviceOperation(ConnectMode mode, const JobInput& input) {
  ModelNo active = 0;
  DeviceHandleSlot& slot = links_->deviceHandle;
  const int opened = OpenDevice(input.portText, *links_->usb, input.selectedModelNo, active, slot);
  if (opened != kOpenOk || !slot.valid()) {
    if (mode == ConnectMode::WriteSwitches) {
      const UserMessage failed =
          WriteOutcomeMessage({WriteOutcome::NotConnected, CauseOf(slot.lastOpenError())});
      bridge_.run([this, failed] { FinishOperation(&failed); });
    } else {
      bridge_.run([this] { FinishOperation(nullptr); });
    }
    return;
  }
  if (mode == ConnectMode::WriteSwitches) {
    const WriteResult result = WriteSwitchSettings(*slot.link(), *clock_, input.values);
    slot.close();
    const UserMessage message = WriteOutcomeMessage(result);
    bridge_.run([this, message, active] {
      if (active != 0) activeModelNo_ = active;
      FinishOperation(&message);
    });
    return;
  }
  RunTestPrint(*slot.link(), *clock_, mode == ConnectMode::SelfTest ? TestPrint::SelfTest : TestPrint::FontTest,
               TestPrintPath::SerialDevice);
  slot.close();
  bridge_.run([this] { FinishOperation(nullptr); });
}

void TForm2::ExecuteSerialWrite(const JobInput& input) {
  SerialComponentLink& comm = links_->comm1;
  WriteResult result{WriteOutcome::NotConnected, {}};
  if (!comm.isOpen()) {
    comm.setCommPort(LinkKind::FromSelectionText(input.portText).comNumber - 1);
    comm.probeAndOpen();
  }
  if (comm.isOpen())
    result = WriteSwitchSettings(comm, *clock_, input.values);
  else
    result.detail = CauseOf(comm.lastError());
  const UserMessage message = WriteOutcomeMessage(result);
  bridge_.run([this, message] { FinishOperation(&message); });
}

void TForm2::ExecuteTcpWrite(const JobInput& input) {
  TcpLink& tcp = links_->tcpClient1;
  WriteResult result{WriteOutcome::NotConnected, {}};
  if (tcp.connectForWrite(input.hostText, input.portField)) {
    result = WriteSwitchSettings(tcp, *clock_, input.values,
                                 [&] { return tcp.connectForWrite(input.hostText, input.portField); });
  } else {
    result.detail = CauseOf(tcp.lastError());
  }
  // The SW1 frame ends by closing the device handle, should one be open.
  links_->deviceHandle.close();
  const UserMessage message = WriteOutcomeMessage(result);
  bridge_.run([this, message] { FinishOperation(&message); });
}

void TForm2::ExecuteUsbTestPrint(ConnectMode mode, const JobInput& input) {
  DeviceHandleSlot& slot = links_->deviceHandle;
  ModelNo active = 0;
  if (!slot.valid()) OpenUsbPrinter(*links_->usb, input.selectedModelNo, active, slot);
  // The handle stays open for the next test.
  if (slot.valid())
    RunTestPrint(*slot.link(), *clock_, mode == ConnectMode::SelfTest ? TestPrint::SelfTest : TestPrint::FontTest,
                 TestPrintPath::Usb);
  // A discovery made here sets the model number, as the one of a read does.
  bridge_.run([this, active] {
    if (active != 0) activeModelNo_ = active;
    FinishOperation(nullptr);
  });
}

void TForm2::ExecuteTcpTestPrint(ConnectMode mode, const JobInput& input) {
  TcpLink& tcp = links_->tcpClient1;
  if (tcp.connectForWrite(input.hostText, input.portField))
    RunTestPrint(tcp, *clock_, mode == ConnectMode::SelfTest ? TestPrint::SelfTest : TestPrint::FontTest,
                 TestPrintPath::Tcp);
  bridge_.run([this] { FinishOperation(nullptr); });
}
