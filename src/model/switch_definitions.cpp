#include "model/switch_definitions.h"

#include "model/switch_fields.h"
#include "model/switch_view.h"

namespace kestrova {

namespace {

using namespace models;

// A print-density text read from SW3-5 upwards: index = sum of position(SW3-(5+k)) * 2^k.
struct DerivedDensity {
  ModelSet models;
  int width;
  std::vector<const char*> texts;  // 2^width, by index
};

const std::vector<DerivedDensity>& DerivedDensities() {
  static const std::vector<DerivedDensity> forms = {
      // index = 4 x SW3-7 + 2 x SW3-6 + SW3-5
      {{RT5600, RT5602}, 3, {"Undefined", "Undefined", "80%", "90%", "130%", "120%", "110%", "100%"}},
      // index = 8 x SW3-8 + 4 x SW3-7 + 2 x SW3-6 + SW3-5
      {{RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT4300X, RT5502, RT5500E, RT5503},
       4,
       {"null", "null", "null", "null", "null", "80%", "85%", "90%", "95%", "130%", "125%", "120%", "115%",
        "110%", "105%", "100%"}},
  };
  return forms;
}

constexpr ModelSet kThaiPassModels{RT5502, RT5500E, RT5503};

bool Selected(int itemIndex) { return itemIndex == kPositionOn || itemIndex == kPositionOff; }

}  // namespace

std::vector<SwitchDefinitionEntry> SwitchDefinitionTable(ModelNo m) {
  std::vector<SwitchDefinitionEntry> table;
  for (int n = 1; n <= kSwitchBytes; ++n)
    for (const DefinitionRow& row : DefinitionBank(n))
      if (row.models.contains(m)) table.push_back({SwitchIndex(n, row.bit), row.on, row.off});
  return table;
}

void ResetDefinitions(SwitchDefinitions& activeDefinitions) {
  activeDefinitions.fill({kReserve, kReserve});
}

SwitchDefinitions ModelDefinitions(ModelNo m) {
  SwitchDefinitions definitions;
  ResetDefinitions(definitions);
  for (const SwitchDefinitionEntry& entry : SwitchDefinitionTable(m))
    definitions[static_cast<std::size_t>(entry.index)] = {entry.on, entry.off};
  return definitions;
}

std::optional<std::string> DerivedPrintDensity(ModelNo m, const SwitchView& view) {
  for (const DerivedDensity& form : DerivedDensities()) {
    if (!form.models.contains(m)) continue;
    int index = 0;
    for (int k = 0; k < form.width; ++k) {
      const int item = view.itemIndex(SwitchIndex(3, 5 + k));
      // A group with nothing selected has no bit value: the density is unknown, not a table entry.
      if (!Selected(item)) return std::string();
      index |= item << k;
    }
    return std::string(form.texts[static_cast<std::size_t>(index)]);
  }
  return std::nullopt;
}

std::optional<std::string> DerivedThaiPass(ModelNo m, const SwitchView& view) {
  if (!kThaiPassModels.contains(m)) return std::nullopt;
  switch (view.itemIndex(SwitchIndex(3, 3))) {
    case kPositionOff: return std::string("1 PASS");
    case kPositionOn: return std::string("3 PASS");
    default: return std::nullopt;
  }
}

void ApplyModelDefinitions(ModelNo m, SwitchDefinitions& activeDefinitions, SwitchView& view) {
  activeDefinitions = ModelDefinitions(m);  // reset to "Reserve", then the model's pairs
  for (int i = 0; i < kSwitchBits; ++i) RefreshSwitch(i, m, activeDefinitions, view);
  // The derived boxes are written only for the models that have them; for the others they keep
  // what they hold (RT6400K's density box is set by its SW3 refresh above).
  if (const auto density = DerivedPrintDensity(m, view)) view.setPrintDensity(*density);
  if (const auto thai = DerivedThaiPass(m, view)) view.setThaiPass(*thai);
}

}  // namespace kestrova
