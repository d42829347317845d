#include "session/network_identify.h"

#include "link/tcp_link.h"

namespace kestrova {

Task<std::optional<Identity>> IdentifyAt(std::string address, int port, int timeoutMs) {
  static const ReplyTerminatedPacing pacing;
  TcpLink link;
  link.prepare(address, std::to_string(port));
  link.setActive(true);
  if (!co_await link.connectToPrinter(timeoutMs)) co_return std::nullopt;
  Identity identity = co_await IdentifyPrinter(link, SteadyClock::instance(), pacing);
  link.close();
  co_return identity;
}

}  // namespace kestrova
