#include "sim_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QThread>

#include <QRegularExpression>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

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

bool RawTcpClient::connect(quint16 port) {
  close();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  const int on = 1;  // every write goes out as its own segment
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
      ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK) != 0) {
    close();
    return false;
  }
  return true;
}

qint64 RawTcpClient::writeSome(const QByteArray& bytes) {
  for (;;) {
    const ssize_t n = ::send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
}

bool RawTcpClient::write(const QByteArray& bytes, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  qsizetype done = 0;
  while (fd_ >= 0 && done < bytes.size()) {
    const qint64 n = writeSome(bytes.mid(done));
    if (n < 0) return false;
    done += n;
    if (done == bytes.size()) break;
    pollfd p{fd_, POLLOUT, 0};
    if (deadline.hasExpired() || ::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0) return false;
  }
  return fd_ >= 0;
}


QByteArray RawTcpClient::read(int expected, int timeoutMs, bool* closed) {
  if (closed) *closed = false;
  QByteArray got;
  QDeadlineTimer deadline(timeoutMs);
  while (fd_ >= 0 && got.size() < expected) {
    pollfd p{fd_, POLLIN, 0};
    if (deadline.hasExpired() || ::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0) break;
    char buf[4096];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n > 0) {
      got.append(buf, static_cast<qsizetype>(n));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      if (closed) *closed = true;
      break;
    }
  }
  return got;
}

void RawTcpClient::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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
