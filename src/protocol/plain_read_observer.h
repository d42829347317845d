#pragma once
// The window's read state as plain values: the fifteen information fields, the Log History, the
// 40 switch groups with their definition labels and the two derived boxes, the four language lists
// and the active definitions. A read through this observer leaves exactly what the window shows
// after the same read; the command-line tool and tests read through it.
//
// There is no watchdog and nothing to cancel here: every link call is bounded, and a read that
// cannot go on returns Aborted with its reason.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/language_settings.h"
#include "model/printer_record.h"
#include "model/switch_bank.h"
#include "model/switch_definitions.h"
#include "model/switch_view.h"
#include "protocol/read_integrity.h"
#include "protocol/read_observer.h"

namespace kestrova {

// A new 8x16 font reply applied to the language lists; the text the font box then shows.
std::string ApplyFontReply(LanguageState& state, FontReply reply);

// The final step of a read, on any view: each slot decoded into its eight positions (a slot
// without a valid reply leaves them), then the definitions of the model loaded and shown. Returns
// the decoded bytes, nullopt where a reply was not valid.
std::array<std::optional<std::uint8_t>, kSwitchBytes> ShowSwitchReplies(const SwitchSlots& slots, ModelNo model,
                                                                        SwitchDefinitions& definitions, SwitchView& view);

class PlainReadObserver : public ReadObserver {
 public:
  bool cancelled() override { return false; }
  void stopWatchdog() override {}
  void restartWatchdog() override {}

  // Empties the fifteen fields (the print-density and Thai-pass boxes included) and the Log History.
  void clearRecord() override;
  void logLine(const std::string& line) override { log.push_back(line); }
  void fieldText(RecordField field, const std::string& text) override;
  void progressStep() override { ++progressSteps; }

  std::string applyCodePage(int number) override { return ApplyCodePageNumber(language, number); }
  std::string applyCharSet(int number) override { return ApplyCharsetNumber(language, number); }
  std::string applyNewFont(FontReply reply) override;

  // Decodes each slot into its eight positions (a slot without a valid reply leaves them), then
  // loads and shows the definitions of the model.
  void applySwitchReplies(const SwitchSlots& slots, ModelNo activeModelNo) override;

  // The five bytes as the positions show them; nullopt for a switch with a position unselected.
  std::array<std::optional<std::uint8_t>, kSwitchBytes> bankBytes() const;

  PrinterRecord record;
  std::vector<std::string> log;
  // Positions, labels, print density and Thai pass; the last two are also record fields.
  SwitchViewValues view;
  LanguageState language;
  // Empty strings until the first read, as the window's copy.
  SwitchDefinitions activeDefinitions{};
  int progressSteps = 0;
  // The decoded replies of the last read: nullopt where the reply was not valid.
  std::array<std::optional<std::uint8_t>, kSwitchBytes> replyBytes{};
  // Which values the last read took cleanly (the caller copies it from the read's result).
  ReadIntegrity integrity;
};

}  // namespace kestrova
