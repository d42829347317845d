#include "model/switch_explain.h"

#include "model/switch_definitions.h"
#include "model/switch_view.h"

namespace kestrova {

SwitchExplanation ExplainSwitches(ModelNo m, const SwitchBank& bank) {
  SwitchViewValues view;
  view.positions = bank.positions();
  SwitchDefinitions activeDefinitions{};  // empty strings, as before the first read
  ApplyModelDefinitions(m, activeDefinitions, view);
  return {view.positions, view.labels, view.density, view.thaiPass};
}

SwitchExplanation ExplainSwitches(ModelNo m, const std::array<std::uint8_t, kSwitchBytes>& bytes) {
  SwitchBank bank;
  for (int n = 1; n <= kSwitchBytes; ++n) bank.setByte(n, bytes[static_cast<std::size_t>(n - 1)]);
  return ExplainSwitches(m, bank);
}

SwitchExplanation ExplainSwitches(ModelNo m, const std::array<std::optional<std::uint8_t>, kSwitchBytes>& bytes) {
  SwitchBank bank;
  for (int n = 1; n <= kSwitchBytes; ++n)
    if (const auto& value = bytes[static_cast<std::size_t>(n - 1)]) bank.setByte(n, *value);
  return ExplainSwitches(m, bank);
}

}  // namespace kestrova
