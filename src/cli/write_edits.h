#pragma once
// What `write` sends: the values a read left, changed by the options in the window's way (the
// switches as the radio groups take them, a code page picked from its list with its change
// handler, then the character set), and the list of what changed.
#include <string>
#include <vector>

#include "cli/cli_request.h"
#include "model/language_settings.h"
#include "model/switch_bank.h"
#include "session/vocabulary.h"

namespace kestrova::cli {

struct EditableSettings {
  SwitchBank bank;
  LanguageState language;
};

// The radio groups and the language lists as the read left them.
EditableSettings SettingsAsRead(const PlainReadObserver& read);

// In order: the --from file, --switches, each --set, --code-page (with its change handler),
// --charset, --font8x16.
void ApplyEdits(const WriteEdits& edits, EditableSettings& settings);

// What "Write Settings" takes from the radio groups and lists.
WriteValues ToWriteValues(const EditableSettings& settings);

// The values the options set whole (the rest must come cleanly from the read).
UserSetValues UserSetBy(const WriteEdits& edits);

// The values of the --from file that its read did not get cleanly and that no other option sets
// whole: a write must refuse such a file before anything is sent.
std::vector<std::string> UncleanFromFile(const WriteEdits& edits);

// One value a write would change: a switch ("SW3-8") or a setting ("Code Page"), as it was read
// and as it would be written, each with its meaning ("ON (Auto cutter - Disable)").
struct SettingDifference {
  std::string setting;
  std::string before;
  std::string after;
};

// What a write of `after` changes on the printer: each switch whose position differs, then the
// code page, its name, the character set and the 8x16 font where they differ; a value the read
// did not take cleanly is listed as well (its value on the printer is unknown). Empty exactly
// when the write would send back what the printer holds.
std::vector<SettingDifference> DescribeDifferences(ModelNo model, const PlainReadObserver& read,
                                                   const EditableSettings& after);

// One line per switch whose position or meaning changes ("SW3-8: ON -> OFF (before -> after)"),
// then the derived texts and the language settings that change.
std::vector<std::string> DescribeChanges(ModelNo model, const PlainReadObserver& read, const EditableSettings& after);

}  // namespace kestrova::cli
