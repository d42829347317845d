#include "sim/tcp_connection.h"

#include <cerrno>
#include <sys/socket.h>

#include "sim/session.h"
#include "sim/sim_log.h"

namespace kestrova::sim {

TcpConnection::TcpConnection(boost::asio::io_context& io, int fd, SimPrinter& printer, const Faults& faults,
                             SimLog& log, const QString& link, Callbacks callbacks)
    : log_(log), link_(link), callbacks_(std::move(callbacks)), socket_(io, fd), linger_(io) {
  Session::LinkOps ops;
  ops.write = [this](const QByteArray& b) { write(b); };
  ops.unsent = [this] { return qint64(outgoing_.size()); };
  ops.close = [this] { closeWhenSent(); };
  ops.overflow = [this](qint64 unsent) {
    log_.event(link_, QStringLiteral("drop: %1 bytes unsent (limit %2)").arg(unsent).arg(session_->unsentLimit()));
    closeNow();
    return false;
  };
  session_ = std::make_unique<Session>(io, printer, faults, log, link, std::move(ops), callbacks_.printerChanged);
  socket_.onReadable([this] { readSome(); });
  socket_.onWritable([this] { writeSome(); });
  socket_.setReadEnabled(true);
}

TcpConnection::~TcpConnection() {
  if (socket_.fd() < 0) return;
  socket_.close();
  log_.event(link_, QStringLiteral("disconnect"));
}

void TcpConnection::readSome() {
  char buf[16 * 1024];
  int total = 0;
  while (socket_.fd() >= 0 && total < kReadPerTurn) {
    const ssize_t n = ::recv(socket_.fd(), buf, sizeof buf, 0);
    if (n > 0) {
      total += static_cast<int>(n);
      session_->receive(QByteArray(buf, static_cast<qsizetype>(n)));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n == 0) {
      // Half-close: everything sent before it has been run; its replies still go out.
      socket_.setReadEnabled(false);
      session_->endOfInput();
      return;
    }
    closeNow();  // reset by the peer
  }
}

void TcpConnection::write(const QByteArray& bytes) {
  if (socket_.fd() < 0) return;
  outgoing_ += bytes;
  writeSome();
}

void TcpConnection::writeSome() {
  while (socket_.fd() >= 0 && !outgoing_.isEmpty()) {
    const ssize_t n =
        ::send(socket_.fd(), outgoing_.constData(), static_cast<size_t>(outgoing_.size()), MSG_NOSIGNAL);
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
  if (socket_.fd() < 0) return;
  socket_.setWriteEnabled(!outgoing_.isEmpty());
  if (outgoing_.isEmpty() && closeWhenSent_) closeNow();
}

void TcpConnection::closeWhenSent() {
  closeWhenSent_ = true;
  if (outgoing_.isEmpty()) {
    closeNow();
    return;
  }
  linger_.start(kLingerMs, [this] { closeNow(); });
}

void TcpConnection::closeNow() {
  if (socket_.fd() < 0) return;
  linger_.stop();
  session_->linkGone();
  socket_.close();
  outgoing_ = QByteArray();
  log_.event(link_, QStringLiteral("disconnect"));
  if (callbacks_.closed) callbacks_.closed();
}

}  // namespace kestrova::sim
