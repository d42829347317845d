// Switch-reply decoding: DecodeSwitchReply, ReplyValueText and CDecimalToInt on any reply bytes.
//
// Properties:
//  - the value text is the reply from its second byte up to the first 0x00;
//  - a reply decodes only when it starts with 0x5F, and then to exactly what strtol makes of the
//    value text when that lies in 0..255 (never anything out of 0..255);
//  - CDecimalToInt equals strtol clamped to the int range;
//  - a decoded byte set into the bank reads back unchanged, bit by bit.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "fuzz_support.h"
#include "model/c_decimal.h"
#include "model/switch_bank.h"

using namespace kestrova;

namespace {

// The value text re-derived with the C library: bytes after the first, up to the first 0x00.
std::string CValueText(std::string_view raw) {
  if (raw.empty()) return {};
  const std::string copy(raw.substr(1));
  return std::string(copy.c_str());
}

long StrtolOf(const std::string& text) {
  errno = 0;
  return std::strtol(text.c_str(), nullptr, 10);  // saturates at LONG_MIN / LONG_MAX
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw = fuzz::AsView(data, size);

  const std::string text = ReplyValueText(raw);
  FUZZ_CHECK(text == CValueText(raw));
  FUZZ_CHECK(text.find('\0') == std::string::npos);

  const long wide = StrtolOf(text);
  const int narrow = CDecimalToInt(text);
  const long clamped = wide > INT_MAX ? INT_MAX : (wide < INT_MIN ? INT_MIN : wide);
  FUZZ_CHECK(narrow == clamped);

  const std::optional<std::uint8_t> decoded = DecodeSwitchReply(raw);
  const bool header = !raw.empty() && static_cast<unsigned char>(raw[0]) == 0x5F;
  if (!header || wide < 0 || wide > 255) {
    FUZZ_CHECK(!decoded.has_value());
    return 0;
  }
  FUZZ_CHECK(decoded.has_value());
  FUZZ_CHECK(*decoded == wide);

  for (int n = 1; n <= kSwitchBytes; ++n) {
    SwitchBank bank;
    bank.setByte(n, *decoded);
    FUZZ_CHECK(bank.byteValue(n) == decoded);
    for (int b = 1; b <= kBitsPerSwitch; ++b) {
      const int expected = (*decoded >> (b - 1)) & 1 ? kPositionOff : kPositionOn;
      FUZZ_CHECK(bank.position(SwitchIndex(n, b)) == expected);
    }
    for (int other = 1; other <= kSwitchBytes; ++other)
      if (other != n) FUZZ_CHECK(!bank.byteValue(other).has_value());
  }
  return 0;
}
