#pragma once
// A USB printer as a block-style link: block write over bulk OUT, block read over bulk
// IN, both bounded by a time-out. Discard has no effect on the device (only what this link has
// read ahead is dropped).
//
// Create, use and destroy on the link thread (see link_thread.h).
#include <memory>
#include <string>

#include "link/byte_link.h"
#include "link/pending_bytes.h"
#include "link/usb_backend.h"

namespace kestrova {

class UsbDeviceLink : public ByteLink {
 public:
  UsbDeviceLink(std::unique_ptr<UsbDevice> device, std::string target);
  ~UsbDeviceLink() override;

  ReplyStyle replyStyle() const override { return ReplyStyle::Block; }
  bool isOpen() const override { return device_ && device_->isOpen(); }
  // All bytes over bulk OUT within kUsbTransferTimeoutMs.
  bool send(const Bytes& bytes) override;
  Bytes takeAvailable() override;
  // At most maxBytes. The transfer itself always asks for a whole number of packets (a device
  // answering with a full packet into a smaller buffer would overflow and lose the reply); what
  // is beyond maxBytes stays for the next call.
  Bytes receive(std::size_t maxBytes, int timeoutMs) override;
  Bytes peek(int timeoutMs) override;
  void discard() override;
  void close() override;
  LinkError lastError() const override { return lastError_; }

  const std::string& target() const { return target_; }

  // Bytes one bulk IN transfer asks for (a multiple of every bulk packet size).
  static constexpr std::size_t kReadCapacity = 512;

 private:
  // One bulk IN bounded by timeoutMs; false on a transfer error.
  bool readOnce(int timeoutMs);
  // Closes the device when error says it is gone.
  void dropIfGone(const LinkError& error);

  std::unique_ptr<UsbDevice> device_;
  std::string target_;
  PendingBytes pending_;
  LinkError lastError_;
};

}  // namespace kestrova
