#pragma once
// The IPv4 address text of a printer's host: dotted decimal as it is, a name looked up within the
// connect bound. Runs on the link thread, which has an event loop.
#include <string>

namespace kestrova {

// True with the address in `address`; false with the reason in `error` ("HOST: name lookup timed out").
bool ResolveHost(const std::string& host, std::string& address, std::string& error);

}  // namespace kestrova
