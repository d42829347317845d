// The window's jobs, run on the link thread through the window's session: 1 read, 2 switch write,
// 3 self test, 4 font test. The window never waits on a link.
#include "app/main_window.h"
#include "app/queued_read_observer.h"
#include "session/printer_session.h"

using namespace kestrova;

Task<void> TForm2::ExecuteRead(JobInput input) {
  const int generation = input.generation;
  auto current = [this, generation] { return generation_ == generation; };
  QueuedReadObserver observer(bridge_, *this, current);
  if (observer.cancelled()) co_return;
  const SessionRead read = co_await session_->read(input.choice, observer);
  const bool tcp = input.choice.kind == LinkChoice::Kind::Tcp;
  bridge_.run([this, current, read, tcp] {
    if (!current()) return;
    if (read.notOpened || read.threw) return ReadFailed(read.message, read.cause);
    if (read.read.outcome == ReadOutcome::Aborted) {
      // The read restarted the watchdog, which reports the session's failure on one of its next ticks.
      lastAbort_ = {read.message, read.cause};
    } else if (read.read.ok()) {
      ReadSucceeded(tcp, read.read.integrity);
    }
  });
}

Task<void> TForm2::ExecuteOperation(JobMode mode, JobInput input) {
  if (mode == JobMode::WriteSwitches) {
    const SessionWrite written = co_await session_->write(input.choice, input.values);
    const UserMessage message = WriteOutcomeMessage(written.write);
    bridge_.run([this, message, discovered = written.discoveredModel] { FinishOperation(&message, discovered); });
    co_return;
  }
  // A test print's failure shows no box: the printer's paper tells.
  const SessionOutcome printed =
      co_await session_->testPrint(input.choice, mode == JobMode::SelfTest ? TestPrint::SelfTest : TestPrint::FontTest);
  bridge_.run([this, discovered = printed.discoveredModel] { FinishOperation(nullptr, discovered); });
}
