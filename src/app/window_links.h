#pragma once
// What the window reaches printers through: the serial component (COM1..COM4), the TCP client,
// the one device handle (USB, COM5..COM20) and the USB bus. Created, used and destroyed on the
// link thread only.
#include <memory>

#include "link/device_handle.h"
#include "link/serial_component_link.h"
#include "link/tcp_link.h"
#include "link/usb_backend.h"

struct WindowLinks {
  kestrova::SerialComponentLink comm1;
  kestrova::TcpLink tcpClient1;
  kestrova::DeviceHandleSlot deviceHandle;
  std::unique_ptr<kestrova::UsbBackend> usb;
};
