#include "cli/printer_jobs.h"

#include <thread>

#include "cli/write_edits.h"
#include "profile/backup_store.h"
#include "profile/regular_file.h"
#include "session/printer_session.h"

namespace kestrova::cli {

namespace {

// The plain read state, telling the progress indicator of every step.
class ProgressObserver : public PlainReadObserver {
 public:
  explicit ProgressObserver(const ProgressFn& progress) : progress_(progress) {}
  void progressStep() override {
    PlainReadObserver::progressStep();
    if (progress_) progress_(progressSteps);
  }

 private:
  const ProgressFn& progress_;
};

std::string ModelText(ModelNo model) {
  const PrinterModel* m = FindModel(model);
  return m ? std::string(m->code) + " (model " + std::to_string(model) + ")" : "no model of the catalogue (model 0)";
}

// The session's choice of the link a target names.
LinkChoice ChoiceOf(const LinkTarget& t) {
  LinkChoice choice;
  switch (t.kind) {
    case LinkTarget::Kind::Tcp: choice.kind = LinkChoice::Kind::Tcp; break;
    case LinkTarget::Kind::Serial: choice.kind = LinkChoice::Kind::SerialComponent; break;
    case LinkTarget::Kind::Device: choice.kind = LinkChoice::Kind::SerialDevice; break;
    case LinkTarget::Kind::Usb: choice.kind = LinkChoice::Kind::Usb; break;
  }
  choice.host = t.host;
  choice.portField = std::to_string(t.port);
  choice.devicePath = t.device;
  choice.serial = t.serial;
  choice.usbDevice = t.usbDevice;
  choice.selectedModel = t.selectedModel;
  return choice;
}

// A failure as the tool tells it: a link error event with the printer's label in front; a link
// that did not open, or a test print (labelled false), with its cause as it is; anything else with
// the label in front.
LinkFailure FailureOf(const LinkTarget& target, const SessionOutcome& outcome, bool labelled = true) {
  if (outcome.linkErrorCode != 0)
    return {outcome.message, target.label() + ": link error " + std::to_string(outcome.linkErrorCode)};
  if (outcome.notOpened || !labelled) return {outcome.message, outcome.cause};
  return {outcome.message, target.label() + ": " + outcome.cause};
}

// A write that ended before anything was sent to a printer that was read.
LinkFailure NothingWritten(const LinkTarget& target, const std::string& why) {
  return {kWriteFailed, target.label() + ": " + why + "; nothing written"};
}

// One printer's read through the session, its state left in the observer.
Task<std::optional<LinkFailure>> ReadWith(PrinterSession& session, const LinkTarget& target, PlainReadObserver& observer,
                                          const PacingPolicy& pacing) {
  const SessionRead read = co_await session.read(ChoiceOf(target), observer, pacing);
  observer.integrity = read.read.integrity;
  if (read.ok) co_return std::nullopt;
  co_return FailureOf(target, read);
}

// What the read got, as `read --json` saved as a profile holds it.
profile::PrinterProfile ProfileOfRead(const PlainReadObserver& read) {
  profile::PrinterProfile p;
  p.model = read.record.activeModelNo;
  p.bytes = read.replyBytes;
  const auto position = [](int at) { return at >= 0 ? std::optional<int>(at) : std::nullopt; };
  p.codePagePosition = position(read.language.codePagePosition);
  p.charsetPosition = position(read.language.charsetPosition);
  p.fontPosition = position(read.language.fontPosition);
  p.unclean = UnverifiedValues(read.integrity, {});
  return p;
}

profile::BackupSource SourceOf(const LinkTarget& target, const PlainReadObserver& read) {
  return {target.label(), read.record.text(RecordField::SerialNumber), read.record.text(RecordField::Frwv)};
}

// restore without --backup: the printer's newest backup as the values to write; the reason why
// there is none to take otherwise.
std::optional<std::string> TakeNewestBackup(const std::string& root, const profile::BackupSource& source, WriteEdits& edits) {
  const auto path = profile::NewestBackup(root, source);
  if (!path) return "no backup of this printer in " + root + "/" + profile::BackupFolderName(source);
  std::string error;
  const auto bytes = profile::ReadProfileFile(*path, error);
  const auto saved = bytes ? profile::ParseProfile(*bytes, error) : std::nullopt;
  if (!saved) return *path + ": " + error;
  if (const auto unclean = profile::UncleanHeldValues(*saved); !unclean.empty()) return profile::UncleanRefusal(*path, unclean);
  edits.from = *saved;
  edits.fromPath = *path;
  return std::nullopt;
}

}  // namespace

std::size_t FleetLoops() { return std::max(1u, std::thread::hardware_concurrency()); }

Task<ReadReport> ReadJob(const LinkTarget& target, const PacingPolicy& pacing, ProgressFn progress) {
  ReadReport report;
  report.target = target;
  PrinterSession session;
  ProgressObserver observer(progress);
  report.failure = co_await ReadWith(session, target, observer, pacing);
  report.state = observer;
  co_return report;
}

Task<WriteReport> WriteJob(const LinkTarget& target, const WriteEdits& requested, const std::string& backupRoot,
                           const PacingPolicy& pacing, ProgressFn progress, std::function<void()> beforeSend) {
  WriteReport report;
  report.target = target;
  PrinterSession session;
  ProgressObserver observer(progress);
  // As in the window, a write needs a successful read of the same printer first.
  if (auto failure = co_await ReadWith(session, target, observer, pacing)) {
    report.failure = failure;
    co_return report;
  }
  const profile::BackupSource source = SourceOf(target, observer);
  WriteEdits edits = requested;
  if (edits.fromNewestBackup) {
    if (const auto why = TakeNewestBackup(backupRoot, source, edits)) {
      report.failure = LinkFailure{kWriteFailed, target.label() + ": " + *why + "; nothing written"};
      co_return report;
    }
  }
  report.restoredFrom = edits.fromPath;
  const ModelNo model = observer.record.activeModelNo;
  if (edits.from && edits.from->model != model) {
    report.failure = NothingWritten(target, "the printer is " + ModelText(model) + ", the file holds " + ModelText(edits.from->model));
    co_return report;
  }
  EditableSettings settings = SettingsAsRead(observer);
  ApplyEdits(edits, settings);
  const WriteValues values = ValuesToWrite(ToWriteValues(settings), observer.integrity, UserSetBy(edits));
  if (const auto why = WriteRefusal(values)) {
    report.failure = NothingWritten(target, *why);
    co_return report;
  }
  report.changes = DescribeChanges(model, observer, settings);
  report.differences = DescribeDifferences(model, observer, settings);
  if (edits.dryRun || (edits.onlyWhenDifferent && report.differences.empty())) co_return report;
  // Never a write without its way back.
  std::string error;
  const auto backup = profile::SaveBackup(backupRoot, ProfileOfRead(observer), source, error);
  if (!backup) {
    report.failure = LinkFailure{kWriteFailed, target.label() + ": backup not saved: " + error + "; nothing written"};
    co_return report;
  }
  report.backup = *backup;
  if (beforeSend) beforeSend();
  report.sent = true;
  const SessionWrite written = co_await session.write(ChoiceOf(target), values);
  if (!written.ok) {
    const WriteOutcome outcome = written.write.outcome;
    const bool nothingSent = !written.notOpened && (outcome == WriteOutcome::Refused || outcome == WriteOutcome::NotConnected);
    report.failure = nothingSent ? NothingWritten(target, written.cause) : FailureOf(target, written);
  }
  co_return report;
}

Task<std::optional<LinkFailure>> TestPrintJob(const LinkTarget& target, TestPrint print) {
  PrinterSession session;
  const SessionOutcome printed = co_await session.testPrint(ChoiceOf(target), print);
  if (printed.ok) co_return std::nullopt;
  co_return FailureOf(target, printed, false);
}

}  // namespace kestrova::cli
