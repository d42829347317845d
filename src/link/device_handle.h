#pragma once
// The window's one device handle (USB, and serial ports opened by device name) and the two ways
// of filling it: OpenUsbPrinter (discovery over the product table) and OpenDevice (by the port
// selection text).
//
// The slot and the link it holds live on the link thread (see link_thread.h).
#include <cstdint>
#include <memory>
#include <string_view>

#include "link/byte_link.h"
#include "link/com_port_map.h"
#include "link/usb_backend.h"

namespace kestrova {

// Results of the open operations.
constexpr int kOpenOk = 0;
constexpr int kOpenNoUsbDevice = 1;   // no USB row taken: "Open usb FAILED"
constexpr int kOpenComFailed = 14;    // serial port not opened by device name

// Holds at most one open block-style link; invalid while empty. A USB test print leaves
// its link here for the next test; a read or write replaces it.
class DeviceHandleSlot {
 public:
  DeviceHandleSlot() = default;
  ~DeviceHandleSlot() { close(); }
  DeviceHandleSlot(const DeviceHandleSlot&) = delete;
  DeviceHandleSlot& operator=(const DeviceHandleSlot&) = delete;

  bool valid() const { return link_ && link_->isOpen(); }
  ByteLink* link() const { return link_.get(); }

  // Takes a link, closing whatever was held before.
  void store(std::unique_ptr<ByteLink> link);
  // Closes the held link (if any); the slot is invalid afterwards.
  void close();
  // The end of a read or of a test over the handle: discard both directions, then close.
  void discardAndClose();

  // Why the last open into this slot failed (kind None after a success).
  const LinkError& lastOpenError() const { return lastOpenError_; }
  void setOpenError(LinkError error) { lastOpenError_ = std::move(error); }

 private:
  std::unique_ptr<ByteLink> link_;
  LinkError lastOpenError_;
};

// Discovery: the product table in order; a row that requires a model is taken only when
// selectedModelNo equals it (activeModelNo is then set to it), and its device is never opened
// otherwise; a row without a required model is taken when its device opens. The slot is closed
// first and holds the device taken. Returns kOpenOk or kOpenNoUsbDevice; on kOpenNoUsbDevice the
// slot's lastOpenError() says why: the cause of a failed open (PermissionDenied, Busy), else
// NoDevice naming a printer present for another model, else "no supported printer found".
int OpenUsbPrinter(UsbBackend& backend, std::uint8_t selectedModelNo, std::uint8_t& activeModelNo,
                   DeviceHandleSlot& slot);

// By the port selection text: containing "COM" -> that serial port by device name (kOpenOk or
// kOpenComFailed; there are no driver queue sizes to set here, so that step cannot fail);
// else containing "USB" -> OpenUsbPrinter; any other text -> kOpenOk without opening anything.
int OpenDevice(std::string_view portText, UsbBackend& backend, std::uint8_t selectedModelNo,
               std::uint8_t& activeModelNo, DeviceHandleSlot& slot, const ComPortMap& map = ComPortMap::instance());

}  // namespace kestrova
