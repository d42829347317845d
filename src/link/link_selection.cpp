#include "link/link_selection.h"

#include <climits>
#include <cstdio>

namespace kestrova {

int AtoiText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

LinkKind LinkKind::FromSelectionText(std::string_view text) {
  LinkKind kind;
  if (text == "TCP/IP") {
    kind.type = Type::Tcp;
  } else if (text == "USB") {
    kind.type = Type::Usb;
  } else if (text.find("COM") != std::string_view::npos) {
    kind.type = Type::Com;
    kind.comNumber = text.size() > 3 ? AtoiText(text.substr(3)) : 0;
  }
  return kind;
}

const std::vector<std::string>& PortSelectionTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> list = {"TCP/IP", "USB"};
    for (int n = 1; n <= LinkKind::kComPortCount; ++n) list.push_back("COM" + std::to_string(n));
    return list;
  }();
  return texts;
}

bool IsListedPortText(std::string_view text) {
  for (const auto& listed : PortSelectionTexts()) {
    if (listed == text) return true;
  }
  return false;
}

SettingsGroup SettingsGroupFor(std::string_view selectionText) {
  if (selectionText == "TCP/IP") return SettingsGroup::Tcp;
  if (selectionText.find("COM") != std::string_view::npos) return SettingsGroup::Com;
  if (selectionText.find("USB") != std::string_view::npos) return SettingsGroup::Usb;
  return SettingsGroup::None;
}

int BaudRateFromButtons(const std::array<bool, 4>& checked, int currentRate) {
  for (std::size_t i = 0; i < checked.size(); ++i) {
    if (checked[i]) return kBaudRates[i];
  }
  return currentRate;
}

Handshaking HandshakingFromItem(int itemIndex, Handshaking current) {
  if (itemIndex == 0) return Handshaking::DtrDsr;
  if (itemIndex == 1) return Handshaking::XonXoff;
  return current;
}

Parity ParityFromItem(int itemIndex, Parity current) {
  if (itemIndex == 0) return Parity::None;
  if (itemIndex == 1) return Parity::Even;
  return current;
}

std::string FormatHostText(std::uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", (address >> 24) & 0xFFu, (address >> 16) & 0xFFu,
                (address >> 8) & 0xFFu, address & 0xFFu);
  return text;
}

bool ParseHostText(std::string_view text, std::uint32_t& address) {
  std::uint32_t result = 0;
  std::size_t pos = 0;
  for (int field = 0; field < 4; ++field) {
    if (field > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    const std::size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
    }
    if (pos == start || value > 255) return false;
    result = (result << 8) | value;
  }
  if (pos != text.size()) return false;
  address = result;
  return true;
}

std::string PortText(std::string_view portField) { return std::to_string(AtoiText(portField)); }

}  // namespace kestrova
