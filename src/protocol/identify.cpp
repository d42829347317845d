#include "protocol/identify.h"

#include "protocol/query_table.h"
#include "protocol/read_sequence.h"

namespace kestrova {

namespace {

constexpr int kModelNameStep = 1;
constexpr int kSerialNumberStep = 13;

const Query& QueryOfStep(int step) { return Queries()[static_cast<std::size_t>(step - 1)]; }

// Send, wait, take: the value text of the reply, nullopt when the query did not go out.
Task<std::optional<std::string>> Ask(ByteLink& link, Clock& clock, const PacingPolicy& pacing, const Query& query) {
  const bool sent = co_await link.send(QueryCommand(query));
  if (!sent) co_return std::nullopt;
  co_await pacing.awaitReply(link, clock, kCommandPauseMs);
  co_return ValueText(co_await link.receive(kBoundedReceiveMax, kReceiveTimeoutMs));
}

}  // namespace

Task<Identity> IdentifyPrinter(ByteLink& link, Clock& clock, const PacingPolicy& pacing) {
  Identity identity;
  const auto name = co_await Ask(link, clock, pacing, QueryOfStep(kModelNameStep));
  if (!name) {
    identity.sendFailed = true;
    co_return identity;
  }
  identity.modelName = *name;
  identity.model = MatchReportedName(NameList::Tcp, *name);
  if (!identity.model) co_return identity;
  const auto serial = co_await Ask(link, clock, pacing, QueryOfStep(kSerialNumberStep));
  if (!serial) identity.sendFailed = true;
  else identity.serial = *serial;
  co_return identity;
}

}  // namespace kestrova
