#include "cli/text_report.h"

#include <algorithm>
#include <sstream>

#include "cli/visible_text.h"
#include "model/printer_record.h"

namespace kestrova::cli {

namespace {

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string Caption(const RecordFieldInfo& info) {
  std::string caption = info.caption;
  while (!caption.empty() && caption.back() == ' ') caption.pop_back();
  return caption;
}

std::string PositionText(int position) {
  if (position == kPositionOn) return "ON";
  if (position == kPositionOff) return "OFF";
  return "-";
}

std::string ModelLine(ModelNo model) {
  const PrinterModel* m = FindModel(model);
  return "Model: " + std::string(m ? m->code : "none") + " (" + std::to_string(model) + ")\n";
}

std::string SwitchTable(const std::array<int, kSwitchBits>& positions, const std::array<std::string, kSwitchBits>& labels) {
  std::ostringstream out;
  out << "Switch  Position  Meaning\n";
  for (int i = 0; i < kSwitchBits; ++i) {
    const auto k = static_cast<std::size_t>(i);
    out << Pad(SwitchName(i), 8) << Pad(PositionText(positions[k]), 10) << labels[k] << "\n";
  }
  return out.str();
}

}  // namespace

std::string ModelsText() {
  std::ostringstream out;
  out << "No  Code      In the model list\n";
  for (const PrinterModel& m : Catalogue())
    out << Pad(std::to_string(m.no), 4) << Pad(m.code, 10) << (m.listPosition >= 0 ? "yes" : "no") << "\n";
  return out.str();
}

std::string ExplainText(ModelNo model, const SwitchExplanation& e) {
  return ModelLine(model) + SwitchTable(e.positions, e.labels) + "Print Density: " + e.printDensity + "\n" +
         "Thai 1Pass/3Pass: " + e.thaiPass + "\n";
}

std::string ReadText(const ReadReport& report) {
  const PlainReadObserver& s = report.state;
  std::size_t width = 0;
  for (const RecordFieldInfo& f : RecordFields()) width = std::max(width, Caption(f).size());
  std::ostringstream out;
  out << ModelLine(s.record.activeModelNo);
  // The fields hold the printer's replies as they came.
  for (const RecordFieldInfo& f : RecordFields())
    out << Pad(Caption(f), width + 2) << VisibleText(s.record.text(f.field)) << "\n";
  out << "\n" << SwitchTable(s.view.positions, s.view.labels);
  return out.str();
}

}  // namespace kestrova::cli
