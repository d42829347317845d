#pragma once
// Backups: before a write sends anything, what its read got is kept as a profile file, so that the
// printer can be brought back. One store for the window and the command-line tool:
//
//   ROOT/FOLDER/2026-12-06T20-31-02Z.json      ROOT: --backup-dir, else
//   ROOT/FOLDER/2026-12-06T20-31-02Z_002.json        $XDG_STATE_HOME/kestrova-swutil/backups, else
//                                                     ~/.local/state/kestrova-swutil/backups
//
// FOLDER is the printer's serial number, or the link where the printer reports none, made safe as
// a folder name. A file is named by the UTC time of the write (a suffix when two land in the same
// second), so that `ls` lists them in order; it is written whole under a temporary name and then
// linked to its name without replacing anything, so no backup is ever overwritten or seen half
// written. Nothing deletes backups.
//
// The file is a profile (what `read --json` prints, less the counters and the Log History) with
// printer.serialNumber, printer.firmwareRevision and the link: two backups of an unchanged printer
// over the same link are equal files. The time is in the name only.
#include <QDateTime>
#include <optional>
#include <string>
#include <vector>

#include "profile/printer_profile.h"

namespace kestrova::profile {

// Where a read came from, as the backup records it.
struct BackupSource {
  std::string link;          // "127.0.0.1:9100", "/dev/ttyUSB0", "COM3", "USB"
  std::string serialNumber;  // as the printer reported it; empty when it did not
  std::string firmware;
};

// The backups folder: dir when given, else the XDG state folder's (see above).
std::string BackupRoot(const std::string& dir = {});

// The printer's folder name: its serial number, else its link, each character outside
// [A-Za-z0-9._-] replaced by '_' (and a leading '.' too).
std::string BackupFolderName(const BackupSource& source);

// The file's bytes: the profile with the source's serial number, firmware and link.
QByteArray SerializeBackup(const PrinterProfile& profile, const BackupSource& source);

// Saves a backup of what a read got under root; its path, or nullopt with error naming the folder
// or file and the system's reason ("/var/backups/KS1: Permission denied").
std::optional<std::string> SaveBackup(const std::string& root, const PrinterProfile& profile,
                                      const BackupSource& source, std::string& error,
                                      const QDateTime& nowUtc = QDateTime::currentDateTimeUtc());

struct BackupEntry {
  std::string path;
  std::string taken;  // "2026-12-06 20:31:02 UTC", from the name
  BackupSource source;
  ModelNo model = 0;
};

// The backups under root, newest first: all of them, or those whose serial number, link or folder
// is `printer`. Files that are no backup are named in problems and left out.
std::vector<BackupEntry> ListBackups(const std::string& root, const std::string& printer,
                                     std::vector<std::string>& problems);

// The newest backup of the printer a read describes (its folder); nullopt when it has none.
std::optional<std::string> NewestBackup(const std::string& root, const BackupSource& source);

}  // namespace kestrova::profile
