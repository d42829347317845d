#include "cli/usb_list.h"

#include "session/usb_listing.h"

namespace kestrova::cli {

int UsbList(std::ostream& out, std::ostream& err) {
  LinkError error;
  const std::vector<UsbPrinterEntry> printers = PresentUsbPrinters(error);
  if (!error.ok()) {
    err << "kestrova-swctl: " << DescribeLinkError(error) << "\n";
    return 1;
  }
  if (printers.empty()) out << "no supported USB printer present\n";
  for (const UsbPrinterEntry& p : printers) {
    std::string access = "usable";
    if (!p.access.ok()) {
      LinkError cause = p.access;
      cause.target.clear();
      access = DescribeLinkError(cause);
    }
    if (p.access.kind == LinkError::Kind::PermissionDenied) access += "; install the udev rule";
    out << UsbBusAddress(p.info) << "  " << FormatUsbId(p.info.vendorId) << ":" << FormatUsbId(p.info.productId)
        << "  " << (p.row->requiredModelNo != 0 ? p.row->modelCode : p.row->device) << "  " << access << "\n";
  }
  return 0;
}

}  // namespace kestrova::cli
