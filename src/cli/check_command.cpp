#include "cli/check_command.h"

#include <QJsonArray>

#include "cli/fleet_output.h"
#include "cli/json_report.h"
#include "cli/visible_text.h"
#include "model/language_settings.h"
#include "model/switch_explain.h"
#include "profile/printer_profile.h"

namespace kestrova::cli {

namespace {

std::string Meaning(const SwitchExplanation& e, int i) {
  const auto k = static_cast<std::size_t>(i);
  const int p = e.positions[k];
  const std::string position = p == kPositionOn ? "ON" : p == kPositionOff ? "OFF" : "(none)";
  return position + " (" + e.labels[k] + ")";
}

std::string ModelName(ModelNo model) {
  const PrinterModel* m = FindModel(model);
  return m ? std::string(m->code) + " (model " + std::to_string(model) + ")" : "model " + std::to_string(model);
}

template <typename TextAt>
void CompareEntry(std::vector<Difference>& out, const char* what, const std::optional<int>& file,
                  const std::optional<int>& printer, TextAt textAt) {
  if (!file || file == printer) return;
  out.push_back({what, textAt(*file), printer ? textAt(*printer) : std::string("(none)")});
}

}  // namespace

std::vector<Difference> CompareWithProfile(const SavedConfiguration& file, const ReadReport& read) {
  // The printer's values through the same reader as the file's, so both sides mean the same.
  std::string error;
  const auto printer = profile::ParseProfile(QByteArray::fromStdString(JsonLine(ReadJson(read, false))), error,
                                             profile::OpenBytes::Allowed);
  if (!printer) return {{"Profile", "", error}};
  std::vector<Difference> out;
  if (printer->model != file.model) return {{"Model", ModelName(file.model), ModelName(printer->model)}};
  const SwitchExplanation f = ExplainSwitches(file.model, file.bytes);
  const SwitchExplanation p = ExplainSwitches(printer->model, printer->bytes);
  for (int i = 0; i < kSwitchBits; ++i) {
    if (!file.bytes[static_cast<std::size_t>(i / 8)]) continue;
    const std::string a = Meaning(f, i);
    const std::string b = Meaning(p, i);
    if (a != b) out.push_back({SwitchName(i), a, b});
  }
  CompareEntry(out, "Code Page", file.codePagePosition, printer->codePagePosition,
               [](int at) { return std::string(CodePageTable()[static_cast<std::size_t>(at)].entry); });
  CompareEntry(out, "International Character Set", file.charsetPosition, printer->charsetPosition,
               [](int at) { return CharsetEntries()[static_cast<std::size_t>(at)]; });
  CompareEntry(out, "New 8x16 Font", file.fontPosition, printer->fontPosition,
               [](int at) { return New8x16FontEntries()[static_cast<std::size_t>(at)]; });
  return out;
}

namespace {

// The line (with --json the object, and the cause on err) of one printer.
PrinterLines CheckLines(const Request& r, const ReadReport& report) {
  PrinterLines p;
  const std::string label = report.target.label();
  if (!report.ok()) {
    p.failed = true;
    const std::string cause = report.failure->cause.empty() ? report.failure->message
                                                            : report.failure->message + ": " + report.failure->cause;
    if (r.json) {
      QJsonObject o = FailureJson(*report.failure);
      o.insert("link", QString::fromStdString(label));
      p.out = JsonLine(o);
      p.err = VisibleText(label + ": " + cause) + "\n";
    } else {
      p.out = VisibleText(label + ": " + cause) + "\n";
    }
    return p;
  }
  const std::vector<Difference> differences = CompareWithProfile(*r.edits.from, report);
  p.failed = !differences.empty();
  if (r.json) {
    QJsonArray list;
    for (const Difference& d : differences)
      list.append(QJsonObject{{"switch", JsonText(d.what)}, {"file", JsonText(d.file)}, {"printer", JsonText(d.printer)}});
    p.out = JsonLine(QJsonObject{{"link", QString::fromStdString(label)}, {"ok", true},
                                 {"match", differences.empty()}, {"differences", list}});
    return p;
  }
  // The label and a difference may echo a host name or printer text.
  p.out = VisibleText(label) + ": ";
  if (differences.empty()) {
    p.out += "matches the file\n";
    return p;
  }
  p.out += std::to_string(differences.size()) + (differences.size() == 1 ? " difference: " : " differences: ");
  for (std::size_t i = 0; i < differences.size(); ++i) {
    const Difference& d = differences[i];
    p.out += (i ? "; " : "") + VisibleText(d.what) + " file " + VisibleText(d.file) + ", printer " +
             VisibleText(d.printer);
  }
  p.out += "\n";
  return p;
}

}  // namespace

int Check(const Request& r, std::ostream& out, std::ostream& err) {
  static const ReplyTerminatedPacing fast;
  const PacingPolicy& pacing = r.fast ? static_cast<const PacingPolicy&>(fast) : FixedPacing::instance();
  std::vector<PrinterLines> lines(r.links.size());
  RunOnLinkThreads(
      r.links.size(), [&](std::size_t i) { return ReadJob(r.links[i], pacing, [](int) {}); },
      [&](std::size_t i, const ReadReport& report) { lines[i] = CheckLines(r, report); });
  return PrintInOrder(lines, out, err);
}

}  // namespace kestrova::cli
