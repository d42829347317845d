#pragma once
// The one-line definition shown next to each of the 40 switch bits: per model an ON text and an
// OFF text for every bit ("Reserve" where the model does not use the bit), the window's copy for
// the model in force, and the refresh that loads and shows it after a read.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "model/catalogue.h"
#include "model/model_set.h"
#include "model/switch_bank.h"

namespace kestrova {

class SwitchView;

inline constexpr const char* kReserve = "Reserve";

// One row of a bank's definition table: bit 1..8 of the bank, the texts shown for ON and for OFF,
// and the models whose table holds this pair. A trailing blank inside a text belongs to it.
struct DefinitionRow {
  int bit;
  const char* on;
  const char* off;
  ModelSet models;
};

// The rows of bank SWn (n 1..5), in table order.
const std::vector<DefinitionRow>& DefinitionBank(int n);

struct SwitchDefinition {
  std::string on;
  std::string off;
  bool operator==(const SwitchDefinition& o) const { return on == o.on && off == o.off; }
};

// 40 pairs in the order SW1-1 .. SW1-8, SW2-1 .. SW5-8: the type of the window's
// ActiveDefinitions, which holds empty strings before the first read.
using SwitchDefinitions = std::array<SwitchDefinition, kSwitchBits>;

// One pair of a model's SwitchDefinitionTable: bit index 0..39 and its two texts.
struct SwitchDefinitionEntry {
  int index;
  std::string on;
  std::string off;
};

// The pairs that the tables list for model m, in bit order; empty for ModelNo 0 and for numbers
// that are not in the catalogue. RT3206 and RT3207 share one table.
std::vector<SwitchDefinitionEntry> SwitchDefinitionTable(ModelNo m);

// The 40 pairs of model m: its table's pairs, "Reserve"/"Reserve" for every bit it does not list.
SwitchDefinitions ModelDefinitions(ModelNo m);

// Sets all 80 strings to "Reserve".
void ResetDefinitions(SwitchDefinitions& activeDefinitions);

// After a read has set the 40 radio groups: loads the table of model m into activeDefinitions,
// runs the 40 bit refresh operations in order SW1-1 .. SW5-8, then fills the derived print-density
// and Thai-pass boxes for the models that have them.
void ApplyModelDefinitions(ModelNo m, SwitchDefinitions& activeDefinitions, SwitchView& view);

// The print-density text derived from SW3-5 .. SW3-8 for the models that show one at a read
// (RT5600 and RT5602 from three bits, ten others from four); nullopt for every other model. When a
// group it needs has nothing selected the text is empty.
std::optional<std::string> DerivedPrintDensity(ModelNo m, const SwitchView& view);

// The Thai-pass text derived from SW3-3 for RT5502, RT5500E and RT5503: "1 PASS" for OFF, "3 PASS"
// for ON; nullopt for other models and when SW3-3 has nothing selected.
std::optional<std::string> DerivedThaiPass(ModelNo m, const SwitchView& view);

}  // namespace kestrova
