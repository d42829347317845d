#include "link/device_handle.h"

#include "link/link_selection.h"
#include "link/os_error.h"
#include "link/serial_device_link.h"
#include "link/usb_device_link.h"
#include "link/usb_product_table.h"

namespace kestrova {

void DeviceHandleSlot::store(std::unique_ptr<ByteLink> link) {
  close();
  link_ = std::move(link);
}

void DeviceHandleSlot::close() {
  if (link_) {
    link_->close();
    link_.reset();
  }
}

void DeviceHandleSlot::discardAndClose() {
  if (link_) link_->discard();
  close();
}

int OpenUsbPrinter(UsbBackend& backend, std::uint8_t selectedModelNo, std::uint8_t& activeModelNo,
                   DeviceHandleSlot& slot) {
  // A device still held (a USB test print leaves it open) would refuse a second claim.
  slot.close();
  LinkError enumerateError;
  const std::vector<UsbDeviceInfo> present = backend.enumerate(enumerateError);
  LinkError cause = enumerateError.ok() ? MakeLinkError(LinkError::Kind::NoDevice, "USB", "no supported printer found")
                                        : enumerateError;
  for (const UsbProductRow& row : kUsbProductTable) {
    const std::string type = UsbTypeString(row);
    // The first present device whose path holds the row's ids (case-sensitive) is opened; what
    // that open gives is the row's result.
    const UsbDeviceInfo* match = nullptr;
    for (const UsbDeviceInfo& info : present) {
      if (info.path.find(type) != std::string::npos) {
        match = &info;
        break;
      }
    }
    if (!match) continue;
    LinkError openError;
    std::unique_ptr<UsbDevice> device = backend.open(*match, openError);
    if (!device) {
      cause = openError;
      continue;
    }
    if (row.requiredModelNo != 0) {
      if (selectedModelNo != row.requiredModelNo) {
        device->close();
        continue;
      }
      activeModelNo = row.requiredModelNo;
    }
    slot.store(std::make_unique<UsbDeviceLink>(std::move(device), "USB " + match->path));
    slot.setOpenError(LinkError());
    return kOpenOk;
  }
  slot.setOpenError(cause);
  return kOpenNoUsbDevice;
}

int OpenDevice(std::string_view portText, UsbBackend& backend, std::uint8_t selectedModelNo,
               std::uint8_t& activeModelNo, DeviceHandleSlot& slot, const ComPortMap& map) {
  if (portText.find("COM") != std::string_view::npos) {
    slot.close();
    const LinkKind kind = LinkKind::FromSelectionText(portText);
    LinkError error;
    std::unique_ptr<SerialDeviceLink> link = OpenComDevice(kind.comNumber, error, map);
    if (!link) {
      slot.setOpenError(error);
      return kOpenComFailed;
    }
    slot.store(std::move(link));
    slot.setOpenError(LinkError());
    return kOpenOk;
  }
  if (portText.find("USB") != std::string_view::npos) {
    return OpenUsbPrinter(backend, selectedModelNo, activeModelNo, slot);
  }
  return kOpenOk;
}

}  // namespace kestrova
