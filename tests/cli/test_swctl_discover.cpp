// kestrova-swctl discover on 127.0.0.0/24: simulated printers on several 127.0.0.x addresses, a
// simulator that reports an unknown model and a listener that says nothing. Exactly the printers
// are found, in address order; the peers that are not printers get the model-name query alone.
// The file_sd output goes through promtool and the inventory through ansible-inventory.
#include <QtTest>

#include <QTcpServer>
#include <QTcpSocket>

#include "cli_harness.h"

using namespace kestrova::cli::testing;

namespace {

const QString kModelQuery = "1d 49 43 00";
const QString kSerialQuery = "1d 67 34 05";

// Runs a Debian tool (promtool, ansible-inventory); its output, or "" when it is not installed.
QString Tool(const QString& program, const QStringList& args, int& status) {
  status = -1;
  if (QStandardPaths::findExecutable(program).isEmpty()) return {};
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForFinished(60000)) return "did not finish";
  status = p.exitCode();
  return QString::fromUtf8(p.readAll());
}

}  // namespace

class SwctlDiscoverTest : public QObject {
  Q_OBJECT
  quint16 port_ = 0;
  Printer printers_[4];  // RT5600 at .2, KD240 at .3, RT3200 at .5, an unknown model at .7
  QTcpServer silent_;    // at .9: accepts, never answers

