#pragma once
// What the switch refresh needs from the window: the radio group of each of the 40 bits, its
// definition label, and the two derived boxes of the Language Information group.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/switch_bank.h"

namespace kestrova {

class SwitchView {
 public:
  virtual ~SwitchView() = default;

  // Item index of RBG_SWn_b (bit index 0..39): 0 "ON", 1 "OFF", -1 nothing selected.
  virtual int itemIndex(int bitIndex) const = 0;
  virtual void setItemIndex(int bitIndex, int item) = 0;
  // Caption of TXT_SWn_binfo.
  virtual std::string label(int bitIndex) const = 0;
  virtual void setLabel(int bitIndex, const std::string& text) = 0;
  // TXT_LanInfoPrintDensity.
  virtual std::string printDensity() const = 0;
  virtual void setPrintDensity(const std::string& text) = 0;
  // TXT_LanInfoThai1n3Pass.
  virtual void setThaiPass(const std::string& text) = 0;
};

// Initial caption of every definition label.
inline constexpr const char* kInitialSwitchLabel = "NULL";

// The view as plain values: for the command-line tool and for tests. Starts as the window does:
// nothing selected, every label "NULL", the two boxes empty.
class SwitchViewValues : public SwitchView {
 public:
  SwitchViewValues() {
    positions.fill(kPositionNone);
    labels.fill(kInitialSwitchLabel);
  }

  int itemIndex(int bitIndex) const override { return positions[static_cast<std::size_t>(bitIndex)]; }
  void setItemIndex(int bitIndex, int item) override { positions[static_cast<std::size_t>(bitIndex)] = item; }
  std::string label(int bitIndex) const override { return labels[static_cast<std::size_t>(bitIndex)]; }
  void setLabel(int bitIndex, const std::string& text) override { labels[static_cast<std::size_t>(bitIndex)] = text; }
  std::string printDensity() const override { return density; }
  void setPrintDensity(const std::string& text) override { density = text; }
  void setThaiPass(const std::string& text) override { thaiPass = text; }

  std::array<int, kSwitchBits> positions;
  std::array<std::string, kSwitchBits> labels;
  std::string density;
  std::string thaiPass;
};

// The one conversion between the groups and the five bytes: SWn (1..5) as its eight groups show it
// (nullopt while one of them has nothing selected), and the eight groups selected as a byte's bits say.
std::optional<std::uint8_t> SwitchByte(const SwitchView& view, int n);
void ShowSwitchByte(SwitchView& view, int n, std::uint8_t value);

// Component names of bit index 0..39: "RBG_SW3_5", its click handler "RBG_SW3_5Click", its label
// "TXT_SW3_5info".
std::string SwitchGroupName(int bitIndex);
std::string SwitchHandlerName(int bitIndex);
std::string SwitchLabelName(int bitIndex);

}  // namespace kestrova
