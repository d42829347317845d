#pragma once
// The metric families of printer reads, shared by `metrics` (a file for a collector) and the
// exporter's /probe answer: what one read contributes, kept without its report, and the families
// in the order they are written. Names follow the Prometheus conventions: base units (seconds),
// `_total` on every counter and on nothing else.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cli/printer_jobs.h"
#include "cli/prometheus_text.h"

namespace kestrova::cli {

// The counters a printer reports as decimal texts: power-on hours, paper cuts, failed cuts, lines.
constexpr std::size_t kPrinterCounterCount = 4;

// What one printer contributes (its report is dropped when its job ends).
struct PrinterMetrics {
  bool up = false;
  double seconds = 0;
  PrometheusLabels labels;      // link, and model and serial where known
  PrometheusLabels infoLabels;  // the printer's texts
  std::array<std::string, kPrinterCounterCount> counters;  // empty: the reply was no decimal number
  std::optional<std::size_t> differences;                  // compared with a profile
};

// The samples of one read that took `seconds`; with a profile, the differences from it.
PrinterMetrics CollectPrinterMetrics(const ReadReport& report, double seconds,
                                     const std::optional<SavedConfiguration>& profile);

// Every printer family with the printers' samples, in order; families without a sample are left
// out when written.
std::vector<PrometheusFamily> PrinterFamilies(const std::vector<PrinterMetrics>& printers);

// Seconds as a sample value, to the millisecond: "0.125".
std::string SecondsValue(double seconds);

}  // namespace kestrova::cli
