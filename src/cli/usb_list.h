#pragma once
// kestrova-swctl usb-list: the supported USB printers present, one line each.
#include <ostream>

namespace kestrova::cli {

// "1-4  1f4e:2a10  RT5600  usable" per printer, in product-table order (the model a row
// requires, or the device family of a row without one; "permission denied; install the udev
// rule" and the like instead of "usable"). Exit 0; 1 when the USB bus cannot be read.
int UsbList(std::ostream& out, std::ostream& err);

}  // namespace kestrova::cli
