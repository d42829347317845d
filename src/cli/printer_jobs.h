#pragma once
// The jobs of the printer commands, each a coroutine run whole on one loop (the links it makes
// are created, used and destroyed there): the read, the write (a read first, then the frames),
// the test prints. RunFleet runs a fleet of them on one loop per core.
#include <algorithm>
#include <atomic>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_request.h"
#include "cli/fleet_limits.h"
#include "cli/write_edits.h"
#include "session/vocabulary.h"

namespace kestrova::cli {

// The window's message and what is known of the cause.
struct LinkFailure {
  std::string message;  // "Read software switch FAILED", "Open usb FAILED", "Write software switch FAILED"
  std::string cause;    // "127.0.0.1:9100: connection refused", "model name not recognised ..."
};

inline constexpr const char* kReadFailed = kReadFailedText;
inline constexpr const char* kWriteFailed = kWriteFailedText;
inline constexpr const char* kWriteOk = kWriteOkText;
inline constexpr const char* kDryRunOk = "Dry run: nothing written";

struct ReadReport {
  LinkTarget target;
  std::optional<LinkFailure> failure;
  PlainReadObserver state;  // what the window shows after the same read
  bool ok() const { return !failure; }
};

struct WriteReport {
  LinkTarget target;
  std::vector<std::string> changes;  // switch by switch, meanings before and after
  std::vector<SettingDifference> differences;  // what the write changes on the printer
  bool sent = false;  // the write was begun (and went out in full when ok())
  std::string backup;        // the backup of what the read got, saved before anything was sent
  std::string restoredFrom;  // restore: the backup the values came from
  std::optional<LinkFailure> failure;
  bool ok() const { return !failure; }
};

// Called with the progress steps of a read so far (on the loop that runs the job).
using ProgressFn = std::function<void(int steps)>;

// The jobs are coroutines on the loop that runs them; what they are given by reference (the
// target, the edits, the pacing) must outlive them.
Task<ReadReport> ReadJob(const LinkTarget& target, const PacingPolicy& pacing, ProgressFn progress);
// beforeSend is called (on the loop) right before the write goes out, and only then. With
// edits.onlyWhenDifferent nothing is sent to a printer that already holds the values to write.
// Before anything is sent, what the read got is saved as a backup under backupRoot; a write whose
// backup cannot be saved sends nothing and fails with the reason.
Task<WriteReport> WriteJob(const LinkTarget& target, const WriteEdits& edits, const std::string& backupRoot,
                           const PacingPolicy& pacing, ProgressFn progress, std::function<void()> beforeSend = {});
// Sends the test bytes only; nullopt when every block went out in full.
Task<std::optional<LinkFailure>> TestPrintJob(const LinkTarget& target, TestPrint print);

// The loops a fleet runs on: one per processor core.
std::size_t FleetLoops();

// Runs job(i) for every i below count, at most inFlight at once, on FleetLoops() loops, each on a
// thread of its own. Each loop keeps its share of the printers in flight: a printer that ends
// makes room for the next one not yet started, so a slow printer holds up no other. Each result
// is handed to done(i, result) on the loop that ran the job, as soon as it ends, and dropped
// after it: a fleet holds the results of the jobs in flight only. done is called once for every
// job, and the caller puts the results in the order of the list.
//
// Printers are started in small batches, each loop letting its timers and sockets run between
// two batches, so that none is started that the loop cannot pace: a loop busy with thousands of
// connects would hold up the pauses of the printers already under way. An exception that escapes
// a job is thrown here once every job has ended.
template <typename Job, typename Done>
void RunFleet(std::size_t count, const Job& job, const Done& done, std::size_t inFlight = PrintersInFlight()) {
  if (count == 0) return;
  constexpr std::size_t kStartBatch = 64;
  std::atomic<std::size_t> next{0};
  std::mutex failureMutex;
  std::exception_ptr failure;
  const auto worker = [&]() -> Task<void> {
    for (std::size_t i = next++; i < count; i = next++) {
      try {
        done(i, co_await job(i));
      } catch (...) {
        const std::lock_guard<std::mutex> lock(failureMutex);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  const std::size_t workers = std::min(std::max<std::size_t>(inFlight, 1), count);
  const std::size_t loopCount = std::min(FleetLoops(), workers);
  std::vector<std::unique_ptr<LinkThread>> loops;
  for (std::size_t l = 0; l < loopCount; ++l) {
    auto loop = std::make_unique<LinkThread>();
    if (!loop->begin()) break;
    loops.push_back(std::move(loop));
  }
  // Worker w runs on loop w % loops; the starter of each loop starts its workers batch by batch.
  const auto starter = [&](std::size_t first, std::size_t step) -> Task<void> {
    std::size_t started = 0;
    for (std::size_t w = first; w < workers; w += step) {
      boost::asio::co_spawn(co_await boost::asio::this_coro::executor, worker(), boost::asio::detached);
      if (++started % kStartBatch == 0) co_await boost::asio::post(co_await boost::asio::this_coro::executor, boost::asio::use_awaitable);
    }
  };
  if (loops.empty()) {
    // No thread to be had: the printers run on a loop of the calling thread.
    boost::asio::io_context here;
    boost::asio::co_spawn(here, starter(0, 1), boost::asio::detached);
    here.run();
  } else {
    for (std::size_t l = 0; l < loops.size(); ++l)
      boost::asio::co_spawn(loops[l]->executor(), starter(l, loops.size()), boost::asio::detached);
    // Every loop ends once its printers have: all are told first, so they end together.
    for (auto& loop : loops) loop->stop(0);
    for (auto& loop : loops) loop->wait();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace kestrova::cli
