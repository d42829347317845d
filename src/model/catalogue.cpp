#include "model/catalogue.h"

#include <algorithm>

namespace kestrova {

const std::vector<PrinterModel>& Catalogue() {
  static const std::vector<PrinterModel> models = {
      // no  code        list position
      {1, "RT3200", 0},    {3, "RT5500", 1},    {4, "RT6100", 2},   {6, "RT4300", 4},
      {7, "KD240", 3},     {8, "KD250", 5},     {9, "RT5600", 6},   {10, "RT4300X", 7},
      {11, "RT5602", -1},  {12, "RT5502", 9},   {13, "RT5500E", 8}, {14, "RT6400K", 10},
      {15, "RT5503", 11},  {16, "MV7500", 12},  {17, "MV7120SK", 13},
      {18, "RT3206", 14},  {19, "RT3207", 15},
  };
  return models;
}

const PrinterModel* FindModel(ModelNo no) {
  for (const auto& m : Catalogue())
    if (m.no == no) return &m;
  return nullptr;
}

const PrinterModel* FindModelByCode(std::string_view code) {
  for (const auto& m : Catalogue())
    if (code == m.code) return &m;
  return nullptr;
}

const std::vector<std::string>& ModelListEntries() {
  static const std::vector<std::string> entries = [] {
    std::vector<std::string> e(kModelListSize);
    for (const auto& m : Catalogue())
      if (m.listPosition >= 0) e[static_cast<std::size_t>(m.listPosition)] = m.code;
    return e;
  }();
  return entries;
}

int ModelListPositionOf(std::string_view text) {
  const auto& e = ModelListEntries();
  const auto it = std::find(e.begin(), e.end(), text);
  return it == e.end() ? -1 : static_cast<int>(it - e.begin());
}

ModelNo SelectedModelNoFromText(std::string_view text) {
  // Searched in this order; "RT5500E" before "RT5500" and "RT4300X" before "RT4300".
  static const struct { const char* code; ModelNo no; } order[] = {
      {"RT3200", 1},   {"RT5500E", 13}, {"RT5502", 12},  {"RT5500", 3},   {"RT6100", 4},
      {"KD240", 7},    {"KD250", 8},    {"RT5600", 9},   {"RT6400K", 14}, {"RT5503", 15},
      {"RT4300X", 10}, {"RT4300", 6},   {"MV7500", 16},  {"MV7120SK", 17},
  };
  for (const auto& o : order)
    if (text.find(o.code) != std::string_view::npos) return o.no;
  return 0;
}

namespace {

struct ReportedName {
  const char* name;
  int compared;  // characters compared; one more than the name means nothing may follow it
  ModelNo no;
};

// Compares like strncmp over `compared` characters, the end of a text counting as a 0 byte.
bool NameMatches(std::string_view reported, const ReportedName& entry) {
  const std::string_view expected(entry.name);
  for (int i = 0; i < entry.compared; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const char a = k < reported.size() ? reported[k] : '\0';
    const char b = k < expected.size() ? expected[k] : '\0';
    if (a != b) return false;
    if (a == '\0') return true;
  }
  return true;
}

// clang-format off
const ReportedName kSerialNames[] = {
    {"RT-5600", 7, 9},   {"KD-240", 6, 7},    {"KD6", 3, 7},       {"RT-4300X", 8, 10},
    {"RT-4300", 7, 6},   {"RT-5602", 7, 11},  {"KD250", 5, 8},     {"RT-6100", 7, 4},
    {"RT-3200", 7, 1},   {"RT-5500E", 8, 13}, {"RT-5502", 7, 12},  {"RT-5500", 7, 3},
    {"RT-5503", 7, 15},  {"RT-6400K", 8, 14}, {"MV75_USB", 8, 16}, {"MV71_USB", 8, 17},
};
const ReportedName kTcpNames[] = {
    {"RT-5600", 7, 9},   {"KD-240", 6, 7},    {"KD6", 3, 7},       {"RT-4300X", 8, 10},
    {"RT-4300", 7, 6},   {"RT-5602", 7, 11},  {"KD250", 5, 8},     {"RT-6100", 7, 4},
    {"RT-3200", 7, 1},   {"RT-5500", 7, 3},   {"RT-5503", 7, 15},  {"RT-6400K", 8, 14},
    {"MV75_USB", 8, 16}, {"RT-3206", 8, 18},  {"RT-3207", 8, 19},
};
const ReportedName kUsbNames[] = {
    {"RT-5600", 7, 9},   {"KD-240", 6, 7},    {"KD6", 3, 7},       {"RT-4300X", 8, 10},
    {"RT-4300", 7, 6},   {"RT-5602", 7, 11},  {"KD250", 5, 8},     {"RT-3200", 7, 1},
    {"RT-5500E", 8, 13}, {"RT-5502", 7, 12},  {"RT-5500", 7, 3},   {"RT-6100", 7, 4},
    {"RT-6400K", 8, 14}, {"RT-5503", 7, 15},  {"MV75_USB", 8, 16}, {"MV71_USB", 8, 17},
};
// clang-format on

template <std::size_t N>
std::optional<ModelNo> MatchIn(const ReportedName (&names)[N], std::string_view reported) {
  for (const auto& entry : names)
    if (NameMatches(reported, entry)) return entry.no;
  return std::nullopt;
}

}  // namespace

std::optional<ModelNo> MatchReportedName(NameList list, std::string_view name) {
  switch (list) {
    case NameList::Serial: return MatchIn(kSerialNames, name);
    case NameList::Tcp: return MatchIn(kTcpNames, name);
    case NameList::Usb: return MatchIn(kUsbNames, name);
  }
  return std::nullopt;
}

}  // namespace kestrova
