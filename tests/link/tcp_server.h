#pragma once
// A printer on 127.0.0.1 for TCP link tests: a plain POSIX socket server on its own thread that
// records what it receives and sends what the test gives it.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "link/byte_link.h"

namespace kestrova::testing {

class TcpPrinter {
 public:
  TcpPrinter();
  ~TcpPrinter();

  int port() const { return port_; }
  // Waits until at least count bytes have come in since the last call; returns them all.
  Bytes received(std::size_t count, int timeoutMs = 1000);
  // Sends to the connected client (waits up to a second for one).
  void send(const Bytes& bytes);
  // Closes the client connection (the printer drops the link).
  void dropClient();
  int connectionsAccepted() const { return accepted_; }

  // A port on 127.0.0.1 on which nothing listens.
  static int ClosedPort();

 private:
  void run();

  int listenFd_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int clientFd_ = -1;
  Bytes in_;
  Bytes out_;
  bool drop_ = false;
  bool stop_ = false;
  std::atomic<int> accepted_{0};
};

}  // namespace kestrova::testing
