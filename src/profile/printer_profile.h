#pragma once
// The printer profile: the JSON a read prints, taken back as the values to write or compare.
#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/catalogue.h"
#include "model/switch_bank.h"

namespace kestrova::profile {

// The values of a profile. A value the file leaves open (a null byte, an empty language text)
// keeps what the printer holds.
struct PrinterProfile {
  ModelNo model = 0;
  std::array<std::optional<std::uint8_t>, kSwitchBytes> bytes{};
  std::optional<int> codePagePosition;  // position in CodePageTable()
  std::optional<int> charsetPosition;   // position in CharsetEntries()
  std::optional<int> fontPosition;      // position in New8x16FontEntries()
  // The written values whose read was not clean when the profile was saved, by name ("SW1".."SW5",
  // "Code Page", "International Character Set", "New 8x16 Font"), in the order of a write. Such a
  // value is what the printer seemed to hold, not what it held: it must never go to a printer.
  std::vector<std::string> unclean;

  bool operator==(const PrinterProfile& other) const;
};

// The profile of the values shown: model, the five bytes, code page number, character set number
// and 8x16 font. A number of no table entry leaves that value open.
PrinterProfile ProfileFromValues(ModelNo model, const std::array<std::uint8_t, kSwitchBytes>& bytes,
                                 std::optional<int> codePageNumber, std::optional<int> charsetNumber,
                                 std::optional<bool> fontOn);

// The profile as indented JSON in the layout of a read: ok, model, printer (the three language
// texts), bytes, switches (with the model's definitions).
QByteArray SerializeProfile(const PrinterProfile& profile);

// Whether a profile may leave all five bytes open. A file may not (it would match any printer and
// write nothing); a printer's own read may, when none of its switch replies was valid.
enum class OpenBytes { Refused, Allowed };

// The unclean values (PrinterProfile::unclean) that the profile holds a value for: what a write
// from it would send without knowing it.
std::vector<std::string> UncleanHeldValues(const PrinterProfile& profile);

// Why a profile is refused for a write: "golden.json: SW1, Code Page were not read cleanly when it
// was saved; read that printer again".
std::string UncleanRefusal(const std::string& file, const std::vector<std::string>& names);

// Parses and checks a profile; nullopt with error "line N: expected ..." naming the fault.
std::optional<PrinterProfile> ParseProfile(const QByteArray& json, std::string& error,
                                           OpenBytes open = OpenBytes::Refused);

}  // namespace kestrova::profile
