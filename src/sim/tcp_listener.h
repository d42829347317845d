#pragma once
// A simulated printer's TCP port: every accepted connection gets its own TcpConnection.
//
// At the open-file limit accept() fails (EMFILE, ENFILE, ENOBUFS, ENOMEM) while the connection
// stays queued; the listening socket would stay readable and the event loop would spin. So the
// listener stops watching it ("accept paused ..." in the log) until a descriptor is freed
// (resumeAccepting(), called when any connection closes) or, as a fallback for descriptors freed
// elsewhere, kRetryMs later. The queued clients are served once accepting goes on.
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include "sim/reply_faults.h"

class QSocketNotifier;

namespace kestrova::sim {

class SimLog;
class SimPrinter;

class TcpListener : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRetryMs = 1000;

  TcpListener(SimPrinter& printer, const Faults& faults, SimLog& log, QObject* parent = nullptr);
  ~TcpListener() override;

  bool listen(const QHostAddress& address, quint16 port, QString* error);
  quint16 port() const { return port_; }
  QString link() const { return QStringLiteral("tcp:%1").arg(port()); }

  // Watches the listening socket again after accepting was paused; nothing when it was not.
  void resumeAccepting();

 signals:
  void printerChanged();
  // A connection closed: its descriptor can be used again.
  void descriptorFreed();

 private:
  void acceptSome();

  SimPrinter& printer_;
  Faults faults_;
  SimLog& log_;
  int fd_ = -1;
  quint16 port_ = 0;
  QSocketNotifier* notifier_ = nullptr;
  bool paused_ = false;
  bool pauseLogged_ = false;
  QTimer retry_;
};

}  // namespace kestrova::sim
