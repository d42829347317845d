#pragma once
// A simulated printer's TCP port: every accepted connection gets its own TcpConnection.
//
// At the open-file limit accept() fails (EMFILE, ENFILE, ENOBUFS, ENOMEM) while the connection
// stays queued; the listening socket would stay readable and the event loop would spin. So the
// listener stops watching it ("accept paused ..." in the log) until a descriptor is freed
// (resumeAccepting(), called when any connection closes) or, as a fallback for descriptors freed
// elsewhere, kRetryMs later. The queued clients are served once accepting goes on.
#include <QHostAddress>

#include <functional>
#include <memory>
#include <map>

#include "sim/loop_timer.h"
#include "sim/reply_faults.h"
#include "sim/watched_descriptor.h"

namespace kestrova::sim {

class SimLog;
class SimPrinter;
class TcpConnection;

class TcpListener {
 public:
  static constexpr int kRetryMs = 1000;

  struct Callbacks {
    std::function<void()> printerChanged;
    // A connection closed: its descriptor can be used again.
    std::function<void()> descriptorFreed;
    // Accepting paused for want of descriptors (resumeAccepting() goes on).
    std::function<void(TcpListener*)> paused;
  };

  TcpListener(boost::asio::io_context& io, SimPrinter& printer, const Faults& faults, SimLog& log,
              Callbacks callbacks);
  ~TcpListener();

  bool listen(const QHostAddress& address, quint16 port, QString* error);
  quint16 port() const { return port_; }
  QString link() const { return QStringLiteral("tcp:%1").arg(port()); }

  // Watches the listening socket again after accepting was paused; nothing when it was not.
  void resumeAccepting();

 private:
  void acceptSome();
  // Called by a connection that closed itself: destroyed once its own work is over.
  void connectionClosed(quint64 id);

  boost::asio::io_context& io_;
  SimPrinter& printer_;
  Faults faults_;
  SimLog& log_;
  Callbacks callbacks_;
  std::unique_ptr<WatchedDescriptor> socket_;
  quint16 port_ = 0;
  bool paused_ = false;
  bool pauseLogged_ = false;
  LoopTimer retry_;
  std::map<quint64, std::unique_ptr<TcpConnection>> connections_;  // by accept order
  quint64 nextConnection_ = 0;
};

}  // namespace kestrova::sim
