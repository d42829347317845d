#include "link/serial_device_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "link/link_limits.h"
#include "link/os_error.h"

namespace kestrova {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void MakeRawKeepingLine(termios& tio) {
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IUCLC |
                                        IMAXBEL);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
}

std::unique_ptr<SerialDeviceLink> SerialDeviceLink::Open(const std::string& path, LinkError& error) {
  error = LinkError();
  if (path.empty()) {
    error = MakeLinkError(LinkError::Kind::Absent, path, "no device for this port");
    return nullptr;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = LinkErrorFromErrno(errno, path);
    return nullptr;
  }
  // One opener at a time. TIOCEXCL keeps other programs out (not root); the lock also keeps
  // out a second opener of this program.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    error = LinkErrorFromErrno(err == EWOULDBLOCK ? EBUSY : err, path);
    return nullptr;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    const int err = errno;
    ::close(fd);
    error = LinkErrorFromErrno(err, path);
    error.kind = LinkError::Kind::Io;
    return nullptr;
  }
  ::ioctl(fd, TIOCEXCL);
  MakeRawKeepingLine(tio);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    const int err = errno;
    ::close(fd);
    error = LinkErrorFromErrno(err, path);
    error.kind = LinkError::Kind::Io;
    return nullptr;
  }
  // There are no driver queue sizes to ask for here: the open is complete.
  return std::unique_ptr<SerialDeviceLink>(new SerialDeviceLink(fd, path));
}

SerialDeviceLink::SerialDeviceLink(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

SerialDeviceLink::~SerialDeviceLink() { close(); }

bool SerialDeviceLink::send(const Bytes& bytes) {
  if (fd_ < 0) {
    lastError_ = MakeLinkError(LinkError::Kind::Closed, path_, "port not open");
    return false;
  }
  const std::int64_t deadline = NowMs() + kSendTimeoutMs;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      lastError_ = LinkErrorFromErrno(errno, path_);
      lastError_.kind = LinkError::Kind::Io;
      return false;
    }
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) {
      lastError_ = MakeLinkError(LinkError::Kind::TimedOut, path_, "write did not complete");
      return false;
    }
    pollfd p{fd_, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(left));
  }
  return true;
}

bool SerialDeviceLink::readAvailable() {
  if (fd_ < 0) return false;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      pending_.append(Bytes(buffer, static_cast<std::size_t>(n)));
      continue;
    }
    if (n == 0) return true;  // nothing more (VMIN 0)
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    lastError_ = LinkErrorFromErrno(errno, path_);
    lastError_.kind = LinkError::Kind::Io;
    return false;
  }
}

bool SerialDeviceLink::waitReadable(int timeoutMs) {
  if (fd_ < 0) return false;
  const std::int64_t deadline = NowMs() + (timeoutMs > 0 ? timeoutMs : 0);
  for (;;) {
    const std::int64_t left = deadline - NowMs();
    pollfd p{fd_, POLLIN, 0};
    const int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (r > 0) return true;  // data, or an error the next read reports
    if (r < 0 && errno == EINTR && left > 0) continue;
    return false;
  }
}

Bytes SerialDeviceLink::takeAvailable() {
  readAvailable();
  return pending_.takeAll();
}

Bytes SerialDeviceLink::receive(std::size_t maxBytes, int timeoutMs) {
  if (pending_.empty() && fd_ >= 0) {
    readAvailable();
    if (pending_.empty() && waitReadable(timeoutMs)) readAvailable();
  }
  return pending_.take(maxBytes);
}

Bytes SerialDeviceLink::peek(int timeoutMs) {
  readAvailable();
  if (!pending_.grewSincePeek() && waitReadable(timeoutMs)) readAvailable();
  return pending_.peek();
}

void SerialDeviceLink::discard() {
  pending_.clear();
  if (fd_ < 0) return;
  // Bytes already written but still queued for the line (the tail of a self test or of the last
  // font-test block) would be thrown away by a flush of the output queue. Let them leave first,
  // for a bounded time, and drop only the input; output is dropped only when it is stuck.
  const std::int64_t deadline = NowMs() + kDrainTimeoutMs;
  int queued = 0;
  while (::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 && NowMs() < deadline) ::usleep(2000);
  ::tcflush(fd_, queued > 0 ? TCIOFLUSH : TCIFLUSH);
}

void SerialDeviceLink::close() {
  if (fd_ >= 0) {
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
  pending_.clear();
}

std::unique_ptr<SerialDeviceLink> OpenComDevice(int comNumber, LinkError& error, const ComPortMap& map) {
  const std::string path = map.devicePath(comNumber);
  if (path.empty()) {
    error = MakeLinkError(LinkError::Kind::Absent, "COM" + std::to_string(comNumber), "no such port");
    return nullptr;
  }
  return SerialDeviceLink::Open(path, error);
}

}  // namespace kestrova
