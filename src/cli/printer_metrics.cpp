#include "cli/printer_metrics.h"

#include <cstdio>
#include <cstdint>

#include "cli/check_command.h"

namespace kestrova::cli {

namespace {

// The counters a printer reports as texts, and their families. scale turns the reported unit
// into the family's base unit (the printer counts whole hours powered on).
struct CounterField {
  RecordField field;
  std::uint64_t scale;
  const char* name;
  const char* help;
};

const CounterField kCounters[kPrinterCounterCount] = {
    {RecordField::HoursPowered, 3600, "kestrova_printer_power_on_seconds_total",
     "Time the printer has been powered on, in seconds (the whole hours it reports times 3600)."},
    {RecordField::CutPaperCount, 1, "kestrova_printer_cut_paper_total", "Paper cuts the printer has made, as it reports."},
    {RecordField::FailedPaperCut, 1, "kestrova_printer_failed_paper_cut_total", "Paper cuts that failed, as the printer reports."},
    {RecordField::LinePrinted, 1, "kestrova_printer_lines_printed_total", "Lines the printer has printed, as it reports."},
};

// Above 2^53 a double (what a collector keeps) no longer holds every integer.
constexpr std::uint64_t kExactInDouble = std::uint64_t{1} << 53;

// The reply without the blanks around it (the device handle shows each value with one after it).
std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The reply times scale as a sample value when the reply is a decimal number and the product
// stays exact in a double; empty otherwise.
std::string DecimalValue(const std::string& reply, std::uint64_t scale) {
  const std::string digits = Trimmed(reply);
  if (digits.empty() || digits.size() > 15) return {};
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return {};
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > kExactInDouble / scale) return {};
  return std::to_string(value * scale);
}

}  // namespace

std::string SecondsValue(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

PrinterMetrics CollectPrinterMetrics(const ReadReport& report, double seconds,
                                     const std::optional<SavedConfiguration>& profile) {
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
  for (std::size_t i = 0; i < kPrinterCounterCount; ++i)
    m.counters[i] = DecimalValue(record.text(kCounters[i].field), kCounters[i].scale);
  if (profile) m.differences = CompareWithProfile(*profile, report).size();
  return m;
}

std::vector<PrometheusFamily> PrinterFamilies(const std::vector<PrinterMetrics>& printers) {
  std::vector<PrometheusFamily> families = {
      {"kestrova_printer_up", "gauge", "1 when the printer was read, 0 when the read failed.", {}},
      {"kestrova_printer_read_duration_seconds", "gauge", "Time the read took, connect included, in seconds.", {}},
      {"kestrova_printer_info", "gauge", "The printer's model name, firmware and language settings; always 1.", {}},
  };
  for (const CounterField& c : kCounters) families.push_back({c.name, "counter", c.help, {}});
  families.push_back({"kestrova_printer_profile_match", "gauge", "1 when the printer matches the profile, 0 otherwise.", {}});
  families.push_back({"kestrova_printer_profile_differences", "gauge",
                      "Settings that differ from the profile (switches bit by bit, code page, character set, 8x16 font).", {}});
  for (const PrinterMetrics& p : printers) {
    families[0].samples.push_back({p.labels, p.up ? "1" : "0"});
    families[1].samples.push_back({p.labels, SecondsValue(p.seconds)});
    if (!p.up) continue;
    PrometheusLabels info = p.labels;
    info.insert(info.end(), p.infoLabels.begin(), p.infoLabels.end());
    families[2].samples.push_back({info, "1"});
    for (std::size_t i = 0; i < kPrinterCounterCount; ++i)
      if (!p.counters[i].empty()) families[3 + i].samples.push_back({p.labels, p.counters[i]});
    if (p.differences) {
      families[3 + kPrinterCounterCount].samples.push_back({p.labels, *p.differences == 0 ? "1" : "0"});
      families[4 + kPrinterCounterCount].samples.push_back({p.labels, std::to_string(*p.differences)});
    }
  }
  return families;
}

}  // namespace kestrova::cli
