#include "tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace kestrova::testing {

TcpPrinter::TcpPrinter() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::listen(listenFd_, 4);
  socklen_t len = sizeof addr;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  if (::pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
  thread_ = std::thread([this] { run(); });
}

TcpPrinter::~TcpPrinter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  if (wake_[1] >= 0) (void)!::write(wake_[1], "x", 1);
  thread_.join();
  if (clientFd_ >= 0) ::close(clientFd_);
  ::close(listenFd_);
  ::close(wake_[0]);
  ::close(wake_[1]);
}

int TcpPrinter::ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

void TcpPrinter::run() {
  for (;;) {
    pollfd fds[3];
    int n = 0;
    fds[n++] = {wake_[0], POLLIN, 0};
    fds[n++] = {listenFd_, POLLIN, 0};
    int client = -1;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
      client = clientFd_;
    }
    if (client >= 0) fds[n++] = {client, POLLIN, 0};
    ::poll(fds, static_cast<nfds_t>(n), 1000);
    if (fds[0].revents & POLLIN) {
      char c[16];
      (void)!::read(wake_[0], c, sizeof c);
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (stop_) return;
    if (fds[1].revents & POLLIN) {
      const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        if (clientFd_ >= 0) ::close(clientFd_);
        clientFd_ = fd;
        ++accepted_;
      }
    }
    if (clientFd_ >= 0 && client == clientFd_ && n == 3 && (fds[2].revents & (POLLIN | POLLHUP))) {
      char buffer[512];
      const ssize_t got = ::read(clientFd_, buffer, sizeof buffer);
      if (got > 0) in_.append(buffer, static_cast<std::size_t>(got));
      if (got == 0) {
        ::close(clientFd_);
        clientFd_ = -1;
      }
    }
    if (clientFd_ >= 0 && !out_.empty()) {
      const ssize_t sent = ::send(clientFd_, out_.data(), out_.size(), MSG_NOSIGNAL);
      if (sent > 0) out_.erase(0, static_cast<std::size_t>(sent));
    }
    if (drop_ && clientFd_ >= 0) {
      ::close(clientFd_);
      clientFd_ = -1;
      drop_ = false;
    }
    changed_.notify_all();
  }
}

Bytes TcpPrinter::received(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return in_.size() >= count; });
  Bytes out;
  out.swap(in_);
  return out;
}

void TcpPrinter::send(const Bytes& bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::seconds(1), [&] { return clientFd_ >= 0; });
  out_ += bytes;
  lock.unlock();
  (void)!::write(wake_[1], "x", 1);
  lock.lock();
  changed_.wait_for(lock, std::chrono::seconds(1), [&] { return out_.empty(); });
}

void TcpPrinter::dropClient() {
  std::unique_lock<std::mutex> lock(mutex_);
  drop_ = true;
  lock.unlock();
  (void)!::write(wake_[1], "x", 1);
  lock.lock();
  changed_.wait_for(lock, std::chrono::seconds(1), [&] { return !drop_; });
}

}  // namespace kestrova::testing
