#pragma once
// What the window shows for the switches after a fresh successful read: the 40 positions, the 40
// definition labels, and the derived print-density and Thai-pass texts. Used by the window and by
// the command-line "explain".
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/catalogue.h"
#include "model/switch_bank.h"

namespace kestrova {

struct SwitchExplanation {
  std::array<int, kSwitchBits> positions;  // 0 "ON", 1 "OFF", -1 nothing selected
  std::array<std::string, kSwitchBits> labels;
  std::string printDensity;
  std::string thaiPass;
};

// Starts from the window's state before a read (nothing selected, labels "NULL", density and Thai
// boxes empty), takes the positions of bank, then applies the definitions of model m.
SwitchExplanation ExplainSwitches(ModelNo m, const SwitchBank& bank);
// The five bytes SW1..SW5 as read.
SwitchExplanation ExplainSwitches(ModelNo m, const std::array<std::uint8_t, kSwitchBytes>& bytes);
// As read when some replies were invalid: the positions of a byte without value stay unselected.
SwitchExplanation ExplainSwitches(ModelNo m, const std::array<std::optional<std::uint8_t>, kSwitchBytes>& bytes);

}  // namespace kestrova
