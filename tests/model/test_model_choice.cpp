#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include "model/catalogue.h"
#include "model/model_choice.h"
#include "recording_notifier.h"

using namespace kestrova;

namespace {
QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}
// What the window does at start: load, select, then the change handler saves the position of the
// entry shown (or -1 for none) and derives SelectedModelNo from its text.
int StartUp(const std::string& dir, Notifier& notifier, ModelNo* selected) {
  const int position = LoadModelChoice(dir);
  const std::string text = position >= 0 ? ModelListEntries()[static_cast<std::size_t>(position)] : "";
  *selected = SelectedModelNoFromText(text);
  SaveModelChoice(ModelListPositionOf(text), notifier, dir);
  return position;
}
}  // namespace

class ModelChoiceTest : public QObject {
  Q_OBJECT
 private slots:
  // The file's content (nullptr: no file), the list position restored, the model selected, and
  // what the change handler writes back; the next start restores the same choice.
  void startUp() {
    const struct {
      const char* content;
      int position, selected;
      const char* rewritten;
    } rows[] = {{nullptr, 6, 9, "6"},   {"99", -1, 0, "-1"},  {"-1", -1, 0, "-1"},  {"0006", 0, 1, "0"},
                {" 7x", 7, 10, "7"},    {"", 0, 1, "0"},      {"14", 14, 0, "14"},  {"8", 8, 13, "8"},
                {"16", -1, 0, "-1"},    {"1234", -1, 0, "-1"}};  // only three characters are read
    for (const auto& row : rows) {
      QTemporaryDir dir;
      const QString path = dir.filePath("modelno.dat");
      if (row.content) WriteAll(path, row.content);
      RecordingNotifier notifier;
      ModelNo selectedNo = 255;
      const int position = StartUp(dir.path().toStdString(), notifier, &selectedNo);
      const QString key = QString("%1: ").arg(row.content ? row.content : "no file");
      QCOMPARE(key + QString("%1 %2 %3").arg(position).arg(int(selectedNo)).arg(QString(ReadAll(path))),
               key + QString("%1 %2 %3").arg(row.position).arg(row.selected).arg(row.rewritten));
      QVERIFY(notifier.messages.empty());
      QVERIFY(!QFile::exists(path + ".tmp"));
      QCOMPARE(StartUp(dir.path().toStdString(), notifier, &selectedNo), row.position);
    }
  }

  void unwritableDirectoryNotifies() {
    // a path below a regular file cannot be written, whoever runs the test
    QTemporaryDir dir;
    WriteAll(dir.filePath("file"), "x");
    const std::string below = dir.filePath("file").toStdString();  // a file, not a directory
    RecordingNotifier notifier;
    QVERIFY(!SaveModelChoice(3, notifier, below));
    QCOMPARE(notifier.messages.size(), std::size_t(1));
    QCOMPARE(notifier.messages[0].text, std::string("Can't save default com port setting !!"));
    QCOMPARE(notifier.messages[0].caption, std::string("Error"));
    QCOMPARE(notifier.messages[0].icon, MessageIcon::Error);
    QCOMPARE(LoadModelChoice(below), kDefaultModelListPosition);
  }

  void temporaryFileRefusedWritesInPlace() {
    // the temporary file cannot be made (a folder holds its name), the file itself can be rewritten
    QTemporaryDir dir;
    WriteAll(dir.filePath("modelno.dat"), "6");
    QVERIFY(QDir(dir.path()).mkdir("modelno.dat.tmp"));
    RecordingNotifier notifier;
    QVERIFY(SaveModelChoice(12, notifier, dir.path().toStdString()));
    QVERIFY(notifier.messages.empty());
    QCOMPARE(ReadAll(dir.filePath("modelno.dat")), QByteArray("12"));
  }

  void longWorkingDirectory() {
    QTemporaryDir dir;
    QString deep = dir.path();
    while (deep.size() < 300) deep += "/a-rather-long-directory-name";
    QVERIFY(QDir().mkpath(deep));
    RecordingNotifier notifier;
    QVERIFY(SaveModelChoice(12, notifier, deep.toStdString()));
    QCOMPARE(LoadModelChoice(deep.toStdString()), 12);
    // the working directory is used when no directory is given
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(deep));
    QCOMPARE(LoadModelChoice(), 12);
    QVERIFY(QDir::setCurrent(previous));
  }
};

QTEST_APPLESS_MAIN(ModelChoiceTest)
#include "test_model_choice.moc"
