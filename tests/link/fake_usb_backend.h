#pragma once
// A USB bus held in memory: the devices present, what each one answers, and a record of what was
// opened, written and closed. For tests of discovery and of the device-handle sequences.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/usb_backend.h"

namespace kestrova {

class FakeUsbBackend : public UsbBackend {
 public:
  struct Device {
    UsbDeviceInfo info;
    bool openFails = false;                     // open answers openError
    LinkError openError;
    std::deque<Bytes> replies;                  // one per bulk IN, in order
    Bytes written;                              // everything sent over bulk OUT
    std::string writeThrows;                    // when set, a bulk OUT throws this text
    int opens = 0;
    int closes = 0;
    bool open = false;
  };

  // Adds a device with vendor 1f4e by product id text as the system would report it inside
  // the path; the text is kept exactly (so an upper-case id gives an upper-case path).
  Device& addDevice(const std::string& productIdText, const std::string& vendorIdText = "1f4e");
  Device& device(std::size_t index) { return *devices_.at(index); }
  std::size_t deviceCount() const { return devices_.size(); }

  // When set, the bus cannot be read at all.
  void setEnumerateError(LinkError error) { enumerateError_ = std::move(error); }

  std::vector<UsbDeviceInfo> enumerate(LinkError& error) override;
  std::unique_ptr<UsbDevice> open(const UsbDeviceInfo& info, LinkError& error) override;

  // Paths in the order open() was asked for them.
  const std::vector<std::string>& openLog() const { return openLog_; }

 private:
  std::vector<std::shared_ptr<Device>> devices_;
  LinkError enumerateError_;
  std::vector<std::string> openLog_;
};

}  // namespace kestrova
