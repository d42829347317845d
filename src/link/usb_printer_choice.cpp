#include "link/usb_printer_choice.h"

#include "link/os_error.h"
#include "link/usb_device_link.h"

namespace kestrova {

std::string UsbBusAddress(const UsbDeviceInfo& info) {
  const std::size_t hash = info.path.rfind('#');
  return hash == std::string::npos ? info.path : info.path.substr(hash + 1);
}

std::vector<UsbPrinterEntry> ListUsbPrinters(UsbBackend& backend, LinkError& error) {
  std::vector<UsbPrinterEntry> entries;
  const std::vector<UsbDeviceInfo> present = backend.enumerate(error);
  for (const UsbProductRow& row : kUsbProductTable) {
    const std::string type = UsbTypeString(row);
    for (const UsbDeviceInfo& info : present)
      if (info.path.find(type) != std::string::npos) entries.push_back({info, &row, backend.checkAccess(info)});
  }
  return entries;
}

UsbOpenResult OpenChosenUsbPrinter(UsbBackend& backend, const std::string& choice, std::uint8_t selectedModelNo,
                         std::uint8_t& activeModelNo, DeviceHandleSlot& slot) {
  slot.close();
  LinkError error;
  const std::vector<UsbPrinterEntry> entries = ListUsbPrinters(backend, error);
  const UsbPrinterEntry* chosen = nullptr;
  for (const UsbPrinterEntry& e : entries)
    if (e.info.path == choice || UsbBusAddress(e.info) == choice) chosen = &e;
  if (!chosen) {
    slot.setOpenError(error.ok() ? MakeLinkError(LinkError::Kind::NoDevice, "USB " + choice,
                                                 "no supported printer at this place")
                                 : error);
    return UsbOpenResult::NoUsbDevice;
  }
  const std::uint8_t required = chosen->row->requiredModelNo;
  if (required != 0 && selectedModelNo != 0 && selectedModelNo != required) {
    slot.setOpenError(MakeLinkError(LinkError::Kind::NoDevice, "USB " + choice,
                                    std::string("the printer there is for ") + chosen->row->modelCode +
                                        ", not for the model selected"));
    return UsbOpenResult::NoUsbDevice;
  }
  LinkError openError;
  std::unique_ptr<UsbDevice> device = backend.open(chosen->info, openError);
  if (!device) {
    slot.setOpenError(openError);
    return UsbOpenResult::NoUsbDevice;
  }
  if (required != 0) activeModelNo = required;
  slot.store(std::make_unique<UsbDeviceLink>(std::move(device), "USB " + chosen->info.path));
  slot.setOpenError(LinkError());
  return UsbOpenResult::Ok;
}

}  // namespace kestrova
