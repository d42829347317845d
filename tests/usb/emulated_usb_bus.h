#pragma once
// USB printers that the unmodified libusb-1.0 of the system sees, made with umockdev: each printer
// is a usb_device in a umockdev testbed (sysfs attributes, descriptors with one printer-class
// interface, bulk OUT 0x01 and bulk IN 0x82) whose usbdevfs ioctls are served here. OUT transfers
// go to a simulated printer (the simulator's parser and state); its replies come back on IN.
//
// A program reaches the bus when it runs with LD_PRELOAD=libumockdev-preload.so.0 and the
// UMOCKDEV_DIR this process sets (PreloadEnvironment() gives both for a child). The ioctls are
// served on the testbed's worker thread; every accessor here locks.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>

#include "sim/sim_printer.h"

namespace kestrova::usbtest {

// What an emulated printer does wrong.
struct UsbFaults {
  bool claimBusy = false;       // claiming the interface answers EBUSY (held by another program)
  bool silentIn = false;        // the IN endpoint never completes a transfer
  int unplugAfterOut = -1;      // unplugged once this many OUT transfers were taken in (-1: never)
  QString unplugAfterEvent;     // unplugged once the printer logs an event starting with this text
  // A composite device: interface 0 of a vendor class with its own bulk pair (0x03, 0x84) comes
  // before the printer interface, which is then interface 1.
  bool vendorInterfaceFirst = false;
};

class EmulatedUsbBus {
 public:
  EmulatedUsbBus();
  ~EmulatedUsbBus();
  EmulatedUsbBus(const EmulatedUsbBus&) = delete;
  EmulatedUsbBus& operator=(const EmulatedUsbBus&) = delete;

  // Empty when the testbed works; else why not.
  QString error() const;

  // Adds a printer of vendor 1f4e with this product id at bus 1, the next free address, with a
  // kernel driver "usblp" bound to its interface. Returns its index.
  int addPrinter(quint16 productId, const sim::PrinterValues& values = {}, const UsbFaults& faults = {});

  // "1-2": the bus number and address as the libusb backend names the device.
  QString busAddress(int index) const;
  // Every transfer and interface event, in order: "open", "out 1d 49 43", "in 5f 52 ...", "detach usblp",
  // "claim 0", "release 0", "attach usblp", "busy", "unplugged", "discard" (the number is the interface).
  QStringList log(int index) const;
  // The hex of every OUT transfer, in order.
  QStringList outTransfers(int index) const;
  // The printer's command events ("unlock", "set SW1=...", "self-test", ...).
  QStringList events(int index) const;
  // The kernel driver bound to the interface now ("usblp"; empty while detached).
  QString driver(int index) const;
  // A copy of the printer's state.
  sim::SimPrinter printer(int index) const;

  // Takes every user's access to the printer's device node away (as without the udev rule) and
  // opens the rest of the (temporary) testbed to all users, writable too since the preload of a
  // program makes its sockets there: a program run as another user sees the printer but may not
  // open it. False when the modes cannot be changed.
  bool denyAccess(int index);

  // The environment a child needs to see this bus (LD_PRELOAD with libasan first when present).
  QProcessEnvironment childEnvironment() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// The LD_PRELOAD value that routes a program to the testbed: libumockdev-preload.so.0, behind
// libasan when this program is built with AddressSanitizer.
QString PreloadValue();

// For a test that uses libusb in its own process: runs this program again with the preload when
// LD_PRELOAD does not hold it yet (never returns then); returns when it does.
void ReexecWithPreload(char** argv);

}  // namespace kestrova::usbtest
