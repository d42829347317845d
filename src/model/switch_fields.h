#pragma once
// Multi-bit switch fields: 2 to 4 adjacent bits of one bank read together as one value for a set
// of models (baud rate, paper width, print speed, print density, reductions), and the refresh of
// one bit's definition label that composes them.
#include <optional>
#include <string>
#include <vector>

#include "model/catalogue.h"
#include "model/model_set.h"
#include "model/switch_definitions.h"

namespace kestrova {

class SwitchView;

// How a field's value joins the ON text of each of its bits.
enum class FieldJoin {
  Suffix,     // ON text + value ("Baud Rate" + " - 9600")
  Separator,  // ON text + " - " + value ("Print Density" + " - " + "70%")
};

// One field variant of the catalogue F1 .. F13. The field index reads the bits as one number
// whose lowest bit is the field's lowest-numbered bit.
struct SwitchField {
  const char* id;       // "F1" .. "F13"; the variants of one field share it
  const char* name;     // the ON text the definition tables give the field's bits
  int bank;             // 1..5
  int firstBit;         // 1..8
  int width;            // 2..4
  ModelSet models;
  std::vector<std::string> values;  // 2^width texts, by field index
  FieldJoin join;
  bool setsPrintDensity;  // also writes the bare value to TXT_LanInfoPrintDensity

  int bitIndex(int k) const { return SwitchIndex(bank, firstBit + k); }  // k 0..width-1
};

// Every field variant, by FieldVariant.
enum FieldVariant : int {
  F1_RT3200_RT5500,
  F1_RT4300_GROUP,  // RT4300, RT5600, RT4300X, RT5602, RT5502, RT6400K, RT5503
  F1_RT5500E_MV7120SK,
  F1_RT6100,
  F1_KD250,
  F2_RT6100,
  F2_RT6400K,
  F2_RT5500,
  F3,
  F4,
  F5_RT5600_RT5602,
  F5_RT5502_GROUP,  // RT5502, RT5500E, RT5503
  F6_RT6100,
  F6_RT6400K,
  F7_MV7500_GROUP,  // MV7500, RT3206, RT3207
  F7_MV7120SK,
  F8,
  F9_RT5600_RT5602,
  F9_RT6400K,
  F10,
  F11,
  F12,
  F13,
  kFieldVariantCount
};

const std::vector<SwitchField>& FieldCatalogue();
const SwitchField& Field(FieldVariant variant);

// The member table: the fields that the refresh of bit index 0..39 evaluates, in order. Empty for
// the bits whose refresh only shows their own text.
const std::vector<FieldVariant>& FieldsOfSwitch(int bitIndex);

// The field index from the current positions; nullopt when a group of the field has nothing
// selected.
std::optional<int> FieldIndex(const SwitchField& field, const SwitchView& view);
// The value text for the current positions; empty when a group of the field has nothing selected.
std::string FieldValue(const SwitchField& field, const SwitchView& view);

// The refresh operation of bit index 0..39 (RBG_SW1_1Click .. RBG_SW5_8Click; SwitchHandlerName
// gives the name): shows the bit's ON or OFF text (nothing when its group has no selection), then
// recomposes every field of the member table that applies to activeModel. Reads the positions,
// the definitions and the model; changes only labels and, for RT6400K's density field, the print
// density box.
void RefreshSwitch(int bitIndex, ModelNo activeModel, const SwitchDefinitions& activeDefinitions,
                   SwitchView& view);

}  // namespace kestrova
