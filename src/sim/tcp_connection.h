#pragma once
// One accepted TCP connection of a simulated printer, on its raw descriptor: reads what arrives
// into its Session and writes the replies. It keeps sending after the peer's half-close, so a
// query sent together with the FIN is still answered before the close.
//
// At most kReadPerTurn bytes are read per wake-up, so one busy client cannot keep the event loop
// from the others. Unsent replies are bounded by the Session (Session::unsentLimit()); over the
// bound the connection is dropped at once and logged as "drop: N bytes unsent (limit L)".
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include "sim/loop_timer.h"
#include "sim/watched_descriptor.h"

namespace kestrova::sim {

class Session;
class SimLog;
class SimPrinter;
struct Faults;

class TcpConnection {
 public:
  static constexpr int kReadPerTurn = 64 * 1024;
  // After the peer's half-close or a drop after N commands, the replies get this long to be read.
  static constexpr int kLingerMs = 5000;

  struct Callbacks {
    std::function<void()> printerChanged;
    // The descriptor is closed (another may be accepted in its place). The connection is still
    // inside its own work: its owner destroys it later, from the event loop.
    std::function<void()> closed;
  };

  // Takes over fd (non-blocking).
  TcpConnection(boost::asio::io_context& io, int fd, SimPrinter& printer, const Faults& faults, SimLog& log,
                const QString& link, Callbacks callbacks);
  ~TcpConnection();

 private:
  void readSome();
  void writeSome();
  void write(const QByteArray& bytes);
  void closeWhenSent();
  void closeNow();

  SimLog& log_;
  QString link_;
  Callbacks callbacks_;
  WatchedDescriptor socket_;
  QByteArray outgoing_;
  bool closeWhenSent_ = false;
  std::unique_ptr<Session> session_;
  LoopTimer linger_;
};

}  // namespace kestrova::sim
