#pragma once
// What a read tells the window (or the command-line tool, or a test) while it runs.
//
// Every call is made on the link thread, in the order of the sequence; the window carries each one
// out on its own thread and returns when it is done. The read checks cancelled() between its steps:
// once it returns true (the watchdog has reported the read as failed, or the window is closing),
// the read makes no further call on the observer and no further use of the link.
#include <array>
#include <cstddef>
#include <string>

#include "model/catalogue.h"
#include "model/printer_record.h"

namespace kestrova {

// The five raw switch replies of a read, 8 bytes each, kept until the final step decodes them.
constexpr std::size_t kSwitchSlotSize = 8;
using SwitchSlot = std::array<char, kSwitchSlotSize>;
using SwitchSlots = std::array<SwitchSlot, 5>;

// The reply to the new 8x16 font query, as it moves the font selection.
enum class FontReply {
  On,         // the value "ON": selects item 0 "ON"
  Off,        // an empty value: selects item 1 "OFF"
  Unchanged,  // anything else: the selection stays
};

class ReadObserver {
 public:
  virtual ~ReadObserver() = default;

  // True once the read must stop where it is, touching neither the window nor the link again.
  virtual bool cancelled() = 0;

  // The read watchdog: stopped while the queries run; started again when a read is aborted, so that
  // the watchdog reports the failure.
  virtual void stopWatchdog() = 0;
  virtual void restartWatchdog() = 0;

  // Empties the fifteen information fields and the Log History.
  virtual void clearRecord() = 0;
  // Appends one line to the Log History (the line keeps its "\r\n").
  virtual void logLine(const std::string& line) = 0;
  // Sets the text of one information field.
  virtual void fieldText(RecordField field, const std::string& text) = 0;
  // Advances the progress bar by one step.
  virtual void progressStep() = 0;

  // The printer's code page number: selects the code page by the code-page table (an unlisted
  // number leaves the selection), runs the code page change handler, and returns the text of the
  // selected code page entry, which the read then shows in the code page field.
  virtual std::string applyCodePage(int number) = 0;
  // The printer's international character set number (as reported; the list has no entry for 14,
  // so the observer lowers 15 and more by one): selects the entry and returns the box's text.
  virtual std::string applyCharSet(int number) = 0;
  // Moves the new 8x16 font selection and returns the box's text.
  virtual std::string applyNewFont(FontReply reply) = 0;

  // Final step of a successful read: decode the five slots into the radio groups (a slot without a
  // valid reply leaves its eight switches as they are) and show the definitions of the model.
  virtual void applySwitchReplies(const SwitchSlots& slots, ModelNo activeModelNo) = 0;
};

}  // namespace kestrova
