#pragma once
// Several USB printers on one bench: the supported printers present, each with whether this user
// may open it, and opening one chosen printer instead of the first one discovery takes.
//
// Use on the link thread (see link_thread.h), like the slot it fills.
#include <cstdint>
#include <string>
#include <vector>

#include "link/device_handle.h"
#include "link/usb_backend.h"
#include "link/usb_product_table.h"

namespace kestrova {

struct UsbPrinterEntry {
  UsbDeviceInfo info;
  const UsbProductRow* row = nullptr;
  LinkError access;  // kind None when this user may open it
};

// The "BUS-ADDRESS" part of a device path ("1-4" of "usb#vid_1f4e&pid_2a0d#1-4").
std::string UsbBusAddress(const UsbDeviceInfo& info);

// The present devices that a product-table row names, in table order; error set when the bus
// cannot be read.
std::vector<UsbPrinterEntry> ListUsbPrinters(UsbBackend& backend, LinkError& error);

// Opens the printer named by choice (its whole path or its "BUS-ADDRESS"). It must be a printer of
// the product table; its row's required model must be selectedModelNo, or selectedModelNo 0 takes
// the row's model. activeModelNo is set as discovery sets it. Returns Ok or NoUsbDevice
// with the cause in the slot's lastOpenError().
UsbOpenResult OpenChosenUsbPrinter(UsbBackend& backend, const std::string& choice, std::uint8_t selectedModelNo,
                         std::uint8_t& activeModelNo, DeviceHandleSlot& slot);

}  // namespace kestrova
