#include "sim/sim_log.h"

#include <QDateTime>

namespace kestrova::sim {

bool SimLog::open(const QString& path, QString* error) {
  if (path.isEmpty()) return true;
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
    if (error) *error = QStringLiteral("cannot open log file %1: %2").arg(path, file_.errorString());
    return false;
  }
  return true;
}

void SimLog::line(const QString& link, const QString& kind, const QByteArray& text) {
  if (!file_.isOpen()) return;
  QByteArray l = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
  l += ' ' + link.toUtf8() + ' ' + kind.toUtf8();
  if (!text.isEmpty()) l += ' ' + text;
  l += '\n';
  file_.write(l);
  file_.flush();
}

}  // namespace kestrova::sim
