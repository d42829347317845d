#include "profile/regular_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrova::profile {

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "of another kind";
}

}  // namespace

bool OpenRegularFile(const std::string& path, QFile& file, std::string& error, QIODevice::OpenMode extra) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, and a serial
  // device for its carrier. The check is made on the opened descriptor, so the file cannot be
  // swapped between the check and the read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    error = std::strerror(errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    error = std::string("not a regular file (") + KindOf(status.st_mode) + ")";
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (!file.open(fd, QIODevice::ReadOnly | extra, QFileDevice::AutoCloseHandle)) {
    error = file.errorString().toStdString();
    return false;
  }
  return true;
}

std::optional<QByteArray> ReadProfileFile(const std::string& path, std::string& error) {
  QFile file;
  if (!OpenRegularFile(path, file, error)) return std::nullopt;
  QByteArray data = file.read(kProfileFileLimit + 1);
  if (data.size() > kProfileFileLimit) {
    error = "larger than 1 MiB; not a profile";
    return std::nullopt;
  }
  return data;
}

}  // namespace kestrova::profile
