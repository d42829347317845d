#pragma once
// The IPv4 address text of a printer's host: dotted decimal as it is, a name looked up within the
// connect bound. The lookup runs on a thread of its own (the system's resolver has no deadline);
// the operation waits for it on its loop, which goes on serving everything else meanwhile.
#include <string>

#include "link/task.h"

namespace kestrova {

// True with the address in `address`; false with the reason in `error` ("HOST: name lookup timed out").
Task<bool> ResolveHost(std::string host, std::string& address, std::string& error);

}  // namespace kestrova
