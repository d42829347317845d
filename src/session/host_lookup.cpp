#include "session/host_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "link/link_limits.h"
#include "link/link_selection.h"

namespace kestrova {

namespace {

// One lookup's result, shared by the caller and the thread that asks the resolver: the caller may
// give up at its deadline and leave, the thread finishes on its own and drops its share.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::string address;
  std::string error;
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
  out.done.notify_all();
}

}  // namespace

bool ResolveHost(const std::string& host, std::string& address, std::string& error) {
  std::uint32_t parsed = 0;
  if (ParseHostText(host, parsed)) {
    address = host;
    return true;
  }
  // No event loop runs meanwhile: nothing else of the link thread can happen inside the lookup.
  auto lookup = std::make_shared<Lookup>();
  std::thread([host, lookup] { Resolve(host, *lookup); }).detach();
  std::unique_lock<std::mutex> lock(lookup->mutex);
  if (!lookup->done.wait_for(lock, std::chrono::milliseconds(kConnectTimeoutMs), [&] { return lookup->finished; })) {
    error = host + ": name lookup timed out";
    return false;
  }
  if (!lookup->error.empty()) {
    error = host + ": " + lookup->error;
    return false;
  }
  address = lookup->address;
  return true;
}

}  // namespace kestrova
