#include "link/serial_component_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "link/link_limits.h"
#include "link/os_error.h"

namespace kestrova {
namespace {

// The probe: open the port by name for reading and writing, see that nobody holds it, drop
// anything pending and close again. Returns the cause when the port cannot be had.
LinkError ProbePort(const std::string& path) {
  if (path.empty()) return MakeLinkError(LinkError::Kind::Absent, path, "no device for this port");
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return LinkErrorFromErrno(errno, path);
  LinkError result;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    result = LinkErrorFromErrno(errno == EWOULDBLOCK ? EBUSY : errno, path);
  } else {
    ::tcflush(fd, TCIOFLUSH);
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  return result;
}

// The speed constant of a rate; B0 for a rate the system has no constant for.
speed_t SpeedOf(int rate) {
  switch (rate) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
  }
}

// A port that is there no more (unplugged, hung up, the other end of a pseudo-terminal closed),
// as opposed to a transfer that failed on a port still there.
bool PortGone(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == ENOENT || err == EBADF; }

}  // namespace

SerialComponentLink::SerialComponentLink(const ComPortMap& map) : map_(map) {}

SerialComponentLink::~SerialComponentLink() { close(); }

void SerialComponentLink::setCommPort(int index) { commPort_ = index; }

std::string SerialComponentLink::devicePath() const { return map_.serialComponentName(commPort_ + 1); }

void SerialComponentLink::setSettings(const SerialSettings& settings) {
  settings_ = settings;
  if (isOpen()) applySettings(lastError_);
}

void SerialComponentLink::setBaudRate(int rate) {
  settings_.baudRate = rate;
  if (isOpen()) applySettings(lastError_);
}

void SerialComponentLink::setHandshaking(Handshaking handshaking) {
  settings_.handshaking = handshaking;
  if (isOpen()) applySettings(lastError_);
}

void SerialComponentLink::setParity(Parity parity) {
  settings_.parity = parity;
  if (isOpen()) applySettings(lastError_);
}

bool SerialComponentLink::applySettings(LinkError& cause) {
  const int fd = port_.fd();
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    cause = LinkErrorFromErrno(errno, openedPath_);
    cause.kind = LinkError::Kind::Io;
    return false;
  }
  // Raw bytes both ways, reads that never wait (VMIN 0, VTIME 0), no modem control lines asked
  // for, the receiver on.
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  // The user's speed, both directions.
  const speed_t speed = SpeedOf(settings_.baudRate);
  if (speed == B0) {
    cause = MakeLinkError(LinkError::Kind::Io, openedPath_,
                          "baud rate " + std::to_string(settings_.baudRate) + " is not supported", EINVAL);
    return false;
  }
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  // 8 data bits, one stop bit.
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB);
  tio.c_cflag |= CS8;
  // Parity: none (bytes with a parity error are not looked for), or even, checked on input.
  tio.c_cflag &= ~static_cast<tcflag_t>(PARODD | CMSPAR);
  if (settings_.parity == Parity::Even) {
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNPAR | PARMRK);
    tio.c_iflag |= INPCK;
    tio.c_cflag |= PARENB;
  } else {
    tio.c_iflag &= ~static_cast<tcflag_t>(PARMRK | INPCK);
    tio.c_iflag |= IGNPAR;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB);
  }
  // No hardware flow control ever. Software handshaking: XOFF/XON from the printer stop and
  // resume the output (any byte from it resumes it too), and the system sends them when its
  // input fills; DTR/DSR in the window means none.
  tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  if (settings_.handshaking == Handshaking::XonXoff)
    tio.c_iflag |= IXON | IXOFF | IXANY;
  else
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    cause = LinkErrorFromErrno(errno, openedPath_);
    cause.kind = LinkError::Kind::Io;
    return false;
  }
  // RTS held on. A port without modem lines (a pseudo-terminal, some adapters) refuses this;
  // that is harmless for a printer without hardware flow control.
  const int rts = TIOCM_RTS;
  ::ioctl(fd, TIOCMBIS, &rts);
  return true;
}

bool SerialComponentLink::isOpen() const { return port_.isOpen(); }

bool SerialComponentLink::probeAndOpen() {
  if (port_.isOpen()) return true;
  const std::string path = devicePath();
  LinkError probe = ProbePort(path);
  if (!probe.ok()) {
    lastError_ = probe;
    return false;
  }
  openedPath_ = path;
  if (const int err = port_.open(path); err != 0) {
    LinkError cause = LinkErrorFromErrno(err, path);
    // The probe got through, so the system lets us in: a refusal now means the port was taken by
    // another opener in between.
    if (err == EACCES || err == EPERM) cause.kind = LinkError::Kind::Busy;
    lastError_ = cause;
    return false;
  }
  LinkError cause;
  if (!applySettings(cause)) {
    port_.close();
    lastError_ = cause;
    return false;
  }
  pending_.clear();
  lastError_ = LinkError();
  return true;
}

void SerialComponentLink::onPortError(int err, bool reading) {
  lastError_ = LinkErrorFromErrno(err, devicePath());
  lastError_.kind = LinkError::Kind::Io;
  // A wait that simply timed out, or a refused control line, is no event; a failed write is one
  // only when the port has gone.
  if (PortGone(err))
    raiseError(kResourceErrorEvent);
  else if (reading)
    raiseError(kReadErrorEvent);
}

void SerialComponentLink::pullFromPort() {
  if (!port_.isOpen()) return;
  // Bytes already in the system's buffer count as arrived: everything there is read now.
  const std::size_t before = pending_.size();
  int err = port_.readAvailable(pending_);
  // A hung-up line reads as empty for ever: told as the input/output error a write on it gets.
  if (err == 0 && pending_.size() == before && port_.hungUp()) err = EIO;
  if (err != 0) onPortError(err, true);
}

Task<bool> SerialComponentLink::send(Bytes bytes) {
  if (!port_.isOpen()) {
    lastError_ = MakeLinkError(LinkError::Kind::Closed, devicePath(), "port not open");
    co_return false;
  }
  const int err = co_await port_.writeAll(bytes, kSendTimeoutMs);
  if (err == 0) co_return true;
  if (err != ETIMEDOUT) onPortError(err, false);
  // Bytes that did not all leave, whatever stopped them.
  lastError_ = MakeLinkError(LinkError::Kind::TimedOut, devicePath(), "write did not complete");
  co_return false;
}

Bytes SerialComponentLink::takeAvailable() {
  pullFromPort();
  return pending_.takeAll();
}

// The awaited results go into variables before they are tested: GCC 12 builds a wrong coroutine
// frame for a co_await in the condition of an if in a body that declares no variable.
Task<Bytes> SerialComponentLink::receive(std::size_t maxBytes, int timeoutMs) {
  pullFromPort();
  const bool arrived = pending_.empty() && port_.isOpen() && co_await port_.waitReadable(timeoutMs);
  if (arrived) pullFromPort();
  co_return pending_.take(maxBytes);
}

Task<Bytes> SerialComponentLink::peek(int timeoutMs) {
  pullFromPort();
  const bool arrived = !pending_.grewSincePeek() && port_.isOpen() && co_await port_.waitReadable(timeoutMs);
  if (arrived) pullFromPort();
  co_return pending_.peek();
}

void SerialComponentLink::discard() {
  pending_.clear();
  port_.flushBoth();
}

void SerialComponentLink::close() {
  pending_.clear();
  // The port keeps the line settings of this use: the device-handle operations that follow (test
  // prints on COM1..COM4 use the settings the system holds) go out at the user's speed.
  port_.close();
}

}  // namespace kestrova
