#include "link/serial_component_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>
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

// Puts line settings back on a port after the serial port object has closed it. That object
// restores the settings it found at open; a port keeps those of its last use here instead, so the
// device-handle operations that follow (test prints on COM1..COM4 use the settings the system
// holds) go out at the user's speed.
void KeepLineSettings(const std::string& path, const termios& settings) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  ::tcsetattr(fd, TCSANOW, &settings);
  ::close(fd);
}

}  // namespace

SerialComponentLink::SerialComponentLink(const ComPortMap& map) : map_(map), port_(std::make_unique<QSerialPort>()) {
  QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                   [this](QSerialPort::SerialPortError error) { onPortError(static_cast<int>(error)); });
}

SerialComponentLink::~SerialComponentLink() { close(); }

QThread* SerialComponentLink::ownerThread() const { return port_->thread(); }

void SerialComponentLink::setCommPort(int index) { commPort_ = index; }

std::string SerialComponentLink::devicePath() const { return map_.serialComponentName(commPort_ + 1); }

void SerialComponentLink::setSettings(const SerialSettings& settings) {
  settings_ = settings;
  if (isOpen()) applySettings();
}

void SerialComponentLink::setBaudRate(int rate) {
  settings_.baudRate = rate;
  if (isOpen()) applySettings();
}

void SerialComponentLink::setHandshaking(Handshaking handshaking) {
  settings_.handshaking = handshaking;
  if (isOpen()) applySettings();
}

void SerialComponentLink::setParity(Parity parity) {
  settings_.parity = parity;
  if (isOpen()) applySettings();
}

void SerialComponentLink::applySettings() {
  port_->setBaudRate(settings_.baudRate);
  port_->setParity(settings_.parity == Parity::Even ? QSerialPort::EvenParity : QSerialPort::NoParity);
  port_->setFlowControl(settings_.handshaking == Handshaking::XonXoff ? QSerialPort::SoftwareControl
                                                                       : QSerialPort::NoFlowControl);
  if (port_->isOpen()) {
    // RTS held on. A port without modem lines (a pseudo-terminal, some adapters) refuses this;
    // that is harmless for a printer without hardware flow control.
    port_->setRequestToSend(true);
    port_->clearError();
  }
}

bool SerialComponentLink::isOpen() const { return port_->isOpen(); }

bool SerialComponentLink::probeAndOpen() {
  if (port_->isOpen()) return true;
  const std::string path = devicePath();
  LinkError probe = ProbePort(path);
  if (!probe.ok()) {
    lastError_ = probe;
    return false;
  }
  port_->setPortName(QString::fromStdString(path));
  openedPath_ = path;
  applySettings();
  if (!port_->open(QIODevice::ReadWrite)) {
    const auto error = port_->error();
    LinkError cause = MakeLinkError(LinkError::Kind::Io, path, port_->errorString().toStdString(),
                                    static_cast<int>(error));
    switch (error) {
      case QSerialPort::DeviceNotFoundError: cause.kind = LinkError::Kind::Absent; break;
      // The probe got through, so the system lets us in: the port is locked by another opener.
      case QSerialPort::PermissionError:
      case QSerialPort::OpenError: cause.kind = LinkError::Kind::Busy; break;
      default: break;
    }
    port_->clearError();
    lastError_ = cause;
    return false;
  }
  applySettings();
  pending_.clear();
  lastError_ = LinkError();
  return true;
}

void SerialComponentLink::onPortError(int code) {
  const auto error = static_cast<QSerialPort::SerialPortError>(code);
  // Only trouble while receiving is a link error event; a wait that simply timed out, or a
  // refused control line, is not.
  if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
  lastError_ = MakeLinkError(LinkError::Kind::Io, devicePath(), port_->errorString().toStdString(), code);
  raiseError(code);
}

void SerialComponentLink::pullFromPort() {
  if (!port_->isOpen()) return;
  // Bytes already in the system's buffer count as arrived: look without waiting, a bounded
  // number of times (each look reads all that is there).
  for (int i = 0; i < 16 && port_->waitForReadyRead(0); ++i) {
  }
  if (port_->isOpen() && port_->error() == QSerialPort::TimeoutError) port_->clearError();
  if (port_->isOpen()) {
    const QByteArray data = port_->readAll();
    if (!data.isEmpty()) pending_.append(Bytes(data.constData(), static_cast<std::size_t>(data.size())));
  }
}

bool SerialComponentLink::waitForInput(int timeoutMs) {
  if (!port_->isOpen()) return false;
  const bool ready = port_->waitForReadyRead(timeoutMs > 0 ? timeoutMs : 0);
  if (port_->isOpen() && port_->error() == QSerialPort::TimeoutError) port_->clearError();
  return ready;
}

bool SerialComponentLink::send(const Bytes& bytes) {
  if (!port_->isOpen()) {
    lastError_ = MakeLinkError(LinkError::Kind::Closed, devicePath(), "port not open");
    return false;
  }
  const qint64 accepted = port_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (accepted != static_cast<qint64>(bytes.size())) {
    lastError_ = MakeLinkError(LinkError::Kind::Io, devicePath(), port_->errorString().toStdString());
    return false;
  }
  QElapsedTimer timer;
  timer.start();
  while (port_->isOpen() && port_->bytesToWrite() > 0) {
    const qint64 left = kSendTimeoutMs - timer.elapsed();
    if (left <= 0 || !port_->waitForBytesWritten(static_cast<int>(left))) break;
  }
  if (!port_->isOpen() || port_->bytesToWrite() > 0) {
    if (port_->isOpen() && port_->error() == QSerialPort::TimeoutError) port_->clearError();
    lastError_ = MakeLinkError(LinkError::Kind::TimedOut, devicePath(), "write did not complete");
    return false;
  }
  return true;
}

Bytes SerialComponentLink::takeAvailable() {
  pullFromPort();
  return pending_.takeAll();
}

Bytes SerialComponentLink::receive(std::size_t maxBytes, int timeoutMs) {
  pullFromPort();
  if (pending_.empty() && waitForInput(timeoutMs)) pullFromPort();
  return pending_.take(maxBytes);
}

Bytes SerialComponentLink::peek(int timeoutMs) {
  pullFromPort();
  if (!pending_.grewSincePeek() && waitForInput(timeoutMs)) pullFromPort();
  return pending_.peek();
}

void SerialComponentLink::discard() {
  pending_.clear();
  if (port_->isOpen()) port_->clear(QSerialPort::AllDirections);
}

void SerialComponentLink::close() {
  pending_.clear();
  if (!port_ || !port_->isOpen()) return;
  termios used{};
  const bool known = ::tcgetattr(static_cast<int>(port_->handle()), &used) == 0;
  port_->close();
  if (known) KeepLineSettings(openedPath_, used);
}

}  // namespace kestrova
