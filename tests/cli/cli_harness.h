#pragma once
// Helpers for tests that run the real kestrova-swctl against the real kestrova-printer-sim: start
// the simulator and read its listening lines and byte log, run the tool (alone or several at
// once) and take its exit status, output and time. Every wait has a deadline.
#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "sim_process.h"

namespace kestrova::cli::testing {

QString SwctlBinary();
QString SimBinary();
// Both programs are built (the tests skip otherwise).
bool ProgramsBuilt();

struct CliRun {
  bool finished = false;
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
  qint64 elapsedMs = 0;

  QStringList outLines() const;
  QString errText() const { return QString::fromUtf8(err); }
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
class Printer {
 public:
  Printer();
  ~Printer();
  // Starts with args plus --log; waits for `lines` listening lines.
  bool start(const QStringList& args, int lines = 1);
  QString errorText() const { return sim_.errorText(); }

  // "127.0.0.1:PORT" of the i-th TCP printer.
  QString tcp(int i = 0) const;
  quint16 port(int i = 0) const;
  // The pty link path handed to --pty.
  QString ptyPath() const { return dir_.filePath("printer"); }

  // Log lines without their timestamps ("tcp:40123 rx 1d 49 43 00"), optionally of one link only.
  QStringList log(const QString& link = {}) const;
  // The hex of every chunk received, in order ("1d 49 43 00").
  QStringList received(const QString& link = {}) const;
  // The event texts, in order ("unlock", "set SW3=128", "self-test").
  QStringList events(const QString& link = {}) const;
  // Waits up to timeoutMs for the event to be logged (the simulator logs what it has taken in,
  // which may be a moment after the tool has ended).
  bool waitForEvent(const QString& event, int timeoutMs = 2000) const;
  QString tcpLink(int i = 0) const { return QStringLiteral("tcp:%1").arg(port(i)); }
  QString ptyLink() const { return QStringLiteral("pty:") + ptyPath(); }

 private:
  QTemporaryDir dir_;
  kestrova::sim::testing::SimProcess sim_;
};

// A TCP port on 127.0.0.1 that nobody listens on (bound once, then released).
quint16 FreePort();

// The JSON object of one output line; an empty object when the line is not one.
QJsonObject JsonObjectOf(const QByteArray& line);

// Hex of bytes as the simulator logs them: "1d 67 38 29".
QString Hex(const QByteArray& bytes);

}  // namespace kestrova::cli::testing
