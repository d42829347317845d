#include "sim/tcp_listener.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sim/session.h"
#include "sim/sim_log.h"
#include "sim/tcp_connection.h"

namespace kestrova::sim {

namespace {

QString PeerText(const sockaddr_storage& peer) {
  char host[INET6_ADDRSTRLEN] = {};
  quint16 port = 0;
  if (peer.ss_family == AF_INET) {
    const auto& a = reinterpret_cast<const sockaddr_in&>(peer);
    inet_ntop(AF_INET, &a.sin_addr, host, sizeof host);
    port = ntohs(a.sin_port);
  } else if (peer.ss_family == AF_INET6) {
    const auto& a = reinterpret_cast<const sockaddr_in6&>(peer);
    inet_ntop(AF_INET6, &a.sin6_addr, host, sizeof host);
    port = ntohs(a.sin6_port);
  }
  return QStringLiteral("%1:%2").arg(QString::fromLatin1(host)).arg(port);
}

}  // namespace

TcpListener::TcpListener(boost::asio::io_context& io, SimPrinter& printer, const Faults& faults, SimLog& log,
                         Callbacks callbacks)
    : io_(io), printer_(printer), faults_(faults), log_(log), callbacks_(std::move(callbacks)), retry_(io) {}

TcpListener::~TcpListener() {
  // The connections first, oldest first: they log their disconnect while the link still exists.
  while (!connections_.empty()) connections_.erase(connections_.begin());
}

bool TcpListener::listen(const QHostAddress& address, quint16 port, QString* error) {
  int fd = -1;
  auto fail = [&](const char* what) {
    if (error)
      *error = QStringLiteral("cannot listen on %1:%2: %3 failed: %4")
                   .arg(address.toString())
                   .arg(port)
                   .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
    if (fd >= 0) ::close(fd);
    return false;
  };
  sockaddr_storage addr{};
  socklen_t length = 0;
  if (address.protocol() == QAbstractSocket::IPv6Protocol) {
    auto& a = reinterpret_cast<sockaddr_in6&>(addr);
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    std::memcpy(&a.sin6_addr, &bytes, sizeof a.sin6_addr);
    length = sizeof a;
  } else {
    auto& a = reinterpret_cast<sockaddr_in&>(addr);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address.toIPv4Address());
    length = sizeof a;
  }
  fd = ::socket(addr.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return fail("socket");
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), length) != 0) return fail("bind");
  if (::listen(fd, SOMAXCONN) != 0) return fail("listen");
  sockaddr_storage bound{};
  socklen_t boundLength = sizeof bound;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) return fail("getsockname");
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(bound).sin6_port
                                            : reinterpret_cast<const sockaddr_in&>(bound).sin_port);
  socket_ = std::make_unique<WatchedDescriptor>(io_, fd);
  socket_->onReadable([this] { acceptSome(); });
  socket_->setReadEnabled(true);
  return true;
}

void TcpListener::resumeAccepting() {
  if (!paused_) return;
  paused_ = false;
  retry_.stop();
  socket_->setReadEnabled(true);  // fires at once when clients wait in the queue
}

void TcpListener::acceptSome() {
  while (!paused_) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(socket_->fd(), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      // Errors of the one connection in the queue (Linux passes network errors on): the next.
      if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO || errno == ENETDOWN || errno == ENONET ||
          errno == EHOSTDOWN || errno == EHOSTUNREACH || errno == ENETUNREACH || errno == ENOPROTOOPT ||
          errno == EPERM)
        continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      // Out of descriptors or memory (or anything else that would fail again at once): stop
      // watching until a descriptor is freed.
      if (!pauseLogged_)
        log_.event(link(), QStringLiteral("accept paused: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
      pauseLogged_ = true;
      paused_ = true;
      socket_->setReadEnabled(false);
      retry_.start(kRetryMs, [this] { resumeAccepting(); });
      if (callbacks_.paused) callbacks_.paused(this);
      return;
    }
    if (pauseLogged_) {
      log_.event(link(), QStringLiteral("accept resumed"));
      pauseLogged_ = false;
    }
    // The kernel holds no more unsent replies than the simulator itself does (kUnsentLimit), so a
    // client that does not read is noticed after some 200 KiB of replies, not megabytes.
    const int sendBuffer = static_cast<int>(Session::kUnsentLimit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    const QString link = this->link();
    log_.event(link, QStringLiteral("connect ") + PeerText(peer));
    const quint64 id = nextConnection_++;
    connections_.emplace(id, std::make_unique<TcpConnection>(
                                 io_, fd, printer_, faults_, log_, link,
                                 TcpConnection::Callbacks{callbacks_.printerChanged, [this, id] { connectionClosed(id); }}));
  }
}

void TcpListener::connectionClosed(quint64 id) {
  // Possibly inside the connection's own read or write: it goes after the work queued now.
  boost::asio::post(io_, [this, id] { connections_.erase(id); });
  if (callbacks_.descriptorFreed) callbacks_.descriptorFreed();
}

}  // namespace kestrova::sim
