#include "cli_harness.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>

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

QString StateHome() {
  static QTemporaryDir dir;
  return dir.path();
}

}  // namespace

QString BackupsRoot() { return StateHome() + "/kestrova-swutil/backups"; }

QString CliRun::errText() const {
  return QString::fromUtf8(err).replace(QRegularExpression("Backup saved to " + QRegularExpression::escape(BackupsRoot()) + "/\\S+"),
                                        "Backup saved to BACKUP");
}

QString SwctlBinary() { return qEnvironmentVariable("KESTROVA_BIN_DIR") + QStringLiteral("/kestrova-swctl"); }

bool ProgramsBuilt() { return QFileInfo(SwctlBinary()).isExecutable() && kestrova::sim::testing::SimBuilt(); }

QStringList CliRun::outLines() const {
  QStringList lines = QString::fromUtf8(out).split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

Swctl::Swctl(const QStringList& args, const QString& stderrFile) {
  process_.setProgram(SwctlBinary());
  process_.setArguments(args);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_STATE_HOME", StateHome());
  process_.setProcessEnvironment(environment);
  if (!stderrFile.isEmpty()) process_.setStandardErrorFile(stderrFile);
  startedMs_ = NowMs();
  process_.start();
}

Swctl::~Swctl() { kestrova::sim::testing::StopProcess(process_); }

CliRun Swctl::finish(int timeoutMs) {
  CliRun run;
  if (!process_.waitForStarted(5000)) return run;
  run.finished = process_.waitForFinished(timeoutMs);
  run.elapsedMs = NowMs() - startedMs_;
  if (!run.finished) {
    kestrova::sim::testing::StopProcess(process_);
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

QJsonObject JsonObjectOf(const QByteArray& line) { return QJsonDocument::fromJson(line).object(); }

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ')); }

bool WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

}  // namespace kestrova::cli::testing
