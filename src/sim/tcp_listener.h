#pragma once
// A simulated printer's TCP port: every accepted connection gets its own Session.
#include <QHostAddress>
#include <QTcpServer>

#include "sim/reply_faults.h"

namespace kestrova::sim {

class SimLog;
class SimPrinter;

class TcpListener : public QObject {
  Q_OBJECT
 public:
  TcpListener(SimPrinter& printer, const Faults& faults, SimLog& log, QObject* parent = nullptr);

  bool listen(const QHostAddress& address, quint16 port, QString* error);
  quint16 port() const { return server_.serverPort(); }
  QString link() const { return QStringLiteral("tcp:%1").arg(port()); }

 signals:
  void printerChanged();

 private:
  void accept();

  SimPrinter& printer_;
  Faults faults_;
  SimLog& log_;
  QTcpServer server_;
};

}  // namespace kestrova::sim
