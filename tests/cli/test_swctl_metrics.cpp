// kestrova-swctl metrics against the printer simulator: the exact samples for plain and hostile
// printer texts on each link, a fleet with a failed and a drifted printer written to a file, and
// every --output failure. Each output also goes through the reference parser of the format.
#include <QtTest>

#include <sys/stat.h>

#include <optional>

#include "cli_harness.h"

using namespace kestrova::cli::testing;

namespace {

// The reference parser (Debian's python3-prometheus-client): each sample as
// "NAME {labels as JSON} VALUE"; a text it refuses makes it fail.
const char* kParser = R"(import json, sys
from prometheus_client.parser import text_string_to_metric_families
for family in text_string_to_metric_families(sys.stdin.read()):
    for s in family.samples:
        print(s.name, json.dumps(s.labels), s.value)
)";

QStringList Parsed(const QByteArray& text) {
  QProcess python;
  python.start("/usr/bin/python3", {"-c", kParser});  // the interpreter the Debian package serves
  python.write(text);
  python.closeWriteChannel();
  if (!python.waitForFinished(30000) || python.exitCode() != 0) return {"parser failed: " + python.readAllStandardError()};
  return QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// The read's duration varies: every one is shown as D.
QString Masked(const QByteArray& text) {
  return QString::fromUtf8(text).replace(QRegularExpression("(_read_duration_seconds\\{[^\\n]*\\}) \\d+\\.\\d{3}\\n"), "\\1 D\n");
}

QStringList Samples(const QByteArray& text) {
  QStringList samples;
  for (const QString& line : Masked(text).split('\n', Qt::SkipEmptyParts))
    if (!line.startsWith('#')) samples << line;
  return samples;
}

// What `promtool check metrics` (Debian's prometheus package) says of a text: "" when it finds
// nothing to warn about; nullopt where promtool is not installed.
std::optional<QString> PromtoolComplaints(const QByteArray& text) {
  if (!QFileInfo::exists("/usr/bin/promtool")) return std::nullopt;
  QProcess promtool;
  promtool.setProcessChannelMode(QProcess::MergedChannels);
  promtool.start("/usr/bin/promtool", {"check", "metrics"});
  promtool.write(text);
  promtool.closeWriteChannel();
  if (!promtool.waitForFinished(30000)) return QString("promtool did not finish");
  const QString said = QString::fromUtf8(promtool.readAll());
  return promtool.exitCode() == 0 ? said : said + QStringLiteral(" (exit %1)").arg(promtool.exitCode());
}

ino_t Inode(const QString& path) {
  struct stat s {};
  return ::stat(path.toLocal8Bit().constData(), &s) == 0 ? s.st_ino : 0;
}

}  // namespace

class SwctlMetricsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or kestrova-printer-sim is not built");
  }

  // One row per printer: its sample lines exactly (L the link, its labels in %1), and the labels
  // of its info sample as the reference parser reads them back.
  void printerSamples_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("serial");  // as the file holds it
    QTest::addColumn<QStringList>("samples");
    QTest::addColumn<QJsonObject>("info");
    const QStringList plain = {"--model", "RT5600", "--firmware", "V2.01", "--serial", "KS12345678", "--code-page", "17", "--charset", "15"};
    const QStringList plainSamples = {
        "kestrova_printer_up{%1} 1", "kestrova_printer_read_duration_seconds{%1} D",
        "kestrova_printer_info{%1,model_name=\"RT-5600\",firmware=\"V2.01\",code_page=\"17 - Cyrillic\",charset=\"15- Ex-Yugoslavia\"} 1",
        "kestrova_printer_power_on_seconds_total{%1} 4442400", "kestrova_printer_cut_paper_total{%1} 5678",
        "kestrova_printer_failed_paper_cut_total{%1} 0", "kestrova_printer_lines_printed_total{%1} 98765"};
    const QJsonObject plainInfo = {{"model", "RT5600"}, {"serial", "KS12345678"}, {"model_name", "RT-5600"}, {"firmware", "V2.01"},
                                   {"code_page", "17 - Cyrillic"}, {"charset", "15- Ex-Yugoslavia"}};
    QTest::newRow("tcp") << "--tcp" << plain << "KS12345678" << plainSamples << plainInfo;
    // The device handle shows each value with a blank after it; labels and numbers go without.
    QTest::newRow("device handle") << "--device" << plain << "KS12345678" << plainSamples << plainInfo;
    // Quotes, backslashes, line breaks and escape sequences stay inside the label; a count that
    // is no decimal number (letters, a sign, more digits than a double holds exactly) is left out.
    QTest::newRow("hostile texts") << "--tcp"
        << QStringList{"--name", "RT-5600 \"q\" \\x\nnext\x1b[2J\x7f\u00e9", "--serial", "KS1\r\n} 1", "--firmware", "V\t1",
                       "--hours", "12a", "--cut-count", "0042", "--failed-cuts", "-1", "--lines", "1234567890123456"}
        << "KS1\\n} 1"
        << QStringList{"kestrova_printer_up{%1} 1", "kestrova_printer_read_duration_seconds{%1} D",
                       "kestrova_printer_info{%1,model_name=\"RT-5600 \\\"q\\\" \\\\x\\nnext[2J\xc3\x83\xc2\xa9\",firmware=\"V1\","
                       "code_page=\"0  - Standard\",charset=\"0 - U.S.A.\"} 1",
                       "kestrova_printer_cut_paper_total{%1} 42"}
        << QJsonObject{{"model", "RT5600"}, {"serial", "KS1\n} 1"}, {"model_name", "RT-5600 \"q\" \\x\nnext[2J\u00c3\u00a9"},
                       {"firmware", "V1"}, {"code_page", "0  - Standard"}, {"charset", "0 - U.S.A."}};
    // Power-on hours whose count of seconds a double would no longer hold exactly are left out;
    // a count of 15 digits is kept.
    const QString defaults = "firmware=\"V1.05\",code_page=\"0  - Standard\",charset=\"0 - U.S.A.\"} 1";
    QTest::newRow("counts at the limit") << "--tcp" << QStringList{"--hours", "2501999792984", "--lines", "999999999999999"}
        << "KS00000001"
        << QStringList{"kestrova_printer_up{%1} 1", "kestrova_printer_read_duration_seconds{%1} D",
                       "kestrova_printer_info{%1,model_name=\"RT-5600\"," + defaults, "kestrova_printer_cut_paper_total{%1} 5678",
                       "kestrova_printer_failed_paper_cut_total{%1} 0", "kestrova_printer_lines_printed_total{%1} 999999999999999"}
        << QJsonObject{{"model", "RT5600"}, {"serial", "KS00000001"}, {"model_name", "RT-5600"}, {"firmware", "V1.05"},
                       {"code_page", "0  - Standard"}, {"charset", "0 - U.S.A."}};
    QTest::newRow("most power-on hours") << "--tcp" << QStringList{"--hours", "2501999792983"} << "KS00000001"
        << QStringList{"kestrova_printer_up{%1} 1", "kestrova_printer_read_duration_seconds{%1} D",
                       "kestrova_printer_info{%1,model_name=\"RT-5600\"," + defaults,
                       "kestrova_printer_power_on_seconds_total{%1} 9007199254738800", "kestrova_printer_cut_paper_total{%1} 5678",
                       "kestrova_printer_failed_paper_cut_total{%1} 0", "kestrova_printer_lines_printed_total{%1} 98765"}
        << QJsonObject{{"model", "RT5600"}, {"serial", "KS00000001"}, {"model_name", "RT-5600"}, {"firmware", "V1.05"},
                       {"code_page", "0  - Standard"}, {"charset", "0 - U.S.A."}};
  }
  void printerSamples() {
    QFETCH(QString, link);
    QFETCH(QStringList, simArgs);
    QFETCH(QString, serial);
    QFETCH(QStringList, samples);
    QFETCH(QJsonObject, info);
    Printer printer;
    const bool tcp = link == "--tcp";
    QVERIFY2(printer.start(simArgs + (tcp ? QStringList{"--tcp", "127.0.0.1:0"} : QStringList{"--pty", printer.ptyPath()})),
             qPrintable(printer.errorText()));
    const QString at = tcp ? printer.tcp() : printer.ptyPath();
    const CliRun run = RunSwctl({"metrics", link, at, "--fast"});
    QCOMPARE(run.errText(), QString());
    QCOMPARE(run.exitCode, 0);
    const QString labels = QStringLiteral("link=\"%1\",model=\"RT5600\",serial=\"%2\"").arg(at, serial);
    QStringList expected;
    for (const QString& s : samples) expected << s.arg(labels);
    QCOMPARE(Samples(run.out), expected);
    QCOMPARE(PromtoolComplaints(run.out).value_or(""), QString());
    const QStringList infos = Parsed(run.out).filter(QRegularExpression("^kestrova_printer_info "));
    QCOMPARE(infos.size(), 1);
    QCOMPARE(infos[0].section(' ', -1), QString("1.0"));
    info.insert("link", at);
    QCOMPARE(QJsonDocument::fromJson(infos[0].section(' ', 1, -2).toUtf8()).object(), info);
  }

  // A fleet against a profile, written to a file that already exists: the matching printer, one
  // that drifted (SW3-8 and the code page) and one that refuses the connection. The failed one
  // has up 0 and its cause on standard error, the file is replaced by a rename, nothing else is
  // left in the folder.
  void fleetToFile() {
    Printer golden;
    QVERIFY2(golden.start({"--switches", "10,20,30,40,50", "--code-page", "19", "--tcp", "127.0.0.1:0", "--count", "2"}, 2),
             qPrintable(golden.errorText()));
    Printer drifted;
    QVERIFY2(drifted.start({"--switches", "10,20,158,40,50", "--tcp", "127.0.0.1:0"}), qPrintable(drifted.errorText()));
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath("golden.json"), RunSwctl({"read", "--tcp", golden.tcp(0), "--json", "--fast"}).out));
    const QString file = dir.filePath("printers.prom");
    QVERIFY(WriteFile(file, "old\n"));
    const ino_t before = Inode(file);
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(FreePort());
    // Under umask 077 (many cron and systemd set-ups) the file is still readable by a collector
    // running as another user.
    const mode_t umask = ::umask(077);
    const CliRun run = RunSwctl({"metrics", "--from", dir.filePath("golden.json"), "--output", file, "--fast", "--tcp",
                                 golden.tcp(1), "--tcp", drifted.tcp(), "--tcp", refused});
    ::umask(umask);
    struct stat written_stat {};
    QCOMPARE(::stat(file.toLocal8Bit().constData(), &written_stat), 0);
    QCOMPARE(written_stat.st_mode & 07777, mode_t{0644});
    QCOMPARE(run.errText(), refused + ": Read software switch FAILED: " + refused + ": connection refused\n");
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"golden.json", "printers.prom"}));
    QVERIFY(Inode(file) != before);
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    const QString a = QStringLiteral("{link=\"%1\",model=\"RT5600\",serial=\"KS00000001\"}").arg(golden.tcp(1));
    const QString b = QStringLiteral("{link=\"%1\",model=\"RT5600\",serial=\"KS00000001\"}").arg(drifted.tcp());
    const QString c = QStringLiteral("{link=\"%1\"}").arg(refused);
    const QString info = ",model_name=\"RT-5600\",firmware=\"V1.05\",code_page=\"%1\",charset=\"0 - U.S.A.\"} 1";
    const QString a_ = a.chopped(1), b_ = b.chopped(1);
    QCOMPARE(Masked(text), QStringList({
        "# HELP kestrova_printer_up 1 when the printer was read, 0 when the read failed.",
        "# TYPE kestrova_printer_up gauge",
        "kestrova_printer_up" + a + " 1", "kestrova_printer_up" + b + " 1", "kestrova_printer_up" + c + " 0",
        "# HELP kestrova_printer_read_duration_seconds Time the read took, connect included, in seconds.",
        "# TYPE kestrova_printer_read_duration_seconds gauge",
        "kestrova_printer_read_duration_seconds" + a + " D", "kestrova_printer_read_duration_seconds" + b + " D",
        "kestrova_printer_read_duration_seconds" + c + " D",
        "# HELP kestrova_printer_info The printer's model name, firmware and language settings; always 1.",
        "# TYPE kestrova_printer_info gauge",
        "kestrova_printer_info" + a_ + info.arg("19 - Multilingual(Euro)"), "kestrova_printer_info" + b_ + info.arg("0  - Standard"),
        "# HELP kestrova_printer_power_on_seconds_total Time the printer has been powered on, in seconds (the whole hours it "
        "reports times 3600).",
        "# TYPE kestrova_printer_power_on_seconds_total counter",
        "kestrova_printer_power_on_seconds_total" + a + " 4442400", "kestrova_printer_power_on_seconds_total" + b + " 4442400",
        "# HELP kestrova_printer_cut_paper_total Paper cuts the printer has made, as it reports.",
        "# TYPE kestrova_printer_cut_paper_total counter",
        "kestrova_printer_cut_paper_total" + a + " 5678", "kestrova_printer_cut_paper_total" + b + " 5678",
        "# HELP kestrova_printer_failed_paper_cut_total Paper cuts that failed, as the printer reports.",
        "# TYPE kestrova_printer_failed_paper_cut_total counter",
        "kestrova_printer_failed_paper_cut_total" + a + " 0", "kestrova_printer_failed_paper_cut_total" + b + " 0",
        "# HELP kestrova_printer_lines_printed_total Lines the printer has printed, as it reports.",
        "# TYPE kestrova_printer_lines_printed_total counter",
        "kestrova_printer_lines_printed_total" + a + " 98765", "kestrova_printer_lines_printed_total" + b + " 98765",
        "# HELP kestrova_printer_profile_match 1 when the printer matches the profile, 0 otherwise.",
        "# TYPE kestrova_printer_profile_match gauge",
        "kestrova_printer_profile_match" + a + " 1", "kestrova_printer_profile_match" + b + " 0",
        "# HELP kestrova_printer_profile_differences Settings that differ from the profile (switches bit by bit, code page, "
        "character set, 8x16 font).",
        "# TYPE kestrova_printer_profile_differences gauge",
        "kestrova_printer_profile_differences" + a + " 0", "kestrova_printer_profile_differences" + b + " 2", ""}).join('\n'));
    QCOMPARE(Parsed(text).size(), 20);  // every sample read back
    QCOMPARE(PromtoolComplaints(text).value_or(""), QString());
  }

  // A printer whose read got no value cleanly (every reply overlong) never matches a profile,
  // though every value it showed equals the profile's.
  void uncleanReadNeverMatches() {
    const QStringList values = {"--switches", "10,20,30,40,50", "--code-page", "19"};
    Printer golden, flaky;
    QVERIFY2(golden.start(values + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(golden.errorText()));
    QVERIFY2(flaky.start(values + QStringList{"--overlong", "40", "--tcp", "127.0.0.1:0"}), qPrintable(flaky.errorText()));
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath("golden.json"), RunSwctl({"read", "--tcp", golden.tcp(), "--json", "--fast"}).out));
    const CliRun run = RunSwctl({"metrics", "--from", dir.filePath("golden.json"), "--fast", "--tcp", flaky.tcp()});
    QCOMPARE(run.exitCode, 0);
    const QString sample = "^kestrova_printer_profile_%1\\{link=\"" + QRegularExpression::escape(flaky.tcp()) + "\",[^}]*\\} %2$";
    for (const auto& [family, value] : {std::pair{"match", "0"}, std::pair{"differences", "8"}})
      QVERIFY2(run.outText().contains(QRegularExpression(sample.arg(family, value), QRegularExpression::MultilineOption)),
               qPrintable(run.outText()));
  }

  // --output failures: a path that cannot be written is a usage error before any printer is
  // read; a folder that refuses the new file at the end is a failure, with nothing left behind.
  void outputFailures_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    QTest::newRow("no folder") << "DIR/none/printers.prom" << 2 << "--output PATH: the folder DIR/none does not exist";
    QTest::newRow("a folder") << "DIR" << 2 << "--output PATH: a directory; give a file name";
    QTest::newRow("a device") << "/dev/null" << 2 << "--output PATH: not a regular file";
    // A folder that takes no new file although its mode says it does (the tests run as root).
    QTest::newRow("refused at the end") << "/proc/printers.prom" << 1 << "--output PATH: No such file or directory";
  }
  void outputFailures() {
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QString, err);
    Printer printer;
    QVERIFY2(printer.start({"--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    QTemporaryDir dir;
    const QString output = QString(path).replace("DIR", dir.path());
    const CliRun run = RunSwctl({"metrics", "--tcp", printer.tcp(), "--fast", "--output", output});
    QCOMPARE(run.errText(), "kestrova-swctl: " + QString(err).replace("PATH", output).replace("DIR", dir.path()) + "\n");
    QCOMPARE(run.exitCode, status);
    QCOMPARE(printer.received().isEmpty(), status == 2);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
  }
};

QTEST_GUILESS_MAIN(SwctlMetricsTest)
#include "test_swctl_metrics.moc"
