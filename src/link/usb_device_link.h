#pragma once
// A USB printer as a block-style link: block write over bulk OUT, block read over bulk
// IN, both bounded by a time-out. Discard has no effect on the device (only what this link has
// read ahead is dropped).
//
// The transfers themselves are synchronous (UsbDevice): each one runs on a USB worker thread and
// the operation resumes on its own loop when it is done, so the loop goes on with other work
// meanwhile. A link's transfers run one after another, in the order asked for.
//
// Create, use and destroy on the loop that owns it (see link_thread.h).
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <memory>
#include <string>

#include "link/byte_link.h"
#include "link/pending_bytes.h"
#include "link/usb_backend.h"

namespace kestrova {

// The threads every USB transfer of the program runs on.
boost::asio::thread_pool& UsbWorkers();

class UsbDeviceLink : public ByteLink {
 public:
  UsbDeviceLink(std::unique_ptr<UsbDevice> device, std::string target);
  ~UsbDeviceLink() override;

  ReplyStyle replyStyle() const override { return ReplyStyle::Block; }
  bool isOpen() const override { return device_ && !closing_ && device_->isOpen(); }
  // All bytes over bulk OUT within kUsbTransferTimeoutMs.
  Task<bool> send(Bytes bytes) override;
  // What the device has ready now: a bounded number of short bulk IN looks (kUsbPollTimeoutMs
  // each), made in the calling thread, since this call cannot hand over to a worker.
  Bytes takeAvailable() override;
  // At most maxBytes. The transfer itself always asks for a whole number of packets (a device
  // answering with a full packet into a smaller buffer would overflow and lose the reply); what
  // is beyond maxBytes stays for the next call.
  Task<Bytes> receive(std::size_t maxBytes, int timeoutMs) override;
  Task<Bytes> peek(int timeoutMs) override;
  void discard() override;
  // Closes the device; while a transfer is under way, right after it.
  void close() override;
  LinkError lastError() const override { return lastError_; }

  const std::string& target() const { return target_; }

  // Bytes one bulk IN transfer asks for (a multiple of every bulk packet size).
  static constexpr std::size_t kReadCapacity = 512;

 private:
  // One bulk IN bounded by timeoutMs, on a worker; false on a transfer error or no data.
  Task<bool> readOnce(int timeoutMs);
  // What a bulk IN brought: appended to what is pending; false on an error or no data.
  bool took(const Bytes& data, const LinkError& error);
  // Closes the device when error says it is gone.
  void dropIfGone(const LinkError& error);
  // Closes the device, keeping what was read ahead.
  void closeDevice();

  // Shared with the transfer under way, which may outlive a close.
  std::shared_ptr<UsbDevice> device_;
  boost::asio::strand<boost::asio::thread_pool::executor_type> transfers_;
  int inFlight_ = 0;      // transfers handed to the worker and not yet back
  bool closing_ = false;  // closed while a transfer was under way
  std::string target_;
  PendingBytes pending_;
  LinkError lastError_;
};

}  // namespace kestrova
