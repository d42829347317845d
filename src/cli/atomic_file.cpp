#include "cli/atomic_file.h"

#include <QSaveFile>

namespace kestrova::cli {

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error) {
  // QSaveFile writes to a temporary file beside path and renames it on commit(); on any failure
  // it removes the temporary file.
  QSaveFile file(QString::fromStdString(path));
  const auto size = static_cast<qint64>(content.size());
  if (!file.open(QIODevice::WriteOnly) || file.write(content.data(), size) != size || !file.commit()) {
    error = file.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace kestrova::cli
