#pragma once
// The bounds of a fleet: the open-file limit raised at start, and how many printers may be in
// flight at once under it. Each printer in flight costs one file descriptor, its socket or device:
// the printers share their loop's descriptors.
#include <cstddef>

namespace kestrova::cli {

// File descriptors one printer in flight may hold, and those kept free for the program itself
// (standard streams, the main event loop, libraries, name lookup).
inline constexpr std::size_t kFilesPerPrinter = 1;
inline constexpr std::size_t kFilesKept = 64;

// Raises the soft limit of open files to the hard limit (the program uses no select(), so
// descriptors above 1024 are safe). Returns the soft limit now in force.
std::size_t RaiseOpenFileLimit();

// Printers in flight under the current soft limit: at least one.
std::size_t PrintersInFlight();

}  // namespace kestrova::cli
