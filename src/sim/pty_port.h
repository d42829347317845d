#pragma once
// A simulated printer on a pseudo-terminal: the master side is served here, a symbolic link at the
// given path points to the slave device, which the tool opens like a serial port. The pty is raw.
// The simulator keeps the slave open itself, so the pty lives on while the tool closes and reopens
// the link path.
#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include "sim/reply_faults.h"

namespace kestrova::sim {

class Session;
class SimLog;
class SimPrinter;

class PtyPort : public QObject {
  Q_OBJECT
 public:
  PtyPort(SimPrinter& printer, const Faults& faults, SimLog& log, QObject* parent = nullptr);
  ~PtyPort() override;

  bool open(const QString& linkPath, QString* error);
  void close();
  QString slaveName() const { return slaveName_; }
  QString link() const { return QStringLiteral("pty:") + linkPath_; }
  // Answers only while the port is set to this speed (0: any); what arrives at another speed is
  // dropped, as a printer takes garbage for it.
  void setRequiredBaud(int baud) { requiredBaud_ = baud; }

 signals:
  void printerChanged();

 private:
  void closeWhenRead();
  void readMaster();
  void writeMaster();
  void queue(const QByteArray& bytes);
  bool discardUnread(qint64 unsent);

  SimPrinter& printer_;
  Faults faults_;
  SimLog& log_;
  QString linkPath_;
  QString slaveName_;
  bool speedMatches() const;

  int master_ = -1;
  int requiredBaud_ = 0;
  int slave_ = -1;
  QByteArray outgoing_;
  QSocketNotifier* readNotifier_ = nullptr;  // children of this port
  QSocketNotifier* writeNotifier_ = nullptr;
  Session* session_ = nullptr;
};

}  // namespace kestrova::sim
