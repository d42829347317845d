// kestrova-swctl self-test and font-test against the printer simulator: only the test bytes go
// out (no read first); 7 self-test bytes over TCP/IP, 8 over a serial port opened as a device.
#include <QtTest>

#include "cli_harness.h"

using namespace kestrova::cli::testing;

namespace {
const QString kSelfTest = "1d 28 41 02 00 00 02";
}

class TestPrintTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!ProgramsBuilt()) QSKIP("kestrova-swctl or the printer simulator is not built");
  }

  void selfTestTcp() {
    Printer printer;
    QVERIFY2(printer.start({"--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"self-test", "--tcp", printer.tcp()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outLines(), QStringList{"Self Test sent to " + printer.tcp()});
    QVERIFY(printer.waitForEvent(QStringLiteral("self-test")));
    QCOMPARE(printer.received(), QStringList{kSelfTest});
  }

  void selfTestSerialPorts_data() {
    QTest::addColumn<QString>("option");
    QTest::addRow("device") << "--device";
    QTest::addRow("serial") << "--serial";
  }
  void selfTestSerialPorts() {
    QFETCH(QString, option);
    Printer printer;
    QVERIFY2(printer.start({"--pty", printer.ptyPath()}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"self-test", option, printer.ptyPath()});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(printer.waitForEvent(QStringLiteral("self-test")));
    QCOMPARE(printer.received().join(' '), kSelfTest + " 00");
  }

  void fontTestTcp() {
    Printer printer;
    QVERIFY2(printer.start({"--tcp", "127.0.0.1:0"}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"font-test", "--tcp", printer.tcp()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outLines(), QStringList{"Fonts Test sent to " + printer.tcp()});
    QVERIFY(printer.waitForEvent(QStringLiteral("font-test block 7")));
    QStringList blocks;
    for (int b = 1; b <= 7; ++b) blocks << QStringLiteral("font-test block %1").arg(b);
    QCOMPARE(printer.events().filter(QStringLiteral("font-test")), blocks);
    QVERIFY(printer.events().filter(QStringLiteral("query")).isEmpty());
  }

  void fontTestDevice() {
    Printer printer;
    QVERIFY2(printer.start({"--pty", printer.ptyPath()}), qPrintable(printer.errorText()));
    const CliRun run = RunSwctl({"font-test", "--device", printer.ptyPath()});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(printer.waitForEvent(QStringLiteral("font-test block 7")));
    QCOMPARE(printer.events().filter(QStringLiteral("font-test")).size(), 7);
  }

  void refused() {
    const QString link = QStringLiteral("127.0.0.1:%1").arg(FreePort());
    const CliRun run = RunSwctl({"self-test", "--tcp", link});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errText(), "Self Test FAILED: " + link + ": connection refused\n");
    const CliRun absent = RunSwctl({"font-test", "--device", "/nonexistent/ttyKS0"});
    QCOMPARE(absent.exitCode, 1);
    QCOMPARE(absent.errText(), QStringLiteral("Fonts Test FAILED: /nonexistent/ttyKS0: no such port\n"));
  }
};

QTEST_GUILESS_MAIN(TestPrintTest)
#include "test_test_print.moc"
