#pragma once
// One accepted TCP connection of a simulated printer, on its raw descriptor: reads what arrives
// into its Session and writes the replies. Unlike a QTcpSocket it keeps sending after the peer's
// half-close, so a query sent together with the FIN is still answered before the close.
//
// At most kReadPerTurn bytes are read per wake-up, so one busy client cannot keep the event loop
// from the others. Unsent replies are bounded by the Session (Session::unsentLimit()); over the
// bound the connection is dropped at once and logged as "drop: N bytes unsent (limit L)".
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace kestrova::sim {

class Session;
class SimLog;
class SimPrinter;
struct Faults;

class TcpConnection : public QObject {
  Q_OBJECT
 public:
  static constexpr int kReadPerTurn = 64 * 1024;
  // After the peer's half-close or a drop after N commands, the replies get this long to be read.
  static constexpr int kLingerMs = 5000;

  // Takes over fd (non-blocking); deletes itself once closed.
  TcpConnection(int fd, SimPrinter& printer, const Faults& faults, SimLog& log, const QString& link,
                QObject* parent = nullptr);
  ~TcpConnection() override;

 signals:
  void printerChanged();
  // The descriptor is closed (another may be accepted in its place).
  void closed();

 private:
  void readSome();
  void writeSome();
  void write(const QByteArray& bytes);
  void closeWhenSent();
  void closeNow();

  int fd_;
  SimLog& log_;
  QString link_;
  QByteArray outgoing_;
  bool closeWhenSent_ = false;
  QSocketNotifier* readNotifier_;
  QSocketNotifier* writeNotifier_;
  Session* session_;
  QTimer linger_;
};

}  // namespace kestrova::sim
