#pragma once
// `metrics LINK... [--from FILE.json] [--output FILE]`: each printer read once, then the results
// in the Prometheus text format, for a collector that picks up files (or for standard output).
#include <ostream>

#include "cli/cli_request.h"

namespace kestrova::cli {

// Reads every printer and writes the metrics; kExitFailed when a printer failed (its `up` is 0
// and the file is written all the same) or the file could not be written, kExitOk otherwise.
int Metrics(const Request& r, std::ostream& out, std::ostream& err);

}  // namespace kestrova::cli
