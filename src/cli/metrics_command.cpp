#include "cli/metrics_command.h"

#include <chrono>

#include "cli/atomic_file.h"
#include "cli/printer_metrics.h"
#include "cli/visible_text.h"

namespace kestrova::cli {

int Metrics(const Request& r, std::ostream& out, std::ostream& err) {
  static const ReplyTerminatedPacing fast;
  const PacingPolicy& pacing = r.fast ? static_cast<const PacingPolicy&>(fast) : FixedPacing::instance();
  std::vector<PrinterMetrics> printers(r.links.size());
  std::vector<std::string> failures(r.links.size());
  using Clock = std::chrono::steady_clock;
  RunFleet(
      r.links.size(),
      [&](std::size_t i) -> Task<std::pair<ReadReport, double>> {
        const Clock::time_point start = Clock::now();
        auto read = ReadJob(r.links[i], pacing, {});
        ReadReport report = co_await std::move(read);
        co_return std::pair{std::move(report), std::chrono::duration<double>(Clock::now() - start).count()};
      },
      [&](std::size_t i, const std::pair<ReadReport, double>& result) {
        const ReadReport& report = result.first;
        printers[i] = CollectPrinterMetrics(report, result.second, r.edits.from);
        if (!report.ok()) {
          const LinkFailure& f = *report.failure;
          failures[i] = VisibleText(report.target.label() + ": " + (f.cause.empty() ? f.message : f.message + ": " + f.cause)) + "\n";
        }
      });
  int status = kExitOk;
  for (const std::string& failure : failures) {
    err << failure;
    if (!failure.empty()) status = kExitFailed;
  }
  const std::string text = PrometheusText(PrinterFamilies(printers));
  if (r.outputPath.empty()) {
    out << text;
    return status;
  }
  std::string error;
  if (!WriteFileAtomically(r.outputPath, text, error)) {
    err << "kestrova-swctl: --output " << VisibleText(r.outputPath) << ": " << VisibleText(error) << "\n";
    return kExitFailed;
  }
  return status;
}

}  // namespace kestrova::cli
