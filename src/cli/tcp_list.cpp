#include "cli/tcp_list.h"

#include <QFile>
#include <string>

#include "profile/regular_file.h"

namespace kestrova::cli {

std::optional<std::vector<TcpListEntry>> ReadTcpList(const std::string& path, std::string& error) {
  QFile file;
  if (!profile::OpenRegularFile(path, file, error, QIODevice::Text)) return std::nullopt;
  std::vector<TcpListEntry> entries;
  int line = 0;
  // A line is one address; a longer one means the file is not an address list, and reading it
  // whole could take all memory.
  constexpr qint64 kMaxLine = 1024;
  while (!file.atEnd()) {
    ++line;
    QByteArray text = file.readLine(kMaxLine + 1);
    if (text.size() >= kMaxLine && !text.endsWith('\n')) {
      error = "line " + std::to_string(line) + ": longer than " + std::to_string(kMaxLine) + " characters";
      return std::nullopt;
    }
    // A NUL byte would cut the entry short in some places and not in others: no text file has one.
    if (text.contains('\0')) {
      error = "line " + std::to_string(line) + ": holds a NUL byte";
      return std::nullopt;
    }
    const qsizetype hash = text.indexOf('#');
    if (hash >= 0) text.truncate(hash);
    text = text.trimmed();
    if (!text.isEmpty()) entries.push_back({line, text.toStdString()});
  }
  return entries;
}

}  // namespace kestrova::cli
