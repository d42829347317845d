// kestrova-swctl read against the printer simulator over every link kind: the exact JSON (the
// window's texts, the Log History lines, the bytes and the 40 switches), the device-handle read's
// trailing blanks, the fixed and the reply-terminated pacing, failures (a silent printer, a refused
// connection, an absent port), a fleet read, and the progress line on a terminal only.
#include <QtTest>

#include <QJsonArray>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include "cli_harness.h"

using namespace kestrova;
using namespace kestrova::cli::testing;

namespace {

const QStringList kPrinter = {"--model", "RT5600", "--switches", "1,2,112,255,30", "--firmware", "V2.01",
                              "--hours", "4321", "--serial", "KS12345678", "--code-page", "17", "--charset", "15",
                              "--font-8x16", "on"};

const QStringList kLog = {"Read Model Name = RT-5600\r\n",
                          "Read Software Switch 1 = 1\r\n",
                          "Read Software Switch 2 = 2\r\n",
                          "Read Software Switch 3 = 112\r\n",
                          "Read Software Switch 4 = 255\r\n",
                          "Read Software Switch 5 = 30\r\n",
                          "Read Firmware Revision = V2.01\r\n",
                          "Read Hours Powered = 4321\r\n",
                          "Read Cut Paper Count = 5678\r\n",
                          "Read Installation Date = 2025-01-15\r\n",
                          "Read Failed Paper Cut = 0\r\n",
                          "Read Line Printed = 98765\r\n",
                          "Read Serial Number = KS12345678\r\n",
                          "Read Language Model = ENG\r\n",
                          "Read Font ROM = ANK\r\n",
                          "Read Code Page = 17\r\n",
                          "Read International Character Set = 15\r\n",
                          "Read New 8x16 Font = ON\r\n"};

// The printer fields as the window shows them; the device-handle read shows each reply value
// followed by one blank (the language and derived boxes come from the lists, without one).
QJsonObject ExpectedPrinter(const QString& blank) {
  return {{"modelName", "RT-5600" + blank},
          {"firmwareRevision", "V2.01" + blank},
          {"hoursPowered", "4321" + blank},
          {"cutPaperCount", "5678" + blank},
          {"installationDate", "2025-01-15" + blank},
          {"failedPaperCut", "0" + blank},
          {"linePrinted", "98765" + blank},
          {"serialNumber", "KS12345678" + blank},
          {"languageModel", "ENG" + blank},
          {"fontRom", "ANK" + blank},
          {"codePage", "17 - Cyrillic"},
          {"internationalCharSet", "15- Ex-Yugoslavia"},
          {"new8x16Font", "ON"},
          {"printDensity", "100%"},
          {"thaiPass", ""}};
}

// The 40 switches of the simulated RT5600 (bytes 1, 2, 112, 255, 30): names in order, a set bit
// OFF, and the definitions of a few bits as the window shows them.
void CheckSwitches(const QJsonArray& switches) {
  QCOMPARE(switches.size(), 40);
  const int bytes[5] = {1, 2, 112, 255, 30};
  for (int i = 0; i < 40; ++i) {
    const QJsonObject sw = switches[i].toObject();
    QCOMPARE(sw.value("name").toString(), QString("SW%1-%2").arg(i / 8 + 1).arg(i % 8 + 1));
    QCOMPARE(sw.value("position").toString(), (bytes[i / 8] >> (i % 8)) & 1 ? QString("OFF") : QString("ON"));
  }
  const std::pair<int, const char*> definitions[] = {
      {0, "Baud Rate - 19200"},
      {1, "Baud Rate - 19200"},
      {2, "Reserve"},
      {4, "Onboard Interface - Undefined"},
      {8, "Paper Feed Back - Enable"},
      {13, "< CR > Auto Line Feed - Disable"},
      {17, "Print Speed - 250mm/s"},
      {20, "Print Density - 100%"},
      {22, "Print Density - 100%"},
      {23, "Auto cutter - Disable"},
      {26, "Barcode Height Reduction - Disable"},
      {30, "Line Feed Reduction - Disable"},
      {33, "Reserve"},
  };
  for (const auto& [i, text] : definitions) QCOMPARE(switches[i].toObject().value("definition").toString(), QString(text));
}

void CheckRead(const QJsonObject& o, const QString& blank) {
  QCOMPARE(o.value("ok"), QJsonValue(true));
  QCOMPARE(o.value("model").toObject(), (QJsonObject{{"no", 9}, {"code", "RT5600"}}));
  QCOMPARE(o.value("printer").toObject(), ExpectedPrinter(blank));
  QCOMPARE(o.value("bytes").toArray(), (QJsonArray{1, 2, 112, 255, 30}));
  CheckSwitches(o.value("switches").toArray());
  QCOMPARE(o.value("log").toArray(), QJsonArray::fromStringList(kLog));
}

// A pseudo-terminal for a child's standard error; the test reads what it wrote from the master.
class TerminalCapture {
 public:
  TerminalCapture() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) slave_ = QString::fromLatin1(ptsname(master_));
  }
  ~TerminalCapture() {
    if (master_ >= 0) ::close(master_);
  }
  QString slavePath() const { return slave_; }
  QByteArray readAll() {
    QByteArray got;
    while (master_ >= 0) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) break;
      char buf[4096];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<int>(n));
    }
    return got;
  }

 private:
  int master_ = -1;
  QString slave_;
};

}  // namespace

class ReadTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or the printer simulator is not built");
  }

  // The window's pacing (a 200 ms pause after each of the 18 queries) and --fast, side by side on
  // two printers: the same JSON, the fast one in a fraction of the time.
  void tcpReadFixedAndFast() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0", "--count", "2"}, 2), qPrintable(printer.errorText()));
    Swctl fixed({"read", "--tcp", printer.tcp(0), "--json"});
    Swctl fast({"read", "--tcp", printer.tcp(1), "--json", "--fast"});
    const CliRun f = fast.finish();
    const CliRun w = fixed.finish();
    QCOMPARE(w.exitCode, 0);
    QCOMPARE(f.exitCode, 0);
    QCOMPARE(w.err, QByteArray());
    QCOMPARE(w.outLines().size(), 1);
    CheckRead(JsonObjectOf(w.out), "");
    QCOMPARE(JsonObjectOf(f.out), JsonObjectOf(w.out));
    QVERIFY2(w.elapsedMs >= 18 * 200, qPrintable(QString::number(w.elapsedMs)));
    QVERIFY2(f.elapsedMs < 1500, qPrintable(QString::number(f.elapsedMs)));
    // The 18 queries went out once each.
    QCOMPARE(printer.received(printer.tcpLink(0)).size(), 18);
    QCOMPARE(printer.received(printer.tcpLink(0)).first(), QStringLiteral("1d 49 43 00"));
    QCOMPARE(printer.received(printer.tcpLink(1)), printer.received(printer.tcpLink(0)));
  }

  void serialAndDeviceReads() {
    Printer serialPrinter;
    Printer devicePrinter;
    QVERIFY2(serialPrinter.start(kPrinter + QStringList{"--pty", serialPrinter.ptyPath()}), qPrintable(serialPrinter.errorText()));
    QVERIFY2(devicePrinter.start(kPrinter + QStringList{"--pty", devicePrinter.ptyPath()}), qPrintable(devicePrinter.errorText()));
    Swctl serial({"read", "--serial", serialPrinter.ptyPath(), "--baud", "19200", "--parity", "even", "--handshake",
                  "xon-xoff", "--json", "--fast"});
    Swctl device({"read", "--device", devicePrinter.ptyPath(), "--json", "--fast"});
    const CliRun s = serial.finish();
    const CliRun d = device.finish();
    QCOMPARE(s.exitCode, 0);
    QCOMPARE(d.exitCode, 0);
    CheckRead(JsonObjectOf(s.out), "");
    CheckRead(JsonObjectOf(d.out), " ");
    // The device-handle read sends the model name and firmware queries as three bytes.
    const QStringList rx = devicePrinter.received();
    QVERIFY(!rx.isEmpty());
    QCOMPARE(rx.first(), QStringLiteral("1d 49 43"));
    QCOMPARE(serialPrinter.received().first(), QStringLiteral("1d 49 43 00"));
  }

  void readableOutput() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"read", "--tcp", printer.tcp(), "--fast"});
    QCOMPARE(run.exitCode, 0);
    // Standard error is no terminal here: no progress line.
    QCOMPARE(run.err, QByteArray());
    const QStringList lines = run.outLines();
    QCOMPARE(lines.value(0), QStringLiteral("Model: RT5600 (9)"));
    QVERIFY(lines.contains(QStringLiteral("Model Name                   RT-5600")));
    QVERIFY(lines.contains(QStringLiteral("International Character Set  15- Ex-Yugoslavia")));
    QVERIFY(lines.contains(QStringLiteral("SW3-5   OFF       Print Density - 100%")));
  }

  void progressOnATerminalOnly() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    TerminalCapture terminal;
    QVERIFY(!terminal.slavePath().isEmpty());
    Swctl process({"read", "--tcp", printer.tcp(), "--json", "--fast"}, terminal.slavePath());
    const CliRun run = process.finish();
    QCOMPARE(run.exitCode, 0);
    const QByteArray shown = terminal.readAll();
    const QByteArray start = "\rreading " + printer.tcp().toLatin1() + " [";
    QVERIFY2(shown.contains(start + "                    ] 0%"), shown.constData());
    QVERIFY2(shown.contains(start + "####################] 100%"), shown.constData());
    QVERIFY(!shown.contains('\n'));
    CheckRead(JsonObjectOf(run.out), "");
  }

  // Texts the printer sends are shown with their control bytes escaped, so a reply cannot clear
  // the screen, set the title, write the clipboard or forge a line; the JSON keeps them as sent.
  void printerTextShownEscaped_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("jsonKey");
    QTest::addColumn<QByteArray>("shown");
    QTest::addRow("title and clear in the model name")
        << "--name" << QStringLiteral("RT-5600\x1b]0;owned\x07\x1b[2J") << "Model Name" << "modelName"
        << QByteArray("RT-5600\\x1b]0;owned\\x07\\x1b[2J");
    QTest::addRow("forged line in the serial number")
        << "--serial" << QStringLiteral("KS1\r\nModel Name                   RT-9999") << "Serial Number"
        << "serialNumber" << QByteArray("KS1\\x0d\\x0aModel Name                   RT-9999");
    QTest::addRow("clipboard write in the firmware")
        << "--firmware" << QStringLiteral("\x1b]52;c;cm0gLXJmIH4K\x07") << "Firmware Revision" << "firmwareRevision"
        << QByteArray("\\x1b]52;c;cm0gLXJmIH4K\\x07");
    // A backslash is doubled, so an escape the printer spells out differs from a real one; U+009B
    // arrives as C2 9B, and its C1 byte is escaped.
    QTest::addRow("backslash and C1 in the firmware")
        << "--firmware" << QStringLiteral("V2\\x1b\u009b\x7f") << "Firmware Revision" << "firmwareRevision"
        << QByteArray("V2\\\\x1b\xc2\\x9b\\x7f");
  }
  void printerTextShownEscaped() {
    QFETCH(QString, option);
    QFETCH(QString, value);
    QFETCH(QString, caption);
    QFETCH(QString, jsonKey);
    QFETCH(QByteArray, shown);
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{option, value, "--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const CliRun text = RunSwctl({"read", "--tcp", printer.tcp(), "--fast"});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.err, QByteArray());
    const QByteArray line = caption.toLatin1().leftJustified(29, ' ') + shown;
    QVERIFY2(text.out.split('\n').contains(line), text.out.constData());
    for (const char c : text.out) {
      const auto byte = static_cast<unsigned char>(c);
      QVERIFY2(byte == '\n' || (byte >= 0x20 && byte < 0x7f) || byte >= 0xa0, qPrintable(QString::number(byte, 16)));
    }
    // The JSON holds the bytes as sent (one character each).
    const CliRun json = RunSwctl({"read", "--tcp", printer.tcp(), "--fast", "--json"});
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(JsonObjectOf(json.out).value("printer").toObject().value(jsonKey).toString(),
             QString::fromLatin1(value.toUtf8()));
  }

  // A printer that never answers: three model-name attempts, then the read fails; no switch
  // query is sent.
  void silentPrinter() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0", "--silent"}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"read", "--tcp", printer.tcp(), "--json"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errText().startsWith(QStringLiteral("Read software switch FAILED: ")), qPrintable(run.errText()));
    QVERIFY2(run.errText().contains(QStringLiteral("model name not recognised")), qPrintable(run.errText()));
    const QJsonObject o = JsonObjectOf(run.out);
    QCOMPARE(o.value("ok"), QJsonValue(false));
    QCOMPARE(o.value("error").toString(), QStringLiteral("Read software switch FAILED"));
    QVERIFY(o.value("cause").toString().contains(QStringLiteral("model name not recognised")));
    QCOMPARE(printer.received(), QStringList(3, QStringLiteral("1d 49 43 00")));
  }

  void unknownModelName() {
    Printer printer;
    QVERIFY2(printer.start({"--name", "XY-9999", "--pty", printer.ptyPath()}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"read", "--serial", printer.ptyPath(), "--fast"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errText().startsWith(QStringLiteral("Read software switch FAILED: ")), qPrintable(run.errText()));
    QCOMPARE(run.out, QByteArray());
  }

  void failuresWithCause_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString port = QString::number(FreePort());
    QTest::addRow("refused") << QStringList{"read", "--tcp", "127.0.0.1:" + port}
                             << "Read software switch FAILED: 127.0.0.1:" + port + ": connection refused\n";
    QTest::addRow("absent device") << QStringList{"read", "--device", "/nonexistent/ttyKS0"}
                                   << "Read software switch FAILED: /nonexistent/ttyKS0: no such port\n";
    QTest::addRow("absent serial") << QStringList{"read", "--serial", "/nonexistent/ttyKS1"}
                                   << "Read software switch FAILED: /nonexistent/ttyKS1";
    QTest::addRow("write refused") << QStringList{"write", "--tcp", "127.0.0.1:" + port, "--set", "SW1-1=ON"}
                                   << "Read software switch FAILED: 127.0.0.1:" + port + ": connection refused\n";
  }
  void failuresWithCause() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const CliRun run = RunSwctl(args);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errText().contains(message), qPrintable(run.errText()));
    QVERIFY2(run.elapsedMs < 5000, qPrintable(QString::number(run.elapsedMs)));
  }

  void refusedWithJson() {
    const QString port = QString::number(FreePort());
    const CliRun run = RunSwctl({"read", "--json", "--tcp", "127.0.0.1:" + port});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(JsonObjectOf(run.out), (QJsonObject{{"ok", false},
                                                 {"error", "Read software switch FAILED"},
                                                 {"cause", "127.0.0.1:" + port + ": connection refused"}}));
  }

  // Three printers and one address where nobody listens, with the window's pacing: read at once,
  // so in about the time of one read; one line each, in the order given, each naming its link.
  void fleetRead() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0", "--count", "3"}, 3), qPrintable(printer.errorText()));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(FreePort());
    const CliRun run = RunSwctl({"read", "--json", "--tcp", printer.tcp(2), "--tcp", refused, "--tcp", printer.tcp(0),
                                 "--tcp", printer.tcp(1)});
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = run.outLines();
    QCOMPARE(lines.size(), 4);
    const QStringList order = {printer.tcp(2), refused, printer.tcp(0), printer.tcp(1)};
    for (int i = 0; i < 4; ++i) {
      QJsonObject o = JsonObjectOf(lines[i].toUtf8());
      QCOMPARE(o.value("link").toString(), order[i]);
      if (i == 1) {
        QCOMPARE(o.value("ok"), QJsonValue(false));
        continue;
      }
      o.remove("link");
      CheckRead(o, "");
    }
    QCOMPARE(run.errText(), refused + ": Read software switch FAILED: " + refused + ": connection refused\n");
    QVERIFY2(run.elapsedMs < 2 * 18 * 200, qPrintable(QString::number(run.elapsedMs)));

    const CliRun fast = RunSwctl({"read", "--json", "--fast", "--tcp", printer.tcp(0), "--tcp", printer.tcp(1)});
    QCOMPARE(fast.exitCode, 0);
    QCOMPARE(fast.outLines().size(), 2);
  }

  // The readable output of a fleet: each printer read as its own read shows it, under a "== link =="
  // header, the blocks in the order given and set off by an empty line; a failed printer has its
  // line on standard error and no block.
  void fleetReadableOutput() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0", "--count", "2"}, 2), qPrintable(printer.errorText()));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(FreePort());
    const CliRun single = RunSwctl({"read", "--fast", "--tcp", printer.tcp(1)});
    QCOMPARE(single.exitCode, 0);
    const CliRun run = RunSwctl({"read", "--fast", "--tcp", printer.tcp(1), "--tcp", refused, "--tcp", printer.tcp(0)});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, "== " + printer.tcp(1).toLatin1() + " ==\n" + single.out + "\n== " + printer.tcp(0).toLatin1() +
                          " ==\n" + single.out);
    QCOMPARE(run.errText(), refused + ": Read software switch FAILED: " + refused + ": connection refused\n");
  }

  // probe: the settings at which the pty printer answers (a pty keeps no parity, so both parities
  // answer at its speed); an unknown model answers nowhere: exit 1 with the reason.
  void probe_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines");
    QTest::addRow("38400") << QStringList{"--baud", "38400"} << 0
                           << QStringList{"answers at 38400 bit/s, parity none: RT5600", "answers at 38400 bit/s, parity even: RT5600"};
    QTest::addRow("unknown model") << QStringList{"--name", "XY-0000"} << 1 << QStringList{};
  }
  void probe() {
    QFETCH(QStringList, simArgs);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    Printer printer;
    QVERIFY2(printer.start(simArgs + QStringList{"--pty", printer.ptyPath()}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"probe", "--serial", printer.ptyPath()});
    QCOMPARE(run.exitCode, exitCode);
    // A pty keeps no parity: whether an even-parity open of it succeeds depends on what the pty
    // was left with, so only the answer at parity none is certain; any other answer is at the
    // printer's speed too.
    const QStringList out = run.outLines();
    QCOMPARE(out.isEmpty(), lines.isEmpty());
    for (const QString& l : lines) QVERIFY2(out.contains(printer.ptyPath() + ": " + l) || l.contains("even"), qPrintable(out.join('\n')));
    for (const QString& l : out) QVERIFY2(lines.contains(l.mid(printer.ptyPath().size() + 2)), qPrintable(l));
    if (exitCode == 1)
      QCOMPARE(run.errText(), printer.ptyPath() + ": no printer answered at 115200, 38400, 19200 or 9600 bit/s, parity none or even\n");
  }

  // More printers than 1024 open files allow at once, under a hard limit of 1024, given by
  // --tcp-list (with comments): every printer is read, one line each, in the order given.
  void fleetUnderFileLimit() {
    constexpr int kCount = 1100;
    Printer printer;
    QVERIFY2(printer.start({"--tcp", "127.0.0.1:0", "--count", QString::number(kCount)}, kCount),
             qPrintable(printer.errorText()));
    QTemporaryDir dir;
    QFile list(dir.filePath("fleet.txt"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("# the store printers\n\n");
    for (int i = kCount - 1; i >= 0; --i) list.write((printer.tcp(i) + "  # till\n").toUtf8());
    list.close();
    QProcess process;
    process.start("sh", {"-c", "ulimit -n 1024 && exec \"$0\" \"$@\"", SwctlBinary(), "read", "--json", "--fast",
                         "--tcp-list", list.fileName()});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardError(), QByteArray());
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    QCOMPARE(lines.size(), kCount + 1);
    for (int i = 0; i < kCount; ++i) {
      const QJsonObject o = JsonObjectOf(lines[i]);
      QCOMPARE(o.value("link").toString(), printer.tcp(kCount - 1 - i));
      QCOMPARE(o.value("ok"), QJsonValue(true));
    }
  }
};

QTEST_GUILESS_MAIN(ReadTest)
#include "test_read.moc"
