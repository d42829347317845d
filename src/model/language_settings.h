#pragma once
// Language settings of the printer: code page (number and name), international character set and
// the new 8x16 font; the fixed lists of the "Additional Software Switch" tab, the mappings between
// the printer's numbers and list positions, and the state of the four lists.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// One entry of CMB_SelectCodePage and the entry at the same position of CMB_CodePageName. The
// number belongs to the position; it is not read from the entry text.
struct CodePageEntry {
  int number;
  const char* entry;  // "0  - Standard": single-digit entries have two blanks before the hyphen
  const char* name;
};

// The 22 code pages by position.
const std::vector<CodePageEntry>& CodePageTable();
// The 18 entries of CMB_InternationalCharSet by position; number 14 has no entry.
const std::vector<std::string>& CharsetEntries();
// The entries of CMB_SelectNew18x16Font: "ON" (position 0) and "OFF" (position 1).
const std::vector<std::string>& New8x16FontEntries();

constexpr int kNoPosition = -1;
constexpr int kJapaneseCodePagePosition = 1;  // "1  - Japanese"
constexpr int kJapanCharsetPosition = 8;      // "8 - Japan"
constexpr int kUsaCharsetPosition = 0;        // "0 - U.S.A."
constexpr int kFontOnPosition = 0;
constexpr int kFontOffPosition = 1;

// Code page number -> position; nullopt for a number the table does not hold.
std::optional<int> CodePagePositionOfNumber(int number);
// Position -> code page number; 0 when the position is none (or not in the table).
int CodePageNumberAt(int position);
// Character set number -> position: 15 and above are lowered by one; nullopt when the result is
// outside 0..17.
std::optional<int> CharsetPositionOfNumber(int number);
// Position -> character set number: raised by one from position 14 on; nullopt outside 0..17.
std::optional<int> CharsetNumberAt(int position);
// The value text of a new 8x16 font reply -> position: text beginning "ON" gives 0, the empty text
// (the two zero bytes of "off") gives 1, anything else nullopt.
std::optional<int> New8x16FontPositionOfValue(std::string_view valueText);
// What a write sends for the font: "ON" for on, two zero bytes otherwise.
std::string New8x16FontWireValue(bool on);

// The four lists. A position is -1 when nothing is selected; the character set box is editable,
// so the text it shows may be typed text with no position.
struct LanguageState {
  int codePagePosition = kNoPosition;
  int codePageNamePosition = kNoPosition;
  int charsetPosition = kNoPosition;
  std::string charsetText;
  int fontPosition = kNoPosition;
};

// Change handler of CMB_SelectCodePage: the name follows the code page position; the character set
// goes to "8 - Japan" for "1  - Japanese" and to "0 - U.S.A." for every other position or none.
void CMB_SelectCodePageChange(LanguageState& state);

// The user's picks. A position outside the list selects nothing. Picking a code page runs its
// change handler; typing into the character set box leaves it with no selected entry.
void SelectCodePage(LanguageState& state, int position);
void SelectCharset(LanguageState& state, int position);
void TypeCharsetText(LanguageState& state, std::string text);
void SelectNew8x16Font(LanguageState& state, int position);

// The texts the lists show; empty with nothing selected.
std::string CodePageText(const LanguageState& state);
std::string CodePageNameText(const LanguageState& state);
std::string CharsetText(const LanguageState& state);
std::string New8x16FontText(const LanguageState& state);

// The read, in this order. Each returns the text its display field receives.
// Code page number: selects its position (an unknown number keeps the selection), then runs the
// change handler; gives the TXT_LanInfoCodePage text.
std::string ApplyCodePageNumber(LanguageState& state, int number);
// Character set number: selects its position, or nothing when it maps outside the list; gives the
// TXT_LanInfoInternationalCharSet text.
std::string ApplyCharsetNumber(LanguageState& state, int number);
// New 8x16 font reply value text: "ON" selects on, empty selects off, anything else keeps the
// selection; gives the TXT_LanInfoNew8x16Font text.
std::string ApplyNew8x16FontValue(LanguageState& state, std::string_view valueText);

// What a write takes from the lists as they stand.
struct LanguageWriteValues {
  int codePageNumber;                // 0 with no code page selected
  std::string codePageName;          // the text CMB_CodePageName shows, uncut
  std::optional<int> charsetNumber;  // nullopt when no entry is selected (nothing or typed text)
  bool new8x16FontOn;                // the font list shows "ON"
};
LanguageWriteValues LanguageToWrite(const LanguageState& state);

}  // namespace kestrova
