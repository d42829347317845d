#include "cli/tcp_list.h"

#include <QFile>

namespace kestrova::cli {

std::optional<std::vector<TcpListEntry>> ReadTcpList(const std::string& path, std::string& error) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = file.errorString().toStdString();
    return std::nullopt;
  }
  std::vector<TcpListEntry> entries;
  int line = 0;
  while (!file.atEnd()) {
    ++line;
    QByteArray text = file.readLine();
    const qsizetype hash = text.indexOf('#');
    if (hash >= 0) text.truncate(hash);
    text = text.trimmed();
    if (!text.isEmpty()) entries.push_back({line, text.toStdString()});
  }
  return entries;
}

}  // namespace kestrova::cli
