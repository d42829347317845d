#pragma once
// What a read reports about the printer: fifteen texts as the window shows them, plus the model.
#include <array>
#include <cstdint>
#include <string>

namespace kestrova {

enum class RecordField {
  ModelName,
  Frwv,
  HoursPowered,
  CutPaperCount,
  InstallationDate,
  FailedPaperCut,
  LinePrinted,
  SerialNumber,
  LanModel,
  FontRom,
  CodePage,
  InternationalCharSet,
  PrintDensity,
  New8x16Font,
  Thai1n3Pass,
};
constexpr int kRecordFieldCount = 15;

struct RecordFieldInfo {
  RecordField field;
  const char* caption;     // caption of the edit in the window
  const char* widgetName;  // object name of the edit
  const char* jsonKey;     // key in the command-line tool's JSON
};

// The fifteen fields in window order (Printer Information, then Language Information).
const std::array<RecordFieldInfo, kRecordFieldCount>& RecordFields();
const RecordFieldInfo& RecordFieldInfoOf(RecordField field);

struct PrinterRecord {
  std::array<std::string, kRecordFieldCount> texts;
  std::uint8_t activeModelNo = 0;

  const std::string& text(RecordField f) const { return texts[static_cast<std::size_t>(f)]; }
  void setText(RecordField f, std::string value) { texts[static_cast<std::size_t>(f)] = std::move(value); }
  // Empties every text; activeModelNo is reset separately, by the read button.
  void clearTexts() {
    for (auto& t : texts) t.clear();
  }
};

}  // namespace kestrova
