#pragma once
// The switch refresh's view of the window: the 40 radio groups, their definition labels and the
// two derived boxes of the Language Information group.
#include "model/switch_view.h"

struct WindowLayout;

class WidgetSwitchView : public kestrova::SwitchView {
 public:
  explicit WidgetSwitchView(const WindowLayout& ui) : ui_(ui) {}

  int itemIndex(int bitIndex) const override;
  void setItemIndex(int bitIndex, int item) override;
  std::string label(int bitIndex) const override;
  void setLabel(int bitIndex, const std::string& text) override;
  std::string printDensity() const override;
  void setPrintDensity(const std::string& text) override;
  void setThaiPass(const std::string& text) override;

 private:
  const WindowLayout& ui_;
};
