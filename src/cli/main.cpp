// kestrova-swctl: read, explain and write a receipt printer's software switches from a shell.
#include <unistd.h>

#include <QCoreApplication>
#include <iostream>

#include "cli/cli.h"
#include "cli/fleet_limits.h"

int main(int argc, char* argv[]) {
  kestrova::cli::RaiseOpenFileLimit();
  // Qt's event loop on GLib registers every thread's main context in one process-wide list; the
  // tool needs no GLib loop at all (its printers run on Asio's loops). Set before any thread
  // starts, so setenv races with no reader.
  qputenv("QT_NO_GLIB", "1");
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("kestrova-swctl"));
  return kestrova::cli::RunCli(QCoreApplication::arguments().mid(1), std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
