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

// The window traces as its worker's own work every read, and the writes and test prints that no
// button handler traces itself: those over TCP/IP, the serial component's write and the USB test
// prints.
enum class Op { Read, Write, Print };
bool TracedAsWorker(Op op, Kind kind) {
  if (op == Op::Read) return true;
  return !(kind == Kind::Tcp || (kind == Kind::SerialComponent && op == Op::Write) ||
           (kind == Kind::Usb && op == Op::Print));
}

// Where an exception that ends an operation is traced: the worker's own work writes the bare
// message whatever the debug mode; the test prints of the button handlers trace it tagged,
// in debug mode only; the other writes are reported by their closing message alone.
void TraceException(Op op, Kind kind, TestPrint print, const std::string& what) {
  if (TracedAsWorker(op, kind))
    DebugOutput(what);
  else if (op == Op::Print)
    DebugTrace((print == TestPrint::SelfTest ? "(SelfTest)" : "(FontTest)") + what);
}

std::string CauseOf(const LinkError& error) { return error.ok() ? std::string() : DescribeLinkError(error); }

// The cause of a link error event: what the link knows of it, else its code.
std::string EventCause(const ByteLink& link, int code) {
  return link.lastError().ok() ? "link error " + std::to_string(code) : DescribeLinkError(link.lastError());
}

const char* FailedText(Op op, TestPrint print) {
  if (op == Op::Read) return kReadFailedText;
  if (op == Op::Write) return kWriteFailedText;
  return print == TestPrint::SelfTest ? kSelfTestFailedText : kFontTestFailedText;
}

// The message of an operation whose link did not open: a USB read or test print that finds no
// printer says "Open usb FAILED", a write its own failure on every link.
const char* NotOpenedText(Op op, Kind kind, TestPrint print) {
  return kind == Kind::Usb && op != Op::Write ? kOpenUsbFailedText : FailedText(op, print);
}

// One operation: the worker's entry trace where the worker traces it as its own, and an
// exception that escapes it turned into the operation's failure with the exception's text.
template <typename Outcome, typename Run>
Task<Outcome> Guarded(bool traces, Op op, Kind kind, TestPrint print, Run run) {
  if (traces && TracedAsWorker(op, kind)) DebugOutput("(ConnectThread)enter Execute()");
  std::string what;
  try {
    co_return co_await run();
  } catch (...) {
    what = CurrentExceptionText();
  }
  if (traces) TraceException(op, kind, print, what);
  Outcome failed;
  failed.message = FailedText(op, print);
  failed.cause = what;
  failed.threw = true;
  if constexpr (std::is_same_v<Outcome, SessionWrite>) failed.write = {WriteOutcome::SendFailed, what};
  co_return failed;
}

// An operation whose link did not open, or reported an error event (its code) while it opened:
// nothing was sent.
template <typename Outcome>
Outcome NotOpened(Op op, Kind kind, TestPrint print, std::string cause, int linkErrorCode = 0) {
  Outcome outcome;
  outcome.message = NotOpenedText(op, kind, print);
  outcome.cause = std::move(cause);
  outcome.notOpened = true;
  outcome.linkErrorCode = linkErrorCode;
  if constexpr (std::is_same_v<Outcome, SessionWrite>) outcome.write = {WriteOutcome::NotConnected, outcome.cause};
  return outcome;
}

}  // namespace

// Every pause of a test print: USB and TCP/IP pause after the self test and keep the link; a
// serial port prints through the device handle, which the print ends. Every link pauses 50 ms
// after each block of the font test.
const TestPrintFraming& TestPrintFramingFor(Kind kind) {
  static const TestPrintFraming usb{500, false, false, 50};
  static const TestPrintFraming tcp{200, false, false, 50};
  static const TestPrintFraming serial{0, true, true, 50};
  return kind == Kind::Usb ? usb : kind == Kind::Tcp ? tcp : serial;
}

WriteValues ValuesToWrite(WriteValues shown, const ReadIntegrity& read, const UserSetValues& userSet) {
  shown.unverified = UnverifiedValues(read, userSet);
  return shown;
}

