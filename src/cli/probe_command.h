#pragma once
// `probe --serial DEVICE`: the line settings at which a serial printer answers. The model-name
// query is tried at 115200, 38400, 19200 and 9600 bit/s, each with parity none and even (the
// window's choices); a setting counts when the printer answers with a model of the catalogue.
#include <ostream>

#include "cli/cli_request.h"

namespace kestrova::cli {

// Prints each answering setting (text or --json); kExitOk when one answered, kExitFailed otherwise.
int Probe(const Request& r, std::ostream& out, std::ostream& err);

}  // namespace kestrova::cli
