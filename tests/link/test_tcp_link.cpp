// The TCP/IP link against a printer on 127.0.0.1.
#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QtTest>
#include <cerrno>

#include "link/tcp_link.h"
#include "tcp_server.h"
#include "tsan_qt.h"

using namespace kestrova;
using kestrova::testing::TcpPrinter;

Q_DECLARE_METATYPE(std::string)

namespace {

const Bytes kModelQuery("\x1D\x49\x43\x00", 4);
const Bytes kSw1Query("\x1D\x67\x34\x27", 4);
const Bytes kSw2Query("\x1D\x67\x34\x28", 4);

}  // namespace

class TcpLinkTest : public QObject {
  Q_OBJECT

  static bool connect(TcpLink& link, const TcpPrinter& printer) {
    link.prepare("127.0.0.1", std::to_string(printer.port()));
    return link.connectToPrinter();
  }

 private slots:
  void exactBytesBothWays_data() {
    QTest::addColumn<std::string>("command");
    QTest::addColumn<std::string>("reply");
    QTest::newRow("model name") << kModelQuery << std::string("_RT-6100\0", 9);
    QTest::newRow("switch write, 9 bytes")
        << std::string("\x1D\x67\x38\x29\x31\x32\x38\x00\x00", 9) << std::string();
    QTest::newRow("self test") << std::string("\x1D\x28\x41\x02\x00\x00\x02", 7) << std::string();
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    QTest::newRow("every byte") << all << all;
  }
  void exactBytesBothWays() {
    QFETCH(std::string, command);
    QFETCH(std::string, reply);
    TcpPrinter printer;
    TcpLink link;
    QVERIFY2(connect(link, printer), DescribeLinkError(link.lastError()).c_str());
    QCOMPARE(int(link.shape()), int(LinkShape::Tcp));
    QVERIFY(link.send(command));
    QCOMPARE(printer.received(command.size()), command);
    if (!reply.empty()) {
      printer.send(reply);
      Bytes got;
      for (int i = 0; i < 10 && got.size() < reply.size(); ++i) got += link.receive(reply.size() - got.size(), 100);
      QCOMPARE(got, reply);
    }
  }

  void receiveTakesAtMostAndKeepsTheRest() {
    TcpPrinter printer;
    TcpLink link;
    QVERIFY(connect(link, printer));
    QVERIFY(link.send(kSw1Query));
    printer.send(Bytes("_255\0_RT-", 9));
    QTest::qWait(20);
    QCOMPARE(link.receive(8, kReceiveTimeoutMs), Bytes("_255\0_RT", 8));
    QCOMPARE(link.receive(64, kReceiveTimeoutMs), Bytes("-"));
  }

  void receiveWithoutDataGivesUpInTimeWithoutErrorEvent() {
    TcpPrinter printer;
    TcpLink link;
    std::vector<int> codes;
    link.setErrorHandler([&codes](int code) { codes.push_back(code); });
    QVERIFY(connect(link, printer));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link.receive(64, 100), Bytes());
    QVERIFY(timer.elapsed() >= 90);
    QVERIFY(timer.elapsed() < 1000);
    QVERIFY(codes.empty());
    QVERIFY(link.isConnected());
  }

  void connectionKeptAcrossSeveralExchanges() {
    TcpPrinter printer;
    TcpLink link;
    QVERIFY(connect(link, printer));
    const Bytes queries[] = {kModelQuery, kSw1Query, kSw2Query};
    const Bytes replies[] = {Bytes("_RT-5500E\0", 10), Bytes("_0\0", 3), Bytes("_128\0", 5)};
    for (int i = 0; i < 3; ++i) {
      QVERIFY(link.send(queries[i]));
      QCOMPARE(printer.received(4), queries[i]);
      printer.send(replies[i]);
      QCOMPARE(link.receive(64, kReceiveTimeoutMs), replies[i]);
    }
    // A second read: prepare leaves host and port alone, connect does not reconnect.
    QVERIFY(!link.prepare("10.0.0.5", "515"));
    QCOMPARE(link.remoteHost(), std::string("127.0.0.1"));
    QCOMPARE(link.remotePort(), std::to_string(printer.port()));
    QVERIFY(link.connectToPrinter());
    QVERIFY(link.connectForWrite("10.0.0.5", "515"));
    QCOMPARE(link.remoteHost(), std::string("127.0.0.1"));
    QVERIFY(link.send(kSw1Query));
    QCOMPARE(printer.received(4), kSw1Query);
    QCOMPARE(printer.connectionsAccepted(), 1);
  }

  void prepareSetsHostAndPortWhenNotConnected() {
    TcpLink link;
    QVERIFY(link.prepare(FormatHostText(kDefaultPrinterAddress), "9100x"));
    QCOMPARE(link.remoteHost(), std::string("192.168.192.168"));
    QCOMPARE(link.remotePort(), std::string("9100"));
    QVERIFY(link.prepare("10.0.0.5", ""));
    QCOMPARE(link.remotePort(), std::string("0"));
  }

  void connectForWriteConnects() {
    TcpPrinter printer;
    TcpLink link;
    QVERIFY(link.connectForWrite("127.0.0.1", std::to_string(printer.port()) + "x"));
    QVERIFY(link.isActive());
    QVERIFY(link.isConnected());
    QCOMPARE(link.remotePort(), std::to_string(printer.port()));
    QVERIFY(link.send(Bytes("\x1D\x28\x41\x02\x00\x00\x02", 7)));
    QCOMPARE(printer.received(7), Bytes("\x1D\x28\x41\x02\x00\x00\x02", 7));
  }

  void connectionRefused() {
    TcpLink link;
    std::vector<int> codes;
    link.setErrorHandler([&codes](int code) { codes.push_back(code); });
    link.prepare("127.0.0.1", std::to_string(TcpPrinter::ClosedPort()));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link.connectToPrinter());
    QVERIFY(timer.elapsed() < kConnectTimeoutMs + 500);
    QVERIFY(!link.isConnected());
    QCOMPARE(int(link.lastError().kind), int(LinkError::Kind::Refused));
    QCOMPARE(codes, std::vector<int>{ECONNREFUSED});
    QVERIFY(!link.send(kSw1Query));
    QCOMPARE(int(link.lastError().kind), int(LinkError::Kind::Closed));
  }

  void unusablePortOrHost() {
    TcpLink link;
    link.prepare("127.0.0.1", "");
    QVERIFY(!link.connectToPrinter());
    QCOMPARE(link.remotePort(), std::string("0"));
    link.prepare("printer.local", "9100");
    QVERIFY(!link.connectToPrinter());
    QCOMPARE(int(link.lastError().kind), int(LinkError::Kind::Absent));
  }

  void errorEventWhenPeerDrops() {
    TcpPrinter printer;
    TcpLink link;
    std::vector<int> codes;
    link.setErrorHandler([&codes](int code) { codes.push_back(code); });
    QVERIFY(connect(link, printer));
    QVERIFY(codes.empty());
    printer.dropClient();
    for (int i = 0; i < 10 && codes.empty(); ++i) link.receive(64, 50);
    QCOMPARE(codes, std::vector<int>{ECONNRESET});
    QVERIFY(!link.isConnected());
    QVERIFY(!link.send(kSw1Query));
  }

  void closeEndsConnection() {
    TcpPrinter printer;
    TcpLink link;
    QVERIFY(connect(link, printer));
    link.close();
    QVERIFY(!link.isConnected());
    QVERIFY(!link.isOpen());
  }
};

QTEST_GUILESS_MAIN(TcpLinkTest)
#include "test_tcp_link.moc"
