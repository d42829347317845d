#pragma once
// A pseudo-terminal for serial-link tests. The test holds the master side and plays the printer;
// the link opens the slave path as its port.
#include <string>

#include "link/byte_link.h"

namespace kestrova::testing {

class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& slavePath() const { return slavePath_; }
  int master() const { return master_; }

  // What the link wrote: reads until count bytes have come or timeoutMs has passed.
  Bytes readFromLink(std::size_t count, int timeoutMs = 1000);
  // The printer's reply.
  void writeToLink(const Bytes& bytes);
  void closeMaster();

 private:
  int master_ = -1;
  std::string slavePath_;
};

// Waits (bounded) until the link's non-blocking take has collected count bytes.
Bytes TakeUntil(ByteLink& link, std::size_t count, int timeoutMs = 1000);

}  // namespace kestrova::testing
