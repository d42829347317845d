#include "cli_harness.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTcpServer>
#include <QThread>

namespace kestrova::cli::testing {

namespace {

qint64 NowMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

void Stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(3000);
  }
}

}  // namespace

QString SwctlBinary() { return qEnvironmentVariable("KESTROVA_BIN_DIR") + QStringLiteral("/kestrova-swctl"); }
QString SimBinary() { return qEnvironmentVariable("KESTROVA_BIN_DIR") + QStringLiteral("/kestrova-printer-sim"); }

bool ProgramsBuilt() { return QFileInfo(SwctlBinary()).isExecutable() && QFileInfo(SimBinary()).isExecutable(); }

QStringList CliRun::outLines() const {
  QStringList lines = QString::fromUtf8(out).split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

Swctl::Swctl(const QStringList& args, const QString& stderrFile) {
  process_.setProgram(SwctlBinary());
  process_.setArguments(args);
  if (!stderrFile.isEmpty()) process_.setStandardErrorFile(stderrFile);
  startedMs_ = NowMs();
  process_.start();
}

Swctl::~Swctl() { Stop(process_); }

CliRun Swctl::finish(int timeoutMs) {
  CliRun run;
  if (!process_.waitForStarted(5000)) return run;
  run.finished = process_.waitForFinished(timeoutMs);
  run.elapsedMs = NowMs() - startedMs_;
  if (!run.finished) {
    Stop(process_);
    return run;
  }
  run.exitCode = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  run.out = process_.readAllStandardOutput();
  run.err = process_.readAllStandardError();
  return run;
}

CliRun RunSwctl(const QStringList& args, int timeoutMs) {
  Swctl process(args);
  return process.finish(timeoutMs);
}

Printer::Printer() = default;

Printer::~Printer() = default;

bool Printer::start(const QStringList& args, int lines) {
  return sim_.start(args + QStringList{"--log", dir_.filePath("sim.log")}, lines);
}

quint16 Printer::port(int i) const { return sim_.tcpPort(i); }

QString Printer::tcp(int i) const { return QStringLiteral("127.0.0.1:%1").arg(port(i)); }

QStringList Printer::log(const QString& link) const {
  QFile file(dir_.filePath("sim.log"));
  QStringList lines;
  if (!file.open(QIODevice::ReadOnly)) return lines;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw);
    const int space = line.indexOf(' ');
    if (space < 0) continue;
    const QString rest = line.mid(space + 1);
    if (link.isEmpty() || rest.startsWith(link + ' ')) lines << rest;
  }
  return lines;
}

QStringList Printer::received(const QString& link) const {
  QStringList chunks;
  for (const QString& l : log(link)) {
    const int rx = l.indexOf(QLatin1String(" rx "));
    if (rx >= 0) chunks << l.mid(rx + 4);
  }
  return chunks;
}

QStringList Printer::events(const QString& link) const {
  QStringList events;
  for (const QString& l : log(link)) {
    const int at = l.indexOf(QLatin1String(" event "));
    if (at >= 0) events << l.mid(at + 7);
  }
  return events;
}

bool Printer::waitForEvent(const QString& event, int timeoutMs) const {
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

QJsonObject JsonObjectOf(const QByteArray& line) { return QJsonDocument::fromJson(line).object(); }

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ')); }

}  // namespace kestrova::cli::testing
