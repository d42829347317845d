#pragma once
// The jobs of the printer commands, each run whole on one link thread (the links it makes are
// created, used and destroyed there): the read, the write (a read first, then the frames), the
// test prints. RunOnLinkThreads runs a fleet on as many link threads as the open-file limit allows.
#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
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

// Called with the progress steps of a read so far (on the link thread).
using ProgressFn = std::function<void(int steps)>;

ReadReport ReadJob(const LinkTarget& target, const PacingPolicy& pacing, const ProgressFn& progress);
// beforeSend is called (on the link thread) right before the write goes out, and only then. With
// edits.onlyWhenDifferent nothing is sent to a printer that already holds the values to write.
// Before anything is sent, what the read got is saved as a backup under backupRoot; a write whose
// backup cannot be saved sends nothing and fails with the reason.
WriteReport WriteJob(const LinkTarget& target, const WriteEdits& edits, const std::string& backupRoot,
                     const PacingPolicy& pacing, const ProgressFn& progress,
                     const std::function<void()>& beforeSend = {});
// Sends the test bytes only; nullopt when every block went out in full.
std::optional<LinkFailure> TestPrintJob(const LinkTarget& target, TestPrint print);

// Runs job(i) for every i below count on at most inFlight link threads at once (each thread takes
// the next job not yet started when one ends, so a slow printer holds up no other). Each result is
// handed to done(i, result) on the thread that ran the job, as soon as it ends, and dropped after
// it: a fleet holds the results of the jobs in flight only. done is called once for every job.
//
// Every thread is started before any job is handed out: a job started at once would compete for
// the processor with the starting of the others (with thousands of threads on two cores, starting
// them took longer than the reads). When the system gives no more threads (its thread or memory
// limits), the jobs go to the threads it gave, or with none to the calling thread, so that every
// job still runs.
template <typename Job, typename Done>
void RunOnLinkThreads(std::size_t count, const Job& job, const Done& done, std::size_t inFlight = PrintersInFlight()) {
  std::atomic<std::size_t> next{0};
  const auto work = [&job, &done, &next, count] {
    for (std::size_t i = next++; i < count; i = next++) done(i, job(i));
  };
  const std::size_t threadCount = std::min(std::max<std::size_t>(inFlight, 1), count);
  std::vector<std::unique_ptr<LinkThread>> threads;
  for (std::size_t t = 0; t < threadCount; ++t) {
    auto thread = std::make_unique<LinkThread>();
    thread->begin();
    if (!thread->isRunning()) break;  // not created (QThread has warned); the thread object is idle
    threads.push_back(std::move(thread));
  }
  if (threads.empty()) {
    work();
    return;
  }
  std::vector<std::future<void>> futures;
  for (auto& thread : threads) futures.push_back(thread->call(work));
  for (auto& f : futures) f.get();
  // Every job has ended: all threads are told to end first, so they end together, not in turn.
  for (auto& t : threads) t->quit();
  for (auto& t : threads) t->stop();
}

}  // namespace kestrova::cli
