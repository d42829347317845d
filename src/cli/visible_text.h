#pragma once
// Text that comes from outside the program (printer replies, host names, --tcp-list lines, file
// paths) as the readable output shows it: a terminal must never take it for a command.
#include <string>
#include <string_view>

namespace kestrova::cli {

// The text with every control byte shown as an escape: C0 (0x00-0x1F), DEL (0x7F) and C1
// (0x80-0x9F) as "\x1b", and a backslash as "\\", so the shown text is unambiguous. Any other byte
// is kept as it is. The JSON output escapes by its own rules and does not use this.
std::string VisibleText(std::string_view text);

}  // namespace kestrova::cli
