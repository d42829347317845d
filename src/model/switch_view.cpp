#include "model/switch_view.h"

namespace kestrova {

namespace {
std::string BankAndBit(int bitIndex) {
  return std::to_string(bitIndex / kBitsPerSwitch + 1) + "_" + std::to_string(bitIndex % kBitsPerSwitch + 1);
}
}  // namespace

std::string SwitchGroupName(int bitIndex) { return "RBG_SW" + BankAndBit(bitIndex); }
std::string SwitchHandlerName(int bitIndex) { return SwitchGroupName(bitIndex) + "Click"; }
std::string SwitchLabelName(int bitIndex) { return "TXT_SW" + BankAndBit(bitIndex) + "info"; }

}  // namespace kestrova
