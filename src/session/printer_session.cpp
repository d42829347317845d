#include "session/printer_session.h"

#include <atomic>
#include <type_traits>

#include "link/com_port_map.h"
#include "link/device_handle.h"
#include "link/serial_component_link.h"
#include "link/serial_device_link.h"
#include "link/tcp_link.h"
#include "link/usb_backend.h"
#include "link/usb_printer_choice.h"
#include "model/debug_trace.h"
#include "model/exception_text.h"
#include "session/host_lookup.h"

namespace kestrova {

namespace {

using Kind = LinkChoice::Kind;

// The connect thread runs every read, and the writes and test prints no button handler of its own
// takes: those over TCP/IP, the serial component's write and the USB test prints.
enum class Op { Read, Write, Print };
bool OnConnectThread(Op op, Kind kind) {
  if (op == Op::Read) return true;
  return !(kind == Kind::Tcp || (kind == Kind::SerialComponent && op == Op::Write) ||
           (kind == Kind::Usb && op == Op::Print));
}

// Where an exception that ends an operation is traced: the connect thread's own work writes the
// bare message whatever the debug mode; the test prints of the button handlers trace it tagged,
// in debug mode only; the other writes are reported by their closing message alone.
void TraceException(Op op, Kind kind, TestPrint print, const std::string& what) {
  if (OnConnectThread(op, kind))
    DebugOutput(what);
  else if (op == Op::Print)
    DebugTrace((print == TestPrint::SelfTest ? "(SelfTest)" : "(FontTest)") + what);
}

std::string CauseOf(const LinkError& error) { return error.ok() ? std::string() : DescribeLinkError(error); }

// The cause of a link error event: what the link knows of it, else its code.
std::string EventCause(const ByteLink& link, int code) {
  return link.lastError().ok() ? "link error " + std::to_string(code) : DescribeLinkError(link.lastError());
}

const char* PrintFailedText(TestPrint print) {
  return print == TestPrint::SelfTest ? kSelfTestFailedText : kFontTestFailedText;
}

// One operation: the connect thread's entry trace where the connect thread runs it, and an
// exception that escapes it turned into the operation's failure with the exception's text.
template <typename Outcome, typename Run>
Outcome Guarded(bool traces, Op op, Kind kind, TestPrint print, const char* failedText, const Run& run) {
  if (traces && OnConnectThread(op, kind)) DebugOutput("(ConnectThread)enter Execute()");
  try {
    return run();
  } catch (...) {
    const std::string what = CurrentExceptionText();
    if (traces) TraceException(op, kind, print, what);
    Outcome failed;
    failed.message = failedText;
    failed.cause = what;
    failed.threw = true;
    if constexpr (std::is_same_v<Outcome, SessionWrite>) failed.write = {WriteOutcome::SendFailed, what};
    return failed;
  }
}

template <typename Outcome>
Outcome NotOpened(const char* message, std::string cause) {
  Outcome outcome;
  outcome.message = message;
  outcome.cause = std::move(cause);
  outcome.notOpened = true;
  return outcome;
}

}  // namespace

// USB and TCP/IP pause after the self test and keep the link; a serial port prints through the
// device handle, which the print ends.
const TestPrintFraming& TestPrintFramingFor(Kind kind) {
  static const TestPrintFraming usb{500, false, false};
  static const TestPrintFraming tcp{200, false, false};
  static const TestPrintFraming serial{0, true, true};
  return kind == Kind::Usb ? usb : kind == Kind::Tcp ? tcp : serial;
}

struct PrinterSession::Links {
  explicit Links(const ComPortMap& p) : ports(p) {}

  const ComPortMap& ports;
  ComPortMap ownPorts;  // COM1 pointed at the device a choice names by path
  std::unique_ptr<TcpLink> tcp;
  std::unique_ptr<SerialComponentLink> serial;
  bool serialOnOwnPorts = false;
  // The backend before the slot: members go in reverse order, so a USB device the slot holds is
  // closed before its backend ends.
  std::unique_ptr<UsbBackend> usb;
  DeviceHandleSlot slot;
  std::atomic<int> errorCode{0};  // the last link error event of the operation under way

  TcpLink& tcpLink() {
    if (!tcp) {
      tcp = std::make_unique<TcpLink>();
      tcp->setErrorHandler([this](int code) {
        DebugTrace("(TcpClient1)errorcode = " + std::to_string(code));
        errorCode = code;
      });
    }
    return *tcp;
  }

  // The serial component on the choice's port, with its line settings.
  SerialComponentLink& serialLink(const LinkChoice& choice) {
    const bool own = !choice.devicePath.empty();
    if (own) ownPorts.setOverride(1, choice.devicePath);
    if (!serial || serialOnOwnPorts != own) {
      if (serial) serial->close();
      serial = std::make_unique<SerialComponentLink>(own ? ownPorts : ports);
      serialOnOwnPorts = own;
      serial->setErrorHandler([this](int code) {
        DebugTrace("(Comm1)errorcode = " + std::to_string(code));
        errorCode = code;
      });
    }
    serial->setCommPort(own ? 0 : choice.comNumber - 1);
    serial->setSettings(choice.serial);
    return *serial;
  }

