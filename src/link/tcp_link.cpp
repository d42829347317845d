#include "link/tcp_link.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <boost/asio/as_tuple.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <cerrno>
#include <chrono>
#include <utility>

#include "link/os_error.h"
#include "link/readiness.h"

namespace kestrova {

namespace {

using boost::asio::ip::tcp;
using SteadyTime = std::chrono::steady_clock;

// The operating system's error number behind an error of a connect.
int ErrorNumber(const boost::system::error_code& error) {
  if (error.category() != boost::system::system_category() || error.value() == 0) return EIO;
  return error.value();
}

// A connect that failed with errno `err`: what the user can do about it.
LinkError ConnectError(int err, const std::string& target) {
  LinkError cause = LinkErrorFromErrno(err, target);
  switch (err) {
    case ECONNREFUSED: cause.kind = LinkError::Kind::Refused; break;
    case ETIMEDOUT: cause.kind = LinkError::Kind::TimedOut; break;
    case EHOSTUNREACH:
    case EHOSTDOWN:
    case ENETUNREACH:
    case ENETDOWN: cause.kind = LinkError::Kind::Absent; break;
    case EACCES:
    case EPERM: cause.kind = LinkError::Kind::PermissionDenied; break;
    default: cause.kind = LinkError::Kind::Io; break;
  }
  return cause;
}

// Waits up to timeoutMs until the connected socket `fd` can be read or written, watched by the
// loop of the calling operation for this wait only (the descriptor stays the link's).
Task<bool> FdReadyWithin(int fd, tcp::socket::wait_type what, int timeoutMs) {
  tcp::socket watched(co_await boost::asio::this_coro::executor);
  boost::system::error_code error;
  watched.assign(tcp::v4(), fd, error);
  if (error) co_return false;
  const bool ready = co_await ReadyWithin(watched, what, timeoutMs);
  watched.release(error);
  co_return ready;
}

int MsLeft(SteadyTime::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyTime::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool WouldBlock(int err) { return err == EAGAIN || err == EWOULDBLOCK; }

}  // namespace

TcpLink::TcpLink() = default;

// Closing at destruction is not an error event.
TcpLink::~TcpLink() { closeSocket(); }

void TcpLink::setActive(bool active) {
  active_ = active;
  if (!active) close();
}

bool TcpLink::isConnected() const { return socket_ >= 0; }

bool TcpLink::prepare(const std::string& hostText, std::string_view portField) {
  if (active_ && isConnected()) return false;
  remoteHost_ = hostText;
  remotePort_ = PortText(portField);
  return true;
}

void TcpLink::closeSocket() {
  if (socket_ < 0) return;
  ::shutdown(socket_, SHUT_RDWR);
  ::close(socket_);
  socket_ = -1;
}

void TcpLink::broken(int err) {
  closeSocket();
  raiseError(err);
}

Task<bool> TcpLink::connectToPrinter(int timeoutMs) {
  active_ = true;
  if (isConnected()) co_return true;
  const int port = AtoiText(remotePort_);
  std::uint32_t address = 0;
  if (!ParseHostText(remoteHost_, address)) {
    lastError_ = MakeLinkError(LinkError::Kind::Absent, target(), "not an IPv4 address");
    co_return false;
  }
  if (port <= 0 || port > 65535) {
    lastError_ = MakeLinkError(LinkError::Kind::Refused, target(), "not a usable TCP port");
    co_return false;
  }
  // A new connection starts with nothing received.
  pending_.clear();

  using namespace boost::asio::experimental::awaitable_operators;
  constexpr auto token = boost::asio::as_tuple(boost::asio::use_awaitable);
  const auto executor = co_await boost::asio::this_coro::executor;
  tcp::socket connecting(executor);
  boost::system::error_code error;
  connecting.open(tcp::v4(), error);
  if (!error) {
    boost::asio::steady_timer deadline(executor, std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0));
    const tcp::endpoint peer(boost::asio::ip::address_v4(address), static_cast<unsigned short>(port));
    const auto first = co_await (connecting.async_connect(peer, token) || deadline.async_wait(token));
    if (first.index() == 0)
      error = std::get<0>(std::get<0>(first));
    else
      error = boost::asio::error::timed_out;
  }
  if (!error) socket_ = connecting.release(error);
  if (!error) {
    lastError_ = LinkError();
    co_return true;
  }
  // The socket of a failed connect closes with `connecting`.
  lastError_ = ConnectError(ErrorNumber(error), target());
  raiseError(lastError_.osError);
  co_return false;
}

Task<bool> TcpLink::connectForWrite(std::string hostText, std::string portField, int timeoutMs) {
  if (active_ && isConnected()) co_return true;
  active_ = true;
  remoteHost_ = std::move(hostText);
  remotePort_ = PortText(portField);
  // A socket that is not connected has no data to wait for: connect straight away.
  co_return co_await connectToPrinter(timeoutMs);
}

void TcpLink::pull() {
  std::array<char, 4096> chunk;
  while (socket_ >= 0) {
    const ssize_t n = ::recv(socket_, chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (n > 0) {
      pending_.append(Bytes(chunk.data(), static_cast<std::size_t>(n)));
    } else if (n == 0) {
      // The peer closed the connection: reported as a reset connection, as a send into it is.
      broken(ECONNRESET);
    } else if (errno != EINTR) {
      if (!WouldBlock(errno)) broken(errno);
      return;
    }
  }
}

Task<bool> TcpLink::send(Bytes bytes) {
  // A peer that has closed the connection is noticed before anything is written to it.
  pull();
  if (!isConnected()) {
    lastError_ = MakeLinkError(LinkError::Kind::Closed, target(), "not connected");
    co_return false;
  }
  const auto deadline = SteadyTime::now() + std::chrono::milliseconds(kSendTimeoutMs);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n >= 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    const int err = errno;
    if (err == EINTR) continue;
    if (!WouldBlock(err)) {
      // A broken pipe is the peer's close seen from the sending side.
      broken(err == EPIPE ? ECONNRESET : err);
      lastError_ = MakeLinkError(LinkError::Kind::Closed, target(), "send did not complete", err);
      co_return false;
    }
    const int left = MsLeft(deadline);
    if (left == 0) {
      lastError_ = MakeLinkError(LinkError::Kind::TimedOut, target(), "send did not complete");
      co_return false;
    }
    co_await FdReadyWithin(socket_, tcp::socket::wait_write, left);
    if (!isConnected()) {
      lastError_ = MakeLinkError(LinkError::Kind::Closed, target(), "send did not complete");
      co_return false;
    }
  }
  co_return true;
}

Bytes TcpLink::takeAvailable() {
  pull();
  return pending_.takeAll();
}

Task<Bytes> TcpLink::receive(std::size_t maxBytes, int timeoutMs) {
  if (maxBytes == 0) co_return Bytes();
  pull();
  if (pending_.empty() && isConnected()) {
    co_await FdReadyWithin(socket_, tcp::socket::wait_read, timeoutMs);
    pull();
  }
  co_return pending_.take(maxBytes);
}

Task<Bytes> TcpLink::peek(int timeoutMs) {
  pull();
  if (!pending_.grewSincePeek() && isConnected()) {
    co_await FdReadyWithin(socket_, tcp::socket::wait_read, timeoutMs);
    pull();
  }
  co_return pending_.peek();
}

void TcpLink::discard() {
  pull();
  pending_.clear();
}

void TcpLink::close() {
  closeSocket();
  pending_.clear();
}

}  // namespace kestrova
