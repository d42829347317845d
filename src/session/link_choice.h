#pragma once
// Where the printer is, as the window's port selection or the tool's link options name it.
#include <string>
#include <string_view>

#include "link/link_selection.h"
#include "model/catalogue.h"

namespace kestrova {

struct LinkChoice {
  enum class Kind {
    None,             // nothing is opened
    Tcp,              // TCP/IP
    SerialComponent,  // COM1..COM4: read and write with the user's line settings; test prints over
                      // the device handle
    SerialDevice,     // COM5..COM20: the device handle, with the line settings the system holds
    Usb,              // the USB printer discovery takes, or the one chosen
  };
  Kind kind = Kind::None;
  std::string host;        // Tcp: dotted decimal or a name
  std::string portField;   // Tcp: the port text, read as a C decimal conversion reads it
  int comNumber = 0;       // serial kinds: COMn of the port map, used when no path is given
  std::string devicePath;  // serial kinds: the device itself
  SerialSettings serial;   // SerialComponent
  std::string usbDevice;   // Usb: one chosen printer ("1-4" or its path); empty: discovery
  ModelNo selectedModel = 0;

  // The window's port selection text: "TCP/IP", "USB", "COMn"; anything else is None.
  static LinkChoice FromSelectionText(std::string_view text);
};

}  // namespace kestrova
