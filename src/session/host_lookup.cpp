#include "session/host_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/this_coro.hpp>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "link/link_limits.h"
#include "link/link_selection.h"
#include "link/readiness.h"

namespace kestrova {

namespace {

// One lookup's result, shared by the caller and the thread that asks the resolver: the caller may
// give up at its deadline and leave, the thread finishes on its own and drops its share. The
// thread tells its end through an eventfd, which the caller's loop watches; nothing of the loop
// is touched from the thread, so the loop may even be gone by then.
struct Lookup {
  Lookup() : ready(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~Lookup() {
    if (ready >= 0) ::close(ready);
  }
  std::mutex mutex;
  bool finished = false;
  std::string address;
  std::string error;
  const int ready;
};

// The first IPv4 address of a name through the system's resolver (hosts file, DNS, mDNS as
// configured), which has no deadline of its own.
void Resolve(const std::string& host, Lookup& out) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  std::string address;
  std::string error;
  if (rc != 0) {
    error = rc == EAI_NONAME || rc == EAI_NODATA ? "no such host" : ::gai_strerror(rc);
  } else {
    char text[INET_ADDRSTRLEN] = {};
    for (const addrinfo* a = found; a && address.empty(); a = a->ai_next)
      if (a->ai_family == AF_INET &&
          ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr, text, sizeof text))
        address = text;
    ::freeaddrinfo(found);
    if (address.empty()) error = "no IPv4 address";
  }
  const std::lock_guard<std::mutex> lock(out.mutex);
  out.address = address;
  out.error = error;
  out.finished = true;
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(out.ready, &one, sizeof one);
}

}  // namespace

Task<bool> ResolveHost(std::string host, std::string& address, std::string& error) {
  std::uint32_t parsed = 0;
  if (ParseHostText(host, parsed)) {
    address = host;
    co_return true;
  }
  auto lookup = std::make_shared<Lookup>();
  const int watched = lookup->ready >= 0 ? ::dup(lookup->ready) : -1;
  if (watched < 0) {
    error = host + ": name lookup not started";
    co_return false;
  }
  boost::asio::posix::stream_descriptor ready(co_await boost::asio::this_coro::executor, watched);
  std::thread([host, lookup] { Resolve(host, *lookup); }).detach();
  co_await ReadyWithin(ready, boost::asio::posix::stream_descriptor::wait_read, kConnectTimeoutMs);
  const std::lock_guard<std::mutex> lock(lookup->mutex);
  if (!lookup->finished) {
    error = host + ": name lookup timed out";
    co_return false;
  }
  if (!lookup->error.empty()) {
    error = host + ": " + lookup->error;
    co_return false;
  }
  address = lookup->address;
  co_return true;
}

}  // namespace kestrova
