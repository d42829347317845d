#include "model/language_settings.h"

namespace kestrova {

namespace {

template <typename List>
bool InList(const List& list, int position) {
  return position >= 0 && static_cast<std::size_t>(position) < list.size();
}

}  // namespace

const std::vector<CodePageEntry>& CodePageTable() {
  // number, CMB_SelectCodePage entry, CMB_CodePageName entry; by position 0..21
  static const std::vector<CodePageEntry> table = {
      {0, "0  - Standard", "Standard"},
      {1, "1  - Japanese", "Katakana Japanese"},
      {2, "2  - Multilingual(LatinI)", "Multilingual(LatinI)"},
      {3, "3  - Portuguese", "Portuguese"},
      {4, "4  - Canadian-French", "Canadian-French"},
      {5, "5  - Nordic", "Nordic"},
      {17, "17 - Cyrillic", "Cyrillic"},
      {18, "18 - Latin 2", "Latin 2"},
      {19, "19 - Multilingual(Euro)", "Multilingual (Latin+Euro)"},
      {21, "21 - Hebrew", "Hebrew"},
      {22, "22 - Arabic", "Arabic"},
      {24, "24 - Windows Greek", "Windows Greek"},
      {25, "25 - Windows Turkish", "Windows Turkish"},
      {26, "26 - Windows Baltic", "Windows Baltic"},
      {27, "27 - Windows Arabic/Farsi", "Windows Arabic(Farsi)"},
      {28, "28 - Windows Cyrillic", "Windows Cyrillic"},
      {29, "29 - Greek", "Greek"},
      {31, "31 - Thai page 14", "Thai character code page 14"},
      {33, "33 - Hebrew", "Hebrew New code"},
      {34, "34 - Thai page 11", "Thai character code page 11"},
      {36, "36 - Cyrillic", "Cyrillic"},
      {37, "37 - Turkish", "Turkish"},
  };
  return table;
}

const std::vector<std::string>& CharsetEntries() {
  // Positions 0..13 carry numbers 0..13, positions 14..17 numbers 15..18.
  static const std::vector<std::string> entries = {
      "0 - U.S.A.",     "1 - France",        "2 - Germany",       "3 - U.K.",      "4 - Denmark I",
      "5 - Sweden",     "6 - Italy",         "7 - Spain I",       "8 - Japan",     "9 - Norway",
      "10- Denmark II", "11- Spain II",      "12- Latin America", "13- Korea",     "15- Ex-Yugoslavia",
      "16- Indian",     "17- Philippines",   "18- Dubai",
  };
  return entries;
}

const std::vector<std::string>& New8x16FontEntries() {
  static const std::vector<std::string> entries = {"ON", "OFF"};
  return entries;
}

std::optional<int> CodePagePositionOfNumber(int number) {
  const auto& table = CodePageTable();
  for (std::size_t p = 0; p < table.size(); ++p)
    if (table[p].number == number) return static_cast<int>(p);
  return std::nullopt;
}

int CodePageNumberAt(int position) {
  return InList(CodePageTable(), position) ? CodePageTable()[static_cast<std::size_t>(position)].number : 0;
}

std::optional<int> CharsetPositionOfNumber(int number) {
  const int position = number >= 15 ? number - 1 : number;
  if (!InList(CharsetEntries(), position)) return std::nullopt;
  return position;
}

std::optional<int> CharsetNumberAt(int position) {
  if (!InList(CharsetEntries(), position)) return std::nullopt;
  return position >= 14 ? position + 1 : position;
}

std::optional<int> New8x16FontPositionOfValue(std::string_view valueText) {
  if (valueText.substr(0, 2) == "ON") return kFontOnPosition;
  if (valueText.empty()) return kFontOffPosition;
  return std::nullopt;
}

std::string New8x16FontWireValue(bool on) { return on ? std::string("ON") : std::string(2, '\0'); }

void CMB_SelectCodePageChange(LanguageState& state) {
  state.codePageNamePosition = InList(CodePageTable(), state.codePagePosition) ? state.codePagePosition : kNoPosition;
  SelectCharset(state, state.codePagePosition == kJapaneseCodePagePosition ? kJapanCharsetPosition
                                                                            : kUsaCharsetPosition);
}

void SelectCodePage(LanguageState& state, int position) {
  state.codePagePosition = InList(CodePageTable(), position) ? position : kNoPosition;
  CMB_SelectCodePageChange(state);
}

void SelectCharset(LanguageState& state, int position) {
  if (InList(CharsetEntries(), position)) {
    state.charsetPosition = position;
    state.charsetText = CharsetEntries()[static_cast<std::size_t>(position)];
  } else {
    state.charsetPosition = kNoPosition;
    state.charsetText.clear();
  }
}

void TypeCharsetText(LanguageState& state, std::string text) {
  state.charsetPosition = kNoPosition;
  state.charsetText = std::move(text);
}

void SelectNew8x16Font(LanguageState& state, int position) {
  state.fontPosition = InList(New8x16FontEntries(), position) ? position : kNoPosition;
}

std::string CodePageText(const LanguageState& state) {
  return InList(CodePageTable(), state.codePagePosition)
             ? CodePageTable()[static_cast<std::size_t>(state.codePagePosition)].entry
             : "";
}

std::string CodePageNameText(const LanguageState& state) {
  return InList(CodePageTable(), state.codePageNamePosition)
             ? CodePageTable()[static_cast<std::size_t>(state.codePageNamePosition)].name
             : "";
}

std::string CharsetText(const LanguageState& state) { return state.charsetText; }

std::string New8x16FontText(const LanguageState& state) {
  return InList(New8x16FontEntries(), state.fontPosition)
             ? New8x16FontEntries()[static_cast<std::size_t>(state.fontPosition)]
             : std::string();
}

std::string ApplyCodePageNumber(LanguageState& state, int number) {
  if (const auto position = CodePagePositionOfNumber(number)) state.codePagePosition = *position;
  CMB_SelectCodePageChange(state);
  return CodePageText(state);
}

std::string ApplyCharsetNumber(LanguageState& state, int number) {
  SelectCharset(state, CharsetPositionOfNumber(number).value_or(kNoPosition));
  return CharsetText(state);
}

std::string ApplyNew8x16FontValue(LanguageState& state, std::string_view valueText) {
  if (const auto position = New8x16FontPositionOfValue(valueText)) state.fontPosition = *position;
  return New8x16FontText(state);
}

LanguageWriteValues LanguageToWrite(const LanguageState& state) {
  return {CodePageNumberAt(state.codePagePosition), CodePageNameText(state),
          CharsetNumberAt(state.charsetPosition), state.fontPosition == kFontOnPosition};
}

}  // namespace kestrova
