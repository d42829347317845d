#pragma once
// A file replaced whole: written under a temporary name in its own folder, then renamed over the
// old one, so a reader (a collector scanning the folder) sees the old file or the new, never half.
#include <string>

namespace kestrova::cli {

// Writes content to path that way, mode 0644 whatever the umask, synced to disk before the
// rename; false with the reason ("Permission denied") when the file
// could not be written, leaving no temporary file behind.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error);

}  // namespace kestrova::cli
