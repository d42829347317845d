#include "link/device_handle.h"

#include "link/os_error.h"
#include "link/usb_device_link.h"
#include "link/usb_product_table.h"

namespace kestrova {

void DeviceHandleSlot::store(std::unique_ptr<ByteLink> link) {
  close();
  link_ = std::move(link);
}

void DeviceHandleSlot::close() {
  if (link_ && link_->isOpen()) link_->close();
  link_.reset();
}

namespace {

std::string UsbIds(const UsbDeviceInfo& info) { return FormatUsbId(info.vendorId) + ":" + FormatUsbId(info.productId); }

// "RT5600 is selected", or the number when no row names it, or "no model is selected".
std::string SelectedText(std::uint8_t selectedModelNo) {
  if (selectedModelNo == 0) return "no model is selected";
  const std::string code = UsbRowModelCode(selectedModelNo);
  return (code.empty() ? "model number " + std::to_string(selectedModelNo) : code) + " is selected";
}

}  // namespace

UsbOpenResult OpenUsbPrinter(UsbBackend& backend, std::uint8_t selectedModelNo, std::uint8_t& activeModelNo,
                   DeviceHandleSlot& slot) {
  // A device still held (a USB test print leaves it open) would refuse a second claim.
  slot.close();
  LinkError enumerateError;
  const std::vector<UsbDeviceInfo> present = backend.enumerate(enumerateError);
  LinkError cause = enumerateError.ok() ? MakeLinkError(LinkError::Kind::NoDevice, "USB", "no supported printer found")
                                        : enumerateError;
  bool openFailed = false;
  for (const UsbProductRow& row : kUsbProductTable) {
    const std::string type = UsbTypeString(row);
    // The first present device whose path holds the row's ids (case-sensitive) is the row's.
    const UsbDeviceInfo* match = nullptr;
    for (const UsbDeviceInfo& info : present) {
      if (info.path.find(type) != std::string::npos) {
        match = &info;
        break;
      }
    }
    if (!match) continue;
    // A row for another model is passed over before anything touches the device: claiming it
    // would detach its kernel driver and disturb a job printing on it.
    if (row.requiredModelNo != 0 && selectedModelNo != row.requiredModelNo) {
      if (!openFailed)
        cause = MakeLinkError(LinkError::Kind::NoDevice, "USB",
                              "a printer " + UsbIds(*match) + " for " + row.modelCode + " is present, but " +
                                  SelectedText(selectedModelNo));
      continue;
    }
    LinkError openError;
    std::unique_ptr<UsbDevice> device = backend.open(*match, openError);
    if (!device) {
      // A device that could have been taken but not opened is the cause worth telling.
      cause = openError;
      openFailed = true;
      continue;
    }
    if (row.requiredModelNo != 0) activeModelNo = row.requiredModelNo;
    slot.store(std::make_unique<UsbDeviceLink>(std::move(device), "USB " + match->path));
    slot.setOpenError(LinkError());
    return UsbOpenResult::Ok;
  }
  slot.setOpenError(cause);
  return UsbOpenResult::NoUsbDevice;
}

}  // namespace kestrova
