#include "cli/prometheus_text.h"

namespace kestrova::cli {

std::string PrometheusLabelValue(std::string_view text) {
  std::string value;
  value.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      value += "\\\\";
    } else if (byte == '"') {
      value += "\\\"";
    } else if (byte == '\n') {
      value += "\\n";
    } else if (byte < 0x20 || (byte >= 0x7F && byte <= 0x9F)) {
      continue;
    } else if (byte < 0x80) {
      value += c;
    } else {
      value += static_cast<char>(0xC0 | (byte >> 6));
      value += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return value;
}

std::string PrometheusText(const std::vector<PrometheusFamily>& families) {
  std::string text;
  for (const PrometheusFamily& family : families) {
    if (family.samples.empty()) continue;
    text += std::string("# HELP ") + family.name + " " + family.help + "\n";
    text += std::string("# TYPE ") + family.name + " " + family.type + "\n";
    for (const PrometheusSample& sample : family.samples) {
      text += family.name;
      if (!sample.labels.empty()) {
        text += "{";
        for (std::size_t i = 0; i < sample.labels.size(); ++i)
          text += (i ? "," : "") + sample.labels[i].first + "=\"" + PrometheusLabelValue(sample.labels[i].second) + "\"";
        text += "}";
      }
      text += " " + sample.value + "\n";
    }
  }
  return text;
}

}  // namespace kestrova::cli
