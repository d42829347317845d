// The serial links against a pseudo-terminal: the line settings the serial component (COM1..COM4)
// gives the port, the raw mode of the device handle (COM5..COM20), which keeps the system's, and
// the waits both make on the loop, with their failures.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QtTest>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "link/serial_component_link.h"
#include "link/serial_device_link.h"
#include "pty.h"
#include "tsan_qt.h"

using namespace kestrova;
using kestrova::testing::Pty;
using kestrova::testing::TakeUntil;

class SerialLinksTest : public QObject {
  Q_OBJECT

  std::unique_ptr<SerialDeviceLink> openLink(const Pty& pty) {
    LinkError error;
    auto link = SerialDeviceLink::Open(pty.slavePath(), error);
    if (!link) qWarning("open failed: %s", DescribeLinkError(error).c_str());
    return link;
  }

 private slots:
  // Speed and handshaking as the port holds them. Parity cannot be seen here: the system clears
  // PARENB on every pseudo-terminal whatever is asked.
  void settingsReachThePort_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("handshaking");
    QTest::addColumn<uint>("speed");
    QTest::newRow("defaults") << 115200 << 0 << uint(B115200);
    QTest::newRow("9600 xon/xoff") << 9600 << 1 << uint(B9600);
    QTest::newRow("19200") << 19200 << 0 << uint(B19200);
    QTest::newRow("38400") << 38400 << 0 << uint(B38400);
  }
  void settingsReachThePort() {
    QFETCH(int, rate);
    QFETCH(int, handshaking);
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
    link.setSettings({rate, Handshaking(handshaking), Parity::None});
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

  void rawModeKeepsSpeedAndParity() {
    Pty pty;
    QVERIFY(pty.ok());
    // The system holds 19200 bit/s, even parity, two stop bits, a terminal discipline.
    const int held = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(held >= 0);
    termios tio{};
    QCOMPARE(::tcgetattr(held, &tio), 0);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tio.c_cflag |= PARENB | CSTOPB;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARODD);
    tio.c_lflag |= ICANON | ECHO | ISIG;
    tio.c_iflag |= ICRNL | IXON;
    tio.c_oflag |= OPOST | ONLCR;
    QCOMPARE(::tcsetattr(held, TCSANOW, &tio), 0);
    // A pseudo-terminal keeps no parity of its own; what counts is that the held line settings
    // come out as they went in.
    termios before{};
    QCOMPARE(::tcgetattr(held, &before), 0);

    auto link = openLink(pty);
    QVERIFY(link);
    termios now{};
    QCOMPARE(::tcgetattr(held, &now), 0);
    QCOMPARE(cfgetospeed(&now), speed_t(B19200));
    QCOMPARE(cfgetispeed(&now), speed_t(B19200));
    const tcflag_t line = CBAUD | PARENB | PARODD | CSTOPB | CRTSCTS;
    QCOMPARE(now.c_cflag & line, before.c_cflag & line);
    QVERIFY(now.c_cflag & CSTOPB);
    QCOMPARE(now.c_iflag & INPCK, before.c_iflag & INPCK);
    QCOMPARE(now.c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(!(now.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)));
    QVERIFY(!(now.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP)));
    QVERIFY(!(now.c_oflag & OPOST));

    // The bytes themselves: CR stays CR, LF is not turned into CR LF, ^C is data.
    QVERIFY(RunToEnd(link->send(Bytes("\r\n\x03", 3))));
    QCOMPARE(pty.readFromLink(3), Bytes("\r\n\x03", 3));
    pty.writeToLink(Bytes("\r\n\x03\x13", 4));
    QCOMPARE(TakeUntil(*link, 4), Bytes("\r\n\x03\x13", 4));
    ::close(held);
  }

  // A receive waits on the loop for a reply that comes while it waits; a silent printer gives
  // nothing and no error; a port whose other end has gone fails the receive and the send that
  // follow with the system's cause, and the serial component raises its error event for it.
  void waitsAndFailures_data() {
    QTest::addColumn<bool>("component");
    QTest::addColumn<QString>("printer");    // "late": answers 30 ms into the wait
    QTest::addColumn<QByteArray>("got");
    QTest::addColumn<int>("event");          // the last error event, 0 for none
    QTest::addColumn<QString>("received");   // lastError() after the receive, "" for none
    QTest::addColumn<QString>("sent");       // lastError() after a send, "" when it went out
    const QByteArray reply("\x5f" "RT-5600\0", 9);
    const QString io = "%1: Input/output error";
    QTest::newRow("component, late reply") << true << "late" << reply << 0 << "" << "";
    QTest::newRow("component, silent") << true << "silent" << QByteArray() << 0 << "" << "";
    QTest::newRow("component, gone") << true << "gone" << QByteArray() << 6 << io << "%1: timed out";
    QTest::newRow("device, late reply") << false << "late" << reply << 0 << "" << "";
    QTest::newRow("device, silent") << false << "silent" << QByteArray() << 0 << "" << "";
    // A hung-up line reads as empty on the device handle; the write tells.
    QTest::newRow("device, gone") << false << "gone" << QByteArray() << 0 << "" << io;
  }
  void waitsAndFailures() {
    QFETCH(bool, component);
    QFETCH(QString, printer);
    QFETCH(QByteArray, got);
    QFETCH(int, event);
    QFETCH(QString, received);
    QFETCH(QString, sent);
    Pty pty;
    QVERIFY(pty.ok());
    ComPortMap map;
    map.setOverride(1, pty.slavePath());
    SerialComponentLink serial(map);
    std::unique_ptr<SerialDeviceLink> device;
    ByteLink* link = &serial;
    if (component) {
      QVERIFY2(serial.probeAndOpen(), DescribeLinkError(serial.lastError()).c_str());
    } else {
      device = openLink(pty);
      QVERIFY(device);
      link = device.get();
    }
    int lastEvent = 0;
    link->setErrorHandler([&lastEvent](int code) { lastEvent = code; });
    if (printer == "gone") pty.closeMaster();
    const auto cause = [&] {
      return link->lastError().ok() ? QString() : QString::fromStdString(DescribeLinkError(link->lastError()));
    };
    const QString path = QString::fromStdString(pty.slavePath());
    const Bytes reply(got.constData(), std::size_t(got.size()));
    const Bytes taken = RunToEnd([&]() -> Task<Bytes> {
      boost::asio::steady_timer answer(co_await boost::asio::this_coro::executor, std::chrono::milliseconds(30));
      if (printer == "late")
        answer.async_wait([&](const boost::system::error_code&) { pty.writeToLink(reply); });
      co_return co_await link->receive(64, printer == "late" ? 2000 : 50);
    }());
    QCOMPARE(QByteArray(taken.data(), qsizetype(taken.size())), got);
    QCOMPARE(cause(), QString(received).replace("%1", path));
    QCOMPARE(RunToEnd(link->send(Bytes("\x1d\x49\x43", 3))), sent.isEmpty());
    QCOMPARE(cause(), QString(sent).replace("%1", path));
    if (sent.isEmpty()) QCOMPARE(pty.readFromLink(3), Bytes("\x1d\x49\x43", 3));
    QCOMPARE(lastEvent, event);
  }
};

QTEST_GUILESS_MAIN(SerialLinksTest)
#include "test_serial_links.moc"
