#pragma once
// How the USB link reaches devices: enumerate what is present, open one as a byte stream (a bulk
// OUT and a bulk IN endpoint). The libusb backend talks to real devices; the fake backend holds
// scripted devices for tests.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/byte_link.h"

namespace kestrova {

// One present device. The path names it the way discovery matches it: it holds
// "vid_xxxx&pid_yyyy" with the ids as four lower-case hex digits, followed by where it sits on
// the bus ("usb#vid_1f4e&pid_2a0d#1-4").
struct UsbDeviceInfo {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string path;
};

// Four lower-case hex digits: 0x2A0D -> "2a0d".
std::string FormatUsbId(std::uint16_t id);
// The path the libusb backend gives a device: "usb#vid_%04x&pid_%04x#<bus>-<address>".
std::string UsbDevicePath(std::uint16_t vendorId, std::uint16_t productId, int bus, int address);

class UsbDevice {
 public:
  virtual ~UsbDevice() = default;
  // One bulk OUT transfer of the bytes, bounded by timeoutMs (> 0). Returns the number of bytes
  // that went out; error holds the cause when that is not all of them.
  virtual std::size_t bulkWrite(const Bytes& bytes, int timeoutMs, LinkError& error) = 0;
  // One bulk IN transfer into a buffer of capacity bytes, bounded by timeoutMs (> 0). Returns
  // what came (empty on time-out; error set on anything but a time-out).
  virtual Bytes bulkRead(std::size_t capacity, int timeoutMs, LinkError& error) = 0;
  // Releases the interface and closes the device. Safe to call twice.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
};

class UsbBackend {
 public:
  virtual ~UsbBackend() = default;
  // The devices present now. When the bus cannot be read at all, error says why and the list is
  // empty.
  virtual std::vector<UsbDeviceInfo> enumerate(LinkError& error) = 0;
  // Opens a device found by enumerate(). Null with the cause in error when it cannot be opened.
  virtual std::unique_ptr<UsbDevice> open(const UsbDeviceInfo& device, LinkError& error) = 0;
  // Whether this user may open the device, without claiming anything (kind None: yes).
  virtual LinkError checkAccess(const UsbDeviceInfo&) { return {}; }
};

// The libusb-1.0 backend. Creating it never fails: a system without a usable USB bus gives an
// empty enumeration with the cause.
std::unique_ptr<UsbBackend> CreateLibusbBackend();

}  // namespace kestrova
