#pragma once
// kestrova-swctl: the switch utility's read, write, explain and test prints from a shell.
#include <QStringList>
#include <ostream>

namespace kestrova::cli {

// Runs one command line (the arguments after the program name). Results go to out, messages and
// errors to err; the progress indicator is shown only when err is a terminal. Returns the exit
// status: 0 success, 1 the printer or link failed, 2 a usage error.
int RunCli(const QStringList& arguments, std::ostream& out, std::ostream& err, bool errIsTerminal);

}  // namespace kestrova::cli
