#pragma once
// One link to a simulated printer (a TCP connection or the pty): takes the received bytes, runs
// them on the printer, logs, and sends the replies as the faults shape them. The transport hands
// in a writer and a closer and knows nothing of commands.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

#include "sim/command_parser.h"
#include "sim/reply_faults.h"

namespace kestrova::sim {

class SimLog;
class SimPrinter;

class Session : public QObject {
  Q_OBJECT
 public:
  using Writer = std::function<void(const QByteArray&)>;
  using Closer = std::function<void()>;

  Session(SimPrinter& printer, const Faults& faults, SimLog& log, QString link, Writer writer,
          Closer closer, QObject* parent = nullptr);

  void receive(const QByteArray& bytes);

 signals:
  // The printer's pending values changed (to be saved).
  void printerChanged();

 private:
  void send(const QByteArray& bytes);
  void sendDue();
  void closeIfDone();

  SimPrinter& printer_;
  Faults faults_;
  SimLog& log_;
  QString link_;
  Writer writer_;
  Closer closer_;
  CommandParser parser_;
  quint32 garbageState_ = 0x2545F491u;
  int commands_ = 0;
  bool dropping_ = false;
  bool closed_ = false;

  struct Delayed {
    qint64 due;
    QByteArray bytes;
  };
  std::deque<Delayed> delayed_;
  QElapsedTimer clock_;
  QTimer timer_;
};

}  // namespace kestrova::sim
