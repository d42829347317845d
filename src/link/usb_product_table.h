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
  const char* modelCode;         // the required model's code, for messages ("" when none)
};

// Model numbers are the catalogue's: 16 MV7500, 14 RT6400K, 17 MV7120SK, 15 RT5503, 12 RT5502,
// 13 RT5500E, 6 RT4300, 9 RT5600, 10 RT4300X, 11 RT5602 (not in the model list, so its row is
// never taken), 4 RT6100, 3 RT5500, 1 RT3200, 7 KD240, 8 KD250.
constexpr std::array<UsbProductRow, 22> kUsbProductTable = {{
    {"2a0d", 16, "", "MV7500"},
    {"2a15", 14, "", "RT6400K"},
    {"2a14", 17, "", "MV7120SK"},
    {"2a01", 15, "", "RT5503"},
    {"2a07", 12, "", "RT5502"},
    {"2a04", 13, "", "RT5500E"},
    {"2a0e", 6, "", "RT4300"},
    {"2a10", 9, "", "RT5600"},
    {"2a13", 10, "", "RT4300X"},
    {"2a06", 11, "", "RT5602"},
    {"2a16", 4, "", "RT6100"},
    {"2a02", 3, "", "RT5500"},
    {"2a09", 0, "ZQ8_USB", ""},
    {"2a08", 1, "", "RT3200"},
    {"2a05", 0, "RT-2110F", ""},
    {"2a0a", 0, "ZQ8_USB", ""},
    {"2a0b", 0, "MV7_USB", ""},
    {"2a0c", 0, "MV6_USB", ""},
    {"2a03", 7, "", "KD240"},
    {"2a11", 0, "RT-2150", ""},
    {"2a0f", 0, "KD140", ""},
    {"2a12", 8, "", "KD250"},
}};

// The text a device path must hold for a row: "vid_1f4e&pid_" followed by the product id.
// Matched case-sensitively.
std::string UsbTypeString(const UsbProductRow& row);

// The code of a model number that a row requires ("RT5600"); empty for any other number.
std::string UsbRowModelCode(std::uint8_t modelNo);

}  // namespace kestrova
