#pragma once
// The supported USB printers present, for `usb-list`: each with its place on the bus and whether
// this user may open it (UsbPrinterEntry, UsbBusAddress, FormatUsbId come with it).
#include <vector>

#include "link/usb_printer_choice.h"

namespace kestrova {

// In product-table order over libusb; error set when the bus cannot be read.
std::vector<UsbPrinterEntry> PresentUsbPrinters(LinkError& error);

}  // namespace kestrova
