// The real kestrova-printer-sim fed garbage with --log: the log stays small however the garbage
// comes, and the printer still answers what follows it. Out of descriptors, it pauses accepting.
// A --pty path it may not use is left as it was.
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <vector>

#include "sim_process.h"

using namespace kestrova::sim::testing;

namespace {

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }
const QByteArray kModelQuery = Hex("1d494300");
const QByteArray kModelReply("_RT-5600\0", 9);

// Bytes that never form a command: 0x20..0x3C in a pattern.
QByteArray Garbage(int size) {
  QByteArray g(size, '\0');
  for (int i = 0; i < size; ++i) g[i] = static_cast<char>(0x20 + (i * 7 + 1) % 0x1D);
  return g;
}

}  // namespace

class SimAbuseTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { QVERIFY(dir_.isValid()); }

  // A run of garbage costs the log its first 32 bytes and one count, however it is cut up.
  void garbageLogIsBounded_data() {
    QTest::addColumn<QByteArray>("garbage");
    QTest::addColumn<int>("writeSize");
    QTest::addColumn<bool>("queryAfter");
    QTest::newRow("256 KiB in one write") << Garbage(256 * 1024) << 256 * 1024 << true;
    QTest::newRow("48 KiB in 16-byte writes") << Garbage(48 * 1024) << 16 << true;
    QTest::newRow("held-back command starts") << Hex("1d6799").repeated(20000) << 16 << true;
    QTest::newRow("ended by the close") << Garbage(64 * 1024) << 1000 << false;
  }
  void garbageLogIsBounded() {
    QFETCH(QByteArray, garbage);
    QFETCH(int, writeSize);
    QFETCH(bool, queryAfter);
    const QString log = dir_.filePath("garbage.log");
    SimProcess sim;
    QVERIFY2(sim.start({"--tcp", "127.0.0.1:0", "--log", log}), qPrintable(sim.errorText()));
    const QString link = QStringLiteral("tcp:%1").arg(sim.tcpPort());
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, sim.tcpPort());
    QVERIFY(client.waitForConnected(2000));
    client.setSocketOption(QAbstractSocket::LowDelayOption, 1);  // every write its own segment
    for (qsizetype at = 0; at < garbage.size(); at += writeSize) {
      client.write(garbage.mid(at, writeSize));
      QVERIFY(client.waitForBytesWritten(2000));
    }
    if (queryAfter) {
      client.write(kModelQuery);
      QByteArray reply;
      while (reply.size() < kModelReply.size() && client.waitForReadyRead(2000)) reply += client.readAll();
      QCOMPARE(reply, kModelReply);
    }
    client.close();
    QVERIFY(WaitForLogLine(log, link + " event disconnect"));

    // The shown head is the run's first 32 bytes; the count is the rest, logged where the run ends.
    const QStringList events = LogLines(log).filter(QRegularExpression("^" + link + " event "));
    const QRegularExpression count("^" + link + " event ignored (\\d+) more bytes$");
    QStringList head;
    QStringList counts;
    for (const QString& e : events) {
      if (count.match(e).hasMatch()) counts << e;
      else if (e.startsWith(link + " event ignored ")) head << e.section(' ', 3);
    }
    QCOMPARE(head.join(' ').toLatin1(), garbage.left(32).toHex(' '));
    const QString expected = QStringLiteral("%1 event ignored %2 more bytes").arg(link).arg(garbage.size() - 32);
    QCOMPARE(counts, QStringList{expected});
    QCOMPARE(events.value(events.indexOf(expected) + 1),
             link + (queryAfter ? " event query model-name" : " event disconnect"));
    // Without the bound the log grew six times the garbage.
    QVERIFY2(QFileInfo(log).size() < 4096, qPrintable(QString::number(QFileInfo(log).size())));
  }

  // Out of descriptors the simulator stops accepting instead of spinning; closed connections let
  // the clients queued meanwhile in, and they are answered.
  void acceptPausesAtTheOpenFileLimit() {
    constexpr int kLimit = 40;
    SimProcess sim;
    sim.setOpenFileLimit(kLimit);
    QVERIFY2(sim.startLogged({"--tcp", "127.0.0.1:0"}), qPrintable(sim.errorText()));
    // One client served and gone first: under UBSan the first check of each dynamic type needs a
    // descriptor of its own (a pipe), which the limit would deny.
    {
      QTcpSocket first;
      first.connectToHost(QHostAddress::LocalHost, sim.tcpPort());
      QVERIFY(first.waitForConnected(2000));
      first.write(kModelQuery);
      QByteArray reply;
      while (reply.size() < kModelReply.size() && first.waitForReadyRead(2000)) reply += first.readAll();
      QCOMPARE(reply, kModelReply);
    }
    QVERIFY(sim.waitForEvent("disconnect"));
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < kLimit; ++i) {  // more than can be accepted: the simulator holds some itself
      clients.push_back(std::make_unique<QTcpSocket>());
      clients.back()->connectToHost(QHostAddress::LocalHost, sim.tcpPort());
      QVERIFY(clients.back()->waitForConnected(2000));
    }
    QVERIFY(sim.waitForEvent("accept paused: Too many open files"));
    const qsizetype accepted = sim.events().filter(QRegularExpression("^connect ")).size() - 1;
    QVERIFY2(accepted >= kLimit / 2 && accepted < kLimit, qPrintable(QString::number(accepted)));
    for (qsizetype i = 0; i < accepted; ++i) clients[static_cast<std::size_t>(i)]->close();
    for (qsizetype i = accepted; i < kLimit; ++i) {
      QTcpSocket& client = *clients[static_cast<std::size_t>(i)];
      client.write(kModelQuery);
      QByteArray reply;
      while (reply.size() < kModelReply.size() && client.waitForReadyRead(3000)) reply += client.readAll();
      QCOMPARE(reply, kModelReply);
    }
    // Each pause logged once and ended by the next accepted client; the frees may come one by one,
    // and accept() fails for want of a descriptor even when no client waits.
    const QStringList pauses = sim.events().filter(QRegularExpression("^accept "));
    QVERIFY2(pauses.size() >= 2, qPrintable(pauses.join(", ")));
    for (qsizetype i = 0; i < pauses.size(); ++i)
      QCOMPARE(pauses[i], i % 2 == 0 ? QStringLiteral("accept paused: Too many open files") : QStringLiteral("accept resumed"));
  }

  // A --pty path that is not a symbolic link is refused, and what is there stays.
  void ptyPathOfAFileIsLeftAlone() {
    const QString path = dir_.filePath("not-a-link");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    QProcess sim;
    sim.start(SimBinary(), {"--pty", path});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 1);
    QCOMPARE(sim.readAllStandardError(), "kestrova-printer-sim: " + path.toUtf8() + " exists and is not a symbolic link\n");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep"));
  }

 private:
  QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(SimAbuseTest)
#include "test_sim_abuse.moc"
