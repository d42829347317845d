#include "link/usb_device_link.h"

#include <chrono>

#include "link/link_limits.h"
#include "link/os_error.h"

namespace kestrova {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// libusb reads a time-out of 0 as "no time-out at all": never hand it one.
int TransferTimeout(int timeoutMs) { return timeoutMs > 0 ? timeoutMs : kUsbPollTimeoutMs; }

}  // namespace

UsbDeviceLink::UsbDeviceLink(std::unique_ptr<UsbDevice> device, std::string target)
    : device_(std::move(device)), target_(std::move(target)) {}

UsbDeviceLink::~UsbDeviceLink() { close(); }

bool UsbDeviceLink::send(const Bytes& bytes) {
  if (!isOpen()) {
    // A device dropped as gone keeps saying so.
    if (lastError_.kind != LinkError::Kind::Absent)
      lastError_ = MakeLinkError(LinkError::Kind::Closed, target_, "device not open");
    return false;
  }
  const std::int64_t deadline = NowMs() + kUsbTransferTimeoutMs;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) {
      lastError_ = MakeLinkError(LinkError::Kind::TimedOut, target_, "write did not complete");
      return false;
    }
    LinkError error;
    const std::size_t n = device_->bulkWrite(bytes.substr(done), static_cast<int>(left), error);
    done += n;
    if (!error.ok()) {
      if (done < bytes.size()) {
        lastError_ = error;
        dropIfGone(error);
        return false;
      }
    } else if (n == 0) {
      lastError_ = MakeLinkError(LinkError::Kind::Io, target_, "device took no data");
      return false;
    }
  }
  return true;
}

bool UsbDeviceLink::readOnce(int timeoutMs) {
  if (!isOpen()) return false;
  LinkError error;
  const Bytes data = device_->bulkRead(kReadCapacity, TransferTimeout(timeoutMs), error);
  pending_.append(data);
  if (!error.ok()) {
    lastError_ = error;
    dropIfGone(error);
    return false;
  }
  return !data.empty();
}

Bytes UsbDeviceLink::takeAvailable() {
  // A bounded number of short looks: whatever the device has ready now.
  for (int i = 0; i < 8 && readOnce(kUsbPollTimeoutMs); ++i) {
  }
  return pending_.takeAll();
}

Bytes UsbDeviceLink::receive(std::size_t maxBytes, int timeoutMs) {
  if (pending_.empty()) readOnce(timeoutMs);
  return pending_.take(maxBytes);
}

Bytes UsbDeviceLink::peek(int timeoutMs) {
  if (!pending_.grewSincePeek()) readOnce(timeoutMs);
  return pending_.peek();
}

void UsbDeviceLink::dropIfGone(const LinkError& error) {
  // An unplugged printer never comes back on this handle: closing it makes the holder discover
  // again (a USB test print keeps its link for the next test only while it is open).
  if (error.kind == LinkError::Kind::Absent && device_) device_->close();
}

void UsbDeviceLink::discard() { pending_.clear(); }

void UsbDeviceLink::close() {
  pending_.clear();
  if (device_) device_->close();
}

}  // namespace kestrova