 private slots:
  void initTestCase() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or kestrova-printer-sim is not built");
    port_ = FreePort();
    const QStringList hosts = {"127.0.0.2", "127.0.0.3", "127.0.0.5", "127.0.0.7"};
    const QStringList models[] = {{"--model", "RT5600"}, {"--model", "KD240", "--serial", "KD0042"},
                                  {"--model", "RT3200"}, {"--name", "LaserJet"}};
    for (int i = 0; i < 4; ++i)
      QVERIFY2(printers_[i].start(models[i] + QStringList{"--tcp", QStringLiteral("%1:%2").arg(hosts[i]).arg(port_)}),
               qPrintable(printers_[i].errorText()));
    QVERIFY(silent_.listen(QHostAddress("127.0.0.9"), port_));
  }

  // Every output format of the same scan: exact stdout; the two peers that are not printers on
  // standard error; only the model-name query to them, and the serial query to the printers.
  void formats_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("out");
    QTest::newRow("lines") << QStringList{} << "127.0.0.2:{P} RT5600 KS00000001\n127.0.0.3:{P} KD240 KD0042\n127.0.0.5:{P} RT3200 KS00000001\n";
    QTest::newRow("json") << QStringList{"--json"}
        << "{\"address\":\"127.0.0.2\",\"link\":\"127.0.0.2:{P}\",\"model\":\"RT5600\",\"model_name\":\"RT-5600\",\"port\":{P},\"serial\":\"KS00000001\"}\n"
           "{\"address\":\"127.0.0.3\",\"link\":\"127.0.0.3:{P}\",\"model\":\"KD240\",\"model_name\":\"KD-240\",\"port\":{P},\"serial\":\"KD0042\"}\n"
           "{\"address\":\"127.0.0.5\",\"link\":\"127.0.0.5:{P}\",\"model\":\"RT3200\",\"model_name\":\"RT-3200\",\"port\":{P},\"serial\":\"KS00000001\"}\n";
    QTest::newRow("file-sd") << QStringList{"--format", "file-sd"}
        << "[\n    {\n        \"targets\": [\n            \"127.0.0.2:{P}\",\n            \"127.0.0.3:{P}\",\n            \"127.0.0.5:{P}\"\n"
           "        ]\n    }\n]\n";
    QTest::newRow("ansible-inventory") << QStringList{"--format", "ansible-inventory"}
        << "# Printers found by kestrova-swctl discover. The kestrova.printers modules run kestrova-swctl\n"
           "# on this host, which reached them: loop over `printers` and pass item.tcp as `tcp`.\n"
           "kestrova_printers:\n  hosts:\n    localhost:\n      ansible_connection: local\n"
           "      ansible_python_interpreter: \"{{ ansible_playbook_python }}\"\n      printers:\n"
           "        - tcp: \"127.0.0.2:{P}\"\n          printer_model: \"RT5600\"\n          serial_number: \"KS00000001\"\n"
           "        - tcp: \"127.0.0.3:{P}\"\n          printer_model: \"KD240\"\n          serial_number: \"KD0042\"\n"
           "        - tcp: \"127.0.0.5:{P}\"\n          printer_model: \"RT3200\"\n          serial_number: \"KS00000001\"\n";
  }
  void formats() {
    QFETCH(QStringList, options);
    QFETCH(QString, out);
    const QString p = QString::number(port_);
    const CliRun run = RunSwctl(QStringList{"discover", "127.0.0.0/24", "--port", p} + options);
    QCOMPARE(run.outText(), QString(out).replace("{P}", p));
    QCOMPARE(run.errText(), QString("127.0.0.7:{P}: not a Kestrova printer\n127.0.0.9:{P}: not a Kestrova printer\n").replace("{P}", p));
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.elapsedMs < 3000, qPrintable(QString::number(run.elapsedMs)));
    for (int i = 0; i < 3; ++i) QCOMPARE(printers_[i].received().mid(printers_[i].received().size() - 2), (QStringList{kModelQuery, kSerialQuery}));
    const QStringList unknown = printers_[3].received();
    QCOMPARE(QSet<QString>(unknown.begin(), unknown.end()), QSet<QString>{kModelQuery});
    QVERIFY(silent_.waitForNewConnection(2000));
    QTcpSocket* peer = silent_.nextPendingConnection();
    QVERIFY(peer->bytesAvailable() > 0 || peer->waitForReadyRead(2000));
    QCOMPARE(Hex(peer->readAll()), kModelQuery);
    delete peer;

    QTemporaryDir dir;
    const QString file = dir.filePath(QTest::currentDataTag() == QString("file-sd") ? "printers.json" : "printers.yml");
    QVERIFY(WriteFile(file, run.out));
    int status = 0;
    if (QTest::currentDataTag() == QString("file-sd")) {
      // A Prometheus configuration that takes its targets from the file; promtool checks both
      // (a file_sd file it cannot take fails the check).
      QVERIFY(WriteFile(dir.filePath("prometheus.yml"),
                        "scrape_configs:\n  - job_name: kestrova_printers\n    file_sd_configs:\n      - files: [printers.json]\n"));
      const QString said = Tool("promtool", {"check", "config", dir.filePath("prometheus.yml")}, status);
      if (status == -1) QSKIP("promtool is not installed");
      QVERIFY2(status == 0 && said.contains("SUCCESS: " + dir.filePath("prometheus.yml") + " is valid"), qPrintable(said));
    } else if (QTest::currentDataTag() == QString("ansible-inventory")) {
      const QString said = Tool("ansible-inventory", {"-i", file, "--list"}, status);
      if (status == -1) QSKIP("ansible-core is not installed");
      QCOMPARE(status, 0);
      const QJsonObject vars = QJsonDocument::fromJson(said.toUtf8())["_meta"]["hostvars"]["localhost"].toObject();
      QCOMPARE(vars["printers"].toArray().size(), 3);
      QCOMPARE(vars["printers"][1].toObject(), (QJsonObject{{"tcp", "127.0.0.3:" + p}, {"printer_model", "KD240"}, {"serial_number", "KD0042"}}));
      QCOMPARE(vars["ansible_connection"].toString(), QString("local"));
    }
  }

  // Usage errors: status 2, one message, nothing contacted.
  void usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");
    QTest::newRow("no range") << QStringList{} << "discover needs a RANGE: A.B.C.D, A.B.C.D/NN or A.B.C.D-E";
    QTest::newRow("not an address") << QStringList{"127.0.0"} << "127.0.0: not an IPv4 address (A.B.C.D, A.B.C.D/NN or A.B.C.D-E)";
    QTest::newRow("octet") << QStringList{"127.0.0.256"} << "127.0.0.256: not an IPv4 address (A.B.C.D, A.B.C.D/NN or A.B.C.D-E)";
    QTest::newRow("prefix") << QStringList{"127.0.0.0/33"} << "127.0.0.0/33: the prefix length is a number from 0 to 32";
    QTest::newRow("backwards") << QStringList{"127.0.0.9-2"} << "127.0.0.9-2: the last address's final number is from 9 to 255";
    QTest::newRow("too many") << QStringList{"127.0.0.0/15"}
        << "the ranges name 131070 addresses, more than 65536; give --force to contact them all";
    QTest::newRow("too many together") << QStringList{"127.0.0.0/16", "127.1.0.1-2", "127.1.0.2-3"}
        << "the ranges name 65537 addresses, more than 65536; give --force to contact them all";
    QTest::newRow("both outputs") << QStringList{"127.0.0.2", "--json", "--format", "file-sd"} << "give --json or --format, not both";
    QTest::newRow("format") << QStringList{"127.0.0.2", "--format", "csv"} << "--format csv: the formats are file-sd and ansible-inventory";
    QTest::newRow("port") << QStringList{"127.0.0.2", "--port", "0"} << "--port 0: a number from 1 to 65535";
    QTest::newRow("parallel") << QStringList{"127.0.0.2", "--max-parallel", "x"} << "--max-parallel x: a number from 1 to 4096";
    QTest::newRow("link option") << QStringList{"127.0.0.2", "--tcp", "127.0.0.2"} << "option --tcp does not apply to discover";
  }
  void usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    const qsizetype before = printers_[0].received().size();
    const CliRun run = RunSwctl(QStringList{"discover"} + args);
    QCOMPARE(run.errText(), "kestrova-swctl: " + err + "\n");
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(printers_[0].received().size(), before);
  }

  // A range without printers, a /31 and a single address: "none found", status 1.
  void nothingFound() {
    const CliRun run = RunSwctl({"discover", "127.0.0.200-201", "127.0.0.210/31", "127.0.0.220", "--port", QString::number(port_)});
    QCOMPARE(run.outText(), QString());
    QCOMPARE(run.errText(), QString("no Kestrova printer found at 5 addresses\n"));
    QCOMPARE(run.exitCode, 1);
  }
};

QTEST_GUILESS_MAIN(SwctlDiscoverTest)
#include "test_swctl_discover.moc"
