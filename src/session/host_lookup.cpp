#include "session/host_lookup.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>
#include <cstdint>

#include "link/link_limits.h"
#include "link/tcp_link.h"

namespace kestrova {

bool ResolveHost(const std::string& host, std::string& address, std::string& error) {
  std::uint32_t parsed = 0;
  if (ParseHostText(host, parsed)) {
    address = host;
    return true;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  bool done = false;
  QHostInfo info;
  const int id = QHostInfo::lookupHost(QString::fromStdString(host), &loop, [&](const QHostInfo& found) {
    info = found;
    done = true;
    loop.quit();
  });
  timer.start(kConnectTimeoutMs);
  if (!done) loop.exec();
  if (!done) {
    QHostInfo::abortHostLookup(id);
    error = host + ": name lookup timed out";
    return false;
  }
  for (const QHostAddress& a : info.addresses()) {
    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
      address = a.toString().toStdString();
      return true;
    }
  }
  error = host + ": " + (info.error() != QHostInfo::NoError ? info.errorString().toStdString() : "no IPv4 address");
  return false;
}

}  // namespace kestrova
