#pragma once
// The IPv4 address text of a printer's host: dotted decimal as it is, a name looked up within the
// connect bound. Blocks its caller up to that bound; runs no event loop meanwhile.
#include <string>

namespace kestrova {

// True with the address in `address`; false with the reason in `error` ("HOST: name lookup timed out").
bool ResolveHost(const std::string& host, std::string& address, std::string& error);

}  // namespace kestrova
