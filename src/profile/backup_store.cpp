#include "profile/backup_store.h"

#include <QDir>
#include <QJsonDocument>
#include <QRegularExpression>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "profile/profile_json.h"
#include "profile/regular_file.h"

namespace kestrova::profile {

namespace {

const QRegularExpression& NamePattern() {
  static const QRegularExpression pattern(
      R"(^(\d{4}-\d\d-\d\d)T(\d\d)-(\d\d)-(\d\d)Z(_\d+)?\.json$)");
  return pattern;
}

std::string Trimmed(const std::string& text) { return QString::fromLatin1(text.c_str()).trimmed().toLatin1().toStdString(); }

std::string SystemError(const std::string& path, int error) { return path + ": " + std::strerror(error); }

// Every missing folder of path, as `mkdir -p` makes them; false with the reason otherwise.
bool MakeFolders(const std::string& path, std::string& error) {
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string part = path.substr(0, end);
    struct stat st{};
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return error = SystemError(part, errno), false;
    if (::stat(part.c_str(), &st) != 0) return error = SystemError(part, errno), false;
    if (!S_ISDIR(st.st_mode)) return error = SystemError(part, ENOTDIR), false;
    if (end == std::string::npos) return true;
  }
}

bool WriteAll(int fd, const QByteArray& bytes) {
  for (qsizetype done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

// Gives the whole temporary file its final name, never replacing a file: a hard link fails when
// the name is taken; where the file system has no hard links, a rename that refuses to replace.
int LinkWithoutReplacing(const std::string& temporary, const std::string& name) {
  if (::link(temporary.c_str(), name.c_str()) == 0) return 0;
  const int linkError = errno;
  if (linkError != EPERM && linkError != ENOTSUP && linkError != EOPNOTSUPP && linkError != ENOSYS) return linkError;
  if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
  return errno == EINVAL || errno == ENOSYS ? linkError : errno;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::optional<BackupEntry> ReadEntry(const QString& path, const QString& name, std::string& problem) {
  const auto match = NamePattern().match(name);
  std::string error;
  const auto bytes = ReadProfileFile(path.toStdString(), error);
  const auto profile = bytes ? ParseProfile(*bytes, error, OpenBytes::Allowed) : std::nullopt;
  if (!profile) {
    problem = path.toStdString() + ": " + error;
    return std::nullopt;
  }
  const QJsonObject root = QJsonDocument::fromJson(*bytes).object();
  const QJsonObject printer = root.value("printer").toObject();
  BackupEntry e;
  e.path = path.toStdString();
  e.taken = (match.captured(1) + " " + match.captured(2) + ":" + match.captured(3) + ":" + match.captured(4) + " UTC").toStdString();
  e.source = {root.value("link").toString().toLatin1().toStdString(),
              printer.value("serialNumber").toString().toLatin1().toStdString(),
              printer.value("firmwareRevision").toString().toLatin1().toStdString()};
  e.model = profile->model;
  return e;
}

// The backup files of one folder, newest first.
QStringList BackupFiles(const QString& folder) {
  QStringList names = QDir(folder).entryList(QDir::Files);
  names.erase(std::remove_if(names.begin(), names.end(), [](const QString& n) { return !NamePattern().match(n).hasMatch(); }),
              names.end());
  // The name sorts by time; a suffix counts up within one second.
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a > b; });
  return names;
}

}  // namespace

std::string BackupRoot(const std::string& dir) {
  if (!dir.empty()) return dir;
  // XDG: a relative XDG_STATE_HOME is ignored.
  const QString state = qEnvironmentVariable("XDG_STATE_HOME");
  const QString base = state.startsWith('/') ? state : QDir::homePath() + "/.local/state";
  return (base + "/kestrova-swutil/backups").toStdString();
}

std::string BackupFolderName(const BackupSource& source) {
  std::string name = Trimmed(source.serialNumber);
  if (name.empty()) name = source.link;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
  if (name.empty() || name.front() == '.') name.insert(0, "_");
  return name;
}

QByteArray SerializeBackup(const PrinterProfile& profile, const BackupSource& source) {
  QJsonObject root = QJsonDocument::fromJson(SerializeProfile(profile)).object();
  QJsonObject printer = root.value("printer").toObject();
  printer.insert("serialNumber", JsonText(Trimmed(source.serialNumber)));
  printer.insert("firmwareRevision", JsonText(Trimmed(source.firmware)));
  root.insert("printer", printer);
  root.insert("link", JsonText(source.link));
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<std::string> SaveBackup(const std::string& root, const PrinterProfile& profile, const BackupSource& source,
                                      std::string& error, const QDateTime& nowUtc) {
  const std::string folder = QDir::cleanPath(QDir(QString::fromStdString(root)).absolutePath()).toStdString() + "/" +
                             BackupFolderName(source);
  if (!MakeFolders(folder, error)) return std::nullopt;
  std::string temporary = folder + "/.backup-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return error = SystemError(folder, errno), std::nullopt;
  // Readable by the other users of a shared folder, whatever the umask; on disk before it is named.
  const bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, SerializeBackup(profile, source)) && ::fsync(fd) == 0;
  const int writeError = errno;
  ::close(fd);
  if (!written) {
    ::unlink(temporary.c_str());
    return error = SystemError(temporary, writeError), std::nullopt;
  }
  const std::string stem = folder + "/" + nowUtc.toUTC().toString("yyyy-MM-ddTHH-mm-ss").toStdString() + "Z";
  std::optional<std::string> saved;
  std::string failure;
  for (int n = 1; !saved && failure.empty(); ++n) {
    char suffix[16] = "";
    if (n > 1) std::snprintf(suffix, sizeof suffix, "_%03d", n);
    const std::string name = stem + suffix + ".json";
    const int linkError = LinkWithoutReplacing(temporary, name);
    if (linkError == 0) saved = name;
    else if (linkError != EEXIST) failure = SystemError(name, linkError);
  }
  ::unlink(temporary.c_str());  // gone already after a rename
  if (!saved) return error = failure, std::nullopt;
  SyncFolder(folder);
  return saved;
}

std::vector<BackupEntry> ListBackups(const std::string& root, const std::string& printer, std::vector<std::string>& problems) {
  std::vector<BackupEntry> entries;
  const QDir dir(QString::fromStdString(root));
  const QString wanted = QString::fromStdString(BackupFolderName({printer, {}, {}}));
  for (const QString& folder : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    for (const QString& name : BackupFiles(dir.filePath(folder))) {
      std::string problem;
      auto e = ReadEntry(dir.filePath(folder) + "/" + name, name, problem);
      if (!e) {
        problems.push_back(problem);
        continue;
      }
      if (printer.empty() || folder == wanted || e->source.link == printer || e->source.serialNumber == printer)
        entries.push_back(*e);
    }
  }
  std::stable_sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
    const QString an = QString::fromStdString(a.path).section('/', -1), bn = QString::fromStdString(b.path).section('/', -1);
    return an > bn;
  });
  return entries;
}

std::optional<std::string> NewestBackup(const std::string& root, const BackupSource& source) {
  const QString folder = QString::fromStdString(root + "/" + BackupFolderName(source));
  const QStringList files = BackupFiles(folder);
  if (files.isEmpty()) return std::nullopt;
  return (folder + "/" + files.first()).toStdString();
}

}  // namespace kestrova::profile
