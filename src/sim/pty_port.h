#pragma once
// A simulated printer on a pseudo-terminal: the master side is served here, a symbolic link at the
// given path points to the slave device, which the tool opens like a serial port. The pty is raw.
// The simulator keeps the slave open itself, so the pty lives on while the tool closes and reopens
// the link path.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "sim/loop_timer.h"
#include "sim/reply_faults.h"
#include "sim/watched_descriptor.h"

namespace kestrova::sim {

class Session;
class SimLog;
class SimPrinter;

class PtyPort {
 public:
  // printerChanged runs when the printer's pending values changed (to be saved).
  PtyPort(boost::asio::io_context& io, SimPrinter& printer, const Faults& faults, SimLog& log,
          std::function<void()> printerChanged);
  ~PtyPort();

  bool open(const QString& linkPath, QString* error);
  void close();
  QString slaveName() const { return slaveName_; }
  QString link() const { return QStringLiteral("pty:") + linkPath_; }
  // Answers only while the port is set to this speed (0: any); what arrives at another speed is
  // dropped, as a printer takes garbage for it.
  void setRequiredBaud(int baud) { requiredBaud_ = baud; }

 private:
  void closeWhenRead();
  void pollUntilRead(std::chrono::steady_clock::time_point deadline);
  void readMaster();
  void writeMaster();
  void queue(const QByteArray& bytes);
  bool discardUnread(qint64 unsent);

  int masterFd() const { return master_ ? master_->fd() : -1; }

  boost::asio::io_context& io_;
  SimPrinter& printer_;
  Faults faults_;
  SimLog& log_;
  std::function<void()> printerChanged_;
  QString linkPath_;
  QString slaveName_;
  bool speedMatches() const;

  std::unique_ptr<WatchedDescriptor> master_;
  int requiredBaud_ = 0;
  int slave_ = -1;
  bool linkMade_ = false;
  QByteArray outgoing_;
  std::unique_ptr<Session> session_;
  // While closing: polls the slave until the tool has read the last replies (or a deadline).
  LoopTimer closePoll_;
};

}  // namespace kestrova::sim
