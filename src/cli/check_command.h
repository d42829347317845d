#pragma once
// `check LINK... --from FILE.json`: each printer read and compared with a profile (model, the five
// bytes, code page, character set, 8x16 font); one line per printer, in the order given.
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_request.h"
#include "cli/printer_jobs.h"

namespace kestrova::cli {

// One value where the printer differs from the file: "SW3-8" or "Model", "Code Page", ...
struct Difference {
  std::string what;
  std::string file;     // "ON (Auto cutter - Disable)"
  std::string printer;  // "OFF (Auto cutter - Enable)"
};

// The differences of a successful read from the profile; a value the file leaves open is not
// compared. Another model gives the model difference only (the meanings differ by model). A value
// that the file's or the printer's read did not get cleanly is a difference of its own, "(not read
// cleanly)", never a match.
std::vector<Difference> CompareWithProfile(const SavedConfiguration& file, const ReadReport& read);

// Reads every printer and prints the comparison, one line each (with --json one object each, and
// the causes of failed reads on err as well); kExitOk when all match, kExitFailed otherwise.
int Check(const Request& r, std::ostream& out, std::ostream& err);

}  // namespace kestrova::cli
