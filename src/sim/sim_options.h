#pragma once
// The command line of kestrova-printer-sim, gathered into one struct.
#include <QCommandLineParser>
#include <QHostAddress>
#include <QString>

#include "sim/reply_faults.h"
#include "sim/sim_printer.h"

namespace kestrova::sim {

struct SimOptions {
  QString modelCode = QStringLiteral("RT5600");
  PrinterValues values;  // the start values of every printer (a --state file may hold others)
  bool tcp = false;
  QHostAddress tcpAddress;
  quint16 tcpPort = 0;   // 0: a free port for each printer
  QString ptyPath;
  int ptyBaud = 0;       // the pty answers only while its port is set to this speed; 0: any
  int count = 1;         // printers on consecutive TCP ports
  QString statePath;
  QString logPath;
  Faults faults;
};

// Registers every option, --help and --version included, and the description shown by --help.
void AddOptions(QCommandLineParser& parser);
// Reads the options of a parsed command line; false with a message for a wrong value.
bool ReadOptions(const QCommandLineParser& parser, SimOptions& options, QString* error);

}  // namespace kestrova::sim
