#include "model/switch_view.h"

namespace kestrova {

std::optional<std::uint8_t> SwitchByte(const SwitchView& view, int n) {
  SwitchBank bank;
  for (int b = 1; b <= kBitsPerSwitch; ++b) bank.setPosition(SwitchIndex(n, b), view.itemIndex(SwitchIndex(n, b)));
  return bank.byteValue(n);
}

void ShowSwitchByte(SwitchView& view, int n, std::uint8_t value) {
  SwitchBank bank;
  bank.setByte(n, value);
  for (int b = 1; b <= kBitsPerSwitch; ++b) view.setItemIndex(SwitchIndex(n, b), bank.position(SwitchIndex(n, b)));
}

namespace {
std::string BankAndBit(int bitIndex) {
  return std::to_string(bitIndex / kBitsPerSwitch + 1) + "_" + std::to_string(bitIndex % kBitsPerSwitch + 1);
}
}  // namespace

std::string SwitchGroupName(int bitIndex) { return "RBG_SW" + BankAndBit(bitIndex); }
std::string SwitchHandlerName(int bitIndex) { return SwitchGroupName(bitIndex) + "Click"; }
std::string SwitchLabelName(int bitIndex) { return "TXT_SW" + BankAndBit(bitIndex) + "info"; }

}  // namespace kestrova
