// The device-handle path for serial ports (COM5..COM20), against a pseudo-terminal.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QtTest>
#include <cerrno>

#include "link/device_handle.h"
#include "link/fake_usb_backend.h"
#include "link/link_limits.h"
#include "link/serial_device_link.h"
#include "pty.h"
#include "tsan_qt.h"

using namespace kestrova;
using kestrova::testing::Pty;
using kestrova::testing::TakeUntil;

Q_DECLARE_METATYPE(std::string)

class SerialDeviceLinkTest : public QObject {
  Q_OBJECT

  std::unique_ptr<SerialDeviceLink> openLink(const Pty& pty) {
    LinkError error;
    auto link = SerialDeviceLink::Open(pty.slavePath(), error);
    if (!link) qWarning("open failed: %s", DescribeLinkError(error).c_str());
    return link;
  }

 private slots:
  void exactBytesBothWays_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::newRow("model name query") << std::string("\x1D\x49\x43", 3);
    QTest::newRow("font rom query") << std::string("\x1D\x49\x45\x00", 4);
    QTest::newRow("self test + 00") << std::string("\x1D\x28\x41\x02\x00\x00\x02\x00", 8);
    QTest::newRow("cr lf ctrl-c xon xoff") << std::string("\r\n\x03\x11\x13\x1A\x7F", 7);
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    QTest::newRow("every byte") << all;
  }
  void exactBytesBothWays() {
    QFETCH(std::string, bytes);
    Pty pty;
    QVERIFY(pty.ok());
    auto link = openLink(pty);
    QVERIFY(link);
    QCOMPARE(int(link->shape()), int(LinkShape::DeviceHandle));
    QVERIFY(link->send(bytes));
    QCOMPARE(pty.readFromLink(bytes.size()), bytes);
    QCOMPARE(pty.drain(50), Bytes());  // nothing added (no CR before LF, no echo)
    pty.writeToLink(bytes);
    QCOMPARE(TakeUntil(*link, bytes.size()), bytes);
    QCOMPARE(pty.drain(50), Bytes());  // no echo back to the printer
  }

  void receiveTakesAtMostAndKeepsTheRest() {
    Pty pty;
    auto link = openLink(pty);
    QVERIFY(link);
    Bytes reply = "_RT-6100";
    reply.push_back('\0');
    reply += std::string(70, 'x');
    pty.writeToLink(reply);
    QTest::qWait(30);
    const Bytes first = link->receive(kDeviceReadBytes, kReceiveTimeoutMs);
    QCOMPARE(first, reply.substr(0, 64));
    QCOMPARE(link->receive(kDeviceReadBytes, kReceiveTimeoutMs), reply.substr(64));
  }

  void receiveWithoutDataGivesUpInTime() {
    Pty pty;
    auto link = openLink(pty);
    QVERIFY(link);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link->receive(64, 100), Bytes());
    QVERIFY(timer.elapsed() >= 90);
    QVERIFY(timer.elapsed() < 1000);
  }

  void lateReplyGoesToNextTake() {
    Pty pty;
    auto link = openLink(pty);
    QVERIFY(link);
    QCOMPARE(link->takeAvailable(), Bytes());
    pty.writeToLink(Bytes("_48\0", 4));
    QCOMPARE(TakeUntil(*link, 4), Bytes("_48\0", 4));
  }

  void peekDoesNotConsume() {
    Pty pty;
    auto link = openLink(pty);
    QVERIFY(link);
    pty.writeToLink("_OK");
    QTest::qWait(30);
    QCOMPARE(link->peek(100), Bytes("_OK"));
    QCOMPARE(link->receive(64, 100), Bytes("_OK"));
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
    QVERIFY(link->send(Bytes("\r\n\x03", 3)));
    QCOMPARE(pty.readFromLink(3), Bytes("\r\n\x03", 3));
    pty.writeToLink(Bytes("\r\n\x03\x13", 4));
    QCOMPARE(TakeUntil(*link, 4), Bytes("\r\n\x03\x13", 4));
    ::close(held);
  }

  void rawSettingsKeepParity_data() {
    QTest::addColumn<uint>("cflag");
    QTest::newRow("19200 8N1") << uint(B19200 | CS8 | CREAD);
    QTest::newRow("9600 7E1") << uint(B9600 | CS7 | PARENB | CREAD);
    QTest::newRow("38400 8O2") << uint(B38400 | CS8 | PARENB | PARODD | CSTOPB);
    QTest::newRow("115200 8N1 rtscts") << uint(B115200 | CS8 | CRTSCTS);
  }
  void rawSettingsKeepParity() {
    QFETCH(uint, cflag);
    termios tio{};
    tio.c_cflag = cflag;
    tio.c_iflag = ICRNL | IXON | INPCK | ISTRIP | BRKINT;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    MakeRawKeepingLine(tio);
    const tcflag_t line = CBAUD | PARENB | PARODD | CSTOPB | CRTSCTS;
    QCOMPARE(tio.c_cflag & line, tcflag_t(cflag) & line);
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(tio.c_cflag & CLOCAL);
    QVERIFY(tio.c_cflag & CREAD);
    QCOMPARE(tio.c_iflag, tcflag_t(INPCK));
    QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(tio.c_lflag, tcflag_t(0));
  }

  void discardDropsPendingInput() {
    Pty pty;
    auto link = openLink(pty);
    QVERIFY(link);
    pty.writeToLink("_stale");
    QTest::qWait(30);
    link->discard();
    QCOMPARE(link->takeAvailable(), Bytes());
    pty.writeToLink("_new");
    QCOMPARE(TakeUntil(*link, 4), Bytes("_new"));
  }

  void discardKeepsWhatWasJustWritten() {
    // A test print ends with its last block written and the queues discarded at once: the
    // block must still reach the printer.
    Pty pty;
    auto link = openLink(pty);
    QVERIFY(link);
    const Bytes selfTest("\x1d\x28\x41\x02\x00\x00\x02\x00", 8);
    QVERIFY(link->send(selfTest));
    link->discard();
    link->close();
    QCOMPARE(pty.readFromLink(8), selfTest);
  }

  void absentPort() {
    LinkError error;
    auto link = SerialDeviceLink::Open("/dev/kestrova-no-such-port", error);
    QVERIFY(!link);
    QCOMPARE(int(error.kind), int(LinkError::Kind::Absent));
    QCOMPARE(error.osError, ENOENT);
    QCOMPARE(error.target, std::string("/dev/kestrova-no-such-port"));
  }

  void busyPort() {
    Pty pty;
    auto first = openLink(pty);
    QVERIFY(first);
    LinkError error;
    auto second = SerialDeviceLink::Open(pty.slavePath(), error);
    QVERIFY(!second);
    QCOMPARE(int(error.kind), int(LinkError::Kind::Busy));
    QCOMPARE(error.osError, EBUSY);
    QVERIFY(DescribeLinkError(error).find("held by another program") != std::string::npos);
    // Once closed, the port can be had again.
    first->close();
    QVERIFY(!first->isOpen());
    auto third = SerialDeviceLink::Open(pty.slavePath(), error);
    QVERIFY(third);
  }

  void closedLinkRefusesToSend() {
    Pty pty;
    auto link = openLink(pty);
    QVERIFY(link);
    link->close();
    QVERIFY(!link->send("x"));
    QCOMPARE(int(link->lastError().kind), int(LinkError::Kind::Closed));
    QCOMPARE(link->receive(64, 10), Bytes());
  }

  void openDeviceByComText() {
    Pty pty;
    ComPortMap map;
    map.setOverride(12, pty.slavePath());
    FakeUsbBackend usb;
    DeviceHandleSlot slot;
    std::uint8_t active = 0;
    QVERIFY(!slot.valid());
    QCOMPARE(OpenDevice("COM12", usb, 0, active, slot, map), kOpenOk);
    QVERIFY(slot.valid());
    QCOMPARE(int(slot.link()->shape()), int(LinkShape::DeviceHandle));
    QVERIFY(slot.link()->send(Bytes("\x1D\x67\x34\x27", 4)));
    QCOMPARE(pty.readFromLink(4), Bytes("\x1D\x67\x34\x27", 4));
    slot.discardAndClose();
    QVERIFY(!slot.valid());
    QCOMPARE(usb.openLog().size(), std::size_t(0));
  }

  void openDeviceFailsWith14() {
    ComPortMap map;
    map.setOverride(5, "/dev/kestrova-no-such-port");
    FakeUsbBackend usb;
    DeviceHandleSlot slot;
    std::uint8_t active = 0;
    QCOMPARE(OpenDevice("COM5", usb, 0, active, slot, map), kOpenComFailed);
    QVERIFY(!slot.valid());
    QCOMPARE(int(slot.lastOpenError().kind), int(LinkError::Kind::Absent));
    QCOMPARE(OpenDevice("COM21", usb, 0, active, slot, map), kOpenComFailed);
  }

  void openDeviceOtherTextOpensNothing() {
    FakeUsbBackend usb;
    usb.addDevice("2a09");
    DeviceHandleSlot slot;
    std::uint8_t active = 0;
    QCOMPARE(OpenDevice("TCP/IP", usb, 0, active, slot), kOpenOk);
    QVERIFY(!slot.valid());
    QCOMPARE(usb.openLog().size(), std::size_t(0));
  }
};

QTEST_GUILESS_MAIN(SerialDeviceLinkTest)
#include "test_serial_device_link.moc"
