#pragma once
// Finding out whether a connected peer is a printer of the catalogue, for network discovery:
// the model-name query and, only when the answer is a catalogue model name, the serial-number
// query (a status query every read sends, so harmless). A peer that answers anything else is sent
// nothing more. Both replies are taken as the TCP/IP read takes them (one bounded receive after
// the pacing's wait).
#include <optional>
#include <string>

#include "link/byte_link.h"
#include "link/clock.h"
#include "model/catalogue.h"
#include "protocol/pacing.h"

namespace kestrova {

struct Identity {
  std::optional<ModelNo> model;  // empty: the answer (or its absence) named no catalogue model
  std::string modelName;         // the reported name, as the printer sent it
  std::string serial;            // empty when not asked or not answered
  bool sendFailed = false;       // a query did not go out in full
};

// Asks over an open Bounded (TCP/IP) link; never closes it.
Task<Identity> IdentifyPrinter(ByteLink& link, Clock& clock, const PacingPolicy& pacing);

}  // namespace kestrova
