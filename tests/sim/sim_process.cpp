#include "sim_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QThread>

#include <QRegularExpression>

#include <sys/resource.h>

namespace kestrova::sim::testing {

QString SimBinary() { return qEnvironmentVariable("KESTROVA_BIN_DIR") + QStringLiteral("/kestrova-printer-sim"); }

bool SimBuilt() { return QFileInfo(SimBinary()).isExecutable(); }

void StopProcess(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(3000);
  }
}

bool SimProcess::start(const QStringList& args, int lines) {
  process_.setProgram(SimBinary());
  process_.setArguments(args);
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  if (openFileLimit_ > 0)
    process_.setChildProcessModifier([limit = rlim_t(openFileLimit_)] {
      const rlimit l{limit, limit};
      setrlimit(RLIMIT_NOFILE, &l);
    });
  process_.start();
  if (!process_.waitForStarted(5000)) {
    error_ = process_.errorString();
    return false;
  }
  QDeadlineTimer deadline(5000);
  while (listening_.size() < lines && !deadline.hasExpired()) {
    if (!process_.canReadLine() && !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
    while (process_.canReadLine()) {
      const QString line = QString::fromUtf8(process_.readLine()).trimmed();
      if (line.startsWith(QLatin1String("listening "))) listening_ << line;
    }
  }
  if (listening_.size() < lines) {
    error_ = QStringLiteral("no listening lines; stderr: ") + QString::fromUtf8(process_.readAllStandardError());
    return false;
  }
  return true;
}

bool SimProcess::startLogged(const QStringList& args, int lines) {
  return start(args + QStringList{"--log", logPath()}, lines);
}

quint16 SimProcess::tcpPort(int i) const {
  int seen = 0;
  for (const QString& l : listening_)
    if (l.startsWith(QLatin1String("listening tcp ")) && seen++ == i) return static_cast<quint16>(l.section(':', -1).toUInt());
  return 0;
}

QString SimProcess::tcp(int i) const { return QStringLiteral("127.0.0.1:%1").arg(tcpPort(i)); }


QStringList SimProcess::received(const QString& link) const { return LogReceived(logPath(), link); }

QStringList SimProcess::events(const QString& link) const { return LogEvents(logPath(), link); }

bool SimProcess::waitForEvent(const QString& event, int timeoutMs) const {
  QDeadlineTimer deadline(timeoutMs);
  while (!events().contains(event)) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
  return true;
}

quint16 FreePort() {
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost, 0)) return 0;
  const quint16 port = server.serverPort();
  server.close();
  return port;
}

QStringList LogLines(const QString& path, const QString& link) {
  QFile f(path);
  QStringList lines;
  if (!f.open(QIODevice::ReadOnly)) return lines;
  for (const QByteArray& raw : f.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw);
    const int space = line.indexOf(' ');
    if (space < 0) continue;
    const QString rest = line.mid(space + 1);
    if (link.isEmpty() || rest.startsWith(link + ' ')) lines << rest;
  }
  return lines;
}

namespace {

// What follows `marker` in each line that has it.
QStringList After(const QStringList& lines, QLatin1String marker) {
  QStringList out;
  for (const QString& l : lines) {
    const int at = l.indexOf(marker);
    if (at >= 0) out << l.mid(at + marker.size());
  }
  return out;
}

}  // namespace

QStringList LogReceived(const QString& path, const QString& link) {
  return After(LogLines(path, link), QLatin1String(" rx "));
}

QStringList LogEvents(const QString& path, const QString& link) {
  return After(LogLines(path, link), QLatin1String(" event "));
}

bool WaitForLogLine(const QString& path, const QString& line, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  do {
    if (LogLines(path).contains(line)) return true;
    QThread::msleep(20);
  } while (!deadline.hasExpired());
  return false;
}

}  // namespace kestrova::sim::testing