  UsbBackend& usbBackend(const std::function<std::unique_ptr<UsbBackend>()>& factory) {
    if (!usb) usb = factory ? factory() : CreateLibusbBackend();
    return *usb;
  }

  // Fills the slot with the choice's device: a serial port by path, or a USB printer. False with
  // the cause in the slot's lastOpenError().
  bool openDevice(const LinkChoice& choice, const std::function<std::unique_ptr<UsbBackend>()>& factory,
                  ModelNo& discovered) {
    if (choice.kind == Kind::Usb) {
      UsbBackend& backend = usbBackend(factory);
      const int opened = choice.usbDevice.empty()
                             ? OpenUsbPrinter(backend, choice.selectedModel, discovered, slot)
                             : OpenChosenUsbPrinter(backend, choice.usbDevice, choice.selectedModel, discovered, slot);
      return opened == kOpenOk && slot.valid();
    }
    slot.close();
    LinkError error;
    std::unique_ptr<SerialDeviceLink> link = choice.devicePath.empty() ? OpenComDevice(choice.comNumber, error, ports)
                                                                       : SerialDeviceLink::Open(choice.devicePath, error);
    slot.setOpenError(error);
    if (!link) return false;
    slot.store(std::move(link));
    return true;
  }

  // A connect for a read (the address and port are taken over unless a connection is up) or for a
  // write or test print. False with the cause in `cause`.
  bool connectTcp(const LinkChoice& choice, bool forRead, std::string& cause) {
    // A write or test print goes over a connection that is up whatever its host name resolves to
    // now: no lookup that could fail or be slow.
    if (!forRead && tcp && tcp->isActive() && tcp->isConnected()) return true;
    std::string address;
    if (!ResolveHost(choice.host, address, cause)) return false;
    TcpLink& link = tcpLink();
    bool connected = false;
    if (forRead) {
      link.prepare(address, choice.portField);
      link.setActive(true);
      connected = link.connectToPrinter();
    } else {
      connected = link.connectForWrite(address, choice.portField);
    }
    if (!connected) cause = CauseOf(link.lastError());
    return connected;
  }
};

PrinterSession::PrinterSession() : PrinterSession(Options{}) {}

PrinterSession::PrinterSession(Options options)
    : options_(std::move(options)),
      clock_(options_.clock ? *options_.clock : SteadyClock::instance()),
      links_(std::make_unique<Links>(options_.ports ? *options_.ports : ComPortMap::instance())) {}

PrinterSession::~PrinterSession() { closeAll(); }

SessionRead PrinterSession::read(const LinkChoice& choice, ReadObserver& observer, const PacingPolicy& pacing) {
  return Guarded<SessionRead>(options_.connectThreadTraces, Op::Read, choice.kind, TestPrint::SelfTest, kReadFailedText,
                              [&] { return readOn(choice, observer, pacing); });
}

SessionRead PrinterSession::readOn(const LinkChoice& choice, ReadObserver& observer, const PacingPolicy& pacing) {
  Links& l = *links_;
  l.errorCode = 0;
  SessionRead outcome;
  if (observer.cancelled()) {
    outcome.read.outcome = ReadOutcome::Cancelled;
    return outcome;
  }
  // A link that reported an error while it was opened is not read.
  auto openFailed = [](const char* message, std::string cause, int linkErrorCode = 0) {
    SessionRead failed = NotOpened<SessionRead>(message, std::move(cause));
    failed.linkErrorCode = linkErrorCode;
    return failed;
  };
  switch (choice.kind) {
    case Kind::Tcp: {
      std::string cause;
      if (!l.connectTcp(choice, true, cause)) return openFailed(kReadFailedText, cause);
      if (l.errorCode != 0) return openFailed(kReadFailedText, EventCause(*l.tcp, l.errorCode), l.errorCode);
      if (observer.cancelled()) break;
      outcome.read = ReadPrinter(*l.tcp, clock_, observer, 0, pacing);
      break;
    }
    case Kind::SerialComponent: {
      SerialComponentLink& serial = l.serialLink(choice);
      if (!serial.probeAndOpen()) return openFailed(kReadFailedText, CauseOf(serial.lastError()));
      if (l.errorCode != 0) return openFailed(kReadFailedText, EventCause(serial, l.errorCode), l.errorCode);
      if (!observer.cancelled()) outcome.read = ReadPrinter(serial, clock_, observer, 0, pacing);
      break;
    }
    case Kind::SerialDevice:
    case Kind::Usb: {
      ModelNo discovered = 0;
      if (!l.openDevice(choice, options_.usbBackend, discovered))
        return openFailed(choice.kind == Kind::Usb ? kOpenUsbFailedText : kReadFailedText, CauseOf(l.slot.lastOpenError()));
      outcome.discoveredModel = discovered;
      if (!observer.cancelled()) outcome.read = ReadPrinter(*l.slot.link(), clock_, observer, discovered, pacing);
      break;
    }
    case Kind::None:
      return openFailed(kReadFailedText, "no link selected");
  }
  if (observer.cancelled() && outcome.read.outcome != ReadOutcome::Success) outcome.read.outcome = ReadOutcome::Cancelled;
  // The serial port and the device handle serve one read; the TCP/IP connection stays.
  releasePorts();
  outcome.ok = outcome.read.ok();
  if (!outcome.ok) outcome.message = kReadFailedText, outcome.cause = outcome.read.reason;
  return outcome;
}

SessionWrite PrinterSession::write(const LinkChoice& choice, const WriteValues& values) {
  return Guarded<SessionWrite>(options_.connectThreadTraces, Op::Write, choice.kind, TestPrint::SelfTest, kWriteFailedText,
                               [&] { return writeOn(choice, values); });
}

SessionWrite PrinterSession::writeOn(const LinkChoice& choice, const WriteValues& values) {
  Links& l = *links_;
  l.errorCode = 0;
  auto notOpened = [](std::string cause) {
    SessionWrite failed = NotOpened<SessionWrite>(kWriteFailedText, cause);
    failed.write = {WriteOutcome::NotConnected, std::move(cause)};
    return failed;
  };
  SessionWrite outcome;
  switch (choice.kind) {
    case Kind::Tcp: {
      // The write ends by closing the device handle, should one be open, whatever became of it.
      std::string cause;
      if (!l.connectTcp(choice, false, cause)) {
        l.slot.close();
        return notOpened(cause);
      }
      outcome.write = WriteSwitchSettings(*l.tcp, clock_, values, [&] { return l.connectTcp(choice, false, cause); });
      l.slot.close();
      break;
    }
    case Kind::SerialComponent: {
      SerialComponentLink& serial = l.serialLink(choice);
      if (!serial.probeAndOpen()) return notOpened(CauseOf(serial.lastError()));
      outcome.write = WriteSwitchSettings(serial, clock_, values);
      break;
    }
    case Kind::SerialDevice:
    case Kind::Usb: {
      ModelNo discovered = 0;
      if (!l.openDevice(choice, options_.usbBackend, discovered)) return notOpened(CauseOf(l.slot.lastOpenError()));
      outcome.discoveredModel = discovered;
      outcome.write = WriteSwitchSettings(*l.slot.link(), clock_, values);
      l.slot.close();
      break;
    }
    case Kind::None:
      return notOpened("no link selected");
  }
  outcome.ok = outcome.write.ok();
  if (!outcome.ok) outcome.message = kWriteFailedText, outcome.cause = outcome.write.detail;
  return outcome;
}

SessionOutcome PrinterSession::testPrint(const LinkChoice& choice, TestPrint print) {
  return Guarded<SessionOutcome>(options_.connectThreadTraces, Op::Print, choice.kind, print, PrintFailedText(print),
                                 [&] { return printOn(choice, print); });
}

SessionOutcome PrinterSession::printOn(const LinkChoice& choice, TestPrint print) {
  Links& l = *links_;
  l.errorCode = 0;
  const char* failed = PrintFailedText(print);
  SessionOutcome outcome;
  ByteLink* link = nullptr;
  switch (choice.kind) {
    case Kind::Tcp: {
      std::string cause;
      if (!l.connectTcp(choice, false, cause)) return NotOpened<SessionOutcome>(failed, cause);
      if (l.errorCode != 0) {
        SessionOutcome broken = NotOpened<SessionOutcome>(failed, EventCause(*l.tcp, l.errorCode));
        broken.linkErrorCode = l.errorCode;
        return broken;
      }
      link = l.tcp.get();
      break;
    }
    case Kind::Usb:
      // A handle a test print left open serves the next one.
      if (!l.slot.valid() && !l.openDevice(choice, options_.usbBackend, outcome.discoveredModel))
        return NotOpened<SessionOutcome>(kOpenUsbFailedText, CauseOf(l.slot.lastOpenError()));
      link = l.slot.link();
      break;
    case Kind::SerialComponent:
    case Kind::SerialDevice: {
      ModelNo none = 0;
      if (!l.openDevice(choice, options_.usbBackend, none)) return NotOpened<SessionOutcome>(failed, CauseOf(l.slot.lastOpenError()));
      link = l.slot.link();
      break;
    }
    case Kind::None:
      return NotOpened<SessionOutcome>(failed, "no link selected");
  }
  const TestPrintFraming& framing = TestPrintFramingFor(choice.kind);
  // A print over the device handle ends with it, an exception included.
  struct EndOfPrint {
    Links& links;
    bool ends;
    ~EndOfPrint() {
      if (ends) links.slot.close();
    }
  } end{l, framing.endsOperation};
  outcome.ok = RunTestPrint(*link, clock_, print, framing);
  if (!outcome.ok) {
    outcome.message = failed;
    outcome.cause = link->lastError().ok() ? "the link closed before the print was sent" : DescribeLinkError(link->lastError());
  }
  return outcome;
}

void PrinterSession::releasePorts() {
  if (links_->serial && links_->serial->isOpen()) links_->serial->close();
  links_->slot.close();
}

void PrinterSession::closeAll() {
  if (links_->tcp && links_->tcp->isConnected()) links_->tcp->close();
  releasePorts();
}

}  // namespace kestrova
