#pragma once
// What each printer of a fleet command prints, made on its loop as soon as its job ends
// (the report itself is dropped then), and printed in the order given once every job has ended.
// A fleet of any length so keeps the reports of the printers in flight and the lines of the others.
#include <ostream>
#include <string>
#include <vector>

#include "cli/printer_jobs.h"

namespace kestrova::cli {

struct PrinterLines {
  std::string out;  // for standard output, newlines included
  std::string err;  // for standard error, newlines included
  bool errFirst = false;  // err is printed before out
  bool block = false;     // out is a readable block, set off from the block before by an empty line
  bool failed = false;    // the command exits with kExitFailed
};

// A failure as its line shows it: "message: cause", control bytes escaped (the cause may echo a
// host name or printer text).
std::string FailureText(const LinkFailure& failure);

// What a write says on standard error besides a failure, each line after prefix: the backup a
// restore took its values from ("Restoring from PATH") and the backup saved ("Backup saved to PATH").
std::string BackupLines(const std::string& prefix, const WriteReport& report);

// Prints the lines of every printer in order; kExitFailed when any printer failed, kExitOk otherwise.
int PrintInOrder(const std::vector<PrinterLines>& printers, std::ostream& out, std::ostream& err);

}  // namespace kestrova::cli
