#pragma once
// Turns an operating-system error number into the cause a user can act on.
#include <string>

#include "link/byte_link.h"

namespace kestrova {

// errno after a failed open/read/write of target: ENOENT/ENODEV/ENXIO -> Absent,
// EACCES/EPERM -> PermissionDenied, EBUSY/EWOULDBLOCK -> Busy, ECONNREFUSED -> Refused,
// ETIMEDOUT -> TimedOut, anything else -> Io. The message is the system's own text.
LinkError LinkErrorFromErrno(int err, const std::string& target);

LinkError MakeLinkError(LinkError::Kind kind, const std::string& target, const std::string& message,
                        int osError = 0);

}  // namespace kestrova
