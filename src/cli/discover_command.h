#pragma once
// `discover RANGE... [--port N] [--timeout MS] [--max-parallel N] [--json] [--format F]`: the
// printers of the catalogue among the addresses named. Each address gets a TCP connect and the
// model-name query; only a peer that answers with a catalogue model name is asked one more thing
// (its serial number). Nothing else is ever sent.
#include <ostream>

#include "cli/cli_request.h"

namespace kestrova::cli {

// Prints the printers found in ascending address order (a line each, a JSON object each, a
// Prometheus file_sd list or an Ansible inventory), and on err each peer that answered but is
// not a printer of the catalogue; kExitOk when a printer was found, kExitFailed otherwise.
int Discover(const Request& r, std::ostream& out, std::ostream& err);

}  // namespace kestrova::cli