using UsbFactory = std::function<std::unique_ptr<UsbBackend>()>;

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

  UsbBackend& usbBackend(const UsbFactory& factory) {
    if (!usb) usb = factory ? factory() : CreateLibusbBackend();
    return *usb;
  }

  // Fills the slot with the choice's device: a serial port by path, or a USB printer. False with
  // the cause in the slot's lastOpenError().
  bool openDevice(const LinkChoice& choice, const UsbFactory& factory, ModelNo& discovered) {
    if (choice.kind == Kind::Usb) {
      UsbBackend& backend = usbBackend(factory);
      const UsbOpenResult opened =
          choice.usbDevice.empty() ? OpenUsbPrinter(backend, choice.selectedModel, discovered, slot)
                                   : OpenChosenUsbPrinter(backend, choice.usbDevice, choice.selectedModel, discovered, slot);
      return opened == UsbOpenResult::Ok && slot.valid();
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

  // The link an operation takes over the choice, opened: TCP/IP (connected for a read, kept for the
  // others), the serial component (a test print goes through the device handle instead), the
  // device handle (a USB test print takes one a print left open). nullptr with the cause when it
  // did not open, or with the code of an error event it reported while opening (unasked by a write).
  Task<ByteLink*> open(Op op, const LinkChoice& choice, const UsbFactory& factory, std::string& cause, int& event,
                       ModelNo& discovered) {
    errorCode = 0;
    ByteLink* link = nullptr;
    switch (choice.kind) {
      case Kind::Tcp:
        if (!co_await connectTcp(choice, op == Op::Read, cause)) co_return nullptr;
        link = tcp.get();
        break;
      case Kind::SerialComponent:
        if (op != Op::Print) {
          SerialComponentLink& component = serialLink(choice);
          if (!component.probeAndOpen()) co_return cause = CauseOf(component.lastError()), nullptr;
          link = &component;
          break;
        }
        [[fallthrough]];
      case Kind::SerialDevice:
      case Kind::Usb: {
        const bool held = op == Op::Print && choice.kind == Kind::Usb && slot.valid();
        if (!held && !openDevice(choice, factory, discovered)) co_return cause = CauseOf(slot.lastOpenError()), nullptr;
        link = slot.link();
        break;
      }
      case Kind::None:
        co_return cause = "no link selected", nullptr;
    }
    if (op == Op::Write || errorCode == 0) co_return link;
    event = errorCode;
    cause = EventCause(*link, event);
    co_return nullptr;
  }

  // A connect for a read (the address and port are taken over unless a connection is up) or for a
  // write or test print. False with the cause in `cause`.
  Task<bool> connectTcp(const LinkChoice& choice, bool forRead, std::string& cause) {
    // A write or test print goes over a connection that is up whatever its host name resolves to
    // now: no lookup that could fail or be slow.
    if (!forRead && tcp && tcp->isActive() && tcp->isConnected()) co_return true;
    std::string address;
    if (!co_await ResolveHost(choice.host, address, cause)) co_return false;
    TcpLink& link = tcpLink();
    bool connected = false;
    if (forRead) {
      link.prepare(address, choice.portField);
      link.setActive(true);
      connected = co_await link.connectToPrinter();
    } else {
      connected = co_await link.connectForWrite(address, choice.portField);
    }
    if (!connected) cause = CauseOf(link.lastError());
    co_return connected;
  }
};

PrinterSession::PrinterSession() : PrinterSession(Options{}) {}

PrinterSession::PrinterSession(Options options)
    : options_(std::move(options)),
      clock_(options_.clock ? *options_.clock : SteadyClock::instance()),
      links_(std::make_unique<Links>(options_.ports ? *options_.ports : ComPortMap::instance())) {}

PrinterSession::~PrinterSession() { closeAll(); }

Task<SessionRead> PrinterSession::read(LinkChoice choice, ReadObserver& observer, const PacingPolicy& pacing) {
  co_return co_await Guarded<SessionRead>(options_.windowTraces, Op::Read, choice.kind, TestPrint::SelfTest,
                                          [&] { return readOn(choice, observer, pacing); });
}

Task<SessionRead> PrinterSession::readOn(const LinkChoice& choice, ReadObserver& observer, const PacingPolicy& pacing) {
  SessionRead outcome;
  if (observer.cancelled()) {
    outcome.read.outcome = ReadOutcome::Cancelled;
    co_return outcome;
  }
  std::string cause;
  int event = 0;
  ByteLink* link = co_await links_->open(Op::Read, choice, options_.usbBackend, cause, event, outcome.discoveredModel);
  // A link that reported an error while it was opened is not read.
  if (!link) co_return NotOpened<SessionRead>(Op::Read, choice.kind, TestPrint::SelfTest, cause, event);
  if (!observer.cancelled())
    outcome.read = co_await ReadPrinter(*link, clock_, observer, outcome.discoveredModel, pacing);
  if (observer.cancelled() && outcome.read.outcome != ReadOutcome::Success) outcome.read.outcome = ReadOutcome::Cancelled;
  // The serial port and the device handle serve one read (the Block read has closed its handle
  // already); the TCP/IP connection stays.
  closeAllButTcp();
  outcome.ok = outcome.read.ok();
  if (!outcome.ok) outcome.message = kReadFailedText, outcome.cause = outcome.read.reason;
  co_return outcome;
}

Task<SessionWrite> PrinterSession::write(LinkChoice choice, WriteValues values) {
  co_return co_await Guarded<SessionWrite>(options_.windowTraces, Op::Write, choice.kind, TestPrint::SelfTest,
                                           [&] { return writeOn(choice, values); });
}

Task<SessionWrite> PrinterSession::writeOn(const LinkChoice& choice, const WriteValues& values) {
  Links& links = *links_;
  SessionWrite outcome;
  std::string cause;
  int event = 0;
  ByteLink* link = co_await links.open(Op::Write, choice, options_.usbBackend, cause, event, outcome.discoveredModel);
  if (link) {
    Reconnect reconnect;
    if (choice.kind == Kind::Tcp) reconnect = [&] { return links.connectTcp(choice, false, cause); };
    outcome.write = co_await WriteSwitchSettings(*link, clock_, values, reconnect);
  }
  // The device handle serves one write, which closed it; a TCP/IP write ends by closing one a test
  // print left open, whatever became of the write.
  if (choice.kind != Kind::SerialComponent) links.slot.close();
  if (!link) co_return NotOpened<SessionWrite>(Op::Write, choice.kind, TestPrint::SelfTest, cause);
  outcome.ok = outcome.write.ok();
  if (!outcome.ok) outcome.message = kWriteFailedText, outcome.cause = outcome.write.detail;
  co_return outcome;
}

Task<SessionOutcome> PrinterSession::testPrint(LinkChoice choice, TestPrint print) {
  co_return co_await Guarded<SessionOutcome>(options_.windowTraces, Op::Print, choice.kind, print,
                                             [&] { return printOn(choice, print); });
}

Task<SessionOutcome> PrinterSession::printOn(const LinkChoice& choice, TestPrint print) {
  SessionOutcome outcome;
  std::string cause;
  int event = 0;
  ByteLink* link = co_await links_->open(Op::Print, choice, options_.usbBackend, cause, event, outcome.discoveredModel);
  if (!link) co_return NotOpened<SessionOutcome>(Op::Print, choice.kind, print, cause, event);
  // A print framed to end the operation closes the device handle itself, an exception included.
  outcome.ok = co_await RunTestPrint(*link, clock_, print, TestPrintFramingFor(choice.kind));
  if (!outcome.ok) {
    outcome.message = FailedText(Op::Print, print);
    outcome.cause = link->lastError().ok() ? "the link closed before the print was sent" : DescribeLinkError(link->lastError());
  }
  co_return outcome;
}

void PrinterSession::closeAllButTcp() {
  if (links_->serial && links_->serial->isOpen()) links_->serial->close();
  links_->slot.close();
}

void PrinterSession::closeAll() {
  if (links_->tcp && links_->tcp->isConnected()) links_->tcp->close();
  closeAllButTcp();
}

}  // namespace kestrova
