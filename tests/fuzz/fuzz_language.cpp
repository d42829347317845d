// The language-reply mappings: a series of reads and user picks on one LanguageState, driven by the
// fuzz input (one operation byte, then its argument).
//
// Properties, after every operation:
//  - every position lies within its list or is -1 (none);
//  - the code page name always follows the code page;
//  - every text the read shows is an entry text of its list or empty;
//  - number <-> position round trips hold (character set 14 comes back as 15, the entry it shares);
//  - what a write would send is a number of the table (or 0 / none) and a name of the table.
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "model/language_settings.h"

using namespace kestrova;

namespace {

template <typename List>
int Size(const List& list) { return static_cast<int>(list.size()); }

bool InRangeOrNone(int position, int size) { return position == kNoPosition || (position >= 0 && position < size); }

bool IsCodePageEntry(const std::string& text) {
  if (text.empty()) return true;
  for (const auto& e : CodePageTable())
    if (text == e.entry) return true;
  return false;
}
bool IsCodePageName(const std::string& text) {
  if (text.empty()) return true;
  for (const auto& e : CodePageTable())
    if (text == e.name) return true;
  return false;
}
bool IsCharsetEntry(const std::string& text) {
  if (text.empty()) return true;
  for (const auto& e : CharsetEntries())
    if (text == e) return true;
  return false;
}
bool IsFontEntry(const std::string& text) { return text.empty() || text == "ON" || text == "OFF"; }

void CheckNumberMappings(int number) {
  if (const auto p = CodePagePositionOfNumber(number)) {
    FUZZ_CHECK(*p >= 0 && *p < Size(CodePageTable()));
    FUZZ_CHECK(CodePageNumberAt(*p) == number);
  } else {
    for (const auto& e : CodePageTable()) FUZZ_CHECK(e.number != number);
  }
  if (const auto p = CharsetPositionOfNumber(number)) {
    FUZZ_CHECK(*p >= 0 && *p < Size(CharsetEntries()));
    FUZZ_CHECK(CharsetNumberAt(*p) == (number == 14 ? 15 : number));
  } else {
    FUZZ_CHECK(number < 0 || number > 18);
  }
  const auto back = CharsetNumberAt(number);
  FUZZ_CHECK(back.has_value() == (number >= 0 && number < Size(CharsetEntries())));
  if (back) FUZZ_CHECK(*back >= 0 && *back <= 18 && *back != 14);
  const int cp = CodePageNumberAt(number);
  FUZZ_CHECK(cp == 0 || CodePagePositionOfNumber(cp).has_value());
}

void CheckState(const LanguageState& s) {
  FUZZ_CHECK(InRangeOrNone(s.codePagePosition, Size(CodePageTable())));
  FUZZ_CHECK(InRangeOrNone(s.codePageNamePosition, Size(CodePageTable())));
  FUZZ_CHECK(InRangeOrNone(s.charsetPosition, Size(CharsetEntries())));
  FUZZ_CHECK(InRangeOrNone(s.fontPosition, Size(New8x16FontEntries())));
  FUZZ_CHECK(s.codePageNamePosition == s.codePagePosition);
  FUZZ_CHECK(IsCodePageEntry(CodePageText(s)));
  FUZZ_CHECK(IsCodePageName(CodePageNameText(s)));
  FUZZ_CHECK(IsFontEntry(New8x16FontText(s)));
  if (s.charsetPosition != kNoPosition) FUZZ_CHECK(CharsetText(s) == CharsetEntries()[static_cast<std::size_t>(s.charsetPosition)]);

  const LanguageWriteValues w = LanguageToWrite(s);
  FUZZ_CHECK(w.codePageNumber == 0 || CodePagePositionOfNumber(w.codePageNumber).has_value());
  FUZZ_CHECK(IsCodePageName(w.codePageName));
  if (w.charsetNumber) FUZZ_CHECK(CharsetPositionOfNumber(*w.charsetNumber) == s.charsetPosition);
  else FUZZ_CHECK(s.charsetPosition == kNoPosition);
  FUZZ_CHECK(w.new8x16FontOn == (s.fontPosition == kFontOnPosition));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader in(fuzz::AsView(data, size));
  LanguageState state;
  CheckState(state);
  for (int ops = 0; !in.empty() && ops < 64; ++ops) {
    switch (in.byte() % 8) {
      case 0: {  // the read's code page number
        const int number = in.int32();
        const LanguageState before = state;
        const std::string shown = ApplyCodePageNumber(state, number);
        FUZZ_CHECK(IsCodePageEntry(shown));
        FUZZ_CHECK(shown == CodePageText(state));
        if (!CodePagePositionOfNumber(number)) FUZZ_CHECK(state.codePagePosition == before.codePagePosition);
        FUZZ_CHECK(state.charsetPosition ==
                   (state.codePagePosition == kJapaneseCodePagePosition ? kJapanCharsetPosition : kUsaCharsetPosition));
        CheckNumberMappings(number);
        break;
      }
      case 1: {  // the read's character set number
        const int number = in.int32();
        const std::string shown = ApplyCharsetNumber(state, number);
        FUZZ_CHECK(IsCharsetEntry(shown));
        FUZZ_CHECK(state.charsetPosition == CharsetPositionOfNumber(number).value_or(kNoPosition));
        CheckNumberMappings(number);
        break;
      }
      case 2: {  // the read's new 8x16 font value text
        const std::string value = in.chunk();
        const int before = state.fontPosition;
        const std::string shown = ApplyNew8x16FontValue(state, value);
        FUZZ_CHECK(IsFontEntry(shown));
        const auto p = New8x16FontPositionOfValue(value);
        FUZZ_CHECK(state.fontPosition == (p ? *p : before));
        if (value.rfind("ON", 0) == 0) FUZZ_CHECK(shown == "ON");
        if (value.empty()) FUZZ_CHECK(shown == "OFF");
        break;
      }
      case 3: SelectCodePage(state, in.int32()); break;
      case 4: SelectCharset(state, in.int32()); break;
      case 5: {
        TypeCharsetText(state, in.chunk());
        FUZZ_CHECK(state.charsetPosition == kNoPosition);
        FUZZ_CHECK(!LanguageToWrite(state).charsetNumber.has_value());
        break;
      }
      case 6: SelectNew8x16Font(state, in.int32()); break;
      case 7: CheckNumberMappings(in.int32()); break;
    }
    CheckState(state);
  }
  return 0;
}
