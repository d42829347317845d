#include <QtTest>

#include "link/com_port_map.h"
#include "link/link_selection.h"
#include "link/tcp_link.h"
#include "tsan_qt.h"

using namespace kestrova;

class LinkSelectionTest : public QObject {
  Q_OBJECT
 private slots:
  void portListTexts() {
    QCOMPARE(PortSelectionTexts().size(), std::size_t(22));
    QCOMPARE(PortSelectionTexts()[kDefaultPortSelection], std::string("USB"));
    QVERIFY(IsListedPortText("COM20"));
    QVERIFY(!IsListedPortText("COM21"));
    QVERIFY(!IsListedPortText("usb"));
  }

  // A radio group's item to its setting: item 0 or 1 chooses, nothing selected keeps the setting.
  void serialChoices() {
    QCOMPARE(HandshakingFromItem(0, Handshaking::XonXoff), Handshaking::DtrDsr);
    QCOMPARE(HandshakingFromItem(1, Handshaking::DtrDsr), Handshaking::XonXoff);
    QCOMPARE(HandshakingFromItem(-1, Handshaking::XonXoff), Handshaking::XonXoff);
    QCOMPARE(ParityFromItem(0, Parity::Even), Parity::None);
    QCOMPARE(ParityFromItem(1, Parity::None), Parity::Even);
    QCOMPARE(ParityFromItem(-1, Parity::Even), Parity::Even);
    QCOMPARE(BaudRateFromButtons({false, true, true, false}, 9600), 19200);
    QCOMPARE(BaudRateFromButtons({false, false, false, false}, 38400), 38400);
  }

  void linkKind_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("serialComponent");
    const int none = int(LinkKind::Type::None), tcp = int(LinkKind::Type::Tcp), usb = int(LinkKind::Type::Usb),
              com = int(LinkKind::Type::Com);
    QTest::newRow("TCP/IP") << "TCP/IP" << tcp << 0 << false;
    QTest::newRow("USB") << "USB" << usb << 0 << false;
    QTest::newRow("COM1") << "COM1" << com << 1 << true;
    QTest::newRow("COM4") << "COM4" << com << 4 << true;
    QTest::newRow("COM5") << "COM5" << com << 5 << false;
    QTest::newRow("COM3x") << "COM3x" << com << 3 << true;
    QTest::newRow("usb lower") << "usb" << none << 0 << false;
    QTest::newRow("empty") << "" << none << 0 << false;
  }
  void linkKind() {
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(int, number);
    QFETCH(bool, serialComponent);
    const LinkKind kind = LinkKind::FromSelectionText(text.toStdString());
    QCOMPARE(int(kind.type), type);
    QCOMPARE(kind.comNumber, number);
    QCOMPARE(kind.usesSerialComponent(), serialComponent);
  }

  void comDevicePaths_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("path");
    QTest::newRow("COM1") << 1 << "/dev/ttyUSB0";
    QTest::newRow("COM4") << 4 << "/dev/ttyUSB3";
    QTest::newRow("COM5") << 5 << "/dev/ttyACM0";
    QTest::newRow("COM9") << 9 << "/dev/ttyS0";
    QTest::newRow("COM20") << 20 << "/dev/ttyUSB11";
    QTest::newRow("COM0") << 0 << "";
    QTest::newRow("COM21") << 21 << "";
  }
  void comDevicePaths() {
    QFETCH(int, n);
    QFETCH(QString, path);
    ComPortMap map;
    QCOMPARE(QString::fromStdString(map.devicePath(n)), path);
    QCOMPARE(QString::fromStdString(map.serialComponentName(n)), path);
  }

  void hostText_data() {
    QTest::addColumn<quint32>("address");
    QTest::addColumn<QString>("text");
    QTest::newRow("preset") << quint32(kDefaultPrinterAddress) << "192.168.192.168";
    QTest::newRow("all") << quint32(0xFFFFFFFFu) << "255.255.255.255";
  }
  void hostText() {
    QFETCH(quint32, address);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatHostText(address)), text);
    std::uint32_t parsed = 1;
    QVERIFY(ParseHostText(text.toStdString(), parsed));
    QCOMPARE(parsed, address);
  }

  void hostTextRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("three fields") << "10.0.0";
    QTest::newRow("256") << "10.0.0.256";
    QTest::newRow("trailing") << "10.0.0.5x";
    QTest::newRow("name") << "printer";
  }
  void hostTextRefused() {
    QFETCH(QString, text);
    std::uint32_t parsed = 7;
    QVERIFY(!ParseHostText(text.toStdString(), parsed));
    QCOMPARE(parsed, std::uint32_t(7));
  }

  void portText_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("preset") << kDefaultPortText << "9100";
    QTest::newRow("letter after") << "9100x" << "9100";
    QTest::newRow("empty") << "" << "0";
    QTest::newRow("leading zeros") << "009100" << "9100";
  }
  void portText() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(PortText(field.toStdString())), text);
  }
};

QTEST_GUILESS_MAIN(LinkSelectionTest)
#include "test_link_selection.moc"
