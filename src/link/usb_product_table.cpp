#include "link/usb_product_table.h"

namespace kestrova {

std::string UsbTypeString(const UsbProductRow& row) {
  return std::string("vid_") + kUsbVendorId + "&pid_" + row.productId;
}

std::string UsbRowModelCode(std::uint8_t modelNo) {
  for (const UsbProductRow& row : kUsbProductTable)
    if (modelNo != 0 && row.requiredModelNo == modelNo) return row.modelCode;
  return {};
}

}  // namespace kestrova
