#include "link/serial_device_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <cerrno>
#include <chrono>

#include "link/link_limits.h"
#include "link/os_error.h"
#include "link/readiness.h"

namespace kestrova {
namespace {

using std::chrono::steady_clock;

int MsLeft(steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits, on the loop, for the output queue of a port to empty, up to kDrainTimeoutMs, and then
// drops what is still queued (output held back by flow control that never resumes). Owns fd, a
// second handle to the port, and closes it at the end, also when the loop ends first.
Task<void> DrainThenDropOutput(int fd) {
  struct Owned {
    int fd;
    ~Owned() { ::close(fd); }
  } owned{fd};
  boost::asio::steady_timer timer(co_await boost::asio::this_coro::executor);
  const auto deadline = steady_clock::now() + std::chrono::milliseconds(kDrainTimeoutMs);
  int queued = 0;
  // The system gives no event for an empty output queue: look every 2 ms.
  while (::ioctl(owned.fd, TIOCOUTQ, &queued) == 0 && queued > 0 && steady_clock::now() < deadline) {
    timer.expires_after(std::chrono::milliseconds(2));
    co_await timer.async_wait(boost::asio::as_tuple(boost::asio::use_awaitable));
  }
  if (queued > 0) ::tcflush(owned.fd, TCOFLUSH);
}

}  // namespace

// --- SerialPortDescriptor ---

SerialPortDescriptor::~SerialPortDescriptor() { close(); }

int SerialPortDescriptor::open(const std::string& path) {
  close();
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? EBUSY : err;
  }
  ::ioctl(fd, TIOCEXCL);
  fd_ = fd;
  return 0;
}

Task<bool> SerialPortDescriptor::waitFor(boost::asio::posix::stream_descriptor::wait_type what, int timeoutMs) {
  if (fd_ < 0) co_return false;
  // Released, never closed, by the watcher: the port stays this object's.
  struct Lent {
    boost::asio::posix::stream_descriptor watch;
    ~Lent() {
      if (watch.is_open()) watch.release();
    }
  } lent{boost::asio::posix::stream_descriptor(co_await boost::asio::this_coro::executor)};
  boost::system::error_code error;
  lent.watch.assign(fd_, error);
  if (error) co_return false;
  const bool ready = co_await ReadyWithin(lent.watch, what, timeoutMs);
  co_return ready;
}

int SerialPortDescriptor::readAvailable(PendingBytes& pending) {
  if (fd_ < 0) return EBADF;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      pending.append(Bytes(buffer, static_cast<std::size_t>(n)));
      continue;
    }
    if (n == 0) return 0;  // nothing more (VMIN 0)
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return errno;
  }
}

bool SerialPortDescriptor::hungUp() const {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

Task<bool> SerialPortDescriptor::waitReadable(int timeoutMs) {
  const bool ready = co_await waitFor(boost::asio::posix::stream_descriptor::wait_read, timeoutMs);
  co_return ready;
}

Task<int> SerialPortDescriptor::writeAll(const Bytes& bytes, int timeoutMs) {
  if (fd_ < 0) co_return EBADF;
  // Known to the loop from the first send on, so that a discard can let the tail drain there.
  sendLoop_ = co_await boost::asio::this_coro::executor;
  const auto deadline = steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t done = 0;
  bool lastTry = false;
  while (done < bytes.size()) {
    if (fd_ < 0) co_return EBADF;  // closed while waiting
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      lastTry = false;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) co_return errno;
    const int left = MsLeft(deadline);
    if (left <= 0 || lastTry) co_return ETIMEDOUT;
    // A wait that ends without room (deadline, failure) gets one more write to tell which.
    const bool room = co_await waitFor(boost::asio::posix::stream_descriptor::wait_write, left);
    lastTry = !room;
  }
  co_return 0;
}

void SerialPortDescriptor::discardKeepingOutput() {
  if (fd_ < 0) return;
  ::tcflush(fd_, TCIFLUSH);
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
  // Nothing was ever sent from a loop: the queued bytes are not ours to wait for.
  if (!sendLoop_) return;
  const int second = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (second < 0) {
    ::tcflush(fd_, TCOFLUSH);
    return;
  }
  boost::asio::co_spawn(*sendLoop_, DrainThenDropOutput(second), boost::asio::detached);
}

void SerialPortDescriptor::flushBoth() {
  if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
}

void SerialPortDescriptor::close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

// --- SerialDeviceLink ---

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
  std::unique_ptr<SerialDeviceLink> link(new SerialDeviceLink(path));
  // One opener at a time: see SerialPortDescriptor::open.
  if (const int err = link->port_.open(path); err != 0) {
    error = LinkErrorFromErrno(err, path);
    return nullptr;
  }
  const int fd = link->port_.fd();
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    error = LinkErrorFromErrno(errno, path);
    error.kind = LinkError::Kind::Io;
    return nullptr;
  }
  MakeRawKeepingLine(tio);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    error = LinkErrorFromErrno(errno, path);
    error.kind = LinkError::Kind::Io;
    return nullptr;
  }
  // There are no driver queue sizes to ask for here: the open is complete.
  return link;
}

SerialDeviceLink::SerialDeviceLink(std::string path) : path_(std::move(path)) {}

SerialDeviceLink::~SerialDeviceLink() { close(); }

Task<bool> SerialDeviceLink::send(Bytes bytes) {
  if (!port_.isOpen()) {
    lastError_ = MakeLinkError(LinkError::Kind::Closed, path_, "port not open");
    co_return false;
  }
  const int err = co_await port_.writeAll(bytes, kSendTimeoutMs);
  if (err == ETIMEDOUT) {
    lastError_ = MakeLinkError(LinkError::Kind::TimedOut, path_, "write did not complete");
  } else if (err != 0) {
    lastError_ = LinkErrorFromErrno(err, path_);
    lastError_.kind = LinkError::Kind::Io;
  }
  co_return err == 0;
}

bool SerialDeviceLink::readAvailable() {
  if (!port_.isOpen()) return false;
  const int err = port_.readAvailable(pending_);
  if (err == 0) return true;
  lastError_ = LinkErrorFromErrno(err, path_);
  lastError_.kind = LinkError::Kind::Io;
  return false;
}

Bytes SerialDeviceLink::takeAvailable() {
  readAvailable();
  return pending_.takeAll();
}

// The awaited results go into variables before they are tested: GCC 12 builds a wrong coroutine
// frame for a co_await in the condition of an if in a body that declares no variable.
Task<Bytes> SerialDeviceLink::receive(std::size_t maxBytes, int timeoutMs) {
  const bool look = pending_.empty() && port_.isOpen();
  if (look) readAvailable();
  const bool arrived = look && pending_.empty() && co_await port_.waitReadable(timeoutMs);
  if (arrived) readAvailable();
  co_return pending_.take(maxBytes);
}

Task<Bytes> SerialDeviceLink::peek(int timeoutMs) {
  readAvailable();
  const bool arrived = !pending_.grewSincePeek() && port_.isOpen() && co_await port_.waitReadable(timeoutMs);
  if (arrived) readAvailable();
  co_return pending_.peek();
}

void SerialDeviceLink::discard() {
  pending_.clear();
  // Bytes already written but still queued for the line (the tail of a self test or of the last
  // font-test block) would be thrown away by a flush of the output queue: they are let go first,
  // and output is dropped only when it is stuck.
  port_.discardKeepingOutput();
}

void SerialDeviceLink::close() {
  port_.close();
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
