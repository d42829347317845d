#include "cli/cli.h"

#include "cli/check_command.h"
#include "cli/cli_request.h"
#include "cli/probe_command.h"
#include "cli/json_report.h"
#include "cli/printer_jobs.h"
#include "cli/progress_line.h"
#include "cli/text_report.h"
#include "cli/usb_list.h"
#include "cli/visible_text.h"
#include "model/switch_explain.h"
#include "protocol/write_sequence.h"

namespace kestrova::cli {

namespace {

// Progress steps of a full read: 15 over the serial component and TCP/IP, one per valid reply
// (18) over the device handle.
constexpr int kReadSteps = 15;
constexpr int kDeviceReadSteps = 18;

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
    steps.push_back(device ? kDeviceReadSteps : kReadSteps);
  }
  return ProgressLine(err, terminal, labels, steps);
}

// The failure as its line shows it; the cause may echo a host name or printer text.
std::string FailureText(const LinkFailure& f) {
  return VisibleText(f.cause.empty() ? f.message : f.message + ": " + f.cause);
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
  std::vector<std::function<ReadReport()>> jobs;
  const PacingPolicy& pacing = PacingFor(r);
  for (std::size_t i = 0; i < r.links.size(); ++i) {
    const LinkTarget target = r.links[i];
    jobs.push_back([target, &pacing, &progress, i] {
      return ReadJob(target, pacing, [&progress, i](int steps) { progress.update(i, steps); });
    });
  }
  const std::vector<ReadReport> reports = RunOnLinkThreads(std::move(jobs));
  progress.finish();

  const bool fleet = r.links.size() > 1;
  int status = kExitOk;
  bool first = true;
  for (const ReadReport& report : reports) {
    const std::string prefix = fleet ? VisibleText(report.target.label()) + ": " : std::string();
    if (!report.ok()) {
      status = kExitFailed;
      err << prefix << FailureText(*report.failure) << "\n";
    }
    if (r.json) {
      out << JsonLine(ReadJson(report, fleet));
    } else if (report.ok()) {
      if (!first) out << "\n";
      if (fleet) out << "== " << VisibleText(report.target.label()) << " ==\n";
      out << ReadText(report);
      first = false;
    }
  }
  return status;
}

int Write(const Request& r, std::ostream& out, std::ostream& err, bool terminal) {
  if (!r.edits.dryRun) err << WriteWarningMessage().text << "\n";
  ProgressLine progress = MakeProgress(r, err, terminal);
  std::vector<std::function<WriteReport()>> jobs;
  const PacingPolicy& pacing = PacingFor(r);
  for (std::size_t i = 0; i < r.links.size(); ++i) {
    const LinkTarget target = r.links[i];
    jobs.push_back([target, &r, &pacing, &progress, i] {
      return WriteJob(target, r.edits, pacing, [&progress, i](int steps) { progress.update(i, steps); });
    });
  }
  const std::vector<WriteReport> reports = RunOnLinkThreads(std::move(jobs));
  progress.finish();

  const bool fleet = r.links.size() > 1;
  int status = kExitOk;
  for (const WriteReport& report : reports) {
    const std::string prefix = fleet ? VisibleText(report.target.label()) + ": " : std::string();
    for (const std::string& change : report.changes) out << prefix << VisibleText(change) << "\n";
    if (report.ok()) {
      if (report.changes.empty()) out << prefix << "No change: the values read were written back\n";
      out << prefix << (r.edits.dryRun ? kDryRunOk : kWriteOk) << "\n";
    } else {
      status = kExitFailed;
      err << prefix << FailureText(*report.failure) << "\n";
    }
  }
  return status;
}

int Test(const Request& r, std::ostream& out, std::ostream& err) {
  const TestPrint print = r.command == Command::SelfTest ? TestPrint::SelfTest : TestPrint::FontTest;
  const LinkTarget target = r.links.front();
  std::vector<std::function<std::optional<LinkFailure>()>> jobs;
  jobs.push_back([target, print] { return TestPrintJob(target, print); });
  const auto failure = RunOnLinkThreads(std::move(jobs)).front();
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
    case Command::Write: status = Write(r, out, err, errIsTerminal); break;
    case Command::Check: status = Check(r, out, err); break;
    case Command::Probe: status = Probe(r, out, err); break;
    case Command::SelfTest:
    case Command::FontTest: status = Test(r, out, err); break;
    case Command::UsbList: status = UsbList(out, err); break;
  }
  out.flush();
  err.flush();
  return status;
}

}  // namespace kestrova::cli
