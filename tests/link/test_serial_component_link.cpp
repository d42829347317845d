// COM1..COM4 through the serial component, against a pseudo-terminal.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QSerialPort>
#include <QtTest>

#include "link/serial_component_link.h"
#include "link/serial_device_link.h"
#include "pty.h"
#include "tsan_qt.h"

using namespace kestrova;
using kestrova::testing::Pty;
using kestrova::testing::TakeUntil;

Q_DECLARE_METATYPE(std::string)

namespace {

// COM1 mapped to a fresh pseudo-terminal, its link not yet opened.
struct PtyPort {
  Pty pty;
  ComPortMap map;
  std::unique_ptr<SerialComponentLink> link;
  PtyPort() {
    map.setOverride(1, pty.slavePath());
    link = std::make_unique<SerialComponentLink>(map);
  }
};

}  // namespace

class SerialComponentLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void sendAndTakeExactBytes_data() {
    QTest::addColumn<std::string>("command");
    QTest::addColumn<std::string>("reply");
    QTest::newRow("model name") << std::string("\x1D\x49\x43\x00", 4) << std::string("_RT-6100\0", 9);
    QTest::newRow("SW1") << std::string("\x1D\x67\x34\x27", 4) << std::string("_0\0", 3);
    QTest::newRow("write SW3") << std::string("\x1D\x67\x38\x29\x31\x32\x38\x00", 8) << std::string();
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    QTest::newRow("every byte") << all << all;
  }
  void sendAndTakeExactBytes() {
    QFETCH(std::string, command);
    QFETCH(std::string, reply);
    Pty pty;
    QVERIFY(pty.ok());
    ComPortMap map;
    map.setOverride(3, pty.slavePath());
    SerialComponentLink link(map);
    link.setCommPort(2);  // COM3
    QCOMPARE(link.devicePath(), pty.slavePath());
    QVERIFY2(link.probeAndOpen(), DescribeLinkError(link.lastError()).c_str());
    QCOMPARE(int(link.shape()), int(LinkShape::SerialComponent));
    QVERIFY(link.send(command));
    QCOMPARE(pty.readFromLink(command.size()), command);
    pty.writeToLink(reply);
    QCOMPARE(TakeUntil(link, reply.size()), reply);
    QCOMPARE(pty.drain(50), Bytes());
    link.close();
    QVERIFY(!link.isOpen());
  }

  void takeDoesNotWait() {
    PtyPort port;
    SerialComponentLink& link = *port.link;
    QVERIFY(link.probeAndOpen());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link.takeAvailable(), Bytes());
    QVERIFY(timer.elapsed() < 50);
  }

  void bytesInSystemBufferAreSeenAtOnce() {
    PtyPort port;
    SerialComponentLink& link = *port.link;
    QVERIFY(link.probeAndOpen());
    port.pty.writeToLink("_48");
    QTest::qSleep(50);  // no event loop runs meanwhile
    QCOMPARE(link.takeAvailable(), Bytes("_48"));
  }

  void lateReplyGoesToNextTake() {
    PtyPort port;
    SerialComponentLink& link = *port.link;
    QVERIFY(link.probeAndOpen());
    QVERIFY(link.send(Bytes("\x1D\x67\x34\x27", 4)));
    QCOMPARE(link.takeAvailable(), Bytes());  // the reply is late
    port.pty.writeToLink(Bytes("_0\0", 3));
    QVERIFY(link.send(Bytes("\x1D\x67\x34\x28", 4)));
    port.pty.writeToLink(Bytes("_1\0", 3));
    QTest::qSleep(50);
    QCOMPARE(link.takeAvailable(), Bytes("_0\0_1\0", 6));
  }

  void receiveAtMost() {
    PtyPort port;
    SerialComponentLink& link = *port.link;
    QVERIFY(link.probeAndOpen());
    port.pty.writeToLink("_12345678");
    QTest::qSleep(30);
    QCOMPARE(link.receive(4, 100), Bytes("_123"));
    QCOMPARE(link.peek(10), Bytes("45678"));
    QCOMPARE(link.receive(64, 100), Bytes("45678"));
    QCOMPARE(link.receive(64, 50), Bytes());
  }

  void discardDropsPendingInput() {
    PtyPort port;
    SerialComponentLink& link = *port.link;
    QVERIFY(link.probeAndOpen());
    port.pty.writeToLink("_stale");
    QTest::qSleep(30);
    link.discard();
    QCOMPARE(link.takeAvailable(), Bytes());
  }

  void settingsReachThePort_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("handshaking");
    QTest::addColumn<int>("parity");
    QTest::addColumn<uint>("speed");
    QTest::newRow("defaults") << 115200 << 0 << 0 << uint(B115200);
    QTest::newRow("9600 xon/xoff") << 9600 << 1 << 0 << uint(B9600);
    QTest::newRow("19200") << 19200 << 0 << 0 << uint(B19200);
    QTest::newRow("38400 even") << 38400 << 0 << 1 << uint(B38400);
  }
  void settingsReachThePort() {
    QFETCH(int, rate);
    QFETCH(int, handshaking);
    QFETCH(int, parity);
    QFETCH(uint, speed);
    Pty pty;
    const int held = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(held >= 0);
    termios tio{};
    QCOMPARE(::tcgetattr(held, &tio), 0);
    ::cfsetspeed(&tio, B9600);
    QCOMPARE(::tcsetattr(held, TCSANOW, &tio), 0);
    ComPortMap map;
    map.setOverride(2, pty.slavePath());
    SerialComponentLink link(map);
    link.setCommPort(1);
    link.setSettings({rate, Handshaking(handshaking), Parity(parity)});
    QVERIFY2(link.probeAndOpen(), DescribeLinkError(link.lastError()).c_str());
    QCOMPARE(::tcgetattr(held, &tio), 0);
    QCOMPARE(uint(cfgetospeed(&tio)), speed);
    QCOMPARE(bool(tio.c_iflag & IXON), handshaking == 1);
    QVERIFY(!(tio.c_cflag & CRTSCTS));
    QVERIFY(!(tio.c_lflag & (ICANON | ECHO | ISIG)));
    // A change while open is applied at once.
    link.setBaudRate(19200);
    QCOMPARE(::tcgetattr(held, &tio), 0);
    QCOMPARE(uint(cfgetospeed(&tio)), uint(B19200));
    // The port keeps the settings of its last use after the close, and a device-handle open
    // (the test prints on COM1..COM4) goes out with them.
    link.close();
    QCOMPARE(::tcgetattr(held, &tio), 0);
    QCOMPARE(uint(cfgetospeed(&tio)), uint(B19200));
    QCOMPARE(bool(tio.c_iflag & IXON), handshaking == 1);
    LinkError error;
    auto device = SerialDeviceLink::Open(pty.slavePath(), error);
    QVERIFY(device);
    device->close();
    QCOMPARE(::tcgetattr(held, &tio), 0);
    QCOMPARE(uint(cfgetospeed(&tio)), uint(B19200));
    ::close(held);
  }

  void absentPort() {
    ComPortMap map;
    map.setOverride(4, "/dev/kestrova-no-such-port");
    SerialComponentLink link(map);
    link.setCommPort(3);
    QVERIFY(!link.probeAndOpen());
    QVERIFY(!link.isOpen());
    QCOMPARE(int(link.lastError().kind), int(LinkError::Kind::Absent));
    QCOMPARE(link.lastError().osError, ENOENT);
    QVERIFY(!link.send("x"));
  }

  void busyPort() {
    Pty pty;
    ComPortMap map;
    map.setOverride(1, pty.slavePath());
    SerialComponentLink first(map);
    QVERIFY(first.probeAndOpen());
    SerialComponentLink second(map);
    QVERIFY(!second.probeAndOpen());
    QCOMPARE(int(second.lastError().kind), int(LinkError::Kind::Busy));
    first.close();
    QVERIFY(second.probeAndOpen());
  }

  void busyWhileHeldByDeviceHandle() {
    Pty pty;
    LinkError error;
    auto device = SerialDeviceLink::Open(pty.slavePath(), error);
    QVERIFY(device);
    ComPortMap map;
    map.setOverride(1, pty.slavePath());
    SerialComponentLink link(map);
    QVERIFY(!link.probeAndOpen());
    QCOMPARE(int(link.lastError().kind), int(LinkError::Kind::Busy));
  }

  void openPortIsReused() {
    PtyPort port;
    SerialComponentLink& link = *port.link;
    QVERIFY(link.probeAndOpen());
    QVERIFY(link.probeAndOpen());  // left open: used as it is, no second open
    QVERIFY(link.isOpen());
  }

  void receiveErrorRaisesEvent() {
    auto pty = std::make_unique<Pty>();
    ComPortMap map;
    map.setOverride(1, pty->slavePath());
    SerialComponentLink link(map);
    std::vector<int> codes;
    link.setErrorHandler([&codes](int code) { codes.push_back(code); });
    QVERIFY(link.probeAndOpen());
    QCOMPARE(link.takeAvailable(), Bytes());
    QVERIFY(codes.empty());  // looking without data is no error
    pty->closeMaster();      // the printer goes away
    for (int i = 0; i < 20 && codes.empty(); ++i) {
      link.takeAvailable();
      QTest::qWait(10);
    }
    QVERIFY(!codes.empty());
    QVERIFY(codes.front() == int(QSerialPort::ResourceError) || codes.front() == int(QSerialPort::ReadError));
  }
};

QTEST_GUILESS_MAIN(SerialComponentLinkTest)
#include "test_serial_component_link.moc"
