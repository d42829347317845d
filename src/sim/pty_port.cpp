#include "sim/pty_port.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "sim/session.h"
#include "sim/sim_log.h"

namespace kestrova::sim {

namespace {

QString ErrnoText(const char* what) { return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno))); }

}  // namespace

PtyPort::PtyPort(boost::asio::io_context& io, SimPrinter& printer, const Faults& faults, SimLog& log,
                 std::function<void()> printerChanged)
    : io_(io),
      printer_(printer),
      faults_(faults),
      log_(log),
      printerChanged_(std::move(printerChanged)),
      closePoll_(io) {}

PtyPort::~PtyPort() { close(); }

bool PtyPort::open(const QString& linkPath, QString* error) {
  auto fail = [&](const QString& text) {
    if (error) *error = text;
    close();
    return false;
  };
  linkPath_ = linkPath;
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0) return fail(ErrnoText("posix_openpt"));
  master_ = std::make_unique<WatchedDescriptor>(io_, master);
  if (grantpt(master) != 0 || unlockpt(master) != 0) return fail(ErrnoText("grantpt/unlockpt"));
  const char* name = ptsname(master);
  if (!name) return fail(ErrnoText("ptsname"));
  slaveName_ = QString::fromLocal8Bit(name);

  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) return fail(ErrnoText("open pty slave"));
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) return fail(ErrnoText("tcgetattr"));
  cfmakeraw(&tio);
  if (tcsetattr(slave_, TCSANOW, &tio) != 0) return fail(ErrnoText("tcsetattr"));

  // Replace an old symbolic link at the path, but never a file or anything else.
  const QByteArray path = QFile::encodeName(linkPath);
  struct stat st {};
  if (lstat(path.constData(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
    ::unlink(path.constData());
  }
  if (::symlink(name, path.constData()) != 0) return fail(ErrnoText("symlink"));
  linkMade_ = true;

  Session::LinkOps ops;
  ops.write = [this](const QByteArray& b) { queue(b); };
  ops.unsent = [this] { return qint64(outgoing_.size()); };
  ops.close = [this] { closeWhenRead(); };
  ops.overflow = [this](qint64 unsent) { return discardUnread(unsent); };
  session_ = std::make_unique<Session>(io_, printer_, faults_, log_, link(), std::move(ops), printerChanged_);
  master_->onReadable([this] { readMaster(); });
  master_->onWritable([this] { writeMaster(); });
  master_->setReadEnabled(true);
  return true;
}

void PtyPort::close() {
  closePoll_.stop();
  // close() may run inside the master's own read (a drop after N commands): the descriptor is
  // closed, not destroyed.
  if (masterFd() >= 0) {
    master_->close();
    log_.event(link(), QStringLiteral("disconnect"));
    // Only the link made here: a failed open leaves what was at the path alone.
    if (linkMade_) ::unlink(QFile::encodeName(linkPath_).constData());
    linkMade_ = false;
  }
  if (slave_ >= 0) {
    ::close(slave_);
    slave_ = -1;
  }
}

void PtyPort::closeWhenRead() {
  // Closing the master hangs up the slave and throws away what the tool has not read yet, so the
  // last replies are given up to a second to be read.
  pollUntilRead(std::chrono::steady_clock::now() + std::chrono::seconds(1));
}

void PtyPort::pollUntilRead(std::chrono::steady_clock::time_point deadline) {
  closePoll_.start(10, [this, deadline] {
    int unread = 0;
    if (slave_ >= 0 && ::ioctl(slave_, FIONREAD, &unread) != 0) unread = 0;
    if ((outgoing_.isEmpty() && unread == 0) || std::chrono::steady_clock::now() >= deadline) close();
    else pollUntilRead(deadline);
  });
}

bool PtyPort::speedMatches() const {
  if (requiredBaud_ == 0) return true;
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) return false;
  static const std::pair<int, speed_t> speeds[] = {{9600, B9600}, {19200, B19200}, {38400, B38400}, {115200, B115200}};
  for (const auto& [baud, code] : speeds)
    if (baud == requiredBaud_) return cfgetospeed(&tio) == code;
  return false;
}

void PtyPort::readMaster() {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(masterFd(), buf, sizeof buf);
    if (n > 0 && !speedMatches()) {
      log_.event(link(), QStringLiteral("ignored at another speed"));
      continue;
    }
    if (n > 0) {
      session_->receive(QByteArray(buf, static_cast<int>(n)));
      if (masterFd() < 0) return;  // dropped by the session
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return;  // EAGAIN: nothing more for now
  }
}

bool PtyPort::discardUnread(qint64 unsent) {
  // A printer cannot hang up its serial line: the replies nobody reads are thrown away, those in
  // the pty included, and the printer goes on answering.
  log_.event(link(), QStringLiteral("discard %1 bytes unsent (limit %2)").arg(unsent).arg(session_->unsentLimit()));
  outgoing_ = QByteArray();
  if (slave_ >= 0) ::tcflush(slave_, TCIFLUSH);
  if (master_) master_->setWriteEnabled(false);
  return true;
}

void PtyPort::queue(const QByteArray& bytes) {
  outgoing_ += bytes;
  writeMaster();
}

void PtyPort::writeMaster() {
  while (masterFd() >= 0 && !outgoing_.isEmpty()) {
    const ssize_t n = ::write(masterFd(), outgoing_.constData(), static_cast<size_t>(outgoing_.size()));
    if (n > 0) {
      outgoing_.remove(0, static_cast<int>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) outgoing_.clear();  // the pty is gone; nobody will read it
    break;
  }
  if (masterFd() >= 0) master_->setWriteEnabled(!outgoing_.isEmpty());
}

}  // namespace kestrova::sim
