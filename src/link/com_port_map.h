#pragma once
// Where each COM entry of the port selection lives on this system: the one place that turns
// "COMn" into a device path. Tests point an entry at a pseudo-terminal with setOverride().
//
// Linux:   COM1..COM4   -> /dev/ttyUSB0../dev/ttyUSB3   (USB serial adapters)
//          COM5..COM8   -> /dev/ttyACM0../dev/ttyACM3   (USB CDC printers)
//          COM9..COM12  -> /dev/ttyS0../dev/ttyS3       (on-board ports)
//          COM13..COM20 -> /dev/ttyUSB4../dev/ttyUSB11
// Windows: COMn is "COMn" for the serial component and "\\.\COMn" for the device handle.
#include <map>
#include <mutex>
#include <string>

namespace kestrova {

class ComPortMap {
 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 20;

  // The device path of COMn; empty for a number outside COM1..COM20 (unless overridden).
  std::string devicePath(int n) const;
  // The name the serial component opens (same as devicePath on Linux, "COMn" on Windows).
  std::string serialComponentName(int n) const;

  // Points COMn somewhere else (a pseudo-terminal in tests). An empty path removes the override.
  void setOverride(int n, std::string path);
  void clearOverrides();

  // The map every link uses unless it is given another.
  static ComPortMap& instance();

  // The platform's own path of COMn, without overrides.
  static std::string DefaultDevicePath(int n);

 private:
  mutable std::mutex mutex_;
  std::map<int, std::string> overrides_;
};

}  // namespace kestrova
