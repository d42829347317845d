#pragma once
// One address of a network discovery: a TCP connect bounded by timeoutMs, then IdentifyPrinter
// (the model-name query, and the serial number only from a printer of the catalogue). Creates,
// uses and closes its own link on the loop it runs on.
#include <optional>
#include <string>

#include "protocol/identify.h"

namespace kestrova {

// nullopt when nothing accepted the connection (refused, unreachable, timed out).
Task<std::optional<Identity>> IdentifyAt(std::string address, int port, int timeoutMs);

}  // namespace kestrova
