#include "cli/fleet_limits.h"

#include <sys/resource.h>

#include <algorithm>

namespace kestrova::cli {

namespace {

std::size_t SoftLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1 << 20;
  return static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace

std::size_t RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);  // on failure the old limit stays, and the bound follows it
  }
  return SoftLimit();
}

std::size_t PrintersInFlight() {
  const std::size_t soft = SoftLimit();
  return soft <= kFilesKept + kFilesPerPrinter ? 1 : (soft - kFilesKept) / kFilesPerPrinter;
}

}  // namespace kestrova::cli
