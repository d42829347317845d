#include "link/fake_usb_backend.h"

#include "link/os_error.h"

#include <stdexcept>

namespace kestrova {
namespace {

class FakeUsbDevice : public UsbDevice {
 public:
  explicit FakeUsbDevice(std::shared_ptr<FakeUsbBackend::Device> device) : device_(std::move(device)) {
    device_->open = true;
    ++device_->opens;
  }
  ~FakeUsbDevice() override { close(); }

  std::size_t bulkWrite(const Bytes& bytes, int, LinkError& error) override {
    if (!isOpen()) {
      error = MakeLinkError(LinkError::Kind::Closed, device_->info.path, "device not open");
      return 0;
    }
    if (!device_->writeThrows.empty()) throw std::runtime_error(device_->writeThrows);
    device_->written += bytes;
    return bytes.size();
  }

  Bytes bulkRead(std::size_t capacity, int, LinkError& error) override {
    if (!isOpen()) {
      error = MakeLinkError(LinkError::Kind::Closed, device_->info.path, "device not open");
      return {};
    }
    if (device_->replies.empty()) return {};
    Bytes reply = device_->replies.front();
    device_->replies.pop_front();
    if (reply.size() > capacity) {
      error = MakeLinkError(LinkError::Kind::Io, device_->info.path, "overflow");
      reply.resize(capacity);
    }
    return reply;
  }

  void close() override {
    if (!closed_) {
      closed_ = true;
      device_->open = false;
      ++device_->closes;
    }
  }

  bool isOpen() const override { return !closed_; }

 private:
  std::shared_ptr<FakeUsbBackend::Device> device_;
  bool closed_ = false;
};

}  // namespace

FakeUsbBackend::Device& FakeUsbBackend::addDevice(const std::string& productIdText, const std::string& vendorIdText) {
  auto device = std::make_shared<Device>();
  device->info.vendorId = static_cast<std::uint16_t>(std::stoul(vendorIdText, nullptr, 16));
  device->info.productId = static_cast<std::uint16_t>(std::stoul(productIdText, nullptr, 16));
  device->info.path = "usb#vid_" + vendorIdText + "&pid_" + productIdText + "#1-" + std::to_string(devices_.size() + 1);
  devices_.push_back(device);
  return *device;
}

std::vector<UsbDeviceInfo> FakeUsbBackend::enumerate(LinkError& error) {
  std::vector<UsbDeviceInfo> result;
  if (!enumerateError_.ok()) {
    error = enumerateError_;
    return result;
  }
  for (const auto& device : devices_) result.push_back(device->info);
  return result;
}

std::unique_ptr<UsbDevice> FakeUsbBackend::open(const UsbDeviceInfo& info, LinkError& error) {
  openLog_.push_back(info.path);
  for (const auto& device : devices_) {
    if (device->info.path != info.path) continue;
    if (device->openFails) {
      error = device->openError;
      return nullptr;
    }
    return std::make_unique<FakeUsbDevice>(device);
  }
  error = MakeLinkError(LinkError::Kind::Absent, "USB " + info.path, "device no longer present");
  return nullptr;
}

}  // namespace kestrova
