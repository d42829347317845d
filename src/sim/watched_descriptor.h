#pragma once
// A non-blocking descriptor on the simulator's event loop (an Asio stream_descriptor, so epoll on
// Linux), watched level-triggered: while reading (writing) is enabled, the callback runs each time
// the descriptor is readable (writable) and again as long as it stays so. The owner does its own
// reads and writes on fd(). An idle descriptor costs nothing per turn of the loop.
//
// Disabling takes effect at once: a readiness already queued is ignored, and so is any after the
// descriptor was closed or destroyed.
#include <functional>
#include <memory>

namespace boost::asio {
class io_context;
}

namespace kestrova::sim {

class WatchedDescriptor {
 public:
  // Takes over fd; closes it when closed or destroyed.
  WatchedDescriptor(boost::asio::io_context& io, int fd);
  ~WatchedDescriptor();
  WatchedDescriptor(const WatchedDescriptor&) = delete;
  WatchedDescriptor& operator=(const WatchedDescriptor&) = delete;

  int fd() const;  // -1 once closed
  void onReadable(std::function<void()> callback);
  void onWritable(std::function<void()> callback);
  void setReadEnabled(bool enabled);
  void setWriteEnabled(bool enabled);
  void close();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kestrova::sim
