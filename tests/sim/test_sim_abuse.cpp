// The real kestrova-printer-sim against clients that misbehave: a query sent with the half-close,
// a client that never reads its replies (TCP and pty), more connections than open files, and
// garbage with --log.
#include <QRegularExpression>
#include <QtTest>

#include "sim_process.h"

using namespace kestrova::sim::testing;

namespace {

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }
const QByteArray kModelQuery = Hex("1d494300");
const QByteArray kModelReply("_RT-5600\0", 9);
constexpr qint64 kUnsentLimit = 64 * 1024;
constexpr int kLongestReply = 9;              // "_RT-5600\0", the longest reply a flood below gets
constexpr qint64 kMemoryCeilingKiB = 40 * 1024;  // the idle simulator needs about 12 MiB

// Under a sanitizer the simulator's memory is the runtime's shadow and quarantine, and the
// runtime itself needs descriptors (it opens /proc files to check and report): at the open-file
// limit it fails before the simulator does. Those two checks run in plain builds only; the rest
// of each test (the drop and its log line, the clients served) runs in every build.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

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

  // What arrives with the FIN is run and answered; then the simulator closes.
  void halfCloseIsAnswered_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<QByteArray>("replies");
    QTest::newRow("one query") << QStringList{} << QList<QByteArray>{kModelQuery} << kModelReply;
    QTest::newRow("three queries in one write")
        << QStringList{} << QList<QByteArray>{kModelQuery + Hex("1d673427") + Hex("1d494100")}
        << kModelReply + QByteArray("_0\0_V1.05\0", 10);
    QTest::newRow("garbage, then a query") << QStringList{} << QList<QByteArray>{Hex("0102" "1d673429")}
                                           << QByteArray("_0\0", 3);
    QTest::newRow("drop after the first") << QStringList{"--drop-after", "1"}
                                          << QList<QByteArray>{Hex("1d673427" "1d673428")} << QByteArray("_0\0", 3);
  }
  void halfCloseIsAnswered() {
    QFETCH(QStringList, options);
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QByteArray, replies);
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--tcp", "127.0.0.1:0"} + options), qPrintable(sim.errorText()));
    RawTcpClient client;
    QVERIFY(client.connect(sim.tcpPort()));
    for (const QByteArray& w : writes) QVERIFY(client.write(w));
    QVERIFY(client.shutdownWrite());
    bool closed = false;
    QCOMPARE(client.read(int(replies.size()) + 1, 3000, &closed), replies);
    QVERIFY(closed);
  }

  // A client writing queries and never reading is dropped once its unsent replies pass the limit;
  // another client is answered all along; the memory stays small.
  void nonReadingClientIsDropped() {
    const QString log = dir_.filePath("flood.log");
    SimProcess sim;
    QVERIFY2(sim.start({"--tcp", "127.0.0.1:0", "--log", log}), qPrintable(sim.errorText()));
    const quint16 port = sim.tcpPort();
    QTcpSocket other;
    QVERIFY(ConnectTcp(other, port));
    QCOMPARE(Exchange(other, kModelQuery, kModelReply.size()), kModelReply);

    RawTcpClient flood;
    QVERIFY(flood.connect(port, 4096));
    const QByteArray queries = kModelQuery.repeated(4096);
    QDeadlineTimer deadline(20000);
    qint64 sent = 0;
    bool dropped = false;
    while (!dropped && !deadline.hasExpired()) {
      const qint64 n = flood.writeSome(queries);
      dropped = n < 0;
      sent += std::max<qint64>(n, 0);
      // Meanwhile the other client is served.
      QCOMPARE(Exchange(other, kModelQuery, kModelReply.size()), kModelReply);
    }
    QVERIFY2(dropped, qPrintable(QStringLiteral("still connected after %1 bytes").arg(sent)));

    // Dropped at the first reply over the limit; the disconnect follows.
    const QString link = QStringLiteral("tcp:%1").arg(port);
    const QString drop = WaitForLogMatch(log, "^" + link + " event drop: \\d+ bytes unsent \\(limit 65536\\)$");
    QVERIFY(!drop.isEmpty());
    const qint64 unsent = drop.section(' ', 3, 3).toLongLong();
    QVERIFY2(unsent > kUnsentLimit && unsent <= kUnsentLimit + kLongestReply, qPrintable(drop));
    QVERIFY(WaitForLogLine(log, link + " event disconnect"));
    const QStringList lines = LogLines(log);
    const QStringList after = lines.mid(lines.indexOf(drop) + 1).filter(QRegularExpression("^" + link + " event "));
    QCOMPARE(after.value(0), link + " event disconnect");

    QVERIFY2(kSanitized || ProcessMemoryKiB(sim.pid(), "VmHWM") < kMemoryCeilingKiB,
             qPrintable(QString::number(ProcessMemoryKiB(sim.pid(), "VmHWM"))));
    QCOMPARE(Exchange(other, kModelQuery, kModelReply.size()), kModelReply);
    QTcpSocket later;
    QVERIFY(ConnectTcp(later, port));
    QCOMPARE(Exchange(later, Hex("1d673427"), 3), QByteArray("_0\0", 3));
  }

  // At its open-file limit the simulator stops accepting instead of spinning; once connections
  // close, the queued clients and new ones are served, also on another printer of the process.
  void openFileLimit_data() {
    QTest::addColumn<int>("printers");
    QTest::addColumn<int>("waitingOn");  // the printer a client waits for at the limit
    QTest::newRow("same printer") << 1 << 0;
    QTest::newRow("another printer") << 2 << 1;
  }
  void openFileLimit() {
    if (kSanitized) QSKIP("the sanitizer runtime needs descriptors of its own at the limit");
    QFETCH(int, printers);
    QFETCH(int, waitingOn);
    const QString log = dir_.filePath("limit.log");
    SimProcess sim;
    sim.setOpenFileLimit(64);
    QVERIFY2(sim.start({"--count", QString::number(printers), "--tcp", "127.0.0.1:0", "--log", log}, printers),
             qPrintable(sim.errorText()));
    const auto link = [&](int i) { return QStringLiteral("tcp:%1").arg(sim.tcpPort(i)); };

    std::vector<std::unique_ptr<RawTcpClient>> clients;
    for (int i = 0; i < 80; ++i) {
      clients.push_back(std::make_unique<RawTcpClient>());
      QVERIFY(clients.back()->connect(sim.tcpPort(0)));  // the kernel queues what is not accepted
    }
    QVERIFY(WaitForLogLine(log, link(0) + " event accept paused: Too many open files"));
    RawTcpClient waiting;
    QVERIFY(waiting.connect(sim.tcpPort(waitingOn)));
    if (waitingOn != 0) QVERIFY(WaitForLogLine(log, link(waitingOn) + " event accept paused: Too many open files"));
    QVERIFY(waiting.write(kModelQuery));

    // No busy loop: a second of waiting costs next to no CPU time (a spinning loop uses it all).
    const double before = ProcessCpuSeconds(sim.pid());
    QThread::msleep(1000);
    const double used = ProcessCpuSeconds(sim.pid()) - before;
    QVERIFY2(before >= 0 && used < 0.1, qPrintable(QString::number(used)));

    for (int i = 0; i < 40; ++i) clients[static_cast<std::size_t>(i)]->close();
    QCOMPARE(waiting.read(kModelReply.size(), 3000), kModelReply);
    QVERIFY(WaitForLogLine(log, link(waitingOn) + " event accept resumed"));
    // The last one queued at the limit is served too, and a newcomer.
    QVERIFY(clients.back()->write(Hex("1d673427")));
    QCOMPARE(clients.back()->read(3, 3000), QByteArray("_0\0", 3));
    RawTcpClient newcomer;
    QVERIFY(newcomer.connect(sim.tcpPort(0)));
    QVERIFY(newcomer.write(kModelQuery));
    QCOMPARE(newcomer.read(kModelReply.size(), 3000), kModelReply);
  }

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
    RawTcpClient client;
    QVERIFY(client.connect(sim.tcpPort()));
    for (qsizetype at = 0; at < garbage.size(); at += writeSize) QVERIFY(client.write(garbage.mid(at, writeSize)));
    if (queryAfter) {
      QVERIFY(client.write(kModelQuery));
      QCOMPARE(client.read(kModelReply.size()), kModelReply);
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

 private:
  QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(SimAbuseTest)
#include "test_sim_abuse.moc"
