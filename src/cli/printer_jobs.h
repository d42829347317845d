#pragma once
// The jobs of the printer commands, each run whole on one link thread (the links it makes are
// created, used and destroyed there): the read, the write (a read first, then the frames), the
// test prints. RunOnLinkThreads gives every printer of a fleet its own thread.
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_request.h"
#include "link/link_thread.h"
#include "protocol/pacing.h"
#include "protocol/plain_read_observer.h"
#include "protocol/test_print.h"

namespace kestrova::cli {

// The window's message and what is known of the cause.
struct LinkFailure {
  std::string message;  // "Read software switch FAILED", "Open usb FAILED", "Write software switch FAILED"
  std::string cause;    // "127.0.0.1:9100: connection refused", "model name not recognised ..."
};

inline constexpr const char* kReadFailed = "Read software switch FAILED";
inline constexpr const char* kOpenUsbFailed = "Open usb FAILED";
inline constexpr const char* kWriteFailed = "Write software switch FAILED";
inline constexpr const char* kWriteOk = "Write software switch settings OK, please reboot your printer";

struct ReadReport {
  LinkTarget target;
  std::optional<LinkFailure> failure;
  PlainReadObserver state;  // what the window shows after the same read
  bool ok() const { return !failure; }
};

struct WriteReport {
  LinkTarget target;
  std::vector<std::string> changes;  // switch by switch, meanings before and after
  std::optional<LinkFailure> failure;
  bool ok() const { return !failure; }
};

// Called with the progress steps of a read so far (on the link thread).
using ProgressFn = std::function<void(int steps)>;

ReadReport ReadJob(const LinkTarget& target, const PacingPolicy& pacing, const ProgressFn& progress);
WriteReport WriteJob(const LinkTarget& target, const WriteEdits& edits, const PacingPolicy& pacing,
                     const ProgressFn& progress);
// Sends the test bytes only; nullopt when every block went out in full.
std::optional<LinkFailure> TestPrintJob(const LinkTarget& target, TestPrint print);

// Runs each job on a link thread of its own, all at once; the results in the order of the jobs.
template <typename R>
std::vector<R> RunOnLinkThreads(std::vector<std::function<R()>> jobs) {
  std::vector<std::unique_ptr<LinkThread>> threads;
  std::vector<std::future<R>> futures;
  for (auto& job : jobs) {
    threads.push_back(std::make_unique<LinkThread>());
    threads.back()->begin();
    futures.push_back(threads.back()->call(std::move(job)));
  }
  std::vector<R> results;
  for (auto& f : futures) results.push_back(f.get());
  for (auto& t : threads) t->stop();
  return results;
}

}  // namespace kestrova::cli
