#include "sim_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace kestrova::sim::testing {

namespace {

QString SimBinary() { return qEnvironmentVariable("KESTROVA_BIN_DIR") + QStringLiteral("/kestrova-printer-sim"); }

}  // namespace

bool SimProcess::start(const QStringList& args, int lines) {
  process_.setProgram(SimBinary());
  process_.setArguments(args);
  process_.setProcessChannelMode(QProcess::SeparateChannels);
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

void SimProcess::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

quint16 SimProcess::tcpPort(int i) const {
  int seen = 0;
  for (const QString& l : listening_)
    if (l.startsWith(QLatin1String("listening tcp ")) && seen++ == i) return static_cast<quint16>(l.section(':', -1).toUInt());
  return 0;
}

int RunSim(const QStringList& args, QByteArray* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(SimBinary(), args);
  if (!p.waitForFinished(5000)) {
    p.kill();
    p.waitForFinished(3000);
    return -1;
  }
  if (output) *output = p.readAll();
  return p.exitCode();
}

bool ConnectTcp(QTcpSocket& socket, quint16 port) {
  socket.connectToHost(QStringLiteral("127.0.0.1"), port);
  return socket.waitForConnected(2000);
}

QByteArray Exchange(QTcpSocket& socket, const QByteArray& bytes, int expected, int timeoutMs) {
  if (!bytes.isEmpty()) {
    socket.write(bytes);
    socket.waitForBytesWritten(timeoutMs);
  }
  QByteArray got;
  QDeadlineTimer deadline(timeoutMs);
  while (got.size() < expected && !deadline.hasExpired()) {
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
    got += socket.readAll();
  }
  return got;
}

PtyClient::~PtyClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool PtyClient::open(const QString& path) {
  fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return false;
  cfmakeraw(&tio);
  return tcsetattr(fd_, TCSANOW, &tio) == 0;
}

bool PtyClient::write(const QByteArray& bytes) {
  return fd_ >= 0 && ::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
}

QByteArray PtyClient::read(int expected, int timeoutMs) {
  QByteArray got;
  QDeadlineTimer deadline(timeoutMs);
  while (fd_ >= 0 && got.size() < expected && !deadline.hasExpired()) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0) break;
    char buf[4096];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<int>(n));
    else if (n == 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  return got;
}

QStringList LogLines(const QString& path) {
  QFile f(path);
  QStringList lines;
  if (!f.open(QIODevice::ReadOnly)) return lines;
  for (const QByteArray& l : f.readAll().split('\n'))
    if (!l.isEmpty()) lines << QString::fromUtf8(l).section(' ', 1);
  return lines;
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
