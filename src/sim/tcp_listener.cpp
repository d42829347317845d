#include "sim/tcp_listener.h"

#include <QTcpSocket>

#include "sim/session.h"
#include "sim/sim_log.h"

namespace kestrova::sim {

TcpListener::TcpListener(SimPrinter& printer, const Faults& faults, SimLog& log, QObject* parent)
    : QObject(parent), printer_(printer), faults_(faults), log_(log) {
  connect(&server_, &QTcpServer::newConnection, this, &TcpListener::accept);
}

bool TcpListener::listen(const QHostAddress& address, quint16 port, QString* error) {
  if (server_.listen(address, port)) return true;
  if (error)
    *error = QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(server_.errorString());
  return false;
}

void TcpListener::accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    const QString link = this->link();
    log_.event(link, QStringLiteral("connect %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()));
    auto* session = new Session(
        printer_, faults_, log_, link, [socket](const QByteArray& b) { socket->write(b); },
        [socket] { socket->disconnectFromHost(); }, socket);
    connect(session, &Session::printerChanged, this, &TcpListener::printerChanged);
    connect(socket, &QTcpSocket::readyRead, session, [socket, session] { session->receive(socket->readAll()); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket, link] {
      log_.event(link, QStringLiteral("disconnect"));
      socket->deleteLater();
    });
  }
}

}  // namespace kestrova::sim
