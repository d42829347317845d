#include "cli/check_command.h"

#include <QJsonArray>
#include <algorithm>

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

constexpr const char* kNotReadCleanly = "(not read cleanly)";

bool Unclean(const profile::PrinterProfile& p, const std::string& name) {
  return std::find(p.unclean.begin(), p.unclean.end(), name) != p.unclean.end();
}

// A value that either read did not get cleanly is a difference whatever it showed: nobody knows
// what that printer holds.
std::optional<Difference> UncleanDifference(const profile::PrinterProfile& file, const profile::PrinterProfile& printer,
                                            const std::string& name, const std::string& fileText,
                                            const std::string& printerText) {
  if (!Unclean(file, name) && !Unclean(printer, name)) return std::nullopt;
  return Difference{name, Unclean(file, name) ? kNotReadCleanly : fileText,
                    Unclean(printer, name) ? kNotReadCleanly : printerText};
}

template <typename TextAt>
void CompareEntry(std::vector<Difference>& out, const profile::PrinterProfile& fileProfile,
                  const profile::PrinterProfile& printerProfile, const char* what,
                  const std::optional<int> profile::PrinterProfile::*value, TextAt textAt) {
  const std::optional<int>& file = fileProfile.*value;
  const std::optional<int>& printer = printerProfile.*value;
  if (!file) return;
  const std::string printerText = printer ? textAt(*printer) : std::string("(none)");
  if (auto d = UncleanDifference(fileProfile, printerProfile, what, textAt(*file), printerText)) {
    out.push_back(*d);
  } else if (file != printer) {
    out.push_back({what, textAt(*file), printerText});
  }
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
  for (int n = 1; n <= kSwitchBytes; ++n) {
    const auto& fileByte = file.bytes[static_cast<std::size_t>(n - 1)];
    if (!fileByte) continue;
    const auto& printerByte = printer->bytes[static_cast<std::size_t>(n - 1)];
    const std::string name = "SW" + std::to_string(n);
    if (auto d = UncleanDifference(file, *printer, name, std::to_string(*fileByte),
                                   printerByte ? std::to_string(*printerByte) : "(none)")) {
      out.push_back(*d);
      continue;
    }
    for (int i = (n - 1) * kBitsPerSwitch; i < n * kBitsPerSwitch; ++i) {
      const std::string a = Meaning(f, i);
      const std::string b = Meaning(p, i);
      if (a != b) out.push_back({SwitchName(i), a, b});
    }
  }
  using profile::PrinterProfile;
  CompareEntry(out, file, *printer, "Code Page", &PrinterProfile::codePagePosition,
               [](int at) { return std::string(CodePageTable()[static_cast<std::size_t>(at)].entry); });
  CompareEntry(out, file, *printer, "International Character Set", &PrinterProfile::charsetPosition,
               [](int at) { return CharsetEntries()[static_cast<std::size_t>(at)]; });
  CompareEntry(out, file, *printer, "New 8x16 Font", &PrinterProfile::fontPosition,
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
  RunFleet(
      r.links.size(), [&](std::size_t i) { return ReadJob(r.links[i], pacing, [](int) {}); },
      [&](std::size_t i, const ReadReport& report) { lines[i] = CheckLines(r, report); });
  return PrintInOrder(lines, out, err);
}

}  // namespace kestrova::cli
