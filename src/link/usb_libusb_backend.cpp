// The USB backend over libusb-1.0.
#include <libusb.h>

#include <cstdio>

#include "link/os_error.h"
#include "link/usb_backend.h"

namespace kestrova {

std::string FormatUsbId(std::uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id));
  return text;
}

std::string UsbDevicePath(std::uint16_t vendorId, std::uint16_t productId, int bus, int address) {
  return "usb#vid_" + FormatUsbId(vendorId) + "&pid_" + FormatUsbId(productId) + "#" + std::to_string(bus) + "-" +
         std::to_string(address);
}

namespace {

LinkError UsbError(int code, const std::string& target) {
  LinkError error = MakeLinkError(LinkError::Kind::Io, target, libusb_strerror(code), code);
  switch (code) {
    case LIBUSB_ERROR_ACCESS: error.kind = LinkError::Kind::PermissionDenied; break;
    case LIBUSB_ERROR_BUSY: error.kind = LinkError::Kind::Busy; break;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND: error.kind = LinkError::Kind::Absent; break;
    case LIBUSB_ERROR_TIMEOUT: error.kind = LinkError::Kind::TimedOut; break;
    default: break;
  }
  return error;
}

std::string Target(const UsbDeviceInfo& info) { return "USB " + info.path; }

class LibusbDevice : public UsbDevice {
 public:
  LibusbDevice(libusb_device_handle* handle, int interfaceNumber, unsigned char outEndpoint,
               unsigned char inEndpoint, std::string target)
      : handle_(handle), interface_(interfaceNumber), out_(outEndpoint), in_(inEndpoint), target_(std::move(target)) {}
  ~LibusbDevice() override { close(); }

  std::size_t bulkWrite(const Bytes& bytes, int timeoutMs, LinkError& error) override {
    if (!handle_) {
      error = MakeLinkError(LinkError::Kind::Closed, target_, "device not open");
      return 0;
    }
    int transferred = 0;
    Bytes data = bytes;  // libusb wants a mutable buffer
    const int rc = libusb_bulk_transfer(handle_, out_, reinterpret_cast<unsigned char*>(data.data()),
                                        static_cast<int>(data.size()), &transferred, static_cast<unsigned>(timeoutMs));
    if (rc != 0) error = UsbError(rc, target_);
    return transferred > 0 ? static_cast<std::size_t>(transferred) : 0;
  }

  Bytes bulkRead(std::size_t capacity, int timeoutMs, LinkError& error) override {
    if (!handle_) {
      error = MakeLinkError(LinkError::Kind::Closed, target_, "device not open");
      return {};
    }
    Bytes buffer(capacity, '\0');
    int transferred = 0;
    const int rc = libusb_bulk_transfer(handle_, in_, reinterpret_cast<unsigned char*>(buffer.data()),
                                        static_cast<int>(buffer.size()), &transferred, static_cast<unsigned>(timeoutMs));
    if (rc != 0 && rc != LIBUSB_ERROR_TIMEOUT) error = UsbError(rc, target_);
    buffer.resize(transferred > 0 ? static_cast<std::size_t>(transferred) : 0);
    return buffer;
  }

  void close() override {
    if (!handle_) return;
    // Releasing gives the interface back to a kernel driver detached at claim time.
    libusb_release_interface(handle_, interface_);
    libusb_close(handle_);
    handle_ = nullptr;
  }

  bool isOpen() const override { return handle_ != nullptr; }

 private:
  libusb_device_handle* handle_;
  int interface_;
  unsigned char out_;
  unsigned char in_;
  std::string target_;
};

// The interface setting with both a bulk OUT and a bulk IN endpoint: the first of class printer
// (7), else the first of any class (a composite device may put a vendor interface first).
bool FindBulkPair(libusb_device* device, int& interfaceNumber, int& altSetting, unsigned char& out,
                  unsigned char& in) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0 || !config) {
    if (libusb_get_config_descriptor(device, 0, &config) != 0 || !config) return false;
  }
  bool found = false;
  bool printer = false;
  for (int i = 0; i < config->bNumInterfaces && !printer; ++i) {
    const libusb_interface& iface = config->interface[i];
    for (int a = 0; a < iface.num_altsetting && !printer; ++a) {
      const libusb_interface_descriptor& setting = iface.altsetting[a];
      int bulkOut = -1;
      int bulkIn = -1;
      for (int e = 0; e < setting.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& ep = setting.endpoint[e];
        if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
        if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
          if (bulkIn < 0) bulkIn = ep.bEndpointAddress;
        } else if (bulkOut < 0) {
          bulkOut = ep.bEndpointAddress;
        }
      }
      const bool isPrinter = setting.bInterfaceClass == LIBUSB_CLASS_PRINTER;
      if (bulkOut >= 0 && bulkIn >= 0 && (!found || isPrinter)) {
        printer = isPrinter;
        interfaceNumber = setting.bInterfaceNumber;
        altSetting = setting.bAlternateSetting;
        out = static_cast<unsigned char>(bulkOut);
        in = static_cast<unsigned char>(bulkIn);
        found = true;
      }
    }
  }
  libusb_free_config_descriptor(config);
  return found;
}

