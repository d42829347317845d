#pragma once
// The one device handle (USB, and serial ports opened by device name) and its filling by USB
// discovery over the product table (OpenUsbPrinter).
//
// The slot and the link it holds live on the link thread (see link_thread.h).
#include <cstdint>
#include <memory>

#include "link/byte_link.h"
#include "link/usb_backend.h"

namespace kestrova {

// Result of the USB open operations: a printer taken, or none (the cause in the slot).
enum class UsbOpenResult { Ok, NoUsbDevice };

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
  // Releases the held link (if any), closing it unless a sequence closed it already; the slot is
  // invalid afterwards.
  void close();

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
// first and holds the device taken. Returns Ok or NoUsbDevice; on NoUsbDevice the
// slot's lastOpenError() says why: the cause of a failed open (PermissionDenied, Busy), else
// NoDevice naming a printer present for another model, else "no supported printer found".
UsbOpenResult OpenUsbPrinter(UsbBackend& backend, std::uint8_t selectedModelNo, std::uint8_t& activeModelNo,
                   DeviceHandleSlot& slot);

}  // namespace kestrova
