#include "cli/metrics_command.h"

#include <chrono>
#include <cstdio>

#include "cli/atomic_file.h"
#include "cli/check_command.h"
#include "cli/printer_jobs.h"
#include "cli/prometheus_text.h"
#include "cli/visible_text.h"

namespace kestrova::cli {

namespace {

// The counters a printer reports as texts, and their families.
struct CounterField {
  RecordField field;
  const char* name;
  const char* type;
  const char* help;
};

const CounterField kCounters[] = {
    {RecordField::HoursPowered, "kestrova_printer_hours_powered", "gauge", "Hours the printer has been powered, as it reports."},
    {RecordField::CutPaperCount, "kestrova_printer_cut_paper_total", "counter", "Paper cuts, as the printer reports."},
    {RecordField::FailedPaperCut, "kestrova_printer_failed_paper_cut_total", "counter",
     "Failed paper cuts, as the printer reports."},
    {RecordField::LinePrinted, "kestrova_printer_lines_printed_total", "counter", "Lines printed, as the printer reports."},
};
constexpr std::size_t kCounterCount = std::size(kCounters);

// What one printer contributes, kept from its report (which is dropped when its job ends).
struct PrinterMetrics {
  bool up = false;
  double seconds = 0;
  PrometheusLabels labels;      // link, and model and serial where known
  PrometheusLabels infoLabels;  // the printer's texts
  std::array<std::string, kCounterCount> counters;  // empty: the reply was no decimal number
  std::optional<std::size_t> differences;           // with --from
};

// The reply without the blanks around it (the device handle shows each value with one after it).
std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The reply as a sample value when it is a decimal number, small enough to stay exact in the
// double a collector keeps; empty otherwise.
std::string DecimalValue(const std::string& reply) {
  std::string digits = Trimmed(reply);
  if (digits.empty() || digits.size() > 15) return {};
  for (const char c : digits)
    if (c < '0' || c > '9') return {};
  const auto nonZero = digits.find_first_not_of('0');
  return nonZero == std::string::npos ? "0" : digits.substr(nonZero);
}

PrinterMetrics Collect(const Request& r, const ReadReport& report, double seconds) {
  PrinterMetrics m;
  m.up = report.ok();
  m.seconds = seconds;
  m.labels.push_back({"link", report.target.label()});
  if (!m.up) return m;
  const PrinterRecord& record = report.state.record;
  if (const PrinterModel* model = FindModel(record.activeModelNo)) m.labels.push_back({"model", model->code});
  const std::string serial = Trimmed(record.text(RecordField::SerialNumber));
  if (!serial.empty()) m.labels.push_back({"serial", serial});
  for (const auto& [label, field] : {std::pair{"model_name", RecordField::ModelName}, std::pair{"firmware", RecordField::Frwv},
                                     std::pair{"code_page", RecordField::CodePage},
                                     std::pair{"charset", RecordField::InternationalCharSet}})
    m.infoLabels.push_back({label, Trimmed(record.text(field))});
  for (std::size_t i = 0; i < kCounterCount; ++i) m.counters[i] = DecimalValue(record.text(kCounters[i].field));
  if (r.edits.from) m.differences = CompareWithProfile(*r.edits.from, report).size();
  return m;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

std::string MetricsText(const std::vector<PrinterMetrics>& printers) {
  std::vector<PrometheusFamily> families = {
      {"kestrova_printer_up", "gauge", "1 when the printer was read, 0 when the read failed.", {}},
      {"kestrova_printer_read_duration_seconds", "gauge", "Time the read took, connect included.", {}},
      {"kestrova_printer_info", "gauge", "The printer's model name, firmware and language settings; always 1.", {}},
  };
  for (const CounterField& c : kCounters) families.push_back({c.name, c.type, c.help, {}});
  families.push_back({"kestrova_printer_profile_match", "gauge", "1 when the printer matches the profile, 0 otherwise.", {}});
  families.push_back({"kestrova_printer_profile_differences", "gauge",
                      "Settings that differ from the profile (switches bit by bit, code page, character set, 8x16 font).", {}});
  for (const PrinterMetrics& p : printers) {
    families[0].samples.push_back({p.labels, p.up ? "1" : "0"});
    families[1].samples.push_back({p.labels, Seconds(p.seconds)});
    if (!p.up) continue;
    PrometheusLabels info = p.labels;
    info.insert(info.end(), p.infoLabels.begin(), p.infoLabels.end());
    families[2].samples.push_back({info, "1"});
    for (std::size_t i = 0; i < kCounterCount; ++i)
      if (!p.counters[i].empty()) families[3 + i].samples.push_back({p.labels, p.counters[i]});
    if (p.differences) {
      families[3 + kCounterCount].samples.push_back({p.labels, *p.differences == 0 ? "1" : "0"});
      families[4 + kCounterCount].samples.push_back({p.labels, std::to_string(*p.differences)});
    }
  }
  return PrometheusText(families);
}

}  // namespace

int Metrics(const Request& r, std::ostream& out, std::ostream& err) {
  static const ReplyTerminatedPacing fast;
  const PacingPolicy& pacing = r.fast ? static_cast<const PacingPolicy&>(fast) : FixedPacing::instance();
  std::vector<PrinterMetrics> printers(r.links.size());
  std::vector<std::string> failures(r.links.size());
  using Clock = std::chrono::steady_clock;
  RunOnLinkThreads(
      r.links.size(),
      [&](std::size_t i) {
        const Clock::time_point start = Clock::now();
        ReadReport report = ReadJob(r.links[i], pacing, [](int) {});
        return std::pair{std::move(report), std::chrono::duration<double>(Clock::now() - start).count()};
      },
      [&](std::size_t i, const std::pair<ReadReport, double>& result) {
        const ReadReport& report = result.first;
        printers[i] = Collect(r, report, result.second);
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
  const std::string text = MetricsText(printers);
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
