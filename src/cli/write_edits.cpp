#include "cli/write_edits.h"

#include <algorithm>

#include "model/switch_explain.h"

namespace kestrova::cli {

namespace {

std::string PositionText(int position) {
  if (position == kPositionOn) return "ON";
  if (position == kPositionOff) return "OFF";
  return "(none)";
}

// The language values a write sends, by the name the read's integrity gives them.
struct LanguageValue {
  const char* name;
  std::string (*text)(const LanguageState&);
};
constexpr LanguageValue kLanguageValues[] = {
    {"Code Page", CodePageText},
    {"Code Page Name", CodePageNameText},
    {"International Character Set", CharsetText},
    {"New 8x16 Font", New8x16FontText},
};

std::string ShownOrNone(const std::string& text) { return text.empty() ? "(none)" : text; }

void Changed(std::vector<std::string>& out, const std::string& what, const std::string& before,
             const std::string& after) {
  if (before != after) out.push_back(what + ": " + before + " -> " + after);
}

}  // namespace

EditableSettings SettingsAsRead(const PlainReadObserver& read) {
  EditableSettings s;
  for (int i = 0; i < kSwitchBits; ++i) s.bank.setPosition(i, read.view.positions[static_cast<std::size_t>(i)]);
  s.language = read.language;
  return s;
}

void ApplyEdits(const WriteEdits& edits, EditableSettings& s) {
  if (const auto& from = edits.from) {
    for (int n = 1; n <= kSwitchBytes; ++n)
      if (const auto& b = from->bytes[static_cast<std::size_t>(n - 1)]) s.bank.setByte(n, *b);
    // The file's code page and name as they were shown, without the change handler: the file
    // names the character set itself.
    if (from->codePagePosition) {
      s.language.codePagePosition = *from->codePagePosition;
      s.language.codePageNamePosition = *from->codePagePosition;
    }
    if (from->charsetPosition) SelectCharset(s.language, *from->charsetPosition);
    if (from->fontPosition) SelectNew8x16Font(s.language, *from->fontPosition);
  }
  if (edits.switches)
    for (int n = 1; n <= kSwitchBytes; ++n) s.bank.setByte(n, (*edits.switches)[static_cast<std::size_t>(n - 1)]);
  for (const SwitchSetting& set : edits.sets) s.bank.setPosition(set.index, set.position);
  if (edits.codePageNumber)
    if (const auto position = CodePagePositionOfNumber(*edits.codePageNumber)) SelectCodePage(s.language, *position);
  if (edits.charsetNumber) {
    for (int p = 0; p < static_cast<int>(CharsetEntries().size()); ++p)
      if (CharsetNumberAt(p) == *edits.charsetNumber) SelectCharset(s.language, p);
  }
  if (edits.fontOn) SelectNew8x16Font(s.language, *edits.fontOn ? kFontOnPosition : kFontOffPosition);
}

WriteValues ToWriteValues(const EditableSettings& s) {
  WriteValues v;
  for (int n = 1; n <= kSwitchBytes; ++n) v.switches[static_cast<std::size_t>(n - 1)] = s.bank.byteValue(n);
  const LanguageWriteValues language = LanguageToWrite(s.language);
  v.codePageNumber = language.codePageNumber;
  v.codePageName = language.codePageName;
  v.charSetNumber = language.charsetNumber;
  v.fontOn = language.new8x16FontOn;
  return v;
}

UserSetValues UserSetBy(const WriteEdits& edits) {
  UserSetValues user;
  if (const auto& from = edits.from) {
    for (int n = 1; n <= kSwitchBytes; ++n)
      if (from->bytes[static_cast<std::size_t>(n - 1)]) user.setByte(n);
    user.codePage = from->codePagePosition.has_value();
    user.charSet = from->charsetPosition.has_value();
    user.font = from->fontPosition.has_value();
  }
  if (edits.switches)
    for (int n = 1; n <= kSwitchBytes; ++n) user.setByte(n);
  for (const SwitchSetting& set : edits.sets) user.setSwitch(set.index);
  // A code page picked from its list runs the change handler, which sets the character set too.
  if (edits.codePageNumber && CodePagePositionOfNumber(*edits.codePageNumber)) user.codePage = user.charSet = true;
  if (edits.charsetNumber) user.charSet = true;
  if (edits.fontOn) user.font = true;
  return user;
}

std::vector<std::string> UncleanFromFile(const WriteEdits& edits) {
  if (!edits.from) return {};
  WriteEdits options = edits;
  options.from.reset();
  // With nothing read cleanly, the values left are exactly those the options do not set whole.
  const std::vector<std::string> notSet = UnverifiedValues(ReadIntegrity{}, UserSetBy(options));
  std::vector<std::string> names;
  for (const std::string& name : profile::UncleanHeldValues(*edits.from))
    if (std::find(notSet.begin(), notSet.end(), name) != notSet.end()) names.push_back(name);
  return names;
}

std::vector<SettingDifference> DescribeDifferences(ModelNo model, const PlainReadObserver& read,
                                                   const EditableSettings& after) {
  const SwitchExplanation next = ExplainSwitches(model, after.bank);
  std::vector<SettingDifference> out;
  for (int i = 0; i < kSwitchBits; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (read.view.positions[k] == next.positions[k]) continue;
    out.push_back({SwitchName(i), PositionText(read.view.positions[k]) + " (" + read.view.labels[k] + ")",
                   PositionText(next.positions[k]) + " (" + next.labels[k] + ")"});
  }
  for (const LanguageValue& v : kLanguageValues) {
    const std::string before = v.text(read.language);
    const std::string now = v.text(after.language);
    // The name follows the code page: it is listed only when it alone differs.
    const bool nameOnly = std::string(v.name) == "Code Page Name" &&
                          CodePageText(read.language) != CodePageText(after.language);
    if (before != now && !nameOnly) out.push_back({v.name, ShownOrNone(before), ShownOrNone(now)});
  }
  // A value the read did not take cleanly may differ on the printer whatever it showed.
  const WriteValues values = ToWriteValues(after);
  for (const std::string& name : UnverifiedValues(read.integrity, UserSetValues{})) {
    std::string target;
    if (name.rfind("SW", 0) == 0) {
      const auto& byte = values.switches[static_cast<std::size_t>(name[2] - '1')];
      target = byte ? std::to_string(*byte) : "(none)";
    }
    for (const LanguageValue& v : kLanguageValues)
      if (name == v.name) target = ShownOrNone(v.text(after.language));
    out.push_back({name, "(not read cleanly)", target});
  }
  return out;
}

std::vector<std::string> DescribeChanges(ModelNo model, const PlainReadObserver& read, const EditableSettings& after) {
  const SwitchExplanation next = ExplainSwitches(model, after.bank);
  std::vector<std::string> out;
  for (int i = 0; i < kSwitchBits; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const int was = read.view.positions[k];
    const int now = next.positions[k];
    const std::string& before = read.view.labels[k];
    const std::string& meaning = next.labels[k];
    if (was == now && before == meaning) continue;
    std::string line = SwitchName(i) + ": " + PositionText(was);
    if (was != now) line += " -> " + PositionText(now);
    line += " (" + before + (before != meaning ? " -> " + meaning : std::string()) + ")";
    out.push_back(line);
  }
  Changed(out, "Print Density", read.view.density, next.printDensity);
  Changed(out, "Thai 1Pass/3Pass", read.view.thaiPass, next.thaiPass);
  Changed(out, "Code Page", CodePageText(read.language), CodePageText(after.language));
  Changed(out, "International Character Set", CharsetText(read.language), CharsetText(after.language));
  Changed(out, "New 8x16 Font", New8x16FontText(read.language), New8x16FontText(after.language));
  return out;
}

}  // namespace kestrova::cli
