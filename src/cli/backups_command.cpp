#include "cli/backups_command.h"

#include "cli/visible_text.h"
#include "profile/backup_store.h"

namespace kestrova::cli {

int Backups(const Request& r, std::ostream& out, std::ostream& err) {
  std::vector<std::string> problems;
  const auto entries = profile::ListBackups(r.backupRoot, r.printer, problems);
  for (const std::string& problem : problems) err << "kestrova-swctl: not a backup: " << VisibleText(problem) << "\n";
  for (const profile::BackupEntry& e : entries) {
    const PrinterModel* model = FindModel(e.model);
    const std::string serial = e.source.serialNumber.empty() ? "-" : e.source.serialNumber;
    out << e.taken << "  " << VisibleText(e.source.link) << "  " << (model ? model->code : "model-0") << "  "
        << VisibleText(serial) << "  " << VisibleText(e.path) << "\n";
  }
  if (!entries.empty()) return kExitOk;
  err << "kestrova-swctl: no backups" << (r.printer.empty() ? "" : " of " + VisibleText(r.printer)) << " in "
      << VisibleText(r.backupRoot) << "\n";
  return kExitFailed;
}

}  // namespace kestrova::cli
