#pragma once
// The simulator's log file: one line per received chunk, per reply sent and per event, each
// flushed at once so that a test can read the file while the simulator runs.
//
//   <local time yyyy-MM-ddTHH:mm:ss.zzz> <link> rx <hex bytes>
//   <local time> <link> tx <hex bytes>
//   <local time> <link> event <text>
//
// <link> is "tcp:<port>" or "pty:<link path>"; hex bytes are lower-case pairs separated by blanks.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace kestrova::sim {

class SimLog {
 public:
  // An empty path gives a log that writes nothing.
  bool open(const QString& path, QString* error);

  void rx(const QString& link, const QByteArray& bytes) { line(link, QStringLiteral("rx"), bytes.toHex(' ')); }
  // An rx line whose text is made already (hex pairs, with "(N more bytes)" for bytes left out).
  void rxText(const QString& link, const QByteArray& text) { line(link, QStringLiteral("rx"), text); }
  void tx(const QString& link, const QByteArray& bytes) { line(link, QStringLiteral("tx"), bytes.toHex(' ')); }
  void event(const QString& link, const QString& text) { line(link, QStringLiteral("event"), text.toUtf8()); }

 private:
  void line(const QString& link, const QString& kind, const QByteArray& text);

  QFile file_;
};

}  // namespace kestrova::sim
