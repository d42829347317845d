#include "sim/tcp_connection.h"

#include <QSocketNotifier>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

#include "sim/session.h"
#include "sim/sim_log.h"

namespace kestrova::sim {

TcpConnection::TcpConnection(int fd, SimPrinter& printer, const Faults& faults, SimLog& log, const QString& link,
                             QObject* parent)
    : QObject(parent),
      fd_(fd),
      log_(log),
      link_(link),
      readNotifier_(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      writeNotifier_(new QSocketNotifier(fd, QSocketNotifier::Write, this)) {
  Session::LinkOps ops;
  ops.write = [this](const QByteArray& b) { write(b); };
  ops.unsent = [this] { return qint64(outgoing_.size()); };
  ops.close = [this] { closeWhenSent(); };
  ops.overflow = [this](qint64 unsent) {
    log_.event(link_, QStringLiteral("drop: %1 bytes unsent (limit %2)").arg(unsent).arg(session_->unsentLimit()));
    closeNow();
    return false;
  };
  session_ = new Session(printer, faults, log, link, std::move(ops), this);
  connect(session_, &Session::printerChanged, this, &TcpConnection::printerChanged);
  connect(readNotifier_, &QSocketNotifier::activated, this, &TcpConnection::readSome);
  writeNotifier_->setEnabled(false);
  connect(writeNotifier_, &QSocketNotifier::activated, this, &TcpConnection::writeSome);
  linger_.setSingleShot(true);
  connect(&linger_, &QTimer::timeout, this, &TcpConnection::closeNow);
}

TcpConnection::~TcpConnection() {
  if (fd_ < 0) return;
  ::close(fd_);
  log_.event(link_, QStringLiteral("disconnect"));
}

void TcpConnection::readSome() {
  char buf[16 * 1024];
  int total = 0;
  while (fd_ >= 0 && total < kReadPerTurn) {
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n > 0) {
      total += static_cast<int>(n);
      session_->receive(QByteArray(buf, static_cast<qsizetype>(n)));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n == 0) {
      // Half-close: everything sent before it has been run; its replies still go out.
      readNotifier_->setEnabled(false);
      session_->endOfInput();
      return;
    }
    closeNow();  // reset by the peer
  }
}

void TcpConnection::write(const QByteArray& bytes) {
  if (fd_ < 0) return;
  outgoing_ += bytes;
  writeSome();
}

void TcpConnection::writeSome() {
  while (fd_ >= 0 && !outgoing_.isEmpty()) {
    const ssize_t n = ::send(fd_, outgoing_.constData(), static_cast<size_t>(outgoing_.size()), MSG_NOSIGNAL);
    if (n > 0) {
      if (n == outgoing_.size()) outgoing_.clear();  // gives the memory back
      else outgoing_.remove(0, static_cast<qsizetype>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    closeNow();  // the peer is gone
    return;
  }
  if (fd_ < 0) return;
  writeNotifier_->setEnabled(!outgoing_.isEmpty());
  if (outgoing_.isEmpty() && closeWhenSent_) closeNow();
}

void TcpConnection::closeWhenSent() {
  closeWhenSent_ = true;
  if (outgoing_.isEmpty()) {
    closeNow();
    return;
  }
  linger_.start(kLingerMs);
}

void TcpConnection::closeNow() {
  if (fd_ < 0) return;
  // Possibly inside a notifier's own signal or the session's receive(): they go later.
  readNotifier_->setEnabled(false);
  writeNotifier_->setEnabled(false);
  linger_.stop();
  session_->linkGone();
  ::close(fd_);
  fd_ = -1;
  outgoing_ = QByteArray();
  log_.event(link_, QStringLiteral("disconnect"));
  emit closed();
  deleteLater();
}

}  // namespace kestrova::sim
