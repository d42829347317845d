#pragma once
// The five software-switch bytes SW1..SW5 and the 40 ON/OFF positions they are made of.
//
// Bit k of byte SWn (k = 0 least significant) is switch SWn-(k+1). A position is a radio-group item
// index: 0 = "ON" (bit clear), 1 = "OFF" (bit set), -1 = nothing selected.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

constexpr int kSwitchBytes = 5;
constexpr int kBitsPerSwitch = 8;
constexpr int kSwitchBits = kSwitchBytes * kBitsPerSwitch;

constexpr int kPositionNone = -1;
constexpr int kPositionOn = 0;
constexpr int kPositionOff = 1;

// Index 0..39 of switch SWn-b (n 1..5, b 1..8).
constexpr int SwitchIndex(int n, int b) { return (n - 1) * kBitsPerSwitch + (b - 1); }
// "SW3-5" for index 18.
std::string SwitchName(int index);
// Parses "SW3-5" (case-sensitive) into an index; nullopt when the text names no switch.
std::optional<int> ParseSwitchName(std::string_view text);

// The positions of the 40 switches, in the order SW1-1 .. SW1-8, SW2-1 .. SW5-8.
class SwitchBank {
 public:
  SwitchBank() { positions_.fill(kPositionNone); }

  int position(int index) const { return positions_[static_cast<std::size_t>(index)]; }
  void setPosition(int index, int itemIndex) { positions_[static_cast<std::size_t>(index)] = itemIndex; }

  // Sets the eight positions of SWn (n 1..5) from a byte value.
  void setByte(int n, std::uint8_t value);
  // The byte value of SWn; nullopt when a position of SWn has nothing selected.
  std::optional<std::uint8_t> byteValue(int n) const;

  const std::array<int, kSwitchBits>& positions() const { return positions_; }

 private:
  std::array<int, kSwitchBits> positions_;
};

// A switch query reply as the printer sent it (header byte, decimal text, 0x00...). The reply is valid
// when its first byte is 0x5F and the number after it, read by the C-library conversion up to the
// first 0x00, lies in 0..255.
std::optional<std::uint8_t> DecodeSwitchReply(std::string_view raw);

// The value text of a reply: from its second byte up to the first 0x00 (empty for an empty reply).
std::string ReplyValueText(std::string_view raw);

}  // namespace kestrova
