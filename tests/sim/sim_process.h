#pragma once
// Helpers for tests that run the real kestrova-printer-sim: start it and wait for its listening
// lines, talk to it over TCP or its pty, and read its log. Every wait has a deadline.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

namespace kestrova::sim::testing {

class SimProcess {
 public:
  ~SimProcess() { stop(); }

  // Starts the simulator and waits up to 5 s for `lines` listening lines on its stdout.
  bool start(const QStringList& args, int lines = 1);
  // SIGTERM, then SIGKILL after 3 s.
  void stop();

  const QStringList& listening() const { return listening_; }
  // The port of the i-th "listening tcp" line; 0 when there is none.
  quint16 tcpPort(int i = 0) const;
  QString errorText() const { return error_; }

 private:
  QProcess process_;
  QStringList listening_;
  QString error_;
};

// Runs the simulator to its end (up to 5 s); returns its exit code, -1 when it did not end.
int RunSim(const QStringList& args, QByteArray* output = nullptr);

// Connects to 127.0.0.1:port within 2 s.
bool ConnectTcp(QTcpSocket& socket, quint16 port);
// Sends bytes and collects what arrives until `expected` bytes are in or timeoutMs has passed.
QByteArray Exchange(QTcpSocket& socket, const QByteArray& bytes, int expected, int timeoutMs = 2000);

// A raw client of the simulator's pty link path.
class PtyClient {
 public:
  ~PtyClient();
  bool open(const QString& path);
  bool write(const QByteArray& bytes);
  // Reads until `expected` bytes are in or timeoutMs has passed.
  QByteArray read(int expected, int timeoutMs = 2000);

 private:
  int fd_ = -1;
};

// The lines of the log without their timestamps ("tcp:9100 rx 1d 49 43 00").
QStringList LogLines(const QString& path);
// Waits up to timeoutMs for a log line (without timestamp) equal to line.
bool WaitForLogLine(const QString& path, const QString& line, int timeoutMs = 2000);

}  // namespace kestrova::sim::testing
