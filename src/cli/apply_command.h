#pragma once
// `apply LINK... --from FILE.json [...]`: each printer read and brought to the profile (and the
// options) through the write, but only where it differs; with --check only the differences. One
// line (with --json one object) per printer, in the order given.
#include "cli/cli_request.h"
#include "cli/fleet_output.h"
#include "cli/printer_jobs.h"

namespace kestrova::cli {

// The lines of one printer's apply: "HOST:PORT: unchanged", "HOST:PORT: changed: SW3-8 ON (...) ->
// OFF (...); ...", "HOST:PORT: would change: ..." (--check); a failure on err, as write's.
PrinterLines ApplyLines(const Request& r, const WriteReport& report);

}  // namespace kestrova::cli
