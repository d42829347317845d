#include "link/tcp_link.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "link/link_selection.h"
#include "link/os_error.h"

namespace kestrova {


TcpLink::TcpLink() : socket_(std::make_unique<QTcpSocket>()) {
  QObject::connect(socket_.get(), &QAbstractSocket::errorOccurred, socket_.get(),
                   [this](QAbstractSocket::SocketError error) { onSocketError(static_cast<int>(error)); });
}

TcpLink::~TcpLink() {
  // Closing at destruction is not an error event.
  QObject::disconnect(socket_.get(), nullptr, nullptr, nullptr);
  socket_->abort();
}

QThread* TcpLink::ownerThread() const { return socket_->thread(); }

void TcpLink::setActive(bool active) {
  active_ = active;
  if (!active) close();
}

bool TcpLink::isConnected() const { return socket_->state() == QAbstractSocket::ConnectedState; }

bool TcpLink::prepare(const std::string& hostText, std::string_view portField) {
  if (active_ && isConnected()) return false;
  remoteHost_ = hostText;
  remotePort_ = PortText(portField);
  return true;
}

int SocketErrorNumber(int socketError) {
  // The operating system's error number behind each of Qt's socket errors.
  static const std::pair<QAbstractSocket::SocketError, int> kErrno[] = {
      {QAbstractSocket::ConnectionRefusedError, ECONNREFUSED},
      {QAbstractSocket::RemoteHostClosedError, ECONNRESET},
      {QAbstractSocket::HostNotFoundError, EHOSTUNREACH},
      {QAbstractSocket::SocketAccessError, EACCES},
      {QAbstractSocket::SocketResourceError, EMFILE},
      {QAbstractSocket::SocketTimeoutError, ETIMEDOUT},
      {QAbstractSocket::DatagramTooLargeError, EMSGSIZE},
      {QAbstractSocket::NetworkError, ENETUNREACH},
      {QAbstractSocket::AddressInUseError, EADDRINUSE},
      {QAbstractSocket::SocketAddressNotAvailableError, EADDRNOTAVAIL},
      {QAbstractSocket::UnsupportedSocketOperationError, EOPNOTSUPP},
      {QAbstractSocket::TemporaryError, EAGAIN},
  };
  for (const auto& [error, number] : kErrno)
    if (error == socketError) return number;
  return EIO;
}

void TcpLink::onSocketError(int code) {
  const auto error = static_cast<QAbstractSocket::SocketError>(code);
  // A receive that found no data within its bound is the normal "no reply"; only a connect that
  // ran out of time is a failure.
  if (error == QAbstractSocket::SocketTimeoutError && !connecting_) return;
  raiseError(SocketErrorNumber(code));
}

bool TcpLink::connectToPrinter(int timeoutMs) {
  if (isConnected()) {
    active_ = true;
    return true;
  }
  active_ = true;
  QHostAddress host;
  const int port = AtoiText(remotePort_);
  std::uint32_t address = 0;
  if (!ParseHostText(remoteHost_, address)) {
    lastError_ = MakeLinkError(LinkError::Kind::Absent, target(), "not an IPv4 address");
    return false;
  }
  if (port <= 0 || port > 65535) {
    lastError_ = MakeLinkError(LinkError::Kind::Refused, target(), "not a usable TCP port");
    return false;
  }
  host.setAddress(address);
  socket_->abort();
  peeked_ = 0;
  connecting_ = true;
  socket_->connectToHost(host, static_cast<quint16>(port));
  const bool connected = socket_->waitForConnected(timeoutMs);
  connecting_ = false;
  if (connected && isConnected()) {
    lastError_ = LinkError();
    return true;
  }
  LinkError cause = MakeLinkError(LinkError::Kind::Io, target(), socket_->errorString().toStdString(),
                                  SocketErrorNumber(socket_->error()));
  switch (socket_->error()) {
    case QAbstractSocket::ConnectionRefusedError: cause.kind = LinkError::Kind::Refused; break;
    case QAbstractSocket::SocketTimeoutError: cause.kind = LinkError::Kind::TimedOut; break;
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::NetworkError: cause.kind = LinkError::Kind::Absent; break;
    case QAbstractSocket::SocketAccessError: cause.kind = LinkError::Kind::PermissionDenied; break;
    default: break;
  }
  lastError_ = cause;
  socket_->abort();
  return false;
}

bool TcpLink::connectForWrite(const std::string& hostText, std::string_view portField, int timeoutMs) {
  if (active_ && isConnected()) return true;
  active_ = true;
  remoteHost_ = hostText;
  remotePort_ = PortText(portField);
  // A socket that is not connected has no data to wait for: connect straight away.
  return connectToPrinter(timeoutMs);
}

bool TcpLink::send(const Bytes& bytes) {
  if (!isConnected()) {
    lastError_ = MakeLinkError(LinkError::Kind::Closed, target(), "not connected");
    return false;
  }
  const qint64 accepted = socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (accepted != static_cast<qint64>(bytes.size())) {
    lastError_ = MakeLinkError(LinkError::Kind::Io, target(), socket_->errorString().toStdString());
    return false;
  }
  QElapsedTimer timer;
  timer.start();
  while (isConnected() && socket_->bytesToWrite() > 0) {
    const qint64 left = kSendTimeoutMs - timer.elapsed();
    if (left <= 0 || !socket_->waitForBytesWritten(static_cast<int>(left))) break;
  }
  if (socket_->bytesToWrite() > 0 || !isConnected()) {
    lastError_ = MakeLinkError(isConnected() ? LinkError::Kind::TimedOut : LinkError::Kind::Closed, target(),
                               "send did not complete");
    return false;
  }
  return true;
}

Bytes TcpLink::takeAvailable() {
  if (isConnected()) socket_->waitForReadyRead(0);
  const QByteArray data = socket_->readAll();
  peeked_ = 0;
  return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

Bytes TcpLink::receive(std::size_t maxBytes, int timeoutMs) {
  if (maxBytes == 0) return {};
  if (socket_->bytesAvailable() == 0 && isConnected()) socket_->waitForReadyRead(std::max(timeoutMs, 0));
  const QByteArray data = socket_->read(static_cast<qint64>(maxBytes));
  peeked_ = peeked_ > static_cast<std::size_t>(data.size()) ? peeked_ - static_cast<std::size_t>(data.size()) : 0;
  return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

Bytes TcpLink::peek(int timeoutMs) {
  if (isConnected()) socket_->waitForReadyRead(0);
  if (static_cast<std::size_t>(socket_->bytesAvailable()) <= peeked_ && isConnected()) {
    socket_->waitForReadyRead(std::max(timeoutMs, 0));
  }
  const QByteArray data = socket_->peek(socket_->bytesAvailable());
  peeked_ = static_cast<std::size_t>(data.size());
  return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

void TcpLink::discard() {
  if (isConnected()) socket_->waitForReadyRead(0);
  socket_->readAll();
  peeked_ = 0;
}

void TcpLink::close() {
  peeked_ = 0;
  if (socket_->state() != QAbstractSocket::UnconnectedState) {
    socket_->disconnectFromHost();
    if (socket_->state() != QAbstractSocket::UnconnectedState) socket_->waitForDisconnected(kSendTimeoutMs);
    socket_->abort();
  }
}

}  // namespace kestrova
