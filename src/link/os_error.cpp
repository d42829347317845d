#include "link/os_error.h"

#include <cerrno>
#include <cstring>

namespace kestrova {

LinkError LinkErrorFromErrno(int err, const std::string& target) {
  LinkError error;
  error.osError = err;
  error.target = target;
  error.message = std::strerror(err);
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      error.kind = LinkError::Kind::Absent;
      break;
    case EACCES:
    case EPERM:
      error.kind = LinkError::Kind::PermissionDenied;
      break;
    case EBUSY:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EAGAIN:
      error.kind = LinkError::Kind::Busy;
      break;
    case ECONNREFUSED:
      error.kind = LinkError::Kind::Refused;
      break;
    case ETIMEDOUT:
      error.kind = LinkError::Kind::TimedOut;
      break;
    default:
      error.kind = LinkError::Kind::Io;
      break;
  }
  return error;
}

LinkError MakeLinkError(LinkError::Kind kind, const std::string& target, const std::string& message, int osError) {
  LinkError error;
  error.kind = kind;
  error.target = target;
  error.message = message;
  error.osError = osError;
  return error;
}

}  // namespace kestrova
