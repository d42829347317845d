#pragma once
// The USB printers that discovery looks for, in the order it looks. Every row has vendor id
// 1f4e. A row with a required model number is taken only when that model is chosen in the model
// list; a row without one is taken whenever its device is present. The first row taken wins.
#include <array>
#include <cstdint>
#include <string>

namespace kestrova {

constexpr const char* kUsbVendorId = "1f4e";

struct UsbProductRow {
  const char* productId;         // four lower-case hex digits
  std::uint8_t requiredModelNo;  // 0: none required
  const char* device;            // the device family of a row without a required model
};

// Model numbers are the catalogue's: 16 MV7500, 14 RT6400K, 17 MV7120SK, 15 RT5503, 12 RT5502,
// 13 RT5500E, 6 RT4300, 9 RT5600, 10 RT4300X, 11 RT5602 (not in the model list, so its row is
// never taken), 4 RT6100, 3 RT5500, 1 RT3200, 7 KD240, 8 KD250.
constexpr std::array<UsbProductRow, 22> kUsbProductTable = {{
    {"2a0d", 16, ""},
    {"2a15", 14, ""},
    {"2a14", 17, ""},
    {"2a01", 15, ""},
    {"2a07", 12, ""},
    {"2a04", 13, ""},
    {"2a0e", 6, ""},
    {"2a10", 9, ""},
    {"2a13", 10, ""},
    {"2a06", 11, ""},
    {"2a16", 4, ""},
    {"2a02", 3, ""},
    {"2a09", 0, "ZQ8_USB"},
    {"2a08", 1, ""},
    {"2a05", 0, "RT-2110F"},
    {"2a0a", 0, "ZQ8_USB"},
    {"2a0b", 0, "MV7_USB"},
    {"2a0c", 0, "MV6_USB"},
    {"2a03", 7, ""},
    {"2a11", 0, "RT-2150"},
    {"2a0f", 0, "KD140"},
    {"2a12", 8, ""},
}};

// The text a device path must hold for a row: "vid_1f4e&pid_" followed by the product id.
// Matched case-sensitively.
std::string UsbTypeString(const UsbProductRow& row);

}  // namespace kestrova
