#include "cli/cli.h"

#include <mutex>

#include "cli/apply_command.h"
#include "cli/backups_command.h"
#include "cli/check_command.h"
#include "cli/cli_request.h"
#include "cli/fleet_output.h"
#include "cli/probe_command.h"
#include "cli/json_report.h"
#include "cli/discover_command.h"
#include "cli/metrics_command.h"
#include "cli/printer_jobs.h"
#include "cli/progress_line.h"
#include "cli/text_report.h"
#include "cli/usb_list.h"
#include "cli/visible_text.h"
#include "model/switch_explain.h"
#include "session/vocabulary.h"

namespace kestrova::cli {

namespace {

const PacingPolicy& PacingFor(const Request& r) {
  static const ReplyTerminatedPacing fast;
  if (r.fast) return fast;
  return FixedPacing::instance();
}

ProgressLine MakeProgress(const Request& r, std::ostream& err, bool terminal) {
  std::vector<std::string> labels;
  std::vector<int> steps;
  for (const LinkTarget& t : r.links) {
    labels.push_back(VisibleText(t.label()));
    const bool device = t.kind == LinkTarget::Kind::Device || t.kind == LinkTarget::Kind::Usb;
    steps.push_back(FullReadProgressSteps(device ? ReplyStyle::Block : ReplyStyle::Stream));
  }
  return ProgressLine(err, terminal, labels, steps);
}

int Models(const Request& r, std::ostream& out) {
  out << (r.json ? JsonLine(ModelsJson()) : ModelsText());
  return kExitOk;
}

int Explain(const Request& r, std::ostream& out) {
  bool first = true;
  for (const SwitchBytes& bytes : r.switchVectors) {
    const SwitchExplanation e = ExplainSwitches(r.model, bytes);
    if (r.json) {
      out << JsonLine(ExplainJson(r.model, e));
    } else {
      if (!first) out << "\n";
      out << ExplainText(r.model, e);
    }
    first = false;
  }
  return kExitOk;
}

int Read(const Request& r, std::ostream& out, std::ostream& err, bool terminal) {
  ProgressLine progress = MakeProgress(r, err, terminal);
  const PacingPolicy& pacing = PacingFor(r);
  const bool fleet = r.links.size() > 1;
  std::vector<PrinterLines> lines(r.links.size());
  RunFleet(
      r.links.size(),
      [&](std::size_t i) {
        return ReadJob(r.links[i], pacing, [&progress, i](int steps) { progress.update(i, steps); });
      },
      [&](std::size_t i, const ReadReport& report) {
        PrinterLines& p = lines[i];
        const std::string prefix = fleet ? VisibleText(report.target.label()) + ": " : std::string();
        p.errFirst = true;
        if (!report.ok()) {
          p.failed = true;
          p.err = prefix + FailureText(*report.failure) + "\n";
        }
        if (r.json) {
          p.out = JsonLine(ReadJson(report, fleet));
        } else if (report.ok()) {
          p.block = true;
          if (fleet) p.out = "== " + VisibleText(report.target.label()) + " ==\n";
          p.out += ReadText(report);
        }
      });
  progress.finish();
  return PrintInOrder(lines, out, err);
}

// The lines of one printer's write.
PrinterLines WriteLines(const Request& r, const WriteReport& report) {
  PrinterLines p;
  const std::string prefix = r.links.size() > 1 ? VisibleText(report.target.label()) + ": " : std::string();
  for (const std::string& change : report.changes) p.out += prefix + VisibleText(change) + "\n";
  p.err = BackupLines(prefix, report);
  if (report.ok()) {
    if (report.changes.empty()) p.out += prefix + "No change: the values read were written back\n";
    p.out += prefix + (r.edits.dryRun ? kDryRunOk : kWriteOk) + "\n";
  } else {
    p.failed = true;
    p.err += prefix + FailureText(*report.failure) + "\n";
  }
  return p;
}

// write and apply: the write job on every printer, each report turned into its lines.
int RunWrites(const Request& r, std::ostream& out, std::ostream& err, bool terminal,
              PrinterLines (*linesOf)(const Request&, const WriteReport&)) {
  ProgressLine progress = MakeProgress(r, err, terminal);
  // The warning goes out once, before the first write is sent, and never for a write refused.
  std::once_flag warned;
  const std::function<void()> warn = [&progress, &warned] {
    std::call_once(warned, [&progress] { progress.note(WriteWarningMessage().text); });
  };
  const PacingPolicy& pacing = PacingFor(r);
  std::vector<PrinterLines> lines(r.links.size());
  RunFleet(
      r.links.size(),
      [&](std::size_t i) {
        return WriteJob(r.links[i], r.edits, r.backupRoot, pacing, [&progress, i](int steps) { progress.update(i, steps); },
                        warn);
      },
      [&](std::size_t i, const WriteReport& report) { lines[i] = linesOf(r, report); });
  progress.finish();
  return PrintInOrder(lines, out, err);
}

int Test(const Request& r, std::ostream& out, std::ostream& err) {
  const TestPrint print = r.command == Command::SelfTest ? TestPrint::SelfTest : TestPrint::FontTest;
  const LinkTarget& target = r.links.front();
  std::optional<LinkFailure> failure;
  RunFleet(
      1, [&](std::size_t) { return TestPrintJob(target, print); },
      [&](std::size_t, const std::optional<LinkFailure>& result) { failure = result; });
  if (failure) {
    err << FailureText(*failure) << "\n";
    return kExitFailed;
  }
  out << (print == TestPrint::SelfTest ? "Self Test" : "Fonts Test") << " sent to " << VisibleText(target.label()) << "\n";
  return kExitOk;
}

}  // namespace

int RunCli(const QStringList& arguments, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  const ParseResult parsed = ParseCommandLine(arguments);
  if (!parsed.request) {
    // Usage errors echo arguments and the lines of named files.
    err << "kestrova-swctl: " << VisibleText(parsed.error) << "\n";
    return kExitUsage;
  }
  const Request& r = *parsed.request;
  int status = kExitOk;
  switch (r.command) {
    case Command::Help: out << HelpText(); break;
    case Command::Version: out << VersionText(); break;
    case Command::Models: status = Models(r, out); break;
    case Command::Explain: status = Explain(r, out); break;
    case Command::Read: status = Read(r, out, err, errIsTerminal); break;
    case Command::Write: status = RunWrites(r, out, err, errIsTerminal, WriteLines); break;
    case Command::Apply:
    case Command::Restore: status = RunWrites(r, out, err, errIsTerminal, ApplyLines); break;
    case Command::Backups: status = Backups(r, out, err); break;
    case Command::Check: status = Check(r, out, err); break;
    case Command::Probe: status = Probe(r, out, err); break;
    case Command::Metrics: status = Metrics(r, out, err); break;
    case Command::Discover: status = Discover(r, out, err); break;
    case Command::SelfTest:
    case Command::FontTest: status = Test(r, out, err); break;
    case Command::UsbList: status = UsbList(out, err); break;
  }
  out.flush();
  err.flush();
  return status;
}

}  // namespace kestrova::cli
