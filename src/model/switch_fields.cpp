#include "model/switch_fields.h"

#include "model/switch_view.h"

namespace kestrova {

namespace {

using namespace models;

constexpr FieldJoin kSuffix = FieldJoin::Suffix;
constexpr FieldJoin kSeparator = FieldJoin::Separator;

}  // namespace

const std::vector<SwitchField>& FieldCatalogue() {
  // Value tables shared by several fields.
  static const std::vector<std::string> kPaperWidth3 = {
      " = 83mm ,Printable width = 640dots", " = 83mm ,Printable width = 640dots",
      " = 83mm ,Printable width = 576dots", " = 83mm ,Printable width = 512dots",
      " = 58mm ,Printable width = 432dots", " = 58mm ,Printable width = 424dots",
      " = 80mm ,Printable width = 576dots", " = 80mm ,Printable width = 512dots"};
  static const std::vector<std::string> kReduction = {" - Reduce 75%", " - Reduce 50%", " - Reduce 25%", " - Disable"};
  // id, field name, bank, first bit, width, models, values by index, join, sets the density box
  static const std::vector<SwitchField> fields = {
      // F1: baud rate (KD250: interface), SW1-1..SW1-2
      {"F1", "Baud Rate", 1, 1, 2, {RT3200, RT5500},
       {" - 38400", " - 115200", " - 9600", " - 19200"}, kSuffix, false},
      {"F1", "Baud Rate", 1, 1, 2, {RT4300, RT5600, RT4300X, RT5602, RT5502, RT6400K, RT5503},
       {" - 38400", " - 19200", " - 9600", " - 115200"}, kSuffix, false},
      {"F1", "Baud Rate", 1, 1, 2, {RT5500E, MV7120SK},
       {" - 38400", " - 9600", " - 19200", " - 115200"}, kSuffix, false},
      {"F1", "Baud Rate", 1, 1, 2, {RT6100},
       {" - 38400 (USB CDC)", " - 115200 (Printer Class)", " - 9600", " - 19200"}, kSuffix, false},
      {"F1", "Interface", 1, 1, 2, {KD250},
       {" - VCOM", " - Undefined", " - Printer Class", " - WiFi"}, kSuffix, false},
      // F2: paper width and printable width
      {"F2", "Paper width", 1, 3, 3, {RT6100}, kPaperWidth3, kSuffix, false},
      {"F2", "Paper width & printable width", 1, 5, 3, {RT6400K}, kPaperWidth3, kSuffix, false},
      {"F2", "Paper width", 1, 3, 2, {RT5500},
       {", printable width undefined", " = 58mm ,Printable width = 424dots",
        " = 80mm ,Printable width = 576dots", " = 80mm ,Printable width = 512dots"}, kSuffix, false},
      // F3: onboard interface, SW1-4..SW1-5
      {"F3", "Onboard Interface", 1, 4, 2, {RT5600, RT4300X, RT5503},
       {" - Undefined", " - Serial", " - Ethernet", " - USB"}, kSuffix, false},
      // F4: print speed, SW2-6..SW2-7
      {"F4", "Print Speed", 2, 6, 2, {MV7500, MV7120SK},
       {" - 250mm/s", " - 180mm/s", " - 200mm/s", " - 220mm/s"}, kSuffix, false},
      // F5: print speed, SW3-1..SW3-2
      {"F5", "Print Speed", 3, 1, 2, {RT5600, RT5602},
       {" - 250mm/s", " - 180mm/s", " - 200mm/s", " - 220mm/s"}, kSuffix, false},
      {"F5", "Print Speed", 3, 1, 2, {RT5502, RT5500E, RT5503},
       {" - 150mm/s", " - 180mm/s", " - 200mm/s", " - 220mm/s"}, kSuffix, false},
      // F6: print speed without unit, SW3-2..SW3-4; the variants differ in indexes 5 to 7
      {"F6", "Print Speed", 3, 2, 3, {RT6100},
       {" - Undefined", " - Undefined", " - 180", " - 200", " - 220", " - 250", " - 280", " - 300"}, kSuffix, false},
      {"F6", "Print Speed", 3, 2, 3, {RT6400K},
       {" - Undefined", " - Undefined", " - 180", " - 200", " - 220", " - 280", " - 300", " - 250"}, kSuffix, false},
      // F7: print density, SW3-3..SW3-5
      {"F7", "Print Density", 3, 3, 3, {MV7500, RT3206, RT3207},
       {" - Undefined", " - Undefined", " - Undefined", " - Undefined", " - 130%", " - 120%", " - 110%", " - 100%"},
       kSuffix, false},
      {"F7", "Print Density", 3, 3, 3, {MV7120SK},
       {" - Undefined", " - 130%", " - 80%", " - 110%", " - Undefined", " - 120%", " - 90%", " - 100%"},
       kSuffix, false},
      // F8: print density, SW3-5..SW3-8
      {"F8", "Print Density", 3, 5, 4,
       {RT3200, RT5500, RT6100, RT4300, KD240, KD250, RT4300X, RT5502, RT5500E, RT5503},
       {" - null", " - null", " - null", " - null", " - null", " - 80%", " - 85%", " - 90%", " - 95%", " - 130%",
        " - 125%", " - 120%", " - 115%", " - 110%", " - 105%", " - 100%"},
       kSuffix, false},
      // F9: print density, SW3-5..SW3-7, value after a separator; RT6400K also fills the density box
      {"F9", "Print Density", 3, 5, 3, {RT5600, RT5602},
       {"Undefined", "Undefined", "80%", "90%", "130%", "120%", "110%", "100%"}, kSeparator, false},
      {"F9", "Print Density", 3, 5, 3, {RT6400K},
       {"Undefined", "70%", "80%", "90%", "130%", "120%", "110%", "100%"}, kSeparator, true},
      // F10 .. F12: reductions on SW4, every model
      {"F10", "Barcode Height Reduction", 4, 2, 2, kAllModels, kReduction, kSuffix, false},
      {"F11", "Line Space Reduction", 4, 4, 2, kAllModels, kReduction, kSuffix, false},
      {"F12", "Line Feed Reduction", 4, 6, 2, kAllModels, kReduction, kSuffix, false},
      // F13: print density and speed, SW5-2..SW5-3
      {"F13", "Print Density and Speed", 5, 2, 2, {RT3206, RT3207},
       {" - 80mms + 100%", " - 100mms + 90%", " - 150mms + 80%", " - Disable"}, kSuffix, false},
  };
  return fields;
}

const SwitchField& Field(FieldVariant variant) { return FieldCatalogue()[static_cast<std::size_t>(variant)]; }

const std::vector<FieldVariant>& FieldsOfSwitch(int bitIndex) {
  // Operations, and the fields each evaluates in order. Bits not listed show their own text only.
  struct MemberRow {
    std::vector<int> bits;
    std::vector<FieldVariant> fields;
  };
  auto sw = [](int n, int b) { return SwitchIndex(n, b); };
  static const std::vector<MemberRow> memberTable = {
      {{sw(1, 1), sw(1, 2)}, {F1_RT3200_RT5500, F1_RT4300_GROUP, F1_KD250, F1_RT6100, F1_RT5500E_MV7120SK}},
      {{sw(1, 3)}, {F2_RT6100, F2_RT5500}},
      {{sw(1, 4)}, {F3, F2_RT6100, F2_RT5500}},
      {{sw(1, 5)}, {F3, F2_RT6100, F2_RT6400K}},
      {{sw(1, 6), sw(1, 7)}, {F2_RT6400K}},
      {{sw(2, 6), sw(2, 7)}, {F4}},
      {{sw(3, 1)}, {F5_RT5600_RT5602, F5_RT5502_GROUP}},
      {{sw(3, 2)}, {F5_RT5600_RT5602, F6_RT6100, F5_RT5502_GROUP, F6_RT6400K}},
      {{sw(3, 3), sw(3, 4)}, {F6_RT6100, F6_RT6400K, F7_MV7500_GROUP, F7_MV7120SK}},
      {{sw(3, 5)}, {F8, F9_RT5600_RT5602, F9_RT6400K, F7_MV7500_GROUP, F7_MV7120SK}},
      {{sw(3, 6), sw(3, 7)}, {F8, F9_RT5600_RT5602, F9_RT6400K}},
      {{sw(3, 8)}, {F8}},
      {{sw(4, 2), sw(4, 3)}, {F10}},
      {{sw(4, 4), sw(4, 5)}, {F11}},
      {{sw(4, 6), sw(4, 7)}, {F12}},
      {{sw(5, 2), sw(5, 3)}, {F13}},
  };
  static const std::vector<std::vector<FieldVariant>> byBit = [] {
    std::vector<std::vector<FieldVariant>> table(kSwitchBits);
    for (const MemberRow& row : memberTable)
      for (int bit : row.bits) table[static_cast<std::size_t>(bit)] = row.fields;
    return table;
  }();
  static const std::vector<FieldVariant> none;
  if (bitIndex < 0 || bitIndex >= kSwitchBits) return none;
  return byBit[static_cast<std::size_t>(bitIndex)];
}

std::optional<int> FieldIndex(const SwitchField& field, const SwitchView& view) {
  int index = 0;
  for (int k = 0; k < field.width; ++k) {
    const int item = view.itemIndex(field.bitIndex(k));
    // Every group must have a selection: a -1 summed into the index could land on a wrong entry.
    if (item != kPositionOn && item != kPositionOff) return std::nullopt;
    index |= item << k;
  }
  return index;
}

std::string FieldValue(const SwitchField& field, const SwitchView& view) {
  const auto index = FieldIndex(field, view);
  return index ? field.values[static_cast<std::size_t>(*index)] : std::string();
}

void RefreshSwitch(int bitIndex, ModelNo activeModel, const SwitchDefinitions& activeDefinitions,
                   SwitchView& view) {
  const SwitchDefinition& own = activeDefinitions[static_cast<std::size_t>(bitIndex)];
  const int item = view.itemIndex(bitIndex);
  if (item == kPositionOff)
    view.setLabel(bitIndex, own.off);
  else if (item == kPositionOn)
    view.setLabel(bitIndex, own.on);

  for (FieldVariant variant : FieldsOfSwitch(bitIndex)) {
    const SwitchField& field = Field(variant);
    if (!field.models.contains(activeModel)) continue;
    const std::string value = FieldValue(field, view);
    const std::string joint = field.join == FieldJoin::Separator ? " - " : "";
    for (int k = 0; k < field.width; ++k) {
      const int member = field.bitIndex(k);
      view.setLabel(member, activeDefinitions[static_cast<std::size_t>(member)].on + joint + value);
    }
    if (field.setsPrintDensity) view.setPrintDensity(value);
  }
}

}  // namespace kestrova
