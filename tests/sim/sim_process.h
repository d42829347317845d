#pragma once
// The one harness of tests that run the real kestrova-printer-sim: start it and wait for its
// listening lines, its addresses, its log, stopping it, a port nobody listens on. Every wait has a
// deadline.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kestrova::sim::testing {

// Where the build put the simulator ($KESTROVA_BIN_DIR), and whether it is there.
QString SimBinary();
bool SimBuilt();

// SIGTERM, then SIGKILL after 3 s; nothing when the process is not running.
void StopProcess(QProcess& process);

class SimProcess {
 public:
  virtual ~SimProcess() { stop(); }

  // The open-file limit (soft and hard) the simulator is started with; 0: the test's own.
  void setOpenFileLimit(int limit) { openFileLimit_ = limit; }
  // Starts the simulator and waits up to 5 s for `lines` listening lines on its stdout.
  bool start(const QStringList& args, int lines = 1);
  // The same, logging to logPath().
  bool startLogged(const QStringList& args, int lines = 1);
  void stop() { StopProcess(process_); }

  const QStringList& listening() const { return listening_; }
  // The port of the i-th "listening tcp" line; 0 when there is none.
  quint16 tcpPort(int i = 0) const;
  // "127.0.0.1:PORT" of the i-th TCP printer.
  QString tcp(int i = 0) const;
  QString errorText() const { return error_; }
  qint64 pid() const { return process_.processId(); }

  // Files of this simulator's own temporary directory: the log startLogged() writes, and a pty
  // link path for --pty.
  QString logPath() const { return dir_.filePath("sim.log"); }
  QString ptyPath() const { return dir_.filePath("printer"); }
  // The link name of the i-th TCP printer in the log: "tcp:PORT".
  QString tcpLink(int i = 0) const { return QStringLiteral("tcp:%1").arg(tcpPort(i)); }
  // LogReceived and LogEvents of logPath().
  QStringList received(const QString& link = {}) const;
  QStringList events(const QString& link = {}) const;
  // Waits up to timeoutMs for the event to be logged (the simulator logs what it has taken in,
  // which may be a moment after the program talking to it has seen its answer).
  bool waitForEvent(const QString& event, int timeoutMs = 2000) const;

 private:
  QTemporaryDir dir_;
  QProcess process_;
  QStringList listening_;
  QString error_;
  int openFileLimit_ = 0;
};

// A TCP port on 127.0.0.1 that nobody listens on (bound once, then released).
quint16 FreePort();


// The lines of a simulator log without their timestamps ("tcp:9100 rx 1d 49 43 00"), of one link
// only when link is given.
QStringList LogLines(const QString& path, const QString& link = {});
// The hex of every chunk received, in order ("1d 49 43 00").
QStringList LogReceived(const QString& path, const QString& link = {});
// The event texts, in order ("unlock", "set SW3=128", "self-test").
QStringList LogEvents(const QString& path, const QString& link = {});
// Waits up to timeoutMs for a log line (without timestamp) equal to line.
bool WaitForLogLine(const QString& path, const QString& line, int timeoutMs = 2000);
}  // namespace kestrova::sim::testing
