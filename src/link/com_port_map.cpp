#include "link/com_port_map.h"

namespace kestrova {

std::string ComPortMap::DefaultDevicePath(int n) {
  if (n < kFirstPort || n > kLastPort) return {};
#ifdef _WIN32
  return "\\\\.\\COM" + std::to_string(n);
#else
  if (n <= 4) return "/dev/ttyUSB" + std::to_string(n - 1);
  if (n <= 8) return "/dev/ttyACM" + std::to_string(n - 5);
  if (n <= 12) return "/dev/ttyS" + std::to_string(n - 9);
  return "/dev/ttyUSB" + std::to_string(n - 13 + 4);
#endif
}

std::string ComPortMap::devicePath(int n) const {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = overrides_.find(n);
    if (it != overrides_.end()) return it->second;
  }
  return DefaultDevicePath(n);
}

std::string ComPortMap::serialComponentName(int n) const {
#ifdef _WIN32
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = overrides_.find(n);
    if (it != overrides_.end()) return it->second;
  }
  if (n < kFirstPort || n > kLastPort) return {};
  return "COM" + std::to_string(n);
#else
  return devicePath(n);
#endif
}

void ComPortMap::setOverride(int n, std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (path.empty()) {
    overrides_.erase(n);
  } else {
    overrides_[n] = std::move(path);
  }
}

void ComPortMap::clearOverrides() {
  std::lock_guard<std::mutex> lock(mutex_);
  overrides_.clear();
}

ComPortMap& ComPortMap::instance() {
  static ComPortMap map;
  return map;
}

}  // namespace kestrova
