#include "session/usb_listing.h"

namespace kestrova {

std::vector<UsbPrinterEntry> PresentUsbPrinters(LinkError& error) {
  const std::unique_ptr<UsbBackend> usb = CreateLibusbBackend();
  return ListUsbPrinters(*usb, error);
}

}  // namespace kestrova
