#include "link/usb_product_table.h"

namespace kestrova {

std::string UsbTypeString(const UsbProductRow& row) {
  return std::string("vid_") + kUsbVendorId + "&pid_" + row.productId;
}

}  // namespace kestrova
