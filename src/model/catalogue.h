#pragma once
// The printer models the tool knows: their numbers, model-list entries and reported names.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// Model number of the catalogue; 0 = no model. 2 and 5 are not assigned.
using ModelNo = std::uint8_t;

// The three lists of reported names. The device-handle read (USB and COM5..COM20) uses Usb.
enum class NameList { Serial, Tcp, Usb };

struct PrinterModel {
  ModelNo no;
  const char* code;   // "RT5600"; the model-list entry text where the model has one
  int listPosition;   // position in the model list, -1 for none
  int queryDelayMs;   // device-handle read: pause before every query after the model name
};

// The 17 models in ModelNo order.
const std::vector<PrinterModel>& Catalogue();
const PrinterModel* FindModel(ModelNo no);
// By model code ("RT5602" included); nullptr when unknown.
const PrinterModel* FindModelByCode(std::string_view code);

constexpr int kModelListSize = 16;
constexpr int kDefaultModelListPosition = 6;  // "RT5600"
// The 16 entries of the model list, in list order.
const std::vector<std::string>& ModelListEntries();
// Position of the entry whose text equals text; -1 when none.
int ModelListPositionOf(std::string_view text);

// The model-list text to SelectedModelNo: the first model code found in the text as a substring,
// longer codes before the shorter ones they contain; 0 when none.
ModelNo SelectedModelNoFromText(std::string_view text);

// The first catalogue name of the list that matches the reported name text (the reply's value
// text, without the header byte), or nullopt.
std::optional<ModelNo> MatchReportedName(NameList list, std::string_view name);

}  // namespace kestrova
