// kestrova-swctl against the printer simulator: the exact bytes every operation sends on every
// link kind and what the tool prints, then profiles, fleets, the progress line and hostile texts.
// The printer's faults are the fault matrix's (tests/reliability).
#include <QtTest>

#include <QJsonArray>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include "cli_harness.h"

using namespace kestrova::cli::testing;

namespace {

const QStringList kPrinter = {"--model", "RT5600", "--switches", "1,2,112,255,30", "--firmware", "V2.01", "--serial",
                              "KS12345678", "--code-page", "17", "--charset", "15", "--font-8x16", "on"};
const QString kOk = "Write software switch settings OK, please reboot your printer";
const QString kUnlock = "1d 67 75 6e 6c 00";
const QString kLock = "1d 67 6c 63 6b 00";
const QString kQueries = "1d 49 43 00 1d 67 34 27 1d 67 34 28 1d 67 34 29 1d 67 34 2a 1d 67 34 2b 1d 49 41 00 "
                         "1d 67 34 10 1d 67 34 15 1d 67 34 09 1d 67 34 16 1d 67 34 1b 1d 67 34 05 1d 67 34 24 "
                         "1d 49 45 00 1d 67 34 21 1d 67 34 22 1d 67 34 25";

// A code page name as the write sends it: 21 bytes, NUL padded.
QString NameField(const QByteArray& name) { return Hex(name.left(21) + QByteArray(21 - qMin(21, int(name.size())), '\0')); }

// What a full read --json of kPrinter holds; blank follows each reply value over the device handle.
void CheckRead(const QJsonObject& o, const QString& blank) {
  QCOMPARE(o.value("model").toObject(), (QJsonObject{{"no", 9}, {"code", "RT5600"}}));
  const QJsonObject p = o.value("printer").toObject();
  const QStringList values = {"modelName", "RT-5600", "firmwareRevision", "V2.01", "cutPaperCount", "5678",
                              "installationDate", "2025-01-15", "linePrinted", "98765", "serialNumber", "KS12345678"};
  for (int i = 0; i < values.size(); i += 2) QCOMPARE(p.value(values[i]).toString(), values[i + 1] + blank);
  QCOMPARE(p.value("codePage").toString(), QString("17 - Cyrillic"));
  QCOMPARE(p.value("internationalCharSet").toString(), QString("15- Ex-Yugoslavia"));
  QCOMPARE(p.value("new8x16Font").toString(), QString("ON"));
  QCOMPARE(p.value("printDensity").toString(), QString("100%"));
  QCOMPARE(o.value("bytes").toArray(), (QJsonArray{1, 2, 112, 255, 30}));
  const QJsonArray switches = o.value("switches").toArray();
  QCOMPARE(switches.size(), 40);
  QCOMPARE(switches[0].toObject(), (QJsonObject{{"name", "SW1-1"}, {"position", "OFF"}, {"definition", "Baud Rate - 19200"}}));
  QCOMPARE(switches[23].toObject(), (QJsonObject{{"name", "SW3-8"}, {"position", "ON"}, {"definition", "Auto cutter - Disable"}}));
  QCOMPARE(switches[24].toObject().value("position").toString(), QString("OFF"));
  const QJsonArray log = o.value("log").toArray();
  QCOMPARE(log.size(), 18);
  QCOMPARE(log[3].toString(), QString("Read Software Switch 3 = 112\r\n"));
  QCOMPARE(log[17].toString(), QString("Read New 8x16 Font = ON\r\n"));
}

}  // namespace

class SwctlPrinterTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or kestrova-printer-sim is not built");
  }

  // One row per link and operation: the tool's output and every byte the printer received (from
  // the unlock on for a write), run against the simulator on TCP/IP or a pty.
  void wire_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("bytes");
    const QStringList sw = {"SW3-8: ON -> OFF (Auto cutter - Disable -> Auto cutter - Enable)", kOk};
    QTest::newRow("tcp read") << "--tcp" << kPrinter << QStringList{"read", "--json"} << QStringList{} << kQueries;
    QTest::newRow("serial read") << "--serial" << kPrinter
                                 << QStringList{"read", "--json", "--baud", "19200", "--parity", "even", "--handshake", "xon-xoff"}
                                 << QStringList{} << kQueries;
    QString device = kQueries;
    QTest::newRow("device read") << "--device" << kPrinter << QStringList{"read", "--json"} << QStringList{}
                                 << device.replace("1d 49 43 00", "1d 49 43").replace("1d 49 41 00", "1d 49 41");
    // TCP/IP: the main frame without SW1 and SW4, then SW4 and SW1 each in a frame of its own.
    QTest::newRow("tcp write") << "--tcp" << QStringList{"--model", "RT5600", "--code-page", "17", "--charset", "3", "--font-8x16", "on"}
                               << QStringList{"write", "--set", "SW3-8=OFF"} << sw
                               << QStringList{kUnlock, "1d 67 38 28 30 00 00 00 00", "1d 67 38 29 31 32 38 00 00",
                                              "1d 67 38 2b 30 00 00 00 00", "1d 67 38 21 31 37 00 00",
                                              "1d 67 38 24 " + NameField("Cyrillic"), "1d 67 38 22 33 00 00",
                                              "1d 67 38 25 4f 4e 00 00", kLock, kUnlock, "1d 67 38 2a 30 00 00 00 00", kLock,
                                              kUnlock, "1d 67 38 27 30 00 00 00 00", kLock}.join(' ');
    // Serial component: one frame, SW3 in 8 bytes; a picked code page brings its name and resets
    // the character set, which --charset then sets.
    QTest::newRow("serial write") << "--serial" << QStringList{"--model", "RT6100", "--switches", "0,1,128,255,30"}
                                  << QStringList{"write", "--baud", "115200", "--code-page", "31", "--charset", "5", "--font8x16", "ON"}
                                  << QStringList{"Code Page: 0  - Standard -> 31 - Thai page 14",
                                                 "International Character Set: 0 - U.S.A. -> 5 - Sweden", "New 8x16 Font: OFF -> ON", kOk}
                                  << QStringList{kUnlock, "1d 67 38 27 30 00 00 00 00", "1d 67 38 28 31 00 00 00 00",
                                                 "1d 67 38 29 31 32 38 00", "1d 67 38 2a 32 35 35 00 00", "1d 67 38 2b 33 30 00 00 00",
                                                 "1d 67 38 21 33 31 00 00", "1d 67 38 24 " + NameField("Thai character code page 14"),
                                                 "1d 67 38 22 35 00 00", "1d 67 38 25 4f 4e 00 00", kLock}.join(' ');
    // Device handle: eight bytes a switch; code page 1 resets the character set to 8.
    QTest::newRow("device write") << "--device" << QStringList{"--model", "KD240"}
                                  << QStringList{"write", "--switches", "0,0,0,5,0", "--set", "SW4-1=ON", "--code-page", "1"}
                                  << QStringList{"SW4-2: ON (Barcode Height Reduction - Reduce 75% -> Barcode Height Reduction - Reduce 25%)",
                                                 "SW4-3: ON -> OFF (Barcode Height Reduction - Reduce 75% -> Barcode Height Reduction - Reduce 25%)",
                                                 "Code Page: 0  - Standard -> 1  - Japanese",
                                                 "International Character Set: 0 - U.S.A. -> 8 - Japan", kOk}
                                  << QStringList{kUnlock, "1d 67 38 27 30 00 00 00", "1d 67 38 28 30 00 00 00", "1d 67 38 29 30 00 00 00",
                                                 "1d 67 38 2a 34 00 00 00", "1d 67 38 2b 30 00 00 00", "1d 67 38 21 31 00 00 00",
                                                 "1d 67 38 24 " + NameField("Katakana Japanese"), "1d 67 38 22 38 00 00",
                                                 "1d 67 38 25 00 00 00 00", kLock}.join(' ');
    const QString selfTest = "1d 28 41 02 00 00 02";
    QTest::newRow("tcp self-test") << "--tcp" << QStringList{} << QStringList{"self-test"} << QStringList{"Self Test sent to %1"} << selfTest;
    // A host name is looked up once; the test print goes over the connection it made.
    QTest::newRow("tcp self-test by host name") << "--tcp localhost" << QStringList{} << QStringList{"self-test"}
                                                << QStringList{"Self Test sent to %1"} << selfTest;
    QTest::newRow("serial self-test") << "--serial" << QStringList{} << QStringList{"self-test"} << QStringList{"Self Test sent to %1"}
                                      << selfTest + " 00";
    QTest::newRow("device self-test") << "--device" << QStringList{} << QStringList{"self-test"} << QStringList{"Self Test sent to %1"}
                                      << selfTest + " 00";
    QTest::newRow("tcp font-test") << "--tcp" << QStringList{} << QStringList{"font-test"} << QStringList{"Fonts Test sent to %1"}
                                   << QString();
    QTest::newRow("device font-test") << "--device" << QStringList{} << QStringList{"font-test"} << QStringList{"Fonts Test sent to %1"}
                                      << QString();
  }
  void wire() {
    QFETCH(QString, link);
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, args);
    QFETCH(QStringList, out);
    QFETCH(QString, bytes);
    Printer printer;
    const bool tcp = link.startsWith("--tcp");
    QVERIFY2(printer.start(simArgs + (tcp ? QStringList{"--tcp", "127.0.0.1:0"} : QStringList{"--pty", printer.ptyPath()})),
             qPrintable(printer.errorText()));
    const QString target = link == "--tcp localhost" ? QStringLiteral("localhost:%1").arg(printer.port())
                           : tcp                     ? printer.tcp()
                                                     : printer.ptyPath();
    const bool write = args[0] == "write";
    const CliRun run = RunSwctl(args + QStringList{link.section(' ', 0, 0), target} + (write || args[0] == "read" ? QStringList{"--fast"} : QStringList{}));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.errText(), write ? QString("Don't let printer shut down when writing settings\nBackup saved to BACKUP\n") : QString());
    if (args[0] == "read") {
      CheckRead(JsonObjectOf(run.out), link == "--device" ? " " : "");
    } else {
      QStringList expected;
      for (const QString& line : out) expected << (line.contains("%1") ? line.arg(target) : line);
      QCOMPARE(run.outLines(), expected);
    }
    if (args[0] == "font-test") {
      QVERIFY(printer.waitForEvent("font-test block 7"));
      QCOMPARE(printer.events().filter("font-test").size(), 7);
      QVERIFY(printer.events().filter("query").isEmpty());
      return;
    }
    QVERIFY(printer.waitForEvent(write ? "lock" : args[0] == "read" ? "query font-8x16" : "self-test"));
    QString received = printer.received().join(' ');
    if (write) received = received.mid(received.indexOf(kUnlock));
    QCOMPARE(received, bytes);
    // The read and the write share one TCP connection.
    if (tcp) QCOMPARE(printer.events().filter("connect ").size(), 1);
  }

  // A golden printer's read as a profile: check finds the one drifted switch, --dry-run and a
  // printer of another model send nothing but the read, a fleet is written and named line by line.
  void profileOverAFleet() {
    Printer golden;
    QVERIFY2(golden.start({"--model", "RT5600", "--switches", "10,20,30,40,50", "--code-page", "19", "--tcp", "127.0.0.1:0", "--count", "2"}, 2),
             qPrintable(golden.errorText()));
    Printer fleet;
    QVERIFY2(fleet.start({"--model", "RT5600", "--switches", "10,20,158,40,50", "--tcp", "127.0.0.1:0", "--count", "2"}, 2),
             qPrintable(fleet.errorText()));
    Printer other;
    QVERIFY2(other.start({"--model", "RT6100", "--tcp", "127.0.0.1:0"}), qPrintable(other.errorText()));
    QTemporaryDir dir;
    const QString file = dir.filePath("golden.json");
    QVERIFY(WriteFile(file, RunSwctl({"read", "--tcp", golden.tcp(0), "--json", "--fast"}).out));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(FreePort());

    const CliRun check = RunSwctl({"check", "--from", file, "--fast", "--tcp", golden.tcp(1), "--tcp", fleet.tcp(0), "--tcp", refused});
    QCOMPARE(check.exitCode, 1);
    const QString drift = "SW3-8 file ON (Auto cutter - Disable), printer OFF (Auto cutter - Enable)";
    QCOMPARE(check.outLines(), (QStringList{golden.tcp(1) + ": matches the file",
                                            fleet.tcp(0) + ": 2 differences: " + drift + "; Code Page file 19 - Multilingual(Euro), printer 0  - Standard",
                                            refused + ": Read software switch FAILED: " + refused + ": connection refused"}));
    QCOMPARE(RunSwctl({"check", "--from", file, "--fast", "--tcp", golden.tcp(1)}).exitCode, 0);

    const CliRun dry = RunSwctl({"write", "--from", file, "--dry-run", "--fast", "--tcp", fleet.tcp(0)});
    QCOMPARE(dry.exitCode, 0);
    QCOMPARE(dry.outLines().last(), QString("Dry run: nothing written"));
    QVERIFY(!fleet.received().contains(kUnlock));

    const CliRun run = RunSwctl({"write", "--from", file, "--set", "SW5-1=OFF", "--fast", "--tcp", fleet.tcp(0), "--tcp", other.tcp(),
                                 "--tcp", fleet.tcp(1)});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errText(), "Don't let printer shut down when writing settings\n" + fleet.tcp(0) + ": Backup saved to BACKUP\n" +
                                other.tcp() + ": Write software switch FAILED: " +
                                other.tcp() + ": the printer is RT6100 (model 4), the file holds RT5600 (model 9); nothing written\n" +
                                fleet.tcp(1) + ": Backup saved to BACKUP\n");
    for (int i = 0; i < 2; ++i) {
      QVERIFY(run.outLines().contains(fleet.tcp(i) + ": " + kOk));
      QVERIFY(run.outLines().contains(fleet.tcp(i) + ": SW3-8: OFF -> ON (Auto cutter - Enable -> Auto cutter - Disable)"));
      QVERIFY(fleet.waitForEvent("set SW1=10"));
    }
    QCOMPARE(fleet.events(fleet.tcpLink(1)).filter("set ").mid(0, 3), (QStringList{"set SW2=20", "set SW3=30", "set SW5=51"}));
    QVERIFY(!other.events().contains("unlock"));
  }

  // Several printers read at once with the window's pacing, in about the time of one: one line
  // each in the order given, a refused one on standard error; the readable form in blocks.
  void fleetRead() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0", "--count", "2"}, 2), qPrintable(printer.errorText()));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(FreePort());
    const CliRun run = RunSwctl({"read", "--json", "--tcp", printer.tcp(1), "--tcp", refused, "--tcp", printer.tcp(0)});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errText(), refused + ": Read software switch FAILED: " + refused + ": connection refused\n");
    const QStringList lines = run.outLines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(JsonObjectOf(lines[0].toUtf8()).value("link").toString(), printer.tcp(1));
    CheckRead(JsonObjectOf(lines[0].toUtf8()), "");
    QCOMPARE(JsonObjectOf(lines[1].toUtf8()), (QJsonObject{{"link", refused}, {"ok", false}, {"error", "Read software switch FAILED"},
                                                           {"cause", refused + ": connection refused"}}));
    QCOMPARE(JsonObjectOf(lines[2].toUtf8()).value("link").toString(), printer.tcp(0));
    QVERIFY2(run.elapsedMs >= 18 * 200 && run.elapsedMs < 2 * 18 * 200, qPrintable(QString::number(run.elapsedMs)));

    const CliRun single = RunSwctl({"read", "--fast", "--tcp", printer.tcp(1)});
    QCOMPARE(single.outLines().value(0), QString("Model: RT5600 (9)"));
    QVERIFY(single.outLines().contains("International Character Set  15- Ex-Yugoslavia"));
    QVERIFY(single.outLines().contains("SW3-5   OFF       Print Density - 100%"));
    const CliRun both = RunSwctl({"read", "--fast", "--tcp", printer.tcp(1), "--tcp", printer.tcp(0)});
    QCOMPARE(both.out, "== " + printer.tcp(1).toLatin1() + " ==\n" + single.out + "\n== " + printer.tcp(0).toLatin1() + " ==\n" + single.out);
  }

  // More printers than the system allows at once, from a --tcp-list with comments: under an
  // open-file limit (192 in flight under 256), and under an address-space limit far below what a
  // thread per printer would take (an 8 MB stack each): the printers share the fleet's loops.
  void fleetUnderLimits_data() {
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("open files") << "ulimit -n 256" << QByteArray();
    QTest::newRow("address space") << "ulimit -v 1500000" << QByteArray();
  }
  void fleetUnderLimits() {
    QFETCH(QString, limit);
    QFETCH(QByteArray, err);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    if (limit.contains("-v")) QSKIP("the sanitizers reserve far more address space than the limit");
#endif
    constexpr int kCount = 300;
    Printer printer;
    QVERIFY2(printer.start({"--tcp", "127.0.0.1:0", "--count", QString::number(kCount)}, kCount), qPrintable(printer.errorText()));
    QTemporaryDir dir;
    QByteArray list = "# the store printers\n\n";
    for (int i = kCount - 1; i >= 0; --i) list += (printer.tcp(i) + "  # till\n").toUtf8();
    QVERIFY(WriteFile(dir.filePath("fleet.txt"), list));
    QProcess process;
    process.start("sh", {"-c", limit + " && exec \"$0\" \"$@\"", SwctlBinary(), "read", "--json", "--fast", "--tcp-list",
                         dir.filePath("fleet.txt")});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardError(), err);  // first: a failure shows what the tool said
    QCOMPARE(process.exitCode(), 0);
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    QCOMPARE(lines.size(), kCount + 1);
    for (int i = 0; i < kCount; ++i) QCOMPARE(JsonObjectOf(lines[i]).value("link").toString(), printer.tcp(kCount - 1 - i));
  }

  // The progress line goes to a terminal only (here a pty as standard error), never to a pipe.
  void progressOnATerminalOnly() {
    Printer printer;
    QVERIFY2(printer.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    Swctl process({"read", "--tcp", printer.tcp(), "--json", "--fast"}, QString::fromLatin1(ptsname(master)));
    QCOMPARE(process.finish().exitCode, 0);
    QByteArray shown;
    for (pollfd p{master, POLLIN, 0}; ::poll(&p, 1, 200) > 0;) {
      char buf[4096];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;
      shown.append(buf, int(n));
    }
    ::close(master);
    const QByteArray start = "\rreading " + printer.tcp().toLatin1() + " [";
    QVERIFY2(shown.contains(start + "                    ] 0%"), shown.constData());
    QVERIFY2(shown.contains(start + "####################] 100%"), shown.constData());
    QCOMPARE(RunSwctl({"read", "--tcp", printer.tcp(), "--fast"}).err, QByteArray());
  }

  // Texts from the printer are shown with control bytes escaped (a reply cannot clear the screen,
  // set the title or forge a line); the JSON keeps them as sent.
  void printerTextShownEscaped() {
    Printer printer;
    const QString name = QStringLiteral("RT-5600\x1b]0;owned\x07\x1b[2J");
    QVERIFY2(printer.start({"--name", name, "--serial", "KS1\r\nModel Name   RT\\x", "--tcp", "127.0.0.1:0"}),
             qPrintable(printer.errorText()));
    const CliRun text = RunSwctl({"read", "--tcp", printer.tcp(), "--fast"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY(text.outLines().contains("Model Name                   RT-5600\\x1b]0;owned\\x07\\x1b[2J"));
    QVERIFY(text.outLines().contains("Serial Number                KS1\\x0d\\x0aModel Name   RT\\\\x"));
    const CliRun json = RunSwctl({"read", "--tcp", printer.tcp(), "--fast", "--json"});
    QCOMPARE(JsonObjectOf(json.out).value("printer").toObject().value("modelName").toString(), name);
  }

  // probe: the speed the pty printer answers at.
  void probe() {
    Printer printer;
    QVERIFY2(printer.start({"--baud", "38400", "--pty", printer.ptyPath()}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"probe", "--serial", printer.ptyPath()});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.outLines().contains(printer.ptyPath() + ": answers at 38400 bit/s, parity none: RT5600"));
    for (const QString& line : run.outLines()) QVERIFY2(line.contains("38400 bit/s"), qPrintable(line));
  }
};

QTEST_GUILESS_MAIN(SwctlPrinterTest)
#include "test_swctl_printer.moc"
