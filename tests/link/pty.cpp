#include "pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace kestrova::testing {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

Pty::Pty() {
  const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0) return;
  if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
    ::close(fd);
    return;
  }
  const char* name = ::ptsname(fd);
  if (!name) {
    ::close(fd);
    return;
  }
  master_ = fd;
  slavePath_ = name;
}

Pty::~Pty() { closeMaster(); }

void Pty::closeMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

Bytes Pty::readFromLink(std::size_t count, int timeoutMs) {
  Bytes out;
  const std::int64_t deadline = NowMs() + timeoutMs;
  while (out.size() < count) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) break;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buffer[256];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

void Pty::writeToLink(const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
}

Bytes TakeUntil(ByteLink& link, std::size_t count, int timeoutMs) {
  Bytes out;
  const std::int64_t deadline = NowMs() + timeoutMs;
  while (out.size() < count && NowMs() < deadline) {
    out += link.takeAvailable();
    if (out.size() < count) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return out;
}

}  // namespace kestrova::testing
