#pragma once
// The Prometheus text exposition format: label values escaped and metric families written whole
// (HELP, TYPE, then every sample), so that any reply a printer sends stays inside its quotes.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrova::cli {

// A printer text as a label value: each byte taken as Latin-1 (as the JSON does) and written in
// UTF-8; backslash, double quote and line feed escaped as the format wants; every other control
// character (C0, DEL, C1) dropped.
std::string PrometheusLabelValue(std::string_view text);

using PrometheusLabels = std::vector<std::pair<std::string, std::string>>;  // name, raw value

struct PrometheusSample {
  PrometheusLabels labels;
  std::string value;  // as written: "1", "0.125", "5678"
};

struct PrometheusFamily {
  const char* name;
  const char* type;  // "gauge" or "counter"
  const char* help;
  std::vector<PrometheusSample> samples;
};

// The families in order, each with its HELP and TYPE lines and its samples; a family without a
// sample is left out.
std::string PrometheusText(const std::vector<PrometheusFamily>& families);

}  // namespace kestrova::cli
