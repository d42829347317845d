#include "session/network_identify.h"

#include "link/tcp_link.h"

namespace kestrova {

std::optional<Identity> IdentifyAt(const std::string& address, int port, int timeoutMs) {
  static const ReplyTerminatedPacing pacing;
  TcpLink link;
  link.prepare(address, std::to_string(port));
  link.setActive(true);
  if (!link.connectToPrinter(timeoutMs)) return std::nullopt;
  Identity identity = IdentifyPrinter(link, SteadyClock::instance(), pacing);
  link.close();
  return identity;
}

}  // namespace kestrova
