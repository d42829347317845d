#include "model/catalogue.h"

#include <algorithm>

#include "model/model_set.h"

namespace kestrova {

const std::vector<PrinterModel>& Catalogue() {
  using namespace models;
  // The two slow models need a pause before every query after the model name (device handle).
  static const std::vector<PrinterModel> catalogue = {
      // no        code        list  query delay
      {RT3200,   "RT3200",    0,    0},    {RT5500,  "RT5500",  1,  0},    {RT6100,  "RT6100",  2,  0},
      {RT4300,   "RT4300",    4,    1000}, {KD240,   "KD240",   3,  0},    {KD250,   "KD250",   5,  1000},
      {RT5600,   "RT5600",    6,    0},    {RT4300X, "RT4300X", 7,  0},    {RT5602,  "RT5602",  -1, 0},
      {RT5502,   "RT5502",    9,    0},    {RT5500E, "RT5500E", 8,  0},    {RT6400K, "RT6400K", 10, 0},
      {RT5503,   "RT5503",    11,   0},    {MV7500,  "MV7500",  12, 0},    {MV7120SK, "MV7120SK", 13, 0},
      {RT3206,   "RT3206",    14,   0},    {RT3207,  "RT3207",  15, 0},
  };
  return catalogue;
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
  static const char* const order[] = {"RT3200", "RT5500E", "RT5502", "RT5500",  "RT6100", "KD240",  "KD250",
                                      "RT5600", "RT6400K", "RT5503", "RT4300X", "RT4300", "MV7500", "MV7120SK"};
  for (const char* code : order)
    if (text.find(code) != std::string_view::npos) return FindModelByCode(code)->no;
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
    {"RT-5600", 7, models::RT5600},   {"KD-240", 6, models::KD240},    {"KD6", 3, models::KD240},       {"RT-4300X", 8, models::RT4300X},
    {"RT-4300", 7, models::RT4300},   {"RT-5602", 7, models::RT5602},  {"KD250", 5, models::KD250},     {"RT-6100", 7, models::RT6100},
    {"RT-3200", 7, models::RT3200},   {"RT-5500E", 8, models::RT5500E}, {"RT-5502", 7, models::RT5502},  {"RT-5500", 7, models::RT5500},
    {"RT-5503", 7, models::RT5503},  {"RT-6400K", 8, models::RT6400K}, {"MV75_USB", 8, models::MV7500}, {"MV71_USB", 8, models::MV7120SK},
};
const ReportedName kTcpNames[] = {
    {"RT-5600", 7, models::RT5600},   {"KD-240", 6, models::KD240},    {"KD6", 3, models::KD240},       {"RT-4300X", 8, models::RT4300X},
    {"RT-4300", 7, models::RT4300},   {"RT-5602", 7, models::RT5602},  {"KD250", 5, models::KD250},     {"RT-6100", 7, models::RT6100},
    {"RT-3200", 7, models::RT3200},   {"RT-5500", 7, models::RT5500},   {"RT-5503", 7, models::RT5503},  {"RT-6400K", 8, models::RT6400K},
    {"MV75_USB", 8, models::MV7500}, {"RT-3206", 8, models::RT3206},  {"RT-3207", 8, models::RT3207},
};
const ReportedName kUsbNames[] = {
    {"RT-5600", 7, models::RT5600},   {"KD-240", 6, models::KD240},    {"KD6", 3, models::KD240},       {"RT-4300X", 8, models::RT4300X},
    {"RT-4300", 7, models::RT4300},   {"RT-5602", 7, models::RT5602},  {"KD250", 5, models::KD250},     {"RT-3200", 7, models::RT3200},
    {"RT-5500E", 8, models::RT5500E}, {"RT-5502", 7, models::RT5502},  {"RT-5500", 7, models::RT5500},   {"RT-6100", 7, models::RT6100},
    {"RT-6400K", 8, models::RT6400K}, {"RT-5503", 7, models::RT5503},  {"MV75_USB", 8, models::MV7500}, {"MV71_USB", 8, models::MV7120SK},
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
