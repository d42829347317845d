#include "model/switch_bank.h"

#include "model/c_decimal.h"

namespace kestrova {

std::string SwitchName(int index) {
  return "SW" + std::to_string(index / kBitsPerSwitch + 1) + "-" + std::to_string(index % kBitsPerSwitch + 1);
}

std::optional<int> ParseSwitchName(std::string_view text) {
  if (text.size() != 5 || text.substr(0, 2) != "SW" || text[3] != '-') return std::nullopt;
  const int n = text[2] - '0';
  const int b = text[4] - '0';
  if (n < 1 || n > kSwitchBytes || b < 1 || b > kBitsPerSwitch) return std::nullopt;
  return SwitchIndex(n, b);
}

void SwitchBank::setByte(int n, std::uint8_t value) {
  for (int b = 1; b <= kBitsPerSwitch; ++b) {
    setPosition(SwitchIndex(n, b), (value >> (b - 1)) & 1 ? kPositionOff : kPositionOn);
  }
}

std::optional<std::uint8_t> SwitchBank::byteValue(int n) const {
  unsigned value = 0;
  for (int b = 1; b <= kBitsPerSwitch; ++b) {
    const int p = position(SwitchIndex(n, b));
    if (p != kPositionOn && p != kPositionOff) return std::nullopt;
    value |= static_cast<unsigned>(p) << (b - 1);
  }
  return static_cast<std::uint8_t>(value);
}

std::string ReplyValueText(std::string_view raw) {
  if (raw.empty()) return {};
  std::string_view rest = raw.substr(1);
  const auto end = rest.find('\0');
  return std::string(end == std::string_view::npos ? rest : rest.substr(0, end));
}

std::optional<std::uint8_t> DecodeSwitchReply(std::string_view raw) {
  if (raw.empty() || static_cast<unsigned char>(raw[0]) != 0x5F) return std::nullopt;
  const int value = CDecimalToInt(ReplyValueText(raw));
  if (value < 0 || value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

}  // namespace kestrova
