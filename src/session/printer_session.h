#pragma once
// The operations on one printer, shared by the window and the command-line tool: the read, the
// switch write and the two test prints over the link a LinkChoice names.
//
//   link              read                      write                      test prints
//   TCP/IP            connect (kept)            connect if down (kept)     connect if down (kept)
//   serial component  open, read, close         open, write, close         over the device handle
//   device handle     open, read, close         open, write, close         open, print, close
//   USB               discover, read, close     discover, write, close     discover unless held;
//                                                                          the handle stays open
//
// The TCP/IP connection stays until closeAll() (the window's close, the end of a printer in the
// tool). The operations are coroutines: a session is used by one operation at a time, on one
// loop (the window's link thread, or a fleet's loop), and the links it opens belong to that loop.
// Every wait is bounded, so no operation waits for ever.
#include <functional>
#include <memory>
#include <string>

#include "session/link_choice.h"
#include "session/vocabulary.h"

namespace kestrova {

class ComPortMap;
class UsbBackend;

// How an operation ended.
struct SessionOutcome {
  bool ok = false;
  // A failure's one message ("Read software switch FAILED", "Open usb FAILED", "Write software
  // switch FAILED", "Self Test FAILED", "Fonts Test FAILED") and what is known of its cause.
  std::string message;
  std::string cause;
  // The link could not be opened: nothing was sent.
  bool notOpened = false;
  // An exception nobody expected ended the operation; its text is the cause.
  bool threw = false;
  // The link reported an error event while it was being opened (its code; 0 for none).
  int linkErrorCode = 0;
  // USB discovery took a printer whose row names this model (0: none).
  ModelNo discoveredModel = 0;
};

struct SessionRead : SessionOutcome {
  ReadResult read;  // when the link opened: what the query series made of it
};

struct SessionWrite : SessionOutcome {
  WriteResult write;  // the write's outcome and detail (NotConnected when the link did not open)
};

// The values a write sends: those shown, marked with the ones that neither the last read took
// cleanly nor the user set (by a click, a pick from a list, an option or a profile), which
// WriteRefusal refuses before anything is said or sent.
WriteValues ValuesToWrite(WriteValues shown, const ReadIntegrity& read, const UserSetValues& userSet);

// How a test print is framed over the link a choice names: every pause of a test print.
const TestPrintFraming& TestPrintFramingFor(LinkChoice::Kind kind);

class PrinterSession {
 public:
  struct Options {
    Clock* clock = nullptr;             // the steady clock when null
    const ComPortMap* ports = nullptr;  // where COMn lives; ComPortMap::instance() when null
    std::function<std::unique_ptr<UsbBackend>()> usbBackend;  // libusb when empty
    // The window's traces: "(ConnectThread)enter Execute()" and an escaping exception's bare
    // message in the debug output for the work its worker runs as its own.
    bool windowTraces = false;
  };

  explicit PrinterSession(Options options);
  PrinterSession();
  ~PrinterSession();
  PrinterSession(const PrinterSession&) = delete;
  PrinterSession& operator=(const PrinterSession&) = delete;

  // The query series into the observer. A read the observer cancels stops where it is.
  // The observer and the pacing must outlive the operation.
  Task<SessionRead> read(LinkChoice choice, ReadObserver& observer, const PacingPolicy& pacing = FixedPacing::instance());
  // The switch write of values (refused before anything is sent when they cannot be written).
  Task<SessionWrite> write(LinkChoice choice, WriteValues values);
  Task<SessionOutcome> testPrint(LinkChoice choice, TestPrint print);

  // The end of a failed read: the serial port and the device handle (USB or serial) are closed.
  void closeAllButTcp();
  // Everything closed, the TCP/IP connection included.
  void closeAll();

 private:
  struct Links;
  Task<SessionRead> readOn(const LinkChoice& choice, ReadObserver& observer, const PacingPolicy& pacing);
  Task<SessionWrite> writeOn(const LinkChoice& choice, const WriteValues& values);
  Task<SessionOutcome> printOn(const LinkChoice& choice, TestPrint print);

  Options options_;
  Clock& clock_;
  std::unique_ptr<Links> links_;
};

}  // namespace kestrova
