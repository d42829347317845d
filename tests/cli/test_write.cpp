// kestrova-swctl write against the printer simulator: the exact frames of each path in the
// simulator's byte log, the options applied in the window's way, the result message, and every
// case where nothing may be written (a usage error, another model's file, incomplete values).
#include <QtTest>

#include <QJsonArray>

#include "cli_harness.h"

using namespace kestrova::cli::testing;

namespace {

const QString kUnlock = "1d 67 75 6e 6c 00";
const QString kLock = "1d 67 6c 63 6b 00";
const QString kOk = "Write software switch settings OK, please reboot your printer";

// The chunks from the first unlock on: what the write sent after its read.
QStringList WriteChunks(const Printer& printer, const QString& link = {}) {
  const QStringList rx = printer.received(link);
  const qsizetype first = rx.indexOf(kUnlock);
  return first < 0 ? QStringList() : rx.mid(first);
}

// The events from the first unlock on.
QStringList WriteEvents(const Printer& printer, const QString& link = {}) {
  QStringList events = printer.events(link);
  const qsizetype first = events.indexOf(QStringLiteral("unlock"));
  events = first < 0 ? QStringList() : events.mid(first);
  events.removeAll(QStringLiteral("disconnect"));
  return events;
}

QString NameField(const QByteArray& name) {
  QByteArray field = name.left(21);
  field.append(QByteArray(21 - field.size(), '\0'));
  return Hex(field);
}

bool WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

}  // namespace

class WriteTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or the printer simulator is not built");
  }

  // TCP/IP: the main frame without SW1 and SW4, then the SW4 frame, then the SW1 frame, over the
  // read's connection.
  void tcpSetOneSwitch() {
    Printer printer;
    QVERIFY2(printer.start({"--model", "RT5600", "--code-page", "17", "--charset", "3", "--font-8x16", "on", "--tcp",
                            "127.0.0.1:0"}),
             qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"write", "--tcp", printer.tcp(), "--set", "SW3-8=OFF", "--fast"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outLines(), (QStringList{"SW3-8: ON -> OFF (Auto cutter - Disable -> Auto cutter - Enable)", kOk}));
    const QStringList expected = {kUnlock,
                                  "1d 67 38 28 30 00 00 00 00",        // SW2 = 0
                                  "1d 67 38 29 31 32 38 00 00",        // SW3 = 128
                                  "1d 67 38 2b 30 00 00 00 00",        // SW5 = 0
                                  "1d 67 38 21 31 37 00 00",           // code page 17
                                  "1d 67 38 24 " + NameField("Cyrillic"),
                                  "1d 67 38 22 33 00 00",              // character set 3
                                  "1d 67 38 25 4f 4e 00 00",           // new 8x16 font ON
                                  kLock,
                                  kUnlock, "1d 67 38 2a 30 00 00 00 00", kLock,   // SW4
                                  kUnlock, "1d 67 38 27 30 00 00 00 00", kLock};  // SW1
    QCOMPARE(WriteChunks(printer), expected);
    // One connection for the read and the write.
    QCOMPARE(printer.events().filter(QStringLiteral("connect ")).size(), 1);
  }

  // --dry-run: the changes as a write shows them, and nothing sent but the read's 18 queries.
  void dryRunSendsOnlyTheRead() {
    Printer printer;
    QVERIFY2(printer.start({"--model", "RT5600", "--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"write", "--tcp", printer.tcp(), "--set", "SW3-8=OFF", "--dry-run", "--fast"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outLines(), (QStringList{"SW3-8: ON -> OFF (Auto cutter - Disable -> Auto cutter - Enable)",
                                          "Dry run: nothing written"}));
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(printer.received().size(), 18);
    QVERIFY(!printer.received().contains(kUnlock));
  }

  // check: one printer with one changed switch among matching ones and one that cannot be read;
  // one line (or object) each, in the order given, exit 1; exit 0 when all match.
  void checkFindsTheChangedSwitch() {
    Printer fleet;
    QVERIFY2(fleet.start({"--model", "RT5600", "--switches", "10,20,30,40,50", "--code-page", "19", "--tcp",
                          "127.0.0.1:0", "--count", "2"}, 2), qPrintable(fleet.errorText()));
    Printer drifted;
    QVERIFY2(drifted.start({"--model", "RT5600", "--switches", "10,20,158,40,50", "--code-page", "19", "--tcp", "127.0.0.1:0"}),
             qPrintable(drifted.errorText()));
    QTemporaryDir dir;
    const QString file = dir.filePath("golden.json");
    QVERIFY(WriteFile(file, RunSwctl({"read", "--tcp", fleet.tcp(0), "--json", "--fast"}).out));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(FreePort());
    const QStringList links = {"--tcp", fleet.tcp(0), "--tcp", drifted.tcp(), "--tcp", refused, "--tcp", fleet.tcp(1)};

    const CliRun text = RunSwctl(QStringList{"check", "--from", file, "--fast"} + links);
    QCOMPARE(text.exitCode, 1);
    QCOMPARE(text.outLines(),
             (QStringList{fleet.tcp(0) + ": matches the file",
                          drifted.tcp() + ": 1 difference: SW3-8 file ON (Auto cutter - Disable), printer OFF (Auto cutter - Enable)",
                          refused + ": Read software switch FAILED: " + refused + ": connection refused",
                          fleet.tcp(1) + ": matches the file"}));
    const CliRun json = RunSwctl(QStringList{"check", "--from", file, "--fast", "--json"} + links);
    QCOMPARE(json.exitCode, 1);
    QCOMPARE(JsonObjectOf(json.outLines().at(1).toUtf8()),
             (QJsonObject{{"link", drifted.tcp()}, {"ok", true}, {"match", false},
                          {"differences", QJsonArray{QJsonObject{{"switch", "SW3-8"},
                                                                 {"file", "ON (Auto cutter - Disable)"},
                                                                 {"printer", "OFF (Auto cutter - Enable)"}}}}}));
    QCOMPARE(JsonObjectOf(json.outLines().at(2).toUtf8()).value("ok"), QJsonValue(false));
    QCOMPARE(RunSwctl({"check", "--from", file, "--fast", "--tcp", fleet.tcp(1)}).exitCode, 0);
    QVERIFY(!drifted.received().contains(kUnlock));
  }

  // A printer whose switch replies are all invalid is read with the five bytes open: check shows
  // each switch the file sets as a difference, never the printer's read as a faulty profile.
  void checkPrinterWithoutValidSwitchReplies() {
    Printer printer;
    QVERIFY2(printer.start({"--model", "RT5600", "--no-header", "--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    QTemporaryDir dir;
    const QString file = dir.filePath("golden.json");
    QVERIFY(WriteFile(file, R"({"ok": true, "model": {"no": 9, "code": "RT5600"}, "bytes": [null, null, null, null, 0]})"));
    const CliRun run = RunSwctl({"check", "--from", file, "--fast", "--tcp", printer.tcp()});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QByteArray());
    const QString line = run.outText();
    QVERIFY2(line.startsWith(printer.tcp() + ": 8 differences: SW5-1 file ON ("), qPrintable(line));
    QCOMPARE(line.count(QStringLiteral(", printer (none) (")), 8);
  }

  // Serial component: all eleven commands in order (SW3 in 8 bytes); a picked code page brings
  // its name and resets the character set, which --charset then sets.
  void serialCodePageAndCharset() {
    Printer printer;
    QVERIFY2(printer.start({"--model", "RT6100", "--switches", "0,1,128,255,30", "--pty", printer.ptyPath()}),
             qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"write", "--serial", printer.ptyPath(), "--baud", "115200", "--code-page", "31",
                                 "--charset", "5", "--font8x16", "ON", "--fast"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outLines(), (QStringList{"Code Page: 0  - Standard -> 31 - Thai page 14",
                                          "International Character Set: 0 - U.S.A. -> 5 - Sweden",
                                          "New 8x16 Font: OFF -> ON", kOk}));
    const QStringList expected = {kUnlock,
                                  "1d 67 38 27 30 00 00 00 00",
                                  "1d 67 38 28 31 00 00 00 00",
                                  "1d 67 38 29 31 32 38 00",
                                  "1d 67 38 2a 32 35 35 00 00",
                                  "1d 67 38 2b 33 30 00 00 00",
                                  "1d 67 38 21 33 31 00 00",
                                  "1d 67 38 24 " + NameField("Thai character code page 14"),
                                  "1d 67 38 22 35 00 00",
                                  "1d 67 38 25 4f 4e 00 00",
                                  kLock};
    QCOMPARE(WriteChunks(printer), expected);
  }

  // Device handle: each switch as header and value block; code page 1 resets the character set
  // to 8 ("8 - Japan").
  void deviceSwitchesAndJapanese() {
    Printer printer;
    QVERIFY2(printer.start({"--model", "KD240", "--pty", printer.ptyPath()}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"write", "--device", printer.ptyPath(), "--switches", "255,0,128,5,0", "--set",
                                 "SW4-1=ON", "--code-page", "1", "--fast"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outLines().last(), kOk);
    QVERIFY(run.outLines().contains(QStringLiteral("International Character Set: 0 - U.S.A. -> 8 - Japan")));
    QVERIFY(printer.waitForEvent(QStringLiteral("lock")));
    QCOMPARE(WriteEvents(printer),
             (QStringList{"unlock", "set SW1=255", "set SW2=0", "set SW3=128", "set SW4=4", "set SW5=0",
                          "set code-page=1", "set code-page-name=Katakana Japanese", "set charset=8",
                          "set font-8x16=", "lock"}));
  }

  // A usage error touches no link.
  void charset14SendsNothing() {
    Printer printer;
    QVERIFY2(printer.start({"--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"write", "--tcp", printer.tcp(), "--charset", "14"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.errText().contains(QStringLiteral("--charset 14")));
    QTest::qWait(200);
    QCOMPARE(printer.events(), QStringList{"listening"});
  }

  // Replies without a valid header leave the switches unselected and no value clean: such values
  // are never written, unless the options give all of them.
  void incompleteValuesAreRefused() {
    Printer printer;
    QVERIFY2(printer.start({"--no-header", "--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const CliRun read = RunSwctl({"read", "--tcp", printer.tcp(), "--json", "--fast"});
    QCOMPARE(read.exitCode, 0);
    const QJsonObject o = JsonObjectOf(read.out);
    QCOMPARE(o.value("bytes").toArray(), (QJsonArray{QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue()}));
    QCOMPARE(o.value("switches").toArray().at(0).toObject().value("position"), QJsonValue());

    const CliRun refused = RunSwctl({"write", "--tcp", printer.tcp(), "--set", "SW1-1=OFF", "--fast"});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.errText(), "Write software switch FAILED: " + printer.tcp() +
                                    ": not read cleanly: SW1, SW2, SW3, SW4, SW5, Code Page, International Character "
                                    "Set, New 8x16 Font; read the printer again; nothing written\n");
    QVERIFY(!refused.outText().contains(kOk));
    QVERIFY(!printer.received().contains(kUnlock));

    const CliRun full = RunSwctl({"write", "--tcp", printer.tcp(), "--switches", "1,2,3,4,5", "--code-page", "0",
                                  "--font8x16", "OFF", "--fast"});
    QCOMPARE(full.exitCode, 0);
    QCOMPARE(full.outLines().last(), kOk);
    QVERIFY(WriteEvents(printer).contains(QStringLiteral("set SW5=5")));
  }

  // A golden printer's read, written to a fleet of the same model (one of them with a change) and
  // refused for a printer of another model.
  void fromGoldenFile() {
    Printer golden;
    QVERIFY2(golden.start({"--model", "RT5600", "--switches", "10,20,30,40,50", "--code-page", "19", "--charset", "16",
                           "--tcp", "127.0.0.1:0"}),
             qPrintable(golden.errorText()));
    Printer fleet;
    QVERIFY2(fleet.start({"--model", "RT5600", "--tcp", "127.0.0.1:0", "--count", "2"}, 2), qPrintable(fleet.errorText()));
    Printer other;
    QVERIFY2(other.start({"--model", "RT6100", "--tcp", "127.0.0.1:0"}), qPrintable(other.errorText()));

    const CliRun read = RunSwctl({"read", "--tcp", golden.tcp(), "--json", "--fast"});
    QCOMPARE(read.exitCode, 0);
    QTemporaryDir dir;
    const QString file = dir.filePath("golden.json");
    QVERIFY(WriteFile(file, read.out));

    const CliRun run = RunSwctl({"write", "--from", file, "--set", "SW5-1=OFF", "--fast", "--tcp", fleet.tcp(0), "--tcp",
                                 other.tcp(), "--tcp", fleet.tcp(1)});
    QCOMPARE(run.exitCode, 1);
    for (int i = 0; i < 2; ++i) {
      const QString link = fleet.tcpLink(i);
      QCOMPARE(WriteEvents(fleet, link),
               (QStringList{"unlock", "set SW2=20", "set SW3=30", "set SW5=51", "set code-page=19",
                            "set code-page-name=Multilingual (Latin+E", "set charset=16", "set font-8x16=", "lock",
                            "unlock", "set SW4=40", "lock", "unlock", "set SW1=10", "lock"}));
      QVERIFY(run.outLines().contains(fleet.tcp(i) + ": " + kOk));
      QVERIFY(run.outLines().contains(fleet.tcp(i) + ": Code Page: 0  - Standard -> 19 - Multilingual(Euro)"));
    }
    // The other model was read, and nothing was written to it.
    QCOMPARE(other.received().size(), 18);
    QVERIFY(!other.received().contains(kUnlock));
    QVERIFY(!other.events().contains(QStringLiteral("unlock")));
    // The window's warning before a write, then the one failure.
    QCOMPARE(run.errText(), "Don't let printer shut down when writing settings\n" + other.tcp() +
                                ": Write software switch FAILED: " + other.tcp() +
                                ": the printer is RT6100 (model 4), the file holds RT5600 (model 9); nothing written\n");
    QVERIFY(!run.outText().contains(other.tcp()));
  }
};

QTEST_GUILESS_MAIN(WriteTest)
#include "test_write.moc"
