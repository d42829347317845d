// The real kestrova-printer-sim over loopback TCP and its pty: exact replies, log lines, several
// printers, the state file across a restart, and the fault options.
#include <QRegularExpression>
#include <QtTest>

#include "sim_process.h"

using namespace kestrova::sim::testing;

namespace {

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }
const QByteArray kUnlock = Hex("1d67756e6c00");
const QByteArray kLock = Hex("1d676c636b00");

}  // namespace

class SimProcessTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { QVERIFY(dir_.isValid()); }

  void tcpRepliesAndLog() {
    const QString log = dir_.filePath("tcp.log");
    SimProcess sim;
    QVERIFY2(sim.start({"--model", "KD240", "--tcp", "127.0.0.1:0", "--switches", "1,2,128,4,255", "--log", log}),
             qPrintable(sim.errorText()));
    const quint16 port = sim.tcpPort();
    QCOMPARE(sim.listening(), QStringList{QStringLiteral("listening tcp 127.0.0.1:%1").arg(port)});

    QTcpSocket socket;
    QVERIFY(ConnectTcp(socket, port));
    QCOMPARE(Exchange(socket, Hex("1d494300"), 8), QByteArray("_KD-240\0", 8));
    QCOMPARE(Exchange(socket, Hex("1d673429"), 5), QByteArray("_128\0", 5));

    const QString link = QStringLiteral("tcp:%1").arg(port);
    QVERIFY(WaitForLogLine(log, link + " tx 5f 31 32 38 00"));
    const QStringList lines = LogLines(log);
    const int rx = lines.indexOf(link + " rx 1d 49 43 00");
    QVERIFY(rx > 0);
    QVERIFY(lines[rx - 1].startsWith(link + " event connect 127.0.0.1:"));
    QCOMPARE(lines.mid(rx, 6), QStringList({link + " rx 1d 49 43 00", link + " event query model-name",
                                            link + " tx 5f 4b 44 2d 32 34 30 00", link + " rx 1d 67 34 29",
                                            link + " event query SW3", link + " tx 5f 31 32 38 00"}));
    socket.disconnectFromHost();
    QVERIFY(WaitForLogLine(log, link + " event disconnect"));

    // Every line starts with a local timestamp to the millisecond.
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\S+ (rx|tx|event)( |$)");
    for (const QByteArray& l : f.readAll().split('\n'))
      if (!l.isEmpty()) QVERIFY2(stamp.match(QString::fromUtf8(l)).hasMatch(), l.constData());
  }

  void ptyReadAndDeviceHandleWrite() {
    const QString log = dir_.filePath("pty.log");
    const QString path = dir_.filePath("printer");
    SimProcess sim;
    QVERIFY2(sim.start({"--pty", path, "--log", log}), qPrintable(sim.errorText()));
    QVERIFY(sim.listening().first().startsWith("listening pty " + path + " -> /dev/"));

    PtyClient pty;
    QVERIFY(pty.open(path));
    // The device-handle read sends the model-name query in 3 bytes.
    QVERIFY(pty.write(Hex("1d4943")));
    QCOMPARE(pty.read(9), QByteArray("_RT-5600\0", 9));
    QVERIFY(pty.write(Hex("1d673425")));
    QCOMPARE(pty.read(2), Hex("5f00"));

    // Switch header and value block as two writes with a pause between them.
    QVERIFY(pty.write(kUnlock + Hex("1d673829")));
    QThread::msleep(100);
    QVERIFY(pty.write(Hex("31323800") + kLock));
    const QString link = "pty:" + path;
    QVERIFY(WaitForLogLine(log, link + " event lock"));
    const QStringList lines = LogLines(log);
    QVERIFY(lines.contains(link + " rx 1d 67 75 6e 6c 00 1d 67 38 29"));
    QVERIFY(lines.contains(link + " event set SW3=128"));
    QVERIFY(lines.contains(link + " rx 31 32 38 00 1d 67 6c 63 6b 00"));
  }

  void threePrintersOnOwnStateAcrossRestart() {
    const QString state = dir_.filePath("state.json");
    const QStringList args{"--count", "3", "--tcp", "127.0.0.1:0", "--state", state};
    {
      SimProcess sim;
      QVERIFY2(sim.start(args, 3), qPrintable(sim.errorText()));
      QTcpSocket socket;
      QVERIFY(ConnectTcp(socket, sim.tcpPort(1)));
      socket.write(kUnlock + Hex("1d67382931323800" "00") + kLock);
      QVERIFY(socket.waitForBytesWritten(2000));
      // Still the old value until the printer restarts.
      QCOMPARE(Exchange(socket, Hex("1d673429"), 3), QByteArray("_0\0", 3));
      socket.disconnectFromHost();
    }
    SimProcess sim;
    QVERIFY2(sim.start(args, 3), qPrintable(sim.errorText()));
    const QByteArray expected[3] = {QByteArray("_0\0", 3), QByteArray("_128\0", 5), QByteArray("_0\0", 3)};
    for (int i = 0; i < 3; ++i) {
      QTcpSocket socket;
      QVERIFY(ConnectTcp(socket, sim.tcpPort(i)));
      QCOMPARE(Exchange(socket, Hex("1d673429"), expected[i].size()), expected[i]);
    }
  }

  void delayedReplies() {
    SimProcess sim;
    QVERIFY2(sim.start({"--tcp", "127.0.0.1:0", "--delay-ms", "400"}), qPrintable(sim.errorText()));
    QTcpSocket socket;
    QVERIFY(ConnectTcp(socket, sim.tcpPort()));
    QElapsedTimer t;
    t.start();
    QCOMPARE(Exchange(socket, Hex("1d673427"), 3, 3000), QByteArray("_0\0", 3));
    QVERIFY2(t.elapsed() >= 350, qPrintable(QString::number(t.elapsed())));
  }

  void silentAnswersNothing() {
    const QString log = dir_.filePath("silent.log");
    SimProcess sim;
    QVERIFY2(sim.start({"--tcp", "127.0.0.1:0", "--silent", "--log", log}), qPrintable(sim.errorText()));
    QTcpSocket socket;
    QVERIFY(ConnectTcp(socket, sim.tcpPort()));
    QCOMPARE(Exchange(socket, Hex("1d494300"), 1, 500), QByteArray());
    QVERIFY(WaitForLogLine(log, QStringLiteral("tcp:%1 event query model-name").arg(sim.tcpPort())));
  }

  void dropAfterClosesTheConnection() {
    SimProcess sim;
    QVERIFY2(sim.start({"--tcp", "127.0.0.1:0", "--drop-after", "2"}), qPrintable(sim.errorText()));
    QTcpSocket socket;
    QVERIFY(ConnectTcp(socket, sim.tcpPort()));
    QCOMPARE(Exchange(socket, Hex("1d673427"), 3), QByteArray("_0\0", 3));
    QCOMPARE(Exchange(socket, Hex("1d673428"), 3), QByteArray("_0\0", 3));
    QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(2000));
  }

  void dropAfterClosesThePtyOnceRead() {
    const QString path = dir_.filePath("dropping");
    SimProcess sim;
    QVERIFY2(sim.start({"--pty", path, "--drop-after", "2", "--delay-ms", "50"}), qPrintable(sim.errorText()));
    PtyClient pty;
    QVERIFY(pty.open(path));
    QVERIFY(pty.write(Hex("1d673427" "1d673428" "1d673429")));
    // The replies to the first two commands still arrive; then the pty is gone.
    QCOMPARE(pty.read(7, 2000), QByteArray("_0\0_0\0", 6));
    QDeadlineTimer deadline(3000);
    while (QFileInfo(path).isSymLink() && !deadline.hasExpired()) QThread::msleep(20);
    QVERIFY(!QFileInfo(path).isSymLink());
  }

  void noHeaderAndOverlong() {
    SimProcess sim;
    QVERIFY2(sim.start({"--tcp", "127.0.0.1:0", "--no-header", "--overlong", "10240"}), qPrintable(sim.errorText()));
    QTcpSocket socket;
    QVERIFY(ConnectTcp(socket, sim.tcpPort()));
    const QByteArray reply = Exchange(socket, Hex("1d494300"), 10240);
    QCOMPARE(reply.size(), 10240);
    QVERIFY(reply.startsWith("XRT-5600###"));
    QVERIFY(reply.endsWith(QByteArray("#\0", 2)));
  }

  void helpNamesEveryOption() {
    QByteArray out;
    QCOMPARE(RunSim({"--help"}, &out), 0);
    for (const char* option : {"--model", "--name", "--tcp", "--pty", "--count", "--switches", "--firmware",
                               "--hours", "--cut-count", "--installation-date", "--failed-cuts", "--lines",
                               "--serial", "--language-model", "--font-rom", "--code-page", "--charset",
                               "--font-8x16", "--state", "--log", "--silent", "--delay-ms", "--no-header",
                               "--drop-after", "--garbage", "--overlong", "--version"})
      QVERIFY2(out.contains(option), option);
    QVERIFY(out.contains("<link> rx <hex bytes>"));
  }

  void refusesWrongOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("not loopback") << QStringList{"--tcp", "192.0.2.1:9100"};
    QTest::newRow("no link") << QStringList{"--model", "RT5600"};
    QTest::newRow("unknown model") << QStringList{"--model", "XY1", "--tcp", "127.0.0.1:0"};
    QTest::newRow("four switches") << QStringList{"--tcp", "127.0.0.1:0", "--switches", "1,2,3,4"};
    QTest::newRow("switch 256") << QStringList{"--tcp", "127.0.0.1:0", "--switches", "1,2,3,4,256"};
  }
  void refusesWrongOptions() {
    QFETCH(QStringList, args);
    QCOMPARE(RunSim(args), 2);
  }

 private:
  QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(SimProcessTest)
#include "test_sim_process.moc"
