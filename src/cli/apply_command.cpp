#include "cli/apply_command.h"

#include <QJsonArray>
#include <QJsonValue>

#include "cli/json_report.h"
#include "cli/visible_text.h"

namespace kestrova::cli {

namespace {

QJsonObject ApplyJson(const WriteReport& report) {
  QJsonArray differences;
  for (const SettingDifference& d : report.differences)
    differences.append(QJsonObject{{"setting", JsonText(d.setting)}, {"before", JsonText(d.before)}, {"after", JsonText(d.after)}});
  QJsonObject o = report.ok() ? QJsonObject{{"ok", true}, {"error", QJsonValue::Null}} : FailureJson(*report.failure);
  o.insert("link", QString::fromStdString(report.target.label()));
  // Whether the write changed the printer; with --check, whether it would.
  o.insert("changed", report.ok() && !report.differences.empty());
  o.insert("differences", differences);
  // Where what the printer held before the write was saved; null when nothing was sent.
  o.insert("backup", report.backup.empty() ? QJsonValue() : JsonText(report.backup));
  if (!report.restoredFrom.empty()) o.insert("restoredFrom", JsonText(report.restoredFrom));
  return o;
}

std::string DifferencesText(const std::vector<SettingDifference>& differences) {
  std::string text;
  for (const SettingDifference& d : differences)
    text += (text.empty() ? "" : "; ") + d.setting + " " + d.before + " -> " + d.after;
  return text;
}

}  // namespace

PrinterLines ApplyLines(const Request& r, const WriteReport& report) {
  PrinterLines p;
  const std::string label = VisibleText(report.target.label());
  p.err = BackupLines(label + ": ", report);
  if (!report.ok()) {
    p.failed = true;
    p.err += label + ": " + FailureText(*report.failure) + "\n";
  }
  if (r.json) {
    p.out = JsonLine(ApplyJson(report));
  } else if (report.ok()) {
    // A meaning or value text may come from the printer.
    const std::string what = report.differences.empty() ? "unchanged"
                             : r.edits.dryRun           ? "would change: " + VisibleText(DifferencesText(report.differences))
                                                        : "changed: " + VisibleText(DifferencesText(report.differences));
    p.out = label + ": " + what + "\n";
  }
  return p;
}

}  // namespace kestrova::cli
