#include "sim/watched_descriptor.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>

#include <unistd.h>

namespace kestrova::sim {

namespace {

using Descriptor = boost::asio::posix::stream_descriptor;

struct Direction {
  std::function<void()> callback;
  bool enabled = false;
  bool waiting = false;  // a wait is with the loop
};

}  // namespace

struct WatchedDescriptor::State : std::enable_shared_from_this<State> {
  State(boost::asio::io_context& io, int fd) : descriptor(io, fd) {}

  Direction& direction(Descriptor::wait_type type) { return type == Descriptor::wait_read ? read : write; }

  // One wait per direction at a time; a wait that completes while disabled is not renewed.
  void arm(Descriptor::wait_type type) {
    Direction& d = direction(type);
    if (d.waiting || !d.enabled || !descriptor.is_open()) return;
    d.waiting = true;
    descriptor.async_wait(type, [weak = weak_from_this(), type](const boost::system::error_code& ec) {
      const auto self = weak.lock();
      if (!self) return;
      Direction& dir = self->direction(type);
      dir.waiting = false;
      if (ec == boost::asio::error::operation_aborted || !dir.enabled || !self->descriptor.is_open()) return;
      const auto callback = dir.callback;  // the callback may replace it
      callback();
      self->arm(type);
    });
  }

  Descriptor descriptor;
  Direction read;
  Direction write;
};

WatchedDescriptor::WatchedDescriptor(boost::asio::io_context& io, int fd) : state_(std::make_shared<State>(io, fd)) {}

WatchedDescriptor::~WatchedDescriptor() { close(); }

int WatchedDescriptor::fd() const { return state_->descriptor.is_open() ? state_->descriptor.native_handle() : -1; }

void WatchedDescriptor::onReadable(std::function<void()> callback) { state_->read.callback = std::move(callback); }

void WatchedDescriptor::onWritable(std::function<void()> callback) { state_->write.callback = std::move(callback); }

void WatchedDescriptor::setReadEnabled(bool enabled) {
  state_->read.enabled = enabled;
  state_->arm(Descriptor::wait_read);
}

void WatchedDescriptor::setWriteEnabled(bool enabled) {
  state_->write.enabled = enabled;
  state_->arm(Descriptor::wait_write);
}

void WatchedDescriptor::close() {
  state_->read.enabled = state_->write.enabled = false;
  boost::system::error_code ignored;
  state_->descriptor.close(ignored);
}

}  // namespace kestrova::sim
