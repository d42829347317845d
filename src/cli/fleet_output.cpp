#include "cli/fleet_output.h"

#include "cli/cli_request.h"
#include "cli/visible_text.h"

namespace kestrova::cli {

std::string FailureText(const LinkFailure& f) {
  return VisibleText(f.cause.empty() ? f.message : f.message + ": " + f.cause);
}

std::string BackupLines(const std::string& prefix, const WriteReport& report) {
  std::string lines;
  if (!report.restoredFrom.empty()) lines += prefix + "Restoring from " + VisibleText(report.restoredFrom) + "\n";
  if (!report.backup.empty()) lines += prefix + "Backup saved to " + VisibleText(report.backup) + "\n";
  return lines;
}

int PrintInOrder(const std::vector<PrinterLines>& printers, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  bool firstBlock = true;
  for (const PrinterLines& p : printers) {
    if (p.failed) status = kExitFailed;
    if (p.errFirst) err << p.err;
    if (p.block) {
      if (!firstBlock) out << "\n";
      firstBlock = false;
    }
    out << p.out;
    if (!p.errFirst) err << p.err;
  }
  return status;
}

}  // namespace kestrova::cli
