#include "cli/atomic_file.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrova::cli {

namespace {

// The folder's entry of the rename on disk too, so that a crash right after keeps the new file.
void SyncFolder(const std::string& path) {
  const int fd = ::open(QFileInfo(QString::fromStdString(path)).absolutePath().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error) {
  // QSaveFile writes to a temporary file beside path and renames it on commit(); on any failure
  // it removes the temporary file. The temporary file gets mode 0644 before the rename, whatever
  // the umask, so a collector running as another user can read it; its bytes reach the disk
  // before the rename, so the name never points at a file the disk does not hold whole.
  QSaveFile file(QString::fromStdString(path));
  const auto size = static_cast<qint64>(content.size());
  if (!file.open(QIODevice::WriteOnly) || file.write(content.data(), size) != size || !file.flush()) {
    error = file.errorString().toStdString();
    return false;
  }
  if (::fchmod(file.handle(), 0644) != 0 || ::fsync(file.handle()) != 0) {
    error = std::strerror(errno);
    file.cancelWriting();
    file.commit();
    return false;
  }
  if (!file.commit()) {
    error = file.errorString().toStdString();
    return false;
  }
  SyncFolder(path);
  return true;
}

}  // namespace kestrova::cli