class LibusbBackend : public UsbBackend {
 public:
  LibusbBackend() { initResult_ = libusb_init(&context_); }
  ~LibusbBackend() override {
    if (initResult_ == 0) libusb_exit(context_);
  }

  std::vector<UsbDeviceInfo> enumerate(LinkError& error) override {
    std::vector<UsbDeviceInfo> result;
    if (initResult_ != 0) {
      error = UsbError(initResult_, "USB");
      error.kind = LinkError::Kind::NoDevice;
      error.message = std::string("the USB bus cannot be read (") + libusb_strerror(initResult_) + ")";
      return result;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) {
      error = UsbError(static_cast<int>(count), "USB");
      error.kind = LinkError::Kind::NoDevice;
      return result;
    }
    for (ssize_t i = 0; i < count; ++i) {
      libusb_device_descriptor descriptor{};
      if (libusb_get_device_descriptor(list[i], &descriptor) != 0) continue;
      UsbDeviceInfo info;
      info.vendorId = descriptor.idVendor;
      info.productId = descriptor.idProduct;
      info.path = UsbDevicePath(descriptor.idVendor, descriptor.idProduct, libusb_get_bus_number(list[i]),
                                libusb_get_device_address(list[i]));
      result.push_back(info);
    }
    libusb_free_device_list(list, 1);
    return result;
  }

  LinkError checkAccess(const UsbDeviceInfo& info) override {
    LinkError error;
    libusb_device* device = find(info, error);
    if (!device) return error;
    libusb_device_handle* handle = nullptr;
    const int rc = libusb_open(device, &handle);
    libusb_unref_device(device);
    if (rc != 0) return UsbError(rc, Target(info));
    libusb_close(handle);
    return {};
  }

  std::unique_ptr<UsbDevice> open(const UsbDeviceInfo& info, LinkError& error) override {
    const std::string target = Target(info);
    libusb_device* device = find(info, error);
    if (!device) return nullptr;
    int interfaceNumber = 0;
    int altSetting = 0;
    unsigned char out = 0;
    unsigned char in = 0;
    const bool hasPair = FindBulkPair(device, interfaceNumber, altSetting, out, in);
    libusb_device_handle* handle = nullptr;
    const int rc = hasPair ? libusb_open(device, &handle) : LIBUSB_ERROR_NOT_SUPPORTED;
    libusb_unref_device(device);
    if (!hasPair) {
      error = MakeLinkError(LinkError::Kind::Io, target, "no interface with bulk OUT and bulk IN");
      return nullptr;
    }
    if (rc != 0) {
      error = UsbError(rc, target);
      return nullptr;
    }
    // A kernel printer driver holding the interface is detached at claim and reattached at
    // release. Systems without kernel drivers answer "not supported": nothing to detach.
    libusb_set_auto_detach_kernel_driver(handle, 1);
    int claim = libusb_claim_interface(handle, interfaceNumber);
    if (claim == 0 && altSetting != 0) {
      claim = libusb_set_interface_alt_setting(handle, interfaceNumber, altSetting);
      if (claim != 0) libusb_release_interface(handle, interfaceNumber);
    }
    if (claim != 0) {
      error = UsbError(claim, target);
      libusb_close(handle);
      return nullptr;
    }
    return std::make_unique<LibusbDevice>(handle, interfaceNumber, out, in, target);
  }

 private:
  // The device of a path found by enumerate(); referenced (unref when done), or null with error.
  libusb_device* find(const UsbDeviceInfo& info, LinkError& error) {
    const std::string target = Target(info);
    if (initResult_ != 0) {
      error = UsbError(initResult_, target);
      return nullptr;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) {
      error = UsbError(static_cast<int>(count), target);
      return nullptr;
    }
    libusb_device* device = nullptr;
    for (ssize_t i = 0; i < count && !device; ++i) {
      libusb_device_descriptor descriptor{};
      if (libusb_get_device_descriptor(list[i], &descriptor) != 0) continue;
      if (UsbDevicePath(descriptor.idVendor, descriptor.idProduct, libusb_get_bus_number(list[i]),
                        libusb_get_device_address(list[i])) == info.path) {
        device = libusb_ref_device(list[i]);
      }
    }
    libusb_free_device_list(list, 1);
    if (!device) error = MakeLinkError(LinkError::Kind::Absent, target, "device no longer present");
    return device;
  }

  libusb_context* context_ = nullptr;
  int initResult_ = LIBUSB_ERROR_OTHER;
};

}  // namespace

std::unique_ptr<UsbBackend> CreateLibusbBackend() { return std::make_unique<LibusbBackend>(); }

}  // namespace kestrova
