#pragma once
// Helpers for tests that run the real kestrova-swctl against the real kestrova-printer-sim (see
// sim_process.h): run the tool (alone or several at once) and take its exit status, output and
// time. Every wait has a deadline.
#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

#include "sim_process.h"

namespace kestrova::cli::testing {

QString SwctlBinary();
// The backups folder of every kestrova-swctl the tests start: XDG_STATE_HOME is a temporary folder
// of the test, so no test writes into the user's own state folder.
QString BackupsRoot();
// Both programs are built (the tests skip otherwise).
bool ProgramsBuilt();

struct CliRun {
  bool finished = false;
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
  qint64 elapsedMs = 0;

  QStringList outLines() const;
  // Standard error with the path of each backup saved given as BACKUP (it holds the time).
  QString errText() const;
  QString outText() const { return QString::fromUtf8(out); }
};

// One run of kestrova-swctl, started now and collected by finish().
class Swctl {
 public:
  explicit Swctl(const QStringList& args, const QString& stderrFile = {});
  ~Swctl();
  CliRun finish(int timeoutMs = 60000);

 private:
  QProcess process_;
  qint64 startedMs_ = 0;
};

// Runs kestrova-swctl to its end.
CliRun RunSwctl(const QStringList& args, int timeoutMs = 60000);

// The simulated printer(s), logging to a file of their own.
class Printer : public kestrova::sim::testing::SimProcess {
 public:
  // Starts with args plus --log; waits for `lines` listening lines.
  bool start(const QStringList& args, int lines = 1) { return startLogged(args, lines); }
  quint16 port(int i = 0) const { return tcpPort(i); }
};

using kestrova::sim::testing::FreePort;
using kestrova::sim::testing::SimBinary;

// The JSON object of one output line; an empty object when the line is not one.
QJsonObject JsonObjectOf(const QByteArray& line);

// Hex of bytes as the simulator logs them: "1d 67 38 29".
QString Hex(const QByteArray& bytes);

// Writes content to a new file (a profile, a printer list); false when it could not.
bool WriteFile(const QString& path, const QByteArray& content);

}  // namespace kestrova::cli::testing
