#include "hostile_printer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace kestrova::cli::testing {

namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The status query a chunk is, as its step, or 0: 1D 49 n [00] and 1D 67 34 m.
int QueryStep(const std::string& c) {
  if (c.size() < 3 || c[0] != '\x1d') return 0;
  static const std::map<unsigned char, int> identity = {{0x43, 1}, {0x41, 7}, {0x45, 15}};
  static const std::map<unsigned char, int> stored = {
      {0x27, 2},  {0x28, 3},  {0x29, 4},  {0x2A, 5},  {0x2B, 6},  {0x10, 8},  {0x15, 9},  {0x09, 10}, {0x16, 11},
      {0x1B, 12}, {0x05, 13}, {0x24, 14}, {0x21, 16}, {0x22, 17}, {0x25, 18}};
  if (c[1] == 'I' && (c.size() == 3 || (c.size() == 4 && c[3] == '\0'))) {
    const auto it = identity.find(static_cast<unsigned char>(c[2]));
    return it == identity.end() ? 0 : it->second;
  }
  if (c.size() == 4 && c[1] == 'g' && c[2] == '4') {
    const auto it = stored.find(static_cast<unsigned char>(c[3]));
    return it == stored.end() ? 0 : it->second;
  }
  return 0;
}

// The RT5600's values by step (switch bytes 1..5).
const char* const kValues[18] = {"RT-5600", "1",   "2",     "3",  "4",     "5",          "V1.05", "1234", "5678",
                                 "2025-01-15", "0", "98765", "KS00000001", "ENG", "ANK", "0", "0", ""};

}  // namespace

HostilePrinter::HostilePrinter(On on) : on_(on) {}

HostilePrinter::~HostilePrinter() {
  if (thread_.joinable()) {
    const char b = 0;
    (void)!::write(wake_[1], &b, 1);
    thread_.join();
  }
  for (int fd : {listenFd_, clientFd_, slaveFd_, wake_[0], wake_[1]})
    if (fd >= 0) ::close(fd);
}

bool HostilePrinter::start() {
  if (::pipe(wake_) != 0) return false;
  if (on_ == On::Tcp) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listenFd_, 4) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      return false;
    port_ = ntohs(a.sin_port);
  } else {
    clientFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (clientFd_ < 0 || ::grantpt(clientFd_) != 0 || ::unlockpt(clientFd_) != 0) return false;
    slavePath_ = ::ptsname(clientFd_);
    slaveFd_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (slaveFd_ < 0 || ::tcgetattr(slaveFd_, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    if (::tcsetattr(slaveFd_, TCSANOW, &tio) != 0) return false;
  }
  thread_ = std::thread([this] { run(); });
  return true;
}

QString HostilePrinter::link() const {
  return on_ == On::Tcp ? QStringLiteral("127.0.0.1:%1").arg(port_) : QString::fromStdString(slavePath_);
}

std::vector<std::string> HostilePrinter::otherCommands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return other_;
}

void HostilePrinter::onCommand(const std::string& chunk, std::int64_t now) {
  const int step = QueryStep(chunk);
  if (step == 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    other_.push_back(chunk);
    return;
  }
  const auto it = script_.find(step);
  const Parts parts = it != script_.end() ? it->second : Parts{{0, "_" + std::string(kValues[step - 1]) + '\0'}};
  for (const auto& [delay, bytes] : parts) due_.emplace_back(now + delay, bytes);
  std::stable_sort(due_.begin(), due_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

void HostilePrinter::run() {
  for (;;) {
    const std::int64_t now = NowMs();
    while (!due_.empty() && due_.front().first <= now) {
      if (clientFd_ >= 0) (void)!::write(clientFd_, due_.front().second.data(), due_.front().second.size());
      due_.erase(due_.begin());
    }
    std::vector<pollfd> fds = {{wake_[0], POLLIN, 0}};
    if (listenFd_ >= 0 && (on_ == On::Tcp && clientFd_ < 0)) fds.push_back({listenFd_, POLLIN, 0});
    if (clientFd_ >= 0) fds.push_back({clientFd_, POLLIN, 0});
    const int timeout = due_.empty() ? 100 : static_cast<int>(std::max<std::int64_t>(0, due_.front().first - now));
    if (::poll(fds.data(), fds.size(), timeout) < 0) continue;
    if (fds[0].revents) return;
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].fd == listenFd_ && (fds[i].revents & POLLIN)) {
        clientFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      } else if (fds[i].fd == clientFd_ && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
        char buffer[512];
        const ssize_t n = ::read(clientFd_, buffer, sizeof buffer);
        if (n > 0) {
          onCommand(std::string(buffer, static_cast<std::size_t>(n)), NowMs());
        } else if (on_ == On::Tcp && n == 0) {
          ::close(clientFd_);  // the tool has gone; a later connection is served afresh
          clientFd_ = -1;
          due_.clear();
        }
      }
    }
  }
}

}  // namespace kestrova::cli::testing
