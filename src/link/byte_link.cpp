#include "link/byte_link.h"

namespace kestrova {

std::string DescribeLinkError(const LinkError& error) {
  std::string text = error.target.empty() ? std::string() : error.target + ": ";
  switch (error.kind) {
    case LinkError::Kind::None: return text + "no error";
    case LinkError::Kind::PermissionDenied:
      text += "permission denied";
      if (error.target.rfind("/dev/tty", 0) == 0) text += "; add your user to the dialout group";
      if (error.target.rfind("USB", 0) == 0) text += "; install the udev rule";
      return text;
    case LinkError::Kind::Busy:
      return text + "busy: held by another program (a print spooler or a modem manager)";
    case LinkError::Kind::Absent:
      return text + (error.target.rfind("USB", 0) == 0 ? "the printer was unplugged" : "no such port");
    case LinkError::Kind::Refused: return text + "connection refused";
    case LinkError::Kind::TimedOut: return text + "timed out";
    case LinkError::Kind::NoDevice:
      return text + (error.message.empty() ? std::string("no supported printer found") : error.message);
    case LinkError::Kind::Closed: return text + "connection closed";
    case LinkError::Kind::Io: return text + (error.message.empty() ? std::string("input/output error") : error.message);
  }
  return text;
}

}  // namespace kestrova
