#include "protocol/identify.h"

#include "protocol/query_table.h"
#include "protocol/read_sequence.h"

namespace kestrova {

namespace {

constexpr int kModelNameStep = 1;
constexpr int kSerialNumberStep = 13;

const Query& QueryOfStep(int step) { return Queries()[static_cast<std::size_t>(step - 1)]; }

// Send, wait, take: the value text of the reply, nullopt when the query did not go out.
std::optional<std::string> Ask(ByteLink& link, Clock& clock, const PacingPolicy& pacing, const Query& query) {
  if (!link.send(QueryCommand(query))) return std::nullopt;
  pacing.awaitReply(link, clock, kCommandPauseMs);
  return ValueText(link.receive(kBoundedReceiveMax, kReceiveTimeoutMs));
}

}  // namespace

Identity IdentifyPrinter(ByteLink& link, Clock& clock, const PacingPolicy& pacing) {
  Identity identity;
  const auto name = Ask(link, clock, pacing, QueryOfStep(kModelNameStep));
  if (!name) {
    identity.sendFailed = true;
    return identity;
  }
  identity.modelName = *name;
  identity.model = MatchReportedName(NameList::Tcp, *name);
  if (!identity.model) return identity;
  const auto serial = Ask(link, clock, pacing, QueryOfStep(kSerialNumberStep));
  if (!serial) identity.sendFailed = true;
  else identity.serial = *serial;
  return identity;
}

}  // namespace kestrova
