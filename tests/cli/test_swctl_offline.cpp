// kestrova-swctl without a printer: models, explain, --help, --version, the usage errors (exit 2,
// a message naming the problem, nothing on standard output) and refused profiles.
#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <sys/stat.h>

#include "cli_harness.h"

using namespace kestrova::cli::testing;

class SwctlOfflineTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir files_;

  QString file(const char* name, const QByteArray& content) {
    QFile f(files_.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) qFatal("cannot write %s", name);
    return f.fileName();
  }

 private slots:
  void initTestCase() {
    QVERIFY(files_.isValid());
    file("empty.txt", "");
    file("golden.json", R"({"ok": true, "model": {"no": 9, "code": "RT5600"}, "bytes": [0, 0, 112, 0, 0]})");
    file("escape.txt", "# fleet\np\x1b[2Jq:0\n");
    file("nul.txt", QByteArray("127.0.0.1:9100\n127.0.0.1\0:9101\n", 31));
    QVERIFY(::mkfifo(qPrintable(files_.filePath("fifo")), 0600) == 0);
  }

  void init() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or the printer simulator is not built");
  }

  // What the tool prints without a printer: each fragment appears in standard output, exit 0.
  void output_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("fragments");
    QTest::newRow("help") << QStringList{"--help"}
                          << QStringList{"self-test", "font-test", "--tcp-list", "--usb", "--handshake", "--font8x16",
                                         "--dry-run", "9100", "Open usb FAILED", "Exit status", "  apply       ", "--check"};
    QTest::newRow("version") << QStringList{"--version"} << QStringList{"kestrova-swctl 2.0.5\n"};
    QTest::newRow("models") << QStringList{"models"} << QStringList{"\n9   RT5600    yes\n", "\n11  RT5602    no\n"};
    QTest::newRow("models json") << QStringList{"models", "--json"}
                                 << QStringList{R"({"code":"RT5600","listed":true,"no":9})", R"({"code":"RT5602","listed":false,"no":11})"};
    QTest::newRow("explain table") << QStringList{"explain", "--model", "rt5600", "--switches", "0,0,0,0,0"}
                                   << QStringList{"Model: RT5600 (9)\nSwitch  Position  Meaning\nSW1-1   ON        Baud Rate - 38400\n",
                                                  "\nPrint Density: Undefined\n", "\nThai 1Pass/3Pass: \n"};
    // SW3 = 0x70: SW3-5..SW3-7 OFF give the full density.
    QTest::newRow("explain density") << QStringList{"explain", "--model", "RT5600", "--switches", "0,0,112,0,0", "--json"}
                                     << QStringList{R"({"model":{"code":"RT5600","no":9},"printDensity":"100%")",
                                                    R"({"definition":"Print Density - 100%","name":"SW3-5","position":"OFF"})"};
    // The Thai pass of an RT5500E (model 13) follows SW3-3, one line per --switches.
    QTest::newRow("explain thai") << QStringList{"explain", "--model", "13", "--switches", "0,0,4,0,0", "--switches", "0,0,0,0,0", "--json"}
                                  << QStringList{R"("thaiPass":"1 PASS"})", R"("thaiPass":"3 PASS"})", R"({"model":{"code":"RT5500E","no":13})"};
    QTest::newRow("explain model 0") << QStringList{"explain", "--model", "0", "--switches", "0,0,0,0,0", "--json"}
                                     << QStringList{R"({"model":{"code":null,"no":0},"printDensity":"")", R"({"definition":"Reserve","name":"SW1-1","position":"ON"})"};
  }
  void output() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, fragments);
    const CliRun run = RunSwctl(args);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    for (const QString& f : fragments) QVERIFY2(run.outText().contains(f), qPrintable(f));
  }

  void usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString v = "0,0,0,0,0";
    QTest::addRow("no command") << QStringList{} << "no command given";
    QTest::addRow("unknown command") << QStringList{"frobnicate"} << "unknown command 'frobnicate'";
    QTest::addRow("unknown option") << QStringList{"read", "--bogus"} << "Unknown option 'bogus'";
    QTest::addRow("unknown model") << QStringList{"explain", "--model", "RT9999", "--switches", v} << "--model RT9999: no such model";
    QTest::addRow("model 2") << QStringList{"explain", "--model", "2", "--switches", v} << "--model 2: no such model";
    QTest::addRow("four bytes") << QStringList{"explain", "--model", "RT5600", "--switches", "0,0,0,0"} << "got 4";
    QTest::addRow("no switches") << QStringList{"explain", "--model", "RT5600"} << "explain needs --switches";
    QTest::addRow("no model") << QStringList{"explain", "--switches", v} << "explain needs --model";
    QTest::addRow("no link") << QStringList{"read", "--json"} << "read needs a link";
    QTest::addRow("bad port") << QStringList{"read", "--tcp", "127.0.0.1:70000"} << "from 1 to 65535";
    QTest::addRow("baud on tcp") << QStringList{"read", "--tcp", "127.0.0.1", "--baud", "9600"} << "--baud applies to --serial only";
    QTest::addRow("odd baud") << QStringList{"read", "--serial", "/dev/null", "--baud", "4800"} << "--baud 4800";
    QTest::addRow("usb RT5602") << QStringList{"read", "--usb", "--model", "RT5602"} << "--model RT5602: not in the model list";
    QTest::addRow("set to neither") << QStringList{"write", "--tcp", "127.0.0.1:1", "--set", "SW1-1=MAYBE"} << "--set SW1-1=MAYBE: expected";
    QTest::addRow("set of no switch") << QStringList{"write", "--tcp", "127.0.0.1:1", "--set", "SW6-1=ON"} << "--set SW6-1=ON: expected";
    QTest::addRow("set on read") << QStringList{"read", "--tcp", "127.0.0.1", "--set", "SW1-1=ON"} << "--set does not apply to read";
    QTest::addRow("two self-tests") << QStringList{"self-test", "--tcp", "127.0.0.1:1", "--tcp", "127.0.0.1:2"} << "takes one printer";
    QTest::addRow("code page 6") << QStringList{"write", "--tcp", "127.0.0.1:1", "--code-page", "6"} << "--code-page 6: no such code page";
    QTest::addRow("two switches on write") << QStringList{"write", "--tcp", "127.0.0.1:1", "--switches", v, "--switches", v} << "--switches once";
    QTest::addRow("check without file") << QStringList{"check", "--tcp", "127.0.0.1:1"} << "check needs --from FILE.json";
    QTest::addRow("apply without file") << QStringList{"apply", "--tcp", "127.0.0.1:1"} << "apply needs --from FILE.json or a setting";
    QTest::addRow("check on write") << QStringList{"write", "--tcp", "127.0.0.1:1", "--check"} << "--check does not apply to write";
    QTest::addRow("dry-run on apply") << QStringList{"apply", "--tcp", "127.0.0.1:1", "--dry-run"} << "--dry-run does not apply to apply";
    QTest::addRow("empty tcp list") << QStringList{"read", "--tcp-list", files_.filePath("empty.txt")} << "--tcp-list names no printer";
    const QString binary = QDir::temp().filePath("kestrova-offline-long-line.txt");
    QFile long_(binary);
    if (long_.open(QIODevice::WriteOnly)) long_.write(QByteArray(4096, 'a'));
    QTest::addRow("not an address list") << QStringList{"read", "--tcp-list", binary}
                                         << "--tcp-list " + binary + ": line 1: longer than 1024 characters";
    QTest::addRow("missing file") << QStringList{"write", "--tcp", "127.0.0.1:1", "--from", "/nonexistent/golden.json"} << "--from /nonexistent/golden.json";
  }
  void usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const CliRun run = RunSwctl(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errText().startsWith(QStringLiteral("kestrova-swctl: ")), qPrintable(run.errText()));
    QVERIFY2(run.errText().contains(message), qPrintable(run.errText()));
    QCOMPARE(run.out, QByteArray());
  }

  // Refusals and failures whose message echoes an argument or a line of a named file: the exact
  // status and texts, control bytes escaped, and nothing waits on a file that is no regular file.
  void exactRefusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    const QByteArray dir = files_.path().toUtf8();
    const QString fifo = files_.filePath("fifo");
    const QString golden = files_.filePath("golden.json");
    const QByteArray port = ": the port must be a number from 1 to 65535\n";
    const QByteArray ipv6 = ": an IPv6 address; only IPv4 addresses and host names are supported\n";

    QTest::addRow("escape in --tcp") << QStringList{"read", "--tcp", "pr\x1b]0;x\x07n:70000"} << 2 << QByteArray()
                                     << "kestrova-swctl: --tcp pr\\x1b]0;x\\x07n:70000" + port;
    QTest::addRow("escape in a --tcp-list line")
        << QStringList{"read", "--tcp-list", files_.filePath("escape.txt")} << 2 << QByteArray()
        << "kestrova-swctl: --tcp-list " + dir + "/escape.txt line 2: --tcp p\\x1b[2Jq:0" + port;
    QTest::addRow("escape in a device path")
        << QStringList{"read", "--device", "/nonexistent/t\x1b]52;c;eA==\x07"} << 1 << QByteArray()
        << QByteArray("Read software switch FAILED: /nonexistent/t\\x1b]52;c;eA==\\x07: no such port\n");

    QTest::addRow("--from a FIFO") << QStringList{"write", "--tcp", "127.0.0.1:1", "--from", fifo} << 2 << QByteArray()
                                   << "kestrova-swctl: --from " + dir + "/fifo: not a regular file (a FIFO)\n";
    QTest::addRow("--tcp-list a FIFO") << QStringList{"read", "--tcp-list", fifo} << 2 << QByteArray()
                                       << "kestrova-swctl: --tcp-list " + dir + "/fifo: not a regular file (a FIFO)\n";
    QTest::addRow("--tcp-list missing") << QStringList{"check", "--tcp-list", "/nonexistent/fleet.txt", "--from", golden}
                                        << 2 << QByteArray()
                                        << QByteArray("kestrova-swctl: --tcp-list /nonexistent/fleet.txt: No such file or directory\n");

    QTest::addRow("IPv6 loopback") << QStringList{"read", "--tcp", "::1"} << 2 << QByteArray()
                                   << "kestrova-swctl: --tcp ::1" + ipv6;
    QTest::addRow("NUL in a list line") << QStringList{"read", "--tcp-list", files_.filePath("nul.txt")} << 2
                                        << QByteArray()
                                        << "kestrova-swctl: --tcp-list " + dir + "/nul.txt: line 2: holds a NUL byte\n";
  }
  void exactRefusals() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    const CliRun run = RunSwctl(args, 10000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, err);
  }

  void fromFileThatIsNoConfiguration_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addRow("not json") << QByteArray("{\n  nope") << "line 2: not JSON";
    QTest::addRow("failed read") << QByteArray(R"({"ok": false, "error": "Read software switch FAILED"})") << "line 1: the file records a failed read";
    QTest::addRow("model 2") << QByteArray(R"({"ok": true, "model": {"no": 2}, "bytes": [0,0,0,0,0]})") << "line 1: expected a model number of the catalogue (model.no) for \"no\"";
    QTest::addRow("four bytes") << QByteArray(R"({"ok": true, "model": {"no": 9}, "bytes": [0,0,0,0]})") << "line 1: expected five values (a number 0..255 or null) for \"bytes\"";
    QTest::addRow("byte 300") << QByteArray("{\"ok\": true,\n \"model\": {\"no\": 9},\n \"bytes\": [0,0,300,0,0]}") << "line 3: expected a number 0..255 or null at bytes[2] for \"bytes\"";
    QTest::addRow("code of another model") << QByteArray("{\"ok\": true,\n \"model\": {\"no\": 9, \"code\": \"RT3200\"},\n \"bytes\": [0,0,0,0,0]}")
                                           << "line 2: expected \"RT5600\", the code of model 9 (model.code), not \"RT3200\" for \"code\"";
    QTest::addRow("all bytes null") << QByteArray(R"({"ok": true, "model": {"no": 9}, "bytes": [null,null,null,null,null]})")
                                    << "line 1: expected at least one number 0..255 among the five values, not five nulls for \"bytes\"";
    QTest::addRow("code page text") << QByteArray(R"({"ok": true, "model": {"no": 9}, "bytes": [0,0,0,0,0], "printer": {"codePage": "99 - Klingon"}})")
                                    << "line 1: expected an entry of the code page list (printer.codePage), not \"99 - Klingon\" for \"codePage\"";
  }
  void fromFileThatIsNoConfiguration() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QFile file(dir.filePath("golden.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const CliRun run = RunSwctl({"write", "--tcp", "127.0.0.1:1", "--from", file.fileName()});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errText().contains(message), qPrintable(run.errText()));
  }
};

QTEST_GUILESS_MAIN(SwctlOfflineTest)
#include "test_swctl_offline.moc"
